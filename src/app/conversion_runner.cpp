#include "app/conversion_runner.h"

#include "app/worker_thread.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <system_error>

namespace ostrel {

namespace {

// The size of a file as its reading is measured (bytes); 0 when it cannot be told.
std::uint64_t SizeOf(const std::filesystem::path& input)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(input, ec);
    return ec ? 0 : size;
}

// Drops the user's input to one window and its controls, as a modal dialog would, but lets the
// window be closed.
class TInputBlocker final : public QObject
{
public:
    explicit TInputBlocker(QWidget* window)
        : window_(window)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~TInputBlocker() override { QCoreApplication::instance()->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || widget->window() != window_)
            return false;
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Taken here, so no shortcut of the window fires; the key itself is dropped below.
            event->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
        }
    }

private:
    QWidget* window_;
};

} // namespace

// What the core calls every so many lines: records how far it came, and stops it on Cancel.
void TConversionRunner::TProgress::Advance(std::uint64_t bytesRead)
{
    runner_.bytesRead_.store(bytesRead, std::memory_order_relaxed);
    if (runner_.cancel_.load(std::memory_order_relaxed))
        throw TConversionCancelled();
}

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
    {
        std::lock_guard lock(mutex_);
        cancel_ = true;
    }
    changed_.notify_all();
    // The work waits for the show under way; RunFiles joins it once the show returns.
    if (showing_)
        return;
    if (worker_.joinable())
        worker_.join();
}

void TConversionRunner::Wake()
{
    changed_.notify_all();
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (loop_)
                loop_->quit();
        },
        Qt::QueuedConnection);
}

TTrackProgress* TConversionRunner::StartFile(
    const std::filesystem::path& input, const QString& caption)
{
    const std::uint64_t total = SizeOf(input);
    {
        std::lock_guard lock(mutex_);
        caption_ = caption;
        total_ = total;
        bytesRead_ = 0;
        requests_.FileStarted = true;
    }
    Wake();
    return &progress_;
}

void TConversionRunner::OnWindow(const std::function<void()>& show)
{
    std::unique_lock lock(mutex_);
    requests_.Show = &show;
    lock.unlock();
    Wake();
    lock.lock();
    // Once the window has taken the show, it may refer to the work's data: the work waits for it
    // to end even after Cancel.
    changed_.wait(lock, [this] { return requests_.ShowDone || (cancel_ && !requests_.ShowTaken); });
    const bool shown = requests_.ShowDone;
    const std::exception_ptr error = requests_.ShowError;
    requests_.Show = nullptr;
    requests_.ShowTaken = false;
    requests_.ShowDone = false;
    requests_.ShowError = nullptr;
    lock.unlock();
    if (!shown)
        throw TConversionCancelled();
    if (error)
        std::rethrow_exception(error);
}

void TConversionRunner::RunFiles(
    const std::filesystem::path& input, const QString& caption, const std::function<void()>& work)
{
    running_ = true;
    {
        std::lock_guard lock(mutex_);
        cancel_ = false;
        requests_ = {};
        caption_ = caption;
        total_ = SizeOf(input);
        bytesRead_ = 0;
    }
    std::exception_ptr error;
    bool cancelled = false;
    QEventLoop loop;
    loop_ = &loop;
    worker_ = StartWorker([this, &work, &error, &cancelled] {
        try {
            work();
        } catch (const TConversionCancelled&) {
            cancelled = true;
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            requests_.Finished = true;
        }
        // The loop ends in the window's thread, once the work is over.
        Wake();
    });

    QApplication::setOverrideCursor(Qt::BusyCursor);
    const TInputBlocker blocker(window_);
    bool showDue = false;
    QTimer show;
    show.setSingleShot(true);
    connect(&show, &QTimer::timeout, &loop, [&] {
        showDue = true;
        loop.quit();
    });
    show.start(progressDelay_);
    std::unique_ptr<QProgressDialog> dialog;
    QTimer tick;

    // Each turn answers what the work asked since the last, then waits for more. Until the
    // progress dialog shows, the window repaints but takes no input.
    for (;;) {
        std::unique_lock lock(mutex_);
        if (requests_.Finished)
            break;
        if (requests_.Show && !requests_.ShowTaken) {
            requests_.ShowTaken = true;
            const std::function<void()>& shown = *requests_.Show;
            lock.unlock();
            // As between two conversions: no progress dialog, the usual cursor.
            show.stop();
            showDue = false;
            tick.stop();
            dialog.reset();
            QApplication::restoreOverrideCursor();
            std::exception_ptr failed;
            showing_ = true;
            try {
                shown();
            } catch (...) {
                failed = std::current_exception();
            }
            showing_ = false;
            QApplication::setOverrideCursor(Qt::BusyCursor);
            lock.lock();
            requests_.ShowDone = true;
            requests_.ShowError = failed;
            lock.unlock();
            changed_.notify_all();
            continue;
        }
        if (requests_.FileStarted) {
            requests_.FileStarted = false;
            const QString text = caption_;
            lock.unlock();
            // A file after a show gets its own moment before the progress dialog shows.
            if (dialog)
                dialog->setLabelText(text);
            else if (!show.isActive() && !showDue)
                show.start(progressDelay_);
            continue;
        }
        const QString text = caption_;
        lock.unlock();
        if (showDue && !dialog) {
            showDue = false;
            dialog = std::make_unique<QProgressDialog>(
                text, QObject::tr("キャンセル"), 0, 1000, window_);
            dialog->setObjectName(QStringLiteral("ConversionProgress"));
            dialog->setWindowTitle(QObject::tr("変換中"));
            // Not modal: a modal dialog would keep the window from being closed, which is how
            // the user may end the program and the conversion with it.
            dialog->setWindowModality(Qt::NonModal);
            dialog->setMinimumDuration(0);
            dialog->setAutoClose(false);
            dialog->setAutoReset(false);
            connect(dialog.get(), &QProgressDialog::canceled, this, [this] { cancel_ = true; });
            connect(&tick, &QTimer::timeout, dialog.get(), [this, &dialog] {
                if (dialog->wasCanceled())
                    cancel_ = true;
                const std::uint64_t read = bytesRead_.load(std::memory_order_relaxed);
                const std::uint64_t total = total_.load(std::memory_order_relaxed);
                dialog->setValue(total
                        ? static_cast<int>(std::min<std::uint64_t>(read, total) * 1000 / total)
                        : 0);
            });
            tick.start(100);
            dialog->show();
            emit ProgressShown(dialog.get());
            continue;
        }
        if (loop.exec(dialog ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents) < 0) {
            // The application is quitting and runs no more loops: wait for the work unseen.
            lock.lock();
            changed_.wait(lock, [this] {
                return requests_.Finished || requests_.FileStarted
                    || (requests_.Show && !requests_.ShowTaken);
            });
        }
    }
    tick.stop();
    dialog.reset();
    // Cancel may have joined the worker already.
    if (worker_.joinable())
        worker_.join();
    loop_ = nullptr;
    QApplication::restoreOverrideCursor();
    running_ = false;
    if (cancelled)
        throw TConversionCancelled();
    if (error)
        std::rethrow_exception(error);
}

} // namespace ostrel
