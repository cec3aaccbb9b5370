// The main window: its controls and defaults, the list of logs, drops, keys, the colour and the
// opacity box.

#include "app/cleaning_dialog.h"
#include "app/command_line.h"
#include "app/log_list.h"
#include "app/photos_dialog.h"
#include "app/preview_opener.h"
#include "app/preview_window.h"
#include "app/settings_model.h"
#include "app/translations.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "core/messages.h"
#include "core/test_support.h"
#include "form_fixture.h"
#include "geo/projection.h"
#include "geo/travel_modes.h"
#include "log/gps_rec.h"
#include "log_files.h"
#include "photos/geotag_text.h"
#include "photos/photo_builder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
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
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimeEdit>
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
        QCOMPARE(f.ddlTimeZone->currentText(), QStringLiteral("+9"));
        QCOMPARE(f.ddlTimeZone->count(), 39);
        QCOMPARE(f.ddlTimeZone->itemText(38), QString());
        QVERIFY(!f.chkKeepGoing->isChecked());
        QVERIFY(!f.chkSummary->isChecked());
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
        // Nothing is remembered until something changes.
        QCOMPARE(f.Settings().Store().allKeys(), QStringList());

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
        // Captions with "&" before their mnemonic.
        row("LogList", "QListWidget", "Form1", "");
        row("cmdAddLogs", "QPushButton", "Form1", "&Add logs ...");
        row("cmdDelete", "QPushButton", "Form1", "&Delete");
        row("cmdDeleteAll", "QPushButton", "Form1", "D&elete all");
        row("GroupBox1", "QGroupBox", "Form1", "座標系");
        row("cmbOrgP", "QComboBox", "GroupBox1", "");
        row("grpBatch", "QGroupBox", "Form1", "一括変換(&B)");
        row("chkKeepGoing", "QCheckBox", "grpBatch", "エラーの後も続ける(&R)");
        row("chkSummary", "QCheckBox", "grpBatch", "結果をまとめて表示(&U)");
        row("GroupBox2", "QGroupBox", "Form1", "モード（最大許容速度）");
        row("rdbWalk", "QRadioButton", "GroupBox2", "徒歩(~10km/h)");
        row("rdbJog", "QRadioButton", "GroupBox2", "ジョギング(~25km/h)");
        row("rdbBicycle", "QRadioButton", "GroupBox2", "自転車(~70km/h)");
        row("rdbCar", "QRadioButton", "GroupBox2", "自動車(~150km/h)");
        row("rdbUserDefine", "QRadioButton", "GroupBox2", "任意");
        row("txtLimitter", "QLineEdit", "GroupBox2", "");
        row("Label1", "QLabel", "GroupBox2", "km/h");
        row("GroupBox3", "QGroupBox", "Form1", "変換先");
        row("rdbNMEA", "QRadioButton", "GroupBox3", "&NMEA-0183(GGA, RMC)");
        row("rdbKML", "QRadioButton", "GroupBox3", "Google Earth &KML");
        row("rdbGPX", "QRadioButton", "GroupBox3", "&GPX 1.1");
        row("Label2", "QLabel", "GroupBox3", "Time&Zone");
        row("ddlTimeZone", "QComboBox", "GroupBox3", "");
        row("chkWayPoint", "QCheckBox", "GroupBox3", "ポイント（間隔/分）");
        row("ddlInterval", "QComboBox", "GroupBox3", "");
        row("Button2", "QPushButton", "GroupBox3", "ポイントの色");
        row("Shape1", "ostrel::TShape", "GroupBox3", "");
        row("Label3", "QLabel", "GroupBox3", "不透明度(%)");
        row("SpinEdit1", "ostrel::TSpinEdit", "GroupBox3", "");
        row("cmdCleaning", "QPushButton", "Form1", "クリーニング(&I)...");
        row("cmdPhotos", "QPushButton", "Form1", "写真(&H)...");
        row("Button1", "QPushButton", "Form1", "Cane&l");
        row("cmdConvEach", "QPushButton", "Form1", "&Convert");
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

    // Tab starts at the list and goes as the window reads, Close and Convert last.
    void tabOrderAndFirstFocus()
    {
        QVERIFY(ShowActive());
        TForm1& f = form();
        QCOMPARE(QApplication::focusWidget(), f.LogList);

        const QStringList expected { "LogList", "cmdAddLogs", "cmdDelete", "cmdDeleteAll",
            "cmbOrgP", "chkKeepGoing", "chkSummary", "rdbWalk", "rdbJog", "rdbBicycle", "rdbCar",
            "rdbUserDefine", "txtLimitter", "rdbNMEA", "rdbGPX", "rdbKML", "ddlTimeZone",
            "chkWayPoint", "ddlInterval", "Button2", "SpinEdit1", "Button1", "cmdConvEach",
            "txtStyle" };
        QStringList chain;
        QWidget* widget = f.LogList;
        do {
            if (expected.contains(widget->objectName()) && !chain.contains(widget->objectName()))
                chain << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != f.LogList);
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
        // Anywhere on the window, also over the list and an edit box; a log already listed is
        // not listed again, however its path is spelled.
        QVERIFY(Drop(f.LogList, Urls({ a })));
        QVERIFY(Drop(f.txtLimitter, Urls({ dir.filePath(QStringLiteral("c.log")) })));
        f.AppendLogs({ dir.path() + QStringLiteral("/./ログ 2.log") });
        QCOMPARE(Entries(f.LogList), Native({ a, b, deep, dir.filePath(QStringLiteral("c.log")) }));
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
        const TBox refusal { TBoxKind::Error, kBoxCaption,
            QStringLiteral("このコンピューター上のファイルではないため、追加できません.") };
        QCOMPARE(boxes, QList<TBox>({ refusal }));
        QCOMPARE(boxes[0].Detail, refused.join(QLatin1Char('\n')));
    }

    // A folder gives its own logs, "*.log" in any letter case, in the byte order of their names
    // (capitals first).
    void folderListsItsLogsInNameOrder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString logs = dir.filePath(QStringLiteral("logs"));
        QVERIFY(QDir().mkpath(logs + "/sub") && QDir().mkpath(logs + "/folder.log"));
        QStringList names { "b.log", "A.LOG", "c.Log", "Z.log", "notes.txt", "sub/d.log" };
        QStringList expected { logs + "/A.LOG", logs + "/Z.log", logs + "/b.log", logs + "/c.Log" };
#ifndef Q_OS_WIN
        // Windows' names ignore letter case: there "a.log" would be A.LOG again.
        names << "a.log";
        expected.insert(2, logs + "/a.log");
#endif
        for (const QString& name : names)
            WriteLog(logs + "/" + name, {});
        const QString after = dir.filePath(QStringLiteral("after.log"));
        QVERIFY(Drop(&form(), Urls({ logs, after })));
        QCOMPARE(Entries(form().LogList), Native(expected << after));
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

    // The button and Ctrl+O add logs; the dialog opens where logs were last added from, also
    // at the next start.
    void addLogs()
    {
        QVERIFY(ShowActive());
        TForm1& f = form();
        dialogs().AnswerOpen({}); // Cancel
        f.cmdAddLogs->click();
        QCOMPARE(f.LogList->count(), 0);
        QVERIFY(!f.cmdConvEach->isEnabled());

        // From a drive's root on Windows: there "/logs" would be on the current folder's drive.
        const QString logs = QDir::rootPath() + "logs";
        const QString cards = QDir::rootPath() + "cards";
        dialogs().AnswerOpen({ logs + "/b.log", logs + "/a.log" });
        f.cmdAddLogs->click();
        dialogs().AnswerOpen({ cards + "/c.log" });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(
            Entries(f.LogList), Native({ logs + "/b.log", logs + "/a.log", cards + "/c.log" }));
        QVERIFY(f.cmdConvEach->isEnabled());
        QCOMPARE(dialogs().OpenOpenings, QStringList({ "", "", logs }));

        fixture_.Restart();
        dialogs().AnswerOpen({});
        form().cmdAddLogs->click();
        QCOMPARE(dialogs().OpenOpenings, QStringList({ cards }));
    }

    void deleteAndDeleteAll()
    {
        TForm1& f = form();
        f.AppendLogs({ "/a.log", "/b.log", "/c.log" });
        f.LogList->setCurrentRow(1);
        f.cmdDelete->click();
        QCOMPARE(Entries(f.LogList), Native({ "/a.log", "/c.log" }));

        f.LogList->clearSelection();
        f.cmdDelete->click(); // nothing selected: nothing happens
        QCOMPARE(Entries(f.LogList), Native({ "/a.log", "/c.log" }));

        f.cmdDeleteAll->click();
        QCOMPARE(f.LogList->count(), 0);
        QVERIFY(!f.cmdConvEach->isEnabled()); // nothing to convert
        f.AppendLogs({ "/a.log" });
        QVERIFY(f.cmdConvEach->isEnabled());
        f.LogList->setCurrentRow(0);
        f.cmdDelete->click();
        QVERIFY(!f.cmdConvEach->isEnabled());
    }

    // The Delete key takes the selected logs off the list, and a second press does nothing.
    void deleteKeyRemovesTheSelectedLogs()
    {
        QVERIFY(ShowActive());
        TForm1& f = form();
        f.AppendLogs({ "/a.log", "/b.log", "/c.log", "/d.log" });
        f.LogList->setFocus();
        f.LogList->item(1)->setSelected(true);
        f.LogList->item(3)->setSelected(true);
        QTest::keyClick(f.LogList, Qt::Key_Delete);
        QCOMPARE(Entries(f.LogList), Native({ "/a.log", "/c.log" }));
        QTest::keyClick(f.LogList, Qt::Key_Delete);
        QCOMPARE(f.LogList->count(), 2);
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
        QCOMPARE(Entries(f.LogList), Native({ "/a.log", "/c.log" }));
    }

    // A path too long for the list shows whole in its tooltip; the entry shows its file name
    // first and the folder elided in the middle.
    void longPathsInTheTooltip()
    {
        QString deep = QStringLiteral("/home/user");
        while (deep.size() < 200)
            deep += QStringLiteral("/a folder with a long name");
        form().AppendLogs({ deep + "/log.txt" });
        QCOMPARE(form().LogList->item(0)->toolTip(), Native({ deep + "/log.txt" }).first());

        const QFontMetrics metrics(form().LogList->font());
        const QString painted = TLogItemDelegate::PaintedText(deep + "/log.txt", metrics, 300);
        QVERIFY2(
            painted.startsWith(QStringLiteral("log.txt  —  /home/user/")), qPrintable(painted));
        QVERIFY2(painted.endsWith(QStringLiteral("long name")), qPrintable(painted));
        QVERIFY(painted.contains(QChar(0x2026))); // the ellipsis in the middle
        QVERIFY(metrics.horizontalAdvance(painted) <= 300);
        QCOMPARE(TLogItemDelegate::PaintedText("/logs/a.log", metrics, 300),
            QStringLiteral("a.log  —  /logs"));
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
        form().txtLimitter->setFocus(); // the control before the output group
        QTest::keyClick(form().txtLimitter, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), checked);
        // Shift+Tab leaves the group backwards, and Tab comes back to the same button.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), form().txtLimitter);
    }

    // The English window: every caption and item translated, the close button saying what it
    // does, every caption with a mnemonic of its own, the error box in English.
    void englishWindow()
    {
        const TLanguageScope scope(TLanguage::English);
        fixture_.Start();
        TForm1& f = form();
        QCOMPARE(f.Button1->text(), QStringLiteral("C&lose"));
        QCOMPARE(f.chkWayPoint->text(), QStringLiteral("&Waypoints every (min)"));
        // Mnemonics are unique within each window: the main window, the cleaning's dialog, the
        // photos' dialog.
        QHash<QWidget*, QStringList> mnemonics;
        for (QWidget* widget : f.findChildren<QWidget*>()) {
            const QString text = ButtonText(widget);
            const qsizetype at = text.indexOf(QLatin1Char('&'));
            // The mode captions come from the core's table; "km/h" names no control, nor does
            // the photos' dialog's count of its photos.
            if (text.isEmpty()
                || (widget->parentWidget() == f.GroupBox2 && at < 0 && widget != f.rdbUserDefine)
                || widget->objectName() == QLatin1String("lblPhotosSummary"))
                continue;
            QVERIFY2(at >= 0 && at + 1 < text.size(), qPrintable(text));
            mnemonics[widget->window()] << text.mid(at + 1, 1).toLower();
        }
        QCOMPARE(mnemonics.size(), 3);
        for (const QStringList& letters : mnemonics)
            QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), letters.size());
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
        f.cmdConvEach->click(); // the missing log fails
        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].Text,
            QString::fromStdString(MessageText(FileNotFound(), TLanguage::English)) + ".");
        QVERIFY2(boxes[0].Detail.startsWith("Log: "), qPrintable(boxes[0].Detail));
        QVERIFY2(boxes[0].Detail.endsWith(
                     QString::fromStdString(*HintText(FileNotFound(), TLanguage::English))),
            qPrintable(boxes[0].Detail));
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

    // Enter on Add logs opens its dialog; once logs are added, the next Enter converts them.
    void enterOnAddLogsOpensTheOpenDialogThenConverts()
    {
        QVERIFY(ShowActive());
        form().cmdAddLogs->setFocus();
        dialogs().AnswerOpen({ "/logs/a.log", "/logs/b.log" });
        QTest::keyClick(form().cmdAddLogs, Qt::Key_Return);
        QCOMPARE(form().LogList->count(), 2);
        dialogs().CancelSave();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(dialogs().SaveOpenings.size(), 1);
    }

    void enterDoesNothingWhileConvertIsDisabled()
    {
        QVERIFY(ShowActive());
        form().LogList->setFocus();
        QTest::keyClick(form().LogList, Qt::Key_Return); // a dialog would fail the test
        QVERIFY(form().isVisible());
    }

    // The colour and the opacity serve KML alone; the time zone, the waypoints and their
    // interval KML and GPX, as the format table's rows list their options.
    void controlsServeTheirFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("localTime");
        QTest::addColumn<bool>("colour");
        QTest::newRow("NMEA") << "rdbNMEA" << false << false;
        QTest::newRow("KML") << "rdbKML" << true << true;
        QTest::newRow("GPX") << "rdbGPX" << true << false;
    }
    void controlsServeTheirFormats()
    {
        QFETCH(QString, format);
        QFETCH(bool, localTime);
        QFETCH(bool, colour);
        TForm1& f = form();
        f.rdbNMEA->click(); // from another format's state
        f.findChild<QRadioButton*>(format)->click();
        for (QWidget* control :
            { static_cast<QWidget*>(f.Label2), static_cast<QWidget*>(f.ddlTimeZone),
                static_cast<QWidget*>(f.chkWayPoint), static_cast<QWidget*>(f.ddlInterval) })
            QVERIFY2(control->isEnabled() == localTime, qPrintable(control->objectName()));
        for (QWidget* control : { static_cast<QWidget*>(f.Button2), static_cast<QWidget*>(f.Shape1),
                 static_cast<QWidget*>(f.Label3), static_cast<QWidget*>(f.SpinEdit1) })
            QVERIFY2(control->isEnabled() == colour, qPrintable(control->objectName()));
    }

    // Every format of the table is offered: NMEA, KML and GPX by their buttons, the rest in the
    // list beside one more button, which a choice in the list selects. The timed route shows with
    // KML only and reaches the settings.
    void everyFormatIsOffered()
    {
        TForm1& f = form();
        QStringList offered { "nmea", "kml", "gpx" };
        for (int i = 0; i < f.cmbOtherFormat->count(); ++i)
            offered << f.cmbOtherFormat->itemData(i).toString();
        QStringList table;
        for (const TOutputFormat& format : OutputFormats())
            table << QString::fromUtf8(format.Name.data(), format.Name.size());
        std::sort(offered.begin(), offered.end());
        std::sort(table.begin(), table.end());
        QCOMPARE(offered, table);

        f.show();
        QVERIFY(f.chkKmlTrack->isVisible());
        f.chkKmlTrack->setChecked(true);
        QVERIFY(f.ConversionSettings().KmlTrack);
        const int csv = f.cmbOtherFormat->findData(QStringLiteral("csv"));
        f.cmbOtherFormat->setCurrentIndex(csv);
        emit f.cmbOtherFormat->activated(csv);
        QVERIFY(f.rdbOther->isChecked());
        QCOMPARE(f.Settings().OutputFormat().Name, "csv");
        QVERIFY(!f.chkKmlTrack->isVisible());
    }

    // The time zones: the whole hours of before in their order, the offsets with minutes and
    // beyond eleven hours the world uses between them, and the empty item last.
    void timeZoneList()
    {
        QStringList items;
        for (int i = 0; i < form().ddlTimeZone->count(); ++i)
            items << form().ddlTimeZone->itemText(i);
        QCOMPARE(items,
            QStringList({ "-12", "-11", "-10", "-9:30", "-9", "-8", "-7", "-6", "-5", "-4", "-3:30",
                "-3", "-2", "-1", "0", "+1", "+2", "+3", "+3:30", "+4", "+4:30", "+5", "+5:30",
                "+5:45", "+6", "+6:30", "+7", "+8", "+8:45", "+9", "+9:30", "+10", "+10:30", "+11",
                "+12", "+12:45", "+13", "+14", "" }));
        // The longest shows whole.
        form().ddlTimeZone->setCurrentText(QStringLiteral("+12:45"));
        QVERIFY(form().ddlTimeZone->sizeHint().width() <= form().ddlTimeZone->width());
    }

    // Every setting, the colour and the window's place are remembered at the next start, in
    // the test's own store; --reset-settings forgets them, and a remembered value that no control
    // can hold is passed over.
    void settingsAreRememberedAndReset()
    {
        QVERIFY(ShowActive());
        TForm1& f = form();
        f.rdbUserDefine->click();
        f.txtLimitter->setText(QStringLiteral("42"));
        f.cmbOrgP->setCurrentIndex(9);
        f.ddlTimeZone->setCurrentText(QStringLiteral("+5:45"));
        f.ddlInterval->setCurrentText(QStringLiteral("5"));
        f.SpinEdit1->setValue(40);
        dialogs().AnswerColor(QColor(0, 128, 255));
        f.Button2->click();
        f.rdbGPX->click();
        f.chkWayPoint->click();
        f.chkKeepGoing->click();
        f.chkSummary->click();
        f.move(f.pos() + QPoint(170, 110));
        const QPoint place = f.pos();
        f.close();
        QVERIFY(f.Settings().Store().fileName().startsWith(QDir::tempPath()));

        fixture_.Restart();
        TForm1& g = form();
        QVERIFY(g.rdbUserDefine->isChecked());
        QCOMPARE(g.txtLimitter->text(), QStringLiteral("42"));
        QCOMPARE(g.cmbOrgP->currentIndex(), 9);
        QCOMPARE(g.ddlTimeZone->currentText(), QStringLiteral("+5:45"));
        QCOMPARE(g.ddlInterval->currentText(), QStringLiteral("5"));
        QVERIFY(g.rdbGPX->isChecked());
        QVERIFY(!g.chkWayPoint->isChecked());
        QCOMPARE(g.SpinEdit1->value(), 40);
        QCOMPARE(g.Shape1->BrushColor(), QColor(0, 128, 255));
        QVERIFY(g.chkKeepGoing->isChecked() && g.chkSummary->isChecked());
        // Where it was, give or take the frame, which the platform may place differently.
        QVERIFY2((g.pos() - place).manhattanLength() <= 12,
            qPrintable(QStringLiteral("%1,%2").arg(g.pos().x()).arg(g.pos().y())));
        QVERIFY(!g.Label3->isEnabled()); // follows the format taken in

        // A place off every screen (a screen since removed) is brought back onto one.
        g.move(5000, 4000);
        g.close();
        fixture_.Restart();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.contains(form().frameGeometry().topLeft()),
            qPrintable(QStringLiteral("%1,%2").arg(form().x()).arg(form().y())));

        form().Settings().Store().setValue(QStringLiteral("Settings/ddlTimeZone"), "+4:17");
        form().Settings().Store().setValue(QStringLiteral("Settings/cmbOrgP"), 99);
        fixture_.Restart();
        QCOMPARE(form().ddlTimeZone->currentText(), QStringLiteral("+9"));
        QCOMPARE(form().cmbOrgP->currentIndex(), 0);

        // The arguments as main hands them over (on Windows it reads the process's own).
        QVERIFY(ParseWindowCommandLine({ "--reset-settings" }).ResetSettings);
        ResetWindowStore();
        fixture_.Restart();
        QVERIFY(form().rdbWalk->isChecked());
        QVERIFY(form().rdbKML->isChecked());
        QCOMPARE(form().txtLimitter->text(), QStringLiteral("7"));
        QCOMPARE(form().Shape1->BrushColor(), QColor(Qt::white));
        QVERIFY(!form().chkSummary->isChecked());
    }

    // Every stage of the cleaning is off at first. Set in its dialog, each reaches the settings the
    // Convert command takes (a date-time as the day count of a record at that local time), each
    // change tells the previews, and the next start takes them in again.
    void cleaningReachesTheSettings()
    {
        TForm1& f = form();
        const TConvertSettings first = f.ConversionSettings();
        QVERIFY(!first.RobustFilter && first.MinMoveM == 0 && !first.FromLocal && !first.ToLocal
            && first.PrivacyM == 0 && first.SplitGapMin == 0 && !first.SplitDay
            && first.SimplifyM == 0);

        dialogs().AnswerSettings([](QDialog& d) {
            d.findChild<QComboBox*>(QStringLiteral("ddlFilter"))->setCurrentIndex(1); // robust
            for (const char* check : { "chkMinMove", "chkFrom", "chkTo", "chkPrivacy",
                     "chkSplitGap", "chkSplitDay", "chkSimplify" })
                d.findChild<QCheckBox*>(QLatin1String(check))->setChecked(true);
            d.findChild<QSpinBox*>(QStringLiteral("spnMinMove"))->setValue(12);
            d.findChild<QSpinBox*>(QStringLiteral("spnPrivacy"))->setValue(300);
            d.findChild<QSpinBox*>(QStringLiteral("spnSplitGap"))->setValue(15);
            d.findChild<QSpinBox*>(QStringLiteral("spnSimplify"))->setValue(4);
            d.findChild<QDateTimeEdit*>(QStringLiteral("dtpFrom"))
                ->setDateTime(QDateTime(QDate(2007, 5, 12), QTime(3, 4, 5), Qt::UTC));
            d.findChild<QDateTimeEdit*>(QStringLiteral("dtpTo"))
                ->setDateTime(QDateTime(QDate(2007, 5, 12), QTime(18, 0), Qt::UTC));
        });
        QSignalSpy changed(&f.Settings(), &TSettingsModel::Changed);
        f.cmdCleaning->click();
        QCOMPARE(dialogs().SettingsOpenings, QStringList({ "dlgCleaning" }));
        QCOMPARE(changed.count(), 14); // the choice, 7 stages turned on, 6 values

        TGPSRec from, to;
        ParseLogLine(RecordLine("030405", "3539.0000", "13945.0000", "120507").toStdString(), from,
            kTestYear);
        ParseLogLine(
            RecordLine("180000", "3539.0000", "13945.0000", "120507").toStdString(), to, kTestYear);
        for (int start = 0; start < 2; ++start) {
            const TConvertSettings s = form().ConversionSettings();
            QVERIFY(s.RobustFilter);
            QCOMPARE(s.MinMoveM, 12);
            QVERIFY(s.FromLocal && s.ToLocal);
            QCOMPARE(*s.FromLocal, from.DateTime);
            QCOMPARE(*s.ToLocal, to.DateTime);
            QCOMPARE(s.PrivacyM, 300);
            QCOMPARE(s.SplitGapMin, 15);
            QVERIFY(s.SplitDay);
            QCOMPARE(s.SimplifyM, 4);
            fixture_.Restart();
        }

        // A stage turned off again is off, whatever its value.
        form().dlgCleaning->findChild<QCheckBox*>(QStringLiteral("chkMinMove"))->setChecked(false);
        QCOMPARE(form().ConversionSettings().MinMoveM, 0);
    }

    // The photos' dialog matches the chosen photos against the listed logs with the camera's zone
    // and the correction taken from a photo of a clock, shows the core's result for each without
    // writing, writes where the choice says, hands the places to the previews, and the next start
    // takes its choices in again.
    void photosReachTheCore()
    {
        TForm1& f = form();
        QTemporaryDir dir;
        // Fixes at 03:04:05, :15, :25 and :35 UTC, 0.005' of latitude apart.
        const QString log = WriteWalk(dir.filePath(QStringLiteral("walk.log")));
        f.AppendLogs({ log });
        const std::filesystem::path folder = ToPath(dir.path());
        // Local times of a camera set to +9 whose clock was a second ahead.
        WriteFile(folder / "a.jpg", JpegWith(TiffWithTime("2007:05:12 12:04:21")));
        WriteFile(folder / "b.jpg", JpegWith(TiffWithTime("2007:05:12 20:00:00")));
        WriteFile(folder / "clock.jpg", JpegWith(TiffWithTime("2007:05:12 12:00:00")));
        const QString a = FromPath(folder / "a.jpg"), b = FromPath(folder / "b.jpg");

        dialogs().AnswerSettings([&](QDialog& d) {
            auto& photos = static_cast<TPhotosDialog&>(d);
            photos.cmdAddPhotos->click();
            photos.txtCameraOffset->setText(QStringLiteral("1:2:3"));
            photos.cmdMatch->click();
            photos.ddlCameraZone->setCurrentIndex(photos.ddlCameraZone->findData("+9"));
            photos.tmeClock->setTime(QTime(11, 59, 59));
            photos.cmdFromClock->click();
            photos.cmdMatch->click();
        });
        dialogs().AnswerOpen({ a, b });
        dialogs().AnswerFile(FromPath(folder / "clock.jpg"));
        f.cmdPhotos->click();
        QCOMPARE(dialogs().SettingsOpenings, QStringList({ "dlgPhotos" }));
        QCOMPARE(dialogs().FileOpenings.size(), 1);
        QVERIFY(dialogs().FileOpenings[0] == TFileChoice::ClockPhoto);
        const QList<TBox> boxes = dialogs().TakeBoxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].Kind, TBoxKind::Error);
        QVERIFY2(boxes[0].Text.contains(QStringLiteral("1:2:3")), qPrintable(boxes[0].Text));

        TPhotosDialog& d = *f.dlgPhotos;
        QCOMPARE(d.txtCameraOffset->text(), QStringLiteral("+0:00:01"));
        const TGeotagOptions options = d.Options(true);
        QCOMPARE(options.Clock.ZoneMinutes, 9 * 60);
        QCOMPARE(options.Clock.AheadSeconds, 1.0);
        // 03:04:20 UTC, halfway between the first two kept fixes (the first record is none);
        // nothing written by the match.
        const double lat = 35 + (39.1050 + 39.1100) / 2 / 60;
        QCOMPARE(d.tblPhotos->rowCount(), 2);
        QCOMPARE(d.tblPhotos->item(0, 2)->text(), QStringLiteral("2007-05-12 03:04:20"));
        QCOMPARE(d.tblPhotos->item(0, 3)->text().toDouble(), std::round(lat * 1e8) / 1e8);
        QVERIFY(!std::filesystem::exists(folder / "a.jpg.xmp"));
        TPhotoResult late;
        late.Status = TPhotoStatus::NoPosition;
        late.Match.Kind = TMatchKind::AfterTrack;
        QCOMPARE(d.tblPhotos->item(1, 5)->text(),
            QString::fromStdString(PhotoResultText(late, WindowLanguage(), true)));
        QCOMPARE(d.tblPhotos->item(1, 3)->text(), QStringLiteral("-"));

        // Written into the JPEG's own EXIF; the log's preview marks the photo.
        d.rdbExif->setChecked(true);
        d.cmdWrite->click();
        TFileSource source(folder / "a.jpg");
        const TPhotoMetadata written = ReadPhotoMetadata(source);
        QVERIFY(written.Position);
        QVERIFY(std::abs(written.Position->Lat - lat) < 1e-7);
        QVERIFY(!std::filesystem::exists(folder / "a.jpg.xmp"));
        auto* opener = f.findChild<TPreviewOpener*>(QStringLiteral("PreviewOpener"));
        TPreviewWindow* preview = opener->Open(ToPath(log));
        QVERIFY(QTest::qWaitFor([&] { return !preview->Computing(); }, 10000));
        QCOMPARE(preview->View()->Picture()->Photos.size(), std::size_t(1));
        QVERIFY(preview->Legend().contains(QStringLiteral("写真")));
        preview->close();

        fixture_.Restart();
        QCOMPARE(form().dlgPhotos->ddlCameraZone->currentText(), QStringLiteral("+9"));
        QCOMPARE(form().dlgPhotos->txtCameraOffset->text(), QStringLiteral("+0:00:01"));
        QVERIFY(form().dlgPhotos->rdbExif->isChecked());
    }

    // The five modes are drawn in one font, and labels stand beside the boxes they name,
    // centred on them.
    void captionsBesideTheirBoxes()
    {
        TForm1& f = form();
        for (QRadioButton* mode : { f.rdbJog, f.rdbBicycle, f.rdbCar, f.rdbUserDefine })
            QCOMPARE(mode->font(), f.rdbWalk->font());
        for (QLabel* label : { f.Label1, f.Label2, f.Label3 }) {
            QWidget* box
                = label == f.Label1 ? static_cast<QWidget*>(f.txtLimitter) : label->buddy();
            QVERIFY(box != nullptr);
            QCOMPARE(label->geometry().center().y(), box->geometry().center().y());
            QCOMPARE(label->alignment() & Qt::AlignVertical_Mask, Qt::AlignVCenter);
            QVERIFY(label->geometry().right() < box->geometry().left()
                || label->geometry().left() > box->geometry().right());
        }
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
        f.cmdConvEach->click(); // the missing log fails
        QCOMPARE(dialogs().TakeBoxes().size(), 1);
        dialogs().AnswerOpen({ "/logs/b.log" });
        f.cmdAddLogs->click();
        QCOMPARE(Entries(f.LogList), Native({ "/logs/a.log", "/logs/b.log" }));
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
