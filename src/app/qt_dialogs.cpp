#include "app/qt_dialogs.h"

#include "app/window_text.h"
#include "photos/geotag.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <algorithm>

namespace ostrel {

namespace {

// The dialogs speak the window's language (Qt's own translations are installed with the
// window's) and take the window's font.
void LikeTheWindow(QWidget* dialog, QWidget* parent)
{
    if (parent != nullptr)
        dialog->setFont(parent->window()->font());
}

// The save dialog, asking before an existing file is replaced only where the caller wants.
class TSaveFileDialog final : public QFileDialog
{
public:
    TSaveFileDialog(QWidget* parent, const TAskBeforeReplacing& ask)
        : QFileDialog(parent)
        , ask_(ask)
    {
    }

    void accept() override
    {
        const QString path = selectedFiles().value(0);
        setOption(QFileDialog::DontConfirmOverwrite, ask_ && !path.isEmpty() && !ask_(path));
        QFileDialog::accept();
    }

private:
    const TAskBeforeReplacing& ask_;
};

// The 1-based index of a type as the dialog reports it: the whole filter, or only its name when
// the patterns are hidden; 1 for a type it does not know.
int TypeIndexOf(const QStringList& filters, const QString& reported)
{
    for (qsizetype i = 0; i < filters.size(); ++i) {
        if (filters[i] == reported || filters[i].startsWith(reported + QLatin1String(" (")))
            return static_cast<int>(i) + 1;
    }
    return 1;
}

// The photos read here (their extensions in small letters, then in capitals), then every file.
QStringList PhotoNameFilters()
{
    QStringList small, capitals;
    for (const std::string_view ext : PhotoExtensions()) {
        const QString pattern = QLatin1Char('*') + QLatin1String(ext.data(), ext.size());
        small.append(pattern);
        capitals.append(pattern.toUpper());
    }
    return { QCoreApplication::translate("ostrel::TQtDialogs", "写真") + QStringLiteral(" (")
            + (small + capitals).join(QLatin1Char(' ')) + QLatin1Char(')'),
        QCoreApplication::translate("ostrel::TQtDialogs", "すべてのファイル")
            + QStringLiteral(" (*)") };
}

// The files chosen in an open dialog for several existing files, with native separators.
QStringList ExistingFiles(QFileDialog& dialog)
{
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    QStringList paths = dialog.selectedFiles();
    for (QString& path : paths)
        path = QDir::toNativeSeparators(path);
    return paths;
}

} // namespace

QStringList TQtDialogs::OpenLogs(QWidget* parent, const QString& folder)
{
    // Every file is shown: logs come under many names.
    QFileDialog dialog(parent);
    LikeTheWindow(&dialog, parent);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    return ExistingFiles(dialog);
}

QStringList TQtDialogs::OpenPhotos(QWidget* parent, const QString& folder)
{
    QFileDialog dialog(
        parent, QCoreApplication::translate("ostrel::TQtDialogs", "写真を開く"), folder);
    dialog.setNameFilters(PhotoNameFilters());
    LikeTheWindow(&dialog, parent);
    return ExistingFiles(dialog);
}

bool TQtDialogs::SaveOutput(QWidget* parent, TSaveDialogState& state, const TTypeChange& typeChange,
    const TAskBeforeReplacing& askBeforeReplacing)
{
    const QStringList filters = SaveDialogNameFilters();
    TSaveFileDialog dialog(parent, askBeforeReplacing);
    LikeTheWindow(&dialog, parent);
    // Qt's own dialog on every platform: the type change has to reach the name box while the
    // dialog is open. The types are listed by name, without their patterns.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    if (!state.InitialDir.isEmpty())
        dialog.setDirectory(state.InitialDir);
    const int index = std::clamp(state.FilterIndex, 1, static_cast<int>(filters.size()));
    dialog.selectNameFilter(filters[index - 1]);
    // A name typed without an extension gets the chosen type's.
    dialog.setDefaultSuffix(SaveDialogSuffix(index));
    // A full path opens the dialog in its folder; a bare name in the initial folder.
    if (!state.FileName.isEmpty())
        dialog.selectFile(QDir::fromNativeSeparators(state.FileName));

    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const int selected = TypeIndexOf(filters, filter);
        dialog.setDefaultSuffix(SaveDialogSuffix(selected));
        const QString folder = dialog.directory().absolutePath();
        QString current = dialog.selectedFiles().value(0);
        // With an empty name box Qt reports the folder itself: there is no name to change.
        if (QFileInfo(current).absoluteFilePath() == folder)
            current = folder + QLatin1Char('/');
        const QString text = typeChange(selected, current);
        if (!text.isEmpty())
            dialog.selectFile(QDir(folder).filePath(text));
    });

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    state.FileName = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    state.FilterIndex = TypeIndexOf(filters, dialog.selectedNameFilter());
    return true;
}

std::optional<QColor> TQtDialogs::PickColor(QWidget* parent, const QColor& initial)
{
    QColorDialog dialog(initial, parent);
    LikeTheWindow(&dialog, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QColor color = dialog.selectedColor();
    if (!color.isValid())
        return std::nullopt;
    return color;
}

void TQtDialogs::ShowBox(QWidget* parent, TBoxKind kind, const QString& caption,
    const QString& text, const QString& detail)
{
    ShowSummary(parent, kind, caption, text, detail, {});
}

bool TQtDialogs::ShowSummary(QWidget* parent, TBoxKind kind, const QString& caption,
    const QString& text, const QString& detail, const QString& folder)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (kind == TBoxKind::Warning)
        icon = QMessageBox::Warning;
    else if (kind == TBoxKind::Error)
        icon = QMessageBox::Critical;
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    LikeTheWindow(&box, parent);
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    QPushButton* open = nullptr;
    if (!folder.isEmpty()) {
        open = box.addButton(
            QCoreApplication::translate("ostrel::TQtDialogs", "フォルダーを開く(&F)"),
            QMessageBox::ActionRole);
        open->setObjectName(QStringLiteral("cmdOpenFolder"));
    }
    box.exec();
    return open != nullptr && box.clickedButton() == open;
}

void TQtDialogs::OpenFolder(const QString& folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void TQtDialogs::ShowSettings(QDialog& dialog)
{
    dialog.setWindowModality(Qt::WindowModal);
    dialog.exec();
}

QString TQtDialogs::ChooseFile(QWidget* parent, TFileChoice kind, const QString& proposed)
{
    if (kind == TFileChoice::PhotoFolder)
        return QDir::toNativeSeparators(QFileDialog::getExistingDirectory(parent,
            QCoreApplication::translate("ostrel::TQtDialogs", "写真のフォルダー"), proposed));
    if (kind == TFileChoice::ClockPhoto)
        return QDir::toNativeSeparators(QFileDialog::getOpenFileName(parent,
            QCoreApplication::translate("ostrel::TQtDialogs", "時計を写した写真"), proposed,
            PhotoNameFilters().join(QStringLiteral(";;"))));
    if (kind == TFileChoice::OpenMap)
        return QFileDialog::getOpenFileName(parent,
            QCoreApplication::translate("ostrel::TQtDialogs", "地図を開く"), proposed,
            QCoreApplication::translate("ostrel::TQtDialogs", "MBTiles (*.mbtiles)"));
    QString filter = QStringLiteral("PNG (*.png)");
#ifdef OSTREL_NO_SVG_EXPORT
    const QString filters = filter;
#else
    const QString filters = filter + QStringLiteral(";;SVG (*.svg)");
#endif
    const QString path = QFileDialog::getSaveFileName(parent,
        QCoreApplication::translate("ostrel::TQtDialogs", "画像を保存"), proposed, filters,
        &filter);
    // A name typed without an extension takes the type chosen.
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        return path
            + (filter.startsWith(QLatin1String("SVG")) ? QStringLiteral(".svg")
                                                       : QStringLiteral(".png"));
    return path;
}

} // namespace ostrel
