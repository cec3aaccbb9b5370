#pragma once

// The KML writer: a route line through every kept fix and, when waypoints are on, a folder of
// placemarks at least WaypointIntervalMin minutes of log time apart, in the chosen colour and
// opacity. Every time in the document is shifted by TimeZoneHours. KmlVersion 21 writes KML 2.1
// (Google's namespace, the order Google Earth has always read); 22 writes OGC KML 2.2, with its
// namespace and the element order its schema requires, for software that reads only 2.2.

#include "core/file_io.h"
#include "core/settings.h"
#include "geo/track.h"
#include "writers/waypoints.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ostrel {

// The KML writer of one output, a sink of the track, which it takes in local time (shifted by
// TimeZoneHours). The caller commits the output. A KmlVersion other than 21 and 22 throws
// std::invalid_argument.
std::unique_ptr<TTrackSink> MakeKml(TOutputFile& output, const TConvertSettings& settings);

// The route's coordinate line of a fix: "139.75206,35.65206,0" and CR LF.
std::string FormatCoordinateLine(const TGPSRec& rec);

// "<color>" + alpha + bbggrr + "</color>", alpha = percent * 255 div 100, digits upper case.
std::string ColorElement(int opacityPercent, std::uint32_t color);

} // namespace ostrel
