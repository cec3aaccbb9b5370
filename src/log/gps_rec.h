#pragma once

// One position record of a GPS log and its parser.
//
// A record line holds 60 characters in fixed columns (counted from 1):
//   1-6 tag, 8-13 time hhmmss, 15 status, 17-27 latitude ddmm.mmmm, 31-42 longitude dddmm.mmmm,
//   50-55 date ddmmyy. The other columns are not read. No hemisphere is read: latitudes are
//   north and longitudes east.

#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

struct TGPSRec
{
    // The numbers first: most readers of a record want nothing else.
    double DateTime = 0.0; // days since 30 December 1899; the fraction is the time of day
    double Lat = 0.0; // latitude (decimal degrees)
    double Lon = 0.0; // longitude (decimal degrees)
    std::string Tag; // columns 1-6, unchanged
    std::string TimeText; // columns 8-13, unchanged (hhmmss)
    std::string DateText; // columns 50-55, unchanged (ddmmyy)
    std::string Status; // column 15, unchanged

    bool operator==(const TGPSRec&) const = default;
};

inline constexpr std::size_t kRecordLineLength = 60;

// A line is a record line exactly when it is 60 characters long.
inline bool IsRecordLine(std::string_view line)
{
    return line.size() == kRecordLineLength;
}

// Fills rec from one log line, field by field in column order; the first field that does not
// convert raises its conversion error, and the fields before it keep their new values. A latitude
// past 90 degrees or a longitude past 180 raises PositionError with the field's text. Two-digit
// years are placed in the window currentYear - 50 ... currentYear + 49. The error's message shows
// the field's text with each control character as "?".
void ParseLogLine(std::string_view line, TGPSRec& rec, int currentYear);

// Degrees and minutes (dddmm.mmmm, any number of degree digits) to decimal degrees.
double ParseDegMin(std::string_view text);

// The four-digit year of a two-digit year in the window around currentYear.
int ExpandTwoDigitYear(int yy, int currentYear);

// The day count of 1 January 1970, the epoch of the standard library's calendar.
inline constexpr int kDaysTo1970 = 25'569;

// The day count since 30 December 1899 of a date of the proleptic Gregorian calendar: year
// -32767..32767, month 1..12, day 1..31 (not checked against the month's length).
int DayNumber(int year, int month, int day);

// The day count of a date and time of day given by its fields; nothing unless the date is in the
// calendar and the time within 00:00:00..23:59:59.
std::optional<double> CalendarDateTime(
    int year, int month, int day, int hour, int minute, int second);

} // namespace ostrel
