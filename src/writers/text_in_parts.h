#pragma once

// The text of many held records (a GPX track's points, a GeoJSON route's positions) made on
// several threads and written in order. Each block of records is cut into parts that whichever
// thread is free formats, the calling thread too once it has written the texts of the block
// before: writing one block overlaps formatting the next.

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
    ~TTextInParts(); // the threads stop; texts not yet written are dropped
    TTextInParts(const TTextInParts&) = delete;
    TTextInParts& operator=(const TTextInParts&) = delete;

    // Formats records, a record taking at most maxRecordText bytes: format(out, part, first)
    // writes the text of part, whose first record is the first-th of records, at out and returns
    // its end. It runs on any thread, at the same time as on others. The texts are written in
    // order by the next call or by Finish.
    template <class Record, class Format>
    void Add(std::span<const Record> records, std::size_t maxRecordText, Format&& format)
    {
        const std::size_t n = records.size();
        Run((n + partRecords_ - 1) / partRecords_, partRecords_ * maxRecordText,
            [&](char* out, std::size_t part) {
                const std::size_t first = part * partRecords_;
                return format(
                    out, records.subspan(first, std::min(partRecords_, n - first)), first);
            });
    }

    // Writes the texts of the last Add.
    void Finish();

private:
    struct TText
    {
        std::unique_ptr<char[]> Room;
        std::size_t Capacity = 0;
        std::size_t Size = 0;
    };
    using TFormatPart = std::function<char*(char* out, std::size_t part)>;

    void Run(std::size_t parts, std::size_t partBytes, TFormatPart format);
    void FormatParts(std::unique_lock<std::mutex>& lock);
    void Work();

    TOutputFile& output_;
    const std::size_t partRecords_;
    std::vector<TText> formatting_; // the texts of the block under way
    std::vector<TText> pending_; // the texts of the block before, still to be written
    std::size_t pendingParts_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    TFormatPart format_;
    std::size_t parts_ = 0; // of the block under way
    std::size_t next_ = 0; // the next part nobody has taken
    std::size_t done_ = 0;
    std::exception_ptr error_; // the first part that failed
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

} // namespace ostrel
