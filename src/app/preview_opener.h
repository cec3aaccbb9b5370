#pragma once

// Opens track previews from the main window's list of logs, each drawn under the window's
// settings as the settings model tells them.

#include "preview/track_picture.h"

#include <QObject>
#include <QPointer>
#include <filesystem>
#include <map>
#include <vector>

class QListWidget;
class QWidget;

namespace ostrel {

class TDialogs;
class TPreviewWindow;
class TSettingsModel;

// Opens a preview on a double-click on a log, the list's context menu entry, or Space or F3 on
// the selected log; and redraws the open previews when the settings they draw under change.
class TPreviewOpener : public QObject
{
    Q_OBJECT

public:
    // The previews are windows of owner, which holds the list, the model and the dialogs.
    TPreviewOpener(
        QListWidget& list, const TSettingsModel& settings, TDialogs& dialogs, QWidget& owner);

    TPreviewWindow* Open(const std::filesystem::path& input);
    std::vector<TPreviewWindow*> Previews() const;

    // The places of the photos matched in this session, for each log; the open previews mark
    // them at once, and so does every preview opened later.
    void SetPhotoPlaces(std::map<std::filesystem::path, std::vector<TLatLon>> places);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OpenSelected();
    void RefreshAll();

    QListWidget& list_;
    const TSettingsModel& settings_;
    TDialogs& dialogs_;
    QWidget& owner_;
    std::vector<QPointer<TPreviewWindow>> previews_;
    std::map<std::filesystem::path, std::vector<TLatLon>> photoPlaces_;
};

} // namespace ostrel
