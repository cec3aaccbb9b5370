#pragma once

// Positions for photos from the main window's logs, in a dialog of its own behind the window's
// button: the photos or a folder of them, the camera's zone and how far its clock was ahead (typed,
// or taken from a photo of a clock), a table of the matches with the reasons for none, and Write
// (XMP sidecars, or the JPEGs' own EXIF). The core matches and writes on a worker thread; the
// dialog only gathers its choices and shows the results. The window keeps the dialog, and the
// settings model remembers its choices of the camera and of the writing.

#include "core/settings.h"
#include "photos/geotag.h"
#include "preview/track_picture.h"

#include <QDialog>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTimeEdit;

namespace ostrel {

class TConversionRunner;
class TDialogs;

class TPhotosDialog final : public QDialog
{
    Q_OBJECT

public:
    // Shows its file dialogs and message boxes through dialogs, which must outlive it.
    TPhotosDialog(TDialogs& dialogs, QWidget* parent);

    // The logs whose kept fixes place the photos and the settings that keep them (mode, filter,
    // cleaning); set before the dialog shows.
    void SetLogs(std::vector<std::filesystem::path> logs, const TConvertSettings& settings);

    // The controls, each named after itself (objectName).
    QPushButton* cmdAddPhotos;
    QPushButton* cmdAddFolder;
    QPushButton* cmdClearPhotos;
    QComboBox* ddlCameraZone; // the time zones in use, each with its text as data
    QLineEdit* txtCameraOffset; // how far the camera's clock was ahead: [+|-][H:]MM:SS
    QTimeEdit* tmeClock; // the time a clock in a photo shows
    QPushButton* cmdFromClock; // picks that photo and sets the correction from it
    QRadioButton* rdbSidecar;
    QRadioButton* rdbExif;
    QCheckBox* chkOverwrite;
    QTableWidget* tblPhotos; // photo, camera time, UTC, latitude, longitude, result
    QPushButton* cmdMatch;
    QPushButton* cmdWrite;
    QPushButton* cmdClose;

    // The controls whose values are remembered from one start to the next.
    std::vector<QWidget*> Remembered() const;

    // The places the last match or write gave the photos, for each log whose fixes (within the
    // greatest gap) span the photo's time.
    const std::map<std::filesystem::path, std::vector<TLatLon>>& Places() const { return places_; }

    // The options the match and the writing take from the controls now; the error box's message
    // as an exception when the correction does not read.
    TGeotagOptions Options(bool dryRun) const;

    // The commands behind the buttons. An error ends in an error box over the dialog.
    void AddPhotos();
    void AddFolder();
    void ClearPhotos();
    void CorrectionFromClock();
    void Match(); // a dry run: nothing is written
    void Write();

signals:
    // Places() has changed.
    void Placed();

private:
    struct TRow
    {
        std::optional<TPhotoResult> Result;
        std::exception_ptr Error;
    };

    // Runs a command; an error it raises is shown in the error box.
    template <class Command> void Guarded(Command&& command);
    void Run(bool dryRun);
    void ShowPhotos();
    void ShowRow(int row, const std::filesystem::path& photo, const TRow& result, bool dryRun);

    TDialogs& dialogs_;
    TConversionRunner* runner_;
    QLabel* summary_;
    std::vector<std::filesystem::path> logs_;
    TConvertSettings settings_;
    std::vector<std::filesystem::path> photos_;
    std::map<std::filesystem::path, std::vector<TLatLon>> places_;
    QString folder_; // where photos were last chosen from
};

} // namespace ostrel
