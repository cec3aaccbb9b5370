#pragma once

// The offsets from UTC that the world's time zones use, and the reading of a time zone typed as
// hours or hours:minutes. The window lists these offsets; the command line's -z takes any
// hours:minutes between the first and the last of them.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

struct TTimeZone
{
    std::int32_t Hours = 0;
    std::int32_t Minutes = 0; // with the sign of the hours: -3:30 is -3 and -30

    bool operator==(const TTimeZone&) const = default;
};

// Every offset in use, west to east, from 12 hours behind UTC to 14 hours ahead.
// clang-format off
inline constexpr std::array<TTimeZone, 38> kTimeZones = { {
    { -12, 0 }, { -11, 0 }, { -10, 0 }, { -9, -30 }, { -9, 0 }, { -8, 0 }, { -7, 0 }, { -6, 0 },
    { -5, 0 }, { -4, 0 }, { -3, -30 }, { -3, 0 }, { -2, 0 }, { -1, 0 }, { 0, 0 }, { 1, 0 },
    { 2, 0 }, { 3, 0 }, { 3, 30 }, { 4, 0 }, { 4, 30 }, { 5, 0 }, { 5, 30 }, { 5, 45 }, { 6, 0 },
    { 6, 30 }, { 7, 0 }, { 8, 0 }, { 8, 45 }, { 9, 0 }, { 9, 30 }, { 10, 0 }, { 10, 30 },
    { 11, 0 }, { 12, 0 }, { 12, 45 }, { 13, 0 }, { 14, 0 },
} };
// clang-format on

// The range of every offset in use (hours).
inline constexpr std::int32_t kEarliestTimeZoneHours = kTimeZones.front().Hours;
inline constexpr std::int32_t kLatestTimeZoneHours = kTimeZones.back().Hours;

// A time zone as people write it: "+9", "0", "-11", "+5:30", "-3:30".
std::string TimeZoneText(const TTimeZone& zone);

// A time zone "+9", "-11", "+5:30" or "-3:30" as hours and minutes of one sign (exactly two
// digits of minutes, 00..59); nothing for any other text or beyond
// lowestHours:00..highestHours:00.
std::optional<TTimeZone> ParseTimeZone(
    std::string_view text, long long lowestHours, long long highestHours);

} // namespace ostrel
