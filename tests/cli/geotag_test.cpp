#include "cli/geotag_command.h"
#include "cli/geotag_options.h"
#include "cli_test_support.h"
#include "photos/photo_builder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>

namespace ostrel::cli::test {
namespace {

using ostrel::test::JpegWith;
using ostrel::test::TiffWithTime;
using ::testing::HasSubstr;

TGeotagCommandLine Parse(std::vector<std::string> args)
{
    args.push_back("photos");
    return ParseGeotagCommandLine(args);
}

// Every option of the table reaches what it sets, the track's rows shared with ostrel-convert
// among them; every row has one name and its documented default changes nothing.
TEST(GeotagCommandLine, OptionsReachTheSettings)
{
    TGeotagCommandLine line = Parse({ "-l", "a.log", "--log=b.log", "-m", "car", "-g", "3",
        "--filter", "robust", "--min-move", "5", "--from", "2024-05-12 08:00", "--to",
        "2024-05-12 20:00", "--privacy", "200", "-z", "+5:30", "--camera-offset", "-1:02:03",
        "--max-gap", "0", "--write", "exif", "--sidecar-name=base", "--overwrite", "--keep-time",
        "-n", "-k", "--json", "--lang", "ja" });
    EXPECT_EQ(line.Logs, (std::vector<std::string> { "a.log", "b.log" }));
    EXPECT_EQ(line.Photos, std::vector<std::string> { "photos" });
    const TConvertSettings& s = line.Settings;
    EXPECT_EQ(s.SpeedLimitKmh, 150.0);
    EXPECT_EQ(s.OriginIndex, 3);
    EXPECT_TRUE(s.RobustFilter);
    EXPECT_EQ(s.MinMoveM, 5);
    EXPECT_TRUE(s.FromLocal && s.ToLocal && *s.FromLocal < *s.ToLocal);
    EXPECT_EQ(s.PrivacyM, 200);
    EXPECT_EQ(line.CameraAheadSeconds, -3723.0);
    EXPECT_EQ(line.Language, TLanguage::Japanese);
    const TGeotagOptions options = line.GeotagOptions();
    EXPECT_EQ(options.Clock.ZoneMinutes, 330); // the camera's zone is that of -z
    EXPECT_EQ(options.Clock.AheadSeconds, -3723.0);
    EXPECT_EQ(options.MaxGapMinutes, 0.0);
    EXPECT_EQ(options.Write, TPhotoWrite::Exif);
    EXPECT_EQ(options.SidecarName, TSidecarName::Base);
    EXPECT_TRUE(options.Overwrite && options.KeepTime && options.DryRun);
    EXPECT_TRUE(line.KeepGoing && line.Json);

    line = Parse({ "-l", "a.log", "-s", "7", "-m", "car", "--camera-zone", "-3:30" });
    EXPECT_EQ(line.Settings.SpeedLimitKmh, 7.0);
    EXPECT_EQ(line.GeotagOptions().Clock.ZoneMinutes, -210);
    EXPECT_EQ(line.GeotagOptions().Clock.ZoneMinutes, -210);
    const TGeotagOptions defaults = Parse({ "-l", "a.log" }).GeotagOptions();
    EXPECT_EQ(defaults.Clock.ZoneMinutes, 9 * 60);
    EXPECT_EQ(defaults.MaxGapMinutes, 5.0);
    EXPECT_EQ(defaults.Write, TPhotoWrite::Sidecar);

    std::set<std::string> names;
    for (const TOptionEntry& entry : GeotagCommandLineOptions()) {
        const TOptionSpec& option = *entry.Spec;
        EXPECT_TRUE(names.insert("--" + std::string(option.Long)).second) << option.Long;
        if (option.Short != '\0') {
            EXPECT_TRUE(names.insert(std::string("-") + option.Short).second) << option.Long;
        }
        if (!option.Default.empty()) {
            const TGeotagOptions same
                = Parse({ "-l", "a.log",
                            "--" + std::string(option.Long) + "=" + std::string(option.Default) })
                      .GeotagOptions();
            EXPECT_EQ(same.Clock.ZoneMinutes, defaults.Clock.ZoneMinutes) << option.Long;
            EXPECT_EQ(same.Clock.AheadSeconds, defaults.Clock.AheadSeconds) << option.Long;
            EXPECT_EQ(same.MaxGapMinutes, defaults.MaxGapMinutes) << option.Long;
            EXPECT_EQ(same.Write, defaults.Write) << option.Long;
        }
    }
    EXPECT_EQ(names.count("--filter"), 1u);

    for (const auto& [text, seconds] : std::vector<std::pair<std::string, double>> { { "1:30", 90 },
             { "+0:05", 5 }, { "-2:05", -125 }, { "1:00:00", 3600 }, { "-10:01:02", -36062 } })
        EXPECT_EQ(ParseClockOffset(text), seconds) << text;
    for (const char* bad : { "", "90", "1:3", "1:60", "60:00", "+-1:00", "1::00:00", "a:00:00" })
        EXPECT_FALSE(ParseClockOffset(bad)) << bad;
}

TEST(GeotagCommandLine, RefusesBadCommandLinesWithStatus2)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        { { "a.jpg" }, "no LOG given" },
        { { "-l", "a.log" }, "no PHOTO" },
        { { "-l", "a.log", "--camera-offset", "5", "a.jpg" }, "--camera-offset" },
        { { "-l", "a.log", "--write", "tiff", "a.jpg" }, "choose sidecar or exif" },
        { { "-l", "a.log", "--max-gap", "-1", "a.jpg" }, "must be 0..10080" },
        { { "-l", "a.log", "--output", "x", "a.jpg" }, "unknown option '--output'" },
    };
    for (const auto& [args, fault] : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(RunGeotag(args, out, err), kExitUsage) << fault;
        EXPECT_THAT(err.str(), HasSubstr(fault));
        EXPECT_THAT(err.str(), HasSubstr("Usage: ostrel-geotag [options] -l LOG"));
    }
}

// A dry run prints a row per photo and writes nothing; JSON gives the same per photo, and a
// photo that fails is reported with its error and the exit status 1.
TEST(GeotagCommand, DryRunTableAndJsonLines)
{
    TTempDir dir;
    WriteLog(dir / "walk.log", WalkLines());
    fs::create_directory(dir / "photos");
    // The walk's kept fixes run from 01:02 to 01:20 UTC, every 2 minutes, 0.1' north each.
    WriteFile(dir / "photos" / "a.jpg", JpegWith(TiffWithTime("2007:01:01 10:05:00")));
    WriteFile(
        dir / "photos" / "b.jpg", JpegWith(TiffWithTime("2007:01:01 05:00:00", "", "+02:00")));
    const std::vector<std::string> photos { Text(dir / "photos") };
    std::ostringstream out, err;
    std::vector<std::string> args { "-l", Text(dir / "walk.log"), "-n", Text(dir / "photos") };
    EXPECT_EQ(RunGeotag(args, out, err), kExitDone) << err.str();
    EXPECT_THAT(out.str(), HasSubstr("PHOTO"));
    EXPECT_THAT(out.str(), HasSubstr("2007:01:01 10:05:00"));
    EXPECT_THAT(out.str(), HasSubstr("2007-01-01T01:05:00Z"));
    EXPECT_THAT(out.str(), HasSubstr("35.65416667"));
    EXPECT_THAT(out.str(), HasSubstr("would write: sidecar a.jpg.xmp"));
    EXPECT_THAT(out.str(), HasSubstr("2007:01:01 05:00:00 +02:00"));
    EXPECT_EQ(FolderNames(dir / "photos"), (std::vector<std::string> { "a.jpg", "b.jpg" }));

    WriteFile(dir / "photos" / "c.jpg", "broken");
    out.str("");
    args = { "-l", Text(dir / "walk.log"), "--json", "-k", Text(dir / "photos") };
    EXPECT_EQ(RunGeotag(args, out, err), kExitFailed);
    EXPECT_THAT(out.str(), HasSubstr("\"result\":\"written\",\"write\":\"sidecar\""));
    EXPECT_THAT(out.str(), HasSubstr("\"result\":\"after_track\""));
    EXPECT_THAT(out.str(), HasSubstr("\"kind\":\"not_a_photo\""));
    EXPECT_THAT(err.str(), HasSubstr("c.jpg: Not a JPEG or a TIFF-based raw photo"));
    EXPECT_EQ(FolderNames(dir / "photos"),
        (std::vector<std::string> { "a.jpg", "a.jpg.xmp", "b.jpg", "c.jpg" }));
}

} // namespace
} // namespace ostrel::cli::test
