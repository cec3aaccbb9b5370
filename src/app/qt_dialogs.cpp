#include "app/qt_dialogs.h"

#include "app/window_text.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <algorithm>

namespace ostrel {

QStringList TQtDialogs::OpenLogs(QWidget* parent)
{
    // Every file is shown: logs come under many names.
    QStringList paths = QFileDialog::getOpenFileNames(parent);
    for (QString& path : paths)
        path = QDir::toNativeSeparators(path);
    return paths;
}

bool TQtDialogs::SaveOutput(QWidget* parent, TSaveDialogState& state, const TTypeChange& typeChange)
{
    const QStringList filters = SaveDialogNameFilters();
    QFileDialog dialog(parent);
    // Qt's own dialog on every platform: the type change has to reach the name box while the
    // dialog is open.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("log"));
    if (!state.InitialDir.isEmpty())
        dialog.setDirectory(state.InitialDir);
    const int index = std::clamp(state.FilterIndex, 1, static_cast<int>(filters.size()));
    dialog.selectNameFilter(filters[index - 1]);
    // A full path opens the dialog in its folder; a bare name in the initial folder.
    if (!state.FileName.isEmpty())
        dialog.selectFile(QDir::fromNativeSeparators(state.FileName));

    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const QString folder = dialog.directory().absolutePath();
        QString current = dialog.selectedFiles().value(0);
        // With an empty name box Qt reports the folder itself: there is no name to change.
        if (QFileInfo(current).absoluteFilePath() == folder)
            current = folder + QLatin1Char('/');
        const QString text = typeChange(static_cast<int>(filters.indexOf(filter)) + 1, current);
        if (!text.isEmpty())
            dialog.selectFile(QDir(folder).filePath(text));
    });

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    state.FileName = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    state.FilterIndex
        = std::max(1, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1);
    return true;
}

std::optional<QColor> TQtDialogs::PickColor(QWidget* parent, const QColor& initial)
{
    const QColor color = QColorDialog::getColor(initial, parent);
    if (!color.isValid())
        return std::nullopt;
    return color;
}

void TQtDialogs::ShowBox(
    QWidget* parent, TBoxKind kind, const QString& caption, const QString& text)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (kind == TBoxKind::Confirmation)
        icon = QMessageBox::Question;
    else if (kind == TBoxKind::Error)
        icon = QMessageBox::Critical;
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace ostrel
