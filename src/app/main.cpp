// The program entry: the application, the main window with the logs named on the command line,
// and the event loop until the window closes.

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "app/settings_model.h"
#include "app/translations.h"
#include "core/file_io.h"

#include <QApplication>
#include <QLocale>
#include <iostream>

int main(int argc, char* argv[])
{
    // --help and --version are answered before the application exists: they need no display.
    if (const std::optional<int> status = ostrel::AnswerInformationOptions(argc, argv, std::cout))
        return *status;
    ostrel::RemoveTemporariesOnSignals();
    QApplication application(argc, argv);
    // Desktops match the window to its desktop entry and icon by this name.
    QApplication::setDesktopFileName(QStringLiteral("io.github.ostrel.LogConverter"));
    // argc and argv hold what the application left of them, with the bytes of every name.
    const ostrel::TWindowCommandLine line
        = ostrel::ParseWindowCommandLine(ostrel::WindowArguments(argc, argv));
    if (!line.Fault.isEmpty()) {
        std::cerr << ostrel::kWindowProgramName << ": " << line.Fault.toStdString() << '\n'
                  << ostrel::WindowUsageLine().toStdString() << '\n';
        return 2;
    }
    // The window's language: --lang, OSTREL_LANG, or the system's preferred UI language.
    const QString forced
        = !line.Language.isEmpty() ? line.Language : QString::fromLocal8Bit(qgetenv("OSTREL_LANG"));
    ostrel::InstallWindowLanguage(
        ostrel::ChooseWindowLanguage(forced, QLocale::system().uiLanguages()));
    if (line.ResetSettings)
        ostrel::ResetWindowStore();
    ostrel::TQtDialogs dialogs;
    ostrel::TForm1 Form1(dialogs);
    Form1.AppendPaths(line.Logs);
    Form1.show();
    return application.exec();
}
