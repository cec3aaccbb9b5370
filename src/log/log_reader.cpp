#include "log/log_reader.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ostrel {

namespace {

constexpr std::size_t kBlockSize = 1 << 18;
constexpr char kCtrlZ = 26;

// The first CR or LF in [p, stop), or stop. Sixteen bytes at a time where SSE2 is there (every
// x86-64), otherwise eight: XOR turns a CR or LF byte of a word into a zero byte, which the
// carry trick finds (it may also mark a byte after a true zero, never one before it, so the word
// is then searched byte by byte).
const char* FindLineEnd(const char* p, const char* stop)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (stop - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int found
            = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
        if (found != 0)
            return p + std::countr_zero(static_cast<unsigned>(found));
        p += 16;
    }
#endif
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    while (stop - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        const std::uint64_t cr = word ^ (kOnes * '\r');
        const std::uint64_t lf = word ^ (kOnes * '\n');
        if ((((cr - kOnes) & ~cr) | ((lf - kOnes) & ~lf)) & kHighs)
            break;
        p += 8;
    }
    while (p < stop && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

} // namespace

TLogReader::TLogReader(const std::filesystem::path& path)
    : file_(path)
    , buffer_(new char[kBlockSize])
{
    long_.reserve(kMaxLineKept);
}

TLogReader::TLogReader(TStandardInput)
    : file_(TStandardInput {})
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
    bytesRead_ += got;
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
    const char* p = FindLineEnd(start, stop);
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
        p = FindLineEnd(start, stop);
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

std::string_view ReadFirstRecordLine(TLogReader& reader, std::uint64_t* linesRead)
{
    for (std::uint64_t count = 1;; ++count) {
        std::string_view line = reader.ReadLine();
        if (IsRecordLine(line) || reader.AtEnd()) {
            if (linesRead)
                *linesRead = count;
            return line;
        }
    }
}

} // namespace ostrel
