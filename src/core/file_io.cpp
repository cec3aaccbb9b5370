#include "core/file_io.h"

#include "core/errors.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <string>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace ostrel {

namespace {

std::atomic<bool> g_namedTemporaries { false };

// A short hidden name that no other output uses: ".ostrel-" and six letters or digits. It is
// short so that an output path near the system's length limits never fails because of it.
std::string TemporaryName()
{
    static std::atomic<unsigned long long> counter { 0 };
    unsigned long long seed = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
#ifdef _WIN32
    seed ^= static_cast<unsigned long long>(GetCurrentProcessId()) << 32;
#else
    seed ^= static_cast<unsigned long long>(getpid()) << 32;
#endif
    seed += 0x9E3779B97F4A7C15ULL * ++counter;
    seed ^= seed >> 31;
    seed *= 0xBF58476D1CE4E5B9ULL;
    seed ^= seed >> 29;
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = ".ostrel-";
    for (int i = 0; i < 6; ++i) {
        name += kLetters[seed % 36];
        seed /= 36;
    }
    return name + ".tmp";
}

} // namespace

fs::path AlternativeName(const fs::path& name, unsigned n)
{
    if (n == 0)
        return name;
    // The folder is kept as it is spelled (a drive colon, either separator on Windows).
    const fs::path::string_type& text = name.native();
    const fs::path::string_type file = name.filename().native();
    const fs::path stem = name.stem();
    const fs::path ext = name.extension();
    fs::path::string_type alternative = text.substr(0, text.size() - file.size());
    alternative += stem.native();
    const std::string suffix = std::to_string(n);
    alternative += fs::path::value_type('_');
    alternative += fs::path(suffix).native();
    alternative += ext.native();
    return fs::path(alternative);
}

unsigned TNameCounters::Next(const fs::path& name)
{
    std::lock_guard lock(mutex_);
    const auto found = next_.find(name.native());
    return found == next_.end() ? 0 : found->second;
}

void TNameCounters::Taken(const fs::path& name, unsigned n)
{
    std::lock_guard lock(mutex_);
    unsigned& next = next_[name.native()];
    next = std::max(next, n + 1);
}

void UseNamedTemporaries(bool named)
{
    g_namedTemporaries = named;
}

bool IsSameFile(const fs::path& a, const fs::path& b)
{
    std::error_code ec;
    bool same = fs::equivalent(a, b, ec);
    return !ec && same;
}

#ifdef _WIN32

namespace {

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

// Named temporaries that Ctrl+C or a closed console must remove. Each is also marked for deletion
// while it is written, so that even a killed process leaves none; the list covers the moment
// between taking that mark back and the move into place.
constexpr int kSlots = 64;
constexpr std::size_t kSlotChars = 1024;
struct TSlot
{
    std::atomic<int> State { 0 }; // 0 free, 1 being filled, 2 holds a name
    wchar_t Name[kSlotChars];
};
TSlot g_slots[kSlots];

int RegisterTemporary(const fs::path& path)
{
    const std::wstring& text = path.native();
    if (text.size() >= kSlotChars)
        return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (g_slots[i].State.compare_exchange_strong(expected, 1)) {
            std::copy(text.begin(), text.end(), g_slots[i].Name);
            g_slots[i].Name[text.size()] = L'\0';
            g_slots[i].State.store(2);
            return i;
        }
    }
    return -1;
}

void UnregisterTemporary(int slot)
{
    if (slot >= 0)
        g_slots[slot].State.store(0);
}

BOOL WINAPI RemoveTemporariesOnConsoleEnd(DWORD)
{
    for (TSlot& slot : g_slots) {
        if (slot.State.load() == 2)
            DeleteFileW(slot.Name);
    }
    return FALSE; // the default handler ends the process
}

bool SetDeleteOnClose(HANDLE h, bool remove)
{
    FILE_DISPOSITION_INFO info {};
    info.DeleteFile = remove ? TRUE : FALSE;
    return SetFileInformationByHandle(h, FileDispositionInfo, &info, sizeof info) != 0;
}

// Runs a move or replacement, trying again a few times (about 0.3 s in all) while a virus scanner
// or a search indexer still holds the new file open after it was closed.
template <class Move> bool WithRetries(Move move)
{
    for (DWORD wait = 20;; wait *= 2) {
        if (move())
            return true;
        const DWORD code = GetLastError();
        if ((code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED) || wait > 160)
            return false;
        Sleep(wait);
        SetLastError(code);
    }
}

bool Exists(const fs::path& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file that an output replaces. A symbolic link is followed to a regular file (creating one
// takes a privilege that other users do not have on Windows, so no owner rule applies); a
// dangling one, and anything there that is not a regular file, is refused rather than replaced.
fs::path ReplacedFile(const fs::path& output)
{
    const DWORD attributes = GetFileAttributesW(output.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return output;
    fs::path target = output;
    std::error_code ec;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        target = fs::canonical(output, ec);
        if (ec)
            throw AccessDenied();
    }
    const fs::file_status status = fs::status(target, ec);
    if (ec || !fs::is_regular_file(status))
        throw AccessDenied();
    return target;
}

// The folder of temporary files: TEMP or TMP as the system says.
fs::path TemporaryFolder()
{
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    return length > 0 && length <= MAX_PATH ? fs::path(std::wstring(temp, length)) : fs::path(L".");
}

// A file for reading and writing that is deleted when it is closed, which the system does for a
// killed process too: in folder, or else in the temporary folder.
HANDLE OpenAnonymous(const fs::path& folder)
{
    DWORD code = ERROR_PATH_NOT_FOUND;
    const fs::path folders[] = { folder, TemporaryFolder() };
    for (const fs::path& where : folders) {
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            HANDLE h = CreateFileW((where / TemporaryName()).c_str(), GENERIC_READ | GENERIC_WRITE,
                0, nullptr, CREATE_NEW,
                FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                nullptr);
            if (h != INVALID_HANDLE_VALUE)
                return h;
            code = GetLastError();
            if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
                break;
        }
    }
    throw FileErrorFromCode(code);
}

// Writes all of bytes to a handle.
void WriteAll(HANDLE h, const char* p, std::size_t left)
{
    while (left > 0) {
        DWORD wrote = 0;
        DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        if (!WriteFile(h, p, chunk, &wrote, nullptr))
            throw LastFileError();
        p += wrote;
        left -= static_cast<std::size_t>(wrote);
    }
}

} // namespace

TInputFile::TInputFile(TStandardInput)
{
    HANDLE h = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_INPUT_HANDLE), GetCurrentProcess(),
            &h, 0, FALSE, DUPLICATE_SAME_ACCESS))
        throw LastFileError();
    handle_ = h;
}

TInputFile::TInputFile(const fs::path& path)
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
    if (!ReadFile(static_cast<HANDLE>(handle_), buffer, want, &got, nullptr)) {
        if (GetLastError() == ERROR_BROKEN_PIPE)
            return 0; // the end of a pipe
        throw LastFileError();
    }
    return got;
}

TOutputFile::TOutputFile(const fs::path& destination, TPlacement placement)
    : placement_(placement)
    , buffer_(new char[kBufferSize])
{
    if (placement == TPlacement::StandardOutput) {
        destination_ = destination;
        folder_ = TemporaryFolder();
        handle_ = OpenAnonymous(folder_);
        return;
    }
    destination_ = placement == TPlacement::Replace ? ReplacedFile(destination) : destination;
    if (destination_.filename().empty())
        throw AccessDenied();
    folder_ = destination_.parent_path();
    for (unsigned attempt = 0;; ++attempt) {
        temporary_ = folder_ / TemporaryName();
        HANDLE h = CreateFileW(temporary_.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            handle_ = h;
            break;
        }
        const DWORD code = GetLastError();
        if ((code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) || attempt > 100)
            throw FileErrorFromCode(code);
    }
    // Marked for deletion while it is written: a process killed now leaves nothing.
    SetDeleteOnClose(static_cast<HANDLE>(handle_), true);
}

TOutputFile::~TOutputFile()
{
    Discard();
}

void TOutputFile::Discard() noexcept
{
    if (handle_) {
        SetDeleteOnClose(static_cast<HANDLE>(handle_), true);
        CloseHandle(static_cast<HANDLE>(handle_));
        handle_ = nullptr;
        if (!temporary_.empty())
            DeleteFileW(temporary_.c_str());
    }
}

void TOutputFile::Flush()
{
    WriteAll(static_cast<HANDLE>(handle_), buffer_.get(), used_);
    used_ = 0;
}

// The replaced file's access rights (its DACL) and its hidden, system and archive attributes go
// to the new file before it takes the name, so a private track stays private. As far as the
// process may read and set them; a new file takes the folder's rights as usual.
void TOutputFile::KeepAttributesOf(const fs::path& replaced)
{
    DWORD needed = 0;
    GetFileSecurityW(replaced.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed > 0) {
        std::unique_ptr<char[]> descriptor(new char[needed]);
        if (GetFileSecurityW(
                replaced.c_str(), DACL_SECURITY_INFORMATION, descriptor.get(), needed, &needed))
            SetFileSecurityW(temporary_.c_str(), DACL_SECURITY_INFORMATION, descriptor.get());
    }
    const DWORD attributes = GetFileAttributesW(replaced.c_str());
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE
        | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kKept) != 0)
        SetFileAttributesW(temporary_.c_str(), attributes & kKept);
}

fs::path TOutputFile::Commit(TNameCounters* counters)
{
    Flush();
    HANDLE h = static_cast<HANDLE>(handle_);
    if (placement_ == TPlacement::StandardOutput) {
        // Complete: copied out whole, then the file goes with its handle.
        LARGE_INTEGER zero {};
        if (!SetFilePointerEx(h, zero, nullptr, FILE_BEGIN))
            throw LastFileError();
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(h, buffer_.get(), static_cast<DWORD>(kBufferSize), &got, nullptr))
                throw LastFileError();
            if (got == 0)
                break;
            WriteAll(out, buffer_.get(), got);
        }
        return destination_;
    }
    if (!FlushFileBuffers(h))
        throw LastFileError();
    // From here the name list covers the file until it has its place.
    const int slot = RegisterTemporary(temporary_);
    SetDeleteOnClose(h, false);
    handle_ = nullptr;
    if (!CloseHandle(h)) {
        FileError error = LastFileError();
        DeleteFileW(temporary_.c_str());
        UnregisterTemporary(slot);
        throw error;
    }
    const auto fail = [&] {
        FileError error = LastFileError();
        DeleteFileW(temporary_.c_str());
        UnregisterTemporary(slot);
        throw error;
    };

    fs::path written = destination_;
    if (placement_ == TPlacement::Replace) {
        if (Exists(destination_))
            KeepAttributesOf(destination_);
        if (!WithRetries([&] {
                return MoveFileExW(temporary_.c_str(), destination_.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                    != 0;
            }))
            fail();
    } else {
        for (unsigned n = counters ? counters->Next(destination_) : 0;; ++n) {
            written = AlternativeName(destination_, n);
            // Without MOVEFILE_REPLACE_EXISTING the move refuses a name that anything holds.
            if (MoveFileExW(temporary_.c_str(), written.c_str(), MOVEFILE_WRITE_THROUGH)) {
                if (counters)
                    counters->Taken(destination_, n);
                break;
            }
            const DWORD code = GetLastError();
            const bool taken = code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS
                || (code == ERROR_ACCESS_DENIED && Exists(written));
            if (!taken || n == UINT_MAX)
                fail();
        }
    }
    UnregisterTemporary(slot);
    return written;
}

TScratchFile::TScratchFile(const fs::path& folder)
    : handle_(OpenAnonymous(folder))
{
}

TScratchFile::~TScratchFile()
{
    CloseHandle(static_cast<HANDLE>(handle_));
}

void TScratchFile::Write(std::string_view bytes)
{
    WriteAll(static_cast<HANDLE>(handle_), bytes.data(), bytes.size());
}

void TScratchFile::Rewind()
{
    LARGE_INTEGER zero {};
    if (!SetFilePointerEx(static_cast<HANDLE>(handle_), zero, nullptr, FILE_BEGIN))
        throw LastFileError();
}

std::size_t TScratchFile::Read(char* block, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        if (!ReadFile(static_cast<HANDLE>(handle_), block + done, want, &got, nullptr))
            throw LastFileError();
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

void RemoveTemporariesOnSignals()
{
    SetConsoleCtrlHandler(RemoveTemporariesOnConsoleEnd, TRUE);
}

#else // POSIX

namespace {

// Named temporaries that a signal must remove, as (folder descriptor, name) pairs: unlinkat is
// safe in a signal handler, and a name relative to its folder never exceeds a length limit. The
// slots are claimed without a lock, so that a handler can read them at any moment.
constexpr int kSlots = 256;
constexpr std::size_t kSlotName = 32;
struct TSlot
{
    std::atomic<int> FolderFd { -1 }; // -1 free, -2 being filled
    char Name[kSlotName];
};
TSlot g_slots[kSlots];
static_assert(std::atomic<int>::is_always_lock_free);

int RegisterTemporary(int folderFd, const std::string& name)
{
    if (name.size() >= kSlotName)
        return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = -1;
        if (g_slots[i].FolderFd.compare_exchange_strong(expected, -2)) {
            std::memcpy(g_slots[i].Name, name.c_str(), name.size() + 1);
            g_slots[i].FolderFd.store(folderFd, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void UnregisterTemporary(int slot)
{
    if (slot >= 0)
        g_slots[slot].FolderFd.store(-1, std::memory_order_release);
}

constexpr int kCleanupSignals[] = { SIGINT, SIGTERM, SIGHUP, SIGPIPE };

extern "C" void RemoveTemporariesAndEnd(int signal)
{
    const int saved = errno;
    for (TSlot& slot : g_slots) {
        const int fd = slot.FolderFd.load(std::memory_order_acquire);
        if (fd >= 0)
            ::unlinkat(fd, slot.Name, 0);
    }
    // The handler was reset to the default on entry: raised again, the signal ends the process
    // with its own status as soon as the handler returns.
    ::raise(signal);
    errno = saved;
}

// Holds off the cleanup signals while a named temporary is made, named or given up, so that the
// list of names and the folder always agree when a handler looks.
class TSignalsHeld
{
public:
    TSignalsHeld()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : kCleanupSignals)
            sigaddset(&set, signal);
        pthread_sigmask(SIG_BLOCK, &set, &old_);
    }
    ~TSignalsHeld() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    TSignalsHeld(const TSignalsHeld&) = delete;
    TSignalsHeld& operator=(const TSignalsHeld&) = delete;

private:
    sigset_t old_;
};

int Close(int fd)
{
    // Linux closes the descriptor even when close reports EINTR: never try again.
    return ::close(fd) == 0 || errno == EINTR ? 0 : -1;
}

std::string FolderText(const fs::path& folder)
{
    return folder.empty() ? std::string(".") : folder.string();
}

// Opens a folder for the *at calls and for flushing its entries to the disk. A folder that may be
// written but not listed opens for path operations only.
int OpenFolder(const fs::path& folder)
{
    const std::string text = FolderText(folder);
    int fd = ::open(text.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef O_PATH
    if (fd < 0 && errno == EACCES)
        fd = ::open(text.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
#endif
    if (fd < 0)
        throw FileErrorFromErrno(errno);
    return fd;
}

// Whether an unnamed file can be given a name later: Linux links it through /proc/self/fd.
bool UnnamedFilesUsable()
{
#ifdef O_TMPFILE
    static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
    return usable && !g_namedTemporaries;
#else
    return false;
#endif
}

// Whether an error of O_TMPFILE means that the file system (or the kernel) has no unnamed files.
bool NoUnnamedFiles(int err)
{
    return err == EOPNOTSUPP || err == EISDIR || err == EINVAL;
}

std::string ProcPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

void SyncData(int fd)
{
#ifdef __linux__
    const int done = ::fdatasync(fd);
#else
    const int done = ::fsync(fd);
#endif
    if (done != 0 && errno != EINVAL && errno != EROFS)
        throw FileErrorFromErrno(errno);
}

// Flushes a folder's entries to the disk; where the folder is open for path operations only, or
// the file system does not take it, nothing more can be done.
void SyncFolder(int folderFd)
{
    ::fsync(folderFd);
}

// Renames within a folder without replacing anything: 0, or -1 with errno (EEXIST for a name
// that anything holds).
int RenameNoReplace(int folderFd, const std::string& from, const std::string& to)
{
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(folderFd, from.c_str(), folderFd, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
#endif
    // Where the file system cannot rename without replacing: a link, which refuses a taken name,
    // and then the old name removed.
    if (::linkat(folderFd, from.c_str(), folderFd, to.c_str(), 0) != 0)
        return -1;
    ::unlinkat(folderFd, from.c_str(), 0);
    return 0;
}

// A symbolic link may be followed where the kernel's protected-links rule would follow it: the
// link is the converting user's own, or its folder is not world-writable and sticky, or the
// link's owner also owns the folder.
bool MayFollowLink(const fs::path& link, const struct stat& linkStat)
{
    if (linkStat.st_uid == ::geteuid())
        return true;
    struct stat folder
    {
    };
    if (::stat(FolderText(link.parent_path()).c_str(), &folder) != 0)
        return false;
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !shared || linkStat.st_uid == folder.st_uid;
}

// The file that an output replaces: the path itself, or the target of a symbolic link there
// that may be followed. A dangling link, and anything that is not a regular file (a device, a
// FIFO, a folder), is refused rather than replaced.
fs::path ReplacedFile(const fs::path& output)
{
    struct stat st
    {
    };
    if (::lstat(output.c_str(), &st) != 0)
        return output; // nothing there, or a folder on the way that the open reports
    fs::path target = output;
    if (S_ISLNK(st.st_mode)) {
        if (!MayFollowLink(output, st))
            throw AccessDenied();
        std::error_code ec;
        target = fs::canonical(output, ec);
        if (ec || ::stat(target.c_str(), &st) != 0)
            throw AccessDenied();
    }
    if (!S_ISREG(st.st_mode))
        throw AccessDenied();
    return target;
}

// The folder of temporary files: TMPDIR, or /tmp.
fs::path TemporaryFolder()
{
    const char* tmpdir = std::getenv("TMPDIR");
    return tmpdir && *tmpdir ? fs::path(tmpdir) : fs::path("/tmp");
}

// A file for reading and writing without a name, gone when it is closed (also when the process is
// killed): in folder, or else in the temporary folder.
int OpenAnonymous(const fs::path& folder)
{
    const fs::path folders[] = { folder, TemporaryFolder() };
    int err = ENOENT;
    for (const fs::path& where : folders) {
        const std::string text = FolderText(where);
#ifdef O_TMPFILE
        const int fd = ::open(text.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0)
            return fd;
        err = errno;
        if (!NoUnnamedFiles(err))
            continue;
#endif
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            const std::string path = text + "/" + TemporaryName();
            TSignalsHeld held;
            const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd >= 0) {
                // Nameless from now on: it goes when it is closed.
                ::unlink(path.c_str());
                return fd;
            }
            err = errno;
            if (err != EEXIST)
                break;
        }
    }
    throw FileErrorFromErrno(err);
}

// Writes all of [p, p + left) to a descriptor.
void WriteAll(int fd, const char* p, std::size_t left)
{
    while (left > 0) {
        const ssize_t wrote = ::write(fd, p, left);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            throw FileErrorFromErrno(errno);
        }
        if (wrote == 0)
            throw IoError(EIO);
        p += wrote;
        left -= static_cast<std::size_t>(wrote);
    }
}

} // namespace

TInputFile::TInputFile(TStandardInput)
{
    fd_ = ::fcntl(0, F_DUPFD_CLOEXEC, 3);
    if (fd_ < 0)
        throw FileErrorFromErrno(errno);
}

TInputFile::TInputFile(const fs::path& path)
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

TOutputFile::TOutputFile(const fs::path& destination, TPlacement placement)
    : placement_(placement)
    , buffer_(new char[kBufferSize])
{
    if (placement == TPlacement::StandardOutput) {
        destination_ = destination;
        folder_ = TemporaryFolder();
        fd_ = OpenAnonymous(folder_);
        return;
    }
    destination_ = placement == TPlacement::Replace ? ReplacedFile(destination) : destination;
    if (destination_.filename().empty())
        throw AccessDenied();
    folder_ = destination_.parent_path();
    dirFd_ = OpenFolder(folder_);
    try {
#ifdef O_TMPFILE
        if (UnnamedFilesUsable()) {
            fd_ = ::openat(dirFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (fd_ < 0 && !NoUnnamedFiles(errno))
                throw FileErrorFromErrno(errno);
        }
#endif
        for (unsigned attempt = 0; fd_ < 0; ++attempt) {
            const std::string name = TemporaryName();
            TSignalsHeld held;
            fd_ = ::openat(dirFd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) {
                temporary_ = name;
                slot_ = RegisterTemporary(dirFd_, name);
            } else if (errno != EEXIST || attempt > 100) {
                throw FileErrorFromErrno(errno);
            }
        }
        if (placement == TPlacement::Replace)
            KeepAttributesOf(destination_);
    } catch (...) {
        Discard();
        throw;
    }
}

TOutputFile::~TOutputFile()
{
    Discard();
}

void TOutputFile::Discard() noexcept
{
    TSignalsHeld held;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlinkat(dirFd_, temporary_.c_str(), 0);
        temporary_.clear();
    }
    UnregisterTemporary(slot_);
    slot_ = -1;
    if (dirFd_ >= 0) {
        ::close(dirFd_);
        dirFd_ = -1;
    }
}

void TOutputFile::KeepAttributesOf(const fs::path& replaced)
{
    struct stat st
    {
    };
    if (::stat(replaced.c_str(), &st) != 0)
        return; // a new file: 0666 less the umask
    // Owner and group first, as far as the process may set them (a change of owner clears the
    // permission bits it would otherwise keep); then the permission bits, which a file of ours
    // may always take. A track is never an executable with privileges: only rwx bits are kept.
    if (::fchown(fd_, st.st_uid, st.st_gid) != 0)
        (void)::fchown(fd_, static_cast<uid_t>(-1), st.st_gid);
    if (::fchmod(fd_, st.st_mode & 0777) != 0)
        throw FileErrorFromErrno(errno);
}

void TOutputFile::Flush()
{
    WriteAll(fd_, buffer_.get(), used_);
    written_ += used_;
    used_ = 0;
#if defined(__linux__)
    // The disk starts on what is written while the conversion goes on, so that the flush before
    // the output takes its name has little left to wait for. Only a start: the flush still
    // waits for everything and reports what failed. Standard output's stand-in is never flushed
    // to the disk, so it is left to the page cache.
    constexpr std::uint64_t kWriteBackStep = 8 << 20;
    if (placement_ != TPlacement::StandardOutput && written_ - writeBackFrom_ >= kWriteBackStep) {
        ::sync_file_range(fd_, static_cast<off_t>(writeBackFrom_),
            static_cast<off_t>(written_ - writeBackFrom_), SYNC_FILE_RANGE_WRITE);
        writeBackFrom_ = written_;
    }
#endif
}

fs::path TOutputFile::Commit(TNameCounters* counters)
{
    Flush();
    if (placement_ == TPlacement::StandardOutput) {
        // Complete: copied out whole; the unnamed file goes when it is closed.
        if (::lseek(fd_, 0, SEEK_SET) != 0)
            throw FileErrorFromErrno(errno);
        for (;;) {
            const ssize_t got = ::read(fd_, buffer_.get(), kBufferSize);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                throw FileErrorFromErrno(errno);
            if (got == 0)
                break;
            WriteAll(STDOUT_FILENO, buffer_.get(), static_cast<std::size_t>(got));
        }
        return destination_;
    }
    // The data is on the disk before the file takes a name that an earlier file had.
    SyncData(fd_);

    TSignalsHeld held;
    fs::path written = destination_;
    if (placement_ == TPlacement::Replace) {
        if (temporary_.empty()) {
            // An unnamed file gets a hidden name first, for the rename that replaces atomically.
            for (unsigned attempt = 0; temporary_.empty(); ++attempt) {
                const std::string name = TemporaryName();
                if (::linkat(
                        AT_FDCWD, ProcPath(fd_).c_str(), dirFd_, name.c_str(), AT_SYMLINK_FOLLOW)
                    == 0) {
                    temporary_ = name;
                    slot_ = RegisterTemporary(dirFd_, name);
                } else if (errno != EEXIST || attempt > 100) {
                    throw FileErrorFromErrno(errno);
                }
            }
        }
        const int fd = fd_;
        fd_ = -1;
        const std::string name = destination_.filename().string();
        if (Close(fd) != 0 || ::renameat(dirFd_, temporary_.c_str(), dirFd_, name.c_str()) != 0)
            throw FileErrorFromErrno(errno); // Discard removes the temporary
        temporary_.clear();
    } else {
        for (unsigned n = counters ? counters->Next(destination_) : 0;; ++n) {
            written = AlternativeName(destination_, n);
            const std::string name = written.filename().string();
            int done;
            if (temporary_.empty()) {
                // linkat never replaces: a name that anything holds is EEXIST.
                done = ::linkat(
                    AT_FDCWD, ProcPath(fd_).c_str(), dirFd_, name.c_str(), AT_SYMLINK_FOLLOW);
            } else {
                done = RenameNoReplace(dirFd_, temporary_, name);
                if (done == 0)
                    temporary_.clear();
            }
            if (done == 0) {
                if (counters)
                    counters->Taken(destination_, n);
                break;
            }
            if (errno != EEXIST || n == UINT_MAX)
                throw FileErrorFromErrno(errno);
        }
        const int fd = fd_;
        fd_ = -1;
        if (Close(fd) != 0) {
            const int err = errno;
            ::unlinkat(dirFd_, written.filename().c_str(), 0);
            throw FileErrorFromErrno(err);
        }
    }
    UnregisterTemporary(slot_);
    slot_ = -1;
    // The folder's new entry is on the disk too.
    SyncFolder(dirFd_);
    ::close(dirFd_);
    dirFd_ = -1;
    return written;
}

TScratchFile::TScratchFile(const fs::path& folder)
    : fd_(OpenAnonymous(folder))
{
}

TScratchFile::~TScratchFile()
{
    ::close(fd_);
}

void TScratchFile::Write(std::string_view bytes)
{
    WriteAll(fd_, bytes.data(), bytes.size());
}

void TScratchFile::Rewind()
{
    if (::lseek(fd_, 0, SEEK_SET) != 0)
        throw FileErrorFromErrno(errno);
}

std::size_t TScratchFile::Read(char* block, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd_, block + done, size - done);
        if (got == 0)
            break;
        if (got > 0)
            done += static_cast<std::size_t>(got);
        else if (errno != EINTR)
            throw FileErrorFromErrno(errno);
    }
    return done;
}

void RemoveTemporariesOnSignals()
{
    for (int signal : kCleanupSignals) {
        struct sigaction old
        {
        };
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue; // ignored when the program started: stays so
        struct sigaction action
        {
        };
        action.sa_handler = RemoveTemporariesAndEnd;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &action, nullptr);
    }
}

#endif

void TOutputFile::WriteSlow(std::string_view bytes)
{
    while (!bytes.empty()) {
        if (used_ == kBufferSize)
            Flush();
        std::size_t n = std::min(bytes.size(), kBufferSize - used_);
        std::memcpy(buffer_.get() + used_, bytes.data(), n);
        used_ += n;
        bytes.remove_prefix(n);
    }
}

} // namespace ostrel
