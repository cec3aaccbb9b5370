// The Convert command: captures the settings, names the outputs and converts every listed log.

#include "app/conversion_runner.h"
#include "app/main_window.h"
#include "app/settings_model.h"
#include "app/translations.h"
#include "app/window_text.h"
#include "conversion/batch.h"
#include "conversion/conversion.h"
#include "core/errors.h"
#include "core/file_io.h"
#include "core/messages.h"

#include <QDir>
#include <QListWidget>
#include <optional>

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
    TimeZoneHours = settings_->TimeZoneHours();
    WaypointIntervalMin = settings_->WaypointIntervalMin();
    SpeedLimitKmh = settings_->SpeedLimitKmh();

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
    const TOutputFormat& format = settings_->OutputFormat();
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
    const TOutputFormat& format = settings_->OutputFormat();
    SaveDialog1.FileName = QStringLiteral("dummy.log");
    SaveDialog1.FilterIndex = DialogIndexOf(format);
    if (!dialogs_.SaveOutput(this, SaveDialog1, &TForm1::SaveDialog1TypeChange,
            [](const QString&) { return false; }))
        return;
    SaveDialog1.FilterIndex = DialogIndexOf(format);

    // The logs in list order, one at a time; the first failure ends the batch. Each default name
    // is claimed when its output is complete: a name taken meanwhile, by this batch or by anyone
    // else, is passed over, never replaced. Where each name's "_N" search goes on lives for this
    // batch only: a name freed since the last batch is taken again.
    TBatchRequest request;
    const int count = LogList->count();
    for (int i = 0; i < count; ++i)
        request.Inputs.push_back(Entry(i));
    request.Format = &format;
    request.Settings = settings;
    const auto caption = [&request, count](std::size_t i) {
        return QStringLiteral("%1 / %2\n%3")
            .arg(i + 1)
            .arg(count)
            .arg(ShownFileName(request.Inputs[i]));
    };
    // The batch runs on the worker thread; the window shows each length box on its own.
    request.ProgressOf = [&](std::size_t i) {
        return runner_->StartFile(request.Inputs[i], caption(i));
    };
    std::optional<std::size_t> failed;
    std::exception_ptr failure;
    TBatchReport report;
    report.Converted = [this](std::size_t, const std::filesystem::path& output,
                           const TConversionResult& result) {
        runner_->OnWindow([&] { ShowLength(result.LengthMessage, FromPath(output)); });
    };
    report.Failed = [&](std::size_t i, const std::exception_ptr& error) {
        failed = i;
        failure = error;
    };
    runner_->RunFiles(request.Inputs.front(), caption(0), [&] { ConvertBatch(request, report); });
    // A stop by Cancel goes on as TConversionCancelled, which ends the command without a word.
    if (failed)
        OnLog(FromPath(request.Inputs[*failed]), [&] { std::rethrow_exception(failure); });
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

TConvertSettings TForm1::ConversionSettings()
{
    return settings_->ConversionSettings(TimeZoneHours, WaypointIntervalMin, SpeedLimitKmh);
}

} // namespace ostrel
