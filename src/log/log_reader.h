#pragma once

// Reads a log line by line. A line ends at CR, CR LF or a lone LF; the byte 26 (Ctrl-Z) ends the
// file like its physical end; a last line without a line end is still a line. Only the first
// kMaxLineKept characters of a line are kept (more than the parser ever reads), while its full
// length is still what decides whether it is a record line, so memory stays flat whatever the
// input holds.

#include "core/file_io.h"
#include "log/gps_rec.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace ostrel {

class TLogReader
{
public:
    static constexpr std::size_t kMaxLineKept = 256;

    explicit TLogReader(const std::filesystem::path& path);
    // Reads the process's standard input, whatever it is (a pipe too).
    explicit TLogReader(TStandardInput);

    // True when nothing more can be read: the file's end or a Ctrl-Z has been reached.
    bool AtEnd();

    // Reads the next line. At the end of the input this is the empty line. The text is valid
    // until the next call; a line longer than kMaxLineKept is cut to that many characters (and
    // so is never a record line).
    std::string_view ReadLine();

    // Bytes taken from the input so far (whole blocks: a little ahead of the lines returned).
    std::uint64_t BytesRead() const { return bytesRead_; }

private:
    bool Fill();
    bool HaveData();
    void SkipLineEnd(const char* p);

    TInputFile file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false; // physical end or Ctrl-Z seen
    bool pendingLf_ = false; // a CR ended the last block: an LF first in the next belongs to it
    std::string long_; // a line that straddles two blocks
    std::uint64_t bytesRead_ = 0;
};

// Reads lines until one is a record line or the input ends, and returns the last line read (the
// empty line for an empty log). The reader goes on after that line. linesRead, when given, is
// set to the number of lines read, that line included: its line number.
std::string_view ReadFirstRecordLine(TLogReader& reader, std::uint64_t* linesRead = nullptr);

} // namespace ostrel
