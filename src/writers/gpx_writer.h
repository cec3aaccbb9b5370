#pragma once

// The GPX 1.1 writer: the waypoints (where the KML document has its placemarks, with the same
// names and texts) and one track of every kept fix, a segment for each stretch of the route (a
// track per log in a merge). Times are UTC; the names and descriptions,
// meant for people, are in local time (the time zone's) like the KML document's.

#include "core/file_io.h"
#include "core/settings.h"
#include "writers/track_writer.h"
#include "writers/waypoints.h"

#include <memory>

namespace ostrel {

struct TGpxOptions
{
    TWaypointOptions Waypoints;
    TSeparators Separators; // of the track's name and the waypoints' texts
    // Threads that format the track points at the end, in parts of PartPoints points (the
    // output is the same whatever they say).
    unsigned Threads = 1;
    std::size_t PartPoints = 256;
};

// The GPX writer of one output, a sink of the track, which it takes in local time (shifted by
// the time zone) so that its waypoints fall where the KML document's placemarks do. The caller
// commits the output.
std::unique_ptr<TTrackWriter> MakeGpx(TOutputFile& output, TGpxOptions options);

} // namespace ostrel
