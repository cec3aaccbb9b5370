#include "log/gps_rec.h"

#include "core/errors.h"

#include <charconv>

namespace ostrel {

namespace {

// The characters of line from column `first` (counted from 1), at most `count` of them; shorter
// or empty where the line ends before.
std::string_view Columns(std::string_view line, std::size_t first, std::size_t count)
{
    if (first - 1 >= line.size())
        return {};
    return line.substr(first - 1, count);
}

// A two-character part of a time or date: one or two digits, a blank standing for either
// character. False for a part without a digit or with any other character.
bool ReadTwoDigits(std::string_view part, int& value)
{
    value = 0;
    bool digit = false;
    for (char c : part) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            digit = true;
        } else if (c != ' ') {
            return false;
        }
    }
    return digit;
}

struct TTriple
{
    std::string_view First, Second, Third;
};

TTriple SplitPairs(std::string_view text)
{
    return { Columns(text, 1, 2), Columns(text, 3, 2), Columns(text, 5, 2) };
}

// "hh:mm:ss" or "dd/mm/yy" as the message of a time or date that does not convert shows it.
std::string Joined(const TTriple& parts, char separator)
{
    std::string text;
    text.reserve(8);
    text.append(parts.First)
        .append(1, separator)
        .append(parts.Second)
        .append(1, separator)
        .append(parts.Third);
    return text;
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

} // namespace

int ExpandTwoDigitYear(int yy, int currentYear)
{
    int base = currentYear - 50;
    int century = base >= 0 ? base / 100 : -((-base + 99) / 100); // base div 100, rounded down
    int year = yy + century * 100;
    if (year < base)
        year += 100;
    return year;
}

int DayNumber(int year, int month, int day)
{
    // Days from the civil calendar (proleptic Gregorian), counted from 1 March of year 0, then
    // moved to 30 December 1899 as day 0.
    year -= month <= 2;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468 + 25569;
}

double ParseDegMin(std::string_view text)
{
    // The last two digits before the point are the whole minutes; everything in front of them
    // is the degrees.
    std::size_t dot = text.find('.');
    std::size_t point = dot == std::string_view::npos ? 0 : dot + 1; // 1-based, 0 = none
    std::string_view degreesText = point > 3 ? text.substr(0, point - 3) : std::string_view {};
    std::string_view minutesText = point > 3 ? text.substr(point - 3) : text;

    // Degrees: a whole number, blanks allowed in front.
    std::string_view digits = degreesText;
    while (!digits.empty() && digits.front() == ' ')
        digits.remove_prefix(1);
    int degrees = 0;
    auto [degEnd, degError]
        = std::from_chars(digits.data(), digits.data() + digits.size(), degrees);
    if (digits.empty() || digits.front() < '0' || digits.front() > '9' || degError != std::errc {}
        || degEnd != digits.data() + digits.size())
        throw IntegerError(degreesText);

    // Minutes: digits with one decimal point, blanks allowed behind.
    std::string_view number = minutesText;
    while (!number.empty() && number.back() == ' ')
        number.remove_suffix(1);
    double minutes = 0.0;
    bool valid = !number.empty() && number.front() >= '0' && number.front() <= '9'
        && number.find_first_not_of("0123456789.") == std::string_view::npos;
    if (valid) {
        auto [minEnd, minError] = std::from_chars(
            number.data(), number.data() + number.size(), minutes, std::chars_format::fixed);
        valid = minError == std::errc {} && minEnd == number.data() + number.size();
    }
    if (!valid)
        throw FloatError(minutesText);
    return degrees + minutes / 60;
}

void ParseLogLine(std::string_view line, TGPSRec& rec, int currentYear)
{
    rec.Tag.assign(Columns(line, 1, 6));
    rec.TimeText.assign(Columns(line, 8, 6));

    TTriple time = SplitPairs(rec.TimeText);
    int hours, minutes, seconds;
    if (!ReadTwoDigits(time.First, hours) || !ReadTwoDigits(time.Second, minutes)
        || !ReadTwoDigits(time.Third, seconds) || hours > 23 || minutes > 59 || seconds > 59)
        throw TimeError(Joined(time, ':'));
    double timeOfDay = (hours * 3600 + minutes * 60 + seconds) / 86400.0;

    rec.Status.assign(Columns(line, 15, 1));
    rec.Lat = ParseDegMin(Columns(line, 17, 11));
    rec.Lon = ParseDegMin(Columns(line, 31, 12));
    rec.DateText.assign(Columns(line, 50, 6));

    TTriple date = SplitPairs(rec.DateText);
    int day, month, yy;
    if (!ReadTwoDigits(date.First, day) || !ReadTwoDigits(date.Second, month)
        || !ReadTwoDigits(date.Third, yy) || month < 1 || month > 12)
        throw DateError(Joined(date, '/'));
    int year = ExpandTwoDigitYear(yy, currentYear);
    if (day < 1 || day > DaysInMonth(year, month))
        throw DateError(Joined(date, '/'));

    rec.DateTime = DayNumber(year, month, day) + timeOfDay;
}

} // namespace ostrel
