#pragma once

// Runs the conversions of the Convert command on a worker thread while the window goes on
// repainting: a busy cursor at once, and past a moment a progress dialog with Cancel, which tells
// how far the file has been read (and which file of a batch it is). The window takes no input
// meanwhile but can be closed, which cancels.

#include "geo/track.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

class QEventLoop;
class QProgressDialog;
class QWidget;

namespace ostrel {

// A conversion stopped by the user; it leaves no output behind.
class TConversionCancelled
{
};

class TConversionRunner : public QObject
{
    Q_OBJECT

public:
    explicit TConversionRunner(QWidget* window);
    ~TConversionRunner() override;

    // Runs work on a worker thread with a progress to pass to the core, and waits for it while
    // the window's events go on (input to the window waits until the progress dialog shows, and
    // is then dropped; closing the window is not, as a modal dialog would have it). Returns what
    // work returned, or throws what it threw; TConversionCancelled after Cancel. input names the
    // log being read, for the progress; caption is the progress dialog's text.
    template <class Result>
    Result Run(const std::filesystem::path& input, const QString& caption,
        const std::function<Result(TTrackProgress*)>& work)
    {
        Result result {};
        RunFiles(input, caption, [&] { result = work(&progress_); });
        return result;
    }

    // Runs work that converts several files one after another as Run does one: input and caption
    // stand for the first file until work names one with StartFile. Throws what work threw;
    // TConversionCancelled when it ended in a stop by Cancel.
    void RunFiles(const std::filesystem::path& input, const QString& caption,
        const std::function<void()>& work);

    // For the work of RunFiles, on the worker thread. The file now starting, with its caption;
    // returns the progress to pass to the core for it.
    TTrackProgress* StartFile(const std::filesystem::path& input, const QString& caption);
    // Runs show on the window's thread while the work waits, with the progress dialog closed and
    // the usual cursor, as between two conversions; rethrows what show threw. Throws
    // TConversionCancelled, without showing anything, when Cancel came first.
    void OnWindow(const std::function<void()>& show);

    bool Running() const { return running_; }
    // Asks the running work to stop and waits for its thread to end (from within OnWindow's show,
    // the work ends once show returns).
    void Cancel();

    // How long the work runs before the progress dialog shows (milliseconds).
    void SetProgressDelay(int milliseconds) { progressDelay_ = milliseconds; }

signals:
    // The progress dialog has just been shown.
    void ProgressShown(QProgressDialog* dialog);

private:
    class TProgress final : public TTrackProgress
    {
    public:
        explicit TProgress(TConversionRunner& runner)
            : runner_(runner)
        {
        }
        void Advance(std::uint64_t bytesRead) override;

    private:
        TConversionRunner& runner_;
    };

    // What the worker asks of the window's thread, under mutex_.
    struct TRequests
    {
        bool FileStarted = false; // caption_ and total_ name a new file
        const std::function<void()>* Show = nullptr; // OnWindow's, until the window takes it
        bool ShowTaken = false;
        bool ShowDone = false;
        std::exception_ptr ShowError;
        bool Finished = false; // the work has ended
    };

    // Wakes the window's thread to look at the requests.
    void Wake();

    QWidget* window_;
    QPointer<QEventLoop> loop_; // RunFiles's, while it runs
    int progressDelay_ = 500;
    bool running_ = false;
    bool showing_ = false; // OnWindow's show is running on the window's thread
    std::atomic<bool> cancel_ { false };
    std::atomic<std::uint64_t> bytesRead_ { 0 };
    std::atomic<std::uint64_t> total_ { 0 }; // the size of the file being read (bytes); 0: unknown
    std::mutex mutex_;
    std::condition_variable changed_;
    TRequests requests_;
    QString caption_; // under mutex_
    TProgress progress_ { *this };
    std::thread worker_;
};

} // namespace ostrel
