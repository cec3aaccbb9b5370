#include "core/errors.h"
#include "core/test_support.h"
#include "log/gps_rec.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::RecordLine;

constexpr int kYear = 2026;

// The message of the conversion error that parsing `line` raises; empty when it parses.
std::string ParseError(std::string_view line)
{
    TGPSRec rec;
    try {
        ParseLogLine(line, rec, kYear);
    } catch (const ConvertError& error) {
        return error.what();
    }
    return {};
}

TGPSRec Parse(std::string_view line)
{
    TGPSRec rec;
    ParseLogLine(line, rec, kYear);
    return rec;
}

TEST(ParseLogLine, CopiesTextsAndConvertsTimeDateAndPosition)
{
    TGPSRec rec
        = Parse(RecordLine("123456", "3539.123456", "13945.123456", "061226", "V", "TAG001"));
    EXPECT_EQ(rec.Tag, "TAG001");
    EXPECT_EQ(rec.TimeText, "123456");
    EXPECT_EQ(rec.DateText, "061226");
    EXPECT_EQ(rec.Status, "V");
    EXPECT_DOUBLE_EQ(rec.Lat, 35 + 39.123456 / 60);
    EXPECT_DOUBLE_EQ(rec.Lon, 139 + 45.123456 / 60);
    // 6 December 2026 is day 46362 after 30 December 1899.
    EXPECT_EQ(rec.DateTime, 46362 + (12 * 3600 + 34 * 60 + 56) / 86400.0);
}

TEST(ParseLogLine, TimeOfDayLimits)
{
    EXPECT_EQ(Parse(RecordLine("235959", "3539.1", "13945.1", "010107")).DateTime,
        DayNumber(2007, 1, 1) + 86399 / 86400.0);
    EXPECT_EQ(Parse(RecordLine("000000", "3539.1", "13945.1", "010107")).DateTime, 39083.0);
    EXPECT_EQ(ParseError(RecordLine("240000", "3539.1", "13945.1", "010107")),
        TimeError("24:00:00").what());
    EXPECT_EQ(ParseError(RecordLine("235960", "3539.1", "13945.1", "010107")),
        TimeError("23:59:60").what());
    EXPECT_EQ(ParseError(RecordLine("236000", "3539.1", "13945.1", "010107")),
        TimeError("23:60:00").what());
}

TEST(ParseLogLine, TwoCharacterPartsAllowBlanksButNeedADigit)
{
    EXPECT_EQ(Parse(RecordLine(" 1 2 3", "3539.1", "13945.1", " 1 1 7")).DateTime,
        DayNumber(2007, 1, 1) + (3600 + 2 * 60 + 3) / 86400.0);
    EXPECT_EQ(Parse(RecordLine("1 2 3 ", "3539.1", "13945.1", "1 1 7 ")).DateTime,
        DayNumber(2007, 1, 1) + (3600 + 2 * 60 + 3) / 86400.0);
    EXPECT_EQ(ParseError(RecordLine("12  56", "3539.1", "13945.1", "010107")),
        TimeError("12:  :56").what());
    EXPECT_EQ(ParseError(RecordLine("12x456", "3539.1", "13945.1", "010107")),
        TimeError("12:x4:56").what());
    EXPECT_EQ(ParseError(RecordLine("123456", "3539.1", "13945.1", "01  07")),
        DateError("01/  /07").what());
}

TEST(ParseLogLine, DatesAndTheCenturyWindow)
{
    EXPECT_EQ(Parse(RecordLine("000000", "3539.1", "13945.1", "290200")).DateTime,
        DayNumber(2000, 2, 29));
    EXPECT_EQ(ParseError(RecordLine("000000", "3539.1", "13945.1", "290201")),
        DateError("29/02/01").what());
    EXPECT_EQ(Parse(RecordLine("000000", "3539.1", "13945.1", "311299")).DateTime,
        DayNumber(1999, 12, 31));
    EXPECT_EQ(Parse(RecordLine("000000", "3539.1", "13945.1", "010107")).DateTime, 39083.0);
    EXPECT_EQ(ParseError(RecordLine("000000", "3539.1", "13945.1", "311106")),
        DateError("31/11/06").what());
    EXPECT_EQ(ParseError(RecordLine("000000", "3539.1", "13945.1", "011306")),
        DateError("01/13/06").what());
    EXPECT_EQ(ParseError(RecordLine("000000", "3539.1", "13945.1", "000106")),
        DateError("00/01/06").what());
}

// Full-width record lines, every field digits in all its columns, as loggers write them: the
// form that the parser reads in one pass. Each time or date out of range must fail with the
// error that reading field by field gives; each boundary must convert.
TEST(ParseLogLine, FullWidthLinesCheckEveryRangeBound)
{
    struct TCase
    {
        std::string_view Time, Date;
        std::string Expected; // the error's message
    };
    const std::vector<TCase> refused = {
        { "240000", "010107", TimeError("24:00:00").what() },
        { "006000", "010107", TimeError("00:60:00").what() },
        { "000060", "010107", TimeError("00:00:60").what() },
        { "120000", "011307", DateError("01/13/07").what() },
        { "120000", "010007", DateError("01/00/07").what() },
        { "120000", "320107", DateError("32/01/07").what() },
        { "120000", "000107", DateError("00/01/07").what() },
        { "120000", "310407", DateError("31/04/07").what() },
        { "120000", "290207", DateError("29/02/07").what() }, // 2007 is no leap year
    };
    for (const TCase& c : refused) {
        const std::string line = RecordLine(c.Time, "3539.123456", "13945.123456", c.Date);
        SCOPED_TRACE(line);
        ASSERT_EQ(line.size(), kRecordLineLength);
        EXPECT_EQ(ParseError(line), c.Expected);
    }

    struct TAccepted
    {
        std::string_view Time, Date;
        int Year, Month, Day, Seconds;
    };
    const std::vector<TAccepted> accepted = {
        { "235959", "311207", 2007, 12, 31, 86399 },
        { "000000", "010107", 2007, 1, 1, 0 },
        { "235959", "290208", 2008, 2, 29, 86399 },
        { "120000", "300407", 2007, 4, 30, 43200 },
        { "000000", "290200", 2000, 2, 29, 0 },
    };
    for (const TAccepted& c : accepted) {
        const TGPSRec rec
            = Parse(RecordLine(c.Time, "3539.123456", "13945.123456", c.Date, "A", "$GPRMC"));
        SCOPED_TRACE(testing::Message() << c.Time << " " << c.Date);
        EXPECT_EQ(rec.DateTime, DayNumber(c.Year, c.Month, c.Day) + c.Seconds / 86400.0);
        EXPECT_EQ(rec.TimeText, c.Time);
        EXPECT_EQ(rec.DateText, c.Date);
        EXPECT_EQ(rec.Tag, "$GPRMC");
        EXPECT_EQ(rec.Lat, 35 + 39.123456 / 60);
    }
}

// A latitude past 90 degrees or a longitude past 180 (degrees and minutes together) is refused
// with the field's text, in the parser's field order, whether the line is full width (the form
// read in one pass) or not; 90 and 180 themselves convert.
TEST(ParseLogLine, PositionsPastNinetyAndOneEightyAreRefused)
{
    struct TCase
    {
        std::string_view Time, Lat, Lon, Date;
        std::string Expected; // the error's message
    };
    const std::vector<TCase> refused = {
        { "120000", "9100.000000", "13945.123456", "010107", PositionError("9100.000000").what() },
        { "120000", "9000.000001", "13945.123456", "010107", PositionError("9000.000001").what() },
        { "120000", "8960.000001", "13945.123456", "010107", PositionError("8960.000001").what() },
        { "120000", "9100.0", "13945.1", "010107", PositionError("9100.0").what() },
        { "120000", "3539.123456", "18100.000000", "010107", PositionError("18100.000000").what() },
        { "120000", "3539.123456", "18000.000001", "010107", PositionError("18000.000001").what() },
        { "120000", "3539.1", "99999999.99", "010107", PositionError("99999999.99").what() },
        // the latitude is read before the longitude, the time before both, the date after
        { "120000", "9100.000000", "18100.000000", "010107", PositionError("9100.000000").what() },
        { "250000", "9100.000000", "13945.123456", "010107", TimeError("25:00:00").what() },
        { "120000", "3539.123456", "18100.000000", "320107", PositionError("18100.000000").what() },
    };
    for (const TCase& c : refused) {
        const std::string line = RecordLine(c.Time, c.Lat, c.Lon, c.Date);
        SCOPED_TRACE(line);
        EXPECT_EQ(ParseError(line), c.Expected);
    }
    for (const auto& [lat, lon] :
        { std::pair { "9000.000000", "18000.000000" }, std::pair { "9000.0", "18000.0" } }) {
        const TGPSRec rec = Parse(RecordLine("120000", lat, lon, "010107"));
        EXPECT_EQ(rec.Lat, 90.0) << lat;
        EXPECT_EQ(rec.Lon, 180.0) << lon;
    }
}

// A field that does not convert is named by its error, whichever way it fails: the hint of the
// error box tells what that field should hold.
TEST(ParseLogLine, ErrorsNameTheirField)
{
    const auto fieldOf = [](std::string_view line) -> std::optional<TLogField> {
        TGPSRec rec;
        try {
            ParseLogLine(line, rec, kYear);
        } catch (const ConvertError& error) {
            return error.Field();
        }
        return std::nullopt;
    };
    EXPECT_EQ(fieldOf(RecordLine("25000x", "3539.1", "13945.1", "010107")), TLogField::Time);
    EXPECT_EQ(fieldOf(RecordLine("120000", "x539.1", "13945.1", "010107")), TLogField::Latitude);
    EXPECT_EQ(fieldOf(RecordLine("120000", "9100.0", "13945.1", "010107")), TLogField::Latitude);
    EXPECT_EQ(fieldOf(RecordLine("120000", "3539.1", "", "010107")), TLogField::Longitude);
    EXPECT_EQ(fieldOf(RecordLine("120000", "3539.1", "13945.x", "010107")), TLogField::Longitude);
    EXPECT_EQ(fieldOf(RecordLine("120000", "3539.1", "13945.1", "320107")), TLogField::Date);
    EXPECT_EQ(fieldOf(""), TLogField::Time); // a file without a record line ends here
    EXPECT_EQ(fieldOf(RecordLine("120000", "3539.1", "13945.1", "010107")), std::nullopt);
}

TEST(ExpandTwoDigitYear, FiftyYearsBackAndFortyNineAhead)
{
    EXPECT_EQ(ExpandTwoDigitYear(0, 2026), 2000);
    EXPECT_EQ(ExpandTwoDigitYear(75, 2026), 2075);
    EXPECT_EQ(ExpandTwoDigitYear(76, 2026), 1976);
    EXPECT_EQ(ExpandTwoDigitYear(99, 2026), 1999);
    EXPECT_EQ(ExpandTwoDigitYear(49, 2000), 2049);
    EXPECT_EQ(ExpandTwoDigitYear(50, 2000), 1950);
    EXPECT_EQ(ExpandTwoDigitYear(99, 2049), 1999);
    EXPECT_EQ(ExpandTwoDigitYear(98, 2049), 2098);
    EXPECT_EQ(ExpandTwoDigitYear(0, 2050), 2000);
}

TEST(DayNumber, KnownDays)
{
    EXPECT_EQ(DayNumber(1899, 12, 30), 0);
    EXPECT_EQ(DayNumber(1900, 1, 1), 2);
    EXPECT_EQ(DayNumber(1970, 1, 1), 25569);
    EXPECT_EQ(DayNumber(2000, 3, 1), 36586);
    EXPECT_EQ(DayNumber(2007, 1, 1), 39083);
    // the ends of the four-digit years, and the leap rules of centuries
    EXPECT_EQ(DayNumber(1, 1, 1), -693593);
    EXPECT_EQ(DayNumber(9999, 12, 31), 2958465);
    EXPECT_EQ(DayNumber(2100, 3, 1) - DayNumber(2100, 2, 28), 1);
    EXPECT_EQ(DayNumber(2000, 3, 1) - DayNumber(2000, 2, 28), 2);
    // a day past the month's end runs on into the next month
    EXPECT_EQ(DayNumber(2007, 2, 29), DayNumber(2007, 3, 1));
}

TEST(ParseDegMin, LastTwoDigitsBeforeThePointAreTheMinutes)
{
    EXPECT_DOUBLE_EQ(ParseDegMin("3539.123456"), 35.6520576);
    EXPECT_DOUBLE_EQ(ParseDegMin("13945.123456"), 139.7520576);
    EXPECT_EQ(ParseDegMin("539.5"), 5 + 39.5 / 60);
    EXPECT_EQ(ParseDegMin("  3539.5  "), 35 + 39.5 / 60);
    EXPECT_EQ(ParseDegMin("3575.0"), 35 + 75.0 / 60); // no range test
}

TEST(ParseDegMin, ErrorsNameTheTextThatFailed)
{
    auto message = [](std::string_view text) -> std::string {
        try {
            ParseDegMin(text);
        } catch (const ConvertError& error) {
            return error.what();
        }
        return "parsed";
    };
    EXPECT_EQ(message("3539"), IntegerError("").what());
    EXPECT_EQ(message("35.39"), IntegerError("").what());
    EXPECT_EQ(message("        "), IntegerError("").what());
    EXPECT_EQ(message("3 539.1"), IntegerError("3 5").what());
    EXPECT_EQ(message("-3539.1"), IntegerError("-35").what());
    EXPECT_EQ(message("3539.1N"), FloatError("39.1N").what());
    EXPECT_EQ(message("3539.1 N"), FloatError("39.1 N").what());
    EXPECT_EQ(message("3539.1.2"), FloatError("39.1.2").what());
    EXPECT_EQ(message("99999999999539.1"), IntegerError("999999999995").what());
}

TEST(ParseLogLine, ErrorsComeInColumnOrderAndEarlierFieldsStay)
{
    TGPSRec rec;
    std::string line = RecordLine("123456", "3539.1", "139451", "ab0107", "A", "FIRST");
    EXPECT_THROW(ParseLogLine(line, rec, kYear), ConvertError);
    EXPECT_EQ(rec.Tag, "FIRST ");
    EXPECT_EQ(rec.Status, "A");
    EXPECT_DOUBLE_EQ(rec.Lat, 35 + 39.1 / 60);
    EXPECT_EQ(rec.DateText, ""); // the longitude failed before the date was read
    EXPECT_EQ(ParseError(line), IntegerError("").what());
}

TEST(ParseLogLine, ShortLinesReadEmptyFields)
{
    EXPECT_EQ(ParseError(""), TimeError("::").what());
    EXPECT_EQ(ParseError("$GP"), TimeError("::").what());
    EXPECT_EQ(ParseError("$GPRMC,1234"), TimeError("12:34:").what());
}

TEST(ParseLogLine, UnreadColumnsDoNotMatter)
{
    std::string a = RecordLine("123456", "3539.123456", "13945.123456", "061226");
    std::string b = a;
    for (std::size_t column : { 7, 14, 16, 28, 29, 30, 43, 46, 49, 56, 60 })
        b[column - 1] = '#';
    EXPECT_EQ(Parse(a), Parse(b));
}

TEST(ParseLogLine, ALongerLineWithFieldsInPlaceParses)
{
    std::string line = RecordLine("123456", "3539.123456", "13945.123456", "061226") + "trailing";
    EXPECT_EQ(Parse(line).TimeText, "123456");
}

} // namespace
} // namespace ostrel
