// The main window: its controls and defaults, the list of logs, drops, keys, the colour and the
// opacity box.

#include "app/command_line.h"
#include "app/translations.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "core/messages.h"
#include "form_fixture.h"
#include "geo/projection.h"
#include "geo/travel_modes.h"
#include "log_files.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QXmlStreamReader>
#include <filesystem>

namespace ostrel::test {

namespace {

QStringList Entries(const QListWidget* list)
{
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    return entries;
}

// Drags urls over target and drops them there, as the platform does: the drop goes to the
// widget that accepted the drag. Returns whether the drop was taken.
bool Drop(QWidget* target, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QList<QUrl> Urls(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    return urls;
}

// Paths as the window lists them: with the platform's separators (backslashes on Windows).
QStringList Native(const QStringList& paths)
{
    QStringList native;
    for (const QString& path : paths)
        native << QDir::toNativeSeparators(path);
    return native;
}

QString ButtonText(QWidget* widget)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        return group->title();
    return {};
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

    TFormFixture fixture_;
    TForm1& form() { return *fixture_.Form; }
    TScriptedDialogs& dialogs() { return *fixture_.Dialogs; }

    // Shows the window and waits until it has the keyboard.
    bool ShowActive()
    {
        form().show();
        return QTest::qWaitForWindowActive(&form());
    }

private slots:
    void init() { fixture_.Start(); }
    void cleanup()
    {
        const QString problems = fixture_.Finish();
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    void defaultsAtStart()
    {
        TForm1& f = form();
        QCOMPARE(f.windowTitle(), QStringLiteral("Ostrel Log Converter"));
        QCOMPARE(f.LogList->count(), 0);
        QVERIFY(!f.cmdConvEach->isEnabled());
        QVERIFY(f.rdbWalk->isChecked());
        QVERIFY(f.rdbKML->isChecked());
        QVERIFY(f.chkWayPoint->isChecked());
        QCOMPARE(f.ddlInterval->currentText(), QStringLiteral("2"));
        QCOMPARE(f.ddlTimeZone->currentIndex(), 20);
        QCOMPARE(f.ddlTimeZone->currentText(), QStringLiteral("+9"));
        QCOMPARE(f.ddlTimeZone->count(), 24);
        QCOMPARE(f.ddlTimeZone->itemText(23), QString());
        QCOMPARE(f.cmbOrgP->currentIndex(), 0);
        QCOMPARE(f.cmbOrgP->count(), 20);
        QCOMPARE(f.SpinEdit1->value(), 66);
        QCOMPARE(f.SpinEdit1->minimum(), 10);
        QCOMPARE(f.SpinEdit1->maximum(), 100);
        QCOMPARE(f.txtLimitter->text(), QStringLiteral("7"));
        QCOMPARE(f.Shape1->BrushColor(), QColor(Qt::white));
        QCOMPARE(f.SaveDialog1.FilterIndex, 1);
        QCOMPARE(f.TimeZoneHours, 0);
        QCOMPARE(f.WaypointIntervalMin, 0);
        QCOMPARE(f.SpeedLimitKmh, 0.0);

        // The hidden template holds the writer's 42 lines.
        QVERIFY(f.txtStyle->isHidden());
        QCOMPARE(f.txtStyle->document()->blockCount(), kStyleTemplateLines);
        const TStyleTemplate& lines = DefaultStyleTemplate();
        for (int i = 0; i < kStyleTemplateLines; ++i)
            QCOMPARE(f.txtStyle->document()->findBlockByNumber(i).text().toStdString(), lines[i]);
        QCOMPARE(f.ConversionSettings().StyleTemplate, lines);
    }

    void fixedClientArea()
    {
        QVERIFY(ShowActive());
        QCOMPARE(form().size(), QSize(451, 423));
        QCOMPARE(form().minimumSize(), QSize(451, 423));
        QCOMPARE(form().maximumSize(), QSize(451, 423));
        form().resize(600, 500);
        QCOMPARE(form().size(), QSize(451, 423));
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("caption");
        const auto row
            = [](const char* name, const char* kind, const char* parent, const char* caption) {
                  QTest::newRow(name) << name << kind << parent << QString::fromUtf8(caption);
              };
        row("LogList", "QListWidget", "Form1", "");
        row("cmdAddLogs", "QPushButton", "Form1", "Add logs ...");
        row("cmdDelete", "QPushButton", "Form1", "Delete");
        row("cmdDeleteAll", "QPushButton", "Form1", "Delete all");
        row("GroupBox1", "QGroupBox", "Form1", "座標系");
        row("cmbOrgP", "QComboBox", "GroupBox1", "");
        row("GroupBox2", "QGroupBox", "Form1", "モード（最大許容速度）");
        row("rdbWalk", "QRadioButton", "GroupBox2", "徒歩(~10km/h)");
        row("rdbJog", "QRadioButton", "GroupBox2", "ジョギング(~25km/h)");
        row("rdbBicycle", "QRadioButton", "GroupBox2", "自転車(~70km/h)");
        row("rdbCar", "QRadioButton", "GroupBox2", "自動車(~150km/h)");
        row("rdbUserDefine", "QRadioButton", "GroupBox2", "任意");
        row("txtLimitter", "QLineEdit", "GroupBox2", "");
        row("Label1", "QLabel", "GroupBox2", "km/h");
        row("GroupBox3", "QGroupBox", "Form1", "変換先");
        row("rdbNMEA", "QRadioButton", "GroupBox3", "NMEA-0183(GGA, RMC)");
        row("rdbKML", "QRadioButton", "GroupBox3", "Google Earth KML");
        row("rdbGPX", "QRadioButton", "GroupBox3", "GPX 1.1");
        row("Label2", "QLabel", "GroupBox3", "TimeZone");
        row("ddlTimeZone", "QComboBox", "GroupBox3", "");
        row("chkWayPoint", "QCheckBox", "GroupBox3", "ポイント（間隔/分）");
        row("ddlInterval", "QComboBox", "GroupBox3", "");
        row("Button2", "QPushButton", "GroupBox3", "ポイントの色");
        row("Shape1", "ostrel::TShape", "GroupBox3", "");
        row("Label3", "QLabel", "GroupBox3", "不透明度(%)");
        row("SpinEdit1", "ostrel::TSpinEdit", "GroupBox3", "");
        row("Button1", "QPushButton", "Form1", "Canel");
        row("cmdConvEach", "QPushButton", "Form1", "Convert");
        row("txtStyle", "QPlainTextEdit", "Form1", "");
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, parent);
        QFETCH(QString, caption);
        auto* widget = form().findChild<QWidget*>(name);
        QVERIFY(widget != nullptr);
        QVERIFY2(widget->inherits(kind.toLatin1().constData()), widget->metaObject()->className());
        QCOMPARE(widget->parentWidget()->objectName(), parent);
        QCOMPARE(ButtonText(widget), caption);
        // Every control but the hidden template lies inside its parent.
        if (name != QLatin1String("txtStyle"))
            QVERIFY(widget->parentWidget()->rect().contains(widget->geometry()));
    }

    void tabOrderAndFirstFocus()
    {
        QVERIFY(ShowActive());
        TForm1& f = form();
        QCOMPARE(QApplication::focusWidget(), f.cmdAddLogs);

        const QStringList expected { "cmdConvEach", "cmdAddLogs", "cmdDelete", "cmdDeleteAll",
            "cmbOrgP", "rdbWalk", "rdbJog", "rdbBicycle", "rdbCar", "rdbUserDefine", "txtLimitter",
            "Button1", "LogList", "rdbNMEA", "rdbGPX", "rdbKML", "ddlTimeZone", "chkWayPoint",
            "ddlInterval", "Button2", "SpinEdit1", "txtStyle" };
        QStringList chain;
        QWidget* widget = f.cmdConvEach;
        do {
            if (expected.contains(widget->objectName()) && !chain.contains(widget->objectName()))
                chain << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != f.cmdConvEach);
        QCOMPARE(chain, expected);
    }

    void dropsAppendInOrder()
    {
        TForm1& f = form();
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a.log"));
        const QString b = dir.filePath(QStringLiteral("ログ 2.log"));
        QString deep = dir.path();
        while (deep.size() < 300)
            deep += QStringLiteral("/a folder with a long name");
        deep += QStringLiteral("/log.txt");

        QVERIFY(Drop(&f, Urls({ a, b, deep })));
        QCOMPARE(Entries(f.LogList), Native({ a, b, deep }));
        QVERIFY(f.cmdConvEach->isEnabled());
        // Anywhere on the window, also over the list and an edit box; a listed path again.
        QVERIFY(Drop(f.LogList, Urls({ a })));
        QVERIFY(Drop(f.txtLimitter, Urls({ b })));
        QCOMPARE(Entries(f.LogList), Native({ a, b, deep, a, b }));
        QCOMPARE(f.txtLimitter->text(), QStringLiteral("7"));
    }

    // A URL that names no file on this computer is refused in words, naming it; the local files
    // of the same drop are listed.
    void remoteUrlsAreRefused()
    {
        TForm1& f = form();
        const QString https = QStringLiteral("https://example.com/a.log");
        const QString share = QStringLiteral("file://host/share/a.log");
        QVERIFY(Drop(&f, { QUrl(https), QUrl(share), QUrl::fromLocalFile("/logs/a.log") }));
#ifdef Q_OS_WIN
        // Windows reads a share by its UNC path.
        QCOMPARE(Entries(f.LogList), QStringList({ "\\\\host\\share\\a.log", "\\logs\\a.log" }));
        const QStringList refused { https };
#else
        QCOMPARE(Entries(f.LogList), QStringList({ "/logs/a.log" }));
        const QStringList refused { https, share };
#endif
        const QList<TBox> boxes = dialogs().TakeBoxes();
        const TBox refusal { TBoxKind::Error, QStringLiteral("app_tests"),
            QStringLiteral("このコンピューター上のファイルではないため、追加できません.") };
        QCOMPARE(boxes, QList<TBox>({ refusal }));
        QCOMPARE(boxes[0].Detail, refused.join(QLatin1Char('\n')));
    }

    // A folder gives its own logs, "*.log" in any letter case, in the byte order of their names.
    void folderListsItsLogsInNameOrder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString logs = dir.filePath(QStringLiteral("logs"));
        QVERIFY(QDir().mkpath(logs + "/sub") && QDir().mkpath(logs + "/folder.log"));
        for (const char* name : { "b.log", "A.LOG", "c.Log", "a.log", "notes.txt", "sub/d.log" })
            WriteLog(logs + "/" + QLatin1String(name), {});
        const QString after = dir.filePath(QStringLiteral("after.log"));
        QVERIFY(Drop(&form(), Urls({ logs, after })));
        QCOMPARE(Entries(form().LogList),
            Native({ logs + "/A.LOG", logs + "/a.log", logs + "/b.log", logs + "/c.Log", after }));
    }

    // A name that is no UTF-8, dropped or named on the command line, keeps its bytes: the log
    // converts.
    void nameThatIsNoUtf8Converts_data()
    {
        QTest::addColumn<bool>("drop");
        QTest::newRow("drop") << true;
        QTest::newRow("command line") << false;
    }
    void nameThatIsNoUtf8Converts()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows names are UTF-16");
#else
        QFETCH(bool, drop);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string name = QFile::encodeName(dir.path()).toStdString() + "/walk\xff\xfe.log";
        std::filesystem::rename(ToPath(WriteWalk(dir.filePath("walk.log"))), name);
        // QTemporaryDir cannot spell the name to remove it.
        struct TRemoved
        {
            const std::string& Name;
            ~TRemoved()
            {
                std::error_code ignored;
                std::filesystem::remove(Name, ignored);
            }
        } removed { name };
        TForm1& f = form();
        if (drop) {
            QVERIFY(Drop(&f,
                { QUrl::fromEncoded(
                    "file://" + QByteArray::fromStdString(name).toPercentEncoding("/")) }));
        } else {
            const char* const argv[] = { "ostrel", name.c_str(), nullptr };
            f.AppendPaths(ParseWindowCommandLine(WindowArguments(2, argv)).Logs);
        }
        QCOMPARE(f.LogList->count(), 1);
        QCOMPARE(TForm1::LogPath(f.LogList->item(0)), std::filesystem::path(name));
        dialogs().AnswerSave([](TSaveDialogState&, const TTypeChange&) { return true; });
        f.cmdConvEach->click();
        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].Text.startsWith("The passway length = "), qPrintable(boxes[0].Text));
        QVERIFY(QFileInfo::exists(dir.filePath("WG20070512030405.kml")));
#endif
    }

    void addLogs()
    {
        TForm1& f = form();
        dialogs().AnswerOpen({}); // Cancel
        f.cmdAddLogs->click();
        QCOMPARE(f.LogList->count(), 0);
        QVERIFY(!f.cmdConvEach->isEnabled());

        dialogs().AnswerOpen({ "/logs/b.log", "/logs/a.log" });
        f.cmdAddLogs->click();
        dialogs().AnswerOpen({ "/logs/b.log" });
        f.cmdAddLogs->click();
        QCOMPARE(Entries(f.LogList), QStringList({ "/logs/b.log", "/logs/a.log", "/logs/b.log" }));
        QVERIFY(f.cmdConvEach->isEnabled());
    }

    void deleteAndDeleteAll()
    {
        TForm1& f = form();
        f.AppendLogs({ "/a.log", "/b.log", "/c.log" });
        f.LogList->setCurrentRow(1);
        f.cmdDelete->click();
        QCOMPARE(Entries(f.LogList), QStringList({ "/a.log", "/c.log" }));

        f.LogList->clearSelection();
        f.cmdDelete->click(); // nothing selected: nothing happens
        QCOMPARE(Entries(f.LogList), QStringList({ "/a.log", "/c.log" }));

        f.cmdDeleteAll->click();
        QCOMPARE(f.LogList->count(), 0);
        QVERIFY(f.cmdConvEach->isEnabled()); // never disabled again
        f.cmdDelete->click();
        QVERIFY(f.cmdConvEach->isEnabled());
    }

    // After Delete nothing is selected, so a second Delete does nothing.
    void deleteLeavesNothingSelected()
    {
        TForm1& f = form();
        f.AppendLogs({ "/a.log", "/b.log", "/c.log" });
        f.LogList->setCurrentRow(1);
        f.cmdDelete->click();
        QVERIFY(f.LogList->selectedItems().isEmpty());
        f.cmdDelete->click();
        QCOMPARE(Entries(f.LogList), QStringList({ "/a.log", "/c.log" }));
    }

    // A path too long for the list shows whole in its tooltip.
    void longPathsInTheTooltip()
    {
        QString deep = QStringLiteral("/home/user");
        while (deep.size() < 200)
            deep += QStringLiteral("/a folder with a long name");
        form().AppendLogs({ deep + "/log.txt" });
        QCOMPARE(form().LogList->item(0)->toolTip(), deep + "/log.txt");
    }

    // Tab enters a group of radio buttons at its checked button, whichever that is.
    void tabEntersTheOutputGroupAtItsCheckedButton_data()
    {
        QTest::addColumn<QString>("checked");
        QTest::newRow("KML") << "rdbKML";
        QTest::newRow("NMEA") << "rdbNMEA";
    }
    void tabEntersTheOutputGroupAtItsCheckedButton()
    {
        QFETCH(QString, checked);
        QVERIFY(ShowActive());
        form().findChild<QRadioButton*>(checked)->setChecked(true);
        form().LogList->setFocus(); // the control before the output group
        QTest::keyClick(form().LogList, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), checked);
        // Shift+Tab leaves the group backwards, and Tab comes back to the same button.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), form().LogList);
    }

    // The English window: every caption and item translated, the cancel button spelled
    // right, the error box in English.
    void englishWindow()
    {
        const TLanguageScope scope(TLanguage::English);
        fixture_.Start();
        TForm1& f = form();
        QCOMPARE(f.Button1->text(), QStringLiteral("Cancel"));
        for (QWidget* widget : f.findChildren<QWidget*>()) {
            const QString text = ButtonText(widget);
            QVERIFY2(!text.contains(QRegularExpression(
                         QStringLiteral("[\\x{3000}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"))),
                qPrintable(widget->objectName() + ": " + text));
        }
        for (const QComboBox* list : { f.cmbOrgP, f.ddlTimeZone, f.ddlInterval }) {
            for (int i = 0; i < list->count(); ++i)
                QVERIFY2(list->itemText(i).toLatin1() == list->itemText(i).toUtf8(),
                    qPrintable(list->itemText(i)));
        }
        f.AppendLogs({ "/logs/a.log" });
        f.cmdDeleteAll->click();
        f.cmdConvEach->click(); // the empty list fails
        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].Text,
            QString::fromStdString(MessageText(ListIndexOutOfRange(0), TLanguage::English)));
    }

    // The core's tables give the window its mode captions and zone names in both languages, and
    // the English translation file has a finished translation for every entry.
    void translationsAreComplete()
    {
        {
            const TLanguageScope scope(TLanguage::English);
            for (const TTravelMode& mode : TravelModes())
                QCOMPARE(CoreText(mode.Caption, mode.EnglishCaption),
                    QString::fromUtf8(mode.EnglishCaption.data(),
                        static_cast<qsizetype>(mode.EnglishCaption.size())));
        }
        for (const TZone& zone : kZones) {
            QVERIFY(!zone.EnglishName.empty());
            QVERIFY(zone.EnglishName != zone.Name);
        }

        QFile file(QStringLiteral(OSTREL_TS_EN));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        int messages = 0;
        QStringList unfinished;
        QString source;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("source"))
                source = xml.readElementText();
            else if (xml.name() == QLatin1String("translation")) {
                ++messages;
                const QString type = xml.attributes().value(QLatin1String("type")).toString();
                if (!type.isEmpty() || xml.readElementText().isEmpty())
                    unfinished << source;
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(messages > 0);
        QVERIFY2(unfinished.isEmpty(), qPrintable(unfinished.join(QStringLiteral(", "))));
    }

    void escapeCloses_data()
    {
        QTest::addColumn<QString>("focus");
        for (const char* name :
            { "LogList", "cmdDelete", "cmbOrgP", "txtLimitter", "SpinEdit1", "rdbKML" })
            QTest::newRow(name) << name;
    }
    void escapeCloses()
    {
        QFETCH(QString, focus);
        QVERIFY(ShowActive());
        form().AppendLogs({ "/a.log" });
        auto* widget = form().findChild<QWidget*>(focus);
        widget->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!form().isVisible());
    }

    void cancelButtonCloses()
    {
        QVERIFY(ShowActive());
        form().Button1->click();
        QVERIFY(!form().isVisible());
    }

    void enterConvertsUnlessOnAnotherButton_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("converts");
        for (const char* name : { "LogList", "txtLimitter", "ddlTimeZone", "rdbJog", "chkWayPoint",
                 "SpinEdit1", "cmdConvEach" })
            QTest::newRow(name) << name << true;
        QTest::newRow("cmdDeleteAll") << "cmdDeleteAll" << false;
    }
    void enterConvertsUnlessOnAnotherButton()
    {
        QFETCH(QString, focus);
        QFETCH(bool, converts);
        QVERIFY(ShowActive());
        TForm1& f = form();
        f.AppendLogs({ "/logs/a.log", "/logs/b.log" }); // two logs: the dialog comes first
        if (converts)
            dialogs().CancelSave();
        f.findChild<QWidget*>(focus)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(dialogs().SaveOpenings.size(), converts ? 1 : 0);
        QCOMPARE(f.LogList->count(), converts ? 2 : 0); // Enter on Delete all deletes
    }

    void enterOnAddLogsOpensTheOpenDialog()
    {
        QVERIFY(ShowActive());
        dialogs().AnswerOpen({ "/logs/a.log" });
        QTest::keyClick(form().cmdAddLogs, Qt::Key_Return);
        QCOMPARE(form().LogList->count(), 1);
    }

    void enterDoesNothingWhileConvertIsDisabled()
    {
        QVERIFY(ShowActive());
        form().LogList->setFocus();
        QTest::keyClick(form().LogList, Qt::Key_Return); // a dialog would fail the test
        QVERIFY(form().isVisible());
    }

    void colourDialog()
    {
        TForm1& f = form();
        dialogs().AnswerColor(std::nullopt); // Cancel
        f.Button2->click();
        QCOMPARE(f.Shape1->BrushColor(), QColor(Qt::white));
        QCOMPARE(f.ConversionSettings().WaypointColor, 0xFFFFFFu);

        dialogs().AnswerColor(QColor(255, 0, 0));
        f.Button2->click();
        QCOMPARE(f.Shape1->BrushColor(), QColor(255, 0, 0));
        QCOMPARE(f.ConversionSettings().WaypointColor, 0x0000FFu);

        dialogs().AnswerColor(std::nullopt);
        f.Button2->click();
        QCOMPARE(f.Shape1->BrushColor(), QColor(255, 0, 0));
        // The dialog opens on the swatch's colour each time.
        QCOMPARE(dialogs().ColorOpenings,
            QList<QColor>({ QColor(Qt::white), QColor(Qt::white), QColor(255, 0, 0) }));
    }

    void opacityOnLeavingTheBox_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("above") << "150"
                               << "100";
        QTest::newRow("below") << "5"
                               << "10";
        QTest::newRow("negative") << "-20"
                                  << "10";
        QTest::newRow("letters refused") << "4x2"
                                         << "42";
        QTest::newRow("not an integer") << "1.5"
                                        << "10";
        QTest::newRow("sign") << "+50"
                              << "50";
        QTest::newRow("leading zero") << "0100"
                                      << "100";
        QTest::newRow("in range") << "99"
                                  << "99";
    }
    void opacityOnLeavingTheBox()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QVERIFY(ShowActive());
        TSpinEdit* box = form().SpinEdit1;
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, typed);
        form().txtLimitter->setFocus();
        QCOMPARE(box->text(), shown);
        QCOMPARE(box->value(), shown.toInt());
        QCOMPARE(form().ConversionSettings().OpacityPercent, shown.toInt());
    }

    void opacityWhenEnterStartsConvert_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("used");
        QTest::newRow("above") << "150" << 100;
        QTest::newRow("below") << "5" << 10;
    }
    void opacityWhenEnterStartsConvert()
    {
        QFETCH(QString, typed);
        QFETCH(int, used);
        QVERIFY(ShowActive());
        TForm1& f = form();
        f.AppendLogs({ "/logs/a.log", "/logs/b.log" });
        f.SpinEdit1->setFocus();
        f.SpinEdit1->selectAll();
        QTest::keyClicks(f.SpinEdit1, typed);
        dialogs().CancelSave();
        QTest::keyClick(f.SpinEdit1, Qt::Key_Return);
        QCOMPARE(dialogs().SaveOpenings.size(), 1);
        QCOMPARE(f.SpinEdit1->value(), used);
        QCOMPARE(f.SpinEdit1->text(), QString::number(used));
    }

    void errorInAHandlerLeavesTheWindowUsable()
    {
        TForm1& f = form();
        f.AppendLogs({ "/logs/a.log" });
        f.cmdDeleteAll->click();
        f.cmdConvEach->click(); // the empty list fails
        QCOMPARE(dialogs().TakeBoxes().size(), 1);
        dialogs().AnswerOpen({ "/logs/b.log" });
        f.cmdAddLogs->click();
        QCOMPARE(Entries(f.LogList), QStringList({ "/logs/b.log" }));
    }

    // In both languages every caption fits its control and no two controls overlap, so nothing
    // is clipped or hidden (run at scale 1; QT_SCALE_FACTOR=1.5 and 2 run it scaled).
    void layoutHoldsInBothLanguages_data()
    {
        QTest::addColumn<bool>("english");
        QTest::newRow("Japanese") << false;
        QTest::newRow("English") << true;
    }
    void layoutHoldsInBothLanguages()
    {
        QFETCH(bool, english);
        const TLanguageScope scope(english ? TLanguage::English : TLanguage::Japanese);
        fixture_.Start(); // a window in that language
        QVERIFY(ShowActive());
        QStringList faults;
        for (QWidget* parent : { static_cast<QWidget*>(&form()),
                 static_cast<QWidget*>(form().GroupBox1), static_cast<QWidget*>(form().GroupBox2),
                 static_cast<QWidget*>(form().GroupBox3) }) {
            QList<QWidget*> controls;
            for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (child->isVisible() && !child->objectName().isEmpty())
                    controls << child;
            }
            for (QWidget* control : controls) {
                const bool captioned = qobject_cast<QLabel*>(control) != nullptr
                    || qobject_cast<QAbstractButton*>(control) != nullptr;
                if (captioned && control->sizeHint().width() > control->width())
                    faults << QStringLiteral("%1 needs %2, has %3")
                                  .arg(control->objectName())
                                  .arg(control->sizeHint().width())
                                  .arg(control->width());
                if (auto* spin = qobject_cast<QAbstractSpinBox*>(control);
                    spin && spin->sizeHint().width() > spin->width())
                    faults << QStringLiteral("%1 needs %2, has %3")
                                  .arg(control->objectName())
                                  .arg(spin->sizeHint().width())
                                  .arg(spin->width());
                if (!parent->rect().contains(control->geometry()))
                    faults << control->objectName() + QStringLiteral(" leaves its parent");
                for (QWidget* other : controls) {
                    if (other != control && other->objectName() > control->objectName()
                        && other->geometry().intersects(control->geometry()))
                        faults << control->objectName() + QStringLiteral(" overlaps ")
                                + other->objectName();
                }
            }
            if (auto* group = qobject_cast<QGroupBox*>(parent);
                group && group->minimumSizeHint().width() > group->width())
                faults << group->objectName() + QStringLiteral(": title cut");
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    }

    // The window in each language, saved for the README when OSTREL_SCREENSHOT is set.
    void screenshot_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("path");
        QTest::newRow("Japanese") << false << QStringLiteral(OSTREL_SCREENSHOT_PATH "/window.png");
        QTest::newRow("English") << true << QStringLiteral(OSTREL_SCREENSHOT_PATH "/window-en.png");
    }
    void screenshot()
    {
        QFETCH(bool, english);
        QFETCH(QString, path);
        const TLanguageScope scope(english ? TLanguage::English : TLanguage::Japanese);
        fixture_.Start();
        TForm1& f = form();
        f.AppendLogs({ QStringLiteral("/home/user/GPS/ログ/20070512.log"),
            QStringLiteral("/home/user/GPS/20070513.log") });
        QVERIFY(ShowActive());
        const QPixmap picture = f.grab();
        QCOMPARE(picture.deviceIndependentSize().toSize(), QSize(451, 423));
        const QByteArray target = qgetenv("OSTREL_SCREENSHOT");
        if (!target.isEmpty()) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QVERIFY(picture.save(path, "PNG"));
        }
    }
};

std::unique_ptr<QObject> MakeWindowTests()
{
    return std::make_unique<TestWindow>();
}

} // namespace ostrel::test

#include "window_tests.moc"
