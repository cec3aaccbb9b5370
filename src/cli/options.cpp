#include "cli/options.h"

#include "conversion/cleaning_options.h"
#include "core/number_input.h"
#include "core/time_zones.h"
#include "geo/projection.h"
#include "geo/travel_modes.h"
#include "log/gps_rec.h"
#include "photos/photo_time.h"
#include "text/number_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace ostrel::cli {

namespace {

struct TParseState
{
    TCommandLine Line;
    std::optional<double> ModeKmh;
    std::optional<double> CustomKmh;
};

// An option of the command line's own: it sets what the parse keeps.
using TOwnOption = TOption<TParseState>;
using TSettingOption = TOption<TConvertSettings>;
using TTrackOption = TOption<TTrackChoice>;

std::vector<std::string_view> FormatNames()
{
    std::vector<std::string_view> names;
    for (const TOutputFormat& format : OutputFormats())
        names.push_back(format.Name);
    return names;
}

std::vector<std::string_view> ModeNames()
{
    std::vector<std::string_view> names;
    for (const TTravelMode& mode : TravelModes())
        names.push_back(mode.Name);
    return names;
}

// What is converted and how; the formats' options follow them.
constexpr TOwnOption kConversionOptions[] = {
    {
        {
            .Short = 'o',
            .Long = "output",
            .Value = "FILE",
            .Kind = TValueKind::Path,
            .Help = "write to FILE (one LOG only); the extension {extensions}\n"
                    "(any letter case) gives {by extension}, any other {fallback}",
            .Manual = R"(Write to
.I FILE
(one
.I LOG
only).
The extension {extensions} (in any letter case) gives {by extension}, any other extension
{fallback}.)",
        },
        [](TParseState& state, const TOptionValue& value) {
            state.Line.Output = std::string(value.Text);
        },
    },
    {
        {
            .Short = 't',
            .Long = "type",
            .Value = "{choices}",
            .Kind = TValueKind::Choice,
            .Choices = &FormatNames,
            .Default = "kml",
            // Set apart by three spaces: the names run past the column.
            .Help = "  format of the default names and of -o - (default {default})",
            .Manual = R"(The format of the default names and of
.BR "\-o \-" :
{choices} (default {default}).)",
        },
        [](TParseState& state, const TOptionValue& value) {
            state.Line.Format = &OutputFormats()[value.Choice];
        },
    },
};

// How the track is made: the speed limit and the plane's origin, as in a conversion.
constexpr TTrackOption kTrackOptions[] = {
    {
        {
            .Short = 'm',
            .Long = "mode",
            .Value = "MODE",
            .Kind = TValueKind::Choice,
            .Choices = &ModeNames,
            .Default = "walk",
            .Help = "speed limit of a travel mode: {modes} km/h\n"
                    "(default {default}); fixes at or above the limit are dropped",
            .Manual = R"(The speed limit of a travel mode: {modes}\~km/h (default {default}).
Fixes at or above the limit are dropped.)",
        },
        [](TTrackChoice& track, const TOptionValue& value) {
            track.ModeKmh = TravelModes()[value.Choice].LimitKmh;
        },
    },
    {
        {
            .Short = 's',
            .Long = "max-speed",
            .Value = "KMH",
            .Kind = TValueKind::Number,
            .Help = "a limit of your own (km/h), overriding the mode",
            .Manual = R"(A limit of your own in km/h, any number, overriding the mode
wherever either stands.
0 or less keeps only the first fix.)",
        },
        [](TTrackChoice& track, const TOptionValue& value) { track.CustomKmh = value.Number; },
    },
    {
        {
            .Short = 'g',
            .Long = "origin",
            .Value = "N",
            .Kind = TValueKind::Integer,
            .Min = 0,
            .Max = kZoneCount,
            .Default = "0",
            .Help = "origin of the plane distances: 0 = first fix of each log (default),\n"
                    "{zones} = zone {zones} of the Japanese plane rectangular grid",
            .Manual = R"(The origin of the plane distances: 0 = the first fix of each log
(the default), {zones} = that zone of the Japanese plane rectangular coordinate system.)",
        },
        [](TTrackChoice& track, const TOptionValue& value) {
            track.Settings.OriginIndex = static_cast<int>(value.Integer);
        },
    },
};

// The logs into one output: the command line's alone, listed beside --split-day.
constexpr TOwnOption kMergeOption = {
    {
        .Long = "merge",
        .Help = "the LOGs into one output (-o), in the order of their first fixes",
        .Manual = R"(The
.IR LOG s
into one output (give it with
.BR \-o ),
in the order of their first fixes: in GPX a trk per log, in KML a folder per log, in NMEA the
sentences in time order. Logs whose times overlap are refused.)",
    },
    [](TParseState& state, const TOptionValue&) { state.Line.Settings.Merge = true; },
};

// How the batch runs, and the program's own.
constexpr TOwnOption kBatchOptions[] = {
    {
        {
            .Short = 'j',
            .Long = "jobs",
            .Value = "N",
            .Kind = TValueKind::Integer,
            .Min = 1,
            .Max = std::numeric_limits<std::int32_t>::max(),
            .Help = "convert N logs side by side, one alone on N threads (default: one per core)",
            .Manual = R"(Convert up to
.I N
logs side by side (default: one per processor core); the jobs that no log takes share the work
of the logs under way, so a log alone (of more than 10,000 lines) is read on
.I N
threads.
The outputs and the lines printed are the same as with one.)",
        },
        [](TParseState& state, const TOptionValue& value) {
            state.Line.Jobs = static_cast<unsigned>(value.Integer);
        },
    },
    {
        {
            .Short = 'd',
            .Long = "output-dir",
            .Value = "DIR",
            .Kind = TValueKind::Folder,
            .Help = "write the default names into DIR instead of beside each log",
            .Manual = R"(Write the default names into
.I DIR
instead of beside each log.)",
        },
        [](TParseState& state, const TOptionValue& value) {
            state.Line.OutputDir = std::string(value.Text);
        },
    },
    {
        {
            .Short = 'k',
            .Long = "keep-going",
            .Help = "after a failed log go on with the next (exit status 1 at the end)",
            .Manual = R"(After a failed log, go on with the next; every failure is
reported, and the exit status is 1 at the end.)",
        },
        [](TParseState& state, const TOptionValue&) { state.Line.KeepGoing = true; },
    },
    {
        {
            .Long = "summary",
            .Help = "after each length line, the track's numbers: records, kept and\n"
                    "dropped fixes, start, end, duration, moving time, speeds, bounds",
            .Manual = R"(After each length line, the numbers of the track as a few aligned
lines: records with the kept and dropped fixes, start and end (UTC), duration, moving time, length,
average, moving and maximum speed, and the bounding box.)",
        },
        [](TParseState& state, const TOptionValue&) { state.Line.Summary = true; },
    },
    {
        {
            .Long = "json",
            .Help = "instead of the length line, one JSON object per log (JSON Lines):\n"
                    "input, output, length and the numbers of --summary, or the error",
            .Manual = R"(Instead of the length line, one JSON object per log (JSON Lines):
input, output, length_km and the numbers of \-\-summary under statistics; for a failed log input,
error (the message), kind (a stable name of the error, such as time_conversion or file_not_found)
and line (when a record line is at fault). Names are exact, JSON-escaped; bytes that are not UTF-8
become U+FFFD.)",
        },
        [](TParseState& state, const TOptionValue&) { state.Line.Json = true; },
    },
    {
        {
            .Long = "lang",
            .Value = "{choices}",
            .Kind = TValueKind::Choice,
            .Choices = &LanguageNames,
            .Help = "language of the error messages (default: from LC_ALL, LC_MESSAGES,\n"
                    "LANG; Japanese for \"ja...\", English otherwise)",
            .Manual = R"(The language of the error messages: Japanese or English.
Without it the first of
.BR LC_ALL ", " LC_MESSAGES " and " LANG
that is set and not empty decides: Japanese for a value starting with "ja", English otherwise.)",
        },
        [](TParseState& state, const TOptionValue& value) {
            state.Line.Language = LanguageNamed(value.Text);
        },
    },
};

using TRow = TOptionRow<TParseState>;

const std::vector<TRow>& Rows()
{
    static const std::vector<TRow> rows = [] {
        std::vector<TRow> all;
        const auto addOwn = [&](const TOwnOption& option) {
            all.push_back(TRow::OwnRow(option));
        };
        for (const TOwnOption& option : kConversionOptions)
            addOwn(option);
        for (const TTrackOption& option : kTrackOptions)
            all.push_back(TRow::TrackRow(option));
        for (const TOutputFormat& format : OutputFormats()) {
            for (const TSettingOption& option : format.Options) {
                auto same = std::find_if(all.begin(), all.end(),
                    [&](const TRow& row) { return row.Entry.Spec->Long == option.Long; });
                if (same == all.end()) {
                    all.push_back(TRow::SettingRow(option));
                    same = std::prev(all.end());
                } else if (!same->Setting || same->Setting->Apply != option.Apply) {
                    throw std::logic_error("two options named --" + std::string(option.Long));
                }
                same->Entry.Formats.push_back(format.ShortName);
            }
        }
        // The cleaning's rows serve every format; --merge, the command line's own, follows
        // --split-day.
        for (const TSettingOption& option : CleaningOptions()) {
            all.push_back(TRow::SettingRow(option));
            if (option.Long == "split-day")
                addOwn(kMergeOption);
        }
        for (const TOwnOption& option : kBatchOptions)
            addOwn(option);
        for (const TOwnOption& option : kHelpAndVersionOptions<TParseState>)
            addOwn(option);
        return all;
    }();
    return rows;
}

std::string OptionName(const TOptionSpec& option)
{
    return "--" + std::string(option.Long);
}

[[noreturn]] void BadValue(const TOptionSpec& option, std::string_view value, std::string_view why)
{
    throw UsageError("invalid value '" + std::string(value) + "' for " + OptionName(option) + ": "
        + std::string(why));
}

std::string Range(const TOptionSpec& option)
{
    return std::to_string(option.Min) + ".." + std::to_string(option.Max);
}

// Names as a choice: "walk, jog, bicycle or car".
std::string Choices(const std::vector<std::string_view>& names)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " or " : ", ";
        text += names[i];
    }
    return text;
}

// The value of an option checked as its kind wants; throws UsageError with the reason.
TOptionValue CheckedValue(const TOptionSpec& option, std::string_view text)
{
    TOptionValue value { .Text = text };
    switch (option.Kind) {
    case TValueKind::None:
        break;
    case TValueKind::Integer: {
        const std::optional<long long> number = ParseWholeNumber(text);
        if (!number)
            BadValue(option, text, "not a whole number");
        if (*number < option.Min || *number > option.Max)
            BadValue(option, text, "must be " + Range(option));
        value.Integer = *number;
        break;
    }
    case TValueKind::Number: {
        const std::optional<double> number = ParseFiniteNumber(text);
        if (!number)
            BadValue(option, text, "not a finite number");
        value.Number = *number;
        break;
    }
    case TValueKind::Choice: {
        const std::vector<std::string_view> names = option.Choices();
        const auto chosen = std::find(names.begin(), names.end(), text);
        if (chosen == names.end())
            BadValue(option, text, "choose " + Choices(names));
        value.Choice = static_cast<std::size_t>(chosen - names.begin());
        break;
    }
    case TValueKind::TimeZone: {
        const auto zone = ParseTimeZone(text, option.Min, option.Max);
        if (!zone) {
            BadValue(option, text,
                "must be hours " + Range(option) + ", or hours:minutes such as +5:30");
        }
        value.Hours = zone->Hours;
        value.Minutes = zone->Minutes;
        break;
    }
    case TValueKind::Color: {
        const std::optional<std::uint32_t> color = ParseColor(text);
        if (!color)
            BadValue(option, text, "not a colour RRGGBB");
        value.Color = *color;
        break;
    }
    case TValueKind::Path:
    case TValueKind::Folder:
        if (text.empty())
            BadValue(option, text, "empty path");
        break;
    case TValueKind::ClockOffset: {
        const std::optional<double> seconds = ParseClockOffset(text);
        if (!seconds)
            BadValue(option, text, "not [+|-][H:]MM:SS, such as -1:30 or +1:02:03");
        value.Number = *seconds;
        break;
    }
    case TValueKind::DateTime: {
        const std::optional<double> dateTime = ParseDateTime(text);
        if (!dateTime)
            BadValue(option, text, "not a date-time YYYY-MM-DD HH:MM[:SS]");
        value.DateTime = *dateTime;
        break;
    }
    }
    return value;
}

// The names "{...}" in an option's texts may use.
std::string NamedText(std::string_view name, const TOptionSpec& option)
{
    if (name == "default")
        return std::string(option.Default);
    if (name == "range")
        return Range(option);
    if (name == "choices") {
        std::string names;
        for (const std::string_view choice : option.Choices())
            names.append(names.empty() ? "" : "|").append(choice);
        return names;
    }
    if (name == "modes") {
        std::string modes;
        for (const TTravelMode& mode : TravelModes())
            modes.append(modes.empty() ? "" : ", ")
                .append(mode.Name)
                .append(" ")
                .append(FormatGeneral(mode.LimitKmh));
        return modes;
    }
    if (name == "zones")
        return "1.." + std::to_string(kZoneCount);
    if (name == "extensions" || name == "by extension") {
        std::string list;
        for (const TOutputFormat& format : OutputFormats()) {
            if (format.ChosenByExtension)
                list.append(list.empty() ? "" : ", ")
                    .append(name == "extensions" ? format.Extension : format.ShortName);
        }
        return list;
    }
    if (name == "fallback")
        return std::string(OutputFormats().front().ShortName);
    throw std::logic_error(
        "option --" + std::string(option.Long) + ": no text named {" + std::string(name) + "}");
}

} // namespace

std::optional<double> ParseDateTime(std::string_view text)
{
    // "YYYY-MM-DD HH:MM" (16 characters) or with ":SS" (19).
    if (text.size() != 16 && text.size() != 19)
        return std::nullopt;
    if (text[4] != '-' || text[7] != '-' || (text[10] != ' ' && text[10] != 'T') || text[13] != ':'
        || (text.size() == 19 && text[16] != ':'))
        return std::nullopt;
    const auto year = FixedDigits(text, 0, 4), month = FixedDigits(text, 5, 2),
               day = FixedDigits(text, 8, 2), hour = FixedDigits(text, 11, 2),
               minute = FixedDigits(text, 14, 2);
    const auto second = text.size() == 19 ? FixedDigits(text, 17, 2) : std::optional<int>(0);
    if (!year || !month || !day || !hour || !minute || !second)
        return std::nullopt;
    return CalendarDateTime(*year, *month, *day, *hour, *minute, *second);
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

std::vector<std::string> ParseArguments(const std::vector<TOptionEntry>& entries,
    const std::vector<std::string>& args,
    const std::function<void(std::size_t, const TOptionValue&)>& apply)
{
    const auto find = [&](auto&& matches) -> const TOptionEntry* {
        for (const TOptionEntry& entry : entries) {
            if (matches(*entry.Spec))
                return &entry;
        }
        return nullptr;
    };
    const auto takesValue = [](const TOptionEntry& entry) {
        return entry.Spec->Kind != TValueKind::None;
    };
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }

        const TOptionEntry* entry = nullptr;
        std::optional<std::string_view> value;
        if (arg[1] == '-') {
            const std::string_view body = arg.substr(2);
            const std::size_t equals = body.find('=');
            const std::string_view name = body.substr(0, equals);
            entry = find([&](const TOptionSpec& spec) { return spec.Long == name; });
            if (!entry)
                throw UsageError("unknown option '--" + std::string(name) + "'");
            if (equals != std::string_view::npos) {
                if (!takesValue(*entry))
                    throw UsageError("option '" + OptionName(*entry->Spec) + "' takes no value");
                value = body.substr(equals + 1);
            }
        } else {
            entry = find([&](const TOptionSpec& spec) {
                return spec.Short != '\0' && spec.Short == arg[1];
            });
            if (!entry)
                throw UsageError("unknown option '" + std::string(arg.substr(0, 2)) + "'");
            if (arg.size() > 2) {
                if (!takesValue(*entry))
                    throw UsageError("unknown option '" + std::string(arg) + "'");
                value = arg.substr(2);
            }
        }

        // The next argument is the value whatever it looks like, so that "-s -5" works.
        if (takesValue(*entry) && !value) {
            if (i + 1 >= args.size())
                throw UsageError("option '" + OptionName(*entry->Spec) + "' needs a value");
            value = args[++i];
        }
        apply(static_cast<std::size_t>(entry - entries.data()),
            CheckedValue(*entry->Spec, value.value_or(std::string_view())));
        if (entry->EndsCommandLine)
            break;
    }
    return operands;
}

TCommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    TParseState state;
    state.Line.Logs = ParseArguments(CommandLineOptions(), args,
        [&](std::size_t index, const TOptionValue& value) { Rows()[index].Apply(state, value); });
    if (state.Line.Action != TCommandAction::Convert)
        return state.Line;

    if (state.Line.Logs.empty())
        throw UsageError("no LOG given");
    if (state.Line.Output && state.Line.Logs.size() > 1 && !state.Line.Settings.Merge)
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
    const TConvertSettings& settings = state.Line.Settings;
    if (settings.FromLocal && settings.ToLocal && *settings.FromLocal > *settings.ToLocal)
        throw UsageError("--from must not be after --to");
    if (settings.Merge && !state.Line.Output)
        throw UsageError("--merge writes one output: give it with --output");
    if (settings.Merge && settings.SplitDay)
        throw UsageError("choose --merge or --split-day");
    // Each log's first fix is read before the logs are ordered, and standard input cannot be
    // read again.
    if (settings.Merge && readsStandardInput)
        throw UsageError(
            "--merge orders the LOGs by their first fixes first: not standard input (-)");
    if (settings.SplitDay && state.Line.Output && *state.Line.Output == kStandardStream)
        throw UsageError("--split-day writes a file per day: not to standard output (-o -)");
    // A custom limit overrides the mode wherever either stands on the line.
    state.Line.Settings.SpeedLimitKmh
        = state.CustomKmh.value_or(state.ModeKmh.value_or(state.Line.Settings.SpeedLimitKmh));
    return state.Line;
}

std::string UsageLine()
{
    return std::string("Usage: ") + kProgramName + " [options] LOG...";
}

std::string HelpText()
{
    std::string help = UsageLine() + R"(
Converts the track logs of a GPS logger into NMEA-0183 logs, KML documents, GPX 1.1 files,
GeoJSON documents or a CSV of the records.
Without --output every output goes beside its log, named WG + the date and time of the log's
first fix (YYYYMMDDHHNNSS) + the format's extension, with _1, _2, ... added when that name is
taken.

Options:
)";
    help += OptionHelp(CommandLineOptions());
    help += R"(
A LOG "-" is standard input (give --output); "-o -" writes to standard output, in the format of
--type, and the report then goes to standard error. Numbers take a period as decimal point.
Each converted log prints one line, "OUTPUT: The passway length = 12.35 km". The first error
stops the batch (unless --keep-going): the logs after it are not converted, and no partial
output is left. Exit status: 0 all converted, 1 a conversion failed, 2 a bad command line.
)";
    return help;
}

std::string OptionHelp(const std::vector<TOptionEntry>& entries)
{
    // "  -o, --output FILE     write to ...": the text in a column of its own, its further lines
    // indented to it.
    constexpr std::size_t kColumn = 24;
    std::string help;
    for (const TOptionEntry& entry : entries) {
        const TOptionSpec& option = *entry.Spec;
        std::string line
            = option.Short != '\0' ? std::string("  -") + option.Short + ", " : "      ";
        line.append("--").append(option.Long);
        if (!option.Value.empty())
            line.append(" ").append(FilledText(option.Value, option));
        line.resize(std::max(line.size() + 1, kColumn), ' ');
        for (const char c : FilledText(option.Help, option)) {
            line += c;
            if (c == '\n')
                line.append(kColumn, ' ');
        }
        help.append(line).append("\n");
    }
    return help;
}

std::span<const TOption<TTrackChoice>> TrackOptions()
{
    return kTrackOptions;
}

std::vector<const TOption<TConvertSettings>*> TrackCleaningOptions()
{
    // The cleaning's rows that serve a track read for photos as well: not those that shape the
    // outputs (segments, days, simplification).
    std::vector<const TOption<TConvertSettings>*> rows;
    for (const TOption<TConvertSettings>& option : CleaningOptions()) {
        if (option.Long == "filter" || option.Long == "min-move" || option.Long == "from"
            || option.Long == "to" || option.Long == "privacy")
            rows.push_back(&option);
    }
    return rows;
}

const std::vector<TOptionEntry>& CommandLineOptions()
{
    static const std::vector<TOptionEntry> entries = [] {
        std::vector<TOptionEntry> all;
        for (const TRow& row : Rows())
            all.push_back(row.Entry);
        return all;
    }();
    return entries;
}

std::string FilledText(std::string_view text, const TOptionSpec& spec, bool roff)
{
    std::string filled;
    for (std::size_t from = 0;;) {
        const std::size_t open = text.find('{', from);
        filled.append(text.substr(from, open - from));
        if (open == std::string_view::npos)
            return filled;
        const std::size_t close = text.find('}', open);
        if (close == std::string_view::npos)
            throw std::logic_error("option --" + std::string(spec.Long) + ": unclosed '{'");
        for (const char c : NamedText(text.substr(open + 1, close - open - 1), spec)) {
            if (roff && c == '-')
                filled += '\\';
            filled += c;
        }
        from = close + 1;
    }
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

std::vector<std::string_view> LanguageNames()
{
    return { "ja", "en" };
}

} // namespace ostrel::cli
