#include "geo/track.h"

#include <optional>

namespace ostrel {

TTrackResult StreamTrack(TLogReader& reader, const TTrackOptions& options, TTrackSink& sink)
{
    TTrackCounts counts;
    TGPSRec rec;

    // The first record line; without one, the last line read stands in for it.
    std::string_view line;
    for (;;) {
        line = reader.ReadLine();
        if (IsRecordLine(line) || reader.AtEnd())
            break;
        ++counts.OtherLines;
    }
    ParseLogLine(line, rec, options.CurrentYear);
    ++counts.Records;
    rec.DateTime += options.TimeShiftDays;
    const TProjection projection(SetOrigin(options.OriginIndex, rec));
    const TPlanePoint first = projection.ToPlanePoint(rec);
    TSpeedFilter filter(options.SpeedLimitKmh, first);
    sink.Begin(rec, first);

    while (!reader.AtEnd()) {
        line = reader.ReadLine();
        if (!IsRecordLine(line)) {
            ++counts.OtherLines;
            continue;
        }
        ParseLogLine(line, rec, options.CurrentYear);
        ++counts.Records;
        const double utc = rec.DateTime;
        rec.DateTime += options.TimeShiftDays;
        const TPlanePoint point = projection.ToPlanePoint(rec);
        const std::optional<TKeptFix> kept = filter.Offer(point);
        if (!kept) {
            if (filter.LastDrop() == TDropCause::RepeatedTime)
                ++counts.DroppedRepeatedTime;
            else
                ++counts.DroppedTooFast;
            sink.Dropped(rec, point, filter.LastDrop());
            continue;
        }
        ++counts.Kept;
        sink.Fix({ rec, utc, point, *kept, filter.TotalMetres() });
    }
    sink.End(filter.TotalMetres(), counts);
    return { filter.TotalMetres(), counts };
}

} // namespace ostrel
