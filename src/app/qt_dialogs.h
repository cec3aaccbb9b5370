#pragma once

// The window's dialogs and message boxes as Qt shows them.

#include "app/dialogs.h"

namespace ostrel {

class TQtDialogs final : public TDialogs
{
public:
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
};

} // namespace ostrel
