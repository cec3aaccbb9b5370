#include "conversion/split_day.h"

#include "core/errors.h"
#include "geo/track_statistics.h"
#include "text/date_text.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <utility>

namespace fs = std::filesystem;

namespace ostrel {

namespace {

// Hands the track on to the output of its day. A new day begins at the first kept fix of a later
// local day than the current output's (times that run back stay where they are); until the first
// output has a kept fix, it takes the day of whatever comes.
class TDaySplit final : public TTrackSink
{
public:
    // refuse(path) throws for a day's path that must not be written.
    TDaySplit(fs::path output, TPlacement placement, const TOutputFormat& format,
        const TConvertSettings& settings, std::function<void(const fs::path&)> refuse)
        : output_(std::move(output))
        , placement_(placement)
        , format_(format)
        , settings_(settings)
        , shiftDays_(TimeShiftDays(settings))
        , refuse_(std::move(refuse))
    {
        if (placement_ == TPlacement::StandardOutput)
            throw std::invalid_argument("a log split by day has no standard output");
        Open(PathOfDay(0, 0.0));
    }

    // The folder of the first day's output, for the scratch files of the track's stages.
    const fs::path& Folder() const { return part_.File->Folder(); }

    void Begin(const TGPSRec& first, double utc, const TPlanePoint& point) override
    {
        part_.Day = LocalDay(utc);
        part_.Counts.Records = 1;
        part_.FirstLine = 1;
        part_.Writer->Begin(first, utc, point);
        part_.Statistics.Begin(first, utc, point);
    }

    void FirstRecordAt(std::uint64_t line) override { part_.Writer->FirstRecordAt(line); }

    void Fix(const TTrackFix& fix) override
    {
        const std::int64_t day = LocalDay(fix.UtcDateTime);
        if (day > part_.Day) {
            if (part_.Counts.Kept > 0) {
                EndDay(fix.Line);
                Open(PathOfDay(done_.size(), fix.UtcDateTime));
                part_.Later = true;
                part_.FirstLine = fix.Line;
                part_.Writer->Begin(fix.Rec, fix.UtcDateTime, fix.Point);
                part_.Writer->FirstRecordAt(fix.Line);
                part_.Statistics.Begin(fix.Rec, fix.UtcDateTime, fix.Point);
            }
            part_.Day = day;
        }
        ++part_.Counts.Records;
        ++part_.Counts.Kept;
        // A later day's route starts with it: nothing measured from the day before.
        const bool measured = !part_.Later || part_.Routed;
        TKeptFix kept = fix.Kept;
        if (!measured)
            kept.DistanceM = 0.0;
        double total = part_.TotalMetres + kept.DistanceM;
        if (fix.InRoute) {
            part_.TotalMetres = total;
            part_.Routed = true;
        } else {
            ++part_.Counts.Simplified;
        }
        const TTrackFix told { fix.Rec, fix.UtcDateTime, fix.Point, kept, total, fix.Line,
            fix.StartsSegment, fix.InRoute };
        part_.Writer->Fix(told);
        part_.Statistics.Fix(told);
    }

    void Dropped(const TTrackDrop& drop) override
    {
        if (!drop.FirstRecord)
            ++part_.Counts.Records;
        ++part_.Counts.DroppedBy(drop.Cause);
        part_.Writer->Dropped(drop);
        part_.Statistics.Dropped(drop);
    }

    void End(double, const TTrackCounts& counts) override
    {
        lines_ = counts.Records + counts.OtherLines;
        otherLines_ = counts.OtherLines;
        EndDay(lines_ + 1);
    }

    // The days' outputs, each result counting the days.
    std::vector<TPendingOutput> TakeOutputs()
    {
        std::vector<TPendingOutput> outputs;
        outputs.reserve(done_.size());
        for (TDone& day : done_) {
            day.Result.Parts = done_.size();
            outputs.emplace_back(std::move(day.File), std::move(day.Result));
        }
        done_.clear();
        return outputs;
    }

private:
    // What is written for the current day.
    struct TPart
    {
        std::unique_ptr<TOutputFile> File;
        std::unique_ptr<TTrackWriter> Writer; // writes to File
        TStatisticsSink Statistics;
        TTrackCounts Counts;
        std::int64_t Day = 0; // local day count
        std::uint64_t FirstLine = 1; // where its lines start in the log
        bool Later = false; // a day after the first, begun at a kept fix
        bool Routed = false; // a fix of its route was told
        double TotalMetres = 0.0; // its route's length (metres)
    };
    struct TDone
    {
        std::unique_ptr<TOutputFile> File;
        TConversionResult Result;
    };

    std::int64_t LocalDay(double utc) const { return SplitDateTime(utc + shiftDays_).Day; }

    // The path of the index-th day (from 0), which begins at utc.
    fs::path PathOfDay(std::size_t index, double utc) const
    {
        if (placement_ == TPlacement::Replace)
            return AlternativeName(output_, static_cast<unsigned>(index + 1));
        if (index == 0)
            return output_;
        return output_.parent_path() / fs::path(DefaultName(utc, format_));
    }

    void Open(const fs::path& path)
    {
        refuse_(path);
        TPart part;
        part.File = std::make_unique<TOutputFile>(path, placement_);
        part.Writer = format_.MakeWriter(*part.File, settings_);
        part_ = std::move(part);
    }

    // Ends the current day, whose lines run up to the line before nextLine.
    void EndDay(std::uint64_t nextLine)
    {
        TTrackCounts& counts = part_.Counts;
        // The lines that are not records fall to the day whose lines they stand among; the last
        // day takes what the others left, so that the days add up to the log.
        if (nextLine > lines_) {
            counts.OtherLines = otherLines_ > otherLinesTold_ ? otherLines_ - otherLinesTold_ : 0;
        } else {
            const std::uint64_t span = nextLine - part_.FirstLine;
            counts.OtherLines = span > counts.Records ? span - counts.Records : 0;
            otherLinesTold_ += counts.OtherLines;
        }
        part_.Writer->End(part_.TotalMetres, counts);
        part_.Statistics.End(part_.TotalMetres, counts);
        part_.Writer.reset();
        part_.File->Finish();
        TConversionResult result { part_.TotalMetres,
            LengthMessage(part_.TotalMetres, settings_.Separators), {}, counts,
            part_.Statistics.Statistics(), true };
        done_.push_back({ std::move(part_.File), std::move(result) });
    }

    const fs::path output_;
    const TPlacement placement_;
    const TOutputFormat& format_;
    const TConvertSettings& settings_;
    const double shiftDays_;
    std::function<void(const fs::path&)> refuse_;
    TPart part_;
    std::vector<TDone> done_;
    std::uint64_t lines_ = UINT64_MAX; // the log's, once known at its end
    std::uint64_t otherLines_ = 0;
    std::uint64_t otherLinesTold_ = 0; // given to the days ended so far
};

std::vector<TPendingOutput> SplitByDay(TLogReader& reader, const fs::path& output,
    const TConvertSettings& settings, TPlacement placement, const TOutputFormat& format,
    TTrackProgress* progress, std::function<void(const fs::path&)> refuse)
{
    TDaySplit split(output, placement, format, settings, std::move(refuse));
    TTrackOptions options = TrackOptionsOf(settings, format.LocalTime, progress);
    options.Cleaning.ScratchFolder = split.Folder();
    StreamTrack(reader, options, split);
    return split.TakeOutputs();
}

} // namespace

std::vector<TPendingOutput> ConvertFileByDay(const fs::path& input, const fs::path& output,
    const TConvertSettings& settings, TPlacement placement, const TOutputFormat* format,
    TTrackProgress* progress)
{
    // Opened first: a log that is gone is its file error, whatever the output path.
    TLogReader reader(input);
    // A default name replaces nothing, the input included.
    const auto refuse = [&](const fs::path& path) {
        if (placement == TPlacement::Replace && (input == path || IsSameFile(input, path)))
            throw SameFile();
    };
    return SplitByDay(reader, output, settings, placement, format ? *format : FormatOfPath(output),
        progress, refuse);
}

std::vector<TPendingOutput> ConvertLogByDay(TLogReader& reader, const fs::path& output,
    const TConvertSettings& settings, TPlacement placement, const TOutputFormat& format,
    TTrackProgress* progress)
{
    const auto refuse = [&](const fs::path& path) {
        if (placement == TPlacement::Replace && IsStandardInput(path))
            throw SameFile();
    };
    return SplitByDay(reader, output, settings, placement, format, progress, refuse);
}

} // namespace ostrel
