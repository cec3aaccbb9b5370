#pragma once

// Where waypoints fall on a track: on the first kept fix, then on every kept fix whose local time
// lies at least the interval from that of the last waypoint, forward or back. The writers that mark
// waypoints and the preview share this one rule.

#include <cmath>
#include <cstdint>

namespace ostrel {

class TWaypointSpacing
{
public:
    explicit TWaypointSpacing(std::int32_t intervalMin)
        : interval_(static_cast<double>(intervalMin) / 24 / 60)
    {
    }

    // Whether the kept fix of this local time (days) gets a waypoint; if so it becomes the last.
    // The difference is taken of the stored day counts, so a fix exactly one interval on may
    // fall on either side, as their rounding decides.
    bool Due(double localDateTime)
    {
        if (!(std::fabs(localDateTime - last_) >= interval_))
            return false;
        last_ = localDateTime;
        return true;
    }

private:
    double interval_; // least local time between two waypoints (days)
    double last_ = 0.0; // day 0, so the first kept fix always gets a waypoint
};

} // namespace ostrel
