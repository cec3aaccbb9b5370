#pragma once

// The window's command line: `ostrel [--lang ja|en] [--reset-settings] [LOG...]`, with --help and
// --version. The logs named are listed as if they had been dropped onto the window.

#include <QString>
#include <filesystem>
#include <optional>
#include <ostream>
#include <vector>

namespace ostrel {

inline constexpr const char* kWindowProgramName = "ostrel";

// Answers --help (-h) and --version (-V) when one stands before "--" in argv: prints the text on
// out and gives the exit status. Looks at argv alone, before any application object exists, so
// that both work without a display. Nothing when the window is to open.
std::optional<int> AnswerInformationOptions(int argc, const char* const* argv, std::ostream& out);

struct TWindowCommandLine
{
    // Absolute paths (of logs or of folders of logs), as a drop gives them, with the bytes of
    // their names.
    std::vector<std::filesystem::path> Logs;
    QString Fault; // a bad argument, e.g. an unknown option; empty when the line is usable
    QString Language; // --lang: "ja" or "en"; empty when not given
    bool ResetSettings = false; // --reset-settings: start from the first start's settings
};

// The arguments after the program name, once the application has taken its own (-platform,
// -style, ...): on POSIX the bytes of argv, which need not be UTF-8; on Windows the UTF-16 text
// of the command line.
std::vector<std::filesystem::path> WindowArguments(int argc, const char* const* argv);

// Reads the arguments after the program name. Everything after "--" is a log, even when it starts
// with "-".
TWindowCommandLine ParseWindowCommandLine(const std::vector<std::filesystem::path>& args);

// The usage line, the --help text and the --version text.
QString WindowUsageLine();
QString WindowHelpText();
QString WindowVersionText();

} // namespace ostrel
