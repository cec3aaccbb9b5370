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

void TStatisticsSink::Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint&)
{
    TTrackStatistics& s = statistics_;
    s.StartUtc = s.EndUtc = utcDateTime;
    s.MinLat = s.MaxLat = first.Lat;
    s.MinLon = s.MaxLon = first.Lon;
}

} // namespace ostrel
