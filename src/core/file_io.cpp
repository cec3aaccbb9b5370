#include "core/file_io.h"

#include "core/errors.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ostrel {

namespace {

#ifdef _WIN32
// The file error for a Windows error code: not found, access denied, or the numbered I/O error.
FileError FileErrorFromCode(DWORD code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
        return FileNotFound();
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return AccessDenied();
    default:
        return IoError(static_cast<int>(code));
    }
}

FileError LastFileError()
{
    return FileErrorFromCode(GetLastError());
}

// Moves the finished temporary file over the destination. A virus scanner or a search indexer
// may still hold the new file open for a moment after it was closed: a refusal is tried again a
// few times (about 0.3 s in all) before it counts.
bool MoveIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    for (DWORD wait = 20;; wait *= 2) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
            return true;
        const DWORD code = GetLastError();
        if ((code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED) || wait > 160)
            return false;
        Sleep(wait);
        SetLastError(code);
    }
}
#endif

// A hidden name in the destination's folder that no other conversion uses. It does not repeat
// the destination's name, which may already be as long as a name can be.
std::filesystem::path TemporaryName(const std::filesystem::path& destination, unsigned attempt)
{
    static std::atomic<unsigned> counter { 0 };
    auto ticks = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
#ifdef _WIN32
    unsigned long long pid = GetCurrentProcessId();
#else
    unsigned long long pid = static_cast<unsigned long long>(getpid());
#endif
    std::string name = ".ostrel-" + std::to_string(pid) + "-" + std::to_string(counter++) + "-"
        + std::to_string((ticks + attempt) % 1000000) + ".tmp";
    return destination.parent_path() / name;
}

} // namespace

#ifdef _WIN32

TInputFile::TInputFile(const std::filesystem::path& path)
{
    // A logger may still be writing the log, and others may rename it meanwhile: share it all.
    // A folder does not open without backup semantics (access denied, as on POSIX).
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw LastFileError();
    // Devices (NUL, CON, COM1) and pipes are refused: only a file on a disk has an end.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        throw AccessDenied();
    }
    handle_ = h;
}

TInputFile::~TInputFile()
{
    CloseHandle(static_cast<HANDLE>(handle_));
}

std::size_t TInputFile::Read(char* buffer, std::size_t size)
{
    DWORD got = 0;
    DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(static_cast<HANDLE>(handle_), buffer, want, &got, nullptr))
        throw LastFileError();
    return got;
}

#else

TInputFile::TInputFile(const std::filesystem::path& path)
{
    // Non-blocking, so that opening a FIFO does not wait for a writer; refused below anyway.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        throw FileErrorFromErrno(errno);
    struct stat st
    {
    };
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd_);
        throw err == EISDIR ? AccessDenied() : IoError(err);
    }
    int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
}

TInputFile::~TInputFile()
{
    ::close(fd_);
}

std::size_t TInputFile::Read(char* buffer, std::size_t size)
{
    for (;;) {
        ssize_t got = ::read(fd_, buffer, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            throw FileErrorFromErrno(errno);
    }
}

#endif

TOutputFile::TOutputFile(std::filesystem::path destination)
    : destination_(std::move(destination))
    , buffer_(new char[kBufferSize])
{
    for (unsigned attempt = 0;; ++attempt) {
        temporary_ = TemporaryName(destination_, attempt);
#ifdef _WIN32
        HANDLE h = CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            handle_ = h;
            return;
        }
        const DWORD code = GetLastError();
        if ((code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) || attempt > 100) {
            FileError error = FileErrorFromCode(code);
            delete[] buffer_;
            throw error;
        }
#else
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            return;
        if (errno != EEXIST || attempt > 100) {
            int err = errno;
            delete[] buffer_;
            throw FileErrorFromErrno(err);
        }
#endif
    }
}

TOutputFile::~TOutputFile()
{
    Discard();
    delete[] buffer_;
}

void TOutputFile::Discard() noexcept
{
#ifdef _WIN32
    if (handle_) {
        CloseHandle(static_cast<HANDLE>(handle_));
        handle_ = nullptr;
        DeleteFileW(temporary_.c_str());
    }
#else
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(temporary_.c_str());
    }
#endif
}

void TOutputFile::Flush()
{
    const char* p = buffer_;
    std::size_t left = used_;
    while (left > 0) {
#ifdef _WIN32
        DWORD wrote = 0;
        DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        if (!WriteFile(static_cast<HANDLE>(handle_), p, chunk, &wrote, nullptr))
            throw LastFileError();
#else
        ssize_t wrote = ::write(fd_, p, left);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            throw FileErrorFromErrno(errno);
        }
        if (wrote == 0)
            throw IoError(EIO);
#endif
        p += wrote;
        left -= static_cast<std::size_t>(wrote);
    }
    used_ = 0;
}

void TOutputFile::WriteSlow(std::string_view bytes)
{
    while (!bytes.empty()) {
        if (used_ == kBufferSize)
            Flush();
        std::size_t n = std::min(bytes.size(), kBufferSize - used_);
        std::memcpy(buffer_ + used_, bytes.data(), n);
        used_ += n;
        bytes.remove_prefix(n);
    }
}

void TOutputFile::Commit()
{
    Flush();
#ifdef _WIN32
    HANDLE h = static_cast<HANDLE>(handle_);
    handle_ = nullptr;
    if (!CloseHandle(h)) {
        FileError error = LastFileError();
        DeleteFileW(temporary_.c_str());
        throw error;
    }
    if (!MoveIntoPlace(temporary_, destination_)) {
        FileError error = LastFileError();
        DeleteFileW(temporary_.c_str());
        throw error;
    }
#else
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 || ::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        int err = errno;
        ::unlink(temporary_.c_str());
        throw FileErrorFromErrno(err);
    }
#endif
}

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code ec;
    bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

} // namespace ostrel
