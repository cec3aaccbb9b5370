#pragma once

// The window's settings as the conversion takes them: the one place that reads the controls
// which hold them, for the Convert command and for every preview, and that tells when a setting
// the track depends on changes. It remembers every setting from one start to the next, enables
// the controls that serve only some formats for those formats alone, and holds the store the
// window remembers its other things in.

#include "conversion/output_formats.h"
#include "core/settings.h"
#include "core/time_zones.h"

#include <QObject>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QSettings;
class QWidget;

namespace ostrel {

class TShape;
class TSpinEdit;

// An output format's button.
struct TFormatButton
{
    const TOutputFormat* Format;
    QRadioButton* Button;
};

// A control that serves only the formats whose rows list the command-line option of that long
// name ("time-zone"): it is enabled while such a format is chosen.
struct TServedControl
{
    QWidget* Control;
    std::string_view Option;
};

// The controls of a row of options (the cleaning's): the check that turns its stage on, none for
// a choice, which always holds one of its choices; the control of its value, none for a flag: a
// QSpinBox in the row's range for an integer, a QDateTimeEdit for a date-time (a local time in
// the time zone), a QComboBox whose items are the row's choices in their order. The row sets
// the settings from them as from its command-line option.
struct TOptionControl
{
    const TOption<TConvertSettings>* Option;
    QCheckBox* On;
    QWidget* Value;
};

// The controls the settings are read from; they must outlive the model.
struct TSettingsControls
{
    std::vector<QRadioButton*> Modes; // one for each travel mode, in the table's order
    QRadioButton* CustomMode; // the limit typed in CustomLimit (km/h)
    QLineEdit* CustomLimit;
    QComboBox* Origin; // its index is the zone's: 0 for each log's first fix, 1..19
    // Items: the time zones in use ("+5:30", each with its text as data) and an empty one.
    QComboBox* TimeZone;
    QComboBox* Interval; // items in minutes, each with its text as data
    std::vector<TFormatButton> Formats; // one for each format that has a button
    // The other formats: a button for all of them, and their list (each item with the format's
    // command-line name as data).
    QRadioButton* OtherFormat;
    QComboBox* OtherFormats;
    QCheckBox* KmlTrack; // the route with a time per fix, shown while the format takes it
    QCheckBox* Waypoints;
    TShape* Colour; // the waypoints' colour
    TSpinEdit* Opacity; // percent
    QPlainTextEdit* StyleTemplate; // the KML style block's lines
    QCheckBox* KeepGoing; // a batch goes on after a failed log
    QCheckBox* Summary; // a batch ends in one box instead of one per log
    std::vector<TOptionControl> Cleaning; // the cleaning beyond the speed filter
    // The choices of other dialogs, remembered with the settings; they change no track.
    std::vector<QWidget*> Others;
    std::vector<TServedControl> Served;
};

// Where the window remembers its settings (QSettings in the platform's place, under "ostrel").
std::unique_ptr<QSettings> OpenWindowStore();
// Forgets everything remembered: the next window starts as on the first start.
void ResetWindowStore();

class TSettingsModel : public QObject
{
    Q_OBJECT

public:
    // Takes the remembered settings into the controls.
    TSettingsModel(const TSettingsControls& controls, QObject* parent);
    ~TSettingsModel() override;

    // The values the Convert command captures first, each as its control holds it now; the
    // control's error when it holds none (the empty time zone item: the integer error of its
    // text; a custom limit that does not parse).
    TTimeZone TimeZone() const;
    std::int32_t WaypointIntervalMin() const; // minutes
    double SpeedLimitKmh() const; // the mode's limit, or the custom one

    // The settings of a conversion: the values captured and the other controls' states now.
    // Settles a value typed in the opacity box first (it may still have the focus), so the
    // opacity is always 10..100 (percent).
    TConvertSettings ConversionSettings(
        const TTimeZone& timeZone, std::int32_t waypointIntervalMin, double speedLimitKmh);

    // The settings a preview draws under: those of the controls now, without capturing anything.
    // The empty time zone item is no shift here. Throws the limit's error when the custom limit
    // does not parse.
    TConvertSettings PreviewSettings() const;

    // The format of the checked output button; checking another format's button.
    const TOutputFormat& OutputFormat() const;
    void SetOutputFormat(const TOutputFormat& format);

    bool KeepGoing() const;
    bool Summary() const;

    // Fixes the calendar year used for two-digit log years; the computer's clock when not set.
    void SetCurrentYear(std::optional<int> year) { currentYear_ = year; }
    int CurrentYear() const;

    // The store the settings are remembered in, for the window's other remembered things.
    QSettings& Store() const { return *store_; }

signals:
    // A setting the track and its waypoints depend on has changed: the travel mode or the custom
    // limit, the origin, the time zone, the waypoint interval or the cleaning (a stage turned on
    // or off, the value of a stage that is on). Once for each change.
    void Changed();

private slots:
    void RememberSender();

private:
    // Every control that holds a setting, each remembered under its object name.
    std::vector<QWidget*> Remembered() const;
    void Remember(QWidget* control);
    void Restore(QWidget* control);
    void EnableServedControls();
    // The cleaning's stages that are on, applied to settings as their rows do.
    void ApplyCleaning(TConvertSettings& settings) const;

    TSettingsControls controls_;
    std::optional<int> currentYear_;
    std::unique_ptr<QSettings> store_;
    bool restoring_ = false;
};

} // namespace ostrel
