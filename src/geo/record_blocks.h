#pragma once

// The record lines of a log after its first record, parsed, shifted in time and projected on
// several threads and handed back in the log's order. The lines are read and cut on the calling
// thread, so the reader's rules (line ends, Ctrl-Z, long lines) stay in one place; each block of
// record lines is then worked on by whichever thread is free, the calling thread too while it
// waits for the oldest block. A few blocks are in flight at a time, so memory stays flat.
//
// Each record is independent of the others once the origin is known, so the results are those
// of one thread; the speed filter and everything after it stay on the calling thread.

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

// One record line after the work that needs no other line.
struct TParsedRecord
{
    TGPSRec Rec; // its DateTime carries the time shift
    double Utc = 0.0; // the log's own time
    TPlanePoint Point;
    std::uint64_t Line = 0; // counted from 1
    // Speed, heading and distance from the record line just before it (MeasureStep), worked out
    // ahead for the speed filter, which mostly measures from there. Only when that line is in the
    // same block and has another time stamp.
    bool Measured = false;
    TKeptFix FromPrevious {};
    std::string_view Text; // the options' TRecordText of Rec, when asked for
};

struct TRecordBlockOptions
{
    int CurrentYear = 0;
    double TimeShiftDays = 0.0; // added to every record's DateTime (days)
    unsigned Threads = 2; // the calling thread included
    std::size_t BlockLines = 1024; // record lines a block, at least 1
    TTrackProgress* Progress = nullptr; // told every TTrackProgress::kLines lines
    const TRecordText* Text = nullptr; // made of every record when given
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

    // The lines read that are not record lines.
    std::uint64_t OtherLines() const { return otherLines_; }

private:
    struct TBlock;

    void Fill(TBlock& block);
    void Parse(TBlock& block) const;
    void StartWorkers();
    void Work();

    TLogReader& reader_;
    const TProjection& projection_;
    const TRecordBlockOptions options_;
    std::vector<std::unique_ptr<TBlock>> blocks_; // made as they are needed, up to maxBlocks_
    std::size_t maxBlocks_;
    std::vector<TBlock*> free_; // only the calling thread touches it
    TBlock* current_ = nullptr; // the block Next handed out last
    bool readEnded_ = false;
    std::uint64_t linesRead_ = 0;
    std::uint64_t otherLines_ = 0;

    std::mutex mutex_;
    std::condition_variable queued_; // a block waits for a thread
    std::condition_variable parsed_; // a block is done
    std::deque<TBlock*> inFlight_; // in the log's order
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

} // namespace ostrel
