// The converter's outputs for the logs under tests/data, compared byte for byte with files that
// were worked out independently.

#include "conversion/conversion.h"
#include "core/test_support.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::FirstDifference;
using test::ReadFile;
using test::TTempDir;

const fs::path kData = OSTREL_TEST_DATA;

struct TGoldenCase
{
    const char* Name;
    const char* Folder;
    const char* Expected;
    double SpeedLimitKmh;
    int TimeZoneHours;
    int IntervalMin;
    bool WayPoints;
    int OpacityPercent;
    std::uint32_t Color; // 0x00BBGGRR
    const char* Message;
    int KmlVersion = 21;
    bool KmlTrack = false;
};

const TGoldenCase kCases[] = {
    { "WalkNmea", "walk", "expected.log", 10, 9, 2, true, 66, 0x0000FF,
        "The passway length = 0.47 km" },
    { "WalkKml", "walk", "expected.kml", 10, 9, 2, true, 66, 0x0000FF,
        "The passway length = 0.47 km" },
    { "WalkKmlNoWaypoints", "walk", "expected_nowaypoints.kml", 10, 9, 2, false, 66, 0x0000FF,
        "The passway length = 0.47 km" },
    { "MidnightNmea", "midnight", "expected.log", 70, 9, 1, true, 100, 0xFFFFFF,
        "The passway length = 1.62 km" },
    { "MidnightKml", "midnight", "expected.kml", 70, 9, 1, true, 100, 0xFFFFFF,
        "The passway length = 1.62 km" },
    { "SingleNmea", "single", "expected.log", 10, 9, 2, true, 10, 0x000000,
        "The passway length = 0.00 km" },
    { "SingleKml", "single", "expected.kml", 10, 9, 2, true, 10, 0x000000,
        "The passway length = 0.00 km" },
    { "DroppedNmea", "dropped", "expected.log", 10, 9, 2, true, 10, 0x000000,
        "The passway length = 0.00 km" },
    { "DroppedKml", "dropped", "expected.kml", 10, 9, 2, true, 10, 0x000000,
        "The passway length = 0.00 km" },
    { "WalkKml22", "walk", "expected_kml22.kml", 10, 9, 2, true, 66, 0x0000FF,
        "The passway length = 0.47 km", 22 },
    { "WalkKmlTrack", "walk", "expected_track.kml", 10, 9, 2, true, 66, 0x0000FF,
        "The passway length = 0.47 km", 21, true },
    { "WalkGpx", "walk", "expected.gpx", 10, 9, 2, true, 66, 0x0000FF,
        "The passway length = 0.47 km" },
    { "WalkGpxNoWaypoints", "walk", "expected_nowaypoints.gpx", 10, 9, 2, false, 66, 0x0000FF,
        "The passway length = 0.47 km" },
    { "MidnightGpx", "midnight", "expected.gpx", 70, 9, 1, true, 100, 0xFFFFFF,
        "The passway length = 1.62 km" },
    { "SingleGpx", "single", "expected.gpx", 10, 9, 2, true, 10, 0x000000,
        "The passway length = 0.00 km" },
    { "WalkGeoJson", "walk", "expected.geojson", 10, 9, 2, true, 66, 0x0000FF,
        "The passway length = 0.47 km" },
    { "MidnightGeoJson", "midnight", "expected.geojson", 70, 9, 1, true, 100, 0xFFFFFF,
        "The passway length = 1.62 km" },
    { "SingleGeoJson", "single", "expected.geojson", 10, 9, 2, true, 10, 0x000000,
        "The passway length = 0.00 km" },
    { "DroppedGeoJson", "dropped", "expected.geojson", 10, 9, 2, true, 10, 0x000000,
        "The passway length = 0.00 km" },
    { "WalkCsv", "walk", "expected.csv", 10, 9, 2, true, 66, 0x0000FF,
        "The passway length = 0.47 km" },
    { "MidnightCsv", "midnight", "expected.csv", 70, 9, 1, true, 100, 0xFFFFFF,
        "The passway length = 1.62 km" },
    { "SingleCsv", "single", "expected.csv", 10, 9, 2, true, 10, 0x000000,
        "The passway length = 0.00 km" },
    { "DroppedCsv", "dropped", "expected.csv", 10, 9, 2, true, 10, 0x000000,
        "The passway length = 0.00 km" },
};

// The expected file, with the build's version in place of "@VERSION@" (the GPX creator), so
// that a release changes no expected file.
std::string Expected(const fs::path& path)
{
    std::string text = ReadFile(path);
    constexpr std::string_view kMark = "@VERSION@";
    for (std::size_t at = text.find(kMark); at != std::string::npos; at = text.find(kMark, at))
        text.replace(at, kMark.size(), OSTREL_VERSION);
    return text;
}

class Golden : public testing::TestWithParam<TGoldenCase>
{
};

TEST_P(Golden, OutputIsByteForByteTheExpectedFile)
{
    const TGoldenCase& c = GetParam();
    TConvertSettings settings;
    settings.SpeedLimitKmh = c.SpeedLimitKmh;
    settings.TimeZoneHours = c.TimeZoneHours;
    settings.WaypointIntervalMin = c.IntervalMin;
    settings.WayPoints = c.WayPoints;
    settings.OpacityPercent = c.OpacityPercent;
    settings.WaypointColor = c.Color;
    settings.CurrentYear = 2026;
    settings.KmlVersion = c.KmlVersion;
    settings.KmlTrack = c.KmlTrack;

    // On one thread, then with the records shared out among three from the first line on, in
    // blocks so small that every place of a record in a block is reached.
    for (const std::uint32_t blockLines : { 0u, 1u, 2u, 3u }) {
        SCOPED_TRACE(blockLines ? "blocks of " + std::to_string(blockLines) : "one thread");
        if (blockLines) {
            settings.Threads = 3;
            settings.TrackBlockLines = blockLines;
            settings.ThreadsFromLines = 0;
        }
        TTempDir dir;
        const fs::path output = dir / ("out" + fs::path(c.Expected).extension().string());
        const fs::path input = kData / c.Folder / "input.log";
        const std::string before = ReadFile(input);
        const TConversionResult result = ProcFile(input, output, settings);
        EXPECT_EQ(result.LengthMessage, c.Message);
        const std::string difference
            = FirstDifference(Expected(kData / c.Folder / c.Expected), ReadFile(output));
        EXPECT_TRUE(difference.empty()) << difference;
        EXPECT_EQ(ReadFile(input), before);
        // Nothing but the output is left in the folder.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Logs, Golden, testing::ValuesIn(kCases),
    [](const testing::TestParamInfo<TGoldenCase>& info) { return info.param.Name; });

} // namespace
} // namespace ostrel
