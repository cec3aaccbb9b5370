// The golden logs of tests/data through the command line: the options reach the writers, and
// the outputs are byte for byte the expected files, named or under their default names.

#include "cli_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel::cli::test {
namespace {

using ostrel::test::FirstDifference;

const fs::path kData = OSTREL_TEST_DATA;

struct TGoldenCase
{
    const char* Name;
    const char* Folder;
    const char* Expected;
    std::vector<std::string> Options;
    const char* Message;
};

const std::vector<TGoldenCase>& GoldenCases()
{
    static const std::vector<TGoldenCase> cases = {
        { "WalkNmea", "walk", "expected.log", { "-m", "walk" }, "The passway length = 0.47 km" },
        { "WalkKml", "walk", "expected.kml", { "--color", "FF0000" },
            "The passway length = 0.47 km" },
        { "WalkKmlNoWaypoints", "walk", "expected_nowaypoints.kml",
            { "--no-waypoints", "-z", "+9" }, "The passway length = 0.47 km" },
        { "MidnightNmea", "midnight", "expected.log", { "--mode=bicycle" },
            "The passway length = 1.62 km" },
        { "MidnightKml", "midnight", "expected.kml",
            { "-m", "bicycle", "-i", "1", "--opacity", "100", "--color", "ffffff" },
            "The passway length = 1.62 km" },
        { "SingleKml", "single", "expected.kml", { "--opacity=10", "--color=000000" },
            "The passway length = 0.00 km" },
        { "DroppedNmea", "dropped", "expected.log", { "-s", "10" },
            "The passway length = 0.00 km" },
        { "MidnightGeoJson", "midnight", "expected.geojson", { "-m", "bicycle", "-i", "1" },
            "The passway length = 1.62 km" },
        { "WalkCsv", "walk", "expected.csv", { "-z", "9" }, "The passway length = 0.47 km" },
    };
    return cases;
}

TEST(CommandLineGoldenTest, NamedOutputsAreTheExpectedFiles)
{
    for (const TGoldenCase& c : GoldenCases()) {
        SCOPED_TRACE(c.Name);
        TTempDir dir;
        const fs::path output = dir / ("out" + fs::path(c.Expected).extension().string());
        const fs::path input = kData / c.Folder / "input.log";
        std::vector<std::string> args = c.Options;
        args.insert(args.end(), { "-o", Text(output), Text(input) });
        const TRunResult run = RunCli(args);
        EXPECT_EQ(run.Status, 0);
        EXPECT_EQ(run.Err, "");
        EXPECT_EQ(run.Out, Text(output) + ": " + c.Message + "\n");
        const std::string difference
            = FirstDifference(ReadFile(kData / c.Folder / c.Expected), ReadFile(output));
        EXPECT_TRUE(difference.empty()) << difference;
    }
}

// Two logs with the same first record in one folder, converted side by side: the second output
// takes the counter form of the name, and each is its own expected document.
TEST(CommandLineGoldenTest, BatchBesideTheLogs)
{
    TTempDir dir;
    WriteFile(dir / "single.log", ReadFile(kData / "single" / "input.log"));
    WriteFile(dir / "dropped.log", ReadFile(kData / "dropped" / "input.log"));
    WriteFile(dir / "walk.log", ReadFile(kData / "walk" / "input.log"));
    const TRunResult run
        = RunCli({ "-j", "2", "--opacity", "10", "--color", "000000", Text(dir / "single.log"),
            Text(dir / "dropped.log"), "-t", "nmea", Text(dir / "walk.log") });
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out,
        Text(dir / "WG20070512030405.log") + ": The passway length = 0.00 km\n"
            + Text(dir / "WG20070512030405_1.log") + ": The passway length = 0.00 km\n"
            + Text(dir / "WG20070101010000.log") + ": The passway length = 0.47 km\n");
    for (const auto& [output, expected] : {
             std::pair { "WG20070512030405.log", kData / "single" / "expected.log" },
             std::pair { "WG20070512030405_1.log", kData / "dropped" / "expected.log" },
             std::pair { "WG20070101010000.log", kData / "walk" / "expected.log" },
         }) {
        SCOPED_TRACE(output);
        const std::string difference = FirstDifference(ReadFile(expected), ReadFile(dir / output));
        EXPECT_TRUE(difference.empty()) << difference;
    }
}

} // namespace
} // namespace ostrel::cli::test
