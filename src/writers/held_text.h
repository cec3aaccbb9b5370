#pragma once

// Text a writer holds back until the end of the track, because the document wants it after
// something still to come. Beyond kMaxHeldBytes it moves on to a scratch file beside the output
// (on the output's own disk), so that the memory of a conversion stays flat however long the log.
// Where no scratch file can be made it stays in memory.

#include "core/errors.h"
#include "core/file_io.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

namespace ostrel {

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

// Lines a writer holds back that may run to the size of the output itself (a GPX track waits for
// its waypoints): formatted straight into a block of memory, which goes to a scratch file beside
// the output whenever it fills, and into the output at the end in one copy by the system.
class TSpool
{
public:
    static constexpr std::size_t kBlockSize = 1 << 20;

    explicit TSpool(std::filesystem::path folder)
        : folder_(std::move(folder))
        , block_(new char[kBlockSize])
    {
    }

    // Room for n more bytes (n at most kBlockSize), to be filled and then claimed with Advance.
    char* Reserve(std::size_t n)
    {
        if (n > kBlockSize - used_)
            Spill();
        return block_.get() + used_;
    }
    void Advance(std::size_t n) { used_ += n; }

    // Everything spooled, in order.
    void WriteTo(TOutputFile& output)
    {
        if (scratch_)
            output.Append(*scratch_);
        output.Write({ block_.get(), used_ });
    }

private:
    void Spill()
    {
        if (!scratch_)
            scratch_ = std::make_unique<TScratchFile>(folder_);
        scratch_->Write({ block_.get(), used_ });
        used_ = 0;
    }

    std::filesystem::path folder_;
    std::unique_ptr<char[]> block_;
    std::size_t used_ = 0;
    std::unique_ptr<TScratchFile> scratch_;
};

} // namespace ostrel
