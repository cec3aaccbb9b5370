#pragma once

// The file layer: a sequential reader of an input file in large blocks, and an output file that
// is written under a temporary name beside its destination and moved into place only when it is
// complete. Every failure raises the file error of errors.h.

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace ostrel {

class TInputFile
{
public:
    // Opens a regular file for reading; anything else (a folder, a FIFO, a device) is refused,
    // so that a conversion can neither block nor read without end.
    explicit TInputFile(const std::filesystem::path& path);
    ~TInputFile();
    TInputFile(const TInputFile&) = delete;
    TInputFile& operator=(const TInputFile&) = delete;

    // Reads up to size bytes; returns 0 only at the end of the file.
    std::size_t Read(char* buffer, std::size_t size);

private:
#ifdef _WIN32
    void* handle_;
#else
    int fd_;
#endif
};

class TOutputFile
{
public:
    // Creates a new temporary file in the destination's folder. The destination itself is not
    // touched until Commit.
    explicit TOutputFile(std::filesystem::path destination);
    // Without Commit the temporary file is removed and the destination stays as it was.
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    void Write(std::string_view bytes)
    {
        if (bytes.size() > kBufferSize - used_) {
            WriteSlow(bytes);
            return;
        }
        std::memcpy(buffer_ + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
    }

    // Room for at least n more bytes, to be filled directly and then claimed with Advance.
    char* Reserve(std::size_t n)
    {
        if (n > kBufferSize - used_)
            Flush();
        return buffer_ + used_;
    }
    void Advance(std::size_t n) { used_ += n; }

    // Writes what is buffered, closes the file and moves it over the destination.
    void Commit();

    static constexpr std::size_t kBufferSize = 1 << 18;

private:
    void WriteSlow(std::string_view bytes);
    void Flush();
    void Discard() noexcept;

    std::filesystem::path destination_;
    std::filesystem::path temporary_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    std::size_t used_ = 0;
    char* buffer_;
};

// True when both paths name one and the same existing file, however they are spelled.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace ostrel
