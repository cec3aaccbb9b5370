#pragma once

// Date texts of day counts (days since 30 December 1899, the fraction being the time of day).

#include "core/settings.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

struct TDateTimeFields
{
    int Year, Month, Day, Hour, Minute, Second, Millisecond;
};

// A day count taken to the nearest millisecond: the day and the milliseconds into it, days before
// day 0 counting forward from their midnight too. For magnitudes below 10^7 days, which hold
// every date of years 1 to 9999.
struct TDayAndMs
{
    std::int64_t Day;
    int Ms;
};
inline TDayAndMs SplitDateTime(double dateTime)
{
    constexpr std::int64_t kMsPerDay = 86'400'000;
    const std::int64_t totalMs = std::llround(dateTime * static_cast<double>(kMsPerDay));
    const std::int64_t day = totalMs / kMsPerDay;
    const std::int64_t ms = totalMs % kMsPerDay;
    if (ms < 0)
        return { day - 1, static_cast<int>(ms + kMsPerDay) };
    return { day, static_cast<int>(ms) };
}

// The fields of a day count taken to the nearest millisecond; nothing is rounded further, so
// 10:35:59.4 has the minute 35.
TDateTimeFields DecodeDateTime(double dateTime);

// Formats a day count by a pattern: "YYYY" four-digit year, "YY" the year's last two digits,
// "MM" month, "DD" day, "HH" hour 00-23, "NN" minute, "SS" second, each with a leading zero;
// "/" is the date separator and ":" the time separator of `separators`; any other character is
// copied. Patterns used: "YY/MM/DD, HH:NN", "YY/MM/DD HH:NN:SS", "HH:NN", "YYYYMMDDHHNNSS".
std::string FormatDateTime(
    std::string_view pattern, double dateTime, const TSeparators& separators = {});

// UTC times as xsd:dateTime, "2007-05-12T03:04:05Z" (GPX, JSON): the day count taken to the
// nearest millisecond, its fields then shown as they are, never rounded up. Throws the date error
// outside years 1..9999. The fixes of a track mostly share a day, so the date part is worked out
// once a day and the time of day from the milliseconds alone.
class TUtcTimeText
{
public:
    static constexpr std::size_t kMaxText = 20; // "YYYY-MM-DDTHH:NN:SSZ"

    // Writes the time text at out and returns the end.
    char* Write(char* out, double utcDateTime);

private:
    std::int64_t day_ = INT64_MIN; // the day of date_; none yet
    char date_[11] = {}; // "YYYY-MM-DDT"
};

std::string FormatUtcTime(double utcDateTime);

// A length of time as h:mm:ss, to the nearest second (hours beyond 24 as they are, "-" before a
// negative one).
std::string FormatDuration(double seconds);

} // namespace ostrel
