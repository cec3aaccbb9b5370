#pragma once

// Distance, speed and heading between projected fixes, and the speed filter that drops fixes
// implying an implausible speed.

#include "geo/projection.h"

#include <cmath>
#include <optional>
#include <string_view>

namespace ostrel {

// Straight-line distance on the plane (metres).
inline double PlaneDistance(const TPlanePoint& a, const TPlanePoint& b)
{
    const double dx = a.X - b.X;
    const double dy = a.Y - b.Y;
    return std::sqrt(dx * dx + dy * dy);
}

// The error of a speed between two fixes of one time stamp: the division error, or the
// invalid-operation error when they also lie at the same place (km apart).
[[noreturn]] void ThrowNoSpeed(double km);

// Speed between two fixes (km/h). Two fixes with the same time stamp have none (ThrowNoSpeed).
// Inline: every fix of a track takes it.
inline double SpeedKmh(const TPlanePoint& a, const TPlanePoint& b)
{
    const double km = PlaneDistance(a, b) / 1000;
    const double hours = std::fabs(a.DateTime - b.DateTime) * 24;
    if (hours == 0)
        ThrowNoSpeed(km);
    return km / hours;
}

// Direction from one fix to the next, in degrees clockwise from grid north (the X axis):
// 0 when they lie at the same place, otherwise above 0 up to 360, due north being 360.
double HeadingDeg(const TPlanePoint& from, const TPlanePoint& to);

// A fix that the filter kept, as measured from the fix kept before it.
struct TKeptFix
{
    double SpeedKmh;
    double HeadingDeg; // degrees
    double DistanceM; // metres
};

// Why a fix was dropped: by the speed filter (the first two), by the robust filter, or by a
// stage of the cleaning that the user asked for.
enum class TDropCause
{
    TooFast, // its speed from the reference reaches the limit (or is not a number)
    RepeatedTime, // it has the reference's own time stamp, so no speed
    Spike, // a jump away that the next fix did not confirm
    OutlierStart, // the first record, far from the run of fixes that followed it
    Standing, // closer to the fix kept before it than the least move
    OutsideTime, // before the start or after the end of the time asked for
    Private, // within the privacy radius of the track's start or end
};
inline constexpr int kDropCauseCount = 7;

// The words of a cause, the same for people and scripts (the CSV, --json): "too fast",
// "repeated time", "spike", "outlier start", "standing", "outside the time", "private".
std::string_view DropCauseWords(TDropCause cause);

// The speed, heading and distance of a step between two fixes of different time stamps, as the
// speed filter measures them.
inline TKeptFix MeasureStep(const TPlanePoint& from, const TPlanePoint& to)
{
    return { SpeedKmh(from, to), HeadingDeg(from, to), PlaneDistance(from, to) };
}

// The speed filter of one file. The reference is the last kept fix (at the start, the file's
// first record); a candidate whose speed from it reaches the limit is dropped, and so is one with
// the reference's own time stamp, which has no speed. Dropped candidates change nothing, so the
// next candidate is measured from the same reference over the longer time span.
class TSpeedFilter
{
public:
    TSpeedFilter(double speedLimitKmh, const TPlanePoint& first)
        : limit_(speedLimitKmh)
        , reference_(first)
    {
    }

    // The candidate's speed, heading and distance when it is kept (it then becomes the
    // reference), nothing when it is dropped. measured: MeasureStep from the reference to the
    // candidate when it has been worked out already.
    std::optional<TKeptFix> Offer(const TPlanePoint& candidate, const TKeptFix* measured = nullptr);

    double TotalMetres() const { return total_; }
    // The last candidate dropped as too fast: its speed and distance from the reference.
    double LastSpeedKmh() const { return lastSpeed_; }
    double LastDistanceM() const { return lastDistance_; }
    const TPlanePoint& Reference() const { return reference_; }
    // Why the last candidate that was dropped was dropped.
    TDropCause LastDrop() const { return lastDrop_; }

private:
    double limit_;
    TPlanePoint reference_;
    double total_ = 0.0;
    TDropCause lastDrop_ = TDropCause::TooFast;
    double lastSpeed_ = 0.0;
    double lastDistance_ = 0.0;
};

} // namespace ostrel
