// The Qt save dialog as the window shows it, driven like a user: its file types, the type change
// in the name box, what it hands back on OK and Cancel, and the question before replacing a file.

#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "app/settings_model.h"
#include "app/translations.h"
#include "core/errors.h"
#include "form_fixture.h"
#include "log_files.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace ostrel::test {

namespace {

// Runs step once the modal dialog of the given type is up.
template <class Dialog> void WhenShown(std::function<void(Dialog*)> step)
{
    QTimer::singleShot(0, [step] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            QTimer::singleShot(10, [step] { WhenShown<Dialog>(step); });
            return;
        }
        step(dialog);
    });
}

// The dialog's name box and type list: Qt's own dialog names them so.
QLineEdit* NameBox(QFileDialog* dialog)
{
    return dialog->findChild<QLineEdit*>("fileNameEdit");
}
QComboBox* TypeList(QFileDialog* dialog)
{
    return dialog->findChild<QComboBox*>("fileTypeCombo");
}

// OK, as the dialog's Save button gives it.
void Accept(QFileDialog* dialog)
{
    QMetaObject::invokeMethod(dialog, "accept");
}

} // namespace

class TestQtDialogs : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        ResetWindowStore(); // the windows made here start as at the first start
    }
    void cleanup() { dir_.reset(); }

    void typeChangeAndOk()
    {
        TQtDialogs dialogs;
        TSaveDialogState state { dir_->path() + "/", dir_->filePath("WG20070512030405.log"), 1 };
        QStringList seen;
        WhenShown<QFileDialog>([&](QFileDialog* dialog) {
            QComboBox* types = TypeList(dialog);
            seen << types->currentText() << NameBox(dialog)->text();
            types->setFocus();
            QTest::keyClick(types, Qt::Key_Down); // "Google Earth"
            seen << types->currentText() << NameBox(dialog)->text();
            QTest::keyClick(types, Qt::Key_Up); // back to "NMEA Log"
            seen << NameBox(dialog)->text();
            QTest::keyClick(types, Qt::Key_Down);
            Accept(dialog);
        });
        QVERIFY(dialogs.SaveOutput(nullptr, state, &TForm1::SaveDialog1TypeChange, {}));
        QCOMPARE(seen,
            QStringList({ "NMEA Log", "WG20070512030405.log", "Google Earth",
                "WG20070512030405.kml", "WG20070512030405.log" }));
        QCOMPARE(state.FileName, QDir::toNativeSeparators(dir_->filePath("WG20070512030405.kml")));
        QCOMPARE(state.FilterIndex, 2);
    }

    void nameWithoutExtension()
    {
        TQtDialogs dialogs;
        TSaveDialogState state { dir_->path() + "/", QStringLiteral("dummy.log"), 2 };
        QStringList seen;
        WhenShown<QFileDialog>([&](QFileDialog* dialog) {
            seen << dialog->directory().absolutePath() << NameBox(dialog)->text();
            NameBox(dialog)->setText(QStringLiteral("out"));
            QComboBox* types = TypeList(dialog);
            types->setFocus();
            QTest::keyClick(types, Qt::Key_Up); // "NMEA Log"
            seen << NameBox(dialog)->text();
            NameBox(dialog)->setText(QStringLiteral("plain"));
            Accept(dialog); // the default extension is "log"
        });
        QVERIFY(dialogs.SaveOutput(nullptr, state, &TForm1::SaveDialog1TypeChange, {}));
        QCOMPARE(seen, QStringList({ dir_->path(), "dummy.log", "out.log" }));
        QCOMPARE(state.FileName, QDir::toNativeSeparators(dir_->filePath("plain.log")));
        QCOMPARE(state.FilterIndex, 1);
    }

    void cancelLeavesTheState()
    {
        TQtDialogs dialogs;
        const TSaveDialogState before { dir_->path() + "/", QStringLiteral("dummy.log"), 2 };
        TSaveDialogState state = before;
        WhenShown<QFileDialog>([](QFileDialog* dialog) {
            QTest::keyClick(TypeList(dialog), Qt::Key_Up);
            dialog->reject();
        });
        QVERIFY(!dialogs.SaveOutput(nullptr, state, &TForm1::SaveDialog1TypeChange, {}));
        QCOMPARE(state.FileName, before.FileName);
        QCOMPARE(state.FilterIndex, before.FilterIndex);
    }

    // With "Google Earth" chosen, a name typed without an extension gets ".kml".
    void defaultExtensionFollowsTheType()
    {
        TQtDialogs dialogs;
        TSaveDialogState state { dir_->path() + "/", QStringLiteral("dummy.log"), 1 };
        WhenShown<QFileDialog>([&](QFileDialog* dialog) {
            QComboBox* types = TypeList(dialog);
            types->setFocus();
            QTest::keyClick(types, Qt::Key_Down); // "Google Earth"
            NameBox(dialog)->setText(QStringLiteral("route"));
            Accept(dialog);
        });
        QVERIFY(dialogs.SaveOutput(nullptr, state, &TForm1::SaveDialog1TypeChange, {}));
        QCOMPARE(state.FileName, QDir::toNativeSeparators(dir_->filePath("route.kml")));
        QCOMPARE(state.FilterIndex, 2);
    }

    // The log itself chosen as the output: the same-file refusal comes, and no question about
    // replacing the log before it.
    void theLogItselfIsRefusedBeforeAnyQuestion()
    {
        const QString log = WriteWalk(dir_->filePath("a.log"));
        TQtDialogs dialogs;
        TForm1 form(dialogs);
        form.SetCurrentYear(kTestYear);
        form.AppendLogs({ log });
        QStringList boxes;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenShown<QFileDialog>([&](QFileDialog* dialog) {
            NameBox(dialog)->setText(QStringLiteral("a.log"));
            WhenShown<QMessageBox>([&](QMessageBox* box) {
                boxes << box->text();
                icon = box->icon();
                box->accept();
            });
            Accept(dialog);
        });
        form.cmdConvEach->click();
        QCOMPARE(boxes, QStringList({ QString::fromStdString(SameFile().what()) }));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(ReadAll(log), ReadAll(WriteWalk(dir_->filePath("b.log"))));
    }

    // A batch's summary offers to open the outputs' folder where there is one, and tells
    // whether the user chose that.
    void summaryOffersToOpenTheFolder()
    {
        TQtDialogs dialogs;
        WhenShown<QMessageBox>([](QMessageBox* box) {
            auto* open = box->findChild<QPushButton*>(QStringLiteral("cmdOpenFolder"));
            QVERIFY(open != nullptr);
            open->click();
        });
        QVERIFY(dialogs.ShowSummary(
            nullptr, TBoxKind::Message, "Ostrel", "2 / 2", "a.log → out.kml", dir_->path()));
        bool button = true;
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            button = box->findChild<QPushButton*>(QStringLiteral("cmdOpenFolder")) != nullptr;
            box->accept();
        });
        QVERIFY(!dialogs.ShowSummary(nullptr, TBoxKind::Error, "Ostrel", "0 / 2", "", {}));
        QVERIFY(!button);
    }

    // The standard dialogs speak the window's language (Qt's own Japanese texts here) and take
    // the window's font.
    void dialogsTakeTheWindowsLanguageAndFont()
    {
        QVERIFY(InstallWindowLanguage(TLanguage::Japanese));
        TQtDialogs dialogs;
        TForm1 form(dialogs);
        TSaveDialogState state { dir_->path() + "/", QStringLiteral("dummy.log"), 1 };
        QString cancel;
        QFont font;
        WhenShown<QFileDialog>([&](QFileDialog* dialog) {
            auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            cancel = buttons->button(QDialogButtonBox::Cancel)->text();
            font = dialog->font();
            dialog->reject();
        });
        dialogs.SaveOutput(&form, state, &TForm1::SaveDialog1TypeChange, {});
        ResetWindowLanguage();
        QVERIFY2(cancel != QLatin1String("Cancel") && cancel != QLatin1String("&Cancel"),
            qPrintable(cancel));
        QCOMPARE(font.families(), form.font().families());
    }

    void asksBeforeReplacing_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::newRow("no") << false;
        QTest::newRow("yes") << true;
    }
    void asksBeforeReplacing()
    {
        QFETCH(bool, replace);
        const QString existing = WriteLog(dir_->filePath("earlier.log"), { "earlier output" });
        TQtDialogs dialogs;
        TSaveDialogState state { dir_->path() + "/", existing, 1 };
        QString question;
        WhenShown<QFileDialog>([&](QFileDialog* dialog) {
            WhenShown<QMessageBox>([&](QMessageBox* box) {
                question = box->text();
                box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
            });
            Accept(dialog);
            if (dialog->isVisible())
                dialog->reject(); // the user said no: the dialog stays, then is cancelled
        });
        QCOMPARE(dialogs.SaveOutput(nullptr, state, &TForm1::SaveDialog1TypeChange, {}), replace);
        QVERIFY2(question.contains("earlier.log"), qPrintable(question));
        QCOMPARE(ReadAll(existing), QByteArray("earlier output\r\n")); // the dialog writes nothing
    }
};

std::unique_ptr<QObject> MakeQtDialogsTests()
{
    return std::make_unique<TestQtDialogs>();
}

} // namespace ostrel::test

#include "qt_dialogs_tests.moc"
