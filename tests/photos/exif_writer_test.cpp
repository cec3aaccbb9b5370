#include "core/test_support.h"
#include "log/gps_rec.h"
#include "photos/exif_writer.h"
#include "photos/photo_builder.h"

#include <gtest/gtest.h>
#include <map>

namespace ostrel::test {
namespace {

const TPhotoPosition kPosition { { 35.652377601234, 139.752347605678 },
    DayNumber(2024, 5, 12) + (3600 + 2 * 60 + 3.25) / 86400.0 };

// A photo as cameras write them: IFD0 with its own values, an EXIF IFD with a maker note whose
// offset counts from the TIFF header, a thumbnail IFD, and an old position.
std::string CameraTiff(bool little)
{
    TTiffBuilder builder(little);
    builder.Ascii(TIfdName::Ifd0, 0x010F, "TestMaker");
    builder.Ascii(TIfdName::Ifd0, 0x0110, "Model with a long name");
    builder.Add(TIfdName::Ifd0, 0x0112, TTiffType::Short, 1, builder.U16(6));
    builder.Ascii(TIfdName::Exif, tiff_tag::kDateTimeOriginal, "2024:05:12 10:02:03");
    builder.MakerNote("MakerNoteText");
    builder.Ascii(TIfdName::Gps, tiff_tag::kGpsLatitudeRef, "N");
    builder.Rationals(TIfdName::Gps, tiff_tag::kGpsLatitude, { { 1, 1 }, { 0, 1 }, { 0, 1 } });
    builder.Ascii(TIfdName::Gps, tiff_tag::kGpsLongitudeRef, "E");
    builder.Rationals(TIfdName::Gps, tiff_tag::kGpsLongitude, { { 2, 1 }, { 0, 1 }, { 0, 1 } });
    builder.Thumbnail();
    return builder.Build();
}

// The new position is read back; every byte after the header stays where it was, so IFD0's
// other entries, the thumbnail and the maker note's own offset still find what they found.
TEST(ExifWriter, AddsThePositionWithoutMovingAByte)
{
    for (const bool little : { true, false }) {
        const std::string before = CameraTiff(little);
        const std::string after = TiffWithPosition(before, kPosition);
        EXPECT_EQ(after.substr(0, 4), before.substr(0, 4));
        EXPECT_EQ(after.substr(8, before.size() - 8), before.substr(8));

        const TPhotoMetadata read = [&] {
            TMemorySource source(after);
            return ReadPhotoMetadata(source);
        }();
        ASSERT_TRUE(read.Position);
        EXPECT_NEAR(read.Position->Lat, kPosition.Position.Lat, 1e-10);
        EXPECT_NEAR(read.Position->Lon, kPosition.Position.Lon, 1e-10);
        EXPECT_EQ(read.Times.Original, "2024:05:12 10:02:03");

        TMemorySource oldSource(before), newSource(after);
        TTiffBlock oldBlock(oldSource, 0, before.size()), newBlock(newSource, 0, after.size());
        const auto entries = [](TTiffBlock& block, std::uint32_t offset) {
            std::vector<TIfdEntry> kept;
            for (TIfdEntry entry : block.Ifd(offset)) {
                entry.At = 0;
                if (entry.Tag != tiff_tag::kGpsIfd)
                    kept.push_back(entry);
            }
            return kept;
        };
        EXPECT_EQ(entries(newBlock, newBlock.FirstIfd()), entries(oldBlock, oldBlock.FirstIfd()));
        EXPECT_EQ(newBlock.NextIfd(newBlock.FirstIfd()), oldBlock.NextIfd(oldBlock.FirstIfd()));
        std::uint32_t exif = 0;
        for (const TIfdEntry& entry : newBlock.Ifd(newBlock.FirstIfd()))
            exif = entry.Tag == tiff_tag::kExifIfd ? entry.Field : exif;
        std::string makerNote;
        for (const TIfdEntry& entry : newBlock.Ifd(exif)) {
            if (entry.Tag == 0x927C)
                makerNote = after.substr(newBlock.U32(entry.Field), 13);
        }
        EXPECT_EQ(makerNote, "MakerNoteText");
        // GPS: version, hemispheres, the UTC time to the millisecond, the date and the datum.
        std::uint32_t gps = 0;
        for (const TIfdEntry& entry : newBlock.Ifd(newBlock.FirstIfd()))
            gps = entry.Tag == tiff_tag::kGpsIfd ? entry.Field : gps;
        std::map<std::uint16_t, TIfdEntry> tags;
        for (const TIfdEntry& entry : newBlock.Ifd(gps))
            tags[entry.Tag] = entry;
        EXPECT_EQ(newBlock.Numbers(tags[tiff_tag::kGpsVersionId]),
            (std::vector<std::uint32_t> { 2, 3, 0, 0 }));
        EXPECT_EQ(newBlock.Text(tags[tiff_tag::kGpsLatitudeRef]), "N");
        EXPECT_EQ(newBlock.Text(tags[tiff_tag::kGpsLongitudeRef]), "E");
        EXPECT_EQ(newBlock.Rationals(tags[tiff_tag::kGpsTimeStamp]),
            (std::vector<std::pair<std::uint32_t, std::uint32_t>> {
                { 1, 1 }, { 2, 1 }, { 3250, 1000 } }));
        EXPECT_EQ(newBlock.Text(tags[tiff_tag::kGpsDateStamp]), "2024:05:12");
        EXPECT_EQ(newBlock.Text(tags[tiff_tag::kGpsMapDatum]), "WGS-84");
    }
}

} // namespace
} // namespace ostrel::test
