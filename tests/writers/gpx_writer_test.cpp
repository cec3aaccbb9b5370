#include "conversion/conversion.h"
#include "core/test_support.h"
#include "writers/gpx_writer.h"
#include "writers/xml_text.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <regex>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::RecordLine;
using test::TTempDir;
using test::WriteFile;

TEST(GpxWriter, XmlEscapedKeepsEveryCharacterItCan)
{
    EXPECT_EQ(XmlEscaped("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d\"e'f");
    EXPECT_EQ(XmlEscaped("\t\n\r"), "&#9;&#10;&#13;");
    EXPECT_EQ(XmlEscaped(std::string("\x01x\x7F", 3)), "\xEF\xBF\xBDx\x7F");
    EXPECT_EQ(XmlEscaped("\xE3\x83\xBB km"), "\xE3\x83\xBB km"); // UTF-8 passes as it is
}

// The GPX document of a log made of the given lines, with the settings given.
std::string Convert(const std::vector<std::string>& lines, const TConvertSettings& settings)
{
    return test::ConvertLines(lines, settings, "out.gpx");
}

TConvertSettings Settings()
{
    TConvertSettings settings;
    settings.CurrentYear = 2026;
    settings.SpeedLimitKmh = 150;
    return settings;
}

std::vector<std::string> All(const std::string& text, const std::string& pattern)
{
    std::vector<std::string> found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
         ++it)
        found.push_back((*it)[1]);
    return found;
}

// Times that cross UTC midnight and run back again each get their own day.
TEST(GpxWriter, TimesFollowTheDayAcrossMidnightAndBack)
{
    const std::string gpx = Convert({ RecordLine("235958", "3539.1", "13945.1", "311207"),
                                        RecordLine("235959", "3539.1", "13945.1", "311207"),
                                        RecordLine("000001", "3539.1", "13945.1", "010108"),
                                        RecordLine("235957", "3539.1", "13945.1", "311207"),
                                        RecordLine("000003", "3539.1", "13945.1", "010108") },
        Settings());
    EXPECT_EQ(All(gpx, "<trkpt [^>]*><time>([^<]*)</time>"),
        (std::vector<std::string> { "2007-12-31T23:59:59Z", "2008-01-01T00:00:01Z",
            "2007-12-31T23:59:57Z", "2008-01-01T00:00:03Z" }));
    // The metadata carries the first kept fix's time, not the first record's.
    EXPECT_NE(gpx.find("<metadata>\r\n  <time>2007-12-31T23:59:59Z</time>\r\n</metadata>\r\n"),
        std::string::npos);
}

// Separators of any kind reach the names and descriptions as escaped text.
TEST(GpxWriter, RegionalSeparatorsAreEscaped)
{
    TConvertSettings settings = Settings();
    settings.Separators = { "&", "<", ">" };
    settings.TimeZoneHours = 0;
    const std::string gpx = Convert({ RecordLine("010000", "3539.1", "13945.1", "010107"),
                                        RecordLine("010100", "3539.2", "13945.1", "010107") },
        settings);
    EXPECT_NE(gpx.find("<trk>\r\n  <name>07&lt;01&lt;01, 01&gt;00</name>"), std::string::npos);
    EXPECT_NE(gpx.find("<name>01&gt;01 (0&amp;2km)</name>"), std::string::npos);
    EXPECT_NE(gpx.find("<desc>07&lt;01&lt;01 01&gt;01&gt;00 (0&amp;2km), 11&amp;1km/h, Heading "
                       "360</desc>"),
        std::string::npos);
}

// Coordinates carry exactly eight decimals, rounded half away from zero on the exact value.
TEST(GpxWriter, CoordinatesHaveEightDecimals)
{
    const std::string gpx
        = Convert({ RecordLine("010000", "3539.1", "13945.1", "010107"),
                      RecordLine("010100", "3539.123456", "13945.00000006", "010107") },
            Settings());
    // 39.123456 / 60 = 0.6520576; 45.00000006 / 60 = 0.750000001.
    EXPECT_NE(gpx.find("<trkpt lat=\"35.65205760\" lon=\"139.75000000\">"), std::string::npos);
    EXPECT_NE(gpx.find("<wpt lat=\"35.65205760\" lon=\"139.75000000\">"), std::string::npos);
}

// GPX wants -180 <= lon < 180: a fix at 180 degrees east is written at 180 degrees west, in the
// track and in its waypoint.
TEST(GpxWriter, LongitudeOf180IsWrittenAsMinus180)
{
    const std::string gpx = Convert({ RecordLine("010000", "3539.1", "18000.0", "010107"),
                                        RecordLine("010100", "3539.2", "18000.0", "010107") },
        Settings());
    EXPECT_EQ(All(gpx, "<(?:trkpt|wpt) lat=\"[^\"]*\" lon=\"([^\"]*)\""),
        (std::vector<std::string> { "-180.00000000", "-180.00000000" }));
}

// A gap of at least the split's minutes between kept fixes starts a new trkseg; a route that starts
// again at its first fix (the first record out of the time asked for) opens no empty one. The
// length leaves out the jump across the gap, which no segment draws.
TEST(GpxWriter, AGapStartsATrackSegment)
{
    TTempDir dir;
    const auto length = [&](const std::vector<std::string>& lines, int splitGapMin) {
        std::string log;
        for (const std::string& line : lines)
            log += line + "\r\n";
        WriteFile(dir / "in.log", log);
        TConvertSettings settings = Settings();
        settings.TimeZoneHours = 0;
        settings.FromLocal = DayNumber(2007, 1, 1) + 3630 / 86400.0; // 01:00:30
        settings.SplitGapMin = splitGapMin;
        return ProcFile(dir / "in.log", dir / "out.gpx", settings).TotalMetres;
    };
    const std::vector<std::string> lines { RecordLine("010000", "3539.10", "13945.1", "010107"),
        RecordLine("010100", "3539.11", "13945.1", "010107"),
        RecordLine("010200", "3539.12", "13945.1", "010107"),
        RecordLine("012000", "3539.40", "13945.1", "010107"), // 18 minutes later, 518 m on
        RecordLine("012100", "3539.41", "13945.1", "010107") };
    const double whole = length(lines, 0);
    const double jump = length({ lines[2], lines[3] }, 0);
    const double split = length(lines, 10);
    const std::string gpx = ReadFile(dir / "out.gpx");
    std::vector<std::size_t> segments;
    for (std::size_t at = gpx.find("<trkseg>"); at != std::string::npos;
         at = gpx.find("<trkseg>", at + 1)) {
        const std::string segment = gpx.substr(at, gpx.find("</trkseg>", at) - at);
        segments.push_back(All(segment, "(<trkpt )").size());
    }
    EXPECT_EQ(segments, (std::vector<std::size_t> { 2, 2 }));
    EXPECT_GT(jump, 500.0);
    EXPECT_NEAR(split, whole - jump, 1e-6);
}

// A track far longer than what is held in memory keeps every point in order, after the
// waypoints, and leaves nothing beside the output.
TEST(GpxWriter, LongTrackKeepsItsOrder)
{
    TTempDir dir;
    std::string log;
    constexpr int kFixes = 20000; // about 1.7 MB of track points
    for (int i = 0; i <= kFixes; ++i) {
        const int t = i % 86400;
        char time[8], lat[16];
        std::snprintf(time, sizeof time, "%02d%02d%02d", t / 3600, t / 60 % 60, t % 60);
        std::snprintf(lat, sizeof lat, "3539.%06d", i);
        log += RecordLine(time, lat, "13945.1", "010107") + "\r\n";
    }
    WriteFile(dir / "in.log", log);
    ProcFile(dir / "in.log", dir / "out.gpx", Settings());
    const std::string gpx = ReadFile(dir / "out.gpx");
    const std::vector<std::string> times = All(gpx, "<trkpt [^>]*><time>[^T]*T([^<]*)</time>");
    ASSERT_EQ(times.size(), static_cast<std::size_t>(kFixes));
    EXPECT_EQ(times.front(), "00:00:01Z");
    EXPECT_EQ(times[3599], "01:00:00Z");
    EXPECT_EQ(times.back(), "05:33:20Z");
    // Waypoints from the first kept fix on, 2 minutes apart or that and one second, as the
    // rounding of the stored day counts decides for fixes exactly 2 minutes on.
    const std::vector<std::string> marks = All(gpx, "<wpt [^>]*>\r\n  <time>[^T]*T([^<]*)Z<");
    ASSERT_GT(marks.size(), 160u);
    EXPECT_EQ(marks.front(), "00:00:01");
    const auto seconds = [](const std::string& t) {
        return std::stoi(t.substr(0, 2)) * 3600 + std::stoi(t.substr(3, 2)) * 60
            + std::stoi(t.substr(6, 2));
    };
    for (std::size_t i = 1; i < marks.size(); ++i) {
        const int gap = seconds(marks[i]) - seconds(marks[i - 1]);
        EXPECT_TRUE(gap == 120 || gap == 121) << marks[i - 1] << " to " << marks[i];
    }
    EXPECT_LT(gpx.rfind("</wpt>"), gpx.find("<trk>"));
    EXPECT_EQ(gpx.substr(gpx.size() - 29), "  </trkseg>\r\n</trk>\r\n</gpx>\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

} // namespace
} // namespace ostrel
