#pragma once

// Photos made for the tests, byte by byte: a TIFF block of IFD0 with its EXIF and GPS IFDs (the
// pointers added when those hold entries), a maker note whose first four bytes are an offset
// from the TIFF header to its own text, a thumbnail IFD after IFD0, and a JPEG around a block.

#include "photos/exif.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel::test {

enum class TIfdName
{
    Ifd0,
    Exif,
    Gps,
};

class TTiffBuilder
{
public:
    explicit TTiffBuilder(bool little = true, std::uint16_t magic = 42)
        : little_(little)
        , magic_(magic)
    {
    }

    // An entry with its value's bytes as they stand in the block.
    void Add(
        TIfdName ifd, std::uint16_t tag, TTiffType type, std::uint32_t count, std::string value)
    {
        ifds_[static_cast<int>(ifd)].push_back({ tag, type, count, std::move(value) });
    }
    void Ascii(TIfdName ifd, std::uint16_t tag, std::string_view text)
    {
        Add(ifd, tag, TTiffType::Ascii, static_cast<std::uint32_t>(text.size() + 1),
            std::string(text) + '\0');
    }
    void Rationals(TIfdName ifd, std::uint16_t tag,
        const std::vector<std::pair<std::uint32_t, std::uint32_t>>& values)
    {
        std::string bytes;
        for (const auto& [n, d] : values)
            bytes += U32(n) + U32(d);
        Add(ifd, tag, TTiffType::Rational, static_cast<std::uint32_t>(values.size()), bytes);
    }
    // A maker note (tag 0x927C of the EXIF IFD) whose first four bytes point to its own text.
    void MakerNote(std::string_view text) { makerNote_ = std::string(text); }
    // A thumbnail IFD after IFD0.
    void Thumbnail() { thumbnail_ = true; }

    std::string Build() const;

    std::string U16(std::uint16_t v) const
    {
        return little_ ? std::string { char(v & 0xFF), char(v >> 8) }
                       : std::string { char(v >> 8), char(v & 0xFF) };
    }
    std::string U32(std::uint32_t v) const
    {
        return little_ ? U16(std::uint16_t(v & 0xFFFF)) + U16(std::uint16_t(v >> 16))
                       : U16(std::uint16_t(v >> 16)) + U16(std::uint16_t(v & 0xFFFF));
    }

private:
    struct TEntry
    {
        std::uint16_t Tag;
        TTiffType Type;
        std::uint32_t Count;
        std::string Value;
    };

    bool little_;
    std::uint16_t magic_;
    std::vector<TEntry> ifds_[3];
    std::string makerNote_;
    bool thumbnail_ = false;
};

// A JPEG: the start of image, a JFIF APP0, the "Exif" APP1 with the block, a comment, the start
// of scan and imageData, and the end of image.
std::string JpegWith(std::string_view tiff, std::string_view imageData = "image data \xFF\x00 end");

// A TIFF block with DateTimeOriginal (and more, as asked), little-endian.
std::string TiffWithTime(
    std::string_view original, std::string_view subSec = {}, std::string_view offset = {});

// The bytes of a file; written whole.
std::string Bytes(const std::filesystem::path& path);

} // namespace ostrel::test
