#include "photos/photo_time.h"

#include "core/number_input.h"
#include "log/gps_rec.h"

#include <cmath>
#include <vector>

namespace ostrel {

namespace {

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<double> ParseExifDateTime(std::string_view text)
{
    text = Trimmed(text);
    if (text.size() != 19)
        return std::nullopt;
    const bool dateSeparators
        = (text[4] == ':' && text[7] == ':') || (text[4] == '-' && text[7] == '-');
    if (!dateSeparators || (text[10] != ' ' && text[10] != 'T') || text[13] != ':'
        || text[16] != ':')
        return std::nullopt;
    const auto year = FixedDigits(text, 0, 4), month = FixedDigits(text, 5, 2),
               day = FixedDigits(text, 8, 2), hour = FixedDigits(text, 11, 2),
               minute = FixedDigits(text, 14, 2), second = FixedDigits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second || *year < 1)
        return std::nullopt;
    return CalendarDateTime(*year, *month, *day, *hour, *minute, *second);
}

std::optional<std::int32_t> ParseExifOffset(std::string_view text)
{
    text = Trimmed(text);
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':')
        return std::nullopt;
    const auto hours = FixedDigits(text, 1, 2), minutes = FixedDigits(text, 4, 2);
    if (!hours || !minutes || *minutes > 59 || *hours * 60 + *minutes > 14 * 60)
        return std::nullopt;
    const std::int32_t offset = *hours * 60 + *minutes;
    return text[0] == '-' ? -offset : offset;
}

double ParseSubSeconds(std::string_view text)
{
    text = Trimmed(text);
    if (text.empty() || text.size() > 9)
        return 0.0;
    double fraction = 0.0;
    double unit = 0.1;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return 0.0;
        fraction += (c - '0') * unit;
        unit /= 10;
    }
    return fraction;
}

std::optional<TPhotoTime> PhotoTimeOf(const TExifTimes& times)
{
    struct TCandidate
    {
        TTimeTag Tag;
        const std::string& Time;
        const std::string& SubSec;
        const std::string& Offset;
    };
    const TCandidate candidates[] = {
        { TTimeTag::Original, times.Original, times.SubSecOriginal, times.OffsetOriginal },
        { TTimeTag::Digitized, times.Digitized, times.SubSecDigitized, times.OffsetDigitized },
        { TTimeTag::Modified, times.Modified, times.SubSec, times.Offset },
    };
    for (const TCandidate& candidate : candidates) {
        const std::optional<double> local = ParseExifDateTime(candidate.Time);
        if (!local)
            continue;
        TPhotoTime time { candidate.Tag, *local, std::string(Trimmed(candidate.Time)),
            ParseExifOffset(candidate.Offset) };
        const double subSeconds = ParseSubSeconds(candidate.SubSec);
        if (subSeconds > 0) {
            time.Local += subSeconds / 86400.0;
            time.Text.append(".").append(Trimmed(candidate.SubSec));
        }
        if (time.OffsetMinutes)
            time.Text.append(" ").append(Trimmed(candidate.Offset));
        return time;
    }
    return std::nullopt;
}

std::optional<double> ParseClockOffset(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    // "M:SS", "MM:SS" or "H:MM:SS": digits only, seconds and (after hours) minutes of two.
    std::vector<std::string_view> fields;
    for (std::size_t from = 0;;) {
        const std::size_t colon = text.find(':', from);
        fields.push_back(text.substr(from, colon - from));
        if (colon == std::string_view::npos)
            break;
        from = colon + 1;
    }
    if (fields.size() < 2 || fields.size() > 3)
        return std::nullopt;
    long long total = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string_view field = fields[i];
        const bool first = i == 0;
        const std::size_t most = first ? (fields.size() == 3 ? 4 : 2) : 2;
        if (field.empty() || field.size() > most || (!first && field.size() != 2)
            || field.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        const long long value = *ParseWholeNumber(field);
        if (!first && value > 59)
            return std::nullopt;
        if (first && fields.size() == 2 && value > 59)
            return std::nullopt;
        total = total * 60 + value;
    }
    return negative ? -double(total) : double(total);
}

double ClockAheadSeconds(const TPhotoTime& time, double shownSeconds)
{
    constexpr double kDay = 86400.0;
    const double taken = (time.Local - std::floor(time.Local)) * kDay;
    double ahead = std::fmod(taken - shownSeconds, kDay);
    if (ahead > kDay / 2)
        ahead -= kDay;
    else if (ahead <= -kDay / 2)
        ahead += kDay;
    return ahead;
}

double PhotoUtc(const TPhotoTime& time, const TCameraClock& clock)
{
    const std::int32_t offset = time.OffsetMinutes.value_or(clock.ZoneMinutes);
    return time.Local - offset / 1440.0 - clock.AheadSeconds / 86400.0;
}

} // namespace ostrel
