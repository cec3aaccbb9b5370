// The window's text conversions: settings typed or chosen, separators, the error box text.

#include "app/qt_dialogs.h"
#include "app/window_text.h"
#include "core/errors.h"
#include "form_fixture.h"

#include <QColor>
#include <QLocale>
#include <QTest>
#include <limits>

namespace ostrel::test {

namespace {

QString Utf8(const std::exception& error)
{
    return QString::fromUtf8(error.what());
}

// Runs f and returns the message of the error it raises; empty when it raises none.
template <class F> QString ErrorOf(F&& f)
{
    try {
        f();
    } catch (const std::exception& error) {
        return Utf8(error);
    }
    return {};
}

} // namespace

class TestWindowText : public QObject
{
    Q_OBJECT

private slots:
    void integerOfText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("plus nine") << "+9" << 9;
        QTest::newRow("minus eleven") << "-11" << -11;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("ten") << "10" << 10;
        QTest::newRow("largest") << "2147483647" << std::numeric_limits<std::int32_t>::max();
    }
    void integerOfText()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(IntegerOfText(text), expected);
    }

    void integerOfTextRefuses_data()
    {
        QTest::addColumn<QString>("text");
        for (const char* text :
            { "", "+", "-", "+-1", "9a", " 9", "9 ", "1.0", "2147483648", "０" })
            QTest::newRow(text) << QString::fromUtf8(text);
    }
    void integerOfTextRefuses()
    {
        QFETCH(QString, text);
        QCOMPARE(ErrorOf([&] { IntegerOfText(text); }), Utf8(IntegerError(text.toStdString())));
    }

    void floatOfText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<double>("expected");
        QTest::newRow("seven") << "7"
                               << "." << 7.0;
        QTest::newRow("negative") << "-2.5"
                                  << "." << -2.5;
        QTest::newRow("plus") << "+12.25"
                              << "." << 12.25;
        QTest::newRow("zero") << "0"
                              << "." << 0.0;
        QTest::newRow("exponent") << "1e2"
                                  << "." << 100.0;
        QTest::newRow("blanks around") << " 7 "
                                       << "." << 7.0;
        QTest::newRow("leading point") << ".5"
                                       << "." << 0.5;
        QTest::newRow("comma locale") << "7,5"
                                      << "," << 7.5;
        QTest::newRow("point under comma locale") << "7.5"
                                                  << "," << 7.5;
    }
    void floatOfText()
    {
        QFETCH(QString, text);
        QFETCH(QString, decimal);
        QFETCH(double, expected);
        QCOMPARE(FloatOfText(text, decimal), expected);
    }

    void floatOfTextRefuses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("decimal");
        for (const char* text : { "", " ", "abc", "nan", "NaN", "inf", "-inf", "infinity", "1e999",
                 "7km", "0x10", "+-1", "7,5", "1.2.3" })
            QTest::newRow(text) << QString::fromUtf8(text) << ".";
        QTest::newRow("grouping under comma locale") << "1.000,5"
                                                     << ",";
    }
    void floatOfTextRefuses()
    {
        QFETCH(QString, text);
        QFETCH(QString, decimal);
        QCOMPARE(
            ErrorOf([&] { FloatOfText(text, decimal); }), Utf8(FloatError(text.toStdString())));
    }

    void separatorsOf_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("Japanese") << "ja_JP"
                                  << "."
                                  << "/"
                                  << ":"; // yyyy/MM/dd, H:mm
        QTest::newRow("German") << "de_DE"
                                << ","
                                << "."
                                << ":"; // dd.MM.yy, HH:mm
        QTest::newRow("Danish") << "da_DK"
                                << ","
                                << "."
                                << "."; // dd.MM.yyyy, HH.mm
        QTest::newRow("C") << "C"
                           << "."
                           << "/"
                           << ":"; // d MMM yyyy: no separator
        QTest::newRow("Korean") << "ko_KR"
                                << "."
                                << "/"
                                << ":"; // yy. M. d.: two characters
        QTest::newRow("Persian") << "fa_IR"
                                 << "٫"
                                 << "/"
                                 << ":"; // one non-ASCII character
    }
    void separatorsOf()
    {
        QFETCH(QString, locale);
        QFETCH(QString, decimal);
        QFETCH(QString, date);
        QFETCH(QString, time);
        const TSeparators separators = SeparatorsOf(QLocale(locale));
        QCOMPARE(QString::fromStdString(separators.Decimal), decimal);
        QCOMPARE(QString::fromStdString(separators.Date), date);
        QCOMPARE(QString::fromStdString(separators.Time), time);
    }

    void errorBoxText_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& message, const QString& expected) {
            QTest::newRow(name) << message << expected;
        };
        const QString notFound = Utf8(FileNotFound());
        row("Japanese ending", notFound, notFound + ".");
        const QString index = Utf8(ListIndexOutOfRange(0));
        row("closing parenthesis", index, index);
        const QString io = Utf8(IoError(5));
        row("I/O error", io, io);
        row("letter", "abc", "abc.");
        row("period", "done.", "done.");
        row("hyphen sorts before the period", "a-", "a-");
        row("slash sorts after the period", "a/", "a/.");
        row("digit", "5", "5.");
        row("empty", "", "");
        row("beyond the basic plane", QString::fromUtf8("\xF0\x9F\x98\x80"),
            QString::fromUtf8("\xF0\x9F\x98\x80."));
    }
    void errorBoxText()
    {
        QFETCH(QString, message);
        QFETCH(QString, expected);
        QCOMPARE(ErrorBoxText(message), expected);
    }

    void folderOf_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file") << "/logs/a.log"
                              << "/logs/";
        QTest::newRow("root") << "/a.log"
                              << "/";
        QTest::newRow("bare name") << "a.log"
                                   << "";
        QTest::newRow("folder") << "/logs/"
                                << "/logs/";
    }
    void folderOf()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(FolderOf(path), expected);
    }

    void colorRef_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<uint>("expected");
        QTest::newRow("red") << QColor(255, 0, 0) << 0x0000FFu;
        QTest::newRow("green") << QColor(0, 255, 0) << 0x00FF00u;
        QTest::newRow("blue") << QColor(0, 0, 255) << 0xFF0000u;
        QTest::newRow("mixed") << QColor(0x12, 0x34, 0x56) << 0x563412u;
        QTest::newRow("white") << QColor(Qt::white) << 0xFFFFFFu;
        QTest::newRow("hsv") << QColor::fromHsv(0, 255, 255) << 0x0000FFu;
    }
    void colorRef()
    {
        QFETCH(QColor, color);
        QFETCH(uint, expected);
        QCOMPARE(ColorRef(color), expected);
    }

    void saveDialogFilters()
    {
        QCOMPARE(SaveDialogNameFilters(),
            QStringList(
                { "NMEA Log (*.log .log)", "Google Earth (*.kml .log)", "GPX 1.1 (*.gpx .log)",
                    "GeoJSON (*.geojson .log)", "CSV of the records (*.csv .log)" }));
    }

    void pathsRoundTrip()
    {
        for (const QString& path : { QStringLiteral("/tmp/ログ 1.log"), QStringLiteral("a.log"),
                 QStringLiteral("/tmp/Ünïcode/x") })
            QCOMPARE(FromPath(ToPath(path)), path);
#ifdef _WIN32
        // Windows paths are UTF-16 (wchar_t).
        QCOMPARE(ToPath(QStringLiteral("C:\\ログ.log")).native(), std::wstring(L"C:\\ログ.log"));
#else
        QCOMPARE(ToPath(QStringLiteral("/tmp/ログ.log")).native(), std::string("/tmp/ログ.log"));
#endif
    }
};

std::unique_ptr<QObject> MakeWindowTextTests()
{
    return std::make_unique<TestWindowText>();
}

} // namespace ostrel::test

#include "window_text_tests.moc"
