// The Convert command: captures the settings, names the outputs and converts every listed log.

#include "app/conversion_runner.h"
#include "app/main_window.h"
#include "app/translations.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "conversion/conversion.h"
#include "core/errors.h"
#include "core/file_io.h"
#include "core/messages.h"
#include "geo/travel_modes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <algorithm>
#include <span>

namespace ostrel {

void TForm1::cmdConvEachClick()
{
    // One command at a time: the conversions run while the window's events go on.
    if (converting_)
        return;
    converting_ = true;
    struct TDone
    {
        bool& Converting;
        ~TDone() { Converting = false; }
    } done { converting_ };

    // 1. The captured values, in this order: an error leaves those before it stored.
    TimeZoneHours = IntegerOfText(ddlTimeZone->currentText());
    WaypointIntervalMin = IntegerOfText(ddlInterval->currentText());
    SpeedLimitKmh = SelectedSpeedLimit();

    // 2. The save dialog opens in the first log's folder; an empty list ends here.
    SaveDialog1.InitialDir = FolderOf(FromPath(Entry(0)));

    // 3. Every dialog and box below is modal, so the settings hold for the whole command.
    const TConvertSettings settings = ConversionSettings();
    try {
        if (LogList->count() == 1)
            ConvertOne(settings);
        else
            ConvertAll(settings);
    } catch (const TConversionCancelled&) {
        // Stopped by the user: no output, nothing more to say.
    }
}

void TForm1::ConvertOne(const TConvertSettings& settings)
{
    const std::filesystem::path input = Entry(0);
    const QString log = FromPath(input);
    const TOutputFormat& format = OutputFormat();
    TProposedName proposal;
    OnLog(log, [&] { proposal = ProposeOutputName(input, format, settings.CurrentYear); });
    const QString proposed = FromPath(proposal.Path());
    SaveDialog1.FileName = proposed;
    SaveDialog1.FilterIndex = DialogIndexOf(format);
    const auto isProposed = [&proposed](const QString& path) {
        return QDir::cleanPath(QDir::fromNativeSeparators(path))
            == QDir::cleanPath(QDir::fromNativeSeparators(proposed));
    };
    // Writing over the input would destroy the log, so any spelling of the input's own path is
    // refused, before any question about replacing it.
    const auto isInput = [&input](const QString& path) {
        const std::filesystem::path chosen = ToPath(path);
        return chosen == input || IsSameFile(input, chosen);
    };
    // The proposed name is claimed without replacing anything: nothing to ask about it.
    if (!dialogs_.SaveOutput(
            this, SaveDialog1, &TForm1::SaveDialog1TypeChange, [&](const QString& path) {
                const QString native = QDir::toNativeSeparators(path);
                return !isInput(native) && !isProposed(native);
            }))
        return;

    // The chosen path's extension decides the writer.
    const QString output = SaveDialog1.FileName;
    if (isInput(output)) {
        dialogs_.ShowBox(this, TBoxKind::Confirmation, tr("確認"),
            QString::fromStdString(MessageText(SameFile(), WindowLanguage())), {});
        return;
    }
    // Accepted as proposed, the name goes to this output only if nobody has taken it meanwhile
    // (another conversion of the same log); a name typed or chosen replaces what is there.
    const bool claimed = isProposed(output);
    OnLog(log, [&] {
        const TConversionResult result = runner_->Run<TConversionResult>(
            input, ShownFileName(input), [&](TTrackProgress* progress) {
                return claimed ? ProcFileToProposedName(input, proposal, settings, progress)
                               : ProcFile(input, ToPath(output), settings, progress);
            });
        // A name other than the one accepted is told.
        ShowLength(result.LengthMessage,
            claimed && result.Output != proposal.Path() ? FromPath(result.Output) : QString());
    });
}

void TForm1::ConvertAll(const TConvertSettings& settings)
{
    // The dialog only confirms the start: every output goes beside its own log under its default
    // name, whatever was chosen in the dialog.
    // Nothing is written at the path it returns, so it asks nothing about replacing a file
    // there, and it shows the type of the outputs to come.
    const TOutputFormat& format = OutputFormat();
    SaveDialog1.FileName = QStringLiteral("dummy.log");
    SaveDialog1.FilterIndex = DialogIndexOf(format);
    if (!dialogs_.SaveOutput(this, SaveDialog1, &TForm1::SaveDialog1TypeChange,
            [](const QString&) { return false; }))
        return;

    // Where each default name's "_N" search goes on, for this batch only: a name freed since the
    // last batch is taken again.
    TNameCounters defaultNames;
    const int count = LogList->count();
    for (int i = 0; i < count; ++i) {
        const std::filesystem::path input = Entry(i);
        SaveDialog1.FilterIndex = DialogIndexOf(format);
        // The default name is claimed when the output is complete: a name taken meanwhile, by
        // this batch or by anyone else, is passed over, never replaced.
        OnLog(FromPath(input), [&] {
            const TConversionResult result = runner_->Run<TConversionResult>(input,
                QStringLiteral("%1 / %2\n%3").arg(i + 1).arg(count).arg(ShownFileName(input)),
                [&](TTrackProgress* progress) {
                    return ProcFileToDefaultName(input, format, settings, defaultNames, progress);
                });
            ShowLength(result.LengthMessage, FromPath(result.Output));
        });
    }
}

QString TForm1::SaveDialog1TypeChange(int filterIndex, const QString& currentPath)
{
    const QString ext = QLatin1Char('.') + SaveDialogSuffix(filterIndex);
    const QString name = NameWithExtension(currentPath, ext);
    // An empty name box gets the extension, ready for a name before it.
    return name.isEmpty() ? ext : name;
}

void TForm1::ShowLength(const std::string& message, const QString& output)
{
    const QString detail = output.isEmpty() ? QString() : tr("出力: %1").arg(Shown(output));
    dialogs_.ShowBox(
        this, TBoxKind::Message, ApplicationTitle(), QString::fromStdString(message), detail);
}

std::filesystem::path TForm1::Entry(int index) const
{
    if (index < 0 || index >= LogList->count())
        throw ListIndexOutOfRange(index);
    return LogPath(LogList->item(index));
}

double TForm1::SelectedSpeedLimit() const
{
    // Tested from the custom value down; exactly one button of the group is selected.
    if (rdbUserDefine->isChecked())
        return FloatOfText(txtLimitter->text(), QLocale::system().decimalPoint());
    const QRadioButton* const modeButtons[] = { rdbWalk, rdbJog, rdbBicycle, rdbCar };
    static_assert(std::size(modeButtons) == 4);
    const std::span<const TTravelMode> modes = TravelModes();
    for (std::size_t i = 0; i < modes.size(); ++i) {
        if (modeButtons[i]->isChecked())
            return modes[i].LimitKmh;
    }
    return modes.back().LimitKmh;
}

const TOutputFormat& TForm1::OutputFormat() const
{
    if (rdbGPX->isChecked())
        return *FormatNamed("gpx");
    return *FormatNamed(rdbKML->isChecked() ? "kml" : "nmea");
}

int TForm1::CurrentYear() const
{
    return currentYear_ ? *currentYear_ : LocalCurrentYear();
}

TConvertSettings TForm1::ConversionSettings()
{
    // A value typed in the opacity box is settled now even when the box still has the focus
    // (Enter started the command).
    SpinEdit1->interpretText();

    TConvertSettings settings;
    settings.SpeedLimitKmh = SpeedLimitKmh;
    settings.TimeZoneHours = TimeZoneHours;
    settings.WaypointIntervalMin = WaypointIntervalMin;
    settings.OriginIndex = cmbOrgP->currentIndex();
    settings.WayPoints = chkWayPoint->isChecked();
    settings.OpacityPercent
        = std::clamp(SpinEdit1->value(), kMinOpacityPercent, kMaxOpacityPercent);
    // The swatch and the colour dialog hold one colour: the dialog always opens on the swatch's.
    settings.WaypointColor = ColorRef(Shape1->BrushColor());
    QTextBlock block = txtStyle->document()->firstBlock();
    for (std::string& line : settings.StyleTemplate) {
        line = block.isValid() ? block.text().toStdString() : std::string();
        block = block.next();
    }
    settings.Separators = SeparatorsOf(QLocale::system());
    settings.CurrentYear = CurrentYear();
    return settings;
}

} // namespace ostrel
