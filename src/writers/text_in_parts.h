#pragma once

// The text of many held records (a GPX track's points, a GeoJSON route's positions) made on
// several threads and written in order. Each block of records is cut into parts; whichever thread
// is free takes the next part, formats it in room of its own and writes it once the part before
// is written, so that each part goes out from the cache of the core that made it while the other
// threads format the parts after it.

#include "core/file_io.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace ostrel {

class TTextInParts
{
public:
    // threads: the calling thread included; parts of partRecords records.
    TTextInParts(TOutputFile& output, unsigned threads, std::size_t partRecords);
    ~TTextInParts(); // the threads stop
    TTextInParts(const TTextInParts&) = delete;
    TTextInParts& operator=(const TTextInParts&) = delete;

    // Writes the text of records, a record taking at most maxRecordText bytes: format(out, part,
    // first) writes the text of part, whose first record is the first-th of records, at out and
    // returns its end. It runs on any thread, at the same time as on others. Returns once every
    // part is written; the first error of a part, formatted or written, comes out, and nothing
    // after that part is written.
    template <class Record, class Format>
    void Write(std::span<const Record> records, std::size_t maxRecordText, Format&& format)
    {
        const std::size_t n = records.size();
        Run((n + partRecords_ - 1) / partRecords_, partRecords_ * maxRecordText,
            [&](char* out, std::size_t part) {
                const std::size_t first = part * partRecords_;
                return format(
                    out, records.subspan(first, std::min(partRecords_, n - first)), first);
            });
    }

private:
    struct TRoom
    {
        std::unique_ptr<char[]> Bytes;
        std::size_t Capacity = 0;
    };
    using TFormatPart = std::function<char*(char* out, std::size_t part)>;

    void Run(std::size_t parts, std::size_t partBytes, TFormatPart format);
    void FormatAndWrite(std::unique_lock<std::mutex>& lock, TRoom& room);
    void Work(TRoom& room);

    TOutputFile& output_;
    const std::size_t partRecords_;
    std::vector<TRoom> rooms_; // one a thread, the calling thread's first

    std::mutex mutex_;
    std::condition_variable changed_;
    TFormatPart format_;
    std::size_t partBytes_ = 0;
    std::size_t parts_ = 0; // of the records under way
    std::size_t next_ = 0; // the next part nobody has taken
    std::size_t written_ = 0; // parts written (or passed over after an error)
    std::exception_ptr error_; // the first part that failed
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

} // namespace ostrel
