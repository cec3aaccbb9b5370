#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <system_error>
#include <unistd.h>

namespace ostrel::fuzz {

namespace fs = std::filesystem;

namespace {

fs::path MakeScratchFolder()
{
    std::error_code ec;
    fs::path base
        = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "ostrel-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        Fail("cannot make the scratch folder");
    return pattern;
}

fs::path* scratch = nullptr;

void RemoveScratch()
{
    std::error_code ec;
    fs::remove_all(*scratch, ec);
}

} // namespace

const fs::path& ScratchFolder()
{
    if (scratch == nullptr) {
        scratch = new fs::path(MakeScratchFolder());
        std::atexit(RemoveScratch);
    }
    return *scratch;
}

void WriteWhole(const fs::path& path, std::string_view bytes)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    Check(fd >= 0, "cannot create a scratch file");
    while (!bytes.empty()) {
        ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
        Check(wrote > 0, "cannot write a scratch file");
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
    ::close(fd);
}

std::string ReadWhole(const fs::path& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    Check(fd >= 0, "cannot open a file that should exist");
    std::string text;
    char block[65536];
    for (;;) {
        ssize_t got = ::read(fd, block, sizeof block);
        Check(got >= 0, "cannot read a file that should exist");
        if (got == 0)
            break;
        text.append(block, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

std::vector<std::string> FolderNames(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string_view> ModelLines(std::string_view bytes)
{
    bytes = bytes.substr(0, bytes.find('\x1a'));
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        std::size_t end = bytes.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            lines.push_back(bytes);
            break;
        }
        lines.push_back(bytes.substr(0, end));
        std::size_t next = end + 1;
        if (bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n')
            ++next;
        bytes.remove_prefix(next);
    }
    return lines;
}

void Fail(std::string_view what)
{
    std::fprintf(stderr, "check failed: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

} // namespace ostrel::fuzz
