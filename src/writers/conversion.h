#pragma once

// The conversion of one log into one output file, and the default output names.

#include <filesystem>
#include <optional>
#include <string>

#include "core/settings.h"

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

// Converts one log. Nothing happens (and nothing is returned) when nothing exists at the input
// path. The output is written under a temporary name beside it and moved into place only when it
// is complete: after an error no partial file is left and an earlier file at the output path is
// unchanged. An output path that names the input file itself is refused with the same-file error.
std::optional<TConversionResult> ProcFile(const std::filesystem::path& input,
    const std::filesystem::path& output, const TConvertSettings& settings);

// The date-time of the log's first record as "YYYYMMDDHHNNSS" (the log's own time, no time zone).
std::string FirstRecordStamp(const std::filesystem::path& input, int currentYear);

// The default output path beside the input: "WG" + stamp + ".log" or ".kml", or with "_1",
// "_2", ... before the extension, the first that names no existing file.
std::filesystem::path MakeOutputName(const std::filesystem::path& input, TOutputKind kind, int currentYear);

} // namespace ostrel
