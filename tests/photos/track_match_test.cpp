#include "core/errors.h"
#include "core/test_support.h"
#include "log/gps_rec.h"
#include "photos/track_match.h"

#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

constexpr double kMinute = 1 / 1440.0;
constexpr double kSecond = 1 / 86400.0;

// Fixes at minutes 0, 2 and 10 (a gap of 8 minutes), a degree of latitude each.
std::vector<TTimedPoint> Fixes()
{
    const double day = DayNumber(2024, 5, 12);
    return { { day, { 35.0, 139.0 } }, { day + 2 * kMinute, { 36.0, 139.5 } },
        { day + 10 * kMinute, { 37.0, 140.0 } } };
}

// Linear between fixes at most the greatest gap apart; the nearest fix within it before the first
// and after the last; no position further out or inside a longer gap, with the reason.
TEST(TrackMatch, InterpolatesWithinTheGreatestGap)
{
    const std::vector<TTimedPoint> fixes = Fixes();
    const double t0 = fixes[0].Utc;
    const double gap = 5 * kMinute;
    struct TCase
    {
        double Utc;
        TMatchKind Kind;
        std::optional<TGeoPoint> Position;
    };
    const TCase cases[] = {
        { t0 + 30 * kSecond, TMatchKind::Interpolated, TGeoPoint { 35.25, 139.125 } },
        { t0 + 2 * kMinute, TMatchKind::Interpolated, TGeoPoint { 36.0, 139.5 } },
        { t0 - 5 * kMinute, TMatchKind::Nearest, TGeoPoint { 35.0, 139.0 } },
        { t0 - 5 * kMinute - kSecond, TMatchKind::BeforeTrack, std::nullopt },
        { t0 + 15 * kMinute, TMatchKind::Nearest, TGeoPoint { 37.0, 140.0 } },
        { t0 + 15 * kMinute + kSecond, TMatchKind::AfterTrack, std::nullopt },
        { t0 + 2 * kMinute + kSecond, TMatchKind::InGap, std::nullopt },
    };
    for (const TCase& c : cases) {
        const TMatch match = MatchTime(fixes, c.Utc, gap);
        EXPECT_EQ(match.Kind, c.Kind) << (c.Utc - t0) / kSecond << " s";
        ASSERT_EQ(match.Position.has_value(), c.Position.has_value());
        // Day counts hold a time to about a microsecond: here 1e-8 of a degree.
        if (c.Position) {
            EXPECT_NEAR(match.Position->Lat, c.Position->Lat, 1e-8);
            EXPECT_NEAR(match.Position->Lon, c.Position->Lon, 1e-8);
        }
    }
    // The distances in time to the fixes around the photo.
    const TMatch between = MatchTime(fixes, t0 + 30 * kSecond, gap);
    EXPECT_NEAR(*between.FromBeforeS, 30.0, 1e-4);
    EXPECT_NEAR(*between.ToAfterS, 90.0, 1e-4);
    const TMatch inGap = MatchTime(fixes, t0 + 3 * kMinute, gap);
    EXPECT_NEAR(*inGap.FromBeforeS, 60.0, 1e-4);
    EXPECT_NEAR(*inGap.ToAfterS, 420.0, 1e-4);
    EXPECT_EQ(MatchTime({}, t0, gap).Kind, TMatchKind::NoFixes);
}

// The fixes of several logs in one table, in time order; only the fixes a conversion keeps
// count (a fix too fast for the mode is dropped), at the logs' own UTC times.
TEST(TrackMatch, HoldsTheKeptFixesOfSeveralLogs)
{
    TTempDir dir;
    WriteFile(dir / "late.log",
        RecordLine("020000", "3540.0000", "13945.0000", "010107") + "\r\n"
            + RecordLine("020100", "3540.0100", "13945.0000", "010107") + "\r\n"
            + RecordLine("020200", "3600.0000", "13945.0000", "010107") + "\r\n"
            + RecordLine("020300", "3540.0300", "13945.0000", "010107") + "\r\n");
    WriteFile(dir / "early.log",
        RecordLine("010000", "3539.0000", "13945.0000", "010107") + "\r\n"
            + RecordLine("010100", "3539.0100", "13945.0000", "010107") + "\r\n");
    TFixTable table;
    const TConvertSettings settings = Settings();
    EXPECT_EQ(AddLogFixes(table, dir / "late.log", settings).Kept, 2u);
    AddLogFixes(table, dir / "early.log", settings);
    table.Sort();
    const double day = DayNumber(2007, 1, 1);
    ASSERT_EQ(table.Points().size(), 3u);
    EXPECT_NEAR(table.Points()[0].Utc, day + 61 * kMinute, 1e-9);
    EXPECT_NEAR(table.Points()[1].Utc, day + 121 * kMinute, 1e-9);
    EXPECT_NEAR(table.Points()[2].Position.Lat, 35 + 40.03 / 60, 1e-9);
    EXPECT_THROW(AddLogFixes(table, dir / "missing.log", settings), FileError);
}

} // namespace
} // namespace ostrel::test
