#pragma once

// When a photo was taken, from its EXIF times: DateTimeOriginal with SubSecTimeOriginal and
// OffsetTimeOriginal, else DateTimeDigitized with its own, else DateTime with its own; the first
// that holds a real date-time counts. The time is the camera's local time by its clock; UTC
// takes the offset the camera wrote, else the zone it is set to, and what its clock was ahead.

#include "photos/exif.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

enum class TTimeTag
{
    Original, // DateTimeOriginal
    Digitized, // DateTimeDigitized
    Modified, // DateTime
};

struct TPhotoTime
{
    TTimeTag Tag = TTimeTag::Original;
    double Local = 0.0; // the camera's date-time (days since 30 December 1899, sub-seconds in)
    // As read: "2024:05:12 10:03:04", with ".25" and " +09:00" where the camera wrote them.
    std::string Text;
    std::optional<std::int32_t> OffsetMinutes; // the zone the camera wrote, east of UTC
};

// The camera's clock: the zone it was set to (minutes east of UTC), for photos without an
// offset of their own, and how far it was ahead of the true time (seconds; negative: behind).
struct TCameraClock
{
    std::int32_t ZoneMinutes = 0;
    double AheadSeconds = 0.0;
};

// "YYYY:MM:DD HH:MM:SS" (a "-" may separate the date, a "T" the time) as a day count; nothing
// for an empty or unset ("0000:00:00 00:00:00") time and any date that does not exist.
std::optional<double> ParseExifDateTime(std::string_view text);

// A zone offset "+HH:MM" or "-HH:MM" (up to 14:00) in minutes; nothing for anything else.
std::optional<std::int32_t> ParseExifOffset(std::string_view text);

// Sub-seconds: the digits of a decimal fraction ("25" is 0.25 s); 0 for anything else.
double ParseSubSeconds(std::string_view text);

// The time a photo was taken; nothing when none of the three holds a date-time.
std::optional<TPhotoTime> PhotoTimeOf(const TExifTimes& times);

// A clock's offset "[+|-][H:]MM:SS" in seconds: minutes and seconds below 60, seconds (and
// minutes after hours) of two digits ("1:30", "-12:05", "+1:02:03"); nothing for any other text.
std::optional<double> ParseClockOffset(std::string_view text);

// How far the camera's clock was ahead (seconds; negative: behind), from a photo of a clock
// that shows the true time of day shownSeconds (seconds since midnight) in the zone of the
// photo's time: the photo's time of day less the clock's, on the nearer side of midnight, so
// within half a day.
double ClockAheadSeconds(const TPhotoTime& time, double shownSeconds);

// The photo's UTC time (day count): its local time less its own offset (else the camera's
// zone) and less what the camera's clock was ahead.
double PhotoUtc(const TPhotoTime& time, const TCameraClock& clock);

} // namespace ostrel
