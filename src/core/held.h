#pragma once

// What a writer or a stage of the track holds back until later, because the document wants it
// after something still to come, or a decision waits for the end. Beyond a bound it moves on to a
// scratch file beside the output (on the output's own disk), so that the memory of a conversion
// stays flat however long the log.

#include "core/errors.h"
#include "core/file_io.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <utility>

namespace ostrel {

// Text (KML's placemarks), beyond kMaxHeldBytes in a scratch file; where none can be made it
// stays in memory.
class THeldText
{
public:
    static constexpr std::size_t kMaxHeldBytes = 1 << 20;

    explicit THeldText(std::filesystem::path folder)
        : folder_(std::move(folder))
    {
    }

    // The text held in memory, to append to.
    std::string& Text() { return held_; }

    // Called after each append: moves the text to the scratch file once it passes the bound.
    void Bound()
    {
        if (held_.size() < kMaxHeldBytes || noScratch_)
            return;
        if (!scratch_) {
            try {
                scratch_ = std::make_unique<TScratchFile>(folder_);
            } catch (const FileError&) {
                noScratch_ = true;
                return;
            }
        }
        scratch_->Write(held_);
        held_.clear();
    }

    // Everything held, in order.
    void WriteTo(TOutputFile& output)
    {
        if (scratch_)
            scratch_->ReadAll([&](std::string_view block) { output.Write(block); });
        output.Write(held_);
    }

private:
    std::filesystem::path folder_;
    std::string held_;
    std::unique_ptr<TScratchFile> scratch_;
    bool noScratch_ = false;
};

// Records of a fixed size held back for as long as the track runs (a GPX track waits for its
// waypoints, a stage for the track's end). They are kept as they are, not as their text (a quarter
// of the bytes of a track point's line), in a block of memory that goes to a scratch file beside
// the output whenever it fills; at the end they are read back in order, a block at a time.
template <class Record> class TRecordSpool
{
    static_assert(std::is_trivially_copyable_v<Record>);

public:
    static constexpr std::size_t kBlockRecords = (1 << 18) / sizeof(Record);

    explicit TRecordSpool(std::filesystem::path folder)
        : folder_(std::move(folder))
        , block_(new Record[kBlockRecords])
    {
    }

    void Push(const Record& record)
    {
        if (used_ == kBlockRecords)
            Spill();
        block_[used_++] = record;
    }

    // Forgets every record pushed.
    void Clear()
    {
        used_ = 0;
        scratch_.reset();
    }

    bool Empty() const { return used_ == 0 && !scratch_; }

    // Calls visit with every record pushed, in order, a block (std::span) at a time.
    template <class Visit> void ForEachBlock(Visit&& visit)
    {
        if (!scratch_) {
            visit(std::span<Record>(block_.get(), used_));
            return;
        }
        Spill();
        scratch_->Rewind();
        char* const bytes = reinterpret_cast<char*>(block_.get());
        while ((used_ = scratch_->Read(bytes, kBlockRecords * sizeof(Record)) / sizeof(Record)) > 0)
            visit(std::span<Record>(block_.get(), used_));
    }

    // Calls visit with every record pushed, in order.
    template <class Visit> void ForEach(Visit&& visit)
    {
        ForEachBlock([&](std::span<Record> records) {
            for (Record& record : records)
                visit(record);
        });
    }

private:
    void Spill()
    {
        if (!scratch_)
            scratch_ = std::make_unique<TScratchFile>(folder_);
        scratch_->Write({ reinterpret_cast<const char*>(block_.get()), used_ * sizeof(Record) });
        used_ = 0;
    }

    std::filesystem::path folder_;
    std::unique_ptr<Record[]> block_;
    std::size_t used_ = 0;
    std::unique_ptr<TScratchFile> scratch_;
};

} // namespace ostrel
