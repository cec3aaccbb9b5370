// The window's command line: --help and --version before any window, and the logs it lists.

#include "app/command_line.h"
#include "app/window_text.h"
#include "form_fixture.h"

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sstream>
#include <string>
#include <vector>

namespace ostrel::test {

namespace {

struct TAnswer
{
    std::optional<int> Status;
    QString Out;
};

TAnswer Answer(std::vector<const char*> args)
{
    args.insert(args.begin(), "ostrel");
    args.push_back(nullptr);
    std::ostringstream out;
    TAnswer answer;
    answer.Status = AnswerInformationOptions(static_cast<int>(args.size()) - 1, args.data(), out);
    answer.Out = QString::fromStdString(out.str());
    return answer;
}

QStringList Entries(const QListWidget* list)
{
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    return entries;
}

// Arguments as the system gives them.
std::vector<std::filesystem::path> Args(const QStringList& texts)
{
    std::vector<std::filesystem::path> args;
    for (const QString& text : texts)
        args.push_back(ToPath(text));
    return args;
}

// Makes the folder the current one while it lives.
class TCurrentFolder
{
public:
    explicit TCurrentFolder(const QString& path)
        : saved_(QDir::currentPath())
    {
        QDir::setCurrent(path);
    }
    ~TCurrentFolder() { QDir::setCurrent(saved_); }

private:
    QString saved_;
};

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QCOMPARE(fixture_.Finish(), QString()); }

    void versionNamesProgramVersionAndLicence()
    {
        for (const char* option : { "--version", "-V" }) {
            const TAnswer answer = Answer({ "a.log", option });
            QCOMPARE(answer.Status, std::optional<int>(0));
            const QStringList lines = answer.Out.split(QLatin1Char('\n'));
            QVERIFY2(QRegularExpression(QStringLiteral("^ostrel [0-9]+\\.[0-9]+\\.[0-9]+$"))
                         .match(lines.first())
                         .hasMatch(),
                qPrintable(answer.Out));
            QVERIFY(answer.Out.contains(QStringLiteral("\nLicense MIT: ")));
            QVERIFY(
                answer.Out.contains(QStringLiteral("2026 The Ostrel Log Converter developers")));
        }
    }

    void helpNamesEveryOption()
    {
        for (const char* option : { "--help", "-h" }) {
            const TAnswer answer = Answer({ option, "--version" });
            QCOMPARE(answer.Status, std::optional<int>(0));
            QVERIFY(answer.Out.startsWith(
                QStringLiteral("Usage: ostrel [--lang ja|en] [--reset-settings] [LOG...]\n")));
            for (const char* name : { "-h, --help", "-V, --version", "--reset-settings", "--" })
                QVERIFY2(answer.Out.contains(QLatin1String(name)), name);
        }
    }

    void otherArgumentsOpenTheWindow()
    {
        for (const std::vector<const char*>& args : std::vector<std::vector<const char*>> {
                 {}, { "a.log" }, { "--", "--help" }, { "-x", "a.log" }, { "--versions" } }) {
            const TAnswer answer = Answer(args);
            QCOMPARE(answer.Status, std::optional<int>());
            QCOMPARE(answer.Out, QString());
        }
    }

    void logsAreListedAsADropListsThem()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ログ")));
        const QString a = dir.filePath(QStringLiteral("a.log"));
        const QString b = dir.filePath(QStringLiteral("ログ/-b 2.log"));
#ifdef Q_OS_WIN
        // An absolute path names its drive. (Without one, Windows takes the current folder's
        // drive, and wine a path on Z:, read as a Linux path.)
        const QString c = QStringLiteral("D:\\elsewhere\\c.log");
#else
        const QString c = QStringLiteral("/elsewhere/c.log");
#endif

        TCurrentFolder current(dir.path());
        const TWindowCommandLine line = ParseWindowCommandLine(Args(
            { QStringLiteral("a.log"), QStringLiteral("--"), QStringLiteral("ログ/-b 2.log"), c }));
        QCOMPARE(line.Fault, QString());
        const QStringList expected { QDir::toNativeSeparators(a), QDir::toNativeSeparators(b),
            QDir::toNativeSeparators(c) };
        QCOMPARE(line.Logs, Args(expected));

        fixture_.Start();
        TForm1& f = *fixture_.Form;
        QVERIFY(!f.cmdConvEach->isEnabled());
        f.AppendPaths(line.Logs);
        QCOMPARE(Entries(f.LogList), expected);
        QVERIFY(f.cmdConvEach->isEnabled());
    }

    void noLogsLeaveConvertDisabled()
    {
        const TWindowCommandLine line = ParseWindowCommandLine({});
        QCOMPARE(line.Fault, QString());
        QVERIFY(line.Logs.empty());
        fixture_.Start();
        fixture_.Form->AppendPaths(line.Logs);
        QCOMPARE(fixture_.Form->LogList->count(), 0);
        QVERIFY(!fixture_.Form->cmdConvEach->isEnabled());
    }

    void unknownOptionsAreRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("fault");
        QTest::newRow("long") << QStringList({ QStringLiteral("a.log"), QStringLiteral("--bogus") })
                              << QStringLiteral("unknown option '--bogus'");
        QTest::newRow("short") << QStringList({ QStringLiteral("-x") })
                               << QStringLiteral("unknown option '-x'");
        QTest::newRow("empty") << QStringList({ QString() }) << QStringLiteral("empty LOG name");
    }

    void unknownOptionsAreRefused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, fault);
        const TWindowCommandLine line = ParseWindowCommandLine(Args(args));
        QCOMPARE(line.Fault, fault);
        QVERIFY(line.Logs.empty());
    }

private:
    TFormFixture fixture_;
};

std::unique_ptr<QObject> MakeCommandLineTests()
{
    return std::make_unique<TestCommandLine>();
}

} // namespace ostrel::test

#include "command_line_tests.moc"
