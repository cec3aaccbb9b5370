#include "writers/text_in_parts.h"

#include <system_error>
#include <utility>

namespace ostrel {

TTextInParts::TTextInParts(TOutputFile& output, unsigned threads, std::size_t partRecords)
    : output_(output)
    , partRecords_(std::max<std::size_t>(partRecords, 1))
    , rooms_(std::max(threads, 1u))
{
    for (std::size_t k = 1; k < rooms_.size(); ++k) {
        try {
            threads_.emplace_back([this, &room = rooms_[k]] { Work(room); });
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
    std::unique_lock lock(mutex_);
    format_ = std::move(format);
    partBytes_ = partBytes;
    parts_ = parts;
    next_ = 0;
    written_ = 0;
    changed_.notify_all();
    FormatAndWrite(lock, rooms_.front());
    changed_.wait(lock, [&] { return written_ == parts_; });
    format_ = nullptr;
    if (error_)
        std::rethrow_exception(std::exchange(error_, nullptr));
}

// Formats and writes the parts nobody has taken. Called with lock held; returns with it held.
void TTextInParts::FormatAndWrite(std::unique_lock<std::mutex>& lock, TRoom& room)
{
    while (next_ < parts_) {
        const std::size_t part = next_++;
        const std::size_t bytes = partBytes_;
        lock.unlock();
        std::exception_ptr failed;
        char* end = nullptr;
        try {
            if (room.Capacity < bytes) {
                // Left as it is: only the pages written are ever touched.
                room.Bytes.reset(new char[bytes]);
                room.Capacity = bytes;
            }
            end = format_(room.Bytes.get(), part);
        } catch (...) {
            failed = std::current_exception();
        }
        lock.lock();
        changed_.wait(lock, [&] { return written_ == part; });
        if (failed && !error_)
            error_ = failed;
        if (!error_) {
            lock.unlock();
            try {
                output_.Write(
                    { room.Bytes.get(), static_cast<std::size_t>(end - room.Bytes.get()) });
            } catch (...) {
                failed = std::current_exception();
            }
            lock.lock();
            if (failed && !error_)
                error_ = failed;
        }
        ++written_;
        changed_.notify_all();
    }
}

void TTextInParts::Work(TRoom& room)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stop_ || next_ < parts_; });
        if (stop_)
            return;
        FormatAndWrite(lock, room);
    }
}

} // namespace ostrel
