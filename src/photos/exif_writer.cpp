#include "photos/exif_writer.h"

#include "core/errors.h"
#include "core/file_io.h"
#include "text/date_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace ostrel {

namespace {

// Bytes in the block's order.
class TTiffWriter
{
public:
    TTiffWriter(std::string& bytes, bool little)
        : bytes_(bytes)
        , little_(little)
    {
    }
    void U16(std::uint16_t value)
    {
        const char b[2] = { char(value & 0xFF), char(value >> 8) };
        Put(b, 2);
    }
    void U32(std::uint32_t value)
    {
        const char b[4] = { char(value & 0xFF), char(value >> 8 & 0xFF), char(value >> 16 & 0xFF),
            char(value >> 24) };
        Put(b, 4);
    }
    void U32At(std::size_t at, std::uint32_t value)
    {
        std::string patch;
        TTiffWriter(patch, little_).U32(value);
        bytes_.replace(at, 4, patch);
    }

private:
    void Put(const char* b, std::size_t n)
    {
        if (little_) {
            bytes_.append(b, n);
        } else {
            for (std::size_t i = n; i-- > 0;)
                bytes_ += b[i];
        }
    }

    std::string& bytes_;
    bool little_;
};

// Degrees, minutes and seconds as rationals: seconds to 1e-7 (3e-11 of a degree).
std::array<std::pair<std::uint32_t, std::uint32_t>, 3> Dms(double degrees)
{
    constexpr long long kPerSecond = 10'000'000;
    const long long total = std::llround(std::fabs(degrees) * 3600.0 * kPerSecond);
    const long long whole = total / (3600 * kPerSecond);
    const long long rest = total % (3600 * kPerSecond);
    return { { { std::uint32_t(whole), 1 }, { std::uint32_t(rest / (60 * kPerSecond)), 1 },
        { std::uint32_t(rest % (60 * kPerSecond)), std::uint32_t(kPerSecond) } } };
}

// One entry of the GPS IFD: its value inline (four bytes or fewer) or among the data after it.
struct TGpsEntry
{
    std::uint16_t Tag;
    TTiffType Type;
    std::uint32_t Count;
    std::string Value; // in the block's byte order
};

std::vector<TGpsEntry> GpsEntries(const TPhotoPosition& position, bool little)
{
    const auto rationals
        = [little](const std::array<std::pair<std::uint32_t, std::uint32_t>, 3>& r) {
              std::string value;
              TTiffWriter writer(value, little);
              for (const auto& [numerator, denominator] : r) {
                  writer.U32(numerator);
                  writer.U32(denominator);
              }
              return value;
          };
    const TDateTimeFields utc = DecodeDateTime(position.Utc);
    const std::uint32_t milliseconds = std::uint32_t(utc.Second * 1000 + utc.Millisecond);
    char date[16];
    std::snprintf(date, sizeof date, "%04d:%02d:%02d", utc.Year, utc.Month, utc.Day);
    using namespace tiff_tag;
    const double lat = position.Position.Lat;
    const double lon = position.Position.Lon;
    return {
        { kGpsVersionId, TTiffType::Byte, 4, std::string("\x02\x03\x00\x00", 4) },
        { kGpsLatitudeRef, TTiffType::Ascii, 2, std::string(lat < 0 ? "S" : "N", 2) },
        { kGpsLatitude, TTiffType::Rational, 3, rationals(Dms(lat)) },
        { kGpsLongitudeRef, TTiffType::Ascii, 2, std::string(lon < 0 ? "W" : "E", 2) },
        { kGpsLongitude, TTiffType::Rational, 3, rationals(Dms(lon)) },
        { kGpsTimeStamp, TTiffType::Rational, 3,
            rationals({ { { std::uint32_t(utc.Hour), 1 }, { std::uint32_t(utc.Minute), 1 },
                { milliseconds, 1000 } } }) },
        { kGpsMapDatum, TTiffType::Ascii, 7, std::string("WGS-84", 7) },
        { kGpsDateStamp, TTiffType::Ascii, 11, std::string(date, 11) },
    };
}

} // namespace

std::string TiffWithPosition(std::string_view tiff, const TPhotoPosition& position)
{
    TMemorySource source(tiff);
    TTiffBlock block(source, 0, tiff.size());
    const std::uint32_t ifd0 = block.FirstIfd();
    std::vector<TIfdEntry> entries = block.Ifd(ifd0);
    const std::uint32_t next = block.NextIfd(ifd0);
    std::erase_if(entries, [](const TIfdEntry& entry) { return entry.Tag == tiff_tag::kGpsIfd; });
    if (entries.size() + 1 > TTiffBlock::kMaxEntries)
        throw ExifDamaged(ifd0); // it would no longer read

    std::string bytes(tiff);
    if (bytes.size() % 2 != 0)
        bytes += '\0'; // an IFD starts on a word
    const bool little = block.LittleEndian();
    TTiffWriter writer(bytes, little);
    const std::size_t copyAt = bytes.size();
    const std::size_t count = entries.size() + 1;
    const std::size_t gpsAt = copyAt + 2 + 12 * count + 4;

    // IFD0's entries as they were, byte for byte (their offsets still hold), with the GPS IFD's
    // pointer among them in tag order.
    std::vector<std::pair<std::uint16_t, std::string>> rows;
    for (const TIfdEntry& entry : entries)
        rows.emplace_back(entry.Tag, std::string(tiff.substr(entry.At, 12)));
    std::string pointer;
    TTiffWriter pointerWriter(pointer, little);
    pointerWriter.U16(tiff_tag::kGpsIfd);
    pointerWriter.U16(static_cast<std::uint16_t>(TTiffType::Long));
    pointerWriter.U32(1);
    pointerWriter.U32(static_cast<std::uint32_t>(gpsAt));
    rows.emplace_back(tiff_tag::kGpsIfd, pointer);
    std::stable_sort(
        rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    writer.U16(static_cast<std::uint16_t>(count));
    for (const auto& row : rows)
        bytes += row.second;
    writer.U32(next);

    // The GPS IFD, then the values that do not fit in their entries.
    const std::vector<TGpsEntry> gps = GpsEntries(position, little);
    std::size_t dataAt = gpsAt + 2 + 12 * gps.size() + 4;
    std::string data;
    writer.U16(static_cast<std::uint16_t>(gps.size()));
    for (const TGpsEntry& entry : gps) {
        writer.U16(entry.Tag);
        writer.U16(static_cast<std::uint16_t>(entry.Type));
        writer.U32(entry.Count);
        if (entry.Value.size() <= 4) {
            // Inline values are left-justified in the field, in the block's order already.
            std::string field = entry.Value;
            field.resize(4, '\0');
            bytes += field;
        } else {
            writer.U32(static_cast<std::uint32_t>(dataAt + data.size()));
            data += entry.Value;
            if (data.size() % 2 != 0)
                data += '\0';
        }
    }
    writer.U32(0);
    bytes += data;
    writer.U32At(4, static_cast<std::uint32_t>(copyAt));
    return bytes;
}

namespace {

// The TIFF block of the JPEG's EXIF segment as it is in the file: "Exif\0" checked again.
std::string ExifTiff(TByteSource& photo, const TPhotoMetadata& metadata)
{
    if (!metadata.ExifSegment || metadata.ExifSegmentSize < 16)
        throw ExifDamaged(0);
    std::string segment(metadata.ExifSegmentSize, '\0');
    if (photo.ReadAt(*metadata.ExifSegment, segment.data(), segment.size()) != segment.size()
        || std::memcmp(segment.data(), "\xFF\xE1", 2) != 0
        || std::memcmp(segment.data() + 4, "Exif\0", 5) != 0)
        throw ExifDamaged(*metadata.ExifSegment);
    return segment.substr(10);
}

std::string TiffWithPositionAt(
    std::string_view tiff, const TPhotoPosition& position, std::uint64_t base)
{
    try {
        return TiffWithPosition(tiff, position);
    } catch (const PhotoError& error) {
        throw ExifDamaged(base + static_cast<std::uint64_t>(error.Number()));
    }
}

} // namespace

std::optional<std::string> ExifTiffWithPosition(
    TByteSource& photo, const TPhotoMetadata& metadata, const TPhotoPosition& position)
{
    std::string tiff
        = TiffWithPositionAt(ExifTiff(photo, metadata), position, *metadata.ExifSegment + 10);
    if (tiff.size() > kMaxExifTiff)
        return std::nullopt;
    return tiff;
}

void WriteJpegPosition(const std::filesystem::path& path, const TPhotoMetadata& metadata,
    std::string_view tiff, bool keepTime)
{
    std::optional<TFileSource> photo(std::in_place, path);
    TOutputFile output(path, TPlacement::Replace);
    if (keepTime)
        output.KeepModificationTime();
    // Everything but the segment is copied as it is, in blocks straight into the output's buffer.
    const auto copy = [&](std::uint64_t from, std::uint64_t to) {
        constexpr std::size_t kBlock = 1 << 17;
        while (from < to) {
            const std::size_t want
                = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, to - from));
            char* at = output.Reserve(want);
            const std::size_t got = photo->File().ReadAt(from, at, want);
            if (got == 0)
                throw ExifDamaged(from); // the file got shorter meanwhile
            output.Advance(got);
            from += got;
        }
    };
    const std::uint64_t segment = *metadata.ExifSegment;
    copy(0, segment);
    const std::size_t length = 2 + 6 + tiff.size();
    const char head[] = { '\xFF', '\xE1', char(length >> 8), char(length & 0xFF), 'E', 'x', 'i',
        'f', '\0', '\0' };
    output.Write(std::string_view(head, sizeof head));
    output.Write(tiff);
    copy(segment + metadata.ExifSegmentSize, photo->Size());
    photo.reset(); // Windows replaces no file that is still open
    output.Commit();
}

} // namespace ostrel
