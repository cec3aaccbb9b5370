#pragma once

// The dialogs of the window answered from a script. Each open, save or colour dialog takes the
// next queued answer, which must be of its kind; message boxes are recorded for the test to take,
// and a summary's "Open folder" is chosen where the test says so.
// What went wrong (a dialog without an answer, an answer of another kind) is collected in Faults,
// and Verify() reports it together with answers that no dialog took and boxes nobody checked.

#include "app/dialogs.h"

#include <QList>
#include <deque>
#include <functional>
#include <variant>

namespace ostrel::test {

struct TBox
{
    TBoxKind Kind;
    QString Caption;
    QString Text;
    QString Detail = {}; // below the text; the tests of details look at it
    QString Folder = {}; // a summary's folder for "Open folder"; empty: no such button

    // The box as its first line shows it: kind, caption and text.
    bool operator==(const TBox& other) const
    {
        return Kind == other.Kind && Caption == other.Caption && Text == other.Text;
    }
};

class TScriptedDialogs final : public TDialogs
{
public:
    // Answers the save dialog: may look at the state and call the type change like a user
    // switching types; returns true for OK after setting state as the dialog would.
    using TSaveAnswer = std::function<bool(TSaveDialogState&, const TTypeChange&)>;

    void AnswerOpen(const QStringList& paths); // empty: Cancel; logs or photos
    void AnswerSave(TSaveAnswer answer);
    void AnswerSave(const QString& chosenPath); // OK with this path, type unchanged
    void CancelSave();
    void AnswerColor(std::optional<QColor> color); // nothing: Cancel
    // Works a settings dialog's controls as a user would, then closes it.
    void AnswerSettings(std::function<void(QDialog&)> work);
    void AnswerFile(const QString& path); // empty: Cancel

    QStringList OpenOpenings; // the folder each open dialog opened in
    QList<TSaveDialogState> SaveOpenings; // the state each save dialog opened with
    QList<QColor> ColorOpenings; // the colour each colour dialog opened on
    QStringList SettingsOpenings; // the object name of each settings dialog shown
    QList<TFileChoice> FileOpenings; // the kind of each file dialog shown
    QStringList ReplaceQuestions; // the paths the save dialog asked about replacing
    QList<TBox> Boxes; // every box shown, oldest first
    bool OpenFolderFromSummary = false; // a summary is answered with "Open folder"
    QStringList OpenedFolders; // the folders shown in the file manager
    QStringList Faults;

    QList<TBox> TakeBoxes();
    // Empty when all went to script; otherwise what did not.
    QString Verify() const;

    QStringList OpenLogs(QWidget* parent, const QString& folder) override;
    QStringList OpenPhotos(QWidget* parent, const QString& folder) override;
    bool SaveOutput(QWidget* parent, TSaveDialogState& state, const TTypeChange& typeChange,
        const TAskBeforeReplacing& askBeforeReplacing) override;
    std::optional<QColor> PickColor(QWidget* parent, const QColor& initial) override;
    void ShowBox(QWidget* parent, TBoxKind kind, const QString& caption, const QString& text,
        const QString& detail) override;
    bool ShowSummary(QWidget* parent, TBoxKind kind, const QString& caption, const QString& text,
        const QString& detail, const QString& folder) override;
    void OpenFolder(const QString& folder) override;
    void ShowSettings(QDialog& dialog) override;
    QString ChooseFile(QWidget* parent, TFileChoice kind, const QString& proposed) override;

private:
    struct TOpenAnswer
    {
        QStringList Paths;
    };
    struct TColorAnswer
    {
        std::optional<QColor> Color;
    };
    struct TSettingsAnswer
    {
        std::function<void(QDialog&)> Work;
    };
    struct TFileAnswer
    {
        QString Path;
    };
    using TAnswer
        = std::variant<TOpenAnswer, TSaveAnswer, TColorAnswer, TSettingsAnswer, TFileAnswer>;

    template <class Answer> const Answer* Next(const char* dialog);

    std::deque<TAnswer> answers_;
    std::optional<TAnswer> current_;
};

} // namespace ostrel::test
