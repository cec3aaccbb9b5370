#include "app/command_line.h"

#include "about/about.h"
#include "app/window_text.h"

#include <QCoreApplication>
#include <QStringList>
#include <string_view>
#include <system_error>

namespace ostrel {

std::optional<int> AnswerInformationOptions(int argc, const char* const* argv, std::ostream& out)
{
    for (int i = 1; argv != nullptr && i < argc && argv[i] != nullptr; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--")
            break;
        if (arg == "-h" || arg == "--help") {
            out << WindowHelpText().toStdString();
            return 0;
        }
        if (arg == "-V" || arg == "--version") {
            out << WindowVersionText().toStdString();
            return 0;
        }
    }
    return std::nullopt;
}

std::vector<std::filesystem::path> WindowArguments(int argc, const char* const* argv)
{
    std::vector<std::filesystem::path> args;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    for (const QString& arg : QCoreApplication::arguments().mid(1))
        args.push_back(ToPath(arg));
#else
    for (int i = 1; argv != nullptr && i < argc && argv[i] != nullptr; ++i)
        args.emplace_back(argv[i]);
#endif
    return args;
}

TWindowCommandLine ParseWindowCommandLine(const std::vector<std::filesystem::path>& args)
{
    TWindowCommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        // Options are ASCII: their text is enough to tell them.
        const QString arg = FromPath(args[i]);
        if (!optionsEnded && arg == QStringLiteral("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded
            && (arg == QStringLiteral("--lang") || arg.startsWith(QStringLiteral("--lang=")))) {
            QString value;
            if (arg.contains(QLatin1Char('=')))
                value = arg.mid(arg.indexOf(QLatin1Char('=')) + 1);
            else if (i + 1 < args.size())
                value = FromPath(args[++i]);
            if (value != QStringLiteral("ja") && value != QStringLiteral("en")) {
                line.Fault
                    = QStringLiteral("invalid value '%1' for --lang: choose ja or en").arg(value);
                line.Logs.clear();
                return line;
            }
            line.Language = value;
            continue;
        }
        if (!optionsEnded && arg == QStringLiteral("--reset-settings")) {
            line.ResetSettings = true;
            continue;
        }
        if (!optionsEnded && arg.size() > 1 && arg.startsWith(QLatin1Char('-'))) {
            line.Fault = QStringLiteral("unknown option '%1'").arg(arg);
            line.Logs.clear();
            return line;
        }
        if (arg.isEmpty()) {
            line.Fault = QStringLiteral("empty LOG name");
            line.Logs.clear();
            return line;
        }
        std::error_code ec;
        std::filesystem::path absolute = std::filesystem::absolute(args[i], ec);
        line.Logs.push_back(ec ? args[i] : absolute.lexically_normal());
    }
    return line;
}

QString WindowUsageLine()
{
    return QStringLiteral("Usage: %1 [--lang ja|en] [--reset-settings] [LOG...]")
        .arg(QLatin1String(kWindowProgramName));
}

QString WindowHelpText()
{
    return WindowUsageLine() + QStringLiteral(R"(
Opens the window of Ostrel Log Converter, which converts the track logs of a GPS logger into
NMEA-0183 logs, KML documents for Google Earth or GPX 1.1 files. The LOGs named are listed in the
window as if they had been dropped onto it (a folder lists its *.log files); arguments after "--"
are LOGs even when they start with "-". The window remembers its settings, the folder logs were
last added from and its place on the screen from one start to the next.

Options:
  --lang ja|en      the window's language, Japanese or English (default: OSTREL_LANG, else
                    the system's preferred language: Japanese for Japanese, English for any
                    other)
  --reset-settings  forget what the window remembers and start as on the first start
  -h, --help        show this help and exit
  -V, --version     show the version and exit

The command line converter ostrel-convert converts logs without the window.
)");
}

QString WindowVersionText()
{
    return QStringLiteral("%1 %2\n").arg(QLatin1String(kWindowProgramName), QLatin1String(kVersion))
        + QString::fromUtf8(kLicenseNotice);
}

} // namespace ostrel
