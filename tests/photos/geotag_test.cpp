#include "core/errors.h"
#include "core/messages.h"
#include "core/test_support.h"
#include "log/gps_rec.h"
#include "photos/exif_writer.h"
#include "photos/geotag.h"
#include "photos/photo_builder.h"

#include <chrono>
#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

// Fixes a minute apart around 10:00 UTC on 12 May 2024.
std::vector<TTimedPoint> Fixes()
{
    const double day = DayNumber(2024, 5, 12) + 10 / 24.0;
    return { { day, { 35.0, 139.0 } }, { day + 1 / 1440.0, { 35.001, 139.002 } } };
}

// Photos taken at 19:00:30 in Japan: "+09:00" in their EXIF, or from the camera's zone.
TGeotagOptions Options(TPhotoWrite write)
{
    TGeotagOptions options;
    options.Clock.ZoneMinutes = 9 * 60;
    options.Write = write;
    return options;
}

// Where a position goes: a JPEG's own EXIF with the bytes around its segment, its mode and (on
// request) its modification time kept; a JPEG without room, or a raw file, gets its sidecar; a
// photo with a position is left alone unless overwritten; a dry run writes nothing.
TEST(Geotag, WritesWhereItShouldAndLeavesPositionsAlone)
{
    TTempDir dir;
    const fs::path jpeg = dir / "a.jpg";
    const std::string original = JpegWith(TiffWithTime("2024:05:12 19:00:30"), "IMAGE\xFF\x00DATA");
    WriteFile(jpeg, original);
    fs::permissions(jpeg, fs::perms(0640));
    const auto old = fs::last_write_time(jpeg) - std::chrono::hours(48);
    fs::last_write_time(jpeg, old);
    TGeotagOptions exif = Options(TPhotoWrite::Exif);

    exif.DryRun = true;
    TPhotoResult result = GeotagPhoto(jpeg, Fixes(), exif);
    EXPECT_EQ(result.Status, TPhotoStatus::Written);
    EXPECT_EQ(result.Wrote, TPhotoWrite::Exif);
    EXPECT_EQ(Bytes(jpeg), original);

    exif.DryRun = false;
    exif.KeepTime = true;
    result = GeotagPhoto(jpeg, Fixes(), exif);
    ASSERT_EQ(result.Status, TPhotoStatus::Written);
    EXPECT_EQ(result.Match.Kind, TMatchKind::Interpolated);
    EXPECT_NEAR(result.Match.Position->Lat, 35.0005, 1e-8);
    const std::string written = Bytes(jpeg);
    const std::size_t segment = original.find("\xFF\xE1");
    const std::size_t rest = segment + 2
        + (std::uint8_t(original[segment + 2]) << 8 | std::uint8_t(original[segment + 3]));
    EXPECT_EQ(written.substr(0, segment), original.substr(0, segment));
    EXPECT_EQ(written.substr(written.size() - (original.size() - rest)), original.substr(rest));
#ifndef _WIN32 // Windows keeps a read-only attribute, not these bits
    EXPECT_EQ(fs::status(jpeg).permissions(), fs::perms(0640));
#endif
    EXPECT_EQ(fs::last_write_time(jpeg), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

    // Already placed: left alone, unless overwritten.
    EXPECT_EQ(GeotagPhoto(jpeg, Fixes(), exif).Status, TPhotoStatus::HasPosition);
    EXPECT_EQ(Bytes(jpeg), written);
    exif.Overwrite = true;
    EXPECT_EQ(GeotagPhoto(jpeg, Fixes(), exif).Status, TPhotoStatus::Written);
    exif.Overwrite = false;

    // No room in the segment: the sidecar, reported; the JPEG unchanged.
    TTiffBuilder full;
    full.Ascii(TIfdName::Exif, tiff_tag::kDateTimeOriginal, "2024:05:12 19:00:30");
    full.Ascii(TIfdName::Ifd0, 0x010E, std::string(kMaxExifTiff - 200, 'x'));
    const fs::path crowded = dir / "crowded.jpg";
    WriteFile(crowded, JpegWith(full.Build()));
    result = GeotagPhoto(crowded, Fixes(), exif);
    EXPECT_TRUE(result.FellBack);
    EXPECT_EQ(result.Target, dir / "crowded.jpg.xmp");
    EXPECT_TRUE(SidecarHasPosition(Bytes(dir / "crowded.jpg.xmp")));
    EXPECT_EQ(Bytes(crowded), JpegWith(full.Build()));

    // A raw file: its sidecar (IMG.xmp when asked), never the file; the sidecar's own position
    // counts as the photo's.
    const fs::path raw = dir / "b.NEF";
    WriteFile(raw, TiffWithTime("2024:05:12 19:00:30", "", "+09:00"));
    exif.SidecarName = TSidecarName::Base;
    result = GeotagPhoto(raw, Fixes(), exif);
    EXPECT_FALSE(result.FellBack);
    EXPECT_EQ(result.Target, dir / "b.xmp");
    EXPECT_EQ(Bytes(raw), TiffWithTime("2024:05:12 19:00:30", "", "+09:00"));
    EXPECT_EQ(GeotagPhoto(raw, Fixes(), exif).Status, TPhotoStatus::HasPosition);
}

// No position without a time, or without a fix near enough, with the reason; a photo that
// cannot be read is its error, and the batch goes on past it only when asked.
TEST(Geotag, ReportsWhyAPhotoHasNoPosition)
{
    TTempDir dir;
    TTiffBuilder timeless;
    timeless.Ascii(TIfdName::Ifd0, 0x010F, "TestMaker");
    WriteFile(dir / "1.jpg", JpegWith(timeless.Build()));
    WriteFile(dir / "2.jpg", JpegWith(TiffWithTime("2024:05:12 21:00:00")));
    WriteFile(dir / "3.jpg", "not a photo");
    WriteFile(dir / "4.JPEG", JpegWith(TiffWithTime("2024:05:12 18:58:00")));
    WriteFile(dir / "notes.txt", "");
    const std::vector<fs::path> photos = PhotosOf(dir.Path());
    ASSERT_EQ(photos.size(), 4u);

    std::vector<std::string> said;
    const TGeotagReport report {
        [&](std::size_t i, const TPhotoResult& result) {
            constexpr const char* kStatuses[] = { "written", "has position", "no time", "none" };
            constexpr const char* kKinds[]
                = { "interpolated", "nearest", "before", "after", "in gap", "no fixes" };
            said.push_back(std::to_string(i) + " " + kStatuses[int(result.Status)] + ", "
                + kKinds[int(result.Match.Kind)]);
        },
        [&](std::size_t i, const std::exception_ptr& error) {
            said.push_back(std::to_string(i) + " " + ReportOf(error, TLanguage::English).Message);
        },
    };
    EXPECT_FALSE(GeotagPhotos(photos, Fixes(), Options(TPhotoWrite::Sidecar), false, report));
    EXPECT_EQ(said,
        (std::vector<std::string> {
            "0 no time, no fixes", "1 none, after", "2 Not a JPEG or a TIFF-based raw photo" }));
    said.clear();
    EXPECT_FALSE(GeotagPhotos(photos, Fixes(), Options(TPhotoWrite::Sidecar), true, report));
    ASSERT_EQ(said.size(), 4u);
    EXPECT_EQ(said[3], "3 written, nearest");
}

// A photo of a clock gives the camera's correction: its time of day less the clock's, on the
// nearer side of midnight; the time is read from the photo's metadata.
TEST(Geotag, TakesTheCorrectionFromAPhotoOfAClock)
{
    TTempDir dir;
    WriteFile(dir / "clock.jpg", JpegWith(TiffWithTime("2024:05:12 10:03:04", "5")));
    const std::optional<TPhotoTime> time = ReadPhotoTime(dir / "clock.jpg");
    ASSERT_TRUE(time);
    EXPECT_NEAR(ClockAheadSeconds(*time, 10 * 3600 + 1 * 60 + 30), 94.5, 1e-4);
    EXPECT_NEAR(ClockAheadSeconds(*time, 10 * 3600 + 5 * 60), -115.5, 1e-4);
    TPhotoTime late = *time;
    late.Local = DayNumber(2024, 5, 12) + (86400 - 10) / 86400.0;
    EXPECT_NEAR(ClockAheadSeconds(late, 20), -30, 1e-4);
    TPhotoTime early = *time;
    early.Local = DayNumber(2024, 5, 12) + 30 / 86400.0;
    EXPECT_NEAR(ClockAheadSeconds(early, 86400 - 20), 50, 1e-4);

    WriteFile(dir / "timeless.jpg", JpegWith(TTiffBuilder().Build()));
    EXPECT_FALSE(ReadPhotoTime(dir / "timeless.jpg"));
}

} // namespace
} // namespace ostrel::test
