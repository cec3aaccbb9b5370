// The window's tests: Qt Test classes run one after another in one application.

#include "form_fixture.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // What the window remembers goes to a folder of the tests' own, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    // Static: removed also when Qt Test exits early (a test function named that is not found).
    static const QTemporaryDir store;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    for (const QSettings::Format format : { QSettings::NativeFormat, QSettings::IniFormat })
        QSettings::setPath(format, QSettings::UserScope, store.path());
    int failures = 0;
    for (const auto& make : { ostrel::test::MakeWindowTextTests, ostrel::test::MakeWindowTests,
             ostrel::test::MakeConvertTests, ostrel::test::MakeQtDialogsTests,
             ostrel::test::MakeCommandLineTests, ostrel::test::MakePreviewTests }) {
        const std::unique_ptr<QObject> tests = make();
        failures += QTest::qExec(tests.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
