#pragma once

// The stages of the cleaning that come after the filter and change the route: privacy (the fixes
// near the track's start and end left out) and simplification (only the fixes the route needs to
// stay within a distance). Each is a sink that hands the track on to the next, holding what it
// cannot decide yet (in a scratch file beyond its memory), and measures the route it hands on
// again: the length told at the end is that of what is written.

#include "core/held.h"
#include "geo/track.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace ostrel {

// A fix or a drop as the stages hold it, without its texts' allocations.
struct THeldEvent
{
    bool Kept; // a kept fix, else a dropped one
    bool StartsSegment;
    bool InRoute;
    bool FirstRecord;
    TDropCause Cause;
    char Tag[6];
    char TimeText[6];
    char DateText[6];
    char Status[1];
    double DateTime, Lat, Lon; // the record's
    double Utc;
    TPlanePoint Point;
    TKeptFix KeptFix;
    double TotalMetres;
    std::uint64_t Line;
    double SpeedKmh, DistanceM; // of a drop; NaN where none
};

THeldEvent HeldFix(const TTrackFix& fix);
THeldEvent HeldDrop(const TTrackDrop& drop);
TGPSRec RecordOf(const THeldEvent& event);

// Hands on every kept fix unless it lies within radius of the track's start (the first record, or
// the first kept fix when the first record was dropped) or of its end (the last kept fix), which
// it drops as private; both are known only at the end, so everything waits until then.
class TPrivacyStage final : public TTrackSink
{
public:
    TPrivacyStage(double radiusM, const std::filesystem::path& scratchFolder, TTrackSink& next);
    void Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint& point) override;
    void FirstRecordAt(std::uint64_t line) override { next_.FirstRecordAt(line); }
    void Fix(const TTrackFix& fix) override;
    void Dropped(const TTrackDrop& drop) override;
    void End(double totalMetres, const TTrackCounts& counts) override;

private:
    double radius_;
    TTrackSink& next_;
    TRecordSpool<THeldEvent> held_;
    std::optional<TPlanePoint> start_;
    std::optional<TPlanePoint> end_;
};

// Keeps in the route only the fixes needed to stay within tolerance of the kept track
// (Douglas-Peucker on the plane, per segment, in windows of at most kWindow kept fixes whose ends
// stay in the route, so that memory stays flat); the others stay kept fixes outside the route,
// where waypoints may still fall.
class TSimplifyStage final : public TTrackSink
{
public:
    static constexpr std::size_t kWindow = 1 << 14;

    TSimplifyStage(double toleranceM, TTrackSink& next);
    void Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint& point) override;
    void FirstRecordAt(std::uint64_t line) override { next_.FirstRecordAt(line); }
    void Fix(const TTrackFix& fix) override;
    void Dropped(const TTrackDrop& drop) override;
    void End(double totalMetres, const TTrackCounts& counts) override;

private:
    // Decides the held window's route and hands it on.
    void Flush();

    double tolerance_;
    TTrackSink& next_;
    std::vector<THeldEvent> window_;
    std::size_t keptInWindow_ = 0;
    std::optional<TPlanePoint> lastRouted_; // the route's last fix handed on
    double total_ = 0.0;
    std::uint64_t simplified_ = 0;
};

// Remembers what it was told at the end, and hands everything on.
class TEndRecorder final : public TTrackSink
{
public:
    explicit TEndRecorder(TTrackSink& next)
        : next_(next)
    {
    }
    void Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint& point) override
    {
        next_.Begin(first, utcDateTime, point);
    }
    void FirstRecordAt(std::uint64_t line) override { next_.FirstRecordAt(line); }
    void Fix(const TTrackFix& fix) override { next_.Fix(fix); }
    void Dropped(const TTrackDrop& drop) override { next_.Dropped(drop); }
    void End(double totalMetres, const TTrackCounts& counts) override
    {
        result_ = { totalMetres, counts };
        next_.End(totalMetres, counts);
    }
    const TTrackResult& Result() const { return result_; }

private:
    TTrackSink& next_;
    TTrackResult result_;
};

} // namespace ostrel
