// The Convert command: the captured settings, the save dialog, default names, the same-file
// refusal, single and batch conversions and their errors, the settings reaching the writers, and
// the golden logs converted to their expected files.

#include "app/log_list.h"
#include "app/settings_model.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "core/errors.h"
#include "core/messages.h"
#include "form_fixture.h"
#include "log_files.h"

#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <filesystem>
#include <optional>

namespace ostrel::test {

namespace {

const QString kStamp = QStringLiteral("WG20070512030405"); // the walk's first record, 12 May 2007
const QByteArray kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
const QByteArray kNmeaHead = "@Sonygps/ver1.0/wgs-84\r\n";

QString Utf8(const std::exception& error)
{
    return QString::fromUtf8(error.what());
}

// The error box text of an error: its message, and "." after a Japanese last character.
TBox ErrorBox(const std::exception& error)
{
    return { TBoxKind::Error, kBoxCaption, Utf8(error) + QLatin1Char('.') };
}

// The hint below an error of a log, as the window shows it in Japanese; field: the log's field
// the error came from.
QString HintOf(Error error, std::optional<TLogField> field = std::nullopt)
{
    if (field)
        error.SetField(*field);
    return QString::fromStdString(HintText(error, TLanguage::Japanese).value());
}

bool IsLengthBox(const TBox& box)
{
    static const QRegularExpression length(
        QStringLiteral("^The passway length = \\d+\\.\\d\\d km$"));
    return box.Kind == TBoxKind::Message && box.Caption == kBoxCaption
        && length.match(box.Text).hasMatch();
}

int CountLines(const QByteArray& document, const QByteArray& line)
{
    return static_cast<int>(document.split('\n').count(line + '\r'));
}

// A line of a document for a message, its carriage return shown.
QString Shown(const QByteArray& line)
{
    return QString::fromUtf8(line).replace(QLatin1Char('\r'), QLatin1String("\\r"));
}

// Where two documents part: empty when they are the same, else the first differing line of each.
QString FirstDifference(const QByteArray& expected, const QByteArray& actual)
{
    if (expected == actual)
        return {};
    const QList<QByteArray> want = expected.split('\n'), got = actual.split('\n');
    qsizetype line = 0;
    while (line < want.size() && line < got.size() && want[line] == got[line])
        ++line;
    return QStringLiteral("line %1: expected \"%2\", written \"%3\" (%4 and %5 bytes)")
        .arg(line + 1)
        .arg(Shown(want.value(line)), Shown(got.value(line)))
        .arg(expected.size())
        .arg(actual.size());
}

} // namespace

class TestConvert : public QObject
{
    Q_OBJECT

    TFormFixture fixture_;
    std::unique_ptr<QTemporaryDir> dir_;

    TForm1& form() { return *fixture_.Form; }
    TScriptedDialogs& dialogs() { return *fixture_.Dialogs; }
    QString In(const QString& name) const { return dir_->filePath(name); }
    QString Folder(const QString& name) const
    {
        QDir(dir_->path()).mkpath(name);
        return dir_->filePath(name);
    }

    // Convert with two listed logs whose dialog is cancelled: the settings are captured and
    // nothing else happens.
    void ConvertCancelled()
    {
        if (form().LogList->count() != 2)
            form().AppendLogs({ In("a.log"), In("b.log") });
        dialogs().CancelSave();
        form().cmdConvEach->click();
    }

    // Converts one walk with the proposed name; returns the output's bytes.
    QByteArray ConvertWalk(const QString& output)
    {
        WriteWalk(In("a.log"));
        form().AppendLogs({ In("a.log") });
        dialogs().AnswerSave([](TSaveDialogState&, const TTypeChange&) { return true; });
        form().cmdConvEach->click();
        return ReadAll(In(output));
    }

private slots:
    void init()
    {
        fixture_.Start();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }
    void cleanup()
    {
        const QString problems = fixture_.Finish();
        dir_.reset();
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    void capturedTimeZone_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("hours");
        QTest::addColumn<int>("minutes");
        QTest::newRow("+9") << "+9" << 9 << 0;
        QTest::newRow("-11") << "-11" << -11 << 0;
        QTest::newRow("0") << "0" << 0 << 0;
        QTest::newRow("+11") << "+11" << 11 << 0;
        QTest::newRow("-1") << "-1" << -1 << 0;
        QTest::newRow("+5:45") << "+5:45" << 5 << 45;
        QTest::newRow("-9:30") << "-9:30" << -9 << -30;
        QTest::newRow("+14") << "+14" << 14 << 0;
    }
    void capturedTimeZone()
    {
        QFETCH(QString, item);
        QFETCH(int, hours);
        QFETCH(int, minutes);
        form().ddlTimeZone->setCurrentText(item);
        QCOMPARE(form().ddlTimeZone->currentText(), item);
        ConvertCancelled();
        QCOMPARE(form().TimeZoneHours, hours);
        QCOMPARE(form().TimeZoneMinutes, minutes);
        QCOMPARE(form().ConversionSettings().TimeZoneHours, hours);
        QCOMPARE(form().ConversionSettings().TimeZoneMinutes, minutes);
    }

    void capturedInterval_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("minutes");
        const int minutes[] = { 1, 2, 3, 5, 10 };
        for (int i = 0; i < 5; ++i)
            QTest::addRow("%d min", minutes[i]) << i << minutes[i];
    }
    void capturedInterval()
    {
        QFETCH(int, item);
        QFETCH(int, minutes);
        form().ddlInterval->setCurrentIndex(item);
        ConvertCancelled();
        QCOMPARE(form().WaypointIntervalMin, minutes);
        QCOMPARE(form().ConversionSettings().WaypointIntervalMin, minutes);
    }

    void capturedSpeedLimit_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("custom");
        QTest::addColumn<double>("kmh");
        QTest::newRow("walk") << "rdbWalk"
                              << "7" << 10.0;
        QTest::newRow("jog") << "rdbJog"
                             << "7" << 25.0;
        QTest::newRow("bicycle") << "rdbBicycle"
                                 << "7" << 70.0;
        QTest::newRow("car") << "rdbCar"
                             << "7" << 150.0;
        QTest::newRow("walk ignores a bad custom text") << "rdbWalk"
                                                        << "abc" << 10.0;
        QTest::newRow("custom 7") << "rdbUserDefine"
                                  << "7" << 7.0;
        QTest::newRow("custom zero") << "rdbUserDefine"
                                     << "0" << 0.0;
        QTest::newRow("custom negative") << "rdbUserDefine"
                                         << "-3.5" << -3.5;
        QTest::newRow("custom large") << "rdbUserDefine"
                                      << "1e4" << 10000.0;
    }
    void capturedSpeedLimit()
    {
        QFETCH(QString, mode);
        QFETCH(QString, custom);
        QFETCH(double, kmh);
        form().findChild<QRadioButton*>(mode)->click();
        form().txtLimitter->setText(custom);
        ConvertCancelled();
        QCOMPARE(form().SpeedLimitKmh, kmh);
        QCOMPARE(form().ConversionSettings().SpeedLimitKmh, kmh);
    }

    void emptyTimeZoneItemStopsBeforeAnyCapture()
    {
        ConvertCancelled(); // +9, 2 min, walking
        form().ddlTimeZone->setCurrentIndex(form().ddlTimeZone->count() - 1);
        form().ddlInterval->setCurrentIndex(3);
        form().rdbCar->click();
        form().cmdConvEach->click();
        QCOMPARE(dialogs().TakeBoxes(), QList<TBox>({ ErrorBox(IntegerError("")) }));
        QCOMPARE(form().TimeZoneHours, 9);
        QCOMPARE(form().WaypointIntervalMin, 2);
        QCOMPARE(form().SpeedLimitKmh, 10.0);
        QCOMPARE(dialogs().SaveOpenings.size(), 1); // only the first command's
    }

    void badCustomSpeedStopsAfterTimeZoneAndInterval_data()
    {
        QTest::addColumn<QString>("custom");
        for (const char* text : { "abc", "", "nan", "inf", "7km", "1,5", "１０" })
            QTest::newRow(text) << QString::fromUtf8(text);
    }
    void badCustomSpeedStopsAfterTimeZoneAndInterval()
    {
        QFETCH(QString, custom);
        form().AppendLogs({ In("a.log"), In("b.log") });
        form().ddlTimeZone->setCurrentText(QStringLiteral("-11"));
        form().ddlInterval->setCurrentIndex(4);
        form().rdbUserDefine->click();
        form().txtLimitter->setText(custom);
        form().cmdConvEach->click(); // no dialog opens
        QCOMPARE(
            dialogs().TakeBoxes(), QList<TBox>({ ErrorBox(FloatError(custom.toStdString())) }));
        QCOMPARE(form().TimeZoneHours, -11);
        QCOMPARE(form().WaypointIntervalMin, 10);
        QCOMPARE(form().SpeedLimitKmh, 0.0);
    }

    // An empty list has nothing to convert: Convert is disabled, so neither a click nor Enter
    // captures anything or shows a box.
    void emptyListDisablesConvert()
    {
        form().AppendLogs({ In("a.log") });
        form().cmdDeleteAll->click();
        QVERIFY(!form().cmdConvEach->isEnabled());
        form().cmdConvEach->click();
        QTest::keyClick(&form(), Qt::Key_Return);
        QCOMPARE(dialogs().TakeBoxes(), QList<TBox>());
        QCOMPARE(form().TimeZoneHours, 0); // nothing captured
        QCOMPARE(FilesIn(dir_->path()), QStringList());
    }

    // The settings model speaks for the controls: one change signal for each change of a control
    // the track depends on, none for the writers' own; the previews draw under what the Convert
    // command captures, and the format is the checked button's.
    void settingsModelTellsChangesAndMatchesTheCapture()
    {
        TSettingsModel& model = form().Settings();
        QSignalSpy changed(&model, &TSettingsModel::Changed);
        form().rdbCar->click();
        form().rdbUserDefine->click();
        form().txtLimitter->setText(QStringLiteral("42.5"));
        form().cmbOrgP->setCurrentIndex(9);
        form().ddlTimeZone->setCurrentText(QStringLiteral("-8"));
        form().ddlInterval->setCurrentIndex(4);
        QCOMPARE(changed.count(), 6);
        form().rdbGPX->click();
        form().chkWayPoint->click();
        form().SpinEdit1->setValue(50);
        QCOMPARE(changed.count(), 6);

        ConvertCancelled();
        const TConvertSettings preview = model.PreviewSettings();
        const TConvertSettings captured = form().ConversionSettings();
        QCOMPARE(captured.SpeedLimitKmh, 42.5);
        QCOMPARE(preview.SpeedLimitKmh, captured.SpeedLimitKmh);
        QCOMPARE(captured.TimeZoneHours, -8);
        QCOMPARE(preview.TimeZoneHours, captured.TimeZoneHours);
        QCOMPARE(captured.WaypointIntervalMin, 10);
        QCOMPARE(preview.WaypointIntervalMin, captured.WaypointIntervalMin);
        QCOMPARE(captured.OriginIndex, 9);
        QCOMPARE(preview.OriginIndex, captured.OriginIndex);
        QCOMPARE(preview.CurrentYear, kTestYear);
        QCOMPARE(captured.CurrentYear, kTestYear);
        QCOMPARE(model.OutputFormat().Name, std::string_view("gpx"));
    }

    void singleFileProposal_data()
    {
        QTest::addColumn<bool>("kml");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<int>("type");
        const QString log = kStamp + ".log", kml = kStamp + ".kml";
        QTest::newRow("KML") << true << QStringList() << kml << 2;
        QTest::newRow("NMEA") << false << QStringList() << log << 1;
        QTest::newRow("NMEA, .log taken") << false << QStringList { log } << kStamp + "_1.log" << 1;
        QTest::newRow("NMEA, .log and _1 taken")
            << false << QStringList { log, kStamp + "_1.log" } << kStamp + "_2.log" << 1;
        QTest::newRow("NMEA, only .kml taken") << false << QStringList { kml } << log << 1;
        // A default name never replaces an earlier output of the kind being written.
        QTest::newRow("KML, .kml taken") << true << QStringList { kml } << kStamp + "_1.kml" << 2;
        QTest::newRow("KML, only .log taken") << true << QStringList { log } << kml << 2;
    }
    void singleFileProposal()
    {
        QFETCH(bool, kml);
        QFETCH(QStringList, existing);
        QFETCH(QString, proposed);
        QFETCH(int, type);
        WriteWalk(In("a.log"));
        for (const QString& name : existing)
            WriteLog(In(name), { "earlier output" });
        const QStringList before = FilesIn(dir_->path());
        (kml ? form().rdbKML : form().rdbNMEA)->click();
        form().AppendLogs({ In("a.log") });

        dialogs().CancelSave();
        form().cmdConvEach->click();
        QCOMPARE(dialogs().SaveOpenings.size(), 1);
        const TSaveDialogState shown = dialogs().SaveOpenings.first();
        QCOMPARE(shown.FileName, In(proposed));
        QCOMPARE(shown.FilterIndex, type);
        QCOMPARE(shown.InitialDir, dir_->path() + "/");
        // Cancel writes nothing.
        QCOMPARE(FilesIn(dir_->path()), before);
        for (const QString& name : existing)
            QCOMPARE(ReadAll(In(name)), QByteArray("earlier output\r\n"));
    }

    // The GPX button, found by its name, proposes a .gpx default name under the dialog's third
    // type, and the type change offers .gpx for that type.
    void gpxButtonProposesGpx()
    {
        auto* gpx = form().findChild<QRadioButton*>(QStringLiteral("rdbGPX"));
        QVERIFY(gpx != nullptr);
        WriteWalk(In("a.log"));
        gpx->click();
        form().AppendLogs({ In("a.log") });
        dialogs().CancelSave();
        form().cmdConvEach->click();
        QCOMPARE(dialogs().SaveOpenings.size(), 1);
        QCOMPARE(dialogs().SaveOpenings.first().FileName, In(kStamp + ".gpx"));
        QCOMPARE(dialogs().SaveOpenings.first().FilterIndex, 3);
        QCOMPARE(TForm1::SaveDialog1TypeChange(3, "/d/" + kStamp + ".kml"), kStamp + ".gpx");
    }

    void singleFileConverts_data()
    {
        QTest::addColumn<bool>("kml");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QByteArray>("head");
        QTest::newRow("KML") << true << kStamp + ".kml" << kXmlHead;
        QTest::newRow("NMEA") << false << kStamp + ".log" << kNmeaHead;
    }
    void singleFileConverts()
    {
        QFETCH(bool, kml);
        QFETCH(QString, output);
        QFETCH(QByteArray, head);
        (kml ? form().rdbKML : form().rdbNMEA)->click();
        const QByteArray written = ConvertWalk(output);
        QVERIFY2(written.startsWith(head), written.left(80).constData());
        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(IsLengthBox(boxes.first()), qPrintable(boxes.first().Text));
        QCOMPARE(FilesIn(dir_->path()), QStringList({ "a.log", output }));
    }

    void chosenExtensionDecidesTheWriter()
    {
        // NMEA proposed; the user switches the dialog to "Google Earth".
        form().rdbNMEA->click();
        WriteWalk(In("a.log"));
        form().AppendLogs({ In("a.log") });
        QString switched;
        dialogs().AnswerSave([&](TSaveDialogState& state, const TTypeChange& typeChange) {
            switched = typeChange(2, state.FileName);
            state.FileName = FolderOf(state.FileName) + switched;
            state.FilterIndex = 2;
            return true;
        });
        form().cmdConvEach->click();
        QCOMPARE(switched, kStamp + ".kml");
        QVERIFY(ReadAll(In(kStamp + ".kml")).startsWith(kXmlHead));
        QVERIFY(IsLengthBox(dialogs().TakeBoxes().value(0)));
        QCOMPARE(form().SaveDialog1.FilterIndex, 2);

        // A batch opens the dialog with the type of the outputs it will write: NMEA here.
        WriteWalk(In("b.log"), "130507");
        form().AppendLogs({ In("b.log") });
        dialogs().CancelSave();
        form().cmdConvEach->click();
        QCOMPARE(dialogs().SaveOpenings.value(1).FilterIndex, 1);
        QCOMPARE(dialogs().SaveOpenings.value(1).FileName, QStringLiteral("dummy.log"));
    }

    void typeChangeSwapsTheExtension_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("shown");
        QTest::newRow("to Google Earth") << "/d/" + kStamp + ".log" << 2 << kStamp + ".kml";
        QTest::newRow("back to NMEA") << "/d/" + kStamp + ".kml" << 1 << kStamp + ".log";
        QTest::newRow("same type") << "/d/x.kml" << 2 << "x.kml";
        QTest::newRow("no extension") << "/d/name" << 2 << "name.kml";
        QTest::newRow("two dots") << "/d/a.b.log" << 2 << "a.b.kml";
        QTest::newRow("other extension") << "/d/out.txt" << 1 << "out.log";
        QTest::newRow("dot in the folder") << "/d.x/name" << 2 << "name.kml";
        // An empty name box gets the extension, ready for a name before it.
        QTest::newRow("no name") << "/d/" << 2 << ".kml";
    }
    void typeChangeSwapsTheExtension()
    {
        QFETCH(QString, path);
        QFETCH(int, type);
        QFETCH(QString, shown);
        QCOMPARE(TForm1::SaveDialog1TypeChange(type, path), shown);
    }

    // A log removed while the save dialog is open is its not-found error, naming the log, in
    // every format, whether the name was proposed or typed; nothing is written.
    void missingLogIsAnErrorNamingIt_data()
    {
        QTest::addColumn<QString>("type"); // the type button rdb<type>
        QTest::addColumn<QString>("typed"); // empty: the proposed name
        QTest::newRow("KML, proposed") << "KML" << QString();
        QTest::newRow("NMEA, proposed") << "NMEA" << QString();
        QTest::newRow("GPX, typed") << "GPX"
                                    << "out.gpx";
    }
    void missingLogIsAnErrorNamingIt()
    {
        QFETCH(QString, type);
        QFETCH(QString, typed);
        const QString log = WriteWalk(In("a.log"));
        form().findChild<QRadioButton*>("rdb" + type)->click();
        form().AppendLogs({ log });
        dialogs().AnswerSave([&](TSaveDialogState& state, const TTypeChange&) {
            QFile::remove(log);
            if (!typed.isEmpty())
                state.FileName = In(typed);
            return true;
        });
        form().cmdConvEach->click();
        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes, QList<TBox>({ ErrorBox(FileNotFound()) }));
        QCOMPARE(boxes[0].Detail, "ログ: " + log + "\n" + HintOf(FileNotFound()));
        QCOMPARE(FilesIn(dir_->path()), QStringList());
    }

    // An output that cannot be written names itself below the log, with the system's reason.
    void outputFaultIsNamedBelowTheLog()
    {
        const QString log = WriteWalk(In("a.log"));
        form().AppendLogs({ log });
        const QString missing = In("missing");
        dialogs().AnswerSave([&](TSaveDialogState& state, const TTypeChange&) {
            state.FileName = missing + "/out.kml";
            return true;
        });
        form().cmdConvEach->click();
        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes.size(), 1);
        const QStringList lines = boxes[0].Detail.split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], "ログ: " + log);
        QVERIFY2(lines[1].startsWith("出力フォルダ '" + missing + "': "), qPrintable(lines[1]));
        QCOMPARE(lines[2], HintOf(FileErrorFromErrno(ENOENT, TFileRole::OutputFolder, "")));
    }

    // A proposed name accepted as it is goes to this output only while nobody else has it: a
    // name taken meanwhile (another conversion of the same log) is passed over from the
    // proposal's own number on, never replaced, and the length box names the file written.
    void acceptedProposalReplacesNothing_data()
    {
        QTest::addColumn<QStringList>("earlier"); // before the dialog opens
        QTest::addColumn<QStringList>("removed"); // while it is open
        QTest::addColumn<QStringList>("made"); // while it is open
        QTest::addColumn<QString>("written");
        const QString kml = kStamp + ".kml", first = kStamp + "_1.kml";
        QTest::newRow("taken meanwhile")
            << QStringList() << QStringList() << QStringList { kml } << first;
        QTest::newRow("from the proposal's number") << QStringList { kml } << QStringList { kml }
                                                    << QStringList { first } << kStamp + "_2.kml";
        QTest::newRow("untouched")
            << QStringList { kml } << QStringList() << QStringList() << first;
    }
    void acceptedProposalReplacesNothing()
    {
        QFETCH(QStringList, earlier);
        QFETCH(QStringList, removed);
        QFETCH(QStringList, made);
        QFETCH(QString, written);
        WriteWalk(In("a.log"));
        for (const QString& name : earlier)
            WriteLog(In(name), { "earlier" });
        form().AppendLogs({ In("a.log") });
        QString proposed;
        dialogs().AnswerSave([&](TSaveDialogState& state, const TTypeChange&) {
            proposed = state.FileName;
            for (const QString& name : removed)
                QFile::remove(In(name));
            for (const QString& name : made)
                WriteLog(In(name), { "made meanwhile" });
            return true;
        });
        form().cmdConvEach->click();
        QCOMPARE(dialogs().ReplaceQuestions, QStringList());
        for (const QString& name : made)
            QCOMPARE(ReadAll(In(name)), QByteArray("made meanwhile\r\n"));
        QVERIFY(ReadAll(In(written)).startsWith(kXmlHead));
        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(IsLengthBox(boxes[0]));
        QCOMPARE(boxes[0].Detail, proposed == In(written) ? QString() : "出力: " + In(written));
    }

    // An error of a record line names the log and the line below the message, then what the
    // field should hold; the log's entry tells the error and its line.
    void errorBoxNamesTheLogAndLine()
    {
        const QString log = In("a.log");
        WriteLog(log,
            { "header", RecordLine("030405", "3539.0000", "13945.0000", "120507"),
                RecordLine("250000", "3539.1000", "13945.0000", "120507") });
        form().AppendLogs({ log });
        dialogs().AnswerSave(In("out.kml"));
        form().cmdConvEach->click();
        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes, QList<TBox>({ ErrorBox(TimeError("25:00:00")) }));
        ConvertError atLine = TimeError("25:00:00");
        atLine.SetLine(3);
        QCOMPARE(
            boxes[0].Detail, "ログ: " + log + "（3 行目）\n" + HintOf(atLine, TLogField::Time));
        const TLogResult result = ResultOf(*form().LogList->item(0));
        QCOMPARE(result.Outcome, TLogOutcome::Failed);
        QCOMPARE(result.Text, Utf8(TimeError("25:00:00")) + ".（3 行目）");
    }

    // In a batch the dialog only confirms the start: it asks nothing about replacing a file at
    // the path it returns, and it shows the type of the outputs to come.
    void batchAsksNothingAboutTheDialogsPath()
    {
        WriteWalk(In("a.log"));
        WriteWalk(In("b.log"), "130507");
        WriteLog(In("dummy.log"), { "not to be replaced" });
        form().AppendLogs({ In("a.log"), In("b.log") });
        dialogs().AnswerSave(In("dummy.log"));
        form().cmdConvEach->click();
        QCOMPARE(dialogs().SaveOpenings.value(0).FilterIndex, 2); // KML is selected
        QCOMPARE(dialogs().ReplaceQuestions, QStringList());
        QCOMPARE(dialogs().TakeBoxes().size(), 2);
        QCOMPARE(ReadAll(In("dummy.log")), QByteArray("not to be replaced\r\n"));
    }

    void sameFileIsRefused_data()
    {
        QTest::addColumn<QString>("spelling");
        QTest::addColumn<bool>("native"); // the answer with the platform's separators
        QTest::newRow("the entry itself") << "a.log" << false;
        QTest::newRow("dot segment") << "./a.log" << false;
        QTest::newRow("parent segment") << "sub/../a.log" << false;
        QTest::newRow("symbolic link") << "link.log" << false;
        QTest::newRow("hard link") << "hard.log" << false;
#ifdef Q_OS_WIN
        // Windows names one file with either separator and in any letter case.
        QTest::newRow("other separator") << "a.log" << true;
        QTest::newRow("other letter case") << "A.LOG" << false;
#endif
    }
    void sameFileIsRefused()
    {
        QFETCH(QString, spelling);
        QFETCH(bool, native);
        const QByteArray original = ReadAll(WriteWalk(In("a.log")));
        QDir(dir_->path()).mkdir("sub");
        std::error_code noLink;
        std::filesystem::create_symlink(ToPath(In("a.log")), ToPath(In("link.log")), noLink);
#ifdef Q_OS_WIN
        // MinGW's standard library makes no symbolic links on Windows (nor does wine), and
        // Windows itself only with a privilege or in developer mode.
        if (noLink && spelling == QLatin1String("link.log"))
            QSKIP(qPrintable(
                "no symbolic link can be made here: " + QString::fromStdString(noLink.message())));
#else
        QVERIFY2(!noLink, noLink.message().c_str());
#endif
        std::filesystem::create_hard_link(ToPath(In("a.log")), ToPath(In("hard.log")));
        const QStringList before = FilesIn(dir_->path());
        form().AppendLogs({ In("a.log") });
        const QString answer = dir_->path() + "/" + spelling;
        dialogs().AnswerSave(native ? QDir::toNativeSeparators(answer) : answer);
        form().cmdConvEach->click();
        // A warning, with what to do below it.
        const TBox refusal { TBoxKind::Warning, kBoxCaption,
            QStringLiteral("変換元と変換先のファイルが同じです") };
        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes, QList<TBox>({ refusal }));
        QCOMPARE(
            boxes[0].Detail, QString::fromStdString(*HintText(SameFile(), TLanguage::Japanese)));
        QCOMPARE(ReadAll(In("a.log")), original);
        QCOMPARE(FilesIn(dir_->path()), before);
    }

    // Left at the proposed folder (the first log's), the batch's dialog writes each output
    // beside its own log; another folder receives them all under their default names. The type
    // chosen in the dialog is the batch's format, and the window's choice follows it.
    void batchTakesTheDialogsTypeAndFolder_data()
    {
        QTest::addColumn<bool>("kml"); // the window's choice: KML, else NMEA
        QTest::addColumn<int>("type"); // chosen in the dialog; 0: as proposed
        QTest::addColumn<QString>("folder"); // chosen in the dialog: A (proposed) or C
        QTest::addColumn<QString>("ext");
        QTest::newRow("KML beside each log") << true << 0 << "A"
                                             << ".kml";
        QTest::newRow("NMEA beside each log") << false << 0 << "A"
                                              << ".log";
        QTest::newRow("KML into another folder") << true << 0 << "C"
                                                 << ".kml";
        QTest::newRow("GPX chosen over KML") << true << 3 << "A"
                                             << ".gpx";
        QTest::newRow("NMEA chosen over KML, into another folder") << true << 1 << "C"
                                                                   << ".log";
    }
    void batchTakesTheDialogsTypeAndFolder()
    {
        QFETCH(bool, kml);
        QFETCH(int, type);
        QFETCH(QString, folder);
        QFETCH(QString, ext);
        const QString a = Folder("A"), b = Folder("B"), c = Folder("C");
        WriteWalk(a + "/a.log");
        WriteWalk(b + "/b.log", "130507", "101010");
        (kml ? form().rdbKML : form().rdbNMEA)->click();
        form().AppendLogs({ a + "/a.log", b + "/b.log" });
        const QString chosen = folder == QLatin1String("A") ? a : c;
        dialogs().AnswerSave([&](TSaveDialogState& state, const TTypeChange& typeChange) {
            if (type != 0) {
                state.FileName = typeChange(type, state.FileName);
                state.FilterIndex = type;
            }
            state.FileName = chosen + "/" + state.FileName;
            return true;
        });
        form().cmdConvEach->click();

        const TSaveDialogState shown = dialogs().SaveOpenings.value(0);
        QCOMPARE(shown.FileName, QStringLiteral("dummy.log"));
        QCOMPARE(shown.InitialDir, a + "/");
        const QString first = kStamp + ext, second = "WG20070513101010" + ext;
        if (chosen == a) {
            QCOMPARE(FilesIn(a), QStringList({ "a.log", first }));
            QCOMPARE(FilesIn(b), QStringList({ "b.log", second }));
            QCOMPARE(FilesIn(c), QStringList());
        } else {
            QCOMPARE(FilesIn(a), QStringList({ "a.log" }));
            QCOMPARE(FilesIn(b), QStringList({ "b.log" }));
            QCOMPARE(FilesIn(c), QStringList({ first, second }));
        }
        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY(IsLengthBox(boxes[0]) && IsLengthBox(boxes[1]));
        QCOMPARE(boxes[1].Detail, "出力: " + (chosen == a ? b : c) + "/" + second);
        const int written = type != 0 ? type : kml ? 2 : 1;
        QCOMPARE(form().SaveDialog1.FilterIndex, written);
        QCOMPARE(form().Settings().OutputFormat().Extension, ext.toStdString());
    }

    void sameLogTwiceInABatch_data()
    {
        QTest::addColumn<bool>("kml");
        QTest::addColumn<QString>("ext");
        QTest::newRow("KML") << true << ".kml";
        QTest::newRow("NMEA") << false << ".log";
    }
    // Two logs of the same first fix in one folder (a log is listed once: here its copy).
    void sameLogTwiceInABatch()
    {
        QFETCH(bool, kml);
        QFETCH(QString, ext);
        WriteWalk(In("a.log"));
        WriteWalk(In("copy.log"));
        (kml ? form().rdbKML : form().rdbNMEA)->click();
        form().AppendLogs({ In("a.log"), In("copy.log") });
        dialogs().AnswerSave(In("dummy.log"));
        form().cmdConvEach->click();
        QCOMPARE(FilesIn(dir_->path()),
            QStringList({ "a.log", "copy.log", kStamp + ext, kStamp + "_1" + ext }));
        QCOMPARE(ReadAll(In(kStamp + ext)), ReadAll(In(kStamp + "_1" + ext)));
        QCOMPARE(dialogs().TakeBoxes().size(), 2);
    }

    // The default names' counters live for one batch: a name freed since is taken again.
    void freedDefaultNameIsTakenAgain()
    {
        WriteWalk(In("a.log"));
        WriteWalk(In("copy.log"));
        form().AppendLogs({ In("a.log"), In("copy.log") });
        for (int batch = 0; batch < 2; ++batch) {
            dialogs().AnswerSave(In("dummy.log"));
            form().cmdConvEach->click();
            QCOMPARE(dialogs().TakeBoxes().size(), 2);
            QCOMPARE(FilesIn(dir_->path()),
                QStringList({ "a.log", "copy.log", kStamp + ".kml", kStamp + "_1.kml" }));
            QVERIFY(QFile::remove(In(kStamp + ".kml")) && QFile::remove(In(kStamp + "_1.kml")));
        }
    }

    void batchCancelWritesNothing()
    {
        WriteWalk(In("a.log"));
        WriteWalk(In("b.log"));
        ConvertCancelled();
        QCOMPARE(FilesIn(dir_->path()), QStringList({ "a.log", "b.log" }));
    }

    void errorEndsTheBatch_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("hint");
        QTest::newRow("missing log") << false << Utf8(FileNotFound()) << HintOf(FileNotFound());
        QTest::newRow("empty log")
            << true << Utf8(TimeError("::")) << HintOf(TimeError("::"), TLogField::Time);
    }
    void errorEndsTheBatch()
    {
        QFETCH(bool, exists);
        QFETCH(QString, message);
        QFETCH(QString, hint);
        const QString a = Folder("A"), bad = Folder("bad"), c = Folder("C");
        WriteWalk(a + "/a.log");
        if (exists)
            WriteLog(bad + "/bad.log", {});
        WriteWalk(c + "/c.log");
        form().AppendLogs({ a + "/a.log", bad + "/bad.log", c + "/c.log" });
        dialogs().AnswerSave(a + "/dummy.log");
        form().cmdConvEach->click();

        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY(IsLengthBox(boxes[0]));
        QCOMPARE(boxes[1], (TBox { TBoxKind::Error, kBoxCaption, message + "." }));
        // Below the text: the output each length box reports on, the log that failed and what
        // was expected of it.
        QCOMPARE(boxes[0].Detail, "出力: " + a + "/" + kStamp + ".kml");
        QCOMPARE(boxes[1].Detail, "ログ: " + bad + "/bad.log\n" + hint);
        // Each entry tells what became of its log.
        QCOMPARE(ResultOf(*form().LogList->item(0)).Outcome, TLogOutcome::Converted);
        QCOMPARE(ResultOf(*form().LogList->item(1)).Outcome, TLogOutcome::Failed);
        QCOMPARE(ResultOf(*form().LogList->item(2)).Outcome, TLogOutcome::NotConverted);
        QCOMPARE(FilesIn(a), QStringList({ "a.log", kStamp + ".kml" }));
        QCOMPARE(FilesIn(bad), exists ? QStringList({ "bad.log" }) : QStringList());
        QCOMPARE(FilesIn(c), QStringList({ "c.log" }));
        // The list is intact and the window stays usable: the next command runs.
        QCOMPARE(form().LogList->count(), 3);
        QCOMPARE(form().LogList->item(1)->text(), QDir::toNativeSeparators(bad + "/bad.log"));
        dialogs().CancelSave();
        form().cmdConvEach->click();
        QCOMPARE(dialogs().SaveOpenings.size(), 2);
    }

    // Keep going: a failed log does not end the batch. The others are converted, each with its
    // length box, each entry tells what became of its log (the output and length, or the error
    // with its line), and one box at the end lists the failures.
    void keepGoingConvertsTheRestAndListsTheFailures()
    {
        WriteWalk(In("a.log"));
        WriteLog(In("notes.txt"), { "shopping list" });
        const QByteArray fix = RecordLine("030405", "3539.0000", "13945.0000", "120507");
        WriteLog(
            In("bad.log"), { "header", fix, fix, RecordLine("030415", "3539.0000", "", "120507") });
        WriteWalk(In("c.log"), "130507", "101010");
        form().chkKeepGoing->click();
        form().AppendLogs({ In("a.log"), In("notes.txt"), In("bad.log"), In("c.log") });
        dialogs().AnswerSave(In("dummy.log"));
        form().cmdConvEach->click();

        QCOMPARE(FilesIn(dir_->path()),
            QStringList({ "a.log", "bad.log", "c.log", "notes.txt", kStamp + ".kml",
                "WG20070513101010.kml" }));
        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes.size(), 3);
        QVERIFY(IsLengthBox(boxes[0]) && IsLengthBox(boxes[1]));
        QCOMPARE(boxes[2],
            (TBox { TBoxKind::Error, kBoxCaption,
                QStringLiteral("2 / 4 のログを変換できませんでした.") }));
        const QStringList failures = boxes[2].Detail.split('\n');
        QCOMPARE(failures.size(), 2);
        QVERIFY2(failures[0].startsWith(In("notes.txt") + ": "), qPrintable(failures[0]));
        QCOMPARE(failures[1], In("bad.log") + ": " + Utf8(IntegerError("")) + ".（4 行目）");

        const QList<TLogOutcome> outcomes { TLogOutcome::Converted, TLogOutcome::Failed,
            TLogOutcome::Failed, TLogOutcome::Converted };
        for (int i = 0; i < 4; ++i)
            QCOMPARE(ResultOf(*form().LogList->item(i)).Outcome, outcomes[i]);
        QListWidgetItem* converted = form().LogList->item(3);
        // The log with the platform's separators, as the list shows it.
        QCOMPARE(converted->toolTip(),
            QDir::toNativeSeparators(In("c.log")) + "\n出力: " + In("WG20070513101010.kml") + " — "
                + boxes[1].Text);
        QVERIFY(!converted->icon().isNull());
        QCOMPARE(form().LogList->item(2)->toolTip(),
            QDir::toNativeSeparators(In("bad.log")) + "\n" + Utf8(IntegerError(""))
                + ".（4 行目）");
    }

    // One summary instead of a box per log: the batch ends in one box that tells each log's
    // output and length, or its error, or that it was not reached, with a button that opens the
    // outputs' folder.
    void summaryEndsTheBatchInOneBox_data()
    {
        QTest::addColumn<bool>("bad"); // the second log is no log
        QTest::newRow("all converted") << false;
        QTest::newRow("stopped by a failure") << true;
    }
    void summaryEndsTheBatchInOneBox()
    {
        QFETCH(bool, bad);
        WriteWalk(In("a.log"));
        WriteLog(In("b.log"), { "not a log" });
        if (!bad)
            WriteWalk(In("b.log"), "130507", "101010");
        WriteWalk(In("c.log"), "140507", "101010");
        form().chkSummary->click();
        form().AppendLogs({ In("a.log"), In("b.log"), In("c.log") });
        dialogs().OpenFolderFromSummary = true;
        dialogs().AnswerSave(In("dummy.log"));
        form().cmdConvEach->click();

        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes.size(), 1);
        const TBox& summary = boxes[0];
        QCOMPARE(summary.Kind, bad ? TBoxKind::Error : TBoxKind::Message);
        QCOMPARE(summary.Caption, kBoxCaption);
        QCOMPARE(summary.Text,
            bad ? QStringLiteral("1 / 3 のログを変換しました")
                : QStringLiteral("3 / 3 のログを変換しました"));
        const QStringList lines = summary.Detail.split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith("a.log → " + kStamp + ".kml: The passway length = "),
            qPrintable(lines[0]));
        if (bad) {
            QVERIFY2(lines[1].startsWith("b.log: "), qPrintable(lines[1]));
            QCOMPARE(lines[2], QStringLiteral("c.log: 変換していません"));
        } else {
            QVERIFY2(lines[2].startsWith("c.log → WG20070514101010.kml: The passway length = "),
                qPrintable(lines[2]));
        }
        QCOMPARE(summary.Folder, dir_->path());
        QCOMPARE(dialogs().OpenedFolders, QStringList({ dir_->path() }));
    }

    void waypointColourAndOpacity_data()
    {
        QTest::addColumn<bool>("openDialog");
        QTest::addColumn<QColor>("picked"); // invalid: Cancel
        QTest::addColumn<int>("opacity");
        QTest::addColumn<QByteArray>("element");
        QTest::newRow("untouched: the white swatch")
            << false << QColor() << 66 << QByteArray("<color>A8FFFFFF</color>");
        QTest::newRow("cancelled")
            << true << QColor() << 66 << QByteArray("<color>A8FFFFFF</color>");
        QTest::newRow("red") << true << QColor(255, 0, 0) << 66
                             << QByteArray("<color>A80000FF</color>");
        QTest::newRow("white, 100 %")
            << false << QColor() << 100 << QByteArray("<color>FFFFFFFF</color>");
        QTest::newRow("black, 10 %")
            << true << QColor(0, 0, 0) << 10 << QByteArray("<color>19000000</color>");
    }
    void waypointColourAndOpacity()
    {
        QFETCH(bool, openDialog);
        QFETCH(QColor, picked);
        QFETCH(int, opacity);
        QFETCH(QByteArray, element);
        if (openDialog) {
            dialogs().AnswerColor(picked.isValid() ? std::optional<QColor>(picked) : std::nullopt);
            form().Button2->click();
        }
        form().SpinEdit1->setValue(opacity);
        const QByteArray document = ConvertWalk(kStamp + ".kml");
        // Template lines 3 and 19, without their indentation.
        QCOMPARE(CountLines(document, element), 2);
        QCOMPARE(dialogs().TakeBoxes().size(), 1);
    }

    void typedOpacityWhenEnterConverts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("element");
        QTest::newRow("150") << "150" << QByteArray("<color>FFFFFFFF</color>");
        QTest::newRow("5") << "5" << QByteArray("<color>19FFFFFF</color>");
    }
    void typedOpacityWhenEnterConverts()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, element);
        WriteWalk(In("a.log"));
        form().AppendLogs({ In("a.log") });
        form().show();
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        form().SpinEdit1->setFocus();
        form().SpinEdit1->selectAll();
        QTest::keyClicks(form().SpinEdit1, typed);
        dialogs().AnswerSave([](TSaveDialogState&, const TTypeChange&) { return true; });
        QTest::keyClick(form().SpinEdit1, Qt::Key_Return);
        QCOMPARE(CountLines(ReadAll(In(kStamp + ".kml")), element), 2);
        QCOMPARE(dialogs().TakeBoxes().size(), 1);
    }

    void timeZoneReachesTheDocument_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("+9") << "+9" << QByteArray("010000")
                            << QByteArray("<name>07/01/01, 10:00</name>");
        QTest::newRow("-11") << "-11" << QByteArray("050000")
                             << QByteArray("<name>06/12/31, 18:00</name>");
        QTest::newRow("+5:45") << "+5:45" << QByteArray("010000")
                               << QByteArray("<name>07/01/01, 06:45</name>");
    }
    void timeZoneReachesTheDocument()
    {
        QFETCH(QString, item);
        QFETCH(QByteArray, time);
        QFETCH(QByteArray, name);
        WriteWalk(In("a.log"), "010107", time.constData());
        form().ddlTimeZone->setCurrentText(item);
        form().AppendLogs({ In("a.log") });
        dialogs().AnswerSave([](TSaveDialogState&, const TTypeChange&) { return true; });
        form().cmdConvEach->click();
        const QString output = In("WG20070101" + QString::fromLatin1(time) + ".kml");
        QCOMPARE(CountLines(ReadAll(output), name), 1);
        QCOMPARE(dialogs().TakeBoxes().size(), 1);
    }

    void waypointsOffLeaveOutStyleAndFolder()
    {
        form().chkWayPoint->click();
        const QByteArray document = ConvertWalk(kStamp + ".kml");
        QVERIFY(document.startsWith(kXmlHead));
        QVERIFY(!document.contains("<Style id=\"sh_wht-blank\">"));
        QVERIFY(!document.contains("<Folder>"));
        QVERIFY(document.contains("<coordinates>"));
        QCOMPARE(dialogs().TakeBoxes().size(), 1);
    }

    void speedLimitReachesTheFilter_data()
    {
        QTest::addColumn<QString>("custom");
        QTest::addColumn<bool>("dropped");
        QTest::newRow("1 km/h drops the 3 km/h walk") << "1" << true;
        QTest::newRow("7 km/h keeps it") << "7" << false;
    }
    void speedLimitReachesTheFilter()
    {
        QFETCH(QString, custom);
        QFETCH(bool, dropped);
        form().rdbUserDefine->click();
        form().txtLimitter->setText(custom);
        ConvertWalk(kStamp + ".kml");
        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(IsLengthBox(boxes.first()));
        QCOMPARE(boxes.first().Text == QLatin1String("The passway length = 0.00 km"), dropped);
    }

    // The golden logs of tests/data converted through the window, set up as each expected file
    // was worked out: the outputs are those files byte for byte. With OSTREL_WINDOW_OUTPUTS
    // naming a folder, each output is also kept there as <type>/<row>.<ext> (NMEA/WalkNmea.log),
    // for tools/windows_app.sh to hold the Windows window's outputs against ostrel-convert's.
    void goldenLogsGiveTheExpectedFiles_data()
    {
        QTest::addColumn<QString>("log"); // the folder in tests/data
        QTest::addColumn<QString>("type"); // NMEA, KML or GPX: the type button rdb<type>
        QTest::addColumn<QString>("mode"); // the speed limit's button
        QTest::addColumn<int>("interval"); // the waypoint interval's item: 0 = 1 min, 1 = 2 min
        QTest::addColumn<bool>("waypoints");
        QTest::addColumn<int>("opacity");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QString>("expected");
        const QColor red(255, 0, 0), white(255, 255, 255), black(0, 0, 0);
        const QString walk = QStringLiteral("rdbWalk"), bicycle = QStringLiteral("rdbBicycle");
        const auto row = [](const char* name, const char* log, const char* type,
                             const QString& mode, int interval, bool waypoints, int opacity,
                             const QColor& color, const char* expected) {
            QTest::newRow(name) << log << type << mode << interval << waypoints << opacity << color
                                << expected;
        };
        row("WalkNmea", "walk", "NMEA", walk, 1, true, 66, red, "expected.log");
        row("WalkKml", "walk", "KML", walk, 1, true, 66, red, "expected.kml");
        row("WalkKmlNoWaypoints", "walk", "KML", walk, 1, false, 66, red,
            "expected_nowaypoints.kml");
        row("WalkGpx", "walk", "GPX", walk, 1, true, 66, red, "expected.gpx");
        row("WalkGpxNoWaypoints", "walk", "GPX", walk, 1, false, 66, red,
            "expected_nowaypoints.gpx");
        row("MidnightNmea", "midnight", "NMEA", bicycle, 0, true, 100, white, "expected.log");
        row("MidnightKml", "midnight", "KML", bicycle, 0, true, 100, white, "expected.kml");
        row("MidnightGpx", "midnight", "GPX", bicycle, 0, true, 100, white, "expected.gpx");
        row("SingleNmea", "single", "NMEA", walk, 1, true, 10, black, "expected.log");
        row("SingleKml", "single", "KML", walk, 1, true, 10, black, "expected.kml");
        row("SingleGpx", "single", "GPX", walk, 1, true, 10, black, "expected.gpx");
        row("DroppedNmea", "dropped", "NMEA", walk, 1, true, 10, black, "expected.log");
        row("DroppedKml", "dropped", "KML", walk, 1, true, 10, black, "expected.kml");
    }
    void goldenLogsGiveTheExpectedFiles()
    {
        QFETCH(QString, log);
        QFETCH(QString, type);
        QFETCH(QString, mode);
        QFETCH(int, interval);
        QFETCH(bool, waypoints);
        QFETCH(int, opacity);
        QFETCH(QColor, color);
        QFETCH(QString, expected);
        const QString data = QStringLiteral(OSTREL_TEST_DATA "/") + log;
        QVERIFY(QFile::copy(data + "/input.log", In("input.log")));

        // The colour is chosen while KML, which it serves, is (at start).
        dialogs().AnswerColor(color);
        form().Button2->click();
        form().findChild<QRadioButton*>("rdb" + type)->click();
        form().findChild<QRadioButton*>(mode)->click();
        form().ddlInterval->setCurrentIndex(interval);
        form().chkWayPoint->setChecked(waypoints);
        form().SpinEdit1->setValue(opacity);
        form().AppendLogs({ In("input.log") });
        const QString output = In(QString::fromLatin1(QTest::currentDataTag())
            + expected.mid(expected.lastIndexOf(QLatin1Char('.'))));
        dialogs().AnswerSave(output);
        form().cmdConvEach->click();

        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(IsLengthBox(boxes.first()), qPrintable(boxes.first().Text));
        QByteArray want = ReadAll(data + "/" + expected);
        want.replace("@VERSION@", OSTREL_VERSION); // the GPX creator names the build's version
        const QByteArray written = ReadAll(output);
        const QString difference = FirstDifference(want, written);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));

        const QString keep = qEnvironmentVariable("OSTREL_WINDOW_OUTPUTS");
        if (!keep.isEmpty()) {
            const QString folder = keep + "/" + type;
            const QString kept = folder + "/" + QFileInfo(output).fileName();
            QVERIFY(QDir().mkpath(folder));
            QFile::remove(kept);
            QVERIFY2(QFile::copy(output, kept), qPrintable(kept));
        }
    }
};

std::unique_ptr<QObject> MakeConvertTests()
{
    return std::make_unique<TestConvert>();
}

} // namespace ostrel::test

#include "convert_tests.moc"
