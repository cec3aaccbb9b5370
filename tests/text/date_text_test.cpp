#include "core/errors.h"
#include "text/date_text.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace ostrel {
namespace {

constexpr double kSecond = 1.0 / 86400; // (days)
constexpr double kNewYear2007 = 39083; // 2007-01-01 00:00

double At(double day, int hour, int minute, double second)
{
    return day + (hour * 3600 + minute * 60 + second) / 86400.0;
}

// The fields as "Y-M-D h:m:s.ms", for comparison and messages.
std::string Show(const TDateTimeFields& f)
{
    return std::to_string(f.Year) + '-' + std::to_string(f.Month) + '-' + std::to_string(f.Day)
        + ' ' + std::to_string(f.Hour) + ':' + std::to_string(f.Minute) + ':'
        + std::to_string(f.Second) + '.' + std::to_string(f.Millisecond);
}

TEST(DateText, DecodesFieldsWithoutRoundingUp)
{
    const std::vector<std::pair<double, TDateTimeFields>> cases = {
        { 0, { 1899, 12, 30, 0, 0, 0, 0 } },
        { 2, { 1900, 1, 1, 0, 0, 0, 0 } },
        { 61, { 1900, 3, 1, 0, 0, 0, 0 } }, // 1900 is no leap year
        { 25569.5, { 1970, 1, 1, 12, 0, 0, 0 } },
        { 36585, { 2000, 2, 29, 0, 0, 0, 0 } },
        { kNewYear2007 + 1.0 / 24, { 2007, 1, 1, 1, 0, 0, 0 } },
        { 45351, { 2024, 2, 29, 0, 0, 0, 0 } },
        { -693593, { 1, 1, 1, 0, 0, 0, 0 } },
        { At(2958465, 23, 59, 59.999), { 9999, 12, 31, 23, 59, 59, 999 } },
        { At(kNewYear2007, 10, 35, 59), { 2007, 1, 1, 10, 35, 59, 0 } },
        { At(kNewYear2007, 10, 35, 59.4), { 2007, 1, 1, 10, 35, 59, 400 } },
        { At(kNewYear2007, 10, 35, 59.9994), { 2007, 1, 1, 10, 35, 59, 999 } },
        // to the nearest millisecond, which may carry into the next minute or day
        { At(kNewYear2007, 10, 35, 59.9996), { 2007, 1, 1, 10, 36, 0, 0 } },
        { At(kNewYear2007, 23, 59, 59.9996), { 2007, 1, 2, 0, 0, 0, 0 } },
        // a hair below the whole second still shows that second
        { kNewYear2007 + 10.0 / 24 + 36.0 / 1440 - 1e-11, { 2007, 1, 1, 10, 36, 0, 0 } },
        // before day 0 the fraction still counts from midnight
        { -0.25, { 1899, 12, 29, 18, 0, 0, 0 } },
    };
    for (const auto& [dateTime, expected] : cases)
        EXPECT_EQ(Show(DecodeDateTime(dateTime)), Show(expected)) << dateTime;
}

// Every day from 1 January 1 to 31 December 9999 follows the day before in the calendar.
TEST(DateText, ConsecutiveDaysFollowTheCalendar)
{
    auto daysInMonth = [](int year, int month) {
        static constexpr int kDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return month == 2 && leap ? 29 : kDays[month - 1];
    };
    TDateTimeFields expected { 1, 1, 1, 0, 0, 0, 0 };
    for (int day = -693593; day <= 2958465; ++day) {
        const TDateTimeFields fields = DecodeDateTime(day);
        if (fields.Year != expected.Year || fields.Month != expected.Month
            || fields.Day != expected.Day || fields.Hour != 0 || fields.Minute != 0
            || fields.Second != 0 || fields.Millisecond != 0) {
            ASSERT_EQ(Show(fields), Show(expected)) << day;
        }
        if (++expected.Day > daysInMonth(expected.Year, expected.Month)) {
            expected.Day = 1;
            if (++expected.Month > 12) {
                expected.Month = 1;
                ++expected.Year;
            }
        }
    }
    EXPECT_EQ(expected.Year, 10000);
}

TEST(DateText, FormatsPatterns)
{
    const TSeparators japanese;
    TSeparators other;
    other.Date = "-";
    other.Time = ".";
    TSeparators wide;
    wide.Date = "\xE5\xB9\xB4"; // 年
    wide.Time = "\xD9\xAB";
    struct TCase
    {
        std::string_view Pattern;
        double DateTime;
        const TSeparators& Separators;
        std::string_view Expected;
    };
    const std::vector<TCase> cases = {
        { "YY/MM/DD, HH:NN", At(kNewYear2007, 10, 0, 0), japanese, "07/01/01, 10:00" },
        { "YY/MM/DD HH:NN:SS", At(kNewYear2007, 10, 35, 59.4), japanese, "07/01/01 10:35:59" },
        { "HH:NN", At(kNewYear2007, 10, 35, 59), japanese, "10:35" },
        { "HH:NN", At(kNewYear2007, 10, 35, 59.4), japanese, "10:35" },
        { "YYYYMMDDHHNNSS", At(kNewYear2007 + 131, 3, 4, 5), japanese, "20070512030405" },
        { "YYYYMMDDHHNNSS", At(36891, 23, 59, 59), japanese, "20001231235959" },
        { "YY/MM/DD, HH:NN", At(kNewYear2007, 10, 0, 0), other, "07-01-01, 10.00" },
        { "YY/MM/DD HH:NN", At(kNewYear2007, 9, 5, 0), wide,
            "07\xE5\xB9\xB4"
            "01\xE5\xB9\xB4"
            "01 09\xD9\xAB"
            "05" },
        { "YYYY", -693593, japanese, "0001" },
        { "YY", At(36526, 0, 0, 0), japanese, "00" },
        { "YY/MM/DD", 36525, japanese, "99/12/31" },
        // characters outside the tokens are copied, a lone letter of a token too
        { "Y M D H N S x-YYY", kNewYear2007, japanese, "Y M D H N S x-07Y" },
        { "", kNewYear2007, japanese, "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime(c.Pattern, c.DateTime, c.Separators), c.Expected) << c.Pattern;
}

TEST(DateText, RefusesDayCountsOutsideTheCalendar)
{
    for (const double dateTime : { std::numeric_limits<double>::quiet_NaN(),
             std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
             2958466.0, 2958466 - 0.0001 * kSecond, -693593 - kSecond, 1e300, -1e300 }) {
        EXPECT_THROW(DecodeDateTime(dateTime), ConvertError) << dateTime;
        EXPECT_THROW(FormatDateTime("YYYY", dateTime), ConvertError) << dateTime;
    }
    try {
        DecodeDateTime(3e6);
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), DateError("3000000").what());
    }
}

// Day count of 12 May 2007 (UTC midnight).
constexpr double k12May2007 = 39214.0;

TEST(DateText, UtcTimeIsToTheNearestMillisecondNeverRoundedUp)
{
    EXPECT_EQ(
        FormatUtcTime(k12May2007 + (3 * 3600 + 4 * 60 + 5) / 86400.0), "2007-05-12T03:04:05Z");
    // 23:59:59.9994 is still that second; 23:59:59.9996 is the next day's midnight.
    EXPECT_EQ(FormatUtcTime(k12May2007 + 86399.9994 / 86400), "2007-05-12T23:59:59Z");
    EXPECT_EQ(FormatUtcTime(k12May2007 + 86399.9996 / 86400), "2007-05-13T00:00:00Z");
    EXPECT_EQ(FormatUtcTime(k12May2007 + 59.6 / 86400), "2007-05-12T00:00:59Z");
    EXPECT_EQ(FormatUtcTime(-693593.0), "0001-01-01T00:00:00Z"); // four-digit years
    EXPECT_EQ(FormatUtcTime(-0.25), "1899-12-29T18:00:00Z"); // before day 0
    EXPECT_THROW(FormatUtcTime(2958466.0), ConvertError); // 1 January 10000
    EXPECT_THROW(FormatUtcTime(1e300), ConvertError);
}

} // namespace
} // namespace ostrel
