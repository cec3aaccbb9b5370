#include "app/settings_model.h"

#include "app/widgets.h"
#include "app/window_text.h"
#include "geo/travel_modes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <algorithm>
#include <span>

namespace ostrel {

TSettingsModel::TSettingsModel(const TSettingsControls& controls, QObject* parent)
    : QObject(parent)
    , controls_(controls)
{
    setObjectName(QStringLiteral("SettingsModel"));
    std::vector<QRadioButton*> modes = controls_.Modes;
    modes.push_back(controls_.CustomMode);
    // One mode button turns on as another turns off: the one turned on tells.
    for (QRadioButton* mode : modes)
        connect(mode, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                emit Changed();
        });
    connect(controls_.CustomLimit, &QLineEdit::textChanged, this, &TSettingsModel::Changed);
    for (QComboBox* box : { controls_.Origin, controls_.Interval, controls_.TimeZone })
        connect(box, &QComboBox::currentIndexChanged, this, &TSettingsModel::Changed);
}

std::int32_t TSettingsModel::TimeZoneHours() const
{
    return IntegerOfText(controls_.TimeZone->currentText());
}

std::int32_t TSettingsModel::WaypointIntervalMin() const
{
    return IntegerOfText(controls_.Interval->currentText());
}

double TSettingsModel::SpeedLimitKmh() const
{
    // Tested from the custom value down; exactly one button of the group is selected.
    if (controls_.CustomMode->isChecked())
        return FloatOfText(controls_.CustomLimit->text(), QLocale::system().decimalPoint());
    const std::span<const TTravelMode> modes = TravelModes();
    for (std::size_t i = 0; i < modes.size() && i < controls_.Modes.size(); ++i) {
        if (controls_.Modes[i]->isChecked())
            return modes[i].LimitKmh;
    }
    return modes.back().LimitKmh;
}

TConvertSettings TSettingsModel::ConversionSettings(
    std::int32_t timeZoneHours, std::int32_t waypointIntervalMin, double speedLimitKmh)
{
    // A value typed in the opacity box is settled now even when the box still has the focus
    // (Enter started the command).
    controls_.Opacity->interpretText();

    TConvertSettings settings;
    settings.SpeedLimitKmh = speedLimitKmh;
    settings.TimeZoneHours = timeZoneHours;
    settings.WaypointIntervalMin = waypointIntervalMin;
    settings.OriginIndex = controls_.Origin->currentIndex();
    settings.WayPoints = controls_.Waypoints->isChecked();
    settings.OpacityPercent
        = std::clamp(controls_.Opacity->value(), kMinOpacityPercent, kMaxOpacityPercent);
    // The swatch and the colour dialog hold one colour: the dialog always opens on the swatch's.
    settings.WaypointColor = ColorRef(controls_.Colour->BrushColor());
    QTextBlock block = controls_.StyleTemplate->document()->firstBlock();
    for (std::string& line : settings.StyleTemplate) {
        line = block.isValid() ? block.text().toStdString() : std::string();
        block = block.next();
    }
    settings.Separators = SeparatorsOf(QLocale::system());
    settings.CurrentYear = CurrentYear();
    return settings;
}

TConvertSettings TSettingsModel::PreviewSettings() const
{
    TConvertSettings settings;
    settings.SpeedLimitKmh = SpeedLimitKmh();
    settings.OriginIndex = controls_.Origin->currentIndex();
    settings.WaypointIntervalMin = WaypointIntervalMin();
    // The empty time zone item reads as no shift here: the preview needs no error for it.
    const QString zone = controls_.TimeZone->currentText();
    settings.TimeZoneHours = zone.isEmpty() ? 0 : IntegerOfText(zone);
    settings.Separators = SeparatorsOf(QLocale::system());
    settings.CurrentYear = CurrentYear();
    return settings;
}

const TOutputFormat& TSettingsModel::OutputFormat() const
{
    for (const TFormatButton& button : controls_.Formats) {
        if (button.Button->isChecked())
            return *button.Format;
    }
    return OutputFormats().front();
}

int TSettingsModel::CurrentYear() const
{
    return currentYear_ ? *currentYear_ : LocalCurrentYear();
}

} // namespace ostrel
