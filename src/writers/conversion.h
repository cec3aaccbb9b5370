#pragma once

// The conversion of one log into one output file, and the default output names.

#include "core/settings.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ostrel {

enum class TOutputKind
{
    Nmea,
    Kml,
};

// What one finished conversion reports.
struct TConversionResult
{
    double TotalMetres = 0.0; // length of the kept track (metres)
    std::string LengthMessage; // "The passway length = 12.35 km"
};

// "The passway length = " + km with 2 decimals (at most 6 significant digits) + " km".
std::string LengthMessage(double totalMetres, const TSeparators& separators = {});

// The writer for an output path: KML for the extension ".kml" in any letter case, NMEA for any
// other.
TOutputKind OutputKindOf(const std::filesystem::path& output);

class TOutputFile;

// A finished conversion whose output still waits under its temporary name. Batches that convert
// files side by side use it to put the outputs in place in list order; dropping it without
// Commit removes the temporary file.
class TPendingOutput
{
public:
    explicit TPendingOutput(std::unique_ptr<TOutputFile> file, TConversionResult result);
    TPendingOutput(TPendingOutput&&) noexcept;
    TPendingOutput& operator=(TPendingOutput&&) noexcept;
    ~TPendingOutput();

    const TConversionResult& Result() const { return result_; }
    // Moves the output over its destination; returns the result.
    TConversionResult Commit();

private:
    std::unique_ptr<TOutputFile> file_;
    TConversionResult result_;
};

// Converts one log without putting the output in place; nothing when nothing exists at the
// input path. Errors as ProcFile.
std::optional<TPendingOutput> ConvertFile(const std::filesystem::path& input,
    const std::filesystem::path& output, const TConvertSettings& settings);

// Converts one log. Nothing happens (and nothing is returned) when nothing exists at the input
// path. The output is written under a temporary name beside it and moved into place only when it
// is complete: after an error no partial file is left and an earlier file at the output path is
// unchanged. An output path that names the input file itself is refused with the same-file error.
std::optional<TConversionResult> ProcFile(const std::filesystem::path& input,
    const std::filesystem::path& output, const TConvertSettings& settings);

// The date-time of the log's first record as "YYYYMMDDHHNNSS" (the log's own time, no time zone).
std::string FirstRecordStamp(const std::filesystem::path& input, int currentYear);

// Whether a name is taken: by default, whether a file exists under it. A batch that decides its
// names ahead of its conversions also counts the names it has already handed out.
using TNameTaken = std::function<bool(const std::filesystem::path&)>;

// The default output path beside the input: "WG" + stamp + ".log" or ".kml", or with "_1",
// "_2", ... before the extension, the first name with the extension to be written that is not
// taken, so that a default name never replaces an earlier output.
std::filesystem::path MakeOutputName(const std::filesystem::path& input, TOutputKind kind,
    int currentYear, const TNameTaken& taken = {});

} // namespace ostrel
