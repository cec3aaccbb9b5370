// Logs merged into one output: their order, and the refusal of logs that overlap in time.

#include "conversion/merge.h"
#include "core/errors.h"
#include "core/test_support.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::RecordLine;
using test::TTempDir;
using test::WriteFile;

// A log of three fixes a minute apart from the minute given on 1 January 2007 (UTC).
std::string ThreeFixes(int minute)
{
    std::string log;
    for (int k = 0; k < 3; ++k) {
        char time[8], lat[16];
        std::snprintf(time, sizeof time, "%02d%02d00", (minute + k) / 60, (minute + k) % 60);
        std::snprintf(lat, sizeof lat, "3539.1%d", k);
        log += RecordLine(time, lat, "13945.1", "010107") + "\r\n";
    }
    return log;
}

struct TMerged
{
    std::optional<std::vector<std::size_t>> Order;
    TConversionResult Result;
    std::optional<std::size_t> FailedLog;
    std::string Error;
};

TMerged Merge(const std::vector<fs::path>& inputs, const fs::path& output)
{
    TMergeRequest request;
    request.Inputs = inputs;
    request.Output = output;
    request.Settings = test::Settings();
    request.Settings.Merge = true;
    TMerged merged;
    TMergeReport report;
    report.Converted = [&](const std::vector<std::size_t>& order, const TConversionResult& result) {
        merged.Order = order;
        merged.Result = result;
    };
    report.Failed = [&](std::optional<std::size_t> log, const std::exception_ptr& error) {
        merged.FailedLog = log;
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            merged.Error = e.what();
        }
    };
    MergeLogs(request, report);
    return merged;
}

// Given later log first, the merge takes them in the order of their first fixes: a track per log
// in GPX, named by its first record, and one length, the sum of the logs' own. A third log that
// starts before the one before it ends is refused, naming both, and nothing is written.
TEST(Merge, LogsInTheOrderOfTheirFirstFixesAndNoOverlap)
{
    TTempDir dir;
    WriteFile(dir / "late.log", ThreeFixes(180));
    WriteFile(dir / "early.log", ThreeFixes(60));
    const TMerged merged = Merge({ dir / "late.log", dir / "early.log" }, dir / "out.gpx");
    ASSERT_TRUE(merged.Order) << merged.Error;
    EXPECT_EQ(*merged.Order, (std::vector<std::size_t> { 1, 0 }));
    const std::string gpx = ReadFile(dir / "out.gpx");
    const std::size_t early = gpx.find("<trk>\r\n  <name>07/01/01, 10:00</name>");
    const std::size_t late = gpx.find("<trk>\r\n  <name>07/01/01, 12:00</name>");
    EXPECT_LT(early, late);
    EXPECT_NE(late, std::string::npos);
    EXPECT_EQ(merged.Result.Parts, 2u);
    const double alone
        = ProcFile(dir / "early.log", dir / "early.gpx", test::Settings()).TotalMetres
        + ProcFile(dir / "late.log", dir / "late.gpx", test::Settings()).TotalMetres;
    EXPECT_DOUBLE_EQ(merged.Result.TotalMetres, alone);
    EXPECT_EQ(merged.Result.Counts.Records, 6u);

    WriteFile(dir / "inside.log", ThreeFixes(61)); // 01:01 to 01:03, within early.log
    const TMerged refused
        = Merge({ dir / "late.log", dir / "early.log", dir / "inside.log" }, dir / "refused.kml");
    EXPECT_FALSE(refused.Order);
    EXPECT_EQ(refused.FailedLog, 2u);
    EXPECT_EQ(refused.Error,
        LogsOverlap((dir / "early.log").string(), (dir / "inside.log").string()).what());
    EXPECT_FALSE(fs::exists(dir / "refused.kml"));
}

} // namespace
} // namespace ostrel
