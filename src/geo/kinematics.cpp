#include "geo/kinematics.h"

#include "core/errors.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ostrel {

void ThrowNoSpeed(double km)
{
    if (km == 0)
        throw InvalidOperation();
    throw DivisionByZero();
}

double HeadingDeg(const TPlanePoint& from, const TPlanePoint& to)
{
    const double dx = to.X - from.X; // northward
    const double dy = to.Y - from.Y; // eastward
    const double d = PlaneDistance(from, to);
    if (!(d > 0))
        return 0;
    // Rounding may put dY/d a hair outside [-1, 1].
    const double h = std::asin(std::clamp(dy / d, -1.0, 1.0)) * (180 / std::numbers::pi);
    if (dx > 0)
        return h > 0 ? h : h + 360;
    return 180 - h;
}

std::string_view DropCauseWords(TDropCause cause)
{
    static constexpr std::string_view kWords[kDropCauseCount] = { "too fast", "repeated time",
        "spike", "outlier start", "standing", "outside the time", "private" };
    return kWords[static_cast<int>(cause)];
}

std::optional<TKeptFix> TSpeedFilter::Offer(const TPlanePoint& candidate, const TKeptFix* measured)
{
    // A repeated time stamp has no speed; such a fix is dropped like an implausible one.
    if (candidate.DateTime == reference_.DateTime) {
        lastDrop_ = TDropCause::RepeatedTime;
        return std::nullopt;
    }
    const TKeptFix step = measured ? *measured : MeasureStep(reference_, candidate);
    // Written so that a speed that is not a number (a fix projected from absurd coordinates)
    // is dropped too.
    if (!(step.SpeedKmh < limit_)) {
        lastDrop_ = TDropCause::TooFast;
        lastSpeed_ = step.SpeedKmh;
        lastDistance_ = step.DistanceM;
        return std::nullopt;
    }
    total_ += step.DistanceM;
    reference_ = candidate;
    return step;
}

} // namespace ostrel
