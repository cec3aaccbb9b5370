#include "text/date_text.h"

#include "core/errors.h"
#include "log/gps_rec.h"
#include "text/number_text.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace ostrel {
namespace {

// Day counts of 1 January 1 and 31 December 9999, the years a four-digit year can show.
constexpr std::int64_t kFirstDay = -693'593;
constexpr std::int64_t kLastDay = 2'958'465;

void AppendDigits(std::string& text, int value, int width)
{
    char digits[4];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    text.append(digits, width);
}

char* WriteTwoDigits(char* out, int value)
{
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
    return out + 2;
}

} // namespace

TDateTimeFields DecodeDateTime(double dateTime)
{
    // Outside this range (and for NaN) the day count is no date of years 1 to 9999.
    if (!(dateTime > static_cast<double>(kFirstDay) - 1.0
            && dateTime < static_cast<double>(kLastDay) + 2.0))
        throw DateError(FormatGeneral(dateTime));
    const auto [days, ms] = SplitDateTime(dateTime);
    if (days < kFirstDay || days > kLastDay)
        throw DateError(FormatGeneral(dateTime));

    const std::chrono::year_month_day date { std::chrono::sys_days {
        std::chrono::days { days - kDaysTo1970 } } };
    return { static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
        static_cast<int>(static_cast<unsigned>(date.day())), ms / 3'600'000, ms / 60'000 % 60,
        ms / 1000 % 60, ms % 1000 };
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

char* TUtcTimeText::Write(char* out, double utcDateTime)
{
    // Beyond 10 million days (and for NaN) lies no date of years 1 to 9999: the date error.
    if (!(std::fabs(utcDateTime) < 1e7))
        DecodeDateTime(utcDateTime);
    const auto [day, ms] = SplitDateTime(utcDateTime);
    if (day != day_) {
        const TDateTimeFields fields = DecodeDateTime(utcDateTime); // the date error if none
        char* p = date_;
        p = WriteTwoDigits(p, fields.Year / 100);
        p = WriteTwoDigits(p, fields.Year % 100);
        *p++ = '-';
        p = WriteTwoDigits(p, fields.Month);
        *p++ = '-';
        p = WriteTwoDigits(p, fields.Day);
        *p = 'T';
        day_ = day;
    }
    std::memcpy(out, date_, sizeof date_);
    out += sizeof date_;
    const int seconds = ms / 1000;
    out = WriteTwoDigits(out, seconds / 3600);
    *out++ = ':';
    out = WriteTwoDigits(out, seconds / 60 % 60);
    *out++ = ':';
    out = WriteTwoDigits(out, seconds % 60);
    *out++ = 'Z';
    return out;
}

std::string FormatUtcTime(double utcDateTime)
{
    TUtcTimeText times;
    char text[TUtcTimeText::kMaxText];
    return { text, times.Write(text, utcDateTime) };
}

std::string FormatDuration(double seconds)
{
    const long long whole = std::llround(std::fabs(seconds));
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld:%02lld:%02lld", seconds < 0 ? "-" : "", whole / 3600,
        whole / 60 % 60, whole % 60);
    return text;
}

} // namespace ostrel
