#include "geo/track.h"

#include "core/errors.h"
#include "geo/record_blocks.h"
#include "geo/track_cleaning.h"
#include "geo/track_stages.h"

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

namespace {

// The track through its judge: TSimpleJudge, the speed filter alone, which decides at once and
// holds nothing (the default, and the fastest), or TCleaningJudge, the filter under cleaning.
class TSimpleJudge
{
public:
    TSimpleJudge(
        double speedLimitKmh, const TPlanePoint& first, TTrackSink& sink, TTrackCounts& counts)
        : filter_(speedLimitKmh, first)
        , sink_(sink)
        , counts_(counts)
    {
    }
    // measured: the step from the record line before this one (MeasureStep), when known.
    void Offer(const TGPSRec& rec, double utc, const TPlanePoint& point, std::uint64_t line,
        const TKeptFix* measured = nullptr, std::string_view text = {})
    {
        // The step was measured from the reference only when the line before was kept.
        const TKeptFix* const step = previousKept_ ? measured : nullptr;
        const std::optional<TKeptFix> kept = filter_.Offer(point, step);
        previousKept_ = kept.has_value();
        if (!kept) {
            const TDropCause cause = filter_.LastDrop();
            ++counts_.DroppedBy(cause);
            if (cause == TDropCause::RepeatedTime) {
                sink_.Dropped({ rec, utc, point, cause, line, std::nullopt,
                    PlaneDistance(filter_.Reference(), point) });
            } else {
                sink_.Dropped({ rec, utc, point, cause, line, filter_.LastSpeedKmh(),
                    filter_.LastDistanceM() });
            }
            return;
        }
        ++counts_.Kept;
        TTrackFix fix { rec, utc, point, *kept, filter_.TotalMetres(), line };
        // A text made with a step that the filter did not take (the line before was dropped)
        // is of no use: the sink makes its own.
        if (step || !measured) {
            fix.Text = text;
            fix.TextMeasured = step && !text.empty();
        }
        sink_.Fix(fix);
    }
    void Finish() { }
    double TotalMetres() const { return filter_.TotalMetres(); }
    static constexpr bool kTakesSteps = true;

private:
    TSpeedFilter filter_;
    TTrackSink& sink_;
    TTrackCounts& counts_;
    bool previousKept_ = true; // the reference is the record line before (the first, at start)
};

class TCleaningJudge
{
public:
    TCleaningJudge(const TTrackOptions& options, const TGPSRec& rec, double utc,
        const TPlanePoint& first, std::uint64_t line, TTrackSink& sink, TTrackCounts& counts)
        : filter_(options.SpeedLimitKmh, options.Cleaning, sink, counts)
    {
        filter_.First(rec, utc, first, line);
    }
    void Offer(const TGPSRec& rec, double utc, const TPlanePoint& point, std::uint64_t line,
        const TKeptFix* = nullptr, std::string_view = {})
    {
        filter_.Offer(rec, utc, point, line);
    }
    void Finish() { filter_.Finish(); }
    double TotalMetres() const { return filter_.TotalMetres(); }
    static constexpr bool kTakesSteps = false; // its filter measures from its own reference

private:
    TCleaningFilter filter_;
};

// What the stream knows after the first record: the projection about its origin.
struct TStart
{
    TTrackCounts Counts;
    TGPSRec Rec;
    double Utc;
    TProjection Projection;
    TPlanePoint Point;
    std::uint64_t Line;
};

TStart ReadFirstRecord(TLogReader& reader, const TTrackOptions& options)
{
    TTrackCounts counts;
    TGPSRec rec;
    // The first record line; without one, the last line read stands in for it.
    std::uint64_t linesRead = 0;
    std::string_view line = ReadFirstRecordLine(reader, &linesRead);
    counts.OtherLines = linesRead - 1;
    const std::uint64_t lineNumber = LineNumber(counts);
    // Without a record line the error concerns no line of the log.
    if (IsRecordLine(line))
        ForRecordLine(lineNumber, [&] { ParseLogLine(line, rec, options.CurrentYear); });
    else
        ParseLogLine(line, rec, options.CurrentYear);
    ++counts.Records;
    const double utc = rec.DateTime;
    rec.DateTime += options.TimeShiftDays;
    const TProjection projection(SetOrigin(options.OriginIndex, rec));
    const TPlanePoint point = projection.ToPlanePoint(rec);
    return { counts, std::move(rec), utc, projection, point, lineNumber };
}

// Every record line after the first through the judge, until the log ends (true) or untilLines
// lines of it have been read (false).
template <class Judge>
bool StreamRest(TLogReader& reader, const TTrackOptions& options, const TProjection& projection,
    TGPSRec& rec, TTrackCounts& counts, Judge& judge, std::uint64_t untilLines)
{
    std::uint64_t lines = 0;
    while (!reader.AtEnd()) {
        if (counts.Records + counts.OtherLines >= untilLines)
            return false;
        if (options.Progress && ++lines % TTrackProgress::kLines == 0)
            options.Progress->Advance(reader.BytesRead());
        const std::string_view line = reader.ReadLine();
        if (!IsRecordLine(line)) {
            ++counts.OtherLines;
            continue;
        }
        const std::uint64_t lineNumber = LineNumber(counts);
        ForRecordLine(lineNumber, [&] {
            ParseLogLine(line, rec, options.CurrentYear);
            ++counts.Records;
            const double utc = rec.DateTime;
            rec.DateTime += options.TimeShiftDays;
            const TPlanePoint point = projection.ToPlanePoint(rec);
            judge.Offer(rec, utc, point, lineNumber);
        });
    }
    return true;
}

// The rest of the log with its record lines parsed and projected on several threads
// (TRecordBlocks), the judge and the sinks on this one.
template <class Judge>
void StreamRestInBlocks(TLogReader& reader, const TTrackOptions& options,
    const TProjection& projection, TTrackCounts& counts, Judge& judge, const TRecordText* text)
{
    TRecordBlockOptions blockOptions;
    blockOptions.CurrentYear = options.CurrentYear;
    blockOptions.TimeShiftDays = options.TimeShiftDays;
    blockOptions.Threads = options.Threads;
    blockOptions.BlockLines = options.BlockLines;
    blockOptions.Progress = options.Progress;
    blockOptions.Text = text;
    blockOptions.MeasureSteps = Judge::kTakesSteps;
    blockOptions.LinesBefore = counts.Records + counts.OtherLines;
    TRecordBlocks blocks(reader, projection, blockOptions);
    for (;;) {
        const TRecordBlocks::TBatch batch = blocks.Next();
        for (const TParsedRecord& record : batch.Records) {
            ++counts.Records;
            ForRecordLine(record.Line, [&] {
                judge.Offer(record.Rec, record.Utc, record.Point, record.Line,
                    record.Measured ? &record.FromPrevious : nullptr, record.Text);
            });
        }
        if (batch.Error) {
            // A record line that did not convert names its line; a failed read passes as it is.
            if (batch.ErrorLine)
                ForRecordLine(batch.ErrorLine, [&] { std::rethrow_exception(batch.Error); });
            std::rethrow_exception(batch.Error);
        }
        if (batch.Records.empty())
            break;
    }
    counts.OtherLines += blocks.OtherLines();
}

// A log shares its record lines out among threads only past its first ThreadsFromLines lines:
// a short log would lose more in starting them than it gains.
// text: what the sink would have made of every record ahead (none with the cleaning, whose
// stages hold fixes back).
template <class Judge>
void StreamRestOf(TLogReader& reader, const TTrackOptions& options, TStart& start, Judge& judge,
    const TRecordText* text = nullptr)
{
    const std::uint64_t until = options.Threads > 1 ? options.ThreadsFromLines : UINT64_MAX;
    if (!StreamRest(reader, options, start.Projection, start.Rec, start.Counts, judge, until))
        StreamRestInBlocks(reader, options, start.Projection, start.Counts, judge, text);
    judge.Finish();
}

} // namespace

TTrackResult StreamTrack(TLogReader& reader, const TTrackOptions& options, TTrackSink& sink)
{
    TStart start = ReadFirstRecord(reader, options);
    TTrackCounts& counts = start.Counts;
    if (!options.Cleaning.Any()) {
        sink.Begin(start.Rec, start.Utc, start.Point);
        sink.FirstRecordAt(start.Line);
        TSimpleJudge judge(options.SpeedLimitKmh, start.Point, sink, counts);
        StreamRestOf(reader, options, start, judge, sink.RecordText());
        sink.End(judge.TotalMetres(), counts);
        return { judge.TotalMetres(), counts };
    }

    // The stages between the filter and the sink, the last first; what the sink is told at the
    // end is the result.
    const TCleaning& cleaning = options.Cleaning;
    TEndRecorder recorder(sink);
    TTrackSink* next = &recorder;
    std::optional<TSimplifyStage> simplify;
    if (cleaning.SimplifyM > 0)
        next = &simplify.emplace(cleaning.SimplifyM, *next);
    std::optional<TPrivacyStage> privacy;
    if (cleaning.PrivacyM > 0)
        next = &privacy.emplace(cleaning.PrivacyM, cleaning.ScratchFolder, *next);
    next->Begin(start.Rec, start.Utc, start.Point);
    next->FirstRecordAt(start.Line);
    TCleaningJudge judge(options, start.Rec, start.Utc, start.Point, start.Line, *next, counts);
    StreamRestOf(reader, options, start, judge);
    next->End(judge.TotalMetres(), counts);
    return recorder.Result();
}

} // namespace ostrel
