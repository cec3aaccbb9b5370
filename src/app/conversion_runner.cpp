#include "app/conversion_runner.h"

#include "app/worker_thread.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <system_error>

namespace ostrel {

// What the core calls every so many lines: records how far it came, and stops it on Cancel.
class TConversionRunner::TProgress final : public TTrackProgress
{
public:
    explicit TProgress(TConversionRunner& runner)
        : runner_(runner)
    {
    }
    void Advance(std::uint64_t bytesRead) override
    {
        runner_.bytesRead_.store(bytesRead, std::memory_order_relaxed);
        if (runner_.cancel_.load(std::memory_order_relaxed))
            throw TConversionCancelled();
    }

private:
    TConversionRunner& runner_;
};

TConversionRunner::TConversionRunner(QWidget* window)
    : QObject(window)
    , window_(window)
{
}

TConversionRunner::~TConversionRunner()
{
    Cancel();
}

void TConversionRunner::Cancel()
{
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
}

void TConversionRunner::RunWork(const std::filesystem::path& input, const QString& caption,
    const std::function<void(TTrackProgress*)>& work)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(input, ec);
    const std::uint64_t total = ec ? 0 : size;

    running_ = true;
    cancel_ = false;
    bytesRead_ = 0;
    std::exception_ptr error;
    bool cancelled = false;
    std::atomic<bool> finished { false };
    QEventLoop loop;
    QPointer<QEventLoop> waiting(&loop);
    TProgress progress(*this);
    worker_ = StartWorker([&, total] {
        try {
            work(&progress);
        } catch (const TConversionCancelled&) {
            cancelled = true;
        } catch (...) {
            error = std::current_exception();
        }
        // The loop ends in the window's thread, once the work is over.
        finished = true;
        QMetaObject::invokeMethod(
            this,
            [waiting] {
                if (waiting)
                    waiting->quit();
            },
            Qt::QueuedConnection);
    });

    QApplication::setOverrideCursor(Qt::BusyCursor);
    QTimer show;
    show.setSingleShot(true);
    connect(&show, &QTimer::timeout, &loop, &QEventLoop::quit);
    show.start(progressDelay_);
    // Until the progress dialog shows, the window repaints but takes no input.
    loop.exec(QEventLoop::ExcludeUserInputEvents);

    std::unique_ptr<QProgressDialog> dialog;
    QTimer tick;
    // When the work has not finished yet, its quit is still to come and ends the loop below.
    if (!finished && !show.isActive()) {
        dialog = std::make_unique<QProgressDialog>(
            caption, QObject::tr("キャンセル"), 0, 1000, window_);
        dialog->setObjectName(QStringLiteral("ConversionProgress"));
        dialog->setWindowTitle(QObject::tr("変換中"));
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setMinimumDuration(0);
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        connect(dialog.get(), &QProgressDialog::canceled, this, [this] { cancel_ = true; });
        connect(&tick, &QTimer::timeout, dialog.get(), [&] {
            if (dialog->wasCanceled())
                cancel_ = true;
            const std::uint64_t read = bytesRead_.load(std::memory_order_relaxed);
            dialog->setValue(
                total ? static_cast<int>(std::min<std::uint64_t>(read, total) * 1000 / total) : 0);
        });
        tick.start(100);
        dialog->show();
        emit ProgressShown(dialog.get());
        loop.exec();
    }
    worker_.join();
    QApplication::restoreOverrideCursor();
    running_ = false;
    if (cancelled)
        throw TConversionCancelled();
    if (error)
        std::rethrow_exception(error);
}

} // namespace ostrel
