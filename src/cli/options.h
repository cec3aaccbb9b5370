#pragma once

// The options of ostrel-convert and their parser. The options are rows of one table: the command
// line's own, with those of the output formats (on the formats' rows) among them. The parser,
// --help, and the manual page's option list and the bash completion (made at build time) read
// it. The parser checks every value; what it returns is ready to convert with.

#include "conversion/command_options.h"
#include "conversion/output_formats.h"
#include "core/messages.h"
#include "core/settings.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::cli {

inline constexpr const char* kProgramName = "ostrel-convert";

// A command line that cannot be run as it stands; what() names the fault.
class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

enum class TCommandAction
{
    Convert,
    Help,
    Version,
};

struct TCommandLine
{
    TCommandAction Action = TCommandAction::Convert;
    std::vector<std::string> Logs; // the LOG arguments, UTF-8, as given
    std::optional<std::string> Output; // -o, UTF-8, as given
    const TOutputFormat* Format = FormatNamed("kml"); // format of default names
    // Every setting but the separators and the clock's year, which come from the computer.
    TConvertSettings Settings;
    unsigned Jobs = 0; // files converted side by side; 0 = one per processor core
    std::optional<std::string> OutputDir; // -d: the folder of default names, UTF-8, as given
    bool KeepGoing = false; // -k: a failed log does not end the batch
    bool Summary = false; // --summary: the track's numbers after each length line
    bool Json = false; // --json: one JSON object per log instead of the length line
    std::optional<TLanguage> Language; // --lang; nothing: the environment's
};

// The names --lang takes, in the order of TLanguage.
std::vector<std::string_view> LanguageNames();

// --help and --version, the last rows of every program's own options. State: a program's parse
// state, whose Line holds the Action.
template <class State>
inline constexpr TOption<State> kHelpAndVersionOptions[] = {
    {
        {
            .Short = 'h',
            .Long = "help",
            .Help = "show this help and exit",
            .Manual = "Show the help and exit.",
        },
        [](State& state, const TOptionValue&) { state.Line.Action = TCommandAction::Help; },
    },
    {
        {
            .Short = 'V',
            .Long = "version",
            .Help = "show the version and exit",
            .Manual = "Show the version and the licence, and exit.",
        },
        [](State& state, const TOptionValue&) { state.Line.Action = TCommandAction::Version; },
    },
};

// What the options of a track set, in a command line of any program: the track's settings, and
// the two ways to choose its speed limit, a mode's or one's own (which wins wherever it stands).
struct TTrackChoice
{
    TConvertSettings& Settings;
    std::optional<double>& ModeKmh;
    std::optional<double>& CustomKmh;
};

// The options of how a track is made (-m, -s, -g) and of the cleaning stages that serve a track
// read for photos as well as a conversion (--filter, --min-move, --from, --to, --privacy): rows
// that ostrel-convert and ostrel-geotag share.
std::span<const TOption<TTrackChoice>> TrackOptions();
std::vector<const TOption<TConvertSettings>*> TrackCleaningOptions();

// "-" as a LOG is standard input, and as the output of -o standard output.
inline constexpr std::string_view kStandardStream = "-";

// A local date-time "YYYY-MM-DD HH:MM[:SS]" (or with "T" for the blank) as a day count (days since
// 30 December 1899); nothing for any other text or a date that does not exist.
std::optional<double> ParseDateTime(std::string_view text);

// The waypoint colour from "RRGGBB" (or "#RRGGBB"), hexadecimal in either letter case, laid out
// 0x00BBGGRR as the KML writer takes it.
std::optional<std::uint32_t> ParseColor(std::string_view text);

// An option of the command line as --help lists it.
struct TOptionEntry
{
    const TOptionSpec* Spec;
    std::vector<std::string_view> Formats; // short names of the formats it serves; none: all
    bool EndsCommandLine; // --help, --version: nothing after it is read
};

// One row of a program's option table: an option of the program's own, a setting's or a
// track's, with what --help shows of it. State: the program's parse state, whose Line holds the
// Action and the Settings, beside the ModeKmh and CustomKmh of its track.
template <class State> struct TOptionRow
{
    TOptionEntry Entry;
    const TOption<State>* Own = nullptr; // one of the three
    const TOption<TConvertSettings>* Setting = nullptr;
    const TOption<TTrackChoice>* Track = nullptr;

    static TOptionRow OwnRow(const TOption<State>& option)
    {
        // An option ends the command line when it sets an action other than converting.
        State probe;
        if (option.Kind == TValueKind::None)
            option.Apply(probe, {});
        return { { &option, {}, probe.Line.Action != TCommandAction::Convert }, &option };
    }
    static TOptionRow SettingRow(const TOption<TConvertSettings>& option)
    {
        return { { &option, {}, false }, nullptr, &option };
    }
    static TOptionRow TrackRow(const TOption<TTrackChoice>& option)
    {
        return { { &option, {}, false }, nullptr, nullptr, &option };
    }

    void Apply(State& state, const TOptionValue& value) const
    {
        if (Own) {
            Own->Apply(state, value);
        } else if (Track) {
            TTrackChoice track { state.Line.Settings, state.ModeKmh, state.CustomKmh };
            Track->Apply(track, value);
        } else {
            Setting->Apply(state.Line.Settings, value);
        }
    }
};

// Reads arguments by a table of options: each option's value is checked as its kind wants and
// given to apply with the option's index in entries; every other argument, and every one after
// "--", is an operand, returned in order. An option that ends the command line ends the reading.
// Throws UsageError.
std::vector<std::string> ParseArguments(const std::vector<TOptionEntry>& entries,
    const std::vector<std::string>& args,
    const std::function<void(std::size_t index, const TOptionValue& value)>& apply);

// The lines of --help for the options: names and value, then the text in a column of its own.
std::string OptionHelp(const std::vector<TOptionEntry>& entries);

// Parses the arguments after the program name. --help and --version end the parsing where they
// stand. Throws UsageError.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage line, and the full help text for --help.
std::string UsageLine();
std::string HelpText();

// Every option in the order of --help, each once: the command line's own options about the
// conversion, the formats' options, then those of the batch and the program.
const std::vector<TOptionEntry>& CommandLineOptions();

// An option's Value, Help or Manual text with its "{name}"s filled in. For the manual page
// (roff) the texts filled in have their minus signs escaped. Throws std::logic_error for an
// unknown name.
std::string FilledText(std::string_view text, const TOptionSpec& spec, bool roff = false);

// A path from a UTF-8 text of the command line (Utf8FromPath, of the file layer, is the way back).
std::filesystem::path PathFromUtf8(const std::string& text);

} // namespace ostrel::cli
