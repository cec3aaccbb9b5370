#pragma once

// Helpers of the fuzz targets: a scratch folder on a memory file system, whole-file writes and
// reads, and a plain model of the log's line rules to check the reader against.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::fuzz {

// A folder of this process under /dev/shm (or the temporary folder), made on first use and
// removed at exit.
const std::filesystem::path& ScratchFolder();

// Replaces the file's contents by bytes; aborts on failure (the scratch folder must work).
void WriteWhole(const std::filesystem::path& path, std::string_view bytes);
std::string ReadWhole(const std::filesystem::path& path);

// The names in a folder, sorted.
std::vector<std::string> FolderNames(const std::filesystem::path& folder);

// The lines of a log by its rules, each whole: a line ends at CR, CR LF or LF, the byte 26 ends
// the input, a last line without a line end is still a line, and an empty input has no line.
std::vector<std::string_view> ModelLines(std::string_view bytes);

// Stops the run with a message when a check fails; libFuzzer keeps the input that did it.
[[noreturn]] void Fail(std::string_view what);

inline void Check(bool condition, std::string_view what)
{
    if (!condition)
        Fail(what);
}

} // namespace ostrel::fuzz
