#include "core/test_support.h"

#include <gtest/gtest.h>
#include <sstream>

namespace ostrel {
namespace {

using test::RecordLine;

// The line and fate columns of every row.
std::vector<std::string> LinesAndFates(const std::string& csv)
{
    std::vector<std::string> rows;
    std::istringstream in(csv);
    std::string row;
    std::getline(in, row); // the header
    while (std::getline(in, row)) {
        std::vector<std::string> cells;
        std::istringstream fields(row);
        for (std::string cell; std::getline(fields, cell, ',');)
            cells.push_back(cell);
        rows.push_back(cells.at(0) + " " + cells.at(5));
    }
    return rows;
}

// The robust filter finds the first record an outlier only once the run after it is long enough:
// the first record's row still comes first, with its reason, then the rows held meanwhile (a
// fix of the first record's time, dropped at once while the fix before it waited), then the run.
// Its line is counted among the log's other lines.
TEST(CsvWriter, AFirstRecordDroppedLateStillComesFirstWithItsReason)
{
    TConvertSettings settings = test::Settings();
    settings.SpeedLimitKmh = 25;
    settings.RobustFilter = true;
    settings.RobustRun = 3;
    const std::string csv = test::ConvertLines(
        { "@Sonygps/ver1.0/wgs-84", RecordLine("010000", "3600.0", "13945.0", "010107"),
            RecordLine("010010", "3539.0", "13945.0", "010107"),
            RecordLine("010000", "3539.0", "13945.0", "010107"),
            RecordLine("010020", "3539.0", "13945.01", "010107"),
            RecordLine("010030", "3539.0", "13945.02", "010107"),
            RecordLine("010040", "3539.0", "13945.03", "010107") },
        settings, "out.csv");
    EXPECT_EQ(LinesAndFates(csv),
        (std::vector<std::string> {
            "2 outlier start", "4 repeated time", "3 kept", "5 kept", "6 kept", "7 kept" }));
    // Nothing is measured for the dropped first record; the repeated time's distance is.
    EXPECT_NE(csv.find("\r\n2,2007-01-01T01:00:00Z,2007-01-01T10:00:00+09:00,36.00000000,"
                       "139.75000000,outlier start,,,0.000000\r\n"),
        std::string::npos);
}

} // namespace
} // namespace ostrel
