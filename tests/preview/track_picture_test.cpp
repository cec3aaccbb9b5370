#include "core/test_support.h"
#include "geo/track.h"
#include "log/gps_rec.h"
#include "preview/track_picture.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace ostrel {
namespace {

using test::RecordLine;
using test::TTempDir;
using test::WriteFile;

std::string Lines(std::initializer_list<std::string> lines)
{
    std::string log;
    for (const std::string& line : lines)
        log += line + "\r\n";
    return log;
}

TTrackPicture PictureOf(const std::filesystem::path& path, double limitKmh, int intervalMin,
    std::size_t maxVertices = 1 << 18, TTrackProgress* progress = nullptr)
{
    TLogReader reader(path);
    TPictureSink sink(intervalMin, maxVertices);
    TTrackOptions options;
    options.SpeedLimitKmh = limitKmh;
    options.CurrentYear = 2026;
    options.Progress = progress;
    StreamTrack(reader, options, sink);
    return sink.Take();
}

// A log of n fixes a second apart, to and fro along 92 m of a meridian (0.67 km/h).
std::string ToAndFro(int n)
{
    std::string log;
    for (int i = 0; i < n; ++i) {
        const int step = i % 1000 < 500 ? i % 1000 : 1000 - i % 1000;
        char time[7], date[7], lat[10];
        std::snprintf(time, sizeof time, "%02d%02d%02d", i / 3600 % 24, i / 60 % 60, i % 60);
        std::snprintf(date, sizeof date, "%02d0107", 1 + i / 86400);
        std::snprintf(lat, sizeof lat, "3539.%04d", step);
        log += RecordLine(time, lat, "13945.0000", date) + "\r\n";
    }
    return log;
}

// The picture holds the start, every kept fix, the drops by cause and the waypoints of the KML
// writer's rule, in plane metres with north as X.
TEST(TrackPicture, KeepsWhatTheFilterKeptAndMarksTheRest)
{
    TTempDir dir;
    WriteFile(dir / "in.log",
        Lines({ RecordLine("010000", "3539.0000", "13945.0000", "010107"),
            RecordLine("010100", "3539.1000", "13945.0000", "010107"), // 185 m north in 60 s
            RecordLine("010100", "3539.1500", "13945.0000", "010107"), // the same time
            RecordLine("010101", "3549.0000", "13945.0000", "010107"), // 18 km in 1 s
            RecordLine("010200", "3539.1000", "13945.1000", "010107") })); // 150 m east
    const TTrackPicture one = PictureOf(dir / "in.log", 25.0, 1);
    ASSERT_EQ(one.Track.size(), 3u);
    EXPECT_EQ(one.Track.front(), one.Start);
    EXPECT_EQ(one.Track.back(), one.End);
    EXPECT_NEAR(one.Track[1].North - one.Start.North, 185, 1);
    EXPECT_NEAR(one.Track[1].East - one.Start.East, 0, 0.5);
    EXPECT_NEAR(one.End.East - one.Track[1].East, 150, 2);
    ASSERT_EQ(one.Drops.size(), 2u);
    EXPECT_EQ(one.Drops[0].Counts[TDropCause::RepeatedTime], 1u);
    EXPECT_EQ(one.Drops[0].Counts[TDropCause::TooFast], 0u);
    EXPECT_EQ(one.Drops[1].Counts[TDropCause::TooFast], 1u);
    EXPECT_NEAR(one.Drops[1].Point.North - one.Start.North, 18500, 100);
    EXPECT_GT(one.Bounds.MaxNorth, 18000); // the dropped fix lies inside the bounds
    // Every kept fix 1 minute apart gets a place; at 2 minutes only the first kept fix.
    ASSERT_EQ(one.Waypoints.size(), 2u);
    EXPECT_EQ(one.Waypoints[0].Point, one.Track[1]);
    EXPECT_EQ(PictureOf(dir / "in.log", 25.0, 2).Waypoints.size(), 1u);
}

// The line is the route the writers write: it starts at the first kept fix when the first record
// was dropped, leaves out the fixes simplification took out of the route (a waypoint may still
// fall on one), and starts again where the route does.
TEST(TrackPicture, DrawsTheRouteOfTheCleaning)
{
    TTempDir dir;
    WriteFile(dir / "in.log",
        Lines({ RecordLine("010000", "3539.0000", "13945.0000", "010107"), // before --from
            RecordLine("010100", "3539.0100", "13945.0000", "010107"),
            RecordLine("010200", "3539.0200", "13945.0000", "010107"), // on the line: simplified
            RecordLine("010300", "3539.0300", "13945.0000", "010107"),
            RecordLine("013000", "3539.0300", "13945.0100", "010107"), // after a 27 min gap
            RecordLine("013100", "3539.0300", "13945.0200", "010107") }));
    TLogReader reader(dir / "in.log");
    TPictureSink sink(1);
    TTrackOptions options;
    options.SpeedLimitKmh = 25.0;
    options.CurrentYear = 2026;
    options.Cleaning.From = DayNumber(2007, 1, 1) + 3630 / 86400.0; // 01:00:30
    options.Cleaning.SimplifyM = 5;
    options.Cleaning.SplitGapDays = 10 / 1440.0;
    StreamTrack(reader, options, sink);
    const TTrackPicture picture = sink.Take();

    ASSERT_EQ(picture.Track.size(), 4u);
    EXPECT_EQ(picture.Track.front(), picture.Start);
    EXPECT_EQ(picture.Track.back(), picture.End);
    EXPECT_NEAR(picture.Track[1].North - picture.Start.North, 37, 1); // the 01:03 fix
    EXPECT_EQ(picture.Breaks, std::vector<std::size_t>({ 2 }));
    ASSERT_EQ(picture.Drops.size(), 1u);
    EXPECT_EQ(picture.Drops[0].Counts[TDropCause::OutsideTime], 1u);
    EXPECT_NEAR(picture.Start.North - picture.Drops[0].Point.North, 18.5, 0.5);
    ASSERT_GE(picture.Waypoints.size(), 2u);
    EXPECT_NEAR(picture.Waypoints[1].Point.North - picture.Start.North, 18.5, 0.5);

    TPictureView view;
    view.Fit(picture.Bounds, 400, 400, 10);
    EXPECT_EQ(Project(picture, view, 400, 400).Breaks, std::vector<std::size_t>({ 2 }));
}

// However many fixes, the picture stays within its limit, from the start to the last fix, and
// a progress that throws stops the stream.
TEST(TrackPicture, ThinsABigTrackToItsLimit)
{
    TTempDir dir;
    WriteFile(dir / "in.log", ToAndFro(70000));
    const TTrackPicture picture = PictureOf(dir / "in.log", 25.0, 2, 64);
    EXPECT_LE(picture.Track.size(), 64u);
    EXPECT_GE(picture.Track.size(), 2u);
    EXPECT_GT(picture.CellMetres, 0.25);
    EXPECT_EQ(picture.Track.front(), picture.Start);
    EXPECT_EQ(picture.Track.back(), picture.End);
    EXPECT_NEAR(picture.Bounds.MaxNorth - picture.Bounds.MinNorth, 92.6, 0.5);
    EXPECT_LE(picture.Waypoints.size(), 64u);

    struct TStop final : TTrackProgress
    {
        std::uint64_t Calls = 0;
        void Advance(std::uint64_t bytes) override
        {
            ++Calls;
            EXPECT_GT(bytes, 0u);
            throw std::runtime_error("stopped");
        }
    } stop;
    EXPECT_THROW(PictureOf(dir / "in.log", 25.0, 2, 64, &stop), std::runtime_error);
    EXPECT_EQ(stop.Calls, 1u);
}

// Equal scale with north up: a point north lies above, east lies right, and 100 m are as long
// both ways; zooming keeps the point under the pointer.
TEST(TrackPicture, ViewIsNorthUpAtEqualScale)
{
    TPictureView view;
    view.Fit({ -500, 500, -1000, 1000 }, 440, 440, 20); // 2 km east-west in 400 pixels
    EXPECT_DOUBLE_EQ(view.PixelsPerMetre(), 0.2);
    const TPicturePoint centre { 0, 0 }, north { 100, 0 }, east { 0, 100 };
    EXPECT_DOUBLE_EQ(view.X(centre), 220);
    EXPECT_DOUBLE_EQ(view.Y(centre), 220);
    EXPECT_DOUBLE_EQ(view.Y(north), 200);
    EXPECT_DOUBLE_EQ(view.X(north), 220);
    EXPECT_DOUBLE_EQ(view.X(east), 240);
    EXPECT_DOUBLE_EQ(view.Y(east), 220);

    view.ZoomAt(240, 220, 4);
    EXPECT_DOUBLE_EQ(view.X(east), 240);
    EXPECT_DOUBLE_EQ(view.X(centre), 160);
    view.Pan(10, -5);
    EXPECT_DOUBLE_EQ(view.X(east), 250);
    EXPECT_DOUBLE_EQ(view.Y(east), 215);
}

// On the pixels: at most one track vertex per pixel, overlapping drops as one cluster with
// their causes summed, marks outside the view left out, and labels that never overlap.
TEST(TrackPicture, ProjectsOneVertexPerPixelAndGathersMarks)
{
    TTrackPicture picture;
    for (int i = 0; i <= 1000; ++i) // 1 km east, a vertex every metre
        picture.Track.push_back({ 0, static_cast<double>(i) });
    picture.Start = picture.Track.front();
    picture.End = picture.Track.back();
    picture.Bounds = { 0, 0, 0, 1000 };
    picture.Drops = { { { -10, 530 }, 2, 0 }, { { -10.5, 530.5 }, 0, 3 }, { { 0, 5000 }, 1, 0 } };
    picture.Waypoints = { { { 0, 0 }, 0.0 }, { { 0, 1 }, 0.1 }, { { 0, 900 }, 0.2 } };
    TPictureView view;
    view.Fit(picture.Bounds, 120, 120, 10); // 0.1 pixel per metre
    const TScreenPicture screen = Project(picture, view, 120, 120);
    EXPECT_LE(screen.Track.size(), 101u);
    EXPECT_GE(screen.Track.size(), 100u);
    for (std::size_t i = 1; i < screen.Track.size(); ++i)
        EXPECT_NE(std::floor(screen.Track[i].X), std::floor(screen.Track[i - 1].X));
    EXPECT_DOUBLE_EQ(screen.Track.back().X, view.X(picture.End));
    ASSERT_EQ(screen.Drops.size(), 1u); // the third lies 4 km outside
    EXPECT_EQ(screen.Drops[0].Counts[TDropCause::TooFast], 2u);
    EXPECT_EQ(screen.Drops[0].Counts[TDropCause::RepeatedTime], 3u);
    ASSERT_EQ(screen.Waypoints.size(), 3u);
    EXPECT_TRUE(screen.Waypoints[0].Labelled);
    EXPECT_FALSE(screen.Waypoints[1].Labelled); // 0.1 pixel from the first
    EXPECT_TRUE(screen.Waypoints[2].Labelled);
    EXPECT_DOUBLE_EQ(screen.Start.X, 10);
    EXPECT_DOUBLE_EQ(screen.End.X, 110);
}

TEST(TrackPicture, ScaleBarInMetresAndKilometres)
{
    const TScaleBar metres = ScaleBarFor(1.0, 120); // 120 m fit
    EXPECT_EQ(metres.Metres, 100);
    EXPECT_EQ(metres.Pixels, 100);
    EXPECT_EQ(metres.Text, "100 m");
    const TScaleBar km = ScaleBarFor(0.01, 300); // 30 km fit
    EXPECT_EQ(km.Metres, 20000);
    EXPECT_EQ(km.Text, "20 km");
    EXPECT_EQ(ScaleBarFor(10, 60).Text, "5 m");
}

} // namespace
} // namespace ostrel
