#include "conversion/conversion.h"

#include "core/errors.h"
#include "core/file_io.h"
#include "geo/track.h"
#include "log/log_reader.h"
#include "text/date_text.h"
#include "text/number_text.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace ostrel {

namespace {

// Anything at the path counts, a dangling link included: a default name must not replace it.
bool AnythingAt(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

#ifdef _WIN32
// The folder of an input as it is spelled: its text up to and including the last separator. A
// slash and a backslash both separate, and a drive colon counts as one ("C:a.log" lies in the
// drive's current folder), so a default name keeps the drive and separators it was given.
fs::path FolderAsSpelled(const fs::path& input)
{
    const std::wstring& text = input.native();
    const std::size_t last = text.find_last_of(L"\\/");
    if (last != std::wstring::npos)
        return fs::path(text.substr(0, last + 1));
    if (text.size() >= 2 && text[1] == L':')
        return fs::path(text.substr(0, 2));
    return fs::path();
}
#endif

} // namespace

std::string LengthMessage(double totalMetres, const TSeparators& separators)
{
    return "The passway length = " + FormatFixed(totalMetres / 1000, 6, 2, separators.Decimal)
        + " km";
}

TPendingOutput::TPendingOutput(std::unique_ptr<TOutputFile> file, TConversionResult result)
    : file_(std::move(file))
    , result_(std::move(result))
{
}

TPendingOutput::TPendingOutput(TPendingOutput&&) noexcept = default;
TPendingOutput& TPendingOutput::operator=(TPendingOutput&&) noexcept = default;
TPendingOutput::~TPendingOutput() = default;

TConversionResult TPendingOutput::Commit(TNameCounters* counters)
{
    result_.Output = file_->Commit(counters);
    file_.reset();
    return result_;
}

TPendingOutput ConvertFile(const fs::path& input, const fs::path& output,
    const TConvertSettings& settings, TPlacement placement, const TOutputFormat* format,
    TTrackProgress* progress)
{
    // Opened first: a log that is gone is its file error, whatever the output path.
    TLogReader reader(input);
    // Writing over the input would destroy the log, however its path is spelled. A default name
    // replaces nothing, the input included.
    if (placement == TPlacement::Replace && (input == output || IsSameFile(input, output)))
        throw SameFile();
    return ConvertLog(
        reader, output, settings, placement, format ? *format : FormatOfPath(output), progress);
}

TPendingOutput ConvertLog(TLogReader& reader, const fs::path& output,
    const TConvertSettings& settings, TPlacement placement, const TOutputFormat& format,
    TTrackProgress* progress)
{
    auto file = std::make_unique<TOutputFile>(output, placement);
    const std::unique_ptr<TTrackSink> writer = format.MakeWriter(*file, settings);
    TStatisticsSink statistics;
    TSinkPair<TTrackSink, TStatisticsSink> sinks(*writer, statistics);
    TTrackOptions options = TrackOptionsOf(settings, format.LocalTime, progress);
    options.Cleaning.ScratchFolder = file->Folder();
    const TTrackResult track = StreamTrack(reader, options, sinks);
    TConversionResult result { track.TotalMetres,
        LengthMessage(track.TotalMetres, settings.Separators), {}, track.Counts,
        statistics.Statistics(), options.Cleaning.Any() };
    return TPendingOutput(std::move(file), std::move(result));
}

TTrackOptions TrackOptionsOf(
    const TConvertSettings& settings, bool localTime, TTrackProgress* progress)
{
    TTrackOptions options;
    options.SpeedLimitKmh = settings.SpeedLimitKmh;
    options.OriginIndex = settings.OriginIndex;
    options.TimeShiftDays = localTime ? TimeShiftDays(settings) : 0.0;
    options.CurrentYear = settings.CurrentYear;
    options.Progress = progress;
    options.Threads = LogThreads(settings);
    options.BlockLines = std::max<std::size_t>(settings.TrackBlockLines, 1);
    options.ThreadsFromLines = settings.ThreadsFromLines;
    TCleaning& cleaning = options.Cleaning;
    cleaning.Robust = settings.RobustFilter;
    cleaning.RunLength = static_cast<unsigned>(std::max(settings.RobustRun, 1));
    cleaning.MinMoveM = settings.MinMoveM;
    cleaning.From = settings.FromLocal;
    cleaning.To = settings.ToLocal;
    cleaning.ZoneShiftDays = TimeShiftDays(settings);
    cleaning.SplitGapDays = settings.SplitGapMin / 1440.0;
    cleaning.PrivacyM = settings.PrivacyM;
    cleaning.SimplifyM = settings.SimplifyM;
    return options;
}

TConversionResult ProcFile(const fs::path& input, const fs::path& output,
    const TConvertSettings& settings, TTrackProgress* progress)
{
    return ConvertFile(input, output, settings, TPlacement::Replace, nullptr, progress).Commit();
}

TConversionResult ProcFileToDefaultName(const fs::path& input, const TOutputFormat& format,
    const TConvertSettings& settings, TNameCounters& counters, TTrackProgress* progress)
{
    // A missing log fails here, when its name is made, with the file error.
    return ConvertFile(input, DefaultOutputName(input, format, settings.CurrentYear), settings,
        TPlacement::NewName, nullptr, progress)
        .Commit(&counters);
}

TConversionResult ProcFileToProposedName(const fs::path& input, const TProposedName& proposal,
    const TConvertSettings& settings, TTrackProgress* progress)
{
    // The search for a free name starts at the proposal's own alternative.
    TNameCounters counters;
    if (proposal.Alternative > 0)
        counters.Taken(proposal.Base, proposal.Alternative - 1);
    return ConvertFile(input, proposal.Base, settings, TPlacement::NewName, nullptr, progress)
        .Commit(&counters);
}

double FirstRecordTime(const fs::path& input, int currentYear)
{
    TGPSRec rec;
    {
        TLogReader reader(input);
        std::uint64_t lineNumber = 0;
        const std::string_view line = ReadFirstRecordLine(reader, &lineNumber);
        try {
            ParseLogLine(line, rec, currentYear);
        } catch (ConvertError& error) {
            // A record that does not convert is named by its line.
            if (IsRecordLine(line))
                error.SetLine(lineNumber);
            throw;
        }
    }
    return rec.DateTime;
}

std::string FirstRecordStamp(const fs::path& input, int currentYear)
{
    return FormatDateTime("YYYYMMDDHHNNSS", FirstRecordTime(input, currentYear));
}

std::string DefaultName(double dateTime, const TOutputFormat& format)
{
    return "WG" + FormatDateTime("YYYYMMDDHHNNSS", dateTime) + std::string(format.Extension);
}

fs::path DefaultOutputName(const fs::path& input, const TOutputFormat& format, int currentYear)
{
    const std::string name = DefaultName(FirstRecordTime(input, currentYear), format);
#ifdef _WIN32
    // Ends in its separator, so "/" below adds none.
    return FolderAsSpelled(input) / name;
#else
    return input.parent_path() / name;
#endif
}

TProposedName ProposeOutputName(const fs::path& input, const TOutputFormat& format, int currentYear)
{
    TProposedName proposal { DefaultOutputName(input, format, currentYear) };
    while (AnythingAt(proposal.Path()))
        ++proposal.Alternative;
    return proposal;
}

fs::path MakeOutputName(const fs::path& input, const TOutputFormat& format, int currentYear)
{
    return ProposeOutputName(input, format, currentYear).Path();
}

} // namespace ostrel
