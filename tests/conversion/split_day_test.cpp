// A log split by local calendar day through the batch: the outputs, their names and order, and
// what each says of its day.

#include "conversion/batch.h"
#include "core/test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::RecordLine;
using test::TTempDir;
using test::WriteFile;

struct TDayOutput
{
    std::string Name;
    TConversionResult Result;
};

std::vector<TDayOutput> SplitByDay(const TBatchRequest& request)
{
    std::vector<TDayOutput> days;
    TBatchReport report;
    report.Converted
        = [&](std::size_t index, const fs::path& output, const TConversionResult& result) {
              EXPECT_EQ(index, 0u);
              days.push_back({ output.filename().string(), result });
          };
    report.Failed = [](std::size_t, const std::exception_ptr&) {
        ADD_FAILURE() << "failed";
    };
    EXPECT_TRUE(ConvertBatch(request, report));
    return days;
}

// Three local days (+9 h): the first day's output is the log's own default name and what its
// records alone convert to; each later day is named by its own first fix and begins its route
// there; the days' records and other lines add up to the log's. With a named output the days are
// its alternatives in day order.
TEST(SplitDay, OneOutputPerLocalDayInDayOrder)
{
    TTempDir dir;
    const std::vector<std::string> firstDay { RecordLine("145000", "3539.10", "13945.1", "010107"),
        RecordLine("145500", "3539.11", "13945.1", "010107"), "a line that is no record",
        RecordLine("145900", "3539.12", "13945.1", "010107") };
    const std::vector<std::string> laterDays { RecordLine("150500", "3539.13", "13945.1",
                                                   "010107"), // 00:05 on 2 January, local
        RecordLine("151000", "3539.14", "13945.1", "010107"), "another line",
        RecordLine("150000", "3539.15", "13945.1", "020107"), // 00:00 on 3 January, local
        RecordLine("150100", "3539.16", "13945.1", "020107"),
        RecordLine("150200", "3539.17", "13945.1", "020107") };
    std::string log;
    for (const std::string& line : firstDay)
        log += line + "\r\n";
    WriteFile(dir / "first-day.log", log);
    for (const std::string& line : laterDays)
        log += line + "\r\n";
    WriteFile(dir / "days.log", log);

    TBatchRequest request;
    request.Inputs = { dir / "days.log" };
    request.Settings = test::Settings();
    request.Settings.SplitDay = true;
    const std::vector<TDayOutput> days = SplitByDay(request);
    ASSERT_EQ(days.size(), 3u);
    EXPECT_EQ(days[0].Name, "WG20070101145000.kml");
    EXPECT_EQ(days[1].Name, "WG20070101150500.kml");
    EXPECT_EQ(days[2].Name, "WG20070102150000.kml");
    const TConversionResult alone
        = ProcFile(dir / "first-day.log", dir / "first-day.kml", test::Settings());
    EXPECT_EQ(ReadFile(dir / days[0].Name), ReadFile(dir / "first-day.kml"));
    EXPECT_EQ(days[0].Result.LengthMessage, alone.LengthMessage);
    const std::string second = ReadFile(dir / days[1].Name);
    EXPECT_NE(second.find("<name>07/01/02, 00:05</name>"), std::string::npos);
    EXPECT_NE(second.find("<coordinates>\r\n139.75167,35.65217,0\r\n139.75167,35.65233,0\r\n"
                          "</coordinates>"),
        std::string::npos);
    EXPECT_TRUE(second.ends_with("</Document>\r\n</kml>\r\n"));
    std::uint64_t records = 0, otherLines = 0;
    for (const TDayOutput& day : days) {
        records += day.Result.Counts.Records;
        otherLines += day.Result.Counts.OtherLines;
        EXPECT_EQ(day.Result.Parts, 3u);
        EXPECT_TRUE(day.Result.Cleaned);
    }
    EXPECT_EQ(records, 8u);
    EXPECT_EQ(otherLines, 2u);
    EXPECT_EQ(days[1].Result.Counts.Records, 2u);
    EXPECT_EQ(days[1].Result.Counts.OtherLines, 1u);

    request.Output = dir / "trip.gpx";
    const std::vector<TDayOutput> named = SplitByDay(request);
    ASSERT_EQ(named.size(), 3u);
    EXPECT_EQ(named[0].Name, "trip_1.gpx");
    EXPECT_EQ(named[1].Name, "trip_2.gpx");
    EXPECT_EQ(named[2].Name, "trip_3.gpx");
    EXPECT_NE(ReadFile(dir / "trip_3.gpx").find("<name>07/01/03, 00:00</name>"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "trip.gpx"));
}

} // namespace
} // namespace ostrel
