#pragma once

// The main window: the list of input logs, every setting the conversion reads, and the commands
// Add logs, Delete, Delete all, Convert, the waypoint colour, the cleaning, the photos' positions
// and Close. Its settings, the folder logs were last added from and its place on the screen are
// remembered from one start to the next.

#include "app/dialogs.h"
#include "app/settings_model.h"
#include "conversion/conversion.h"
#include "core/settings.h"

#include <QWidget>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace ostrel {

class TCleaningDialog;
class TConversionRunner;
class TPhotosDialog;
class TShape;
class TSpinEdit;

class TForm1 : public QWidget
{
    Q_OBJECT

public:
    // The window shows every dialog and message box through dialogs, which must outlive it.
    explicit TForm1(TDialogs& dialogs, QWidget* parent = nullptr);

    // The controls, each named after itself (objectName). OpenDialog1 and ColorDialog1 are shown
    // through the dialogs; SaveDialog1 is the state the save dialog keeps between commands.
    QListWidget* LogList;
    QPushButton* cmdAddLogs;
    QPushButton* cmdDelete;
    QPushButton* cmdDeleteAll;
    QGroupBox* GroupBox1;
    QGroupBox* grpBatch;
    QCheckBox* chkKeepGoing;
    QCheckBox* chkSummary;
    QPushButton* cmdConvEach;
    QGroupBox* GroupBox2;
    QRadioButton* rdbWalk;
    QRadioButton* rdbJog;
    QRadioButton* rdbBicycle;
    QRadioButton* rdbCar;
    QRadioButton* rdbUserDefine;
    QLineEdit* txtLimitter;
    QLabel* Label1;
    TSaveDialogState SaveDialog1;
    QComboBox* cmbOrgP;
    QPushButton* Button1;
    QGroupBox* GroupBox3;
    QRadioButton* rdbNMEA;
    QRadioButton* rdbKML;
    QRadioButton* rdbGPX;
    // The formats without a button of their own (GeoJSON, CSV): one button and their list.
    QRadioButton* rdbOther;
    QComboBox* cmbOtherFormat;
    QCheckBox* chkKmlTrack; // KML: the route with a time per fix; shown while KML is chosen
    QComboBox* ddlTimeZone;
    QLabel* Label2;
    QCheckBox* chkWayPoint;
    QComboBox* ddlInterval;
    QPlainTextEdit* txtStyle;
    QPushButton* Button2;
    TShape* Shape1;
    TSpinEdit* SpinEdit1;
    QLabel* Label3;
    // The cleaning of the track, in a dialog of its own that the window keeps.
    QPushButton* cmdCleaning;
    TCleaningDialog* dlgCleaning;
    // Positions for photos from the listed logs, in a dialog the window keeps.
    QPushButton* cmdPhotos;
    TPhotosDialog* dlgPhotos;

    // What each Convert command captures first, in this order; zero until the first command, and
    // kept when a later command fails part way.
    std::int32_t TimeZoneHours = 0; // hours
    std::int32_t TimeZoneMinutes = 0; // with the sign of the hours
    std::int32_t WaypointIntervalMin = 0; // minutes
    double SpeedLimitKmh = 0.0; // km/h

    // The settings a conversion takes now: the three captured values and the controls' states.
    // Settles a value typed in the opacity box first, so the opacity is always 10..100 (percent).
    TConvertSettings ConversionSettings();

    // What the controls say as settings, for the Convert command and the previews.
    TSettingsModel& Settings() { return *settings_; }

    // Fixes the calendar year used for two-digit log years; the computer's clock when not set.
    void SetCurrentYear(std::optional<int> year) { settings_->SetCurrentYear(year); }

    // Event handlers. An error raised in one of them when the user triggers it ends in the
    // application-wide error box.
    void FormCreate();
    // Lists files and folders dropped, named on the command line or chosen, in their order: a
    // folder gives the logs in it (LogsInFolder), any other path is listed as it is. A folder
    // that cannot be read is reported in the error box, and the paths after it are listed.
    void AppendPaths(const std::vector<std::filesystem::path>& paths);
    void AppendLogs(const QStringList& paths); // AppendPaths for paths as Qt's texts
    void cmdAddLogsClick();
    void cmdDeleteClick();
    void cmdDeleteAllClick();
    void Button1Click();
    void Button2Click();
    void cmdCleaningClick();
    // Opens the photos' dialog on the listed logs, under the settings a preview draws under.
    void cmdPhotosClick();
    // Converts the listed logs: one with the save dialog's name, several into the batch dialog's
    // type and folder. Each entry then shows what became of its log.
    void cmdConvEachClick();
    // The save dialog's type change: the name part of currentPath with the extension of the new
    // type's format (".log" for index 1, ".kml" for 2); the extension alone when the path holds
    // no name.
    static QString SaveDialog1TypeChange(int filterIndex, const QString& currentPath);

    // The log a list entry stands for, as the file layer takes it (the bytes of its name).
    static std::filesystem::path LogPath(const QListWidgetItem* item);

    // Where the Convert command runs its conversions (a worker thread).
    TConversionRunner& ConversionRunner() { return *runner_; }

    // The application-wide error box: the message (with the "." rule) as its text, the detail
    // (which log, which line, what was expected) below it, the error icon, one OK button and the
    // application's title.
    void ShowErrorBox(const QString& message, const QString& detail = {});

    // The message of an error in the window's language; what() for errors outside the family.
    static QString MessageOf(const std::exception& error);

protected:
    // Closing the window stops a conversion under way and waits for it; the window's place is
    // remembered.
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Tab and Shift+Tab enter a group of radio buttons at its checked button.
    bool focusNextPrevChild(bool next) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();
    // Runs a handler; an error it raises is shown in the error box and the window stays usable.
    template <class Handler> void Guarded(Handler&& handler);
    void Connect(QPushButton* button, void (TForm1::*handler)());

    void AppendLog(const std::filesystem::path& path);
    // Convert is enabled while logs are listed.
    void UpdateCommands();
    // The log of a list entry; the list index error when there is none.
    std::filesystem::path Entry(int index) const;
    void ConvertOne(const TConvertSettings& settings);
    void ConvertAll(const TConvertSettings& settings);
    // Shows on the entry of the log at row what became of it.
    void ShowConverted(int row, const std::filesystem::path& output, const std::string& length);
    void ShowFailed(int row, const std::exception_ptr& error);
    // The length report, with the output it reports on as its detail where the user did not name
    // it: in a batch, or when a proposed name was taken meanwhile.
    void ShowLength(const std::string& message, const QString& output = {});
    // Runs work for the log at path: an error it raises names that log (and the line).
    void OnLog(const QString& path, const std::function<void()>& work);
    // The error box for an error raised while the log at path was worked on.
    void ShowLogErrorBox(const std::exception_ptr& error, const QString& path);

    TDialogs& dialogs_;
    std::vector<TFormatButton> formatButtons_; // in the format table's order
    TSettingsModel* settings_;
    TConversionRunner* runner_;
    bool converting_ = false; // a Convert command is under way
};

} // namespace ostrel
