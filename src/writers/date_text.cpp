#include "writers/date_text.h"

#include "core/errors.h"
#include "writers/number_text.h"

#include <cmath>
#include <cstdint>

namespace ostrel {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// Day counts of 1 January 1 and 31 December 9999, the years a four-digit year can show.
constexpr std::int64_t kFirstDay = -693'593;
constexpr std::int64_t kLastDay = 2'958'465;
// Day count of 1 January 1970, the epoch of the civil-date arithmetic below.
constexpr std::int64_t kDaysTo1970 = 25'569;

struct TCivilDate
{
    int Year, Month, Day;
};

// Proleptic Gregorian date of a count of days since 1 January 1970 (the calendar in 400-year
// eras starting 1 March, so that the leap day ends a year).
TCivilDate CivilFromDays(std::int64_t days)
{
    days += 719'468; // 1 March 0000
    const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const auto dayOfEra = static_cast<std::int64_t>(days - era * 146'097); // 0..146096
    const std::int64_t yearOfEra
        = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365; // 0..399
    const std::int64_t dayOfYear
        = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100); // 0..365
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153; // 0..11
    const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month
        = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return { year, month, day };
}

void AppendDigits(std::string& text, int value, int width)
{
    char digits[4];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    text.append(digits, width);
}

} // namespace

TDateTimeFields DecodeDateTime(double dateTime)
{
    // Outside this range (and for NaN) the day count is no date of years 1 to 9999.
    if (!(dateTime > static_cast<double>(kFirstDay) - 1.0
            && dateTime < static_cast<double>(kLastDay) + 2.0))
        throw DateError(FormatGeneral(dateTime));
    const std::int64_t totalMs = std::llround(dateTime * static_cast<double>(kMsPerDay));
    std::int64_t days = totalMs / kMsPerDay;
    std::int64_t msOfDay = totalMs % kMsPerDay;
    if (msOfDay < 0) { // days before day 0: the time of day still counts forward from midnight
        msOfDay += kMsPerDay;
        --days;
    }
    if (days < kFirstDay || days > kLastDay)
        throw DateError(FormatGeneral(dateTime));

    const TCivilDate date = CivilFromDays(days - kDaysTo1970);
    const auto ms = static_cast<int>(msOfDay);
    return { date.Year, date.Month, date.Day, ms / 3'600'000, ms / 60'000 % 60, ms / 1000 % 60,
        ms % 1000 };
}

std::string FormatDateTime(std::string_view pattern, double dateTime, const TSeparators& separators)
{
    const TDateTimeFields fields = DecodeDateTime(dateTime);
    std::string text;
    text.reserve(pattern.size() + 8);
    std::size_t i = 0;
    while (i < pattern.size()) {
        const std::string_view rest = pattern.substr(i);
        if (rest.starts_with("YYYY")) {
            AppendDigits(text, fields.Year, 4);
            i += 4;
            continue;
        }
        int field = -1;
        if (rest.starts_with("YY"))
            field = fields.Year % 100;
        else if (rest.starts_with("MM"))
            field = fields.Month;
        else if (rest.starts_with("DD"))
            field = fields.Day;
        else if (rest.starts_with("HH"))
            field = fields.Hour;
        else if (rest.starts_with("NN"))
            field = fields.Minute;
        else if (rest.starts_with("SS"))
            field = fields.Second;
        if (field >= 0) {
            AppendDigits(text, field, 2);
            i += 2;
            continue;
        }
        if (rest[0] == '/')
            text += separators.Date;
        else if (rest[0] == ':')
            text += separators.Time;
        else
            text += rest[0];
        ++i;
    }
    return text;
}

} // namespace ostrel
