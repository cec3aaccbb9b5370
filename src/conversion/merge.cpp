#include "conversion/merge.h"

#include "core/errors.h"
#include "core/file_io.h"
#include "geo/track_statistics.h"
#include "log/log_reader.h"

#include <algorithm>
#include <memory>
#include <numeric>

namespace fs = std::filesystem;

namespace ostrel {

namespace {

// A log's name in messages, as it was given.
std::string NameOf(const fs::path& path)
{
    return ShownText(Utf8FromPath(path));
}

// One log of the merge into the shared writer: the first log begins the document, each later one
// follows the one before (TTrackWriter::NextLog); the document ends after the last log.
class TMergedLog final : public TTrackSink
{
public:
    TMergedLog(TTrackWriter& writer, bool first)
        : writer_(writer)
        , first_(first)
    {
    }
    void Begin(const TGPSRec& rec, double utc, const TPlanePoint& point) override
    {
        if (first_)
            writer_.Begin(rec, utc, point);
        else
            writer_.NextLog(rec, utc, point);
        lastUtc_ = utc;
    }
    void Fix(const TTrackFix& fix) override
    {
        writer_.Fix(fix);
        lastUtc_ = std::max(lastUtc_, fix.UtcDateTime);
    }
    void FirstRecordAt(std::uint64_t line) override { writer_.FirstRecordAt(line); }
    void Dropped(const TTrackDrop& drop) override { writer_.Dropped(drop); }
    void End(double, const TTrackCounts&) override { }

    // The latest of the first record and the kept fixes (UTC day count).
    double LastUtc() const { return lastUtc_; }

private:
    TTrackWriter& writer_;
    const bool first_;
    double lastUtc_ = 0.0;
};

void Add(TTrackCounts& sum, const TTrackCounts& counts)
{
    sum.Records += counts.Records;
    sum.Kept += counts.Kept;
    for (std::size_t i = 0; i < sum.Dropped.size(); ++i)
        sum.Dropped[i] += counts.Dropped[i];
    sum.Simplified += counts.Simplified;
    sum.OtherLines += counts.OtherLines;
}

// The numbers of two tracks one after the other: from the start of the first to the end of the
// second, the gap between them standing still.
void Add(TTrackStatistics& sum, const TTrackStatistics& later)
{
    sum.EndUtc = later.EndUtc;
    sum.MovingDays += later.MovingDays;
    sum.MovingMetres += later.MovingMetres;
    sum.MaxSpeedKmh = std::max(sum.MaxSpeedKmh, later.MaxSpeedKmh);
    sum.Segments += later.Segments;
    sum.MinLat = std::min(sum.MinLat, later.MinLat);
    sum.MaxLat = std::max(sum.MaxLat, later.MaxLat);
    sum.MinLon = std::min(sum.MinLon, later.MinLon);
    sum.MaxLon = std::max(sum.MaxLon, later.MaxLon);
}

} // namespace

bool MergeLogs(const TMergeRequest& request, const TMergeReport& report)
{
    const std::vector<fs::path>& inputs = request.Inputs;
    std::optional<std::size_t> at; // the log being read, for a failure
    std::vector<std::size_t> order(inputs.size());
    TConversionResult result;
    try {
        // The first records alone, to order the logs.
        std::vector<double> firstUtc(inputs.size());
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            at = i;
            firstUtc[i] = FirstRecordTime(inputs[i], request.Settings.CurrentYear);
        }
        std::iota(order.begin(), order.end(), std::size_t { 0 });
        std::stable_sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return firstUtc[a] < firstUtc[b]; });

        if (request.Placement == TPlacement::Replace) {
            for (std::size_t i = 0; i < inputs.size(); ++i) {
                at = i;
                if (inputs[i] == request.Output || IsSameFile(inputs[i], request.Output))
                    throw SameFile();
            }
        }
        at.reset();
        TOutputFile file(request.Output, request.Placement);
        const TOutputFormat& format
            = request.Format ? *request.Format : FormatOfPath(request.Output);
        const std::unique_ptr<TTrackWriter> writer = format.MakeWriter(file, request.Settings);
        TTrackOptions options = TrackOptionsOf(request.Settings, format.LocalTime);
        options.Cleaning.ScratchFolder = file.Folder();

        double lastUtc = 0.0;
        for (std::size_t k = 0; k < order.size(); ++k) {
            at = order[k];
            const fs::path& input = inputs[order[k]];
            if (k > 0 && firstUtc[order[k]] < lastUtc)
                throw LogsOverlap(NameOf(inputs[order[k - 1]]), NameOf(input));
            TLogReader reader(input);
            TMergedLog log(*writer, k == 0);
            TStatisticsSink statistics;
            TSinkPair<TMergedLog, TStatisticsSink> sinks(log, statistics);
            const TTrackResult track = StreamTrack(reader, options, sinks);
            lastUtc = log.LastUtc();
            result.TotalMetres += track.TotalMetres;
            Add(result.Counts, track.Counts);
            if (k == 0)
                result.Statistics = statistics.Statistics();
            else
                Add(result.Statistics, statistics.Statistics());
        }
        at.reset();
        writer->End(result.TotalMetres, result.Counts);
        result.LengthMessage = LengthMessage(result.TotalMetres, request.Settings.Separators);
        result.Cleaned = true;
        result.Parts = inputs.size();
        result.Output = file.Commit();
    } catch (...) {
        report.Failed(at, std::current_exception());
        return false;
    }
    report.Converted(order, result);
    return true;
}

} // namespace ostrel
