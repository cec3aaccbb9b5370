#pragma once

// The conversion settings: what a conversion takes from the window (or the command line). They
// travel as one value, so that conversions share no mutable state and may run side by side.

#include <array>
#include <cstdint>
#include <string>

namespace ostrel {

// Separators of the texts meant for people (the KML document name, the placemarks' names and
// tables, the length message). Each is one character, held as its UTF-8 text. What other software
// reads (log lines, NMEA sentences, KML coordinates) always uses ".", whatever these say.
struct TSeparators
{
    std::string Decimal = ".";
    std::string Date = "/";
    std::string Time = ":";

    bool operator==(const TSeparators&) const = default;
};

// The waypoint style template: 42 lines, of which the 3rd and the 19th are replaced by the colour
// element before the block is written.
inline constexpr int kStyleTemplateLines = 42;
using TStyleTemplate = std::array<std::string, kStyleTemplateLines>;

// The template as the window holds it at start.
const TStyleTemplate& DefaultStyleTemplate();

// The local calendar year of the computer's clock, for the two-digit years of log dates.
int LocalCurrentYear();

// The waypoint opacity a user may choose (percent).
inline constexpr int kMinOpacityPercent = 10;
inline constexpr int kMaxOpacityPercent = 100;

struct TConvertSettings
{
    double SpeedLimitKmh = 10.0; // fixes at or above this speed are dropped (km/h)
    std::int32_t TimeZoneHours = 9; // added to every time written to a KML document (hours)
    std::int32_t WaypointIntervalMin = 2; // least log time between two placemarks (minutes)
    int OriginIndex = 0; // 0 = each file's first fix, 1..19 = zone of the plane grid
    bool WayPoints = true; // KML: style block and waypoint placemarks
    int OpacityPercent = 66; // KML: waypoint opacity, kMinOpacityPercent..kMaxOpacityPercent
    std::uint32_t WaypointColor = 0xFFFFFF; // KML: waypoint colour laid out 0x00BBGGRR
    TStyleTemplate StyleTemplate = DefaultStyleTemplate();
    int KmlVersion = 21; // KML: 21 = KML 2.1 (Google Earth's), 22 = OGC KML 2.2
    TSeparators Separators;
    int CurrentYear = LocalCurrentYear(); // the clock's year for the two-digit year window
};

} // namespace ostrel
