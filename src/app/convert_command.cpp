// The Convert command: captures the settings, names the outputs, converts every listed log and
// shows on each entry what became of it.

#include "app/conversion_runner.h"
#include "app/log_list.h"
#include "app/main_window.h"
#include "app/settings_model.h"
#include "app/translations.h"
#include "app/window_text.h"
#include "conversion/batch.h"
#include "conversion/conversion.h"
#include "core/errors.h"
#include "core/file_io.h"
#include "core/messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QListWidget>
#include <algorithm>
#include <optional>
#include <system_error>
#include <thread>

namespace ostrel {

namespace {

// What became of one log of a batch, as the batch told it.
struct TBatchOutcome
{
    TLogOutcome Outcome = TLogOutcome::NotConverted;
    std::filesystem::path Output;
    std::string Length; // the length report
    std::exception_ptr Error;
};

// Whether two folders are one, by their paths or as the file system sees them.
bool SameFolder(const QString& a, const QString& b)
{
    if (QDir::cleanPath(QDir::fromNativeSeparators(a))
        == QDir::cleanPath(QDir::fromNativeSeparators(b)))
        return true;
    std::error_code ec;
    return std::filesystem::equivalent(ToPath(a), ToPath(b), ec) && !ec;
}

// An error's message as the error box has it, with its line: one line of a list.
QString FailureText(const std::exception_ptr& error)
{
    const TErrorReport report = ReportOf(error, WindowLanguage());
    QString text = ErrorBoxText(QString::fromStdString(report.Message));
    if (report.Line)
        text += QCoreApplication::translate("ostrel::TForm1", "（%1 行目）")
                    .arg(static_cast<qulonglong>(*report.Line));
    return text;
}

} // namespace

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
    const TTimeZone zone = settings_->TimeZone();
    TimeZoneHours = zone.Hours;
    TimeZoneMinutes = zone.Minutes;
    WaypointIntervalMin = settings_->WaypointIntervalMin();
    SpeedLimitKmh = settings_->SpeedLimitKmh();

    // 2. The save dialog opens in the first log's folder; an empty list ends here.
    SaveDialog1.InitialDir = FolderOf(FromPath(Entry(0)));

    // 3. Every dialog and box below is modal, so the settings hold for the whole command. What
    // an earlier command made of the logs is forgotten.
    TConvertSettings settings = ConversionSettings();
    // One log at a time, on every core.
    settings.Threads = std::max(std::thread::hardware_concurrency(), 1u);
    for (int i = 0; i < LogList->count(); ++i)
        SetResultOf(*LogList->item(i), {});
    try {
        if (LogList->count() == 1)
            ConvertOne(settings);
        else
            ConvertAll(settings);
    } catch (const TConversionCancelled&) {
        // Stopped by the user: no output, nothing more to say.
    }
}

void TForm1::ShowConverted(int row, const std::filesystem::path& output, const std::string& length)
{
    if (QListWidgetItem* item = LogList->item(row))
        SetResultOf(*item,
            { TLogOutcome::Converted,
                tr("出力: %1").arg(Shown(FromPath(output))) + QStringLiteral(" — ")
                    + QString::fromStdString(length) });
}

void TForm1::ShowFailed(int row, const std::exception_ptr& error)
{
    if (QListWidgetItem* item = LogList->item(row))
        SetResultOf(*item, { TLogOutcome::Failed, FailureText(error) });
}

void TForm1::ConvertOne(const TConvertSettings& settings)
{
    const std::filesystem::path input = Entry(0);
    const QString log = FromPath(input);
    const TOutputFormat& format = settings_->OutputFormat();
    // An error names the log in the box and on its entry.
    const auto onLog = [&](const std::function<void()>& work) {
        OnLog(log, [&] {
            try {
                work();
            } catch (const std::exception&) {
                ShowFailed(0, std::current_exception());
                throw;
            }
        });
    };
    TProposedName proposal;
    onLog([&] { proposal = ProposeOutputName(input, format, settings.CurrentYear); });
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
        const TErrorReport refusal
            = ReportOf(std::make_exception_ptr(SameFile()), WindowLanguage());
        dialogs_.ShowBox(this, TBoxKind::Warning, ApplicationTitle(),
            QString::fromStdString(refusal.Message),
            QString::fromStdString(refusal.Hint.value_or(std::string())));
        return;
    }
    // Accepted as proposed, the name goes to this output only if nobody has taken it meanwhile
    // (another conversion of the same log); a name typed or chosen replaces what is there.
    const bool claimed = isProposed(output);
    try {
        onLog([&] {
            const TConversionResult result = runner_->Run<TConversionResult>(
                input, ShownFileName(input), [&](TTrackProgress* progress) {
                    return claimed ? ProcFileToProposedName(input, proposal, settings, progress)
                                   : ProcFile(input, ToPath(output), settings, progress);
                });
            ShowConverted(0, result.Output, result.LengthMessage);
            // A name other than the one accepted is told.
            ShowLength(result.LengthMessage,
                claimed && result.Output != proposal.Path() ? FromPath(result.Output) : QString());
        });
    } catch (const TConversionCancelled&) {
        SetResultOf(*LogList->item(0), { TLogOutcome::NotConverted, tr("変換していません") });
        throw;
    }
}

void TForm1::ConvertAll(const TConvertSettings& settings)
{
    // The dialog shows the type of the outputs to come, and what is chosen there counts: its
    // type is the batch's format (the window's choice follows it), and a folder other than the
    // one proposed receives every output under its default name. Left at the proposed folder,
    // each output goes beside its own log.
    // Nothing is written at the path it returns, so it asks nothing about replacing a file
    // there.
    SaveDialog1.FileName = QStringLiteral("dummy.log");
    SaveDialog1.FilterIndex = DialogIndexOf(settings_->OutputFormat());
    if (!dialogs_.SaveOutput(this, SaveDialog1, &TForm1::SaveDialog1TypeChange,
            [](const QString&) { return false; }))
        return;
    const TOutputFormat& format = FormatOfDialogIndex(SaveDialog1.FilterIndex);
    settings_->SetOutputFormat(format);
    const QString chosenFolder = FolderOf(SaveDialog1.FileName);

    // The logs in list order, one at a time; without "keep going" the first failure ends the
    // batch. Each default name is claimed when its output is complete: a name taken meanwhile,
    // by this batch or by anyone else, is passed over, never replaced. Where each name's "_N"
    // search goes on lives for this batch only: a name freed since the last batch is taken
    // again.
    TBatchRequest request;
    const int count = LogList->count();
    for (int i = 0; i < count; ++i)
        request.Inputs.push_back(Entry(i));
    request.Format = &format;
    request.Settings = settings;
    request.KeepGoing = settings_->KeepGoing();
    if (!chosenFolder.isEmpty() && !SameFolder(chosenFolder, SaveDialog1.InitialDir))
        request.OutputDir = ToPath(chosenFolder);
    const bool summary = settings_->Summary();
    const auto caption = [&request, count](std::size_t i) {
        return QStringLiteral("%1 / %2\n%3")
            .arg(i + 1)
            .arg(count)
            .arg(ShownFileName(request.Inputs[i]));
    };
    // The batch runs on the worker thread; the window shows each length box on its own, unless
    // one summary ends the batch.
    request.ProgressOf = [&](std::size_t i) {
        return runner_->StartFile(request.Inputs[i], caption(i));
    };
    std::vector<TBatchOutcome> outcomes(request.Inputs.size());
    TBatchReport report;
    report.Converted
        = [&](std::size_t i, const std::filesystem::path& output, const TConversionResult& result) {
              outcomes[i] = { TLogOutcome::Converted, output, result.LengthMessage, nullptr };
              if (!summary)
                  runner_->OnWindow([&] {
                      ShowConverted(static_cast<int>(i), output, result.LengthMessage);
                      ShowLength(result.LengthMessage, FromPath(output));
                  });
          };
    report.Failed = [&](std::size_t i, const std::exception_ptr& error) {
        outcomes[i] = { TLogOutcome::Failed, {}, {}, error };
    };
    // Every entry tells what became of its log, also when Cancel stopped the batch.
    const auto showOutcomes = [&] {
        for (std::size_t i = 0; i < outcomes.size(); ++i) {
            const int row = static_cast<int>(i);
            if (outcomes[i].Outcome == TLogOutcome::Converted)
                ShowConverted(row, outcomes[i].Output, outcomes[i].Length);
            else if (outcomes[i].Outcome == TLogOutcome::Failed)
                ShowFailed(row, outcomes[i].Error);
            else if (QListWidgetItem* item = LogList->item(row))
                SetResultOf(*item, { TLogOutcome::NotConverted, tr("変換していません") });
        }
    };
    try {
        runner_->RunFiles(
            request.Inputs.front(), caption(0), [&] { ConvertBatch(request, report); });
    } catch (const TConversionCancelled&) {
        // A stop by Cancel ends the command without a word.
        showOutcomes();
        throw;
    }
    showOutcomes();

    std::vector<std::size_t> failed;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        if (outcomes[i].Outcome == TLogOutcome::Failed)
            failed.push_back(i);
    }
    if (summary) {
        // One box: each log with its output and length, its error, or that it was not reached.
        QStringList lines;
        QString folder;
        for (std::size_t i = 0; i < outcomes.size(); ++i) {
            const TBatchOutcome& outcome = outcomes[i];
            const QString log = ShownFileName(request.Inputs[i]);
            if (outcome.Outcome == TLogOutcome::Converted) {
                lines << QStringLiteral("%1 → %2: %3")
                             .arg(log, ShownFileName(outcome.Output),
                                 QString::fromStdString(outcome.Length));
                if (folder.isEmpty())
                    folder = FromPath(outcome.Output.parent_path());
            } else if (outcome.Outcome == TLogOutcome::Failed) {
                lines << QStringLiteral("%1: %2").arg(log, FailureText(outcome.Error));
            } else {
                lines << QStringLiteral("%1: %2").arg(log, tr("変換していません"));
            }
        }
        const int converted = count - static_cast<int>(failed.size())
            - static_cast<int>(std::count_if(outcomes.begin(), outcomes.end(),
                [](const TBatchOutcome& o) { return o.Outcome == TLogOutcome::NotConverted; }));
        if (dialogs_.ShowSummary(this, failed.empty() ? TBoxKind::Message : TBoxKind::Error,
                ApplicationTitle(), tr("%1 / %2 のログを変換しました").arg(converted).arg(count),
                lines.join(QLatin1Char('\n')), folder))
            dialogs_.OpenFolder(folder);
        return;
    }
    if (failed.size() == 1) {
        const std::size_t i = failed.front();
        OnLog(FromPath(request.Inputs[i]), [&] { std::rethrow_exception(outcomes[i].Error); });
    } else if (failed.size() > 1) {
        // Going on after each failure, the batch ends in one box that lists them.
        QStringList lines;
        for (const std::size_t i : failed)
            lines << QStringLiteral("%1: %2").arg(
                Shown(FromPath(request.Inputs[i])), FailureText(outcomes[i].Error));
        ShowErrorBox(tr("%1 / %2 のログを変換できませんでした").arg(failed.size()).arg(count),
            lines.join(QLatin1Char('\n')));
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

TConvertSettings TForm1::ConversionSettings()
{
    return settings_->ConversionSettings(
        { TimeZoneHours, TimeZoneMinutes }, WaypointIntervalMin, SpeedLimitKmh);
}

} // namespace ostrel
