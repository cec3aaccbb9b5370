#pragma once

// The file layer: a sequential reader of an input file in large blocks, an output file that is
// written where nobody sees it and put in place only when it is complete, and an anonymous scratch
// file. Every failure raises the file error of errors.h.
//
// What an output promises:
// - until it is put in place it has no name (Linux: an O_TMPFILE file), or a short hidden name
//   that is removed on every way out, the signals that end the process included once
//   RemoveTemporariesOnSignals has run (on Windows Ctrl+C and a closed console);
// - its data reaches the disk before it takes its name, and the folder's entry after;
// - a file it replaces keeps its permission bits, its extended attributes (ACLs, user.*, and
//   security.* where the process may set them) and its owner and group where the process may
//   set them; a new file gets 0666 less the umask. A file the user could not write himself (a
//   read-only file; for root, one without its owner's write bit) is refused, not replaced;
// - a new name is taken with an operation that refuses to replace anything, so two conversions
//   (in one process or in two) never end up with one name;
// - the output's path is walked one folder at a time, and every symbolic link met on the way (in
//   the folders as in the last name) is followed only where the kernel's protected-links rule
//   would follow it, whatever the system's own setting: the link belongs to the user converting,
//   or its folder is not a world-writable sticky folder, or the link's owner owns that folder
//   too. Otherwise, and for a dangling link at the output, the output is refused with access
//   denied. The output is put in place relative to the folder reached, so nothing swapped in
//   after the walk can redirect it.
// Failures name the file at fault and the system's reason (TFileFault), unless the file is the
// log, which the front ends name anyway.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace ostrel {

// A path as UTF-8 text, for messages and documents (on POSIX its bytes as they are).
std::string Utf8FromPath(const std::filesystem::path& path);

// The standard input or output of the process, where a path would stand.
struct TStandardInput
{
};

class TInputFile
{
public:
    // Opens a regular file for reading; anything else (a folder, a FIFO, a device) is refused,
    // so that a conversion can neither block nor read without end.
    explicit TInputFile(const std::filesystem::path& path);
    // The process's standard input, as it is: the user chose it, so a pipe is fine.
    explicit TInputFile(TStandardInput);
    ~TInputFile();
    TInputFile(const TInputFile&) = delete;
    TInputFile& operator=(const TInputFile&) = delete;

    // Reads up to size bytes; returns 0 only at the end of the file.
    std::size_t Read(char* buffer, std::size_t size);
    // Reads up to size bytes at offset; fewer only at the end of the file. For the metadata of
    // photos, which lies anywhere in the file; Read may go on from anywhere after it.
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size);
    // The file's size now (bytes).
    std::uint64_t Size() const;

private:
    std::intptr_t handle_; // a descriptor, or a Windows handle
};

// How a finished output takes its name.
enum class TPlacement
{
    // The path the user chose: an earlier file there is replaced.
    Replace,
    // A default name: the path, or the first of its alternatives with "_1", "_2", ... before the
    // extension that nothing holds yet (a link, a folder or a dangling link count as taken).
    NewName,
    // The process's standard output: the output waits in an unnamed file of the temporary folder
    // and is copied out whole when complete, so a failed conversion writes nothing there.
    StandardOutput,
};

// The n-th alternative of a default name: the name itself for 0, otherwise "_" and n before its
// extension ("WG20070512030405.kml" gives "WG20070512030405_2.kml" for 2).
std::filesystem::path AlternativeName(const std::filesystem::path& name, unsigned n);

// The next alternative to try for each default name. Shared by the conversions of a batch (or of
// one window), it makes many logs with one first time stamp take linear time: each name is tried
// from where the last one was found free, not from the start.
class TNameCounters
{
public:
    unsigned Next(const std::filesystem::path& name);
    void Taken(const std::filesystem::path& name, unsigned n);

private:
    std::mutex mutex_;
    std::map<std::filesystem::path::string_type, unsigned> next_;
};

namespace detail {
struct TNativeOutput;
struct TNativeOutputDeleter
{
    void operator()(TNativeOutput* output) const noexcept;
};
} // namespace detail

class TOutputFile
{
public:
    // Opens an unnamed (or hidden temporary) file in the folder where destination goes, walking
    // its path as the rules above say. For Replace the destination is checked now: a link is
    // followed as the rules allow, and anything there that is not a regular file the user may
    // write is refused. The destination itself is not touched until Commit.
    explicit TOutputFile(
        const std::filesystem::path& destination, TPlacement placement = TPlacement::Replace);
    // Without Commit nothing is left: the destination stays as it was.
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    void Write(std::string_view bytes)
    {
        if (bytes.size() > kBufferSize - used_) {
            WriteSlow(bytes);
            return;
        }
        std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
    }

    // Room for at least n more bytes, to be filled directly and then claimed with Advance.
    char* Reserve(std::size_t n)
    {
        if (n > kBufferSize - used_)
            Flush();
        return buffer_.get() + used_;
    }
    void Advance(std::size_t n) { used_ += n; }

    // The bytes written so far, buffered ones included.
    std::uint64_t Size() const { return flushed_ + used_; }

    // Writes what is buffered, flushes the file to the disk and puts it in place: over the
    // destination (Replace), or under the first free alternative of it (NewName; counters, when
    // given, remember where to start next time). Returns the path written.
    std::filesystem::path Commit(TNameCounters* counters = nullptr);

    // Writes what is buffered and gives the buffer back, for a complete output that waits for
    // others before it is put in place (the days of a log). Nothing more is written to it.
    void Finish();

    // The folder the output goes to, where its scratch files go too.
    const std::filesystem::path& Folder() const { return folder_; }

    // Replace: the output takes the modification time of the file it replaces, as a tool that
    // edits a photo's metadata in place may keep it (nothing for a new file).
    void KeepModificationTime() { keepTime_ = true; }

    static constexpr std::size_t kBufferSize = 1 << 18;

private:
    void WriteSlow(std::string_view bytes);
    void Flush();

    // The destination as given: the name of a default name's alternatives, and what a Replace
    // reports it wrote unless a link led elsewhere.
    std::filesystem::path destination_;
    std::filesystem::path target_; // what Replace writes: the destination, or a link's target
    std::filesystem::path folder_;
    TPlacement placement_;
    bool keepTime_ = false;
    std::unique_ptr<detail::TNativeOutput, detail::TNativeOutputDeleter> native_;
    std::size_t used_ = 0;
    std::uint64_t flushed_ = 0; // bytes that left the buffer
    std::unique_ptr<char[]> buffer_;
};

// A scratch file for what a writer holds back until the end: unnamed where the system allows, in
// the folder given (that of the output, so it shares the output's disk), otherwise in the folder
// of TMPDIR (TEMP on Windows); gone when closed, whatever ends the process.
class TScratchFile
{
public:
    explicit TScratchFile(const std::filesystem::path& folder);
    ~TScratchFile();
    TScratchFile(const TScratchFile&) = delete;
    TScratchFile& operator=(const TScratchFile&) = delete;

    void Write(std::string_view bytes);
    // Reads it from the start: calls sink with each block until the end.
    template <class Sink> void ReadAll(Sink&& sink)
    {
        Rewind();
        char block[1 << 16];
        for (std::size_t got; (got = Read(block, sizeof block)) > 0;)
            sink(std::string_view(block, got));
    }

    // Goes back to the start, for reading.
    void Rewind();
    // Reads the next size bytes into block; fewer only at the end. Returns how many.
    std::size_t Read(char* block, std::size_t size);

private:
    std::intptr_t handle_; // a descriptor, or a Windows handle
    std::filesystem::path folder_; // where it was made, for the messages of its failures
};

// Makes every signal that ends a process by default and can be caught (SIGINT, SIGTERM, SIGHUP,
// SIGPIPE, SIGQUIT, SIGXCPU, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF; on Windows Ctrl+C,
// Ctrl+Break and a closed console) remove the named temporary files of unfinished outputs before
// the process ends with the signal's status. A signal ignored when the program started stays
// ignored. SIGXFSZ is ignored, so that a write beyond the file size limit fails with EFBIG and is
// reported as a failed conversion. Call once, early.
void RemoveTemporariesOnSignals();

// Makes new outputs use named temporaries even where the system offers unnamed files, as every
// other system does; for the tests of that way.
void UseNamedTemporaries(bool named);

// True when both paths name one and the same existing file, however they are spelled.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// How many more files the process may open now, within its limit of open descriptors (a few kept
// in reserve); very many where the system sets no such limit worth counting (Windows).
std::size_t FilesStillOpenable();

// True when the process's standard input is the existing file at path (a link followed).
bool IsStandardInput(const std::filesystem::path& path);

} // namespace ostrel
