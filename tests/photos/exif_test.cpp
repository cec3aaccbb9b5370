#include "core/errors.h"
#include "core/test_support.h"
#include "log/gps_rec.h"
#include "photos/exif.h"
#include "photos/photo_builder.h"
#include "photos/photo_time.h"

#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

TPhotoMetadata Read(std::string_view bytes)
{
    TMemorySource source(bytes);
    return ReadPhotoMetadata(source);
}

// The byte ExifDamaged names for bytes; -1 for another outcome.
long long DamagedAt(std::string_view bytes)
{
    try {
        Read(bytes);
    } catch (const PhotoError& error) {
        if (error.Kind() == TErrorKind::ExifDamaged)
            return error.Number();
    }
    return -1;
}

// A JPEG's times, sub-seconds and offset; a raw file's in big-endian order with ORF's and RW2's
// header words; a position of the GPS IFD with its hemispheres.
TEST(Exif, ReadsTimesAndPositionOfJpegAndRawFiles)
{
    const std::string jpeg = JpegWith(TiffWithTime("2024:05:12 10:03:04", "25", "+09:00"));
    const TPhotoMetadata metadata = Read(jpeg);
    EXPECT_EQ(metadata.Kind, TPhotoKind::Jpeg);
    EXPECT_EQ(metadata.Times.Original, "2024:05:12 10:03:04");
    EXPECT_EQ(metadata.Times.SubSecOriginal, "25");
    EXPECT_EQ(metadata.Times.OffsetOriginal, "+09:00");
    EXPECT_EQ(metadata.Times.Modified, "2030:01:01 00:00:00");
    ASSERT_TRUE(metadata.ExifSegment);
    EXPECT_EQ(jpeg.substr(*metadata.ExifSegment, 2), "\xFF\xE1");
    EXPECT_FALSE(metadata.Position);

    for (const std::uint16_t magic : { 42, 0x4F52, 0x0055 }) {
        TTiffBuilder raw(false, magic);
        raw.Ascii(TIfdName::Ifd0, tiff_tag::kDateTime, "2024:05:12 10:03:04");
        raw.Ascii(TIfdName::Gps, tiff_tag::kGpsLatitudeRef, "S");
        raw.Rationals(
            TIfdName::Gps, tiff_tag::kGpsLatitude, { { 35, 1 }, { 30, 1 }, { 1800, 100 } });
        raw.Ascii(TIfdName::Gps, tiff_tag::kGpsLongitudeRef, "W");
        raw.Rationals(TIfdName::Gps, tiff_tag::kGpsLongitude, { { 139, 1 }, { 45, 1 }, { 0, 1 } });
        const TPhotoMetadata rawMetadata = Read(raw.Build());
        EXPECT_EQ(rawMetadata.Kind, TPhotoKind::Tiff);
        EXPECT_EQ(rawMetadata.Times.Modified, "2024:05:12 10:03:04") << magic;
        ASSERT_TRUE(rawMetadata.Position) << magic;
        EXPECT_DOUBLE_EQ(rawMetadata.Position->Lat, -(35 + 30 / 60.0 + 18 / 3600.0));
        EXPECT_DOUBLE_EQ(rawMetadata.Position->Lon, -(139 + 45 / 60.0));
    }
}

// The entry of a tag in the IFD at offset of a block.
TIfdEntry EntryOf(std::string_view tiff, std::uint32_t offset, std::uint16_t tag)
{
    TMemorySource source(tiff);
    TTiffBlock block(source, 0, tiff.size());
    for (const TIfdEntry& entry : block.Ifd(offset)) {
        if (entry.Tag == tag)
            return entry;
    }
    ADD_FAILURE() << "no tag " << tag;
    return {};
}

std::string Patched(std::string text, std::size_t at, std::string_view bytes)
{
    return text.replace(at, bytes.size(), bytes);
}

// Hostile bytes end in NotAPhoto or in ExifDamaged naming the byte at fault: every prefix of a
// JPEG, offsets and counts out of range; IFDs that point back to IFD0 are read once each.
TEST(Exif, HostileBytesAreRefusedAtTheirByte)
{
    const std::string tiff = TiffWithTime("2024:05:12 10:03:04");
    const std::string jpeg = JpegWith(tiff);
    const std::size_t segment = jpeg.find("\xFF\xE1");
    const std::size_t block = segment + 10;
    // Every prefix is read or refused as a photo, never otherwise; one cut inside the block
    // names the length that runs past the end.
    for (std::size_t size = 0; size < jpeg.size(); ++size) {
        try {
            Read(std::string_view(jpeg).substr(0, size));
        } catch (const PhotoError&) {
        }
    }
    EXPECT_EQ(DamagedAt(std::string_view(jpeg).substr(0, block + 20)),
        static_cast<long long>(segment + 2));
    EXPECT_EQ(MessageOf<PhotoError>([] { Read("GIF89a...."); }), NotAPhoto().what());

    const TTiffBuilder order; // the little-endian words of the patches
    const TIfdEntry exif = EntryOf(tiff, 8, tiff_tag::kExifIfd);
    const TIfdEntry original = EntryOf(tiff, exif.Field, tiff_tag::kDateTimeOriginal);
    struct TCase
    {
        const char* What;
        std::size_t At; // in the block
        std::string Bytes;
        long long Damaged; // in the block
    };
    const TCase cases[] = {
        { "IFD0 beyond the block", 4, order.U32(0xFFFF), 4 },
        { "IFD0 inside the header", 4, order.U32(2), 4 },
        { "too many entries", 8, order.U16(0xFFFF), 8 },
        { "EXIF IFD beyond the block", exif.At + 8, order.U32(0x7FFFFFF0), exif.At + 8 },
        { "value beyond the block", original.At + 8, order.U32(0xFFFFFFF0), original.At + 8 },
        { "value past the end", original.At + 4, order.U32(0x7FFFFFFF), original.At + 8 },
        { "value inside the header", original.At + 8, order.U32(4), original.At + 8 },
        { "pointer of another type", exif.At + 2, order.U16(2), exif.At },
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(DamagedAt(JpegWith(Patched(tiff, c.At, c.Bytes))),
            c.Damaged + static_cast<long long>(block))
            << c.What;
    }

    // The EXIF and GPS pointers both lead back to IFD0: each is read once, as what it claims.
    TTiffBuilder loop;
    loop.Ascii(TIfdName::Ifd0, tiff_tag::kDateTime, "2024:05:12 10:03:04");
    loop.Ascii(TIfdName::Exif, tiff_tag::kDateTimeDigitized, "2024:05:12 10:03:05");
    loop.Ascii(TIfdName::Gps, tiff_tag::kGpsLatitudeRef, "N");
    std::string looped = loop.Build();
    looped = Patched(looped, EntryOf(looped, 8, tiff_tag::kExifIfd).At + 8, order.U32(8));
    looped = Patched(looped, EntryOf(looped, 8, tiff_tag::kGpsIfd).At + 8, order.U32(8));
    const TPhotoMetadata metadata = Read(JpegWith(looped));
    EXPECT_EQ(metadata.Times.Modified, "2024:05:12 10:03:04");
    EXPECT_EQ(metadata.Times.Digitized, "");
    EXPECT_FALSE(metadata.Position);
}

// The first tag with a real date-time counts, with its own sub-seconds and offset; UTC takes
// that offset, else the camera's zone, and what its clock was ahead.
TEST(PhotoTime, TakesTheFirstRealTimeAndItsOffset)
{
    EXPECT_EQ(ParseExifDateTime("2024:05:12 10:03:04"), DayNumber(2024, 5, 12) + 36184 / 86400.0);
    for (const char* bad :
        { "", "0000:00:00 00:00:00", "    :  :     :  :  ", "2024:02:30 10:00:00",
            "2024:05:12 24:00:00", "2024:05:12 10:03", "2024:05:12+10:03:04" })
        EXPECT_FALSE(ParseExifDateTime(bad)) << bad;
    EXPECT_EQ(ParseExifOffset("+05:30"), 330);
    EXPECT_EQ(ParseExifOffset("-03:30"), -210);
    for (const char* bad : { "", "+9", "+15:00", "+09:60", "09:00", "   :  " })
        EXPECT_FALSE(ParseExifOffset(bad)) << bad;

    TExifTimes times;
    times.Original = "0000:00:00 00:00:00";
    times.Digitized = "2024:05:12 10:03:04";
    times.SubSecDigitized = "5";
    times.OffsetDigitized = "+02:00";
    times.OffsetOriginal = "+09:00";
    times.Modified = "2030:01:01 00:00:00";
    const std::optional<TPhotoTime> time = PhotoTimeOf(times);
    ASSERT_TRUE(time);
    EXPECT_EQ(time->Tag, TTimeTag::Digitized);
    EXPECT_EQ(time->Text, "2024:05:12 10:03:04.5 +02:00");
    const double local = DayNumber(2024, 5, 12) + (36184 + 0.5) / 86400.0;
    EXPECT_DOUBLE_EQ(time->Local, local);
    // Its own offset wins over the camera's zone; the clock was 90 s ahead.
    EXPECT_DOUBLE_EQ(PhotoUtc(*time, { 9 * 60, 90 }), local - 2 / 24.0 - 90 / 86400.0);
    TPhotoTime zoneless = *time;
    zoneless.OffsetMinutes.reset();
    EXPECT_DOUBLE_EQ(PhotoUtc(zoneless, { -5 * 60 - 30, -4 }), local + 5.5 / 24.0 + 4 / 86400.0);
    EXPECT_FALSE(PhotoTimeOf({}));
}

} // namespace
} // namespace ostrel::test
