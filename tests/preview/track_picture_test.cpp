#include "core/test_support.h"
#include "geo/track.h"
#include "geo/travel_modes.h"
#include "log/gps_rec.h"
#include "preview/fix_notes.h"
#include "preview/speed_graph.h"
#include "preview/track_picture.h"

#include <algorithm>
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
    const auto cluster = [](TPicturePoint at, std::uint64_t fast, std::uint64_t repeated) {
        TDropCluster drop;
        drop.Point = at;
        drop.Counts.ByCause[0] = fast;
        drop.Counts.ByCause[1] = repeated;
        return drop;
    };
    picture.Drops = { cluster({ -10, 530 }, 2, 0), cluster({ -10.5, 530.5 }, 0, 3),
        cluster({ 0, 5000 }, 1, 0) };
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
    // The second waypoint lies 0.1 pixel from the first: neither its mark nor its time shows.
    ASSERT_EQ(screen.Waypoints.size(), 2u);
    EXPECT_TRUE(screen.Waypoints[0].Labelled);
    EXPECT_TRUE(screen.Waypoints[1].Labelled);
    EXPECT_DOUBLE_EQ(screen.Waypoints[1].At.X, 100);
    EXPECT_DOUBLE_EQ(screen.Start.X, 10);
    EXPECT_DOUBLE_EQ(screen.End.X, 110);
}

// However crowded the view, no label overlaps another or the start's and the end's marks, and
// every label lies inside the view; the biggest clusters get their numbers first.
TEST(TrackPicture, LabelsNeverOverlap)
{
    TTrackPicture picture;
    std::uint64_t biggest = 0;
    for (int i = 0; i < 3000; ++i) {
        const TPicturePoint p { std::fmod(i * 37.0, 500.0), std::fmod(i * 91.0, 700.0) };
        picture.Track.push_back(p);
        picture.Waypoints.push_back({ p, 0.5 + i / 1440.0 });
        TDropCluster drop;
        drop.Point = { p.North + 3, p.East + 2 };
        drop.Counts.ByCause[i % kDropCauseCount] = 1 + i % 50;
        biggest = std::max(biggest, drop.Counts.Total());
        picture.Drops.push_back(drop);
    }
    picture.Start = picture.Track.front();
    picture.End = { 1, 1 }; // beside the start
    picture.Bounds = { 0, 500, 0, 700 };
    TPictureView view;
    view.Fit(picture.Bounds, 400, 300, 10);
    const TLabelMetrics metrics { 7, 12 };
    const TScreenPicture screen = Project(picture, view, 400, 300, metrics);

    ASSERT_GT(screen.Labels.size(), 20u);
    bool times = false, counts = false;
    for (std::size_t i = 0; i < screen.Labels.size(); ++i) {
        const TScreenRect& box = screen.Labels[i].Box;
        EXPECT_GE(box.X, 0);
        EXPECT_GE(box.Y, 0);
        EXPECT_LE(box.X + box.Width, 400);
        EXPECT_LE(box.Y + box.Height, 300);
        EXPECT_DOUBLE_EQ(box.Width, 7.0 * screen.Labels[i].Text.size());
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_FALSE(box.Overlaps(screen.Labels[j].Box)) << i << " " << j;
        for (const TScreenPoint& mark : { screen.Start, screen.End })
            EXPECT_FALSE(box.Overlaps({ mark.X - kEndMarkPixels, mark.Y - kEndMarkPixels,
                2 * kEndMarkPixels, 2 * kEndMarkPixels }));
        times = times || !screen.Labels[i].Count;
        counts = counts || screen.Labels[i].Count;
    }
    EXPECT_TRUE(times);
    EXPECT_TRUE(counts);
    const auto first = std::find_if(screen.Labels.begin(), screen.Labels.end(),
        [](const TScreenLabel& label) { return label.Count; });
    std::uint64_t largest = 0;
    for (const TScreenDrops& drops : screen.Drops)
        largest = std::max(largest, drops.Counts.Total());
    EXPECT_EQ(first->Text, std::to_string(largest));
    EXPECT_TRUE(screen.DropDensity == (screen.Drops.size() > kDensityClusters));
}

// Each vertex and each cluster knows its fixes: pointing at them tells the line, the times, the
// speed and why it was kept or dropped; a cluster its counts and its first fixes by line.
TEST(TrackPicture, PointingExplainsTheFix)
{
    TTempDir dir;
    WriteFile(dir / "in.log",
        Lines({ RecordLine("010000", "3539.0000", "13945.0000", "010107"),
            RecordLine("010100", "3539.1000", "13945.0000", "010107"), // 185 m in 60 s
            RecordLine("010110", "3549.0000", "13945.0000", "010107"), // 18 km in 10 s
            RecordLine("010111", "3549.0001", "13945.0000", "010107"),
            RecordLine("010112", "3549.0002", "13945.0000", "010107"),
            RecordLine("010113", "3549.0003", "13945.0000", "010107"),
            RecordLine("010200", "3539.1000", "13945.1000", "010107") }));
    const TTrackPicture picture = PictureOf(dir / "in.log", 25.0, 1);
    ASSERT_EQ(picture.Notes.size(), picture.Track.size());
    EXPECT_EQ(picture.Notes[0].Kind, TNoteKind::FirstRecord);
    EXPECT_EQ(picture.Notes[1].Line, 2u);
    EXPECT_NEAR(picture.Notes[1].SpeedKmh, 11.1, 0.1);
    std::uint64_t dropped = 0;
    for (const TDropCluster& drop : picture.Drops)
        dropped += drop.Counts.Total();
    EXPECT_EQ(dropped, 4u); // 18 km away, 0.2 m apart: one mark on the view

    TPictureView view; // the kept fixes, 200 m across
    view.Fit({ picture.Start.North - 10, picture.Track[1].North + 10, picture.Start.East - 10,
                 picture.End.East + 10 },
        400, 400, 10);
    const TPictureHit fix
        = HitTest(picture, view, view.X(picture.Track[1]) + 2, view.Y(picture.Track[1]), 8);
    ASSERT_EQ(fix.Kind, TPictureHit::TKind::Fix);
    const TNoteContext context { 25.0, 9 / 24.0, 0, 0 };
    EXPECT_EQ(ExplainFix(fix.Note, context, TLanguage::English),
        "Line 2: kept\n2007-01-01 10:01:00 (01:01:00 UTC)\n11.1 km/h, 185 m from the fix kept "
        "before it\nKept: below the limit of 25.0 km/h.");
    EXPECT_EQ(ExplainFix(fix.Note, context, TLanguage::Japanese),
        "2 行目: 採用\n2007-01-01 10:01:00 (01:01:00 UTC)\n直前の採用点から 11.1 km/h、185 "
        "m\n採用: 上限 25.0 km/h 未満。");
    const TPictureHit drops = HitTest(
        picture, view, view.X(picture.Drops[0].Point), view.Y(picture.Drops[0].Point) - 3, 8);
    ASSERT_EQ(drops.Kind, TPictureHit::TKind::Drops);
    EXPECT_EQ(ExplainDrops(drops.Counts, drops.Notes, context, TLanguage::English),
        "4 dropped fixes: 4 too fast\nLine 3, 10:01:10, 6589.3 km/h: too fast\nLine 4, "
        "10:01:11, 5990.3 km/h: too fast\nLine 5, 10:01:12, 5491.2 km/h: too fast\nand 1 more");
    const TFixNote first = drops.Notes.Notes[0];
    EXPECT_EQ(ExplainFix(first, context, TLanguage::English),
        "Line 3: dropped (too fast)\n2007-01-01 10:01:10 (01:01:10 UTC)\n6589.3 km/h, 18.30 km "
        "from the fix kept before it\nDropped: 6589.3 km/h reaches the limit of 25.0 km/h.");
    EXPECT_EQ(HitTest(picture, view, 0, 0, 8).Kind, TPictureHit::TKind::None);
}

// The speed graph keeps the kept fixes as a line broken at a silence of the log, the drops at the
// speed that dropped them, within its limit however long the log; and when most fixes are dropped
// as too fast it names the mode that would keep them.
TEST(SpeedGraph, KeepsTheSpeedsAndAdvises)
{
    TTempDir dir;
    std::string log;
    // A drive at 40 km/h (0.006 minutes of latitude, 11.1 m, a second) under the walking limit,
    // with a 10-minute silence after the first 100 fixes.
    for (int i = 0; i < 3000; ++i) {
        const int t = i + (i >= 100 ? 600 : 0);
        char time[7], lat[10];
        std::snprintf(time, sizeof time, "%02d%02d%02d", 1 + t / 3600, t / 60 % 60, t % 60);
        const int minutes = 390000 + i * 60; // 1/10000 minute
        std::snprintf(lat, sizeof lat, "35%02d.%04d", minutes / 10000, minutes % 10000);
        log += RecordLine(time, lat, "13945.0000", "010107") + "\r\n";
    }
    WriteFile(dir / "in.log", log);
    TLogReader reader(dir / "in.log");
    TSpeedGraphSink sink(10.0, TPictureProjection::Plane, 256);
    TTrackOptions options;
    options.SpeedLimitKmh = 10.0;
    options.CurrentYear = 2026;
    const TTrackResult result = StreamTrack(reader, options, sink);
    const TSpeedGraph graph = sink.Take();
    EXPECT_LE(graph.Kept.size(), 256u);
    EXPECT_LE(graph.Drops.size(), 256u);
    ASSERT_FALSE(graph.Drops.empty());
    std::uint64_t dropped = 0;
    for (const TGraphSample& drop : graph.Drops) {
        dropped += drop.Count;
        EXPECT_EQ(drop.Note.Kind, TNoteKind::Dropped);
    }
    EXPECT_EQ(dropped, result.Counts.DroppedBy(TDropCause::TooFast));
    EXPECT_GT(graph.Drops.front().Note.SpeedKmh, 10.0);
    // Every kept fix comes after a silence of more than 5 minutes or a stretch start.
    for (std::size_t i = 1; i < graph.Kept.size(); ++i) {
        const double gap = graph.Kept[i].Note.UtcDateTime - graph.Kept[i - 1].Note.UtcDateTime;
        if (gap > kGraphGapDays) {
            EXPECT_TRUE(graph.Kept[i].StartsStretch);
        }
    }

    const TDropAdvice advice = AdviseOnDrops(result.Counts, graph);
    EXPECT_TRUE(advice.MostDropped);
    EXPECT_EQ(advice.Cause, TDropCause::TooFast);
    EXPECT_NEAR(advice.MedianKmh, 40, 2);
    ASSERT_GE(advice.Mode, 0);
    EXPECT_EQ(TravelModes()[static_cast<std::size_t>(advice.Mode)].Name, "bicycle");
    const std::string text = AdviceText(advice, { 10.0, 0, 0, 0 }, TLanguage::English);
    EXPECT_NE(text.find("too fast for the limit of 10.0 km/h"), std::string::npos) << text;
    EXPECT_NE(text.find("Bicycle (~70 km/h)"), std::string::npos) << text;
    TTrackCounts mostKept = result.Counts;
    mostKept.Kept = result.Counts.Records;
    EXPECT_EQ(AdviceText(AdviseOnDrops(mostKept, graph), {}, TLanguage::English), "");
}

// Photos lie on the track's own grid: on the plane about the origin the conversion chose for the
// first record (its own, or a zone's), or in Web Mercator; those outside a view are left out.
TEST(TrackPicture, PlacesPhotosOnTheTracksGrid)
{
    TTempDir dir;
    WriteFile(dir / "in.log",
        Lines({ RecordLine("010000", "3539.0000", "13945.0000", "010107"),
            RecordLine("010100", "3539.1000", "13945.0000", "010107") }));
    const TLatLon atSecondFix { 35 + 39.1 / 60, 139.75 };
    for (const int origin : { 0, 9 }) {
        for (const TPictureProjection projection :
            { TPictureProjection::Plane, TPictureProjection::WebMercator }) {
            TLogReader reader(dir / "in.log");
            TPictureSink sink(1, 1 << 18, 0.25, projection);
            sink.SetPhotos({ atSecondFix, { 35.0, 139.0 } }, origin);
            TTrackOptions options;
            options.SpeedLimitKmh = 25.0;
            options.CurrentYear = 2026;
            options.OriginIndex = origin;
            StreamTrack(reader, options, sink);
            const TTrackPicture picture = sink.Take();
            ASSERT_EQ(picture.Track.size(), 2u);
            ASSERT_EQ(picture.Photos.size(), 2u);
            EXPECT_NEAR(picture.Photos[0].North, picture.Track[1].North, 1e-3) << origin;
            EXPECT_NEAR(picture.Photos[0].East, picture.Track[1].East, 1e-3) << origin;

            TPictureView view;
            view.Fit(picture.Bounds, 400, 300, 20);
            const TScreenPicture screen = Project(picture, view, 400, 300);
            ASSERT_EQ(screen.Photos.size(), 1u); // the second photo lies some 100 km away
            EXPECT_NEAR(screen.Photos[0].X, view.X(picture.Track[1]), 1e-6);
            EXPECT_NEAR(screen.Photos[0].Y, view.Y(picture.Track[1]), 1e-6);
        }
    }
}

// Beneath a map the picture lies in Web Mercator metres, as the tiles do.
TEST(TrackPicture, WebMercatorAsTheTiles)
{
    TGPSRec rec;
    rec.Lat = 35.65;
    rec.Lon = 139.75;
    const TPicturePoint p = PicturePointOf(rec, {}, TPictureProjection::WebMercator);
    EXPECT_NEAR(p.East, 15556898.838, 0.01); // cs2cs EPSG:4326 EPSG:3857
    EXPECT_NEAR(p.North, 4252568.169, 0.01);
    EXPECT_NEAR(MercatorLatitude(p.North), 35.65, 1e-9);
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
