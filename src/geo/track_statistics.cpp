#include "geo/track_statistics.h"

#include <algorithm>
#include <cmath>

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

void TStatisticsSink::Fix(const TTrackFix& fix)
{
    TTrackStatistics& s = statistics_;
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

} // namespace ostrel
