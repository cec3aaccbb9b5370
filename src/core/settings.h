#pragma once

// The conversion settings: what a conversion takes from the window (or the command line). They
// travel as one value, so that conversions share no mutable state and may run side by side; each
// writer takes its own options from them (see the output formats' table).

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace ostrel {

// Separators of the texts meant for people (the KML document's and the GPX track's name, the
// waypoints' names and texts, the length message). Each is one character, held as its UTF-8 text.
// What other software reads (log lines, NMEA sentences, KML coordinates) always uses ".", whatever
// these say.
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

struct TConvertSettings;

// Most threads one log's conversion uses, whatever it is asked for (each holds two blocks of
// records in flight).
inline constexpr unsigned kMaxLogThreads = 64;

// The time zone's shift of the times for people (days): TimeZoneHours / 24, with the minutes.
double TimeShiftDays(const TConvertSettings& settings);
// The threads one log's conversion uses: Threads, within 1..kMaxLogThreads.
unsigned LogThreads(const TConvertSettings& settings);

// The local calendar year of the computer's clock, for the two-digit years of log dates.
int LocalCurrentYear();

// The waypoint opacity a user may choose (percent).
inline constexpr int kMinOpacityPercent = 10;
inline constexpr int kMaxOpacityPercent = 100;

struct TConvertSettings
{
    double SpeedLimitKmh = 10.0; // fixes at or above this speed are dropped (km/h)
    std::int32_t TimeZoneHours = 9; // added to the times for people in KML and GPX (hours)
    // Further minutes of the time zone, with the sign of the hours (+5:30 is 5 and 30, -3:30 is
    // -3 and -30); the window's zones are whole hours.
    std::int32_t TimeZoneMinutes = 0;
    std::int32_t WaypointIntervalMin = 2; // least log time between two waypoints (minutes)
    int OriginIndex = 0; // 0 = each file's first fix, 1..19 = zone of the plane grid
    bool WayPoints = true; // KML and GPX: waypoints (in KML with their style block)
    int OpacityPercent = 66; // KML: waypoint opacity, kMinOpacityPercent..kMaxOpacityPercent
    std::uint32_t WaypointColor = 0xFFFFFF; // KML: waypoint colour laid out 0x00BBGGRR
    TStyleTemplate StyleTemplate = DefaultStyleTemplate();
    int KmlVersion = 21; // KML: 21 for KML 2.1, 22 for the OGC's KML 2.2
    bool KmlTrack = false; // KML: the route as a gx:Track with times (KML 2.2)
    TSeparators Separators;
    int CurrentYear = LocalCurrentYear(); // the clock's year for the two-digit year window

    // The cleaning beyond the speed filter, all off by default.
    bool RobustFilter = false; // a spike must be confirmed; a run of RobustRun starts again
    std::int32_t RobustRun = 5; // fixes
    std::int32_t MinMoveM = 0; // a fix closer than this to the one kept before stands (metres)
    // The records from, to this local date-time in the time zone (day counts), both included.
    std::optional<double> FromLocal;
    std::optional<double> ToLocal;
    std::int32_t PrivacyM = 0; // fixes this near the track's start and end left out (metres)
    std::int32_t SplitGapMin = 0; // a gap this long starts a new segment (minutes)
    std::int32_t SimplifyM = 0; // the route stays within this of the kept track (metres)
    bool SplitDay = false; // one output per local calendar day
    bool Merge = false; // several logs into one output, in the order of their first fixes

    // Threads that one log's conversion may use. A log is shared out only once ThreadsFromLines
    // of its lines have been read, in blocks of TrackBlockLines record lines (the tests make
    // both small, to reach every boundary of a block); the output is the same whatever they say.
    unsigned Threads = 1; // at most kMaxLogThreads are used
    std::uint32_t TrackBlockLines = 1024;
    std::uint64_t ThreadsFromLines = 10'000;
};

} // namespace ostrel
