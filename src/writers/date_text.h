#pragma once

// Date texts of day counts (days since 30 December 1899, the fraction being the time of day).

#include "core/settings.h"

#include <string>
#include <string_view>

namespace ostrel {

struct TDateTimeFields
{
    int Year, Month, Day, Hour, Minute, Second, Millisecond;
};

// The fields of a day count taken to the nearest millisecond; nothing is rounded further, so
// 10:35:59.4 has the minute 35.
TDateTimeFields DecodeDateTime(double dateTime);

// Formats a day count by a pattern: "YYYY" four-digit year, "YY" the year's last two digits,
// "MM" month, "DD" day, "HH" hour 00-23, "NN" minute, "SS" second, each with a leading zero;
// "/" is the date separator and ":" the time separator of `separators`; any other character is
// copied. Patterns used: "YY/MM/DD, HH:NN", "YY/MM/DD HH:NN:SS", "HH:NN", "YYYYMMDDHHNNSS".
std::string FormatDateTime(
    std::string_view pattern, double dateTime, const TSeparators& separators = {});

} // namespace ostrel
