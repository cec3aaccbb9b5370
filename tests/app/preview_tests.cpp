// The track preview: how it opens from the list, what it draws and tells under the window's
// settings, its errors; and the Convert command's progress with Cancel.

#include "app/cleaning_dialog.h"
#include "app/conversion_runner.h"
#include "app/preview_opener.h"
#include "app/preview_window.h"
#include "conversion/conversion.h"
#include "core/errors.h"
#include "core/messages.h"
#include "form_fixture.h"
#include "log_files.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace ostrel::test {

namespace {

const QString kSampleLog = QStringLiteral(OSTREL_TEST_DATA "/walk/input.log");

// Waits until the preview has drawn or failed.
bool Settled(TPreviewWindow* preview)
{
    return QTest::qWaitFor([&] { return !preview->Computing(); }, 10000);
}

// A log of 400,000 fixes a second apart, long enough to be stopped part way.
QString WriteLongLog(const QString& path)
{
    QList<QByteArray> lines;
    for (int i = 0; i < 400000; ++i) {
        const QByteArray time = QByteArray::number(i / 3600 % 24).rightJustified(2, '0')
            + QByteArray::number(i / 60 % 60).rightJustified(2, '0')
            + QByteArray::number(i % 60).rightJustified(2, '0');
        const QByteArray date = QByteArray::number(1 + i / 86400).rightJustified(2, '0') + "0507";
        lines << RecordLine(time.constData(), "3539.1000", "13945.1000", date.constData());
    }
    return WriteLog(path, lines);
}

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

    TFormFixture fixture_;
    TForm1& form() { return *fixture_.Form; }
    TPreviewOpener& opener() { return *form().findChild<TPreviewOpener*>("PreviewOpener"); }

private slots:
    void init() { fixture_.Start(); }
    void cleanup()
    {
        const QString problems = fixture_.Finish();
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    void opensForTheSelectedLog_data()
    {
        QTest::addColumn<QString>("how");
        for (const char* how : { "double-click", "menu", "Space", "F3" })
            QTest::newRow(how) << how;
    }
    void opensForTheSelectedLog()
    {
        QFETCH(QString, how);
        TForm1& f = form();
        f.AppendLogs({ QStringLiteral("/logs/a.log"), kSampleLog });
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QListWidget* list = f.LogList;
        list->setCurrentRow(1);
        const QRect item = list->visualItemRect(list->item(1));
        if (how == QLatin1String("double-click")) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, item.center());
        } else if (how == QLatin1String("menu")) {
            QAction* action = list->findChild<QAction*>(QStringLiteral("actPreview"));
            QVERIFY(action && list->actions().contains(action));
            QCOMPARE(list->contextMenuPolicy(), Qt::ActionsContextMenu);
            QCOMPARE(action->text(), QStringLiteral("プレビュー"));
            action->trigger();
        } else {
            QTest::keyClick(list, how == QLatin1String("F3") ? Qt::Key_F3 : Qt::Key_Space);
        }
        const std::vector<TPreviewWindow*> previews = opener().Previews();
        QCOMPARE(previews.size(), std::size_t(1));
        QCOMPARE(previews[0]->Input(), ToPathForTest(kSampleLog));
        QVERIFY(!previews[0]->isModal());
        QVERIFY(Settled(previews[0]));
        QVERIFY(previews[0]->View()->Picture());
    }

    // The statistics tell the conversion's length text; the drawing and the numbers follow the
    // mode; a limit that does not parse and a log that does not convert show their errors.
    void followsTheSettingsAndShowsErrors()
    {
        TForm1& f = form();
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("out.kml"));
        TConvertSettings settings = f.Settings().PreviewSettings();
        const TConversionResult converted
            = ProcFile(ToPathForTest(kSampleLog), ToPathForTest(out), settings);

        TPreviewWindow* preview = opener().Open(ToPathForTest(kSampleLog));
        QVERIFY(Settled(preview));
        QVERIFY(preview->Statistics()->text().contains(
            QString::fromStdString(converted.LengthMessage)));
        const std::size_t drops = preview->View()->Picture()->Drops.size();

        f.rdbUserDefine->setChecked(true);
        f.txtLimitter->setText(QStringLiteral("0"));
        QVERIFY(Settled(preview));
        QVERIFY(preview->View()->Picture());
        QVERIFY(preview->View()->Picture()->Drops.size() > drops); // everything after the first
        f.txtLimitter->setText(QStringLiteral("x"));
        QVERIFY(Settled(preview));
        QVERIFY(!preview->View()->Picture());
        QVERIFY(!preview->View()->Message().isEmpty());
        f.rdbWalk->setChecked(true);
        QVERIFY(Settled(preview));
        QVERIFY(preview->View()->Picture());

        TPreviewWindow* missing
            = opener().Open(ToPathForTest(dir.filePath(QStringLiteral("none.log"))));
        QVERIFY(Settled(missing));
        QVERIFY(!missing->View()->Picture());
        QVERIFY(!missing->View()->Message().isEmpty());
        QCOMPARE(opener().Previews().size(), std::size_t(2));
    }

    // The legend names the causes of the drops the track holds, and follows the filter: a spike
    // that the speed filter drops as too fast, the robust filter drops as a spike.
    void legendNamesTheCausesPresent()
    {
        QTemporaryDir dir;
        const QString log = WriteLog(dir.filePath(QStringLiteral("a.log")),
            { RecordLine("030405", "3539.0000", "13945.0000", "120507"),
                RecordLine("030415", "3539.0045", "13945.0000", "120507"),
                RecordLine("030425", "3540.0000", "13945.0000", "120507"), // 1.8 km away
                RecordLine("030435", "3539.0135", "13945.0000", "120507"),
                RecordLine("030445", "3539.0180", "13945.0000", "120507") });
        TPreviewWindow* preview = opener().Open(ToPathForTest(log));
        QVERIFY(Settled(preview));
        const QStringList marks { "開始", "終了", "ポイント" };
        QCOMPARE(preview->Legend(), marks + QStringList({ "除外（速すぎ）" }));
        form().dlgCleaning->findChild<QComboBox*>(QStringLiteral("ddlFilter"))->setCurrentIndex(1);
        QVERIFY(Settled(preview));
        QCOMPARE(preview->Legend(), marks + QStringList({ "除外（跳び）" }));
    }

    // The picture is where the model says: the start mark's colour at the start's pixel, and a
    // drawing that is not blank. With OSTREL_SCREENSHOT set, the preview is saved for the README.
    void rendersWhereTheModelSays()
    {
        TPreviewWindow* preview = opener().Open(ToPathForTest(kSampleLog));
        preview->resize(860, 560);
        preview->show();
        QVERIFY(QTest::qWaitForWindowExposed(preview));
        QVERIFY(Settled(preview));
        TTrackView* view = preview->View();
        view->Fit();
        const QImage image = view->grab().toImage();
        const TTrackPicture& picture = *view->Picture();
        const QPoint start(
            qRound(view->View().X(picture.Start)), qRound(view->View().Y(picture.Start)));
        const qreal ratio = image.devicePixelRatio();
        const QColor atStart = image.pixelColor(start * ratio);
        QVERIFY2(atStart.green() > 120 && atStart.red() < 80, qPrintable(atStart.name()));
        int coloured = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                coloured += image.pixelColor(x, y) != QColor(Qt::white);
        QVERIFY(coloured > 200);

        if (!qgetenv("OSTREL_SCREENSHOT").isEmpty()) {
            const QString path = QStringLiteral(OSTREL_PREVIEW_SCREENSHOT_PATH);
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QVERIFY(preview->grab().save(path, "PNG"));
        }
    }

    // Cancel in the progress dialog stops the conversion: the earlier file keeps its bytes, no
    // length box, and the window converts again afterwards.
    void cancelLeavesTheEarlierFile()
    {
        TForm1& f = form();
        QTemporaryDir dir;
        const QString log = WriteLongLog(dir.filePath(QStringLiteral("big.log")));
        const QString out = dir.filePath(QStringLiteral("out.kml"));
        {
            QFile file(out);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("earlier");
        }
        f.AppendLogs({ log });
        f.ConversionRunner().SetProgressDelay(0);
        int shown = 0;
        connect(&f.ConversionRunner(), &TConversionRunner::ProgressShown, this,
            [&](QProgressDialog* dialog) {
                ++shown;
                QCOMPARE(dialog->objectName(), QStringLiteral("ConversionProgress"));
                QPushButton* cancel = dialog->findChild<QPushButton*>();
                QVERIFY(cancel);
                cancel->click();
            });
        fixture_.Dialogs->AnswerSave(out);
        f.cmdConvEach->click();
        QCOMPARE(shown, 1);
        QCOMPARE(ReadAll(out), QByteArray("earlier"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
        QVERIFY(fixture_.Dialogs->TakeBoxes().isEmpty());
    }

    // In a batch the progress tells which log of how many it reads. Cancel stops the batch
    // there: the outputs before it stay, that log's is not written, and no box follows.
    void batchProgressNamesTheLogAndCancelStopsThere()
    {
        TForm1& f = form();
        QTemporaryDir dir;
        const QString small = WriteLog(dir.filePath(QStringLiteral("a.log")),
            { RecordLine("030405", "3539.1000", "13945.1000", "120507") });
        const QString big = WriteLongLog(dir.filePath(QStringLiteral("b.log")));
        f.AppendLogs({ small, big });
        f.ConversionRunner().SetProgressDelay(0);
        QStringList captions;
        connect(&f.ConversionRunner(), &TConversionRunner::ProgressShown, this,
            [&](QProgressDialog* dialog) {
                captions << dialog->labelText();
                if (dialog->labelText().startsWith(QLatin1String("2 / 2")))
                    dialog->findChild<QPushButton*>()->click();
            });
        fixture_.Dialogs->AnswerSave(dir.filePath(QStringLiteral("dummy.log")));
        f.cmdConvEach->click();
        QVERIFY(!captions.isEmpty());
        QCOMPARE(captions.last(), QStringLiteral("2 / 2\nb.log"));
        if (captions.size() == 2)
            QCOMPARE(captions.first(), QStringLiteral("1 / 2\na.log"));
        QVERIFY(captions.size() <= 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
            QStringList({ "a.log", "b.log", "WG20070512030405.kml" }));
        const QList<TBox> boxes = fixture_.Dialogs->TakeBoxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].Kind, TBoxKind::Message);
    }

    // Closing the window while a conversion runs (the progress dialog up, which is not modal so
    // that the window can be closed) cancels it, waits for it and closes: no output, no box.
    void closingTheWindowCancelsTheConversion()
    {
        TForm1& f = form();
        QTemporaryDir dir;
        const QString log = WriteLongLog(dir.filePath(QStringLiteral("big.log")));
        f.AppendLogs({ log });
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.ConversionRunner().SetProgressDelay(0);
        bool blocked = true;
        connect(&f.ConversionRunner(), &TConversionRunner::ProgressShown, this,
            [&](QProgressDialog* dialog) {
                blocked = dialog->isModal() || QGuiApplication::modalWindow() != nullptr;
                f.close();
            });
        fixture_.Dialogs->AnswerSave(dir.filePath(QStringLiteral("out.kml")));
        f.cmdConvEach->click();
        QVERIFY(!blocked);
        QVERIFY(!f.isVisible());
        QVERIFY(!f.ConversionRunner().Running());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({ "big.log" }));
        QVERIFY(fixture_.Dialogs->TakeBoxes().isEmpty());
    }

    // A preview opens where and as large as the last one was.
    void previewPlaceIsRemembered()
    {
        TPreviewWindow* first = opener().Open(ToPathForTest(kSampleLog));
        QVERIFY(QTest::qWaitForWindowExposed(first));
        first->resize(700, 450);
        QVERIFY(Settled(first));
        first->close();
        TPreviewWindow* next = opener().Open(ToPathForTest(kSampleLog));
        QCOMPARE(next->size(), QSize(700, 450));
        QVERIFY(Settled(next));
    }

    // An error of the log shows as the main window's error box tells it, in the window's
    // language: the message, then the log and the line at fault.
    void errorNamesTheLogAndLineInTheWindowsLanguage()
    {
        QTemporaryDir dir;
        const QString log = WriteLog(dir.filePath(QStringLiteral("a.log")),
            { "header", RecordLine("030405", "3539.0000", "13945.0000", "120507"),
                RecordLine("250000", "3539.1000", "13945.0000", "120507") });
        const TLanguageScope english(TLanguage::English);
        TPreviewWindow* preview = opener().Open(ToPathForTest(log));
        QVERIFY(Settled(preview));
        QCOMPARE(preview->View()->Message(),
            QString::fromStdString(MessageText(TimeError("25:00:00"), TLanguage::English))
                + ".\nLog: " + log + ", line 3\n"
                + "The time field (columns 8-13) should be HHMMSS, such as 030405.");
    }

private:
    static std::filesystem::path ToPathForTest(const QString& path)
    {
        return std::filesystem::path(path.toStdString());
    }
};

std::unique_ptr<QObject> MakePreviewTests()
{
    return std::make_unique<TestPreview>();
}

} // namespace ostrel::test

#include "preview_tests.moc"
