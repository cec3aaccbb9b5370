#include "core/errors.h"
#include "geo/kinematics.h"

#include <gtest/gtest.h>
#include <limits>

namespace ostrel {
namespace {

TPlanePoint Pt(double x, double y, double dateTime = 40000.0)
{
    return { x, y, dateTime };
}

TEST(PlaneDistance, IsSymmetricAndIgnoresTime)
{
    EXPECT_EQ(PlaneDistance(Pt(0, 0, 1), Pt(300, 400, 2)), 500.0);
    EXPECT_EQ(PlaneDistance(Pt(300, 400, 2), Pt(0, 0, 1)), 500.0);
    EXPECT_EQ(PlaneDistance(Pt(-5, 7), Pt(-5, 7, 9)), 0.0);
}

TEST(SpeedKmh, KilometresOverHoursInEitherOrder)
{
    EXPECT_EQ(SpeedKmh(Pt(0, 0, 40000.0), Pt(120000, 0, 40000.5)), 10.0);
    EXPECT_EQ(SpeedKmh(Pt(120000, 0, 40000.5), Pt(0, 0, 40000.0)), 10.0);
}

TEST(SpeedKmh, EqualTimeStampsHaveNoSpeed)
{
    try {
        SpeedKmh(Pt(0, 0), Pt(1, 0));
        FAIL();
    } catch (const MathError& error) {
        EXPECT_STREQ(error.what(), DivisionByZero().what());
    }
    try {
        SpeedKmh(Pt(3, 4), Pt(3, 4));
        FAIL();
    } catch (const MathError& error) {
        EXPECT_STREQ(error.what(), InvalidOperation().what());
    }
}

struct THeadingCase
{
    double DX, DY, Degrees;
};

TEST(HeadingDeg, ClockwiseFromGridNorth)
{
    const THeadingCase cases[] = {
        { 0, 0, 0 },
        { 100, 0, 360 },
        { 300, 400, 53.130102 },
        { 0, 100, 90 },
        { -300, 400, 126.869898 },
        { -100, 0, 180 },
        { -300, -400, 233.130102 },
        { 0, -100, 270 },
        { 300, -400, 306.869898 },
    };
    for (const THeadingCase& c : cases) {
        const TPlanePoint from = Pt(1000, -2000);
        EXPECT_NEAR(HeadingDeg(from, Pt(1000 + c.DX, -2000 + c.DY)), c.Degrees, 1e-6)
            << c.DX << "," << c.DY;
    }
    // Due north is 360 exactly, and a tiny eastward move lies just above 0.
    EXPECT_EQ(HeadingDeg(Pt(0, 0), Pt(5, 0)), 360.0);
    const double nearNorth = HeadingDeg(Pt(0, 0), Pt(1e6, 1e-6));
    EXPECT_GT(nearNorth, 0.0);
    EXPECT_LT(nearNorth, 1e-9);
}

TEST(SpeedFilter, TheLimitItselfIsDropped)
{
    TSpeedFilter atLimit(10.0, Pt(0, 0, 40000.0));
    EXPECT_FALSE(atLimit.Offer(Pt(120000, 0, 40000.5)));
    EXPECT_EQ(atLimit.TotalMetres(), 0.0);

    TSpeedFilter below(10.0, Pt(0, 0, 40000.0));
    std::optional<TKeptFix> kept = below.Offer(Pt(119999, 0, 40000.5));
    ASSERT_TRUE(kept);
    EXPECT_LT(kept->SpeedKmh, 10.0);
    EXPECT_EQ(kept->HeadingDeg, 360.0);
    EXPECT_EQ(below.TotalMetres(), 119999.0);
    EXPECT_EQ(below.Reference(), Pt(119999, 0, 40000.5));
}

TEST(SpeedFilter, AfterADropTheReferenceStaysTheLastKeptFix)
{
    const double second = 1.0 / 86400;
    const TPlanePoint r = Pt(0, 0, 40000.0);
    TSpeedFilter filter(10.0, r);
    // C1: 1000 m in 60 s is 60 km/h, dropped at the walking limit.
    EXPECT_FALSE(filter.Offer(Pt(1000, 0, 40000.0 + 60 * second)));
    // C2: 100 m from R in 120 s is 3 km/h, measured from R and kept.
    std::optional<TKeptFix> kept = filter.Offer(Pt(0, 100, 40000.0 + 120 * second));
    ASSERT_TRUE(kept);
    EXPECT_NEAR(kept->SpeedKmh, 3.0, 1e-6); // times in days are not exact
    EXPECT_EQ(kept->HeadingDeg, 90.0);
    EXPECT_EQ(filter.TotalMetres(), 100.0);
    EXPECT_EQ(filter.Reference(), Pt(0, 100, 40000.0 + 120 * second));
}

TEST(SpeedFilter, ALimitOfZeroOrBelowDropsEverything)
{
    for (double limit : { 0.0, -5.0 }) {
        TSpeedFilter filter(limit, Pt(0, 0, 40000.0));
        EXPECT_FALSE(filter.Offer(Pt(1, 0, 40000.1)));
        EXPECT_FALSE(filter.Offer(Pt(0, 0, 40000.2))); // not even a fix that did not move
        EXPECT_EQ(filter.TotalMetres(), 0.0);
    }
}

TEST(SpeedFilter, RepeatedTimeStampsAreDroppedNotFatal)
{
    TSpeedFilter filter(10.0, Pt(0, 0, 40000.0));
    EXPECT_FALSE(filter.Offer(Pt(5, 0, 40000.0)));
    EXPECT_FALSE(filter.Offer(Pt(0, 0, 40000.0)));
    std::optional<TKeptFix> kept = filter.Offer(Pt(10, 0, 40000.0 + 60.0 / 86400));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->DistanceM, 10.0);
    EXPECT_EQ(filter.TotalMetres(), 10.0);
}

TEST(SpeedFilter, ASpeedThatIsNotANumberIsDropped)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    TSpeedFilter filter(10.0, Pt(0, 0, 40000.0));
    EXPECT_FALSE(filter.Offer(Pt(nan, 0, 40000.1)));
    EXPECT_EQ(filter.TotalMetres(), 0.0);
}

TEST(SpeedFilter, AFastStretchIsLostUntilTheAverageFallsBelowTheLimit)
{
    // Moving at 20 km/h with a walking limit: every fix is dropped against the stale reference,
    // until the track comes back near it.
    const double minute = 1.0 / 1440;
    TSpeedFilter filter(10.0, Pt(0, 0, 40000.0));
    for (int i = 1; i <= 10; ++i)
        EXPECT_FALSE(filter.Offer(Pt(i * 333.4, 0, 40000.0 + i * minute))) << i;
    // 11 minutes after the reference and 1500 m from it: 8.2 km/h, kept.
    EXPECT_TRUE(filter.Offer(Pt(1500, 0, 40000.0 + 11 * minute)));
    EXPECT_EQ(filter.TotalMetres(), 1500.0);
}

} // namespace
} // namespace ostrel
