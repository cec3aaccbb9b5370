#pragma once

// The record lines of a log after its first record, parsed, shifted in time and projected on
// several threads and handed back in the log's order. Whichever thread is free, the calling
// thread too while it waits for the oldest block, takes the next block of record lines from the
// reader (one thread at a time, so the reader's rules about line ends, Ctrl-Z and long lines stay
// in one place) and works on it where it was read. A few blocks are in flight at a time, so
// memory stays flat.
//
// Each record is independent of the others once the origin is known, so the results are those
// of one thread; the speed filter and everything after it stay on the calling thread, which is
// also the only one told the progress.

#include "geo/kinematics.h"
#include "geo/projection.h"
#include "geo/track.h"
#include "log/gps_rec.h"
#include "log/log_reader.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace ostrel {

// One record line after the work that needs no other line; what the filter and the sinks read
// of every record comes first.
struct TParsedRecord
{
    TPlanePoint Point;
    // Speed, heading and distance from the record line just before it (MeasureStep), worked out
    // ahead for the speed filter, which mostly measures from there. Only when that line is in the
    // same block and has another time stamp.
    TKeptFix FromPrevious {};
    bool Measured = false;
    std::uint64_t Line = 0; // counted from 1
    double Utc = 0.0; // the log's own time
    std::string_view Text; // the options' TRecordText of the record, when asked for
    TGPSRec Rec; // its DateTime carries the time shift
};

struct TRecordBlockOptions
{
    int CurrentYear = 0;
    double TimeShiftDays = 0.0; // added to every record's DateTime (days)
    unsigned Threads = 2; // the calling thread included
    std::size_t BlockLines = 1024; // record lines a block, at least 1
    TTrackProgress* Progress = nullptr; // told every TTrackProgress::kLines lines
    const TRecordText* Text = nullptr; // made of every record when given
    bool MeasureSteps = true; // FromPrevious worked out (only the speed filter alone takes it)
    std::uint64_t LinesBefore = 1; // lines of the log read before (the first record's included)
};

class TRecordBlocks
{
public:
    TRecordBlocks(
        TLogReader& reader, const TProjection& projection, const TRecordBlockOptions& options);
    ~TRecordBlocks(); // waits for the workers, which stop after their block
    TRecordBlocks(const TRecordBlocks&) = delete;
    TRecordBlocks& operator=(const TRecordBlocks&) = delete;

    // The next records in the log's order, valid until the next call. When the record line
    // after them did not convert, or reading failed there, Error holds that error as raised
    // (ErrorLine names the record line, 0 for a failed read) and nothing follows. Records and
    // Error both empty: the end of the log.
    struct TBatch
    {
        std::span<const TParsedRecord> Records;
        std::exception_ptr Error;
        std::uint64_t ErrorLine = 0;
    };
    TBatch Next();

    // The lines read that are not record lines (once Next has told the end or an error).
    std::uint64_t OtherLines() const { return otherLines_; }

private:
    struct TBlock;

    TBlock* TakeFree(); // under mutex_: a block to read into, or none
    void ReadAndParse(std::unique_lock<std::mutex>& lock, TBlock& block);
    bool Fill(TBlock& block);
    void Parse(TBlock& block) const;
    void StartWorkers();
    void Work();

    TLogReader& reader_;
    const TProjection& projection_;
    const TRecordBlockOptions options_;
    const std::size_t maxBlocks_;
    TBlock* current_ = nullptr; // the block Next handed out last; only the calling thread's

    // Taken by one thread at a time, in the log's order (readMutex_, before mutex_).
    std::mutex readMutex_;
    std::uint64_t linesRead_ = 0;
    std::uint64_t otherLines_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_; // a block was freed or is done, or the reading ended
    std::vector<std::unique_ptr<TBlock>> blocks_; // made as they are needed, up to maxBlocks_
    std::vector<TBlock*> free_;
    std::deque<TBlock*> inFlight_; // in the log's order, read or being read
    bool readEnded_ = false;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

} // namespace ostrel
