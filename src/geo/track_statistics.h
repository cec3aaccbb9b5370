#pragma once

// The numbers of a track, counted by a sink of the track stream while a conversion or a preview
// reads the log: nothing is read twice.

#include "geo/track.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

// The track starts at the first record (the lengths are measured from it; when the first record
// was dropped, at the first kept fix) and runs through every fix of the route; times are UTC day
// counts (days since 30 December 1899).
struct TTrackStatistics
{
    // A fix moves when its speed from the fix kept before it is at least this (km/h).
    static constexpr double kMovingKmh = 1.0;

    double StartUtc = 0.0; // the first record
    double EndUtc = 0.0; // the last kept fix; the first record when none was kept
    double MovingDays = 0.0; // the intervals that end at a moving fix, summed (days)
    double MovingMetres = 0.0; // the distances of those intervals, summed (metres)
    double MaxSpeedKmh = 0.0; // the fastest kept fix, from the fix kept before it (km/h)
    std::uint64_t Segments = 0; // the route's stretches: 1, and one more at each new start
    // The bounding box of the first record and the kept fixes (degrees).
    double MinLat = 0.0, MaxLat = 0.0, MinLon = 0.0, MaxLon = 0.0;

    double DurationSeconds() const { return (EndUtc - StartUtc) * 86400; }
    double MovingSeconds() const { return MovingDays * 86400; }
    // Length over the duration and moving length over the moving time (km/h); 0 without time.
    double AverageSpeedKmh(double lengthMetres) const;
    double MovingSpeedKmh() const;
};

class TStatisticsSink final : public TTrackSink
{
public:
    void Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint&) override;
    void Dropped(const TTrackDrop& drop) override;
    // Inline: it runs for every kept fix beside a writer.
    void Fix(const TTrackFix& fix) override
    {
        if (!fix.InRoute)
            return;
        TTrackStatistics& s = statistics_;
        if (!started_)
            Start(fix.Rec, fix.UtcDateTime);
        if (fix.StartsSegment || !inSegment_) {
            ++s.Segments;
            inSegment_ = true;
        }
        if (fix.Kept.SpeedKmh >= TTrackStatistics::kMovingKmh) {
            s.MovingDays += std::fabs(fix.UtcDateTime - s.EndUtc);
            s.MovingMetres += fix.Kept.DistanceM;
        }
        s.EndUtc = fix.UtcDateTime;
        s.MaxSpeedKmh = std::max(s.MaxSpeedKmh, fix.Kept.SpeedKmh);
        s.MinLat = std::min(s.MinLat, fix.Rec.Lat);
        s.MaxLat = std::max(s.MaxLat, fix.Rec.Lat);
        s.MinLon = std::min(s.MinLon, fix.Rec.Lon);
        s.MaxLon = std::max(s.MaxLon, fix.Rec.Lon);
    }
    void End(double, const TTrackCounts&) override { }

    const TTrackStatistics& Statistics() const { return statistics_; }

private:
    void Start(const TGPSRec& rec, double utc);

    TTrackStatistics statistics_;
    bool started_ = false; // a start: the first record, or the first kept fix if that was dropped
    bool inSegment_ = false;
};

} // namespace ostrel
