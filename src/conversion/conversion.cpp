#include "conversion/conversion.h"

#include "core/errors.h"
#include "core/file_io.h"
#include "geo/track.h"
#include "log/log_reader.h"
#include "writers/date_text.h"
#include "writers/number_text.h"

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

std::optional<TPendingOutput> ConvertFile(const fs::path& input, const fs::path& output,
    const TConvertSettings& settings, TPlacement placement, const TOutputFormat* format,
    TTrackProgress* progress)
{
    std::error_code ec;
    if (!fs::exists(input, ec))
        return std::nullopt;
    // Writing over the input would destroy the log, however its path is spelled. A default name
    // replaces nothing, the input included.
    if (placement == TPlacement::Replace && (input == output || IsSameFile(input, output)))
        throw SameFile();

    TLogReader reader(input);
    return ConvertLog(
        reader, output, settings, placement, format ? *format : FormatOfPath(output), progress);
}

TPendingOutput ConvertLog(TLogReader& reader, const fs::path& output,
    const TConvertSettings& settings, TPlacement placement, const TOutputFormat& format,
    TTrackProgress* progress)
{
    auto file = std::make_unique<TOutputFile>(output, placement);
    const std::unique_ptr<TTrackSink> writer = format.MakeWriter(*file, settings);
    const TTrackResult track
        = StreamTrack(reader, TrackOptionsOf(settings, format.LocalTime, progress), *writer);
    TConversionResult result { track.TotalMetres,
        LengthMessage(track.TotalMetres, settings.Separators), {}, track.Counts, track.Statistics };
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
    return options;
}

std::optional<TConversionResult> ProcFile(const fs::path& input, const fs::path& output,
    const TConvertSettings& settings, TTrackProgress* progress)
{
    std::optional<TPendingOutput> pending
        = ConvertFile(input, output, settings, TPlacement::Replace, nullptr, progress);
    if (!pending)
        return std::nullopt;
    return pending->Commit();
}

std::optional<TConversionResult> ProcFileToDefaultName(const fs::path& input,
    const TOutputFormat& format, const TConvertSettings& settings, TNameCounters& counters,
    TTrackProgress* progress)
{
    // A missing log fails here, when its name is made, with the file error.
    std::optional<TPendingOutput> pending
        = ConvertFile(input, DefaultOutputName(input, format, settings.CurrentYear), settings,
            TPlacement::NewName, nullptr, progress);
    if (!pending)
        return std::nullopt;
    return pending->Commit(&counters);
}

std::string FirstRecordStamp(const fs::path& input, int currentYear)
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
    return FormatDateTime("YYYYMMDDHHNNSS", rec.DateTime);
}

fs::path DefaultOutputName(const fs::path& input, const TOutputFormat& format, int currentYear)
{
    const std::string name
        = "WG" + FirstRecordStamp(input, currentYear) + std::string(format.Extension);
#ifdef _WIN32
    // Ends in its separator, so "/" below adds none.
    return FolderAsSpelled(input) / name;
#else
    return input.parent_path() / name;
#endif
}

fs::path MakeOutputName(const fs::path& input, const TOutputFormat& format, int currentYear)
{
    const fs::path first = DefaultOutputName(input, format, currentYear);
    fs::path name = first;
    for (unsigned n = 1; AnythingAt(name); ++n)
        name = AlternativeName(first, n);
    return name;
}

} // namespace ostrel
