#pragma once

// The window's settings as the conversion takes them: the one place that reads the controls
// which hold them, for the Convert command and for every preview, and that tells when a setting
// the track depends on changes.

#include "conversion/output_formats.h"
#include "core/settings.h"

#include <QObject>
#include <cstdint>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace ostrel {

class TShape;
class TSpinEdit;

// An output format's button.
struct TFormatButton
{
    const TOutputFormat* Format;
    QRadioButton* Button;
};

// The controls the settings are read from; they must outlive the model.
struct TSettingsControls
{
    std::vector<QRadioButton*> Modes; // one for each travel mode, in the table's order
    QRadioButton* CustomMode; // the limit typed in CustomLimit (km/h)
    QLineEdit* CustomLimit;
    QComboBox* Origin; // its index is the zone's: 0 for each log's first fix, 1..19
    QComboBox* TimeZone; // items "-11".."+11" (hours) and an empty one
    QComboBox* Interval; // items in minutes
    std::vector<TFormatButton> Formats; // one for each output format
    QCheckBox* Waypoints;
    TShape* Colour; // the waypoints' colour
    TSpinEdit* Opacity; // percent
    QPlainTextEdit* StyleTemplate; // the KML style block's lines
};

class TSettingsModel : public QObject
{
    Q_OBJECT

public:
    TSettingsModel(const TSettingsControls& controls, QObject* parent);

    // The values the Convert command captures first, each as its control holds it now; the
    // control's error when it holds none (the empty time zone item, a custom limit that does not
    // parse).
    std::int32_t TimeZoneHours() const;
    std::int32_t WaypointIntervalMin() const; // minutes
    double SpeedLimitKmh() const; // the mode's limit, or the custom one

    // The settings of a conversion: the values captured and the other controls' states now.
    // Settles a value typed in the opacity box first (it may still have the focus), so the
    // opacity is always 10..100 (percent).
    TConvertSettings ConversionSettings(
        std::int32_t timeZoneHours, std::int32_t waypointIntervalMin, double speedLimitKmh);

    // The settings a preview draws under: those of the controls now, without capturing anything.
    // The empty time zone item is no shift here. Throws the limit's error when the custom limit
    // does not parse.
    TConvertSettings PreviewSettings() const;

    // The format of the checked output button.
    const TOutputFormat& OutputFormat() const;

    // Fixes the calendar year used for two-digit log years; the computer's clock when not set.
    void SetCurrentYear(std::optional<int> year) { currentYear_ = year; }
    int CurrentYear() const;

signals:
    // A setting the track and its waypoints depend on has changed: the travel mode or the custom
    // limit, the origin, the time zone or the waypoint interval. Once for each change.
    void Changed();

private:
    TSettingsControls controls_;
    std::optional<int> currentYear_;
};

} // namespace ostrel
