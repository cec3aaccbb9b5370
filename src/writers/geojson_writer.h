#pragma once

// The GeoJSON writer (RFC 7946), for maps on the web: one FeatureCollection of the route as a
// LineString (a MultiLineString when the route starts again after its first fix), whose
// properties hold the document's name, the length and the track's numbers as --json gives them,
// followed by a Point for each waypoint (where the KML document has its placemarks) with its UTC
// time and its texts. Positions are longitude and latitude with 7 decimals (about 1 cm).

#include "core/file_io.h"
#include "core/settings.h"
#include "geo/track.h"
#include "writers/track_writer.h"
#include "writers/waypoints.h"

#include <cstddef>
#include <memory>

namespace ostrel {

struct TGeoJsonOptions
{
    TWaypointOptions Waypoints;
    TSeparators Separators; // of the route's name and the waypoints' texts
    bool Cleaned = false; // a stage of the cleaning is on: the numbers say what it did
    // Threads that format the route's positions at the end, in parts of PartPositions (the
    // output is the same whatever they say).
    unsigned Threads = 1;
    std::size_t PartPositions = 256;
};

// The GeoJSON writer of one output, a sink of the track, which it takes in local time (shifted by
// the time zone) so that its names and waypoints are those of the KML document. The caller
// commits the output.
std::unique_ptr<TTrackWriter> MakeGeoJson(TOutputFile& output, TGeoJsonOptions options);

} // namespace ostrel
