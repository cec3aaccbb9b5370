#include "core/time_zones.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace ostrel {
namespace {

// The list runs west to east without repeats, from -12 to +14, holding every whole hour between
// and the offsets with minutes that the world uses; each reads back from its own text.
TEST(TimeZones, EveryOffsetInUseInOrder)
{
    std::set<std::string> texts;
    for (std::size_t i = 0; i < kTimeZones.size(); ++i) {
        const TTimeZone& zone = kTimeZones[i];
        if (i > 0) {
            const TTimeZone& before = kTimeZones[i - 1];
            EXPECT_LT(before.Hours * 60 + before.Minutes, zone.Hours * 60 + zone.Minutes);
        }
        const std::string text = TimeZoneText(zone);
        texts.insert(text);
        EXPECT_EQ(ParseTimeZone(text, kEarliestTimeZoneHours, kLatestTimeZoneHours), zone) << text;
    }
    for (int hours = -12; hours <= 14; ++hours)
        EXPECT_TRUE(texts.count((hours > 0 ? "+" : "") + std::to_string(hours))) << hours;
    for (const char* text : { "-9:30", "-3:30", "+3:30", "+4:30", "+5:30", "+5:45", "+6:30",
             "+8:45", "+9:30", "+10:30", "+12:45" })
        EXPECT_TRUE(texts.count(text)) << text;
    EXPECT_EQ(texts.size(), kTimeZones.size());
    EXPECT_EQ(kEarliestTimeZoneHours, -12);
    EXPECT_EQ(kLatestTimeZoneHours, 14);
}

TEST(TimeZones, TextsAndTheirReading)
{
    EXPECT_EQ(TimeZoneText({ 9, 0 }), "+9");
    EXPECT_EQ(TimeZoneText({ 0, 0 }), "0");
    EXPECT_EQ(TimeZoneText({ -3, -30 }), "-3:30");
    EXPECT_EQ(TimeZoneText({ 0, -45 }), "-0:45");
    EXPECT_EQ(ParseTimeZone("9", -12, 14), (TTimeZone { 9, 0 }));
    EXPECT_EQ(ParseTimeZone("-0:45", -12, 14), (TTimeZone { 0, -45 }));
    EXPECT_EQ(ParseTimeZone("+5:17", -12, 14), (TTimeZone { 5, 17 })); // any minutes
    for (const char* refused : { "", "+", "9h", "+5:3", "+5:60", "14:30", "-12:01", "15", ":30" })
        EXPECT_FALSE(ParseTimeZone(refused, -12, 14)) << refused;
}

} // namespace
} // namespace ostrel
