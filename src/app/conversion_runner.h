#pragma once

// Runs the conversions of the Convert command on a worker thread while the window goes on
// repainting: a busy cursor at once, and past a moment a progress dialog with Cancel, modal to
// the window, which tells how far the file has been read (and which file of a batch it is).

#include "geo/track.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <thread>

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
    // the window's events go on (input to the window waits until the progress dialog shows, which
    // then keeps it from the window). Returns what work returned, or throws what it threw;
    // TConversionCancelled after Cancel. input names the log being read, for the progress;
    // caption is the progress dialog's text.
    template <class Result>
    Result Run(const std::filesystem::path& input, const QString& caption,
        const std::function<Result(TTrackProgress*)>& work)
    {
        Result result {};
        RunWork(input, caption, [&](TTrackProgress* progress) { result = work(progress); });
        return result;
    }

    bool Running() const { return running_; }
    // Asks the running work to stop and waits for its thread to end.
    void Cancel();

    // How long the work runs before the progress dialog shows (milliseconds).
    void SetProgressDelay(int milliseconds) { progressDelay_ = milliseconds; }

signals:
    // The progress dialog has just been shown.
    void ProgressShown(QProgressDialog* dialog);

private:
    class TProgress;
    void RunWork(const std::filesystem::path& input, const QString& caption,
        const std::function<void(TTrackProgress*)>& work);

    QWidget* window_;
    int progressDelay_ = 500;
    bool running_ = false;
    std::atomic<bool> cancel_ { false };
    std::atomic<std::uint64_t> bytesRead_ { 0 };
    std::thread worker_;
};

} // namespace ostrel
