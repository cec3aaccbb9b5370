#include "writers/conversion.h"

#include "core/errors.h"
#include "core/file_io.h"
#include "log/log_reader.h"
#include "writers/date_text.h"
#include "writers/kml_writer.h"
#include "writers/nmea_writer.h"
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

TOutputKind OutputKindOf(const fs::path& output)
{
    // The extension is the text from the last "." of the file name on, in any letter case.
    const auto name = output.filename().native();
    if (name.size() < 4)
        return TOutputKind::Nmea;
    const char kml[] = ".kml";
    for (std::size_t i = 0; i < 4; ++i) {
        auto c = name[name.size() - 4 + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<decltype(c)>(c - 'A' + 'a');
        if (c != static_cast<decltype(c)>(kml[i]))
            return TOutputKind::Nmea;
    }
    return TOutputKind::Kml;
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
    const TConvertSettings& settings, TPlacement placement)
{
    std::error_code ec;
    if (!fs::exists(input, ec))
        return std::nullopt;
    // Writing over the input would destroy the log, however its path is spelled. A default name
    // replaces nothing, the input included.
    if (placement == TPlacement::Replace && (input == output || IsSameFile(input, output)))
        throw SameFile();

    TLogReader reader(input);
    auto file = std::make_unique<TOutputFile>(output, placement);
    const double total = OutputKindOf(output) == TOutputKind::Kml
        ? MakeKml(reader, *file, settings)
        : WriteNmea(reader, *file, settings);
    TConversionResult result { total, LengthMessage(total, settings.Separators), {} };
    return TPendingOutput(std::move(file), std::move(result));
}

std::optional<TConversionResult> ProcFile(
    const fs::path& input, const fs::path& output, const TConvertSettings& settings)
{
    std::optional<TPendingOutput> pending = ConvertFile(input, output, settings);
    if (!pending)
        return std::nullopt;
    return pending->Commit();
}

std::optional<TConversionResult> ProcFileToDefaultName(const fs::path& input, TOutputKind kind,
    const TConvertSettings& settings, TNameCounters& counters)
{
    // A missing log fails here, when its name is made, with the file error.
    std::optional<TPendingOutput> pending = ConvertFile(
        input, DefaultOutputName(input, kind, settings.CurrentYear), settings, TPlacement::NewName);
    if (!pending)
        return std::nullopt;
    return pending->Commit(&counters);
}

std::string FirstRecordStamp(const fs::path& input, int currentYear)
{
    TGPSRec rec;
    {
        TLogReader reader(input);
        ParseLogLine(ReadFirstRecordLine(reader), rec, currentYear);
    }
    return FormatDateTime("YYYYMMDDHHNNSS", rec.DateTime);
}

fs::path DefaultOutputName(const fs::path& input, TOutputKind kind, int currentYear)
{
    const std::string name = "WG" + FirstRecordStamp(input, currentYear)
        + (kind == TOutputKind::Kml ? ".kml" : ".log");
#ifdef _WIN32
    // Ends in its separator, so "/" below adds none.
    return FolderAsSpelled(input) / name;
#else
    return input.parent_path() / name;
#endif
}

fs::path MakeOutputName(const fs::path& input, TOutputKind kind, int currentYear)
{
    const fs::path first = DefaultOutputName(input, kind, currentYear);
    fs::path name = first;
    for (unsigned n = 1; AnythingAt(name); ++n)
        name = AlternativeName(first, n);
    return name;
}

} // namespace ostrel
