// The cleaning's stages, each on a log made for it: what each fix became, and why.

#include "core/test_support.h"
#include "geo/track.h"
#include "log/log_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::RecordLine;
using test::TTempDir;
using test::WriteFile;

// One fix of a made log: seconds after 00:00 UTC on 1 January 2007 (a later day past 86400), and
// metres north and east of 35°39' N 139°45' E.
struct TMade
{
    int Seconds;
    double North;
    double East;
};

std::string Log(const std::vector<TMade>& fixes)
{
    std::string log;
    for (const TMade& fix : fixes) {
        // About 1852 m a minute of latitude, 1505 m a minute of longitude here.
        char lat[16], lon[16], time[16], date[16];
        std::snprintf(lat, sizeof lat, "35%09.6f", 39.0 + fix.North / 1852.0);
        std::snprintf(lon, sizeof lon, "139%09.6f", 45.0 + fix.East / 1505.0);
        const int day = fix.Seconds / 86400, t = fix.Seconds % 86400;
        std::snprintf(time, sizeof time, "%02d%02d%02d", t / 3600, t / 60 % 60, t % 60);
        std::snprintf(date, sizeof date, "%02d0107", 1 + day);
        log += RecordLine(time, lat, lon, date) + "\r\n";
    }
    return log;
}

// What became of every record line: "kept", "kept, starts a segment", "left out" or the cause's
// words, by line; and the route's fixes.
struct TFates
{
    std::map<std::uint64_t, std::string> ByLine;
    std::vector<TPlanePoint> Route;
    std::vector<TPlanePoint> Kept; // in the route or left out of it
    TTrackResult Result;

    std::string operator[](std::uint64_t line) const
    {
        const auto found = ByLine.find(line);
        return found == ByLine.end() ? "first" : found->second;
    }
    int Count(const std::string& fate) const
    {
        int n = 0;
        for (const auto& [line, text] : ByLine)
            n += text == fate;
        return n;
    }
};

class TFateSink final : public TTrackSink
{
public:
    TFates Fates;
    void Begin(const TGPSRec&, double, const TPlanePoint&) override { }
    void Fix(const TTrackFix& fix) override
    {
        Fates.ByLine[fix.Line] = !fix.InRoute ? "left out"
            : fix.StartsSegment               ? "kept, starts a segment"
                                              : "kept";
        if (fix.InRoute)
            Fates.Route.push_back(fix.Point);
        Fates.Kept.push_back(fix.Point);
    }
    void Dropped(const TTrackDrop& drop) override
    {
        Fates.ByLine[drop.Line] = std::string(DropCauseWords(drop.Cause));
    }
    void End(double, const TTrackCounts&) override { }
};

TFates Clean(const std::vector<TMade>& fixes, const TCleaning& cleaning, double limitKmh = 10.0)
{
    TTempDir dir;
    WriteFile(dir / "in.log", Log(fixes));
    TLogReader reader(dir / "in.log");
    TTrackOptions options;
    options.SpeedLimitKmh = limitKmh;
    options.CurrentYear = 2026;
    options.Cleaning = cleaning;
    options.Cleaning.ScratchFolder = dir.Path();
    TFateSink sink;
    sink.Fates.Result = StreamTrack(reader, options, sink);
    return sink.Fates;
}

TCleaning Robust()
{
    TCleaning cleaning;
    cleaning.Robust = true;
    return cleaning;
}

// A walk north at 1 m/s, a fix every 10 s, from second `start` on.
std::vector<TMade> Walk(int count, int start = 3600, double north = 0.0)
{
    std::vector<TMade> fixes;
    for (int k = 0; k < count; ++k)
        fixes.push_back({ start + 10 * k, north + 10.0 * k, 0.0 });
    return fixes;
}

TEST(RobustFilter, BadFirstFixKeepsTheRest)
{
    std::vector<TMade> fixes = Walk(300);
    fixes.front().North = 100000; // a cold start 100 km away
    TCleaning plain;
    plain.MinMoveM = 0.1;
    const TFates speed = Clean(fixes, plain);
    EXPECT_EQ(speed.Count("too fast"), 299);
    const TFates robust = Clean(fixes, Robust());
    EXPECT_EQ(robust[1], "outlier start");
    EXPECT_EQ(robust[2], "kept, starts a segment");
    EXPECT_EQ(robust.Count("kept"), 298);
    EXPECT_NEAR(robust.Result.TotalMetres, 2980, 10);
    EXPECT_EQ(robust.Result.Counts.DroppedBy(TDropCause::OutlierStart), 1u);
}

TEST(RobustFilter, SpikeRelocationAndFastTravel)
{
    // A lone spike 5 km off is dropped, the walk goes on.
    std::vector<TMade> fixes = Walk(20);
    fixes[10].East = 5000;
    const TFates spike = Clean(fixes, Robust());
    EXPECT_EQ(spike[11], "spike");
    EXPECT_EQ(spike.Count("kept"), 18);

    // After a logger switched off for 30 minutes and carried 20 km, the walk there is kept from
    // the run's first fix on, a new segment.
    std::vector<TMade> moved = Walk(10);
    for (const TMade& fix : Walk(10, 3600 + 100 + 1800, 20000))
        moved.push_back(fix);
    const TFates relocation = Clean(moved, Robust());
    EXPECT_EQ(relocation[11], "kept, starts a segment");
    EXPECT_EQ(relocation.Count("kept") + relocation.Count("kept, starts a segment"), 19);

    // A car at 60 km/h in walk mode is not plausible among its own fixes either.
    std::vector<TMade> car = Walk(5);
    for (int k = 1; k <= 20; ++k)
        car.push_back({ 3640 + 10 * k, 40 + 167.0 * k, 0.0 });
    const TFates fast = Clean(car, Robust());
    EXPECT_EQ(fast.Count("too fast"), 20);
    EXPECT_EQ(fast.Count("spike"), 0);
}

TEST(Cleaning, StandingFixesAreDropped)
{
    std::vector<TMade> fixes = Walk(5);
    for (int k = 1; k <= 10; ++k) // at rest, scattered within 3 m
        fixes.push_back({ 3640 + 10 * k, 40.0 + k % 3, (k % 2) * 2.0 });
    TCleaning cleaning;
    cleaning.MinMoveM = 5;
    const TFates fates = Clean(fixes, cleaning);
    EXPECT_EQ(fates.Count("standing"), 10);
    EXPECT_NEAR(fates.Result.TotalMetres, 40, 0.2); // the walk alone
}

TEST(Cleaning, TimeWindowInLocalTimeAcrossMidnight)
{
    // 23:50 to 00:10 UTC is 08:50 to 09:10 at +9; the window 09:00:00 to 09:05:00 local.
    std::vector<TMade> fixes;
    for (int k = 0; k <= 20; ++k)
        fixes.push_back({ 86400 - 600 + 60 * k, 50.0 * k, 0.0 });
    TCleaning cleaning;
    cleaning.ZoneShiftDays = 9.0 / 24;
    cleaning.From = 39084 + 9.0 / 24; // 2 January 2007, 09:00 local
    cleaning.To = 39084 + 9.0 / 24 + 5.0 / 1440;
    const TFates fates = Clean(fixes, cleaning);
    EXPECT_EQ(fates[1], "outside the time");
    EXPECT_EQ(fates[11], "kept, starts a segment"); // 00:00:00 UTC, 09:00 local
    EXPECT_EQ(fates[16], "kept"); // 09:05:00 local, included
    EXPECT_EQ(fates[17], "outside the time");
    EXPECT_EQ(fates.Count("outside the time"), 15);
    EXPECT_NEAR(fates.Result.TotalMetres, 250, 1);
}

TEST(Cleaning, PrivacyLeavesOutBothEnds)
{
    TCleaning cleaning;
    cleaning.PrivacyM = 95;
    const TFates fates = Clean(Walk(100), cleaning); // 0 .. 990 m north
    // Within 95 m of the start (0 m) and of the end (990 m): 10 m .. 90 m and 900 m .. 990 m.
    EXPECT_EQ(fates.Count("private"), 9 + 10);
    EXPECT_EQ(fates[11], "kept, starts a segment"); // 100 m
    EXPECT_EQ(fates[90], "kept"); // 890 m
    EXPECT_NEAR(fates.Result.TotalMetres, 890 - 100, 2);
    EXPECT_EQ(fates.Result.Counts.DroppedBy(TDropCause::Private), 19u);
}

TEST(Cleaning, GapStartsASegment)
{
    std::vector<TMade> fixes = Walk(5);
    fixes.push_back({ 3640 + 20 * 60, 45, 0 }); // 20 minutes later, 5 m on
    fixes.push_back({ 3650 + 20 * 60, 55, 0 });
    TCleaning cleaning;
    cleaning.SplitGapDays = 15.0 / 1440;
    const TFates fates = Clean(fixes, cleaning);
    EXPECT_EQ(fates[5], "kept");
    EXPECT_EQ(fates[6], "kept, starts a segment");
    EXPECT_EQ(fates[7], "kept");
}

// The simplified route stays within the tolerance of every kept fix, measured, and needs fewer
// fixes than the track.
TEST(Cleaning, SimplifiedRouteStaysWithinTheTolerance)
{
    std::vector<TMade> fixes;
    for (int k = 0; k < 2000; ++k) // a slow wave: 30 m either side, 1 m/s
        fixes.push_back({ 3600 + 10 * k, 10.0 * k, 30 * std::sin(k / 25.0) });
    TCleaning cleaning;
    cleaning.SimplifyM = 5;
    const TFates fates = Clean(fixes, cleaning);
    ASSERT_GE(fates.Route.size(), 2u);
    EXPECT_LT(fates.Route.size(), fixes.size() / 4);
    EXPECT_EQ(fates.Kept.size(), fixes.size() - 1);
    double worst = 0;
    for (const TPlanePoint& p : fates.Kept) {
        double nearest = INFINITY;
        for (std::size_t i = 0; i + 1 < fates.Route.size(); ++i) {
            const TPlanePoint& a = fates.Route[i];
            const TPlanePoint& b = fates.Route[i + 1];
            const double dx = b.X - a.X, dy = b.Y - a.Y;
            const double t
                = std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            nearest = std::min(nearest, std::hypot(a.X + t * dx - p.X, a.Y + t * dy - p.Y));
        }
        worst = std::max(worst, nearest);
    }
    EXPECT_LE(worst, 5.0);
    EXPECT_GT(worst, 1.0); // the tolerance was used, not a route through every fix
    EXPECT_EQ(fates.Result.Counts.Simplified, fates.Kept.size() - fates.Route.size());
}

} // namespace
} // namespace ostrel
