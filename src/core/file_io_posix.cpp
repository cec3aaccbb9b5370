// The file layer's primitives on POSIX systems (Linux first): descriptors, unnamed O_TMPFILE
// files, paths walked one folder at a time relative to folder descriptors, and the signals that
// must not leave a named temporary behind.

#include "core/errors.h"
#include "core/file_io.h"
#include "core/file_io_native.h"
#include "core/messages.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <clocale>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#ifdef __linux__
#include <sys/xattr.h>
#endif

namespace fs = std::filesystem;

namespace ostrel {

namespace {

std::atomic<bool> g_namedTemporaries { false };

// Folders opened for path operations only, where the system has them: a folder that may be
// searched but not read can be walked through.
#ifdef O_PATH
constexpr int kPathOnly = O_PATH;
#else
constexpr int kPathOnly = O_RDONLY;
#endif

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

void UnregisterTemporary(int& slot)
{
    if (slot >= 0)
        g_slots[slot].FolderFd.store(-1, std::memory_order_release);
    slot = -1;
}

// Every signal whose default action ends the process and that can be caught, SIGXFSZ apart
// (ignored instead, so that a write past the file size limit fails and is reported).
constexpr int kCleanupSignals[] = { SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGXCPU, SIGALRM,
    SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF };

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

// The access-denied error, with the file at fault and the reason.
FileError Refused(TFileRole role, const std::string& path, int reason)
{
    FileError error = AccessDenied();
    error.SetFault({ role, path, reason });
    return error;
}

// --- Walking a path -----------------------------------------------------------------------

// A folder reached by walking a path, held open for the *at calls, and its path as walked: the
// text given, with each followed link's target in place of the link.
class TWalk
{
public:
    explicit TWalk(bool fromRoot) { Restart(fromRoot); }
    ~TWalk()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TWalk(const TWalk&) = delete;
    TWalk& operator=(const TWalk&) = delete;

    int Fd() const { return fd_; }
    const std::string& Text() const { return text_; }
    // Hands the folder's descriptor over to the caller.
    int Release() { return std::exchange(fd_, -1); }

    // The path of name in the folder reached.
    std::string PathOf(const std::string& name) const
    {
        if (text_.empty())
            return name;
        return text_.back() == '/' ? text_ + name : text_ + "/" + name;
    }

    // Walks on into the folders named by parts ("." and ".." included), following the links met
    // as FollowLink allows. Fails with the error of the first folder that cannot be entered,
    // naming the folder shown (the one the user gave), or the link that may not be followed.
    void Enter(std::deque<std::string> parts, const std::string& shown)
    {
        while (!parts.empty()) {
            const std::string part = std::move(parts.front());
            parts.pop_front();
            if (part.empty() || part == ".")
                continue;
            if (part != "..") {
                struct stat st
                {
                };
                if (::fstatat(fd_, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                    throw FileErrorFromErrno(errno, TFileRole::OutputFolder, shown);
                if (S_ISLNK(st.st_mode)) {
                    const std::string target = FollowLink(part, st, TFileRole::OutputFolder);
                    std::deque<std::string> more = Parts(target);
                    parts.insert(parts.begin(), more.begin(), more.end());
                    continue;
                }
            }
            // No link can be followed here: a link swapped in meanwhile fails as no folder.
            const int fd
                = ::openat(fd_, part.c_str(), kPathOnly | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0)
                throw FileErrorFromErrno(errno, TFileRole::OutputFolder, shown);
            ::close(fd_);
            fd_ = fd;
            text_ = PathOf(part);
        }
    }

    // The target of the link name in the folder reached, once the protected-links rule allows
    // following it: the link is the user's own, or its folder is not world-writable and sticky,
    // or the link's owner owns the folder. An absolute target restarts the walk at the root.
    std::string FollowLink(const std::string& name, const struct stat& link, TFileRole role)
    {
        const std::string path = PathOf(name);
        struct stat folder
        {
        };
        if (::fstat(fd_, &folder) != 0)
            throw FileErrorFromErrno(errno, role, path);
        const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
        if (link.st_uid != ::geteuid() && shared && link.st_uid != folder.st_uid)
            throw Refused(role, path, EACCES);
        if (++links_ > kMaxLinks)
            throw FileErrorFromErrno(ELOOP, role, path);
        char target[PATH_MAX];
        const ssize_t size = ::readlinkat(fd_, name.c_str(), target, sizeof target);
        if (size < 0)
            throw FileErrorFromErrno(errno, role, path);
        if (size == 0 || static_cast<std::size_t>(size) == sizeof target)
            throw FileErrorFromErrno(size == 0 ? ENOENT : ENAMETOOLONG, role, path);
        const std::string text(target, static_cast<std::size_t>(size));
        if (text.front() == '/')
            Restart(true);
        return text;
    }

    // The names of a path's text, in order; "a//b/" gives "a", "b".
    static std::deque<std::string> Parts(const std::string& text)
    {
        std::deque<std::string> parts;
        std::size_t start = 0;
        while (start <= text.size()) {
            const std::size_t slash = std::min(text.find('/', start), text.size());
            if (slash > start)
                parts.push_back(text.substr(start, slash - start));
            start = slash + 1;
        }
        return parts;
    }

private:
    static constexpr unsigned kMaxLinks = 40; // as the kernel's own limit

    void Restart(bool fromRoot)
    {
        const int fd = ::open(fromRoot ? "/" : ".", kPathOnly | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            throw FileErrorFromErrno(errno, TFileRole::OutputFolder, fromRoot ? "/" : ".");
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
        text_ = fromRoot ? "/" : "";
    }

    int fd_ = -1;
    std::string text_;
    unsigned links_ = 0;
};

// A path split into its folders and its last name ("" when the text ends in a slash), and the
// text of its folder as given.
struct TSplitPath
{
    bool Absolute = false;
    std::deque<std::string> Folders;
    std::string Name;
    std::string Folder;
};

TSplitPath Split(const std::string& text)
{
    TSplitPath split;
    split.Absolute = !text.empty() && text.front() == '/';
    split.Folder = FolderText(fs::path(text).parent_path());
    split.Folders = TWalk::Parts(text);
    if (!text.empty() && text.back() != '/' && !split.Folders.empty()) {
        split.Name = std::move(split.Folders.back());
        split.Folders.pop_back();
    }
    return split;
}

// Whether the user converting could write the file himself, as cp would find: root only where
// the owner may write, anyone else as the permissions and ACLs say.
bool UserMayWrite(int folderFd, const std::string& name, const struct stat& st)
{
    if (::geteuid() == 0)
        return (st.st_mode & S_IWUSR) != 0;
    return ::faccessat(folderFd, name.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0;
}

} // namespace

// --- Outputs ------------------------------------------------------------------------------

namespace detail {

struct TNativeOutput
{
    int FolderFd = -1; // the folder it goes to; -1 for standard output's stand-in
    int Fd = -1;
    std::string Temporary; // a named temporary in the folder; empty for an unnamed file
    int Slot = -1; // its place in the list of names removed on signals
    std::string Name; // Replace: the name replaced in the folder
    TFileRole Role = TFileRole::Output; // what its write failures name
    std::string Path; // and the path they name
    std::uint64_t Written = 0; // bytes written to the file so far
    std::uint64_t WriteBackFrom = 0; // where the write-back not yet started begins
    bool Replaces = false; // Replace, over an existing file
    struct timespec ReplacedTime
    {
    }; // that file's modification time

    [[noreturn]] void Fail(int err) const { throw FileErrorFromErrno(err, Role, Path); }
};

void TNativeOutputDeleter::operator()(TNativeOutput* output) const noexcept
{
    {
        TSignalsHeld held;
        if (output->Fd >= 0)
            ::close(output->Fd);
        if (!output->Temporary.empty())
            ::unlinkat(output->FolderFd, output->Temporary.c_str(), 0);
        UnregisterTemporary(output->Slot);
        if (output->FolderFd >= 0)
            ::close(output->FolderFd);
    }
    delete output;
}

} // namespace detail

namespace {

using detail::TNativeOutput;
using detail::TNativeOutputPtr;

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
            const std::string path = text + "/" + detail::TemporaryName();
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
    throw FileErrorFromErrno(err, TFileRole::ScratchFile, FolderText(folder));
}

// Writes all of [p, p + left) to a descriptor; errno on failure, 0 when all was written.
int WriteAll(int fd, const char* p, std::size_t left)
{
    while (left > 0) {
        const ssize_t wrote = ::write(fd, p, left);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (wrote == 0)
            return EIO;
        p += wrote;
        left -= static_cast<std::size_t>(wrote);
    }
    return 0;
}

// Gives the folder's descriptor the right to be flushed to the disk where the folder may be
// read; one that may only be searched stays open for path operations.
int ReadableFolder(TWalk& walk)
{
    const int fd = ::openat(walk.Fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return walk.Release();
    return fd;
}

// The replaced file's owner, group, permission bits and extended attributes go to the new file
// before it takes the name, so a private track stays private. Owner and group first, as far as the
// process may set them (a change of owner clears the permission bits it would otherwise keep);
// then the permission bits (a track is never an executable with privileges: only rwx bits); then
// the extended attributes, ACLs among them, each as far as the process may set it.
void KeepAttributes(TNativeOutput& output, const struct stat& st)
{
    if (::fchown(output.Fd, st.st_uid, st.st_gid) != 0)
        (void)::fchown(output.Fd, static_cast<uid_t>(-1), st.st_gid);
    if (::fchmod(output.Fd, st.st_mode & 0777) != 0)
        output.Fail(errno);
#ifdef __linux__
    // The file by its folder's descriptor, without following a link at its name.
    const std::string path = ProcPath(output.FolderFd) + "/" + output.Name;
    const ssize_t listed = ::llistxattr(path.c_str(), nullptr, 0);
    if (listed <= 0)
        return;
    std::string names(static_cast<std::size_t>(listed), '\0');
    const ssize_t size = ::llistxattr(path.c_str(), names.data(), names.size());
    if (size <= 0)
        return;
    names.resize(static_cast<std::size_t>(size));
    std::string value;
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
        const char* key = names.c_str() + at;
        const ssize_t length = ::lgetxattr(path.c_str(), key, nullptr, 0);
        if (length < 0)
            continue;
        value.resize(static_cast<std::size_t>(length));
        const ssize_t got = ::lgetxattr(path.c_str(), key, value.data(), value.size());
        if (got >= 0)
            (void)::fsetxattr(output.Fd, key, value.data(), static_cast<std::size_t>(got), 0);
    }
#endif
}

// Opens the temporary of an output in its folder: unnamed where the system allows, else a hidden
// name that the signals' handler knows.
void OpenTemporary(TNativeOutput& output, const std::string& folder)
{
#ifdef O_TMPFILE
    if (UnnamedFilesUsable()) {
        output.Fd = ::openat(output.FolderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (output.Fd < 0 && !NoUnnamedFiles(errno))
            throw FileErrorFromErrno(errno, TFileRole::OutputFolder, folder);
    }
#endif
    for (unsigned attempt = 0; output.Fd < 0; ++attempt) {
        const std::string name = detail::TemporaryName();
        TSignalsHeld held;
        output.Fd = ::openat(
            output.FolderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (output.Fd >= 0) {
            output.Temporary = name;
            output.Slot = RegisterTemporary(output.FolderFd, name);
        } else if (errno != EEXIST || attempt > 100) {
            throw FileErrorFromErrno(errno, TFileRole::OutputFolder, folder);
        }
    }
}

} // namespace

namespace detail {

TOpenedOutput OpenOutput(const fs::path& destination, TPlacement placement)
{
    TOpenedOutput opened { TNativeOutputPtr(new TNativeOutput), {}, destination };
    TNativeOutput& output = *opened.Native;
    if (placement == TPlacement::StandardOutput) {
        opened.Folder = TemporaryFolder();
        output.Fd = OpenAnonymous(opened.Folder);
        output.Role = TFileRole::StandardOutput;
        return opened;
    }

    output.Path = destination.string();
    const TSplitPath split = Split(destination.string());
    if (split.Name.empty() || split.Name == "." || split.Name == "..")
        throw FileErrorFromErrno(EISDIR, TFileRole::Output, output.Path);
    TWalk walk(split.Absolute);
    walk.Enter(split.Folders, split.Folder);
    std::string name = split.Name;
    struct stat replaced
    {
    };
    bool exists = false;
    if (placement == TPlacement::Replace) {
        // The file replaced: the name itself, or the end of the links from it that may be
        // followed. Anything but a regular file the user may write is refused, never replaced;
        // so is a link that leads nowhere.
        bool viaLink = false;
        for (;;) {
            if (::fstatat(walk.Fd(), name.c_str(), &replaced, AT_SYMLINK_NOFOLLOW) != 0) {
                // Named as given, or as the last link led.
                const std::string shown = viaLink ? walk.PathOf(name) : output.Path;
                if (errno == ENOENT && viaLink)
                    throw Refused(TFileRole::Output, shown, ENOENT);
                if (errno != ENOENT)
                    throw FileErrorFromErrno(errno, TFileRole::Output, shown);
                break;
            }
            if (!S_ISLNK(replaced.st_mode)) {
                exists = true;
                break;
            }
            const std::string target = walk.FollowLink(name, replaced, TFileRole::Output);
            viaLink = true;
            TSplitPath next = Split(target);
            if (next.Name.empty() || next.Name == "." || next.Name == "..")
                throw FileErrorFromErrno(EISDIR, TFileRole::Output, target);
            walk.Enter(next.Folders, next.Folder);
            name = next.Name;
        }
        if (viaLink) {
            output.Path = walk.PathOf(name);
            opened.Target = output.Path;
        }
        if (exists) {
            if (S_ISDIR(replaced.st_mode))
                throw FileErrorFromErrno(EISDIR, TFileRole::Output, output.Path);
            if (!S_ISREG(replaced.st_mode)) {
                FileError error = AccessDenied();
                error.SetFault({ TFileRole::Output, output.Path, 0, true });
                throw error;
            }
            if (!UserMayWrite(walk.Fd(), name, replaced))
                throw Refused(TFileRole::Output, output.Path, EACCES);
        }
        output.Name = name;
    }
    opened.Folder = walk.Text();
    output.FolderFd = ReadableFolder(walk);
    OpenTemporary(output, FolderText(opened.Folder));
    if (exists) {
        KeepAttributes(output, replaced);
        output.Replaces = true;
        output.ReplacedTime = replaced.st_mtim;
    }
    return opened;
}

void WriteOutput(TNativeOutput& output, const char* bytes, std::size_t size)
{
    if (const int err = WriteAll(output.Fd, bytes, size))
        output.Fail(err);
    output.Written += size;
#if defined(__linux__)
    // The disk starts on what is written while the conversion goes on, so that the flush before
    // the output takes its name has little left to wait for. Only a start: the flush still
    // waits for everything and reports what failed. Standard output's stand-in is never flushed
    // to the disk, so it is left to the page cache.
    constexpr std::uint64_t kWriteBackStep = 8 << 20;
    if (output.FolderFd >= 0 && output.Written - output.WriteBackFrom >= kWriteBackStep) {
        ::sync_file_range(output.Fd, static_cast<off_t>(output.WriteBackFrom),
            static_cast<off_t>(output.Written - output.WriteBackFrom), SYNC_FILE_RANGE_WRITE);
        output.WriteBackFrom = output.Written;
    }
#endif
}

void CopyToStandardOutput(TNativeOutput& output, char* buffer, std::size_t size)
{
    if (::lseek(output.Fd, 0, SEEK_SET) != 0)
        output.Fail(errno);
    for (;;) {
        const ssize_t got = ::read(output.Fd, buffer, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            output.Fail(errno);
        if (got == 0)
            return;
        if (const int err = WriteAll(STDOUT_FILENO, buffer, static_cast<std::size_t>(got)))
            output.Fail(err);
    }
}

void SyncOutput(TNativeOutput& output)
{
#ifdef __linux__
    const int done = ::fdatasync(output.Fd);
#else
    const int done = ::fsync(output.Fd);
#endif
    if (done != 0 && errno != EINVAL && errno != EROFS)
        output.Fail(errno);
}

void KeepReplacedTime(TNativeOutput& output)
{
    if (!output.Replaces)
        return;
    const struct timespec times[2] = { { 0, UTIME_OMIT }, output.ReplacedTime };
    if (::futimens(output.Fd, times) != 0)
        output.Fail(errno);
}

void ReplaceTarget(TNativeOutput& output)
{
    TSignalsHeld held;
    if (output.Temporary.empty()) {
        // An unnamed file gets a hidden name first, for the rename that replaces atomically.
        for (unsigned attempt = 0; output.Temporary.empty(); ++attempt) {
            const std::string name = TemporaryName();
            if (::linkat(AT_FDCWD, ProcPath(output.Fd).c_str(), output.FolderFd, name.c_str(),
                    AT_SYMLINK_FOLLOW)
                == 0) {
                output.Temporary = name;
                output.Slot = RegisterTemporary(output.FolderFd, name);
            } else if (errno != EEXIST || attempt > 100) {
                output.Fail(errno);
            }
        }
    }
    const int fd = std::exchange(output.Fd, -1);
    if (Close(fd) != 0
        || ::renameat(
               output.FolderFd, output.Temporary.c_str(), output.FolderFd, output.Name.c_str())
            != 0)
        output.Fail(errno); // the deleter removes the temporary
    output.Temporary.clear();
    UnregisterTemporary(output.Slot);
    // The folder's new entry is on the disk too; where the folder is open for path operations
    // only, or the file system does not take it, nothing more can be done.
    ::fsync(output.FolderFd);
}

bool ClaimName(TNativeOutput& output, const fs::path& name)
{
    const std::string file = name.filename().string();
    TSignalsHeld held;
    int done;
    if (output.Temporary.empty()) {
        // linkat never replaces: a name that anything holds is EEXIST.
        done = ::linkat(AT_FDCWD, ProcPath(output.Fd).c_str(), output.FolderFd, file.c_str(),
            AT_SYMLINK_FOLLOW);
    } else {
        done = RenameNoReplace(output.FolderFd, output.Temporary, file);
        if (done == 0) {
            output.Temporary.clear();
            UnregisterTemporary(output.Slot);
        }
    }
    if (done == 0)
        return true;
    if (errno != EEXIST)
        throw FileErrorFromErrno(errno, TFileRole::Output, name.string());
    return false;
}

void FinishClaim(TNativeOutput& output, const fs::path& name)
{
    const int fd = std::exchange(output.Fd, -1);
    if (Close(fd) != 0) {
        const int err = errno;
        ::unlinkat(output.FolderFd, name.filename().c_str(), 0);
        throw FileErrorFromErrno(err, TFileRole::Output, name.string());
    }
    ::fsync(output.FolderFd);
}

} // namespace detail

// --- Inputs, scratch files, signals -------------------------------------------------------

TInputFile::TInputFile(TStandardInput)
{
    handle_ = ::fcntl(0, F_DUPFD_CLOEXEC, 3);
    if (handle_ < 0)
        throw FileErrorFromErrno(errno);
}

TInputFile::TInputFile(const fs::path& path)
{
    // Non-blocking, so that opening a FIFO does not wait for a writer; refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw FileErrorFromErrno(errno);
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        throw err == EISDIR ? AccessDenied() : IoError(err);
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    handle_ = fd;
}

TInputFile::~TInputFile()
{
    ::close(static_cast<int>(handle_));
}

std::size_t TInputFile::Read(char* buffer, std::size_t size)
{
    for (;;) {
        ssize_t got = ::read(static_cast<int>(handle_), buffer, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            throw FileErrorFromErrno(errno);
    }
}

std::size_t TInputFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(static_cast<int>(handle_), buffer + done, size - done,
            static_cast<off_t>(offset + done));
        if (got == 0)
            break;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw FileErrorFromErrno(errno);
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::uint64_t TInputFile::Size() const
{
    struct stat st
    {
    };
    if (::fstat(static_cast<int>(handle_), &st) != 0)
        throw FileErrorFromErrno(errno);
    return static_cast<std::uint64_t>(st.st_size);
}

TScratchFile::TScratchFile(const fs::path& folder)
    : handle_(OpenAnonymous(folder))
    , folder_(folder)
{
}

TScratchFile::~TScratchFile()
{
    ::close(static_cast<int>(handle_));
}

void TScratchFile::Write(std::string_view bytes)
{
    if (const int err = WriteAll(static_cast<int>(handle_), bytes.data(), bytes.size()))
        throw FileErrorFromErrno(err, TFileRole::ScratchFile, FolderText(folder_));
}

void TScratchFile::Rewind()
{
    if (::lseek(static_cast<int>(handle_), 0, SEEK_SET) != 0)
        throw FileErrorFromErrno(errno, TFileRole::ScratchFile, FolderText(folder_));
}

std::size_t TScratchFile::Read(char* block, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(static_cast<int>(handle_), block + done, size - done);
        if (got == 0)
            break;
        if (got > 0)
            done += static_cast<std::size_t>(got);
        else if (errno != EINTR)
            throw FileErrorFromErrno(errno, TFileRole::ScratchFile, FolderText(folder_));
    }
    return done;
}

void RemoveTemporariesOnSignals()
{
    // Only signals at their default action: one ignored when the program started stays ignored,
    // and one that a tool (a profiler) handles stays with it.
    auto atDefault = [](int signal) {
        struct sigaction old
        {
        };
        return ::sigaction(signal, nullptr, &old) == 0 && !(old.sa_flags & SA_SIGINFO)
            && old.sa_handler == SIG_DFL;
    };
    for (int signal : kCleanupSignals) {
        if (!atDefault(signal))
            continue;
        struct sigaction action
        {
        };
        action.sa_handler = RemoveTemporariesAndEnd;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &action, nullptr);
    }
    if (atDefault(SIGXFSZ))
        ::signal(SIGXFSZ, SIG_IGN);
}

void UseNamedTemporaries(bool named)
{
    g_namedTemporaries = named;
}

std::size_t FilesStillOpenable()
{
    struct rlimit limit
    {
    };
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return SIZE_MAX;
    // The descriptors open now, counted where the system lists them, else the standard three.
    std::size_t open = 3;
    if (DIR* folder = ::opendir("/proc/self/fd")) {
        open = 0;
        while (const dirent* entry = ::readdir(folder))
            open += entry->d_name[0] != '.';
        ::closedir(folder);
        --open; // the listing's own
    }
    constexpr std::size_t kReserve = 1;
    const std::size_t total = static_cast<std::size_t>(limit.rlim_cur);
    return total > open + kReserve ? total - open - kReserve : 0;
}

bool IsStandardInput(const fs::path& path)
{
    struct stat in
    {
    }, file {};
    return ::fstat(STDIN_FILENO, &in) == 0 && S_ISREG(in.st_mode)
        && ::stat(path.c_str(), &file) == 0 && in.st_dev == file.st_dev && in.st_ino == file.st_ino;
}

std::string SystemMessage(int code, TLanguage language)
{
    // The C library's own translations, in UTF-8 (the character type of the locale decides the
    // encoding of its texts). A system without the Japanese locale answers in English.
    static const locale_t english = ::newlocale(LC_ALL_MASK, "C", locale_t(0));
    static const locale_t japanese = [] {
        for (const char* name : { "ja_JP.UTF-8", "ja_JP.utf8" }) {
            if (const locale_t locale
                = ::newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, name, locale_t(0)))
                return locale;
        }
        return locale_t(0);
    }();
    const locale_t locale = language == TLanguage::Japanese && japanese ? japanese : english;
    if (!locale)
        return "error " + std::to_string(code);
    return ::strerror_l(code, locale);
}

} // namespace ostrel
