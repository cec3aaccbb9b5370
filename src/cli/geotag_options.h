#pragma once

// The options of ostrel-geotag and their parser: rows of one table, the track's own shared with
// ostrel-convert. The parser, --help, and the manual page's option list and the bash completion
// (made at build time) read it.

#include "cli/options.h"
#include "core/time_zones.h"
#include "photos/geotag.h"

#include <optional>
#include <string>
#include <vector>

namespace ostrel::cli {

inline constexpr const char* kGeotagProgramName = "ostrel-geotag";

struct TGeotagCommandLine
{
    TCommandAction Action = TCommandAction::Convert;
    std::vector<std::string> Logs; // -l, UTF-8, as given
    std::vector<std::string> Photos; // the PHOTO and FOLDER arguments, UTF-8, as given
    // The track's settings as a conversion takes them; the time zone is that of --from and --to
    // and the camera's unless --camera-zone says otherwise.
    TConvertSettings Settings;
    std::optional<TTimeZone> CameraZone;
    double CameraAheadSeconds = 0.0; // --camera-offset (s)
    std::int32_t MaxGapMinutes = 5;
    TPhotoWrite Write = TPhotoWrite::Sidecar;
    TSidecarName SidecarName = TSidecarName::Full;
    bool Overwrite = false;
    bool KeepTime = false;
    bool DryRun = false;
    bool KeepGoing = false;
    bool Json = false;
    std::optional<TLanguage> Language;

    // The options of the photos' geotagging: the camera's zone resolved.
    TGeotagOptions GeotagOptions() const;
};

// Parses the arguments after the program name; --help and --version end the parsing where they
// stand. Throws UsageError.
TGeotagCommandLine ParseGeotagCommandLine(const std::vector<std::string>& args);

// Every option of ostrel-geotag in the order of --help, each once.
const std::vector<TOptionEntry>& GeotagCommandLineOptions();

std::string GeotagUsageLine();
std::string GeotagHelpText();

} // namespace ostrel::cli
