#include "photos/track_match.h"

#include "conversion/conversion.h"
#include "log/log_reader.h"

#include <algorithm>

namespace ostrel {

void TFixTable::Sort()
{
    std::stable_sort(points_.begin(), points_.end(),
        [](const TTimedPoint& a, const TTimedPoint& b) { return a.Utc < b.Utc; });
}

TTrackCounts AddLogFixes(
    TFixTable& table, const std::filesystem::path& log, const TConvertSettings& settings)
{
    TLogReader reader(log);
    TFixTable fixes;
    TFixCollector collector(fixes);
    TTrackOptions options = TrackOptionsOf(settings, false);
    // The stages that hold the track back keep it beside the log, as a conversion beside it would.
    options.Cleaning.ScratchFolder = log.parent_path().empty() ? "." : log.parent_path();
    const TTrackResult result = StreamTrack(reader, options, collector);
    for (const TTimedPoint& point : fixes.Points())
        table.Add(point);
    return result.Counts;
}

TMatch MatchTime(std::span<const TTimedPoint> fixes, double utc, double maxGapDays)
{
    TMatch match;
    if (fixes.empty())
        return match;
    constexpr double kSecondsPerDay = 86400.0;
    const auto after = std::lower_bound(fixes.begin(), fixes.end(), utc,
        [](const TTimedPoint& point, double time) { return point.Utc < time; });
    if (after != fixes.end())
        match.ToAfterS = (after->Utc - utc) * kSecondsPerDay;
    if (after != fixes.begin())
        match.FromBeforeS = (utc - std::prev(after)->Utc) * kSecondsPerDay;

    if (after != fixes.end() && after->Utc == utc) {
        match.Kind = TMatchKind::Interpolated;
        match.Position = after->Position;
        match.FromBeforeS = 0.0;
        return match;
    }
    if (after == fixes.begin()) {
        const bool near = after->Utc - utc <= maxGapDays;
        match.Kind = near ? TMatchKind::Nearest : TMatchKind::BeforeTrack;
        if (near)
            match.Position = after->Position;
        return match;
    }
    const TTimedPoint& before = *std::prev(after);
    if (after == fixes.end()) {
        const bool near = utc - before.Utc <= maxGapDays;
        match.Kind = near ? TMatchKind::Nearest : TMatchKind::AfterTrack;
        if (near)
            match.Position = before.Position;
        return match;
    }
    if (after->Utc - before.Utc > maxGapDays) {
        match.Kind = TMatchKind::InGap;
        return match;
    }
    const double f = (utc - before.Utc) / (after->Utc - before.Utc);
    match.Kind = TMatchKind::Interpolated;
    match.Position
        = TGeoPoint { before.Position.Lat + f * (after->Position.Lat - before.Position.Lat),
              before.Position.Lon + f * (after->Position.Lon - before.Position.Lon) };
    return match;
}

} // namespace ostrel
