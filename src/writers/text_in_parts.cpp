#include "writers/text_in_parts.h"

#include <system_error>
#include <utility>

namespace ostrel {

TTextInParts::TTextInParts(TOutputFile& output, unsigned threads, std::size_t partRecords)
    : output_(output)
    , partRecords_(std::max<std::size_t>(partRecords, 1))
{
    for (unsigned k = 1; k < threads; ++k) {
        try {
            threads_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break; // fewer threads: the calling thread formats what nobody takes
        }
    }
}

TTextInParts::~TTextInParts()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void TTextInParts::Run(std::size_t parts, std::size_t partBytes, TFormatPart format)
{
    if (formatting_.size() < parts)
        formatting_.resize(parts);
    for (std::size_t k = 0; k < parts; ++k) {
        TText& text = formatting_[k];
        if (text.Capacity < partBytes) {
            // Left as it is: only the pages written are ever touched.
            text.Room.reset(new char[partBytes]);
            text.Capacity = partBytes;
        }
    }
    std::unique_lock lock(mutex_);
    format_ = std::move(format);
    parts_ = parts;
    next_ = 0;
    done_ = 0;
    lock.unlock();
    changed_.notify_all();

    // The block before goes out while the others format this one. A failure to write waits
    // until no thread formats any more: the parts refer to the caller's records.
    std::exception_ptr failed;
    try {
        Finish();
    } catch (...) {
        failed = std::current_exception();
    }

    lock.lock();
    FormatParts(lock);
    changed_.wait(lock, [&] { return done_ == parts_; });
    format_ = nullptr;
    if (failed)
        std::rethrow_exception(failed);
    if (error_)
        std::rethrow_exception(std::exchange(error_, nullptr));
    std::swap(formatting_, pending_);
    pendingParts_ = parts;
}

void TTextInParts::Finish()
{
    for (std::size_t k = 0; k < pendingParts_; ++k)
        output_.Write({ pending_[k].Room.get(), pending_[k].Size });
    pendingParts_ = 0;
}

// Formats the parts nobody has taken. Called with lock held; returns with it held.
void TTextInParts::FormatParts(std::unique_lock<std::mutex>& lock)
{
    while (next_ < parts_) {
        const std::size_t part = next_++;
        TText& text = formatting_[part];
        lock.unlock();
        try {
            text.Size = static_cast<std::size_t>(format_(text.Room.get(), part) - text.Room.get());
        } catch (...) {
            lock.lock();
            if (!error_)
                error_ = std::current_exception();
            lock.unlock();
        }
        lock.lock();
        if (++done_ == parts_)
            changed_.notify_all();
    }
}

void TTextInParts::Work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stop_ || next_ < parts_; });
        if (stop_)
            return;
        FormatParts(lock);
    }
}

} // namespace ostrel
