// The program entry: the application, the main window, and the event loop until the window closes.

#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "core/file_io.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    ostrel::RemoveTemporariesOnSignals();
    QApplication application(argc, argv);
    ostrel::TQtDialogs dialogs;
    ostrel::TForm1 Form1(dialogs);
    Form1.show();
    return application.exec();
}
