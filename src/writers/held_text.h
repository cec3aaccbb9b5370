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

} // namespace ostrel
