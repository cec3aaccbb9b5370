// The file layer's rules, the same on every platform: how an output is buffered, and how a
// finished one takes its place (copied to standard output, replacing its target, or under the
// first free alternative of a default name). The primitives are the platform's (file_io_native.h).

#include "core/file_io.h"

#include "core/errors.h"
#include "core/file_io_native.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <string>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace ostrel {

std::string Utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

namespace detail {

std::string TemporaryName()
{
    // Short, so that an output path near the system's length limits never fails because of it;
    // the clock, the thread and a counter keep two processes or threads apart.
    static std::atomic<unsigned long long> counter { 0 };
    unsigned long long seed = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    seed
        ^= static_cast<unsigned long long>(std::hash<std::thread::id>()(std::this_thread::get_id()))
        << 17;
    // Where the program was loaded differs from process to process.
    seed ^= static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(&counter));
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

} // namespace detail

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

bool IsSameFile(const fs::path& a, const fs::path& b)
{
    std::error_code ec;
    bool same = fs::equivalent(a, b, ec);
    return !ec && same;
}

TOutputFile::TOutputFile(const fs::path& destination, TPlacement placement)
    : destination_(destination)
    , placement_(placement)
    , buffer_(new char[kBufferSize])
{
    detail::TOpenedOutput opened = detail::OpenOutput(destination, placement);
    native_ = std::move(opened.Native);
    folder_ = std::move(opened.Folder);
    target_ = std::move(opened.Target);
}

TOutputFile::~TOutputFile() = default;

void TOutputFile::Flush()
{
    detail::WriteOutput(*native_, buffer_.get(), used_);
    flushed_ += used_;
    used_ = 0;
}

void TOutputFile::WriteSlow(std::string_view bytes)
{
    // A large text (made in parts elsewhere) goes out as it is rather than through the buffer.
    if (bytes.size() >= kBufferSize / 4) {
        Flush();
        detail::WriteOutput(*native_, bytes.data(), bytes.size());
        flushed_ += bytes.size();
        return;
    }
    while (!bytes.empty()) {
        if (used_ == kBufferSize)
            Flush();
        std::size_t n = std::min(bytes.size(), kBufferSize - used_);
        std::memcpy(buffer_.get() + used_, bytes.data(), n);
        used_ += n;
        bytes.remove_prefix(n);
    }
}

void TOutputFile::Finish()
{
    Flush();
    buffer_.reset();
}

fs::path TOutputFile::Commit(TNameCounters* counters)
{
    Flush();
    switch (placement_) {
    case TPlacement::StandardOutput:
        if (!buffer_)
            buffer_.reset(new char[kBufferSize]);
        // Complete: copied out whole; the unnamed file goes when it is dropped.
        detail::CopyToStandardOutput(*native_, buffer_.get(), kBufferSize);
        native_.reset();
        return destination_;
    case TPlacement::Replace:
        // The data is on the disk before the file takes a name that an earlier file had.
        detail::SyncOutput(*native_);
        if (keepTime_)
            detail::KeepReplacedTime(*native_);
        detail::ReplaceTarget(*native_);
        native_.reset();
        return target_;
    case TPlacement::NewName:
        break;
    }
    detail::SyncOutput(*native_);
    // Each try refuses a name that anything holds; the counters say where the last search of
    // this name stopped, so many outputs of one name take linear time.
    for (unsigned n = counters ? counters->Next(destination_) : 0;; ++n) {
        const fs::path name = AlternativeName(destination_, n);
        if (detail::ClaimName(*native_, name)) {
            if (counters)
                counters->Taken(destination_, n);
            detail::FinishClaim(*native_, name);
            native_.reset();
            return name;
        }
        if (n == UINT_MAX)
            throw IoError(EEXIST);
    }
}

} // namespace ostrel
