#pragma once

// The metadata of a photo that says when and where it was taken: the EXIF block of a JPEG (the
// TIFF structure in its "Exif" APP1 segment) and the TIFF structure of the raw formats built on
// it (DNG, CR2, NEF, ARW, PEF; ORF and RW2 with their own header words). Only the metadata is
// read, never the image.
//
// Written for hostile input: the JPEG's segments are walked by their lengths up to the image
// (at most kMaxSegments of them); of the TIFF structure only IFD0 and the EXIF and GPS IFDs it
// points to are read, so no chain of IFDs can loop; every count, offset and value is checked
// against the block before it is read, and a fault is ExifDamaged naming the file's byte.

#include "core/file_io.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// Bytes read at offsets: a file, or memory.
class TByteSource
{
public:
    virtual ~TByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads up to size bytes at offset; fewer only at the end. Returns how many.
    virtual std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) = 0;
};

class TMemorySource final : public TByteSource
{
public:
    explicit TMemorySource(std::string_view bytes)
        : bytes_(bytes)
    {
    }
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override;

private:
    std::string_view bytes_;
};

// A photo's file. Its head, where the metadata mostly lies, is read once in one block.
class TFileSource final : public TByteSource
{
public:
    static constexpr std::size_t kHead = 1 << 16;

    explicit TFileSource(const std::filesystem::path& path);
    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override;
    TInputFile& File() { return file_; }

private:
    TInputFile file_;
    std::uint64_t size_;
    std::string head_;
};

// The TIFF field types (their numbers in an IFD entry).
enum class TTiffType : std::uint16_t
{
    Byte = 1,
    Ascii = 2,
    Short = 3,
    Long = 4,
    Rational = 5,
    Undefined = 7,
};

// One IFD entry as it stands: its tag, type and count, and the four bytes of its value field (a
// value that fits, or the offset of one that does not), in the block's byte order.
struct TIfdEntry
{
    std::uint16_t Tag = 0;
    std::uint16_t Type = 0;
    std::uint32_t Count = 0;
    std::uint32_t Field = 0; // the value field read as a LONG
    std::uint32_t At = 0; // where the entry lies in the block

    bool operator==(const TIfdEntry&) const = default;
};

// The tags read and written.
namespace tiff_tag {
inline constexpr std::uint16_t kDateTime = 0x0132;
inline constexpr std::uint16_t kExifIfd = 0x8769;
inline constexpr std::uint16_t kGpsIfd = 0x8825;
inline constexpr std::uint16_t kDateTimeOriginal = 0x9003;
inline constexpr std::uint16_t kDateTimeDigitized = 0x9004;
inline constexpr std::uint16_t kOffsetTime = 0x9010;
inline constexpr std::uint16_t kOffsetTimeOriginal = 0x9011;
inline constexpr std::uint16_t kOffsetTimeDigitized = 0x9012;
inline constexpr std::uint16_t kSubSecTime = 0x9290;
inline constexpr std::uint16_t kSubSecTimeOriginal = 0x9291;
inline constexpr std::uint16_t kSubSecTimeDigitized = 0x9292;
inline constexpr std::uint16_t kGpsVersionId = 0x0000;
inline constexpr std::uint16_t kGpsLatitudeRef = 0x0001;
inline constexpr std::uint16_t kGpsLatitude = 0x0002;
inline constexpr std::uint16_t kGpsLongitudeRef = 0x0003;
inline constexpr std::uint16_t kGpsLongitude = 0x0004;
inline constexpr std::uint16_t kGpsTimeStamp = 0x0007;
inline constexpr std::uint16_t kGpsMapDatum = 0x0012;
inline constexpr std::uint16_t kGpsDateStamp = 0x001D;
} // namespace tiff_tag

// A TIFF block: the TIFF header and everything its offsets reach, which count from the header.
// In a JPEG it is the APP1 segment's body after "Exif\0\0"; in a raw file the whole file. base is
// where the block starts in the source, for the bytes that errors name.
class TTiffBlock
{
public:
    // Reads the header; a block that is no TIFF structure is ExifDamaged at its start.
    TTiffBlock(TByteSource& source, std::uint64_t base, std::uint64_t size);

    bool LittleEndian() const { return little_; }
    std::uint64_t Base() const { return base_; }
    std::uint32_t FirstIfd() const { return firstIfd_; }
    std::uint64_t Size() const { return size_; }

    // The entries of the IFD at offset, at most kMaxEntries.
    std::vector<TIfdEntry> Ifd(std::uint32_t offset);
    // The offset of the IFD after the one at offset (0: none), as its last four bytes say.
    std::uint32_t NextIfd(std::uint32_t offset);

    // An entry's value: ASCII up to its first NUL (at most kMaxText bytes read), the numbers of
    // a BYTE, SHORT or LONG, the numerator and denominator pairs of a RATIONAL (at most
    // kMaxValues of them). The wrong type or a value outside the block is ExifDamaged.
    std::string Text(const TIfdEntry& entry);
    std::vector<std::uint32_t> Numbers(const TIfdEntry& entry);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> Rationals(const TIfdEntry& entry);

    // Where an entry's value lies in the block and its size (bytes); inside the entry itself for
    // four bytes or fewer. ExifDamaged when it does not lie within the block.
    std::pair<std::uint64_t, std::uint64_t> ValueSpan(const TIfdEntry& entry) const;

    std::uint16_t U16(std::uint64_t at);
    std::uint32_t U32(std::uint64_t at);

    static constexpr std::uint32_t kMaxEntries = 1000;
    static constexpr std::size_t kMaxText = 64;
    static constexpr std::size_t kMaxValues = 16;

    // The size of one value of a type (bytes); 0 for a type unknown here.
    static std::uint32_t TypeSize(std::uint16_t type);

private:
    [[noreturn]] void Damaged(std::uint64_t at) const;
    void Read(std::uint64_t at, char* buffer, std::size_t size);

    TByteSource& source_;
    std::uint64_t base_;
    std::uint64_t size_;
    bool little_ = true;
    std::uint32_t firstIfd_ = 0;
};

// The texts of the tags that say when a photo was taken, as the camera wrote them.
struct TExifTimes
{
    std::string Original; // DateTimeOriginal "YYYY:MM:DD HH:MM:SS"
    std::string Digitized; // DateTimeDigitized
    std::string Modified; // DateTime (IFD0)
    std::string SubSecOriginal, SubSecDigitized, SubSec;
    std::string OffsetOriginal, OffsetDigitized, Offset; // "+09:00"

    bool operator==(const TExifTimes&) const = default;
};

// A position on the WGS 84 ellipsoid: latitude north, longitude east (signed degrees).
struct TGeoPoint
{
    double Lat = 0.0;
    double Lon = 0.0;

    bool operator==(const TGeoPoint&) const = default;
};

enum class TPhotoKind
{
    Jpeg,
    Tiff, // a raw file, or any other TIFF
};

struct TPhotoMetadata
{
    TPhotoKind Kind = TPhotoKind::Jpeg;
    TExifTimes Times;
    // The GPS IFD's position, where it holds a latitude and a longitude.
    std::optional<TGeoPoint> Position;
    // JPEG: the "Exif" APP1 segment, from its marker (offset in the file) over its whole size
    // (the marker and the length field included); none in a JPEG without EXIF.
    std::optional<std::uint64_t> ExifSegment;
    std::uint32_t ExifSegmentSize = 0;
};

// Most segments walked before a JPEG's image data.
inline constexpr unsigned kMaxSegments = 4096;

// Reads the metadata of a JPEG or TIFF photo; NotAPhoto for anything else, ExifDamaged for a
// broken structure. A JPEG without EXIF has no times.
TPhotoMetadata ReadPhotoMetadata(TByteSource& source);

// The times and the position held in a TIFF block.
void ReadTiffMetadata(TTiffBlock& block, TPhotoMetadata& metadata);

} // namespace ostrel
