#include "geo/track.h"

#include "core/errors.h"

#include <optional>

namespace ostrel {

namespace {

// The line being read, counted from 1: every line read so far is a record or another line.
std::uint64_t LineNumber(const TTrackCounts& counts)
{
    return counts.Records + counts.OtherLines + 1;
}

// Runs step for the record line at lineNumber; an error of the record (a field that does not
// convert, a time that cannot be divided by) leaves it naming that line. File errors concern the
// files, not the line, and pass as they are.
template <class Step> void ForRecordLine(std::uint64_t lineNumber, Step&& step)
{
    try {
        step();
    } catch (ConvertError& error) {
        if (!error.Line())
            error.SetLine(lineNumber);
        throw;
    } catch (MathError& error) {
        if (!error.Line())
            error.SetLine(lineNumber);
        throw;
    }
}

} // namespace

TTrackResult StreamTrack(TLogReader& reader, const TTrackOptions& options, TTrackSink& sink)
{
    TTrackCounts counts;
    TGPSRec rec;

    // The first record line; without one, the last line read stands in for it.
    std::uint64_t linesRead = 0;
    std::string_view line = ReadFirstRecordLine(reader, &linesRead);
    counts.OtherLines = linesRead - 1;
    // Without a record line the error concerns no line of the log.
    if (IsRecordLine(line))
        ForRecordLine(LineNumber(counts), [&] { ParseLogLine(line, rec, options.CurrentYear); });
    else
        ParseLogLine(line, rec, options.CurrentYear);
    ++counts.Records;
    const double firstUtc = rec.DateTime;
    rec.DateTime += options.TimeShiftDays;
    const TProjection projection(SetOrigin(options.OriginIndex, rec));
    const TPlanePoint first = projection.ToPlanePoint(rec);
    TSpeedFilter filter(options.SpeedLimitKmh, first);
    sink.Begin(rec, firstUtc, first);

    std::uint64_t lines = 0;
    while (!reader.AtEnd()) {
        if (options.Progress && ++lines % TTrackProgress::kLines == 0)
            options.Progress->Advance(reader.BytesRead());
        line = reader.ReadLine();
        if (!IsRecordLine(line)) {
            ++counts.OtherLines;
            continue;
        }
        ForRecordLine(LineNumber(counts), [&] {
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
                return;
            }
            ++counts.Kept;
            sink.Fix({ rec, utc, point, *kept, filter.TotalMetres() });
        });
    }
    sink.End(filter.TotalMetres(), counts);
    return { filter.TotalMetres(), counts };
}

} // namespace ostrel
