#include "core/time_zones.h"

#include "core/number_input.h"

namespace ostrel {

std::string TimeZoneText(const TTimeZone& zone)
{
    const bool west = zone.Hours < 0 || zone.Minutes < 0;
    std::string text;
    if (zone.Hours != 0 || zone.Minutes != 0)
        text += west ? '-' : '+';
    text += std::to_string(zone.Hours < 0 ? -zone.Hours : zone.Hours);
    if (zone.Minutes != 0) {
        const std::int32_t minutes = zone.Minutes < 0 ? -zone.Minutes : zone.Minutes;
        text += ':';
        text += static_cast<char>('0' + minutes / 10);
        text += static_cast<char>('0' + minutes % 10);
    }
    return text;
}

std::optional<TTimeZone> ParseTimeZone(
    std::string_view text, long long lowestHours, long long highestHours)
{
    const std::size_t colon = text.find(':');
    const std::optional<long long> hours = ParseWholeNumber(text.substr(0, colon));
    if (!hours)
        return std::nullopt;
    long long minutes = 0;
    if (colon != std::string_view::npos) {
        // Exactly two digits after the colon, 00..59.
        const std::string_view after = text.substr(colon + 1);
        const std::optional<long long> m = ParseWholeNumber(after);
        if (after.size() != 2 || after[0] < '0' || after[0] > '9' || !m || *m > 59)
            return std::nullopt;
        minutes = text.front() == '-' ? -*m : *m;
    }
    const long long total = *hours * 60 + minutes;
    if (total < lowestHours * 60 || total > highestHours * 60)
        return std::nullopt;
    return TTimeZone { static_cast<std::int32_t>(*hours), static_cast<std::int32_t>(minutes) };
}

} // namespace ostrel
