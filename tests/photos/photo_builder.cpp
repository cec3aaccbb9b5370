#include "photos/photo_builder.h"

#include "core/test_support.h"

#include <algorithm>

namespace ostrel::test {

std::string TTiffBuilder::Build() const
{
    std::vector<TEntry> ifds[3] = { ifds_[0], ifds_[1], ifds_[2] };
    if (!makerNote_.empty())
        ifds[1].push_back({ 0x927C, TTiffType::Undefined,
            static_cast<std::uint32_t>(4 + makerNote_.size()), std::string(4, '\0') + makerNote_ });
    const bool exif = !ifds[1].empty();
    const bool gps = !ifds[2].empty();
    if (exif)
        ifds[0].push_back({ tiff_tag::kExifIfd, TTiffType::Long, 1, std::string(4, '\0') });
    if (gps)
        ifds[0].push_back({ tiff_tag::kGpsIfd, TTiffType::Long, 1, std::string(4, '\0') });
    for (auto& ifd : ifds)
        std::stable_sort(
            ifd.begin(), ifd.end(), [](const TEntry& a, const TEntry& b) { return a.Tag < b.Tag; });

    // Each IFD, then its values that do not fit, then the next; offsets found in a first pass.
    const auto ifdSize = [](const std::vector<TEntry>& ifd) {
        std::size_t size = 2 + 12 * ifd.size() + 4;
        for (const TEntry& entry : ifd)
            size += entry.Value.size() > 4 ? (entry.Value.size() + 1) / 2 * 2 : 0;
        return size;
    };
    std::size_t at[4] = {};
    at[0] = 8;
    at[1] = at[0] + ifdSize(ifds[0]);
    at[2] = at[1] + (exif ? ifdSize(ifds[1]) : 0);
    at[3] = at[2] + (gps ? ifdSize(ifds[2]) : 0); // the thumbnail's IFD
    std::string block = std::string(little_ ? "II" : "MM") + U16(magic_) + U32(8);
    for (int n = 0; n < 3; ++n) {
        if (n > 0 && ifds[n].empty())
            continue;
        std::string data;
        const std::size_t dataAt = at[n] + 2 + 12 * ifds[n].size() + 4;
        block += U16(static_cast<std::uint16_t>(ifds[n].size()));
        for (const TEntry& entry : ifds[n]) {
            std::string value = entry.Value;
            if (entry.Tag == tiff_tag::kExifIfd && n == 0)
                value = U32(static_cast<std::uint32_t>(at[1]));
            if (entry.Tag == tiff_tag::kGpsIfd && n == 0)
                value = U32(static_cast<std::uint32_t>(at[2]));
            block
                += U16(entry.Tag) + U16(static_cast<std::uint16_t>(entry.Type)) + U32(entry.Count);
            if (value.size() <= 4) {
                value.resize(4, '\0');
                block += value;
                continue;
            }
            const std::size_t valueAt = dataAt + data.size();
            if (entry.Tag == 0x927C) {
                value.replace(0, 4, U32(static_cast<std::uint32_t>(valueAt + 4)));
            }
            block += U32(static_cast<std::uint32_t>(valueAt));
            data += value;
            if (data.size() % 2 != 0)
                data += '\0';
        }
        block += U32(n == 0 && thumbnail_ ? static_cast<std::uint32_t>(at[3]) : 0);
        block += data;
    }
    if (thumbnail_) {
        // IFD1: the compression of a JPEG thumbnail, and its offset and length.
        block += U16(3);
        block += U16(0x0103) + U16(3) + U32(1) + U16(6) + U16(0);
        block
            += U16(0x0201) + U16(4) + U32(1) + U32(static_cast<std::uint32_t>(at[3] + 2 + 36 + 4));
        block += U16(0x0202) + U16(4) + U32(1) + U32(8);
        block += U32(0);
        block += std::string("\xFF\xD8"
                             "thum"
                             "\xFF\xD9",
            8);
    }
    return block;
}

std::string JpegWith(std::string_view tiff, std::string_view imageData)
{
    const auto segment = [](char marker, std::string_view body) {
        const std::size_t length = body.size() + 2;
        return std::string { '\xFF', marker, char(length >> 8), char(length & 0xFF) }
        + std::string(body);
    };
    std::string jpeg = "\xFF\xD8";
    jpeg += segment('\xE0', std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
    jpeg += segment('\xE1', std::string("Exif\0\0", 6) + std::string(tiff));
    jpeg += segment('\xFE', "a comment");
    jpeg += segment('\xDA', std::string("\x01\x01\x00\x00\x3F\x00", 6));
    jpeg += imageData;
    jpeg += "\xFF\xD9";
    return jpeg;
}

std::string TiffWithTime(
    std::string_view original, std::string_view subSec, std::string_view offset)
{
    TTiffBuilder builder;
    builder.Ascii(TIfdName::Ifd0, 0x010F, "TestMaker");
    builder.Ascii(TIfdName::Ifd0, tiff_tag::kDateTime, "2030:01:01 00:00:00");
    builder.Ascii(TIfdName::Exif, tiff_tag::kDateTimeOriginal, original);
    if (!subSec.empty())
        builder.Ascii(TIfdName::Exif, tiff_tag::kSubSecTimeOriginal, subSec);
    if (!offset.empty())
        builder.Ascii(TIfdName::Exif, tiff_tag::kOffsetTimeOriginal, offset);
    return builder.Build();
}

std::string Bytes(const std::filesystem::path& path)
{
    return ReadFile(path);
}

} // namespace ostrel::test
