#include "geo/kinematics.h"
#include "writers/nmea_writer.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(NmeaWriter, SentencesOfOneFix)
{
    TGPSRec rec;
    rec.TimeText = "123456";
    rec.Status = "A";
    rec.Lat = 35.6520576;
    rec.Lon = 139.7520576;
    rec.DateText = "061226";
    EXPECT_EQ(FormatFixSentences(rec, { 6.0, 45.0, 0.0 }),
        "$GPGGA,123456,3539.1235,N,13945.1235,E,1,04,02.0,00034.0,M,033.9,M,,*4B\r\n"
        "$GPRMC,123456,A,3539.1235,N,13945.1235,E,003.2,045.0,061226,,,A*70\r\n");
}

TEST(NmeaWriter, Checksum)
{
    EXPECT_EQ(NmeaChecksum("abc"), "60");
    EXPECT_EQ(NmeaChecksum(""), "00");
    EXPECT_EQ(
        NmeaChecksum("GPGGA,123456,3539.1235,N,13945.1235,E,1,04,02.0,00034.0,M,033.9,M,,"), "4B");
    EXPECT_EQ(NmeaChecksum("\x7f\x80"), "FF"); // upper-case digits, bytes taken unsigned
}

TEST(NmeaWriter, LatitudeAndLongitude)
{
    EXPECT_EQ(FormatLatitude(35.6520576), "3539.1235");
    EXPECT_EQ(FormatLatitude(35.05), "3503.0000");
    EXPECT_EQ(FormatLatitude(5.5), "0530.0000");
    EXPECT_EQ(FormatLatitude(0.0), "0000.0000");
    EXPECT_EQ(FormatLongitude(139.7520576), "13945.1235");
    EXPECT_EQ(FormatLongitude(5.5), "00530.0000");
    // Minutes that round up to 60 are written so; the degrees are not carried.
    EXPECT_EQ(FormatLatitude(35.99999999), "3560.0000");
}

TEST(NmeaWriter, SpeedInKnotsAndCourse)
{
    // One knot is 1.852 km/h.
    EXPECT_EQ(FormatSpeedKnots(6), "003.2");
    EXPECT_EQ(FormatSpeedKnots(100), "054.0");
    EXPECT_EQ(FormatSpeedKnots(250), "135.0");
    EXPECT_EQ(FormatSpeedKnots(0), "000.0");
    EXPECT_EQ(FormatSpeedKnots(2000), "1079.9");
    EXPECT_EQ(FormatCourse(45), "045.0");
    EXPECT_EQ(FormatCourse(270.46), "270.5");
    EXPECT_EQ(FormatCourse(360), "360.0");
    EXPECT_EQ(FormatCourse(0.25), "000.3"); // the tie rounds away from zero
}

} // namespace
} // namespace ostrel
