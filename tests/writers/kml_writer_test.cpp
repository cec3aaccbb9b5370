#include "conversion/conversion.h"
#include "core/test_support.h"
#include "writers/kml_writer.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::RecordLine;
using test::TTempDir;
using test::WriteFile;

TEST(KmlWriter, ColorElement)
{
    EXPECT_EQ(ColorElement(66, 0x0000FF), "<color>A80000FF</color>"); // red is the low byte
    EXPECT_EQ(ColorElement(100, 0xFFFFFF), "<color>FFFFFFFF</color>");
    EXPECT_EQ(ColorElement(10, 0x000000), "<color>19000000</color>");
    EXPECT_EQ(ColorElement(50, 0x123456), "<color>7F123456</color>");
    // Out of range opacities are held to 10..100 and a stray top byte is ignored.
    EXPECT_EQ(ColorElement(150, 0xAB000000), "<color>FF000000</color>");
    EXPECT_EQ(ColorElement(-3, 0), "<color>19000000</color>");
}

TEST(KmlWriter, HeadingShown)
{
    EXPECT_EQ(HeadingShown(12.94), 12);
    EXPECT_EQ(HeadingShown(12.96), 13);
    EXPECT_EQ(HeadingShown(359.96), 360);
    EXPECT_EQ(HeadingShown(360.0), 360);
    EXPECT_EQ(HeadingShown(0.0), 0);
    EXPECT_EQ(HeadingShown(53.130102), 53);
    EXPECT_EQ(HeadingShown(89.95), 90); // 89.95 is just above the half in binary
}

TEST(KmlWriter, CoordinateLineHasFiveDecimals)
{
    TGPSRec rec;
    rec.Lon = 139.7520576;
    rec.Lat = 35.6520576;
    EXPECT_EQ(FormatCoordinateLine(rec), "139.75206,35.65206,0\r\n");
    rec.Lon = 5.5;
    rec.Lat = 0.000004;
    EXPECT_EQ(FormatCoordinateLine(rec), "5.50000,0.00000,0\r\n");
}

// The KML document of a log made of the given lines, with the settings given.
std::string Convert(const std::vector<std::string>& lines, const TConvertSettings& settings)
{
    return test::ConvertLines(lines, settings, "out.kml");
}

TConvertSettings Settings(int timeZone)
{
    TConvertSettings settings;
    settings.TimeZoneHours = timeZone;
    settings.CurrentYear = 2026;
    return settings;
}

TEST(KmlWriter, DocumentNameIsTheFirstRecordInLocalTime)
{
    const std::string east
        = Convert({ RecordLine("010000", "3539.1", "13945.1", "010107") }, Settings(9));
    EXPECT_NE(east.find("\r\n<name>07/01/01, 10:00</name>\r\n"), std::string::npos);
    const std::string west
        = Convert({ RecordLine("050000", "3539.1", "13945.1", "010107") }, Settings(-11));
    EXPECT_NE(west.find("\r\n<name>06/12/31, 18:00</name>\r\n"), std::string::npos);

    TConvertSettings regional = Settings(9);
    regional.Separators = { ",", "-", "." };
    const std::string named
        = Convert({ RecordLine("010000", "3539.1", "13945.1", "010107") }, regional);
    EXPECT_NE(named.find("\r\n<name>07-01-01, 10.00</name>\r\n"), std::string::npos);
}

// Separators of any kind reach the document's name, the placemarks' names and their tables (HTML
// in a CDATA section) as escaped text, so that the document stays well-formed.
TEST(KmlWriter, RegionalSeparatorsAreEscaped)
{
    TConvertSettings settings = Settings(0);
    settings.SpeedLimitKmh = 150;
    settings.Separators = { "&", "<", "\"" };
    const std::string kml = Convert({ RecordLine("010000", "3539.1", "13945.1", "010107"),
                                        RecordLine("010100", "3539.2", "13945.1", "010107") },
        settings);
    EXPECT_NE(kml.find("\r\n<name>07&lt;01&lt;01, 01\"00</name>\r\n"), std::string::npos);
    EXPECT_NE(kml.find("<Placemark>\r\n  <name>01\"01 (0&amp;2km)</name>\r\n"), std::string::npos);
    EXPECT_NE(kml.find("    <tr><td>07&lt;01&lt;01 01\"01\"00 (0&amp;2km)</td></tr>\r\n"
                       "    <tr><td>11&amp;1km/h</td></tr>\r\n"
                       "    <tr><td>Heading 360</td></tr>\r\n"),
        std::string::npos);
    // Every "&" starts a reference.
    for (std::size_t at = kml.find('&'); at != std::string::npos; at = kml.find('&', at + 1)) {
        const std::string_view rest = std::string_view(kml).substr(at);
        EXPECT_TRUE(rest.starts_with("&amp;") || rest.starts_with("&lt;")
            || rest.starts_with("&gt;") || rest.starts_with("&#"))
            << rest.substr(0, 12);
    }
}

TEST(KmlWriter, PlacemarksEveryThirdFixAtFiftySecondsWithTwoMinutes)
{
    std::vector<std::string> lines;
    for (int i = 0; i <= 12; ++i) {
        const int t = 3600 + 50 * i;
        char time[16], lat[24];
        std::snprintf(time, sizeof time, "%02d%02d%02d", t / 3600, t / 60 % 60, t % 60);
        std::snprintf(lat, sizeof lat, "3539.%06d", 100000 + 500 * i);
        lines.push_back(RecordLine(time, lat, "13945.100000", "010107"));
    }
    const std::string kml = Convert(lines, Settings(0));
    std::vector<std::string> names;
    for (std::size_t at = kml.find("  <name>"); at != std::string::npos;
         at = kml.find("  <name>", at + 1))
        names.push_back(kml.substr(at + 8, 5));
    // Kept fixes at 01:00:50, 01:01:40, ...; placemarks at 50 s, 200 s, 350 s and 500 s.
    EXPECT_EQ(names, (std::vector<std::string> { "01:00", "01:03", "01:05", "01:08" }));
}

// A kept fix whose stored date-time lies exactly one interval after the last placemark's gets a
// placemark; one second short of it does not. Exact equality of the stored date-times needs day
// counts near day 0 (30 December 1899, a two-digit year in the window of 1930): from 00:02:03 to
// 00:04:03 the difference is exactly 2/24/60 as a double.
TEST(KmlWriter, PlacemarkExactlyOneIntervalAfterTheLast)
{
    TConvertSettings settings = Settings(0);
    settings.CurrentYear = 1930;
    const std::string kml = Convert({ RecordLine("000000", "3539.0000", "13945.0000", "301299"),
                                        RecordLine("000203", "3539.0010", "13945.0000", "301299"),
                                        RecordLine("000403", "3539.0020", "13945.0000", "301299"),
                                        RecordLine("000602", "3539.0030", "13945.0000", "301299") },
        settings);
    std::vector<std::string> names;
    for (std::size_t at = kml.find("  <name>"); at != std::string::npos;
         at = kml.find("  <name>", at + 1))
        names.push_back(kml.substr(at + 8, 5));
    EXPECT_EQ(names, (std::vector<std::string> { "00:02", "00:04" }));
}

TEST(KmlWriter, TemplateLinesThreeAndNineteenCarryTheColour)
{
    TConvertSettings settings = Settings(9);
    settings.OpacityPercent = 66;
    settings.WaypointColor = 0x0000FF;
    settings.StyleTemplate[2] = "line three is replaced whatever it holds";
    settings.StyleTemplate[5] = "<!-- a line of the template as it stands -->";
    const std::string kml
        = Convert({ RecordLine("010000", "3539.1", "13945.1", "010107") }, settings);
    EXPECT_EQ(kml.find("line three"), std::string::npos);
    EXPECT_NE(kml.find("\r\n<!-- a line of the template as it stands -->\r\n"), std::string::npos);
    EXPECT_NE(kml.find("\r\n  <IconStyle>\r\n<color>A80000FF</color>\r\n    <scale>1.3</scale>"),
        std::string::npos);
    EXPECT_NE(kml.find("\r\n  <IconStyle>\r\n<color>A80000FF</color>\r\n    <scale>1.1</scale>"),
        std::string::npos);
    EXPECT_NE(kml.find("</StyleMap>\r\n\r\n<Placemark>\r\n<name>Route</name>"), std::string::npos);
}

// A gap of at least the split's minutes starts a new line of the route placemark, in KML 2.1 and
// 2.2; a route that starts again at its first fix (the first record out of the time asked for)
// opens no empty one.
TEST(KmlWriter, AGapStartsANewLineOfTheRoute)
{
    TConvertSettings settings = Settings(0);
    settings.SpeedLimitKmh = 150;
    settings.FromLocal = DayNumber(2007, 1, 1) + 3630 / 86400.0; // 01:00:30
    settings.SplitGapMin = 10;
    for (const int version : { 21, 22 }) {
        SCOPED_TRACE(version);
        settings.KmlVersion = version;
        const std::string kml = Convert({ RecordLine("010000", "3539.10", "13945.1", "010107"),
                                            RecordLine("010100", "3539.11", "13945.1", "010107"),
                                            RecordLine("010200", "3539.12", "13945.1", "010107"),
                                            RecordLine("012000", "3539.40", "13945.1", "010107"),
                                            RecordLine("012100", "3539.41", "13945.1", "010107") },
            settings);
        const std::size_t from = kml.find("<MultiGeometry>");
        const std::size_t to = kml.find("</MultiGeometry>");
        ASSERT_LT(from, to);
        EXPECT_EQ(kml.substr(from, to - from),
            "<MultiGeometry>\r\n"
            "<LineString>\r\n<coordinates>\r\n"
            "139.75167,35.65183,0\r\n139.75167,35.65200,0\r\n"
            "</coordinates>\r\n</LineString>\r\n"
            "<LineString>\r\n<coordinates>\r\n"
            "139.75167,35.65667,0\r\n139.75167,35.65683,0\r\n"
            "</coordinates>\r\n</LineString>\r\n");
    }
}

// A timed route: a gx:Track of the kept fixes' UTC times and coordinates; a gap makes it a
// gx:MultiTrack of one track per segment.
TEST(KmlWriter, TimedTrackHasATimePerFixAndATrackPerSegment)
{
    TConvertSettings settings = Settings(9);
    settings.SpeedLimitKmh = 150;
    settings.KmlTrack = true;
    settings.SplitGapMin = 10;
    const std::string kml = Convert({ RecordLine("010000", "3539.10", "13945.1", "010107"),
                                        RecordLine("010100", "3539.11", "13945.1", "010107"),
                                        RecordLine("012000", "3539.40", "13945.1", "010107"),
                                        RecordLine("012100", "3539.41", "13945.1", "010107") },
        settings);
    EXPECT_NE(kml.find("xmlns:gx=\"http://www.google.com/kml/ext/2.2\""), std::string::npos);
    const std::size_t from = kml.find("<gx:MultiTrack>");
    const std::size_t to = kml.find("</gx:MultiTrack>");
    ASSERT_LT(from, to);
    EXPECT_EQ(kml.substr(from, to - from),
        "<gx:MultiTrack>\r\n"
        "<gx:Track>\r\n<when>2007-01-01T01:01:00Z</when>\r\n"
        "<gx:coord>139.75167 35.65183 0</gx:coord>\r\n</gx:Track>\r\n"
        "<gx:Track>\r\n<when>2007-01-01T01:20:00Z</when>\r\n<when>2007-01-01T01:21:00Z</when>\r\n"
        "<gx:coord>139.75167 35.65667 0</gx:coord>\r\n<gx:coord>139.75167 35.65683 0</gx:coord>\r\n"
        "</gx:Track>\r\n");
}

TEST(KmlWriter, PlacemarkCoordinatesHaveFifteenSignificantDigits)
{
    const std::string kml
        = Convert({ RecordLine("010000", "3539.123456", "13945.123456", "010107"),
                      RecordLine("010100", "3539.123456", "13945.123456", "010107") },
            Settings(9));
    EXPECT_NE(kml.find("\r\n139.75206,35.65206,0\r\n"), std::string::npos);
    EXPECT_NE(kml.find("<coordinates>139.7520576,35.6520576,0</coordinates>"), std::string::npos);
    EXPECT_NE(kml.find("<tr><td>Heading 0</td></tr>"), std::string::npos); // no movement
    EXPECT_NE(kml.find("<tr><td>0.0km/h</td></tr>"), std::string::npos);
}

} // namespace
} // namespace ostrel
