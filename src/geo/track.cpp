#include "geo/track.h"

#include "core/errors.h"

#include <algorithm>
#include <cmath>
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

TTrackResult StreamTrack(TLogReader& reader, const TTrackOptions& options, TTrackSink& sink)
{
    TTrackCounts counts;
    TTrackStatistics stats;
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
    stats.StartUtc = stats.EndUtc = rec.DateTime;
    stats.MinLat = stats.MaxLat = rec.Lat;
    stats.MinLon = stats.MaxLon = rec.Lon;
    rec.DateTime += options.TimeShiftDays;
    const TProjection projection(SetOrigin(options.OriginIndex, rec));
    const TPlanePoint first = projection.ToPlanePoint(rec);
    TSpeedFilter filter(options.SpeedLimitKmh, first);
    sink.Begin(rec, first);

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
            if (kept->SpeedKmh >= TTrackStatistics::kMovingKmh) {
                stats.MovingDays += std::fabs(utc - stats.EndUtc);
                stats.MovingMetres += kept->DistanceM;
            }
            stats.EndUtc = utc;
            stats.MaxSpeedKmh = std::max(stats.MaxSpeedKmh, kept->SpeedKmh);
            stats.MinLat = std::min(stats.MinLat, rec.Lat);
            stats.MaxLat = std::max(stats.MaxLat, rec.Lat);
            stats.MinLon = std::min(stats.MinLon, rec.Lon);
            stats.MaxLon = std::max(stats.MaxLon, rec.Lon);
            sink.Fix({ rec, utc, point, *kept, filter.TotalMetres() });
        });
    }
    sink.End(filter.TotalMetres(), counts);
    return { filter.TotalMetres(), counts, stats };
}

} // namespace ostrel
