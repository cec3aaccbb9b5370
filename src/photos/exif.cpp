#include "photos/exif.h"

#include "core/errors.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace ostrel {

std::size_t TMemorySource::ReadAt(std::uint64_t offset, char* buffer, std::size_t size)
{
    if (offset >= bytes_.size())
        return 0;
    const std::size_t n = std::min<std::uint64_t>(size, bytes_.size() - offset);
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
}

TFileSource::TFileSource(const std::filesystem::path& path)
    : file_(path)
    , size_(file_.Size())
{
    head_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size_, kHead)));
    head_.resize(file_.ReadAt(0, head_.data(), head_.size()));
}

std::size_t TFileSource::ReadAt(std::uint64_t offset, char* buffer, std::size_t size)
{
    if (offset <= head_.size() && size <= head_.size() - offset) {
        std::memcpy(buffer, head_.data() + offset, size);
        return size;
    }
    return file_.ReadAt(offset, buffer, size);
}

namespace {

// The header words of the TIFF structures read: TIFF's own 42, and those of Olympus's ORF
// ("RO", "RS") and Panasonic's RW2 (0x55).
constexpr std::array<std::uint16_t, 4> kTiffMagics = { 42, 0x4F52, 0x5352, 0x0055 };

} // namespace

TTiffBlock::TTiffBlock(TByteSource& source, std::uint64_t base, std::uint64_t size)
    : source_(source)
    , base_(base)
    , size_(size)
{
    if (size_ < 8)
        Damaged(0);
    char order[2];
    Read(0, order, 2);
    if (order[0] == 'I' && order[1] == 'I')
        little_ = true;
    else if (order[0] == 'M' && order[1] == 'M')
        little_ = false;
    else
        Damaged(0);
    const std::uint16_t magic = U16(2);
    if (std::find(kTiffMagics.begin(), kTiffMagics.end(), magic) == kTiffMagics.end())
        Damaged(2);
    firstIfd_ = U32(4);
    if (firstIfd_ < 8 || firstIfd_ >= size_)
        Damaged(4);
}

void TTiffBlock::Damaged(std::uint64_t at) const
{
    throw ExifDamaged(base_ + at);
}

void TTiffBlock::Read(std::uint64_t at, char* buffer, std::size_t size)
{
    if (at > size_ || size > size_ - at)
        Damaged(std::min(at, size_));
    if (source_.ReadAt(base_ + at, buffer, size) != size)
        Damaged(at);
}

std::uint16_t TTiffBlock::U16(std::uint64_t at)
{
    unsigned char b[2];
    Read(at, reinterpret_cast<char*>(b), 2);
    return little_ ? static_cast<std::uint16_t>(b[0] | b[1] << 8)
                   : static_cast<std::uint16_t>(b[1] | b[0] << 8);
}

std::uint32_t TTiffBlock::U32(std::uint64_t at)
{
    unsigned char b[4];
    Read(at, reinterpret_cast<char*>(b), 4);
    if (little_)
        return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16
            | std::uint32_t(b[3]) << 24;
    return std::uint32_t(b[3]) | std::uint32_t(b[2]) << 8 | std::uint32_t(b[1]) << 16
        | std::uint32_t(b[0]) << 24;
}

std::uint32_t TTiffBlock::TypeSize(std::uint16_t type)
{
    // BYTE, ASCII, SHORT, LONG, RATIONAL, SBYTE, UNDEFINED, SSHORT, SLONG, SRATIONAL, FLOAT,
    // DOUBLE, IFD.
    static constexpr std::array<std::uint32_t, 14> kSizes
        = { 0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4 };
    return type < kSizes.size() ? kSizes[type] : 0;
}

std::vector<TIfdEntry> TTiffBlock::Ifd(std::uint32_t offset)
{
    const std::uint32_t count = U16(offset);
    if (count > kMaxEntries)
        Damaged(offset);
    std::string bytes(12 * std::size_t(count), '\0');
    Read(std::uint64_t(offset) + 2, bytes.data(), bytes.size());
    std::vector<TIfdEntry> entries;
    entries.reserve(count);
    const auto u16 = [&](std::size_t at) {
        const auto b0 = static_cast<unsigned char>(bytes[at]);
        const auto b1 = static_cast<unsigned char>(bytes[at + 1]);
        return static_cast<std::uint16_t>(little_ ? b0 | b1 << 8 : b1 | b0 << 8);
    };
    const auto u32 = [&](std::size_t at) {
        return little_ ? std::uint32_t(u16(at)) | std::uint32_t(u16(at + 2)) << 16
                       : std::uint32_t(u16(at)) << 16 | std::uint32_t(u16(at + 2));
    };
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = 12 * std::size_t(i);
        entries.push_back({ u16(at), u16(at + 2), u32(at + 4), u32(at + 8),
            static_cast<std::uint32_t>(offset + 2 + at) });
    }
    return entries;
}

std::uint32_t TTiffBlock::NextIfd(std::uint32_t offset)
{
    const std::uint32_t count = U16(offset);
    return U32(std::uint64_t(offset) + 2 + 12 * std::uint64_t(count));
}

std::pair<std::uint64_t, std::uint64_t> TTiffBlock::ValueSpan(const TIfdEntry& entry) const
{
    const std::uint64_t size = std::uint64_t(TypeSize(entry.Type)) * entry.Count;
    if (size <= 4)
        return { std::uint64_t(entry.At) + 8, size };
    // A value out of line lies past the header: the header's first IFD offset is no value's,
    // and a writer that repoints it would change such a value.
    if (entry.Field < 8 || entry.Field > size_ || size > size_ - entry.Field)
        Damaged(std::uint64_t(entry.At) + 8);
    return { entry.Field, size };
}

std::string TTiffBlock::Text(const TIfdEntry& entry)
{
    if (entry.Type != static_cast<std::uint16_t>(TTiffType::Ascii)
        && entry.Type != static_cast<std::uint16_t>(TTiffType::Undefined))
        return {};
    const auto [at, size] = ValueSpan(entry);
    std::string text(static_cast<std::size_t>(std::min<std::uint64_t>(size, kMaxText)), '\0');
    Read(at, text.data(), text.size());
    text.resize(std::min(text.find('\0'), text.size()));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::vector<std::uint32_t> TTiffBlock::Numbers(const TIfdEntry& entry)
{
    const auto type = static_cast<TTiffType>(entry.Type);
    if (type != TTiffType::Byte && type != TTiffType::Short && type != TTiffType::Long)
        return {};
    const auto [at, size] = ValueSpan(entry);
    (void)size;
    const std::uint32_t step = TypeSize(entry.Type);
    std::vector<std::uint32_t> numbers;
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(entry.Count, kMaxValues); ++i) {
        const std::uint64_t where = at + std::uint64_t(i) * step;
        if (type == TTiffType::Byte) {
            char b;
            Read(where, &b, 1);
            numbers.push_back(static_cast<unsigned char>(b));
        } else {
            numbers.push_back(type == TTiffType::Short ? U16(where) : U32(where));
        }
    }
    return numbers;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> TTiffBlock::Rationals(const TIfdEntry& entry)
{
    if (entry.Type != static_cast<std::uint16_t>(TTiffType::Rational))
        return {};
    const auto [at, size] = ValueSpan(entry);
    (void)size;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> values;
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(entry.Count, kMaxValues); ++i)
        values.emplace_back(U32(at + 8 * std::uint64_t(i)), U32(at + 8 * std::uint64_t(i) + 4));
    return values;
}

namespace {

const TIfdEntry* Find(const std::vector<TIfdEntry>& ifd, std::uint16_t tag)
{
    for (const TIfdEntry& entry : ifd) {
        if (entry.Tag == tag)
            return &entry;
    }
    return nullptr;
}

std::string TextOf(TTiffBlock& block, const std::vector<TIfdEntry>& ifd, std::uint16_t tag)
{
    const TIfdEntry* entry = Find(ifd, tag);
    return entry ? block.Text(*entry) : std::string();
}

// The offset of the IFD that a pointer tag names; none without the tag. A pointer that is no
// single LONG (or IFD) is a broken structure.
std::optional<std::uint32_t> PointerOf(
    const TTiffBlock& block, const std::vector<TIfdEntry>& ifd, std::uint16_t tag)
{
    const TIfdEntry* entry = Find(ifd, tag);
    if (!entry)
        return std::nullopt;
    if ((entry->Type != static_cast<std::uint16_t>(TTiffType::Long) && entry->Type != 13)
        || entry->Count != 1)
        throw ExifDamaged(block.Base() + entry->At);
    if (entry->Field < 8 || entry->Field >= block.Size())
        throw ExifDamaged(block.Base() + entry->At + 8);
    return entry->Field;
}

// Degrees from the three rationals of a GPS coordinate (degrees, minutes, seconds); none for
// anything else, a zero denominator included.
std::optional<double> Degrees(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& dms)
{
    if (dms.size() < 3)
        return std::nullopt;
    double degrees = 0.0;
    double unit = 1.0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (dms[i].second == 0)
            return std::nullopt;
        degrees += double(dms[i].first) / double(dms[i].second) / unit;
        unit *= 60.0;
    }
    return degrees;
}

std::optional<TGeoPoint> PositionOf(TTiffBlock& block, const std::vector<TIfdEntry>& gps)
{
    const TIfdEntry* lat = Find(gps, tiff_tag::kGpsLatitude);
    const TIfdEntry* lon = Find(gps, tiff_tag::kGpsLongitude);
    if (!lat || !lon)
        return std::nullopt;
    const std::optional<double> north = Degrees(block.Rationals(*lat));
    const std::optional<double> east = Degrees(block.Rationals(*lon));
    if (!north || !east || *north > 90.0 || *east > 180.0)
        return std::nullopt;
    const bool south = TextOf(block, gps, tiff_tag::kGpsLatitudeRef) == "S";
    const bool west = TextOf(block, gps, tiff_tag::kGpsLongitudeRef) == "W";
    return TGeoPoint { south ? -*north : *north, west ? -*east : *east };
}

} // namespace

void ReadTiffMetadata(TTiffBlock& block, TPhotoMetadata& metadata)
{
    using namespace tiff_tag;
    const std::vector<TIfdEntry> ifd0 = block.Ifd(block.FirstIfd());
    TExifTimes& times = metadata.Times;
    times.Modified = TextOf(block, ifd0, kDateTime);
    // TIFF/EP raw files may hold the original time in IFD0 itself.
    times.Original = TextOf(block, ifd0, kDateTimeOriginal);
    if (const std::optional<std::uint32_t> exif = PointerOf(block, ifd0, kExifIfd)) {
        const std::vector<TIfdEntry> ifd = block.Ifd(*exif);
        if (std::string original = TextOf(block, ifd, kDateTimeOriginal); !original.empty())
            times.Original = std::move(original);
        times.Digitized = TextOf(block, ifd, kDateTimeDigitized);
        times.SubSecOriginal = TextOf(block, ifd, kSubSecTimeOriginal);
        times.SubSecDigitized = TextOf(block, ifd, kSubSecTimeDigitized);
        times.SubSec = TextOf(block, ifd, kSubSecTime);
        times.OffsetOriginal = TextOf(block, ifd, kOffsetTimeOriginal);
        times.OffsetDigitized = TextOf(block, ifd, kOffsetTimeDigitized);
        times.Offset = TextOf(block, ifd, kOffsetTime);
    }
    if (const std::optional<std::uint32_t> gps = PointerOf(block, ifd0, kGpsIfd))
        metadata.Position = PositionOf(block, block.Ifd(*gps));
}

TPhotoMetadata ReadPhotoMetadata(TByteSource& source)
{
    const std::uint64_t size = source.Size();
    unsigned char head[4] = {};
    if (size < 4 || source.ReadAt(0, reinterpret_cast<char*>(head), 4) != 4)
        throw NotAPhoto();
    TPhotoMetadata metadata;
    if (head[0] != 0xFF || head[1] != 0xD8 || head[2] != 0xFF) {
        const bool tiff = (head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M');
        if (!tiff)
            throw NotAPhoto();
        metadata.Kind = TPhotoKind::Tiff;
        TTiffBlock block(source, 0, size);
        ReadTiffMetadata(block, metadata);
        return metadata;
    }

    // The segments after the start of image, each a marker and (but for the few without) a
    // big-endian length that counts itself, up to the start of the scan.
    std::uint64_t at = 2;
    for (unsigned segments = 0;; ++segments) {
        if (segments == kMaxSegments)
            throw ExifDamaged(at);
        unsigned char marker[4];
        const std::size_t got = source.ReadAt(at, reinterpret_cast<char*>(marker), 4);
        if (got < 2)
            break; // the file ends before any image: its metadata is all there is
        if (marker[0] != 0xFF)
            throw ExifDamaged(at);
        if (marker[1] == 0xFF) { // a fill byte before the marker
            ++at;
            continue;
        }
        if (marker[1] == 0xDA || marker[1] == 0xD9)
            break;
        if ((marker[1] >= 0xD0 && marker[1] <= 0xD7) || marker[1] == 0x01) {
            at += 2;
            continue;
        }
        if (got < 4)
            throw ExifDamaged(at);
        const std::uint32_t length = std::uint32_t(marker[2]) << 8 | marker[3];
        if (length < 2 || length > size - at - 2)
            throw ExifDamaged(at + 2);
        if (marker[1] == 0xE1 && !metadata.ExifSegment && length >= 8 + 8) {
            char name[6];
            if (source.ReadAt(at + 4, name, 6) == 6 && std::memcmp(name, "Exif\0", 5) == 0) {
                metadata.ExifSegment = at;
                metadata.ExifSegmentSize = length + 2;
                TTiffBlock block(source, at + 10, length - 8);
                ReadTiffMetadata(block, metadata);
            }
        }
        at += 2 + std::uint64_t(length);
    }
    return metadata;
}

} // namespace ostrel
