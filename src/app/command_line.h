#pragma once

// The window's command line: `ostrel [--lang ja|en] [LOG...]`, with --help and --version. The
// logs named are listed as if they had been dropped onto the window.

#include <QString>
#include <QStringList>
#include <optional>
#include <ostream>

namespace ostrel {

inline constexpr const char* kWindowProgramName = "ostrel";

// Answers --help (-h) and --version (-V) when one stands before "--" in argv: prints the text on
// out and gives the exit status. Looks at argv alone, before any application object exists, so
// that both work without a display. Nothing when the window is to open.
std::optional<int> AnswerInformationOptions(int argc, const char* const* argv, std::ostream& out);

struct TWindowCommandLine
{
    QStringList Logs; // absolute paths with the platform's separators, as a drop gives them
    QString Fault; // a bad argument, e.g. an unknown option; empty when the line is usable
    QString Language; // --lang: "ja" or "en"; empty when not given
};

// Reads the arguments after the program name, once Qt has taken its own (-platform, -style, ...).
// Everything after "--" is a log, even when it starts with "-".
TWindowCommandLine ParseWindowCommandLine(const QStringList& args);

// The usage line, the --help text and the --version text.
QString WindowUsageLine();
QString WindowHelpText();
QString WindowVersionText();

} // namespace ostrel
