#include "log/log_reader.h"

#include <algorithm>
#include <cstring>

namespace ostrel {

namespace {

constexpr std::size_t kBlockSize = 1 << 18;
constexpr char kCtrlZ = 26;

} // namespace

TLogReader::TLogReader(const std::filesystem::path& path)
    : file_(path)
    , buffer_(new char[kBlockSize])
{
    long_.reserve(kMaxLineKept);
}

bool TLogReader::Fill()
{
    begin_ = end_ = 0;
    if (eof_)
        return false;
    std::size_t got = file_.Read(buffer_.get(), kBlockSize);
    if (got == 0) {
        eof_ = true;
        return false;
    }
    // A Ctrl-Z ends the file: nothing behind it is ever read.
    if (const void* z = std::memchr(buffer_.get(), kCtrlZ, got)) {
        got = static_cast<std::size_t>(static_cast<const char*>(z) - buffer_.get());
        eof_ = true;
    }
    end_ = got;
    return begin_ < end_;
}

bool TLogReader::HaveData()
{
    for (;;) {
        if (begin_ < end_) {
            // The LF of a CR LF that was split between two blocks.
            if (pendingLf_) {
                pendingLf_ = false;
                if (buffer_[begin_] == '\n') {
                    ++begin_;
                    continue;
                }
            }
            return true;
        }
        if (!Fill())
            return false;
    }
}

bool TLogReader::AtEnd()
{
    return !HaveData();
}

// Consumes the line end at p (a CR or an LF) in the current block.
void TLogReader::SkipLineEnd(const char* p)
{
    const char* block = buffer_.get();
    std::size_t at = static_cast<std::size_t>(p - block) + 1;
    if (*p == '\r') {
        if (at < end_) {
            if (block[at] == '\n')
                ++at;
        } else {
            pendingLf_ = true;
        }
    }
    begin_ = at;
}

std::string_view TLogReader::ReadLine()
{
    if (!HaveData())
        return {};
    const char* start = buffer_.get() + begin_;
    const char* stop = buffer_.get() + end_;
    const char* p = start;
    while (p < stop && *p != '\r' && *p != '\n')
        ++p;
    if (p < stop) {
        std::string_view line(start, std::min<std::size_t>(p - start, kMaxLineKept));
        SkipLineEnd(p);
        if (begin_ < end_)
            return line;
        // The next read refills the block under the line: keep a copy.
        long_.assign(line);
        return long_;
    }

    // The line goes on into the next block: keep its first characters and count the rest.
    long_.assign(start, std::min<std::size_t>(stop - start, kMaxLineKept));
    begin_ = end_;
    while (Fill()) {
        start = buffer_.get();
        stop = start + end_;
        p = start;
        while (p < stop && *p != '\r' && *p != '\n')
            ++p;
        std::size_t part = static_cast<std::size_t>(p - start);
        if (long_.size() < kMaxLineKept)
            long_.append(start, std::min(part, kMaxLineKept - long_.size()));
        if (p < stop) {
            SkipLineEnd(p);
            break;
        }
        begin_ = end_;
    }
    return long_;
}

std::string_view ReadFirstRecordLine(TLogReader& reader)
{
    for (;;) {
        std::string_view line = reader.ReadLine();
        if (IsRecordLine(line) || reader.AtEnd())
            return line;
    }
}

} // namespace ostrel
