#include "conversion/conversion.h"
#include "core/errors.h"
#include "core/test_support.h"
#include "geo/track.h"
#include "geo/travel_modes.h"

#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::RecordLine;
using test::TTempDir;
using test::WriteFile;

// What a sink was told, one line per call.
class TRecordingSink final : public TTrackSink
{
public:
    std::vector<std::string> Calls;

    void Begin(const TGPSRec& first, double, const TPlanePoint& point) override
    {
        Calls.push_back("begin " + first.TimeText + " at " + std::to_string(point.X));
    }
    void Fix(const TTrackFix& fix) override
    {
        Calls.push_back("fix " + fix.Rec.TimeText + " shift "
            + std::to_string(std::lround((fix.Rec.DateTime - fix.UtcDateTime) * 24)) + " total "
            + std::to_string(std::lround(fix.TotalMetres)));
    }
    void Dropped(const TTrackDrop& drop) override
    {
        Calls.push_back(
            "dropped " + drop.Rec.TimeText + " " + std::string(DropCauseWords(drop.Cause)));
    }
    void End(double totalMetres, const TTrackCounts&) override
    {
        Calls.push_back("end " + std::to_string(std::lround(totalMetres)));
    }
};

// The stream hands each record to the sink as the filter judged it, with the time shift on the
// record and the log's own time beside it, and counts every line by what it was.
TEST(Track, EveryLineCountedEveryFixHandedOnInOrder)
{
    TTempDir dir;
    const std::string log = "header\r\n" // not a record
        + RecordLine("010000", "3539.0000", "13945.0000", "010107") + "\r\n"
        + RecordLine("010100", "3539.1000", "13945.0000", "010107") + "\r\n" // 185 m in 60 s
        + RecordLine("010100", "3539.1500", "13945.0000", "010107") + "\r\n" // the same time
        + "a line of other length\r\n" + RecordLine("010101", "3549.0000", "13945.0000", "010107")
        + "\r\n" // 18 km in 1 s
        + RecordLine("010200", "3539.2000", "13945.0000", "010107") + "\r\n";
    WriteFile(dir / "in.log", log);
    TLogReader reader(dir / "in.log");
    TRecordingSink sink;
    TTrackOptions options;
    options.SpeedLimitKmh = 25.0;
    options.TimeShiftDays = 9.0 / 24;
    options.CurrentYear = 2026;
    const TTrackResult result = StreamTrack(reader, options, sink);

    EXPECT_EQ(sink.Calls,
        (std::vector<std::string> { "begin 010000 at 0.000000", "fix 010100 shift 9 total 185",
            "dropped 010100 repeated time", "dropped 010101 too fast",
            "fix 010200 shift 9 total 370", "end 370" }));
    TTrackCounts expected;
    expected.Records = 5;
    expected.Kept = 2;
    expected.DroppedBy(TDropCause::TooFast) = 1;
    expected.DroppedBy(TDropCause::RepeatedTime) = 1;
    expected.OtherLines = 2;
    EXPECT_EQ(result.Counts, expected);
    EXPECT_EQ(std::lround(result.TotalMetres), 370);
}

// An error of a record names the record's line, counted from 1 over every line of the log; a log
// without records names none, and the stamp of the first record names its line too.
TEST(Track, RecordErrorsNameTheirLine)
{
    TTempDir dir;
    const std::string good = RecordLine("010000", "3539.0000", "13945.0000", "010107");
    // The same error on one thread and with the records parsed on three, in blocks of two.
    const auto errorOf = [&](const std::string& log, unsigned threads) -> std::string {
        WriteFile(dir / "in.log", log);
        TLogReader reader(dir / "in.log");
        TRecordingSink sink;
        TTrackOptions options;
        options.CurrentYear = 2026;
        options.Threads = threads;
        options.BlockLines = 2;
        try {
            StreamTrack(reader, options, sink);
        } catch (const Error& error) {
            return std::to_string(error.Line().value_or(0)) + " " + error.what();
        }
        ADD_FAILURE() << "no error";
        return {};
    };
    const auto lineOfError = [&](const std::string& log) -> std::optional<std::uint64_t> {
        const std::string error = errorOf(log, 1);
        EXPECT_EQ(errorOf(log, 3), error);
        return std::stoull(error);
    };
    const std::string badTime = RecordLine("250000", "3539.0000", "13945.0000", "010107");
    // The first record, after two other lines.
    EXPECT_EQ(lineOfError("head\r\n\r\n" + badTime + "\r\n"), 3u);
    // A later record, after a lone LF and a CR LF line end.
    EXPECT_EQ(lineOfError(good + "\nother\r\n" + good + "\r\n" + badTime + "\r\n"), 4u);
    // A position past the pole, and one past 180 degrees east.
    EXPECT_EQ(lineOfError(good + "\r\n" + RecordLine("010100", "9100.0000", "13945.0000", "010107")
                  + "\r\n"),
        2u);
    EXPECT_EQ(lineOfError("head\r\n" + good + "\r\n"
                  + RecordLine("010100", "3539.0000", "18000.0001", "010107") + "\r\n"),
        3u);
    // The first of two bad records, blocks after the first, with good ones around them.
    std::string log = good + "\r\n";
    for (int i = 0; i < 9; ++i)
        log += RecordLine("0101" + std::to_string(10 + i), "3539.0000", "13945.0000", "010107")
            + "\r\n";
    EXPECT_EQ(lineOfError(log + badTime + "\r\n" + good + "\r\nx\r\n" + badTime + "\r\n"), 11u);
    // No record line at all: the error is about no line (0 here).
    EXPECT_EQ(lineOfError("only a header\r\n"), 0u);

    WriteFile(dir / "stamp.log", "head\r\n" + badTime + "\r\n");
    try {
        FirstRecordStamp(dir / "stamp.log", 2026);
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.Line(), 2u);
        EXPECT_EQ(error.Kind(), TErrorKind::TimeConversion);
    }
}

// The window's buttons and the command line's --mode read one table.
TEST(TravelModes, NamesCaptionsAndLimits)
{
    std::vector<std::string> modes;
    for (const TTravelMode& mode : TravelModes())
        modes.push_back(std::string(mode.Name) + " " + std::string(mode.Caption) + " "
            + std::to_string(mode.LimitKmh));
    EXPECT_EQ(modes,
        (std::vector<std::string> { "walk 徒歩(~10km/h) 10.000000",
            "jog ジョギング(~25km/h) 25.000000", "bicycle 自転車(~70km/h) 70.000000",
            "car 自動車(~150km/h) 150.000000" }));
    EXPECT_EQ(TravelModeNamed("jog"), &TravelModes()[1]);
    EXPECT_EQ(TravelModeNamed("Walk"), nullptr);
}

} // namespace
} // namespace ostrel
