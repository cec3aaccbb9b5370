#pragma once

// The positions of photos from the kept fixes of logs. The fixes of every log are held as
// numbers (time and position, 24 bytes a fix) in time order; a photo's UTC time finds its place
// among them: between two fixes at most the greatest gap apart it takes the linear interpolation
// of their positions, within that gap before the first fix or after the last it takes that fix,
// and anywhere else it has no position, for the reason the match names.

#include "core/settings.h"
#include "geo/track.h"
#include "photos/exif.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace ostrel {

// A kept fix as the match holds it.
struct TTimedPoint
{
    double Utc = 0.0; // days since 30 December 1899
    TGeoPoint Position;

    bool operator==(const TTimedPoint&) const = default;
};

// The kept fixes of one or more logs, in time order once Sort has run.
class TFixTable
{
public:
    void Add(const TTimedPoint& point) { points_.push_back(point); }
    // Puts the fixes in time order; fixes of one time keep the order they were added in.
    void Sort();
    std::span<const TTimedPoint> Points() const { return points_; }

private:
    std::vector<TTimedPoint> points_;
};

// A sink of the track that adds every kept fix (with its log's own UTC time) to a table.
class TFixCollector final : public TTrackSink
{
public:
    explicit TFixCollector(TFixTable& table)
        : table_(table)
    {
    }
    void Begin(const TGPSRec&, double, const TPlanePoint&) override { }
    void Fix(const TTrackFix& fix) override
    {
        table_.Add({ fix.UtcDateTime, { fix.Rec.Lat, fix.Rec.Lon } });
    }
    void End(double, const TTrackCounts&) override { }

private:
    TFixTable& table_;
};

// Adds the kept fixes of a log to the table, read as a conversion with these settings keeps
// them (mode, filter and cleaning). Returns the log's counts; a log that cannot be read or a
// record that does not convert is its error, as in a conversion, and adds nothing.
TTrackCounts AddLogFixes(
    TFixTable& table, const std::filesystem::path& log, const TConvertSettings& settings);

enum class TMatchKind
{
    Interpolated, // between two fixes at most the greatest gap apart
    Nearest, // within the greatest gap before the first fix or after the last
    BeforeTrack, // further before the first fix
    AfterTrack, // further after the last fix
    InGap, // between two fixes further apart than the greatest gap
    NoFixes, // the logs kept no fix at all
};

struct TMatch
{
    TMatchKind Kind = TMatchKind::NoFixes;
    std::optional<TGeoPoint> Position; // for Interpolated and Nearest
    // From the fix before the photo to the photo, and from the photo to the fix after it, where
    // there is such a fix (seconds); for the fixes used, or those around a gap.
    std::optional<double> FromBeforeS;
    std::optional<double> ToAfterS;
};

// The match of a UTC time (day count) among fixes in time order; maxGapDays is the greatest gap
// (days).
TMatch MatchTime(std::span<const TTimedPoint> fixes, double utc, double maxGapDays);

} // namespace ostrel
