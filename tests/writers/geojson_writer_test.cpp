#include "core/test_support.h"
#include "writers/json_text.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::RecordLine;

// Boundary cases of the number layout, each as --json (nlohmann::json) writes that double.
TEST(JsonText, NumbersAreLaidOutAsJsonLinesHaveThem)
{
    const std::pair<double, const char*> cases[] = {
        { 0.0, "0.0" },
        { -0.0, "-0.0" },
        { 1.0, "1.0" },
        { 100.0, "100.0" },
        { 0.47, "0.47" },
        { 35.6520576, "35.6520576" },
        { 123456.789, "123456.789" },
        { 0.1 + 0.2, "0.30000000000000004" },
        { 1e14, "100000000000000.0" },
        { 1e15, "1e+15" },
        { 1.5e21, "1.5e+21" },
        { 1e-4, "0.0001" },
        { 0.00012, "0.00012" },
        { 1e-5, "1e-05" },
        { -3.5e-7, "-3.5e-07" },
        { 1e-300, "1e-300" },
        { 1.0 / 0.0, "null" },
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FormatJsonNumber(value), text) << value;
}

TEST(JsonText, StringsAreEscapedAndValidUtf8)
{
    const auto json = [](std::string_view text) {
        std::string out;
        AppendJsonString(out, text);
        return out;
    };
    EXPECT_EQ(json("a\"b\\c/d"), R"("a\"b\\c/d")");
    EXPECT_EQ(json("\b\f\n\r\t\x01\x1F\x7F"),
        R"("\b\f\n\r\t\u0001\u001f)"
        "\x7F\"");
    EXPECT_EQ(json("\xE3\x83\xBB km \xF0\x9F\x98\x80"), "\"\xE3\x83\xBB km \xF0\x9F\x98\x80\"");
    // A stray continuation byte, a cut sequence, an overlong form and a surrogate.
    EXPECT_EQ(json("\x80x\xE3\x83"), "\"\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(json("\xC0\xAF\xED\xA0\x80"),
        "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

// A route that starts again after gaps is a MultiLineString, one line a segment; a segment of
// one fix gives its position twice, since a line needs two.
TEST(GeoJsonWriter, SegmentsAreTheLinesOfAMultiLineString)
{
    TConvertSettings settings = test::Settings();
    settings.SpeedLimitKmh = 150;
    settings.SplitGapMin = 5;
    settings.WayPoints = false;
    const std::string geojson
        = test::ConvertLines({ RecordLine("010000", "3539.0", "13945.0", "010107"),
                                 RecordLine("010010", "3539.0", "13945.006", "010107"),
                                 RecordLine("010020", "3539.0", "13945.012", "010107"),
                                 RecordLine("011000", "3539.0", "13945.018", "010107"),
                                 RecordLine("011010", "3539.0", "13945.024", "010107"),
                                 RecordLine("012000", "3539.0", "13945.03", "010107") },
            settings, "out.geojson");
    EXPECT_NE(geojson.find("\"segments\":3,"), std::string::npos);
    const std::string geometry = geojson.substr(geojson.find("\"geometry\""));
    EXPECT_EQ(geometry,
        "\"geometry\":{\"type\":\"MultiLineString\",\"coordinates\":[\r\n"
        "[[139.7501000,35.6500000],\r\n"
        "[139.7502000,35.6500000]],\r\n"
        "[[139.7503000,35.6500000],\r\n"
        "[139.7504000,35.6500000]],\r\n"
        "[[139.7505000,35.6500000],\r\n"
        "[139.7505000,35.6500000]]]}}\r\n"
        "]}\r\n");
}

} // namespace
} // namespace ostrel
