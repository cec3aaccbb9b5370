#pragma once

// The waypoints of a track, shared by every format that marks them: where they fall
// (TWaypointSpacing) and what they say.

#include "core/settings.h"
#include "geo/kinematics.h"
#include "geo/waypoint_spacing.h"
#include "log/gps_rec.h"

#include <cstdint>
#include <string>

namespace ostrel {

// The waypoint options of the formats that mark them (KML and GPX).
struct TWaypointOptions
{
    bool On; // whether waypoints are marked at all
    std::int32_t IntervalMin; // least log time between two waypoints (minutes)
};

// What a waypoint says, in the regional separators; rec's DateTime is local time.
struct TWaypointTexts
{
    std::string Name; // "HH:NN (d.dkm)": local time and the length of the track so far
    std::string DateDistance; // "YY/MM/DD HH:NN:SS (d.dkm)"
    std::string Speed; // "x.xkm/h" from the fix kept before it
    std::string Heading; // "Heading n" (degrees, see HeadingShown)
};

TWaypointTexts WaypointTexts(
    const TGPSRec& rec, const TKeptFix& fix, double totalMetres, const TSeparators& separators);

// The heading shown in a waypoint: rounded to one decimal, then its fraction dropped.
int HeadingShown(double headingDeg);

} // namespace ostrel
