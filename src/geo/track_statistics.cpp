#include "geo/track_statistics.h"

namespace ostrel {

double TTrackStatistics::AverageSpeedKmh(double lengthMetres) const
{
    const double seconds = DurationSeconds();
    return seconds > 0 ? lengthMetres / 1000 / (seconds / 3600) : 0.0;
}

double TTrackStatistics::MovingSpeedKmh() const
{
    const double seconds = MovingSeconds();
    return seconds > 0 ? MovingMetres / 1000 / (seconds / 3600) : 0.0;
}

void TStatisticsSink::Start(const TGPSRec& rec, double utc)
{
    TTrackStatistics& s = statistics_;
    s.StartUtc = s.EndUtc = utc;
    s.MinLat = s.MaxLat = rec.Lat;
    s.MinLon = s.MaxLon = rec.Lon;
    started_ = true;
}

void TStatisticsSink::Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint&)
{
    Start(first, utcDateTime);
}

void TStatisticsSink::Dropped(const TTrackDrop& drop)
{
    // The first record dropped: the track starts at its first kept fix.
    if (drop.FirstRecord)
        started_ = false;
}

} // namespace ostrel
