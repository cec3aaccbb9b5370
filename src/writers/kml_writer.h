#pragma once

// The KML writer: a route through every kept fix and, when waypoints are on, a folder of
// placemarks at least the interval of log time apart, in the chosen colour and opacity. The route
// is one placemark whose MultiGeometry holds a line per segment (one line unless the route starts
// again somewhere), so that it stays one feature for Google Earth and GDAL. Every time
// in the document is local (shifted by the time zone). Version 21 writes KML 2.1 (Google's
// namespace, the order Google Earth has always read); 22 writes OGC KML 2.2, with its namespace
// and the element order its schema requires, for software that reads only 2.2.

#include "core/file_io.h"
#include "core/settings.h"
#include "writers/track_writer.h"
#include "writers/waypoints.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ostrel {

struct TKmlOptions
{
    TWaypointOptions Waypoints;
    TSeparators Separators; // of the document's name and the placemarks' texts
    int Version; // 21 for KML 2.1, 22 for the OGC's KML 2.2
    int OpacityPercent; // of the waypoints, kMinOpacityPercent..kMaxOpacityPercent
    std::uint32_t Color; // of the waypoints, laid out 0x00BBGGRR
    TStyleTemplate StyleTemplate; // the waypoints' style block
    // The logs of a merge: each log's route and waypoints in a folder of its own, named like a
    // document of the log alone.
    bool FolderPerLog = false;
    // The route as a gx:Track of Google's extension, a UTC time for every fix, so that the time
    // slider of Google Earth replays it (a gx:MultiTrack of one track per segment); the document
    // is then KML 2.2 whatever Version says.
    bool TimedTrack = false;
};

// The KML writer of one output, a sink of the track, which it takes in local time (shifted by the
// time zone). The caller commits the output. A Version other than 21 and 22 throws
// std::invalid_argument.
std::unique_ptr<TTrackWriter> MakeKml(TOutputFile& output, TKmlOptions options);

// The route's coordinate line of a fix: "139.75206,35.65206,0" and CR LF.
std::string FormatCoordinateLine(const TGPSRec& rec);

// "<color>" + alpha + bbggrr + "</color>", alpha = percent * 255 div 100, digits upper case.
std::string ColorElement(int opacityPercent, std::uint32_t color);

} // namespace ostrel
