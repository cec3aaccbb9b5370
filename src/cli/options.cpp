#include "cli/options.h"

#include "core/number_input.h"
#include "geo/projection.h"
#include "geo/travel_modes.h"
#include "text/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

namespace ostrel::cli {

namespace {

enum class TOptionId
{
    Output,
    Type,
    Mode,
    MaxSpeed,
    Origin,
    TimeZone,
    NoWaypoints,
    Interval,
    Opacity,
    Color,
    Jobs,
    KeepGoing,
    OutputDir,
    Summary,
    Json,
    KmlVersion,
    Language,
    Help,
    Version,
};

struct TOption
{
    TOptionId Id;
    char Short; // '\0' when the option has only its long name
    std::string_view Long;
    bool TakesValue;
};

constexpr std::array<TOption, 19> kOptions = { {
    { TOptionId::Output, 'o', "output", true },
    { TOptionId::Type, 't', "type", true },
    { TOptionId::Mode, 'm', "mode", true },
    { TOptionId::MaxSpeed, 's', "max-speed", true },
    { TOptionId::Origin, 'g', "origin", true },
    { TOptionId::TimeZone, 'z', "time-zone", true },
    { TOptionId::NoWaypoints, '\0', "no-waypoints", false },
    { TOptionId::Interval, 'i', "interval", true },
    { TOptionId::Opacity, '\0', "opacity", true },
    { TOptionId::Color, '\0', "color", true },
    { TOptionId::Jobs, 'j', "jobs", true },
    { TOptionId::KeepGoing, 'k', "keep-going", false },
    { TOptionId::OutputDir, 'd', "output-dir", true },
    { TOptionId::Summary, '\0', "summary", false },
    { TOptionId::Json, '\0', "json", false },
    { TOptionId::KmlVersion, '\0', "kml-version", true },
    { TOptionId::Language, '\0', "lang", true },
    { TOptionId::Help, 'h', "help", false },
    { TOptionId::Version, 'V', "version", false },
} };

// Time zones of the world run from 12 hours behind to 14 hours ahead of UTC.
constexpr long long kMinTimeZone = -12;
constexpr long long kMaxTimeZone = 14;

const TOption* FindLong(std::string_view name)
{
    for (const TOption& option : kOptions) {
        if (option.Long == name)
            return &option;
    }
    return nullptr;
}

const TOption* FindShort(char letter)
{
    for (const TOption& option : kOptions) {
        if (option.Short != '\0' && option.Short == letter)
            return &option;
    }
    return nullptr;
}

std::string OptionName(const TOption& option)
{
    return "--" + std::string(option.Long);
}

[[noreturn]] void BadValue(const TOption& option, std::string_view value, std::string_view why)
{
    throw UsageError("invalid value '" + std::string(value) + "' for " + OptionName(option) + ": "
        + std::string(why));
}

long long IntegerIn(
    const TOption& option, std::string_view value, long long lowest, long long highest)
{
    const std::optional<long long> number = ParseWholeNumber(value);
    if (!number)
        BadValue(option, value, "not a whole number");
    if (*number < lowest || *number > highest) {
        BadValue(
            option, value, "must be " + std::to_string(lowest) + ".." + std::to_string(highest));
    }
    return *number;
}

// The names of a table's rows as a choice: "walk, jog, bicycle or car".
template <class Rows> std::string Choices(const Rows& rows)
{
    std::string text;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            text += i + 1 == rows.size() ? " or " : ", ";
        text += rows[i].Name;
    }
    return text;
}

struct TParseState
{
    TCommandLine Line;
    std::optional<double> ModeKmh;
    std::optional<double> CustomKmh;
};

void Apply(TParseState& state, const TOption& option, std::string_view value)
{
    TConvertSettings& settings = state.Line.Settings;
    switch (option.Id) {
    case TOptionId::Output:
        if (value.empty())
            BadValue(option, value, "empty path");
        state.Line.Output = std::string(value);
        break;
    case TOptionId::Type:
        state.Line.Format = FormatNamed(value);
        if (!state.Line.Format)
            BadValue(option, value, "choose " + Choices(OutputFormats()));
        break;
    case TOptionId::Mode: {
        const TTravelMode* mode = TravelModeNamed(value);
        if (!mode)
            BadValue(option, value, "choose " + Choices(TravelModes()));
        state.ModeKmh = mode->LimitKmh;
        break;
    }
    case TOptionId::MaxSpeed:
        state.CustomKmh = ParseFiniteNumber(value);
        if (!state.CustomKmh)
            BadValue(option, value, "not a finite number");
        break;
    case TOptionId::Origin:
        settings.OriginIndex = static_cast<int>(IntegerIn(option, value, 0, kZoneCount));
        break;
    case TOptionId::TimeZone: {
        const auto zone = ParseTimeZone(value);
        if (!zone)
            BadValue(option, value, "must be hours -12..14, or hours:minutes such as +5:30");
        settings.TimeZoneHours = zone->first;
        settings.TimeZoneMinutes = zone->second;
        break;
    }
    case TOptionId::NoWaypoints:
        settings.WayPoints = false;
        break;
    case TOptionId::Interval:
        settings.WaypointIntervalMin = static_cast<std::int32_t>(
            IntegerIn(option, value, 1, std::numeric_limits<std::int32_t>::max()));
        break;
    case TOptionId::Opacity:
        settings.OpacityPercent
            = static_cast<int>(IntegerIn(option, value, kMinOpacityPercent, kMaxOpacityPercent));
        break;
    case TOptionId::Color: {
        const std::optional<std::uint32_t> color = ParseColor(value);
        if (!color)
            BadValue(option, value, "not a colour RRGGBB");
        settings.WaypointColor = *color;
        break;
    }
    case TOptionId::Jobs:
        state.Line.Jobs = static_cast<unsigned>(
            IntegerIn(option, value, 1, std::numeric_limits<std::int32_t>::max()));
        break;
    case TOptionId::KeepGoing:
        state.Line.KeepGoing = true;
        break;
    case TOptionId::OutputDir:
        if (value.empty())
            BadValue(option, value, "empty path");
        state.Line.OutputDir = std::string(value);
        break;
    case TOptionId::Summary:
        state.Line.Summary = true;
        break;
    case TOptionId::Json:
        state.Line.Json = true;
        break;
    case TOptionId::KmlVersion:
        if (value == "2.1")
            settings.KmlVersion = 21;
        else if (value == "2.2")
            settings.KmlVersion = 22;
        else
            BadValue(option, value, "choose 2.1 or 2.2");
        break;
    case TOptionId::Language:
        state.Line.Language = LanguageNamed(value);
        if (!state.Line.Language)
            BadValue(option, value, "choose ja or en");
        break;
    case TOptionId::Help:
        state.Line.Action = TCommandAction::Help;
        break;
    case TOptionId::Version:
        state.Line.Action = TCommandAction::Version;
        break;
    }
}

} // namespace

std::optional<std::pair<std::int32_t, std::int32_t>> ParseTimeZone(std::string_view text)
{
    const std::size_t colon = text.find(':');
    const std::optional<long long> hours = ParseWholeNumber(text.substr(0, colon));
    if (!hours)
        return std::nullopt;
    long long minutes = 0;
    if (colon != std::string_view::npos) {
        // Exactly two digits after the colon, 00..59.
        const std::string_view after = text.substr(colon + 1);
        const std::optional<long long> m = ParseWholeNumber(after);
        if (after.size() != 2 || after[0] < '0' || after[0] > '9' || !m || *m > 59)
            return std::nullopt;
        minutes = text.front() == '-' ? -*m : *m;
    }
    const long long total = *hours * 60 + minutes;
    if (total < kMinTimeZone * 60 || total > kMaxTimeZone * 60)
        return std::nullopt;
    return std::make_pair(static_cast<std::int32_t>(*hours), static_cast<std::int32_t>(minutes));
}

std::optional<std::uint32_t> ParseColor(std::string_view text)
{
    if (!text.empty() && text[0] == '#')
        text.remove_prefix(1);
    if (text.size() != 6)
        return std::nullopt;
    // Hexadecimal digits only: from_chars takes no sign, blank or "0x" into an unsigned value.
    std::uint32_t rgb = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rgb, 16);
    if (error != std::errc {} || end != text.data() + text.size())
        return std::nullopt;
    const std::uint32_t red = rgb >> 16 & 0xFF;
    const std::uint32_t green = rgb >> 8 & 0xFF;
    const std::uint32_t blue = rgb & 0xFF;
    return blue << 16 | green << 8 | red;
}

TCommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    TParseState state;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            state.Line.Logs.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }

        const TOption* option = nullptr;
        std::optional<std::string_view> value;
        if (arg[1] == '-') {
            const std::string_view body = arg.substr(2);
            const std::size_t equals = body.find('=');
            option = FindLong(body.substr(0, equals));
            if (!option)
                throw UsageError("unknown option '--" + std::string(body.substr(0, equals)) + "'");
            if (equals != std::string_view::npos) {
                if (!option->TakesValue)
                    throw UsageError("option '" + OptionName(*option) + "' takes no value");
                value = body.substr(equals + 1);
            }
        } else {
            option = FindShort(arg[1]);
            if (!option)
                throw UsageError("unknown option '" + std::string(arg.substr(0, 2)) + "'");
            if (arg.size() > 2) {
                if (!option->TakesValue)
                    throw UsageError("unknown option '" + std::string(arg) + "'");
                value = arg.substr(2);
            }
        }

        // The next argument is the value whatever it looks like, so that "-s -5" works.
        if (option->TakesValue && !value) {
            if (i + 1 >= args.size())
                throw UsageError("option '" + OptionName(*option) + "' needs a value");
            value = args[++i];
        }
        Apply(state, *option, value.value_or(std::string_view()));
        if (state.Line.Action != TCommandAction::Convert)
            return state.Line;
    }

    if (state.Line.Logs.empty())
        throw UsageError("no LOG given");
    if (state.Line.Output && state.Line.Logs.size() > 1)
        throw UsageError("--output takes exactly one LOG");
    const bool readsStandardInput
        = std::find(state.Line.Logs.begin(), state.Line.Logs.end(), kStandardStream)
        != state.Line.Logs.end();
    if (readsStandardInput && !state.Line.Output)
        throw UsageError("standard input (-) has no default name: give the output with --output");
    if (state.Line.Output && state.Line.OutputDir)
        throw UsageError("--output-dir is for default names: not with --output");
    if (state.Line.Summary && state.Line.Json)
        throw UsageError("choose --summary or --json");
    // A custom limit overrides the mode wherever either stands on the line.
    state.Line.Settings.SpeedLimitKmh = state.CustomKmh.value_or(state.ModeKmh.value_or(10.0));
    return state.Line;
}

std::string UsageLine()
{
    return std::string("Usage: ") + kProgramName + " [options] LOG...";
}

std::string HelpText()
{
    // The formats, modes, zones and ranges come from their tables.
    std::string formats, extensions, chosen, modes;
    for (const TOutputFormat& format : OutputFormats()) {
        formats.append(formats.empty() ? "" : "|").append(format.Name);
        if (format.ChosenByExtension) {
            extensions.append(extensions.empty() ? "" : ", ").append(format.Extension);
            chosen.append(format.ShortName).append(", ");
        }
    }
    for (const TTravelMode& mode : TravelModes())
        modes.append(modes.empty() ? "" : ", ")
            .append(mode.Name)
            .append(" ")
            .append(FormatGeneral(mode.LimitKmh));
    const std::string zones = "1.." + std::to_string(kZoneCount);
    const std::string opacity
        = std::to_string(kMinOpacityPercent) + ".." + std::to_string(kMaxOpacityPercent);

    std::string help = UsageLine() + R"(
Converts the track logs of a GPS logger into NMEA-0183 logs or KML documents for Google Earth.
Without --output every output goes beside its log, named WG + the date and time of the log's
first fix (YYYYMMDDHHNNSS) + the format's extension, with _1, _2, ... added when that name is
taken.

Options:
  -o, --output FILE     write to FILE (one LOG only); the extension )";
    help += extensions + " (any letter case)\n                        gives " + chosen
        + "any other " + std::string(OutputFormats().front().ShortName) + "\n";
    help
        += "  -t, --type " + formats + "   format of the default names and of -o - (default kml)\n";
    help += "  -m, --mode MODE       speed limit of a travel mode: " + modes + " km/h\n";
    help += R"(                        (default walk); fixes at or above the limit are dropped
  -s, --max-speed KMH   a limit of your own (km/h), overriding the mode
  -g, --origin N        origin of the plane distances: 0 = first fix of each log (default),
)";
    help += "                        " + zones + " = zone " + zones
        + " of the Japanese plane rectangular grid\n";
    help
        += R"(  -z, --time-zone H[:MM] hours (and minutes: +5:30, -3:30) added to the times for people
                        in KML and GPX documents, -12..14 (default 9)
      --kml-version V   KML: 2.1 (default) or 2.2, the OGC's namespace and element order
      --no-waypoints    KML, GPX: the route only, without waypoints
  -i, --interval MIN    KML, GPX: least log time between two waypoints (minutes, default 2)
)";
    help += "      --opacity PCT     KML: waypoint opacity, " + opacity + " percent (default 66)\n";
    help
        += R"(      --color RRGGBB    KML: waypoint colour, hexadecimal red, green, blue (default FFFFFF)
  -j, --jobs N          convert up to N logs side by side (default: one per processor core)
  -d, --output-dir DIR  write the default names into DIR instead of beside each log
  -k, --keep-going      after a failed log go on with the next (exit status 1 at the end)
      --summary         after each length line, the track's numbers: records, kept and
                        dropped fixes, start, end, duration, moving time, speeds, bounds
      --json            instead of the length line, one JSON object per log (JSON Lines):
                        input, output, length and the numbers of --summary, or the error
      --lang ja|en      language of the error messages (default: from LC_ALL, LC_MESSAGES,
                        LANG; Japanese for "ja...", English otherwise)
  -h, --help            show this help and exit
  -V, --version         show the version and exit

A LOG "-" is standard input (give --output); "-o -" writes to standard output, in the format of
--type, and the report then goes to standard error. Numbers take a period as decimal point.
Each converted log prints one line, "OUTPUT: The passway length = 12.35 km". The first error
stops the batch (unless --keep-going): the logs after it are not converted, and no partial
output is left. Exit status: 0 all converted, 1 a conversion failed, 2 a bad command line.
)";
    return help;
}

std::filesystem::path PathFromUtf8(const std::string& text)
{
#ifdef _WIN32
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
#else
    // The file system takes the bytes as they are, whatever their encoding.
    return std::filesystem::path(text);
#endif
}

std::string Utf8FromPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

} // namespace ostrel::cli
