// The file layer's primitives on Windows: handles, hidden temporaries marked for deletion while
// they are written, moves that refuse to replace, and the console's end.
//
// Reparse points in the folders of an output path (symbolic links, junctions) are followed as
// Windows resolves them: a symbolic link takes a privilege that other users do not have, and
// Windows has no world-writable sticky folders whose links the protected-links rule guards.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include "core/errors.h"
#include "core/file_io.h"
#include "core/file_io_native.h"
#include "core/messages.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <windows.h>

namespace fs = std::filesystem;

namespace ostrel {

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

FileError FileErrorFromCode(DWORD code, TFileRole role, const fs::path& path)
{
    FileError error = FileErrorFromCode(code);
    error.SetFault({ role, Utf8FromPath(path), static_cast<int>(code) });
    return error;
}

FileError LastFileError()
{
    return FileErrorFromCode(GetLastError());
}

FileError LastFileError(TFileRole role, const fs::path& path)
{
    return FileErrorFromCode(GetLastError(), role, path);
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

void UnregisterTemporary(int& slot)
{
    if (slot >= 0)
        g_slots[slot].State.store(0);
    slot = -1;
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

FileError Refused(const fs::path& path, DWORD reason, bool notAFile = false)
{
    FileError error = AccessDenied();
    error.SetFault({ TFileRole::Output, Utf8FromPath(path), static_cast<int>(reason), notAFile });
    return error;
}

// The file that an output replaces. A symbolic link is followed to a regular file (creating one
// takes a privilege that other users do not have on Windows, so no owner rule applies); a
// dangling one, anything there that is not a regular file, and a read-only file are refused
// rather than replaced.
fs::path ReplacedFile(const fs::path& output)
{
    DWORD attributes = GetFileAttributesW(output.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return output;
    fs::path target = output;
    std::error_code ec;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        target = fs::canonical(output, ec);
        if (ec)
            throw Refused(output, ERROR_FILE_NOT_FOUND);
        attributes = GetFileAttributesW(target.c_str());
    }
    const fs::file_status status = fs::status(target, ec);
    if (ec || fs::is_directory(status))
        throw Refused(target, ERROR_DIRECTORY);
    if (!fs::is_regular_file(status))
        throw Refused(target, 0, true);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw Refused(target, ERROR_ACCESS_DENIED);
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
            HANDLE h = CreateFileW((where / detail::TemporaryName()).c_str(),
                GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                nullptr);
            if (h != INVALID_HANDLE_VALUE)
                return h;
            code = GetLastError();
            if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
                break;
        }
    }
    throw FileErrorFromCode(code, TFileRole::ScratchFile, folder.empty() ? fs::path(L".") : folder);
}

// Writes all of bytes to a handle: 0, or the error code.
DWORD WriteAll(HANDLE h, const char* p, std::size_t left)
{
    while (left > 0) {
        DWORD wrote = 0;
        DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        if (!WriteFile(h, p, chunk, &wrote, nullptr))
            return GetLastError();
        p += wrote;
        left -= static_cast<std::size_t>(wrote);
    }
    return 0;
}

HANDLE Handle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

namespace detail {

struct TNativeOutput
{
    HANDLE File = nullptr;
    fs::path Temporary; // empty for standard output's stand-in, which has no name
    fs::path Target; // Replace: the file replaced or created
    int Slot = -1;
    TFileRole Role = TFileRole::Output; // what its write failures name
    fs::path Path; // and the path they name

    [[noreturn]] void Fail(DWORD code) const { throw FileErrorFromCode(code, Role, Path); }
};

void TNativeOutputDeleter::operator()(TNativeOutput* output) const noexcept
{
    if (output->File) {
        SetDeleteOnClose(output->File, true);
        CloseHandle(output->File);
    }
    if (!output->Temporary.empty())
        DeleteFileW(output->Temporary.c_str());
    UnregisterTemporary(output->Slot);
    delete output;
}

namespace {

// The replaced file's access rights (its DACL) and its hidden, system and archive attributes go
// to the new file before it takes the name, so a private track stays private. As far as the
// process may read and set them; a new file takes the folder's rights as usual.
void KeepAttributes(const TNativeOutput& output)
{
    const fs::path& replaced = output.Target;
    DWORD needed = 0;
    GetFileSecurityW(replaced.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed > 0) {
        std::unique_ptr<char[]> descriptor(new char[needed]);
        if (GetFileSecurityW(
                replaced.c_str(), DACL_SECURITY_INFORMATION, descriptor.get(), needed, &needed))
            SetFileSecurityW(output.Temporary.c_str(), DACL_SECURITY_INFORMATION, descriptor.get());
    }
    const DWORD attributes = GetFileAttributesW(replaced.c_str());
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE
        | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kKept) != 0)
        SetFileAttributesW(output.Temporary.c_str(), attributes & kKept);
}

// Takes the file out of the list of what is deleted when it is closed, and closes it; its name
// is in the signal list meanwhile.
void CloseForMove(TNativeOutput& output)
{
    output.Slot = RegisterTemporary(output.Temporary);
    SetDeleteOnClose(output.File, false);
    HANDLE h = std::exchange(output.File, nullptr);
    if (!CloseHandle(h)) {
        const DWORD code = GetLastError();
        DeleteFileW(output.Temporary.c_str());
        output.Fail(code);
    }
}

[[noreturn]] void FailMove(TNativeOutput& output)
{
    const DWORD code = GetLastError();
    DeleteFileW(output.Temporary.c_str());
    UnregisterTemporary(output.Slot);
    output.Fail(code);
}

} // namespace

TOpenedOutput OpenOutput(const fs::path& destination, TPlacement placement)
{
    TOpenedOutput opened { TNativeOutputPtr(new TNativeOutput), {}, destination };
    TNativeOutput& output = *opened.Native;
    if (placement == TPlacement::StandardOutput) {
        opened.Folder = TemporaryFolder();
        output.File = OpenAnonymous(opened.Folder);
        output.Role = TFileRole::StandardOutput;
        return opened;
    }
    output.Path = destination;
    if (placement == TPlacement::Replace) {
        opened.Target = ReplacedFile(destination);
        output.Target = opened.Target;
        output.Path = opened.Target;
    }
    if (opened.Target.filename().empty())
        throw Refused(destination, ERROR_DIRECTORY);
    opened.Folder = opened.Target.parent_path();
    for (unsigned attempt = 0;; ++attempt) {
        output.Temporary = opened.Folder / TemporaryName();
        HANDLE h = CreateFileW(output.Temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            output.File = h;
            break;
        }
        const DWORD code = GetLastError();
        if ((code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) || attempt > 100) {
            output.Temporary.clear();
            throw FileErrorFromCode(code, TFileRole::OutputFolder,
                opened.Folder.empty() ? fs::path(L".") : opened.Folder);
        }
    }
    // Marked for deletion while it is written: a process killed now leaves nothing.
    SetDeleteOnClose(output.File, true);
    return opened;
}

void WriteOutput(TNativeOutput& output, const char* bytes, std::size_t size)
{
    if (const DWORD code = WriteAll(output.File, bytes, size))
        output.Fail(code);
}

void CopyToStandardOutput(TNativeOutput& output, char* buffer, std::size_t size)
{
    LARGE_INTEGER zero {};
    if (!SetFilePointerEx(output.File, zero, nullptr, FILE_BEGIN))
        output.Fail(GetLastError());
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(output.File, buffer, static_cast<DWORD>(size), &got, nullptr))
            output.Fail(GetLastError());
        if (got == 0)
            return;
        if (const DWORD code = WriteAll(out, buffer, got))
            output.Fail(code);
    }
}

void SyncOutput(TNativeOutput& output)
{
    if (!FlushFileBuffers(output.File))
        output.Fail(GetLastError());
}

void KeepReplacedTime(TNativeOutput& output)
{
    WIN32_FILE_ATTRIBUTE_DATA replaced {};
    if (!GetFileAttributesExW(output.Target.c_str(), GetFileExInfoStandard, &replaced))
        return; // nothing replaced
    if (!SetFileTime(output.File, nullptr, nullptr, &replaced.ftLastWriteTime))
        output.Fail(GetLastError());
}

void ReplaceTarget(TNativeOutput& output)
{
    CloseForMove(output);
    if (Exists(output.Target))
        KeepAttributes(output);
    if (!WithRetries([&] {
            return MoveFileExW(output.Temporary.c_str(), output.Target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                != 0;
        }))
        FailMove(output);
    output.Temporary.clear();
    UnregisterTemporary(output.Slot);
}

bool ClaimName(TNativeOutput& output, const fs::path& name)
{
    if (output.File)
        CloseForMove(output);
    // Without MOVEFILE_REPLACE_EXISTING the move refuses a name that anything holds.
    if (MoveFileExW(output.Temporary.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH)) {
        output.Temporary.clear();
        UnregisterTemporary(output.Slot);
        return true;
    }
    const DWORD code = GetLastError();
    const bool taken = code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS
        || (code == ERROR_ACCESS_DENIED && Exists(name));
    if (!taken) {
        output.Path = name;
        SetLastError(code);
        FailMove(output);
    }
    return false;
}

void FinishClaim(TNativeOutput&, const fs::path&)
{
    // Closed before the move, which wrote through to the disk.
}

} // namespace detail

TInputFile::TInputFile(TStandardInput)
{
    HANDLE h = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_INPUT_HANDLE), GetCurrentProcess(),
            &h, 0, FALSE, DUPLICATE_SAME_ACCESS))
        throw LastFileError();
    handle_ = reinterpret_cast<std::intptr_t>(h);
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
    handle_ = reinterpret_cast<std::intptr_t>(h);
}

TInputFile::~TInputFile()
{
    CloseHandle(Handle(handle_));
}

std::size_t TInputFile::Read(char* buffer, std::size_t size)
{
    DWORD got = 0;
    DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(Handle(handle_), buffer, want, &got, nullptr)) {
        if (GetLastError() == ERROR_BROKEN_PIPE)
            return 0; // the end of a pipe
        throw LastFileError();
    }
    return got;
}

std::size_t TInputFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        OVERLAPPED at {};
        const std::uint64_t position = offset + done;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const std::size_t left = size - done;
        const DWORD want = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        DWORD got = 0;
        if (!ReadFile(Handle(handle_), buffer + done, want, &got, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            throw LastFileError();
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

std::uint64_t TInputFile::Size() const
{
    LARGE_INTEGER size {};
    if (!GetFileSizeEx(Handle(handle_), &size))
        throw LastFileError();
    return static_cast<std::uint64_t>(size.QuadPart);
}

TScratchFile::TScratchFile(const fs::path& folder)
    : handle_(reinterpret_cast<std::intptr_t>(OpenAnonymous(folder)))
    , folder_(folder)
{
}

TScratchFile::~TScratchFile()
{
    CloseHandle(Handle(handle_));
}

void TScratchFile::Write(std::string_view bytes)
{
    if (const DWORD code = WriteAll(Handle(handle_), bytes.data(), bytes.size()))
        throw FileErrorFromCode(code, TFileRole::ScratchFile, folder_);
}

void TScratchFile::Rewind()
{
    LARGE_INTEGER zero {};
    if (!SetFilePointerEx(Handle(handle_), zero, nullptr, FILE_BEGIN))
        throw LastFileError(TFileRole::ScratchFile, folder_);
}

std::size_t TScratchFile::Read(char* block, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        if (!ReadFile(Handle(handle_), block + done, want, &got, nullptr))
            throw LastFileError(TFileRole::ScratchFile, folder_);
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

void UseNamedTemporaries(bool)
{
    // Every temporary output has a hidden name on Windows.
}

std::size_t FilesStillOpenable()
{
    // Handles are limited only by memory.
    return SIZE_MAX;
}

bool IsStandardInput(const fs::path& path)
{
    BY_HANDLE_FILE_INFORMATION in {}, file {};
    if (!GetFileInformationByHandle(GetStdHandle(STD_INPUT_HANDLE), &in))
        return false;
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool got = GetFileInformationByHandle(h, &file) != 0;
    CloseHandle(h);
    return got && in.dwVolumeSerialNumber == file.dwVolumeSerialNumber
        && in.nFileIndexHigh == file.nFileIndexHigh && in.nFileIndexLow == file.nFileIndexLow;
}

std::string SystemMessage(int code, TLanguage language)
{
    const LANGID wanted = MAKELANGID(
        language == TLanguage::Japanese ? LANG_JAPANESE : LANG_ENGLISH, SUBLANG_DEFAULT);
    wchar_t* text = nullptr;
    auto format = [&](LANGID id) {
        return FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, static_cast<DWORD>(code), id, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    };
    DWORD length = format(wanted);
    if (length == 0)
        length = format(0); // the system's own language
    if (length == 0)
        return "error " + std::to_string(code);
    // Without the line end and the full stop that end every system message.
    while (length > 0
        && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L'.'
            || text[length - 1] == L'\x3002'))
        --length;
    const int size = WideCharToMultiByte(
        CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(
            CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), size, nullptr, nullptr);
    LocalFree(text);
    return utf8;
}

} // namespace ostrel
