#pragma once

// The NMEA-0183 log writer: the header "@Sonygps/ver1.0/wgs-84", then a GGA and an RMC sentence
// for every fix that the speed filter keeps. Times and dates are the log's own.

#include "core/file_io.h"
#include "writers/track_writer.h"

#include <memory>
#include <string>
#include <string_view>

namespace ostrel {

// The options of the NMEA writer: the log has none of its own.
struct TNmeaOptions
{
};

// The NMEA writer of one output, a sink of the track (which it takes in the log's own time).
// The logs of a merge follow one another under the one header. The caller commits the output.
std::unique_ptr<TTrackWriter> MakeNmea(TOutputFile& output, TNmeaOptions options);

// The GGA and the RMC sentence of one kept fix, each framed "$body*HH" and ended by CR LF.
std::string FormatFixSentences(const TGPSRec& rec, const TKeptFix& fix);

// Two upper-case hexadecimal digits of the XOR of all characters of a sentence body.
std::string NmeaChecksum(std::string_view body);

// Latitude as ddmm.mmmm and longitude as dddmm.mmmm (degrees truncated toward zero, minutes
// rounded to four decimals).
std::string FormatLatitude(double degrees);
std::string FormatLongitude(double degrees);

// Speed (km/h) in knots and a course (degrees), one decimal, at least five characters: "003.2".
std::string FormatSpeedKnots(double kmh);
std::string FormatCourse(double degrees);

} // namespace ostrel
