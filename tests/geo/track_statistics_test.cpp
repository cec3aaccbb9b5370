#include "core/test_support.h"
#include "geo/track_statistics.h"
#include "log/log_reader.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::RecordLine;
using test::TTempDir;
using test::WriteFile;

// The numbers of a track: it starts at the first record; a standing fix (below 1 km/h) adds no
// moving time; a dropped fix counts nowhere but in the counts; the box holds the first record.
TEST(TrackStatistics, OfTheKeptTrack)
{
    TTempDir dir;
    const std::string log = RecordLine("010000", "3539.0000", "13945.0000", "010107") + "\r\n"
        + RecordLine("010100", "3539.1000", "13945.0000", "010107") + "\r\n" // 185 m in 60 s
        + RecordLine("010400", "3539.1000", "13945.0000", "010107") + "\r\n" // standing 180 s
        + RecordLine("010401", "3549.0000", "13946.0000", "010107") + "\r\n" // too fast
        + RecordLine("010500", "3538.9000", "13944.9000", "010107") + "\r\n"; // 370 m in 60 s
    WriteFile(dir / "in.log", log);
    TLogReader reader(dir / "in.log");
    TStatisticsSink sink;
    TTrackOptions options;
    options.SpeedLimitKmh = 70.0;
    options.TimeShiftDays = 9.0 / 24; // the statistics stay in UTC
    options.CurrentYear = 2026;
    const TTrackResult result = StreamTrack(reader, options, sink);
    const TTrackStatistics& s = sink.Statistics();
    EXPECT_DOUBLE_EQ(s.StartUtc, 39083 + 1.0 / 24);
    EXPECT_DOUBLE_EQ(s.EndUtc, 39083 + 1.0 / 24 + 5.0 / 1440);
    EXPECT_NEAR(s.DurationSeconds(), 300, 1e-6);
    EXPECT_NEAR(s.MovingSeconds(), 120, 1e-6);
    EXPECT_NEAR(s.MovingMetres, result.TotalMetres, 1e-9);
    EXPECT_NEAR(
        s.AverageSpeedKmh(result.TotalMetres), result.TotalMetres / 1000 / (300.0 / 3600), 1e-6);
    EXPECT_NEAR(s.MovingSpeedKmh(), result.TotalMetres / 1000 / (120.0 / 3600), 1e-6);
    EXPECT_GT(s.MaxSpeedKmh, 20.0); // the last fix, about 22 km/h
    EXPECT_LT(s.MaxSpeedKmh, 25.0);
    EXPECT_DOUBLE_EQ(s.MinLat, 35 + 38.9 / 60);
    EXPECT_DOUBLE_EQ(s.MaxLat, 35 + 39.1 / 60);
    EXPECT_DOUBLE_EQ(s.MinLon, 139 + 44.9 / 60);
    EXPECT_DOUBLE_EQ(s.MaxLon, 139 + 45.0 / 60);
    EXPECT_EQ(result.Counts.DroppedBy(TDropCause::TooFast), 1u);
}

} // namespace
} // namespace ostrel
