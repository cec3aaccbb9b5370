#include "scripted_dialogs.h"

#include <QDialog>
#include <QFileInfo>

namespace ostrel::test {

void TScriptedDialogs::AnswerOpen(const QStringList& paths)
{
    answers_.push_back(TOpenAnswer { paths });
}

void TScriptedDialogs::AnswerSave(TSaveAnswer answer)
{
    answers_.push_back(std::move(answer));
}

void TScriptedDialogs::AnswerSave(const QString& chosenPath)
{
    AnswerSave([chosenPath](TSaveDialogState& state, const TTypeChange&) {
        state.FileName = chosenPath;
        return true;
    });
}

void TScriptedDialogs::CancelSave()
{
    AnswerSave([](TSaveDialogState&, const TTypeChange&) { return false; });
}

void TScriptedDialogs::AnswerColor(std::optional<QColor> color)
{
    answers_.push_back(TColorAnswer { color });
}

void TScriptedDialogs::AnswerSettings(std::function<void(QDialog&)> work)
{
    answers_.push_back(TSettingsAnswer { std::move(work) });
}

void TScriptedDialogs::AnswerFile(const QString& path)
{
    answers_.push_back(TFileAnswer { path });
}

QList<TBox> TScriptedDialogs::TakeBoxes()
{
    return std::exchange(Boxes, {});
}

QString TScriptedDialogs::Verify() const
{
    QStringList problems = Faults;
    if (!answers_.empty())
        problems << QStringLiteral("%1 answer(s) taken by no dialog").arg(answers_.size());
    for (const TBox& box : Boxes)
        problems << QStringLiteral("unchecked box: ") + box.Text;
    return problems.join(QLatin1String("; "));
}

template <class Answer> const Answer* TScriptedDialogs::Next(const char* dialog)
{
    if (answers_.empty()) {
        Faults << QStringLiteral("unanswered %1 dialog").arg(QLatin1String(dialog));
        return nullptr;
    }
    current_ = std::move(answers_.front());
    answers_.pop_front();
    const Answer* answer = std::get_if<Answer>(&*current_);
    if (answer == nullptr)
        Faults << QStringLiteral("unexpected %1 dialog").arg(QLatin1String(dialog));
    return answer;
}

QStringList TScriptedDialogs::OpenLogs(QWidget*, const QString& folder)
{
    OpenOpenings << folder;
    const TOpenAnswer* answer = Next<TOpenAnswer>("open");
    return answer ? answer->Paths : QStringList();
}

QStringList TScriptedDialogs::OpenPhotos(QWidget*, const QString& folder)
{
    OpenOpenings << folder;
    const TOpenAnswer* answer = Next<TOpenAnswer>("open");
    return answer ? answer->Paths : QStringList();
}

bool TScriptedDialogs::SaveOutput(QWidget*, TSaveDialogState& state, const TTypeChange& typeChange,
    const TAskBeforeReplacing& askBeforeReplacing)
{
    SaveOpenings << state;
    const TSaveAnswer* answer = Next<TSaveAnswer>("save");
    if (answer == nullptr)
        return false;
    // The dialog changes its state only on OK.
    TSaveDialogState shown = state;
    if (!(*answer)(shown, typeChange))
        return false;
    // Qt's dialog would ask before replacing a file there (and here the user says yes).
    if (QFileInfo::exists(shown.FileName)
        && (!askBeforeReplacing || askBeforeReplacing(shown.FileName)))
        ReplaceQuestions << shown.FileName;
    state = shown;
    return true;
}

std::optional<QColor> TScriptedDialogs::PickColor(QWidget*, const QColor& initial)
{
    ColorOpenings << initial;
    const TColorAnswer* answer = Next<TColorAnswer>("colour");
    return answer ? answer->Color : std::nullopt;
}

void TScriptedDialogs::ShowBox(
    QWidget*, TBoxKind kind, const QString& caption, const QString& text, const QString& detail)
{
    Boxes << TBox { kind, caption, text, detail };
}

bool TScriptedDialogs::ShowSummary(QWidget*, TBoxKind kind, const QString& caption,
    const QString& text, const QString& detail, const QString& folder)
{
    Boxes << TBox { kind, caption, text, detail, folder };
    return OpenFolderFromSummary && !folder.isEmpty();
}

void TScriptedDialogs::OpenFolder(const QString& folder)
{
    OpenedFolders << folder;
}

void TScriptedDialogs::ShowSettings(QDialog& dialog)
{
    SettingsOpenings << dialog.objectName();
    // The work may answer dialogs of its own, which replace the current answer: it runs from a
    // copy.
    if (const TSettingsAnswer* answer = Next<TSettingsAnswer>("settings")) {
        const std::function<void(QDialog&)> work = answer->Work;
        work(dialog);
    }
}

QString TScriptedDialogs::ChooseFile(QWidget*, TFileChoice kind, const QString&)
{
    FileOpenings << kind;
    const TFileAnswer* answer = Next<TFileAnswer>("file");
    return answer ? answer->Path : QString();
}

} // namespace ostrel::test
