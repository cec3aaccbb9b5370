#include "app/settings_model.h"

#include "app/widgets.h"
#include "app/window_text.h"
#include "geo/travel_modes.h"
#include "log/gps_rec.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QLocale>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTextBlock>
#include <algorithm>
#include <span>

namespace ostrel {

namespace {

const QString kSettingsGroup = QStringLiteral("Settings/");

// Whether the format's row lists the option: the control of that option serves the format.
bool Serves(const TOutputFormat& format, std::string_view option)
{
    return std::any_of(format.Options.begin(), format.Options.end(),
        [option](const TOption<TConvertSettings>& row) { return row.Long == option; });
}

// A date-time edit's wall time as a day count (days since 30 December 1899), as the command line
// reads "YYYY-MM-DD HH:MM:SS".
double DayCountOf(const QDateTime& dateTime)
{
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    return DayNumber(date.year(), date.month(), date.day())
        + (time.hour() * 3600 + time.minute() * 60 + time.second()) / 86400.0;
}

} // namespace

std::unique_ptr<QSettings> OpenWindowStore()
{
    return std::make_unique<QSettings>(QSettings::defaultFormat(), QSettings::UserScope,
        QStringLiteral("ostrel"), QStringLiteral("ostrel"));
}

void ResetWindowStore()
{
    OpenWindowStore()->clear();
}

TSettingsModel::TSettingsModel(const TSettingsControls& controls, QObject* parent)
    : QObject(parent)
    , controls_(controls)
    , store_(OpenWindowStore())
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
    for (const TFormatButton& button : controls_.Formats)
        connect(button.Button, &QRadioButton::toggled, this, &TSettingsModel::EnableServedControls);
    connect(
        controls_.OtherFormat, &QRadioButton::toggled, this, &TSettingsModel::EnableServedControls);
    // Choosing in the list of other formats chooses that format.
    connect(controls_.OtherFormats, &QComboBox::activated, controls_.OtherFormat,
        [this] { controls_.OtherFormat->setChecked(true); });
    connect(controls_.OtherFormats, &QComboBox::currentIndexChanged, this,
        &TSettingsModel::EnableServedControls);
    // A stage turned on or off changes the track, and so does its value while it is on.
    for (const TOptionControl& control : controls_.Cleaning) {
        QCheckBox* on = control.On;
        const auto changedWhileOn = [this, on] {
            if (on == nullptr || on->isChecked())
                emit Changed();
        };
        if (on != nullptr)
            connect(on, &QCheckBox::toggled, this, &TSettingsModel::Changed);
        if (auto* spin = qobject_cast<QSpinBox*>(control.Value))
            connect(spin, &QSpinBox::valueChanged, this, changedWhileOn);
        else if (auto* edit = qobject_cast<QDateTimeEdit*>(control.Value))
            connect(edit, &QDateTimeEdit::dateTimeChanged, this, changedWhileOn);
        else if (auto* box = qobject_cast<QComboBox*>(control.Value))
            connect(box, &QComboBox::currentIndexChanged, this, changedWhileOn);
    }

    // Each control is remembered as it changes; a control's change while the remembered value is
    // taken in writes nothing.
    const QMetaMethod remember
        = metaObject()->method(metaObject()->indexOfSlot("RememberSender()"));
    for (QWidget* control : Remembered()) {
        Restore(control);
        if (auto* box = qobject_cast<QComboBox*>(control))
            connect(box, &QComboBox::currentIndexChanged, this, &TSettingsModel::RememberSender);
        else
            connect(control, control->metaObject()->userProperty().notifySignal(), this, remember);
    }
    EnableServedControls();
}

TSettingsModel::~TSettingsModel() = default;

std::vector<QWidget*> TSettingsModel::Remembered() const
{
    std::vector<QWidget*> controls(controls_.Modes.begin(), controls_.Modes.end());
    controls.insert(controls.end(),
        { controls_.CustomMode, controls_.CustomLimit, controls_.Origin, controls_.TimeZone,
            controls_.Interval });
    for (const TFormatButton& button : controls_.Formats)
        controls.push_back(button.Button);
    controls.insert(controls.end(),
        { controls_.OtherFormat, controls_.OtherFormats, controls_.KmlTrack, controls_.Waypoints,
            controls_.Colour, controls_.Opacity, controls_.KeepGoing, controls_.Summary });
    for (const TOptionControl& control : controls_.Cleaning) {
        for (QWidget* widget : { static_cast<QWidget*>(control.On), control.Value }) {
            if (widget != nullptr)
                controls.push_back(widget);
        }
    }
    controls.insert(controls.end(), controls_.Others.begin(), controls_.Others.end());
    return controls;
}

// A list is remembered by its item's data where its items carry one (a text that is the same in
// every language), else by its index; any other control by its user property (the text, the
// check, the value, the colour).
void TSettingsModel::Remember(QWidget* control)
{
    if (restoring_ || control == nullptr)
        return;
    QVariant value;
    if (auto* box = qobject_cast<QComboBox*>(control))
        value = box->currentData().isValid() ? box->currentData() : QVariant(box->currentIndex());
    else
        value = control->metaObject()->userProperty().read(control);
    store_->setValue(kSettingsGroup + control->objectName(), value);
}

void TSettingsModel::Restore(QWidget* control)
{
    const QVariant value = store_->value(kSettingsGroup + control->objectName());
    if (!value.isValid())
        return;
    restoring_ = true;
    if (auto* box = qobject_cast<QComboBox*>(control)) {
        int index = -1;
        if (box->itemData(0).isValid()) {
            index = box->findData(value.toString());
        } else {
            bool isIndex = false;
            const int remembered = value.toInt(&isIndex);
            if (isIndex)
                index = remembered;
        }
        if (index >= 0 && index < box->count())
            box->setCurrentIndex(index);
    } else if (auto* shape = qobject_cast<TShape*>(control)) {
        // A colour that does not read is no colour: the swatch keeps its own.
        const QColor colour = value.value<QColor>();
        if (colour.isValid())
            shape->SetBrushColor(colour);
    } else {
        // A value of another type is converted to the control's; one that does not convert is
        // not taken, and a button cannot be unchecked out of its group.
        control->metaObject()->userProperty().write(control, value);
    }
    restoring_ = false;
}

void TSettingsModel::RememberSender()
{
    Remember(qobject_cast<QWidget*>(sender()));
}

void TSettingsModel::EnableServedControls()
{
    const TOutputFormat& format = OutputFormat();
    for (const TServedControl& served : controls_.Served)
        served.Control->setEnabled(Serves(format, served.Option));
    controls_.KmlTrack->setVisible(Serves(format, "kml-track"));
}

void TSettingsModel::ApplyCleaning(TConvertSettings& settings) const
{
    for (const TOptionControl& control : controls_.Cleaning) {
        if (control.On != nullptr && !control.On->isChecked())
            continue;
        TOptionValue value;
        if (auto* spin = qobject_cast<QSpinBox*>(control.Value))
            value.Integer = spin->value();
        else if (auto* edit = qobject_cast<QDateTimeEdit*>(control.Value))
            value.DateTime = DayCountOf(edit->dateTime());
        else if (auto* box = qobject_cast<QComboBox*>(control.Value))
            value.Choice = static_cast<std::size_t>(std::max(box->currentIndex(), 0));
        control.Option->Apply(settings, value);
    }
}

TTimeZone TSettingsModel::TimeZone() const
{
    const QString text = controls_.TimeZone->currentText();
    if (const std::optional<TTimeZone> zone
        = ParseTimeZone(text.toStdString(), kEarliestTimeZoneHours, kLatestTimeZoneHours))
        return *zone;
    // Not a time zone: the integer error of its text ('' for the empty item).
    return { IntegerOfText(text), 0 };
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
    const TTimeZone& timeZone, std::int32_t waypointIntervalMin, double speedLimitKmh)
{
    // A value typed in the opacity box is settled now even when the box still has the focus
    // (Enter started the command).
    controls_.Opacity->interpretText();

    TConvertSettings settings;
    settings.SpeedLimitKmh = speedLimitKmh;
    settings.TimeZoneHours = timeZone.Hours;
    settings.TimeZoneMinutes = timeZone.Minutes;
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
    settings.KmlTrack = controls_.KmlTrack->isChecked();
    settings.Separators = SeparatorsOf(QLocale::system());
    settings.CurrentYear = CurrentYear();
    ApplyCleaning(settings);
    return settings;
}

TConvertSettings TSettingsModel::PreviewSettings() const
{
    TConvertSettings settings;
    settings.SpeedLimitKmh = SpeedLimitKmh();
    settings.OriginIndex = controls_.Origin->currentIndex();
    settings.WaypointIntervalMin = WaypointIntervalMin();
    // The empty time zone item reads as no shift here: the preview needs no error for it.
    if (!controls_.TimeZone->currentText().isEmpty()) {
        const TTimeZone zone = TimeZone();
        settings.TimeZoneHours = zone.Hours;
        settings.TimeZoneMinutes = zone.Minutes;
    } else {
        settings.TimeZoneHours = 0;
    }
    settings.Separators = SeparatorsOf(QLocale::system());
    settings.CurrentYear = CurrentYear();
    ApplyCleaning(settings);
    return settings;
}

const TOutputFormat& TSettingsModel::OutputFormat() const
{
    for (const TFormatButton& button : controls_.Formats) {
        if (button.Button->isChecked())
            return *button.Format;
    }
    if (controls_.OtherFormat->isChecked()) {
        const QString name = controls_.OtherFormats->currentData().toString();
        if (const TOutputFormat* format = FormatNamed(name.toStdString()))
            return *format;
    }
    return OutputFormats().front();
}

void TSettingsModel::SetOutputFormat(const TOutputFormat& format)
{
    for (const TFormatButton& button : controls_.Formats) {
        if (button.Format == &format) {
            button.Button->setChecked(true);
            return;
        }
    }
    const int index = controls_.OtherFormats->findData(
        QString::fromUtf8(format.Name.data(), static_cast<qsizetype>(format.Name.size())));
    if (index >= 0) {
        controls_.OtherFormats->setCurrentIndex(index);
        controls_.OtherFormat->setChecked(true);
    }
}

bool TSettingsModel::KeepGoing() const
{
    return controls_.KeepGoing->isChecked();
}

bool TSettingsModel::Summary() const
{
    return controls_.Summary->isChecked();
}

int TSettingsModel::CurrentYear() const
{
    return currentYear_ ? *currentYear_ : LocalCurrentYear();
}

} // namespace ostrel
