#pragma once

// The window's dialogs and message boxes as Qt shows them.

#include "app/dialogs.h"

namespace ostrel {

// The save dialog's file types as the window defines them: index 1 and 2.
inline constexpr const char* kSaveDialogFilter = "NMEA Log|*.log;.log|Google Earth|*.kml;.log";

class TQtDialogs final : public TDialogs
{
public:
    QStringList OpenLogs(QWidget* parent) override;
    bool SaveOutput(
        QWidget* parent, TSaveDialogState& state, const TTypeChange& typeChange) override;
    std::optional<QColor> PickColor(QWidget* parent, const QColor& initial) override;
    void ShowBox(
        QWidget* parent, TBoxKind kind, const QString& caption, const QString& text) override;
};

} // namespace ostrel
