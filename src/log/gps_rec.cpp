#include "log/gps_rec.h"

#include "core/compiler.h"
#include "core/errors.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstring>

namespace ostrel {

namespace {

// The largest latitude and longitude of a position (degrees); nothing below 0 parses.
constexpr double kMaxLatitude = 90.0;
constexpr double kMaxLongitude = 180.0;

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
    return ShownText(text);
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

// Replaces a field's text. Resizing and copying, rather than assign, keeps a text of the same
// length (every record line's) free of calls.
void AssignText(std::string& field, std::string_view text)
{
    field.resize(text.size());
    if (!text.empty())
        std::memcpy(field.data(), text.data(), text.size());
}

// The same for the `length` characters at text, without a call.
template <std::size_t length>
OSTREL_ALWAYS_INLINE void AssignFixedText(std::string& field, const char* text)
{
    if (field.size() != length)
        field.resize(length);
    std::memcpy(field.data(), text, length);
}

// Two digits as a number; false unless both characters are digits.
bool ReadPlainTwoDigits(const char* text, int& value)
{
    const unsigned tens = static_cast<unsigned char>(text[0]) - unsigned { '0' };
    const unsigned ones = static_cast<unsigned char>(text[1]) - unsigned { '0' };
    value = static_cast<int>(tens * 10 + ones);
    return tens <= 9 && ones <= 9;
}

// The form every logger writes, digits with one point ("3539.123456"): at least one degree
// digit and at most 9, the point, and 1 to 13 decimals. The minutes are then a whole number
// below 2^53 over a power of ten that is exact as a double, so one division rounds them exactly
// as the general conversion does. False for any other text, which the general path takes.
bool ParsePlainDegMin(std::string_view text, double& value)
{
    std::size_t dot = 0;
    while (dot < text.size() && text[dot] != '.')
        ++dot;
    if (dot < 3 || dot > 11 || dot == text.size())
        return false;
    const std::size_t decimals = text.size() - dot - 1;
    if (decimals < 1 || decimals > 13)
        return false;
    int degrees = 0;
    for (std::size_t i = 0; i < dot - 2; ++i) {
        const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned { '0' };
        if (digit > 9)
            return false;
        degrees = degrees * 10 + static_cast<int>(digit);
    }
    const unsigned tens = static_cast<unsigned char>(text[dot - 2]) - unsigned { '0' };
    const unsigned ones = static_cast<unsigned char>(text[dot - 1]) - unsigned { '0' };
    if (tens > 9 || ones > 9)
        return false;
    std::uint64_t whole = tens * 10 + ones; // the minutes times 10^decimals
    for (std::size_t i = dot + 1; i < text.size(); ++i) {
        const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned { '0' };
        if (digit > 9)
            return false;
        whole = whole * 10 + digit;
    }
    static constexpr double kPow10[14]
        = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13 };
    const double minutes = static_cast<double>(whole) / kPow10[decimals];
    value = degrees + minutes / 60;
    return true;
}

// A conversion error of one field of a record line, naming that field.
ConvertError OfField(ConvertError error, TLogField field)
{
    error.SetField(field);
    return error;
}

// A latitude or longitude field: degrees and minutes at most `limit` degrees. Its errors name
// the field.
double ParsePosition(std::string_view text, double limit, TLogField field)
{
    double degrees = 0.0;
    try {
        degrees = ParseDegMin(text);
    } catch (ConvertError& error) {
        error.SetField(field);
        throw;
    }
    if (degrees > limit) {
        const std::size_t first = text.find_first_not_of(' ');
        const std::size_t last = text.find_last_not_of(' ');
        throw OfField(PositionError(ShownText(text.substr(first, last - first + 1))), field);
    }
    return degrees;
}

// A record line as loggers write it: every field read digits only, each in its columns, and
// every value in range. Returns false, having changed nothing, for any other line, which the
// general parser then takes field by field (and reports).
bool ParseUsualRecord(std::string_view line, TGPSRec& rec, int currentYear)
{
    if (line.size() < 55) // shorter lines end inside the date
        return false;
    const char* c = line.data();
    int hours, minutes, seconds;
    if (!ReadPlainTwoDigits(c + 7, hours) || !ReadPlainTwoDigits(c + 9, minutes)
        || !ReadPlainTwoDigits(c + 11, seconds) || hours > 23 || minutes > 59 || seconds > 59)
        return false;
    double lat, lon;
    if (!ParsePlainDegMin({ c + 16, 11 }, lat) || !ParsePlainDegMin({ c + 30, 12 }, lon)
        || lat > kMaxLatitude || lon > kMaxLongitude)
        return false;
    int day, month, yy;
    if (!ReadPlainTwoDigits(c + 49, day) || !ReadPlainTwoDigits(c + 51, month)
        || !ReadPlainTwoDigits(c + 53, yy) || month < 1 || month > 12)
        return false;
    const int year = ExpandTwoDigitYear(yy, currentYear);
    if (day < 1 || day > DaysInMonth(year, month))
        return false;

    AssignFixedText<6>(rec.Tag, c);
    AssignFixedText<6>(rec.TimeText, c + 7);
    AssignFixedText<1>(rec.Status, c + 14);
    rec.Lat = lat;
    rec.Lon = lon;
    AssignFixedText<6>(rec.DateText, c + 49);
    const double timeOfDay = (hours * 3600 + minutes * 60 + seconds) / 86400.0;
    rec.DateTime = DayNumber(year, month, day) + timeOfDay;
    return true;
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
    // Days since 1 January 1970 in the proleptic Gregorian calendar, moved to 30 December 1899
    // as day 0. A day beyond the month's end counts on into the next month.
    const std::chrono::year_month_day date { std::chrono::year(year),
        std::chrono::month(static_cast<unsigned>(month)),
        std::chrono::day(static_cast<unsigned>(day)) };
    return static_cast<int>(std::chrono::sys_days(date).time_since_epoch().count()) + kDaysTo1970;
}

std::optional<double> CalendarDateTime(
    int year, int month, int day, int hour, int minute, int second)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    const std::chrono::year_month_day date { std::chrono::year(year),
        std::chrono::month(static_cast<unsigned>(month)),
        std::chrono::day(static_cast<unsigned>(day)) };
    if (!date.ok())
        return std::nullopt;
    // As a record's date-time: the day count and the time of day, in the same arithmetic.
    return DayNumber(year, month, day) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

double ParseDegMin(std::string_view text)
{
    double value;
    if (ParsePlainDegMin(text, value))
        return value;

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
        throw IntegerError(ShownText(degreesText));

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
        throw FloatError(ShownText(minutesText));
    return degrees + minutes / 60;
}

void ParseLogLine(std::string_view line, TGPSRec& rec, int currentYear)
{
    if (ParseUsualRecord(line, rec, currentYear))
        return;

    AssignText(rec.Tag, Columns(line, 1, 6));
    AssignText(rec.TimeText, Columns(line, 8, 6));

    TTriple time = SplitPairs(rec.TimeText);
    int hours, minutes, seconds;
    if (!ReadTwoDigits(time.First, hours) || !ReadTwoDigits(time.Second, minutes)
        || !ReadTwoDigits(time.Third, seconds) || hours > 23 || minutes > 59 || seconds > 59)
        throw OfField(TimeError(Joined(time, ':')), TLogField::Time);
    double timeOfDay = (hours * 3600 + minutes * 60 + seconds) / 86400.0;

    AssignText(rec.Status, Columns(line, 15, 1));
    rec.Lat = ParsePosition(Columns(line, 17, 11), kMaxLatitude, TLogField::Latitude);
    rec.Lon = ParsePosition(Columns(line, 31, 12), kMaxLongitude, TLogField::Longitude);
    AssignText(rec.DateText, Columns(line, 50, 6));

    TTriple date = SplitPairs(rec.DateText);
    int day, month, yy;
    if (!ReadTwoDigits(date.First, day) || !ReadTwoDigits(date.Second, month)
        || !ReadTwoDigits(date.Third, yy) || month < 1 || month > 12)
        throw OfField(DateError(Joined(date, '/')), TLogField::Date);
    int year = ExpandTwoDigitYear(yy, currentYear);
    if (day < 1 || day > DaysInMonth(year, month))
        throw OfField(DateError(Joined(date, '/')), TLogField::Date);

    rec.DateTime = DayNumber(year, month, day) + timeOfDay;
}

} // namespace ostrel
