// Fuzzes a whole conversion: arbitrary bytes as the log, converted to NMEA or KML with settings
// drawn from the input, including values that neither the window nor the command line lets
// through (limits of 0, below 0, huge or not a number; any origin item; any time zone, interval,
// opacity and colour; odd separators and style lines).
//
// Each run must end in a complete output or in one of the converter's errors. After an error
// the earlier file at the output path is unchanged; after either, no temporary file is left.
//
// Input: the settings are taken from the end of the input, the log is what remains in front.

#include "conversion/conversion.h"
#include "core/errors.h"
#include "core/settings.h"
#include "fuzz_support.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <limits>
#include <string>
#include <string_view>

namespace {

using namespace ostrel;
using namespace ostrel::fuzz;

constexpr std::string_view kEarlier = "an earlier file that a failed conversion must keep\r\n";
constexpr std::string_view kNmeaHeader = "@Sonygps/ver1.0/wgs-84\r\n";
constexpr std::string_view kKmlStart = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
constexpr std::string_view kKmlTail = "</Document>\r\n</kml>\r\n";

double SpeedLimit(FuzzedDataProvider& in)
{
    constexpr double kInf = std::numeric_limits<double>::infinity();
    static constexpr std::array<double, 12> kLimits
        = { 10.0, 25.0, 70.0, 150.0, 0.0, -1.0, 1e-300, 1e300, kInf, -kInf,
              std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::max() };
    const std::size_t pick = in.ConsumeIntegralInRange<std::size_t>(0, kLimits.size());
    return pick < kLimits.size() ? kLimits[pick] : in.ConsumeFloatingPoint<double>();
}

// Mostly what people choose, sometimes anything a 32-bit value holds.
std::int32_t Hours(FuzzedDataProvider& in)
{
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<std::int32_t>(-12, 14)
                            : in.ConsumeIntegral<std::int32_t>();
}

std::int32_t Minutes(FuzzedDataProvider& in)
{
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<std::int32_t>(-2, 10)
                            : in.ConsumeIntegral<std::int32_t>();
}

int Origin(FuzzedDataProvider& in)
{
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(-2, 21) : in.ConsumeIntegral<int>();
}

// One character as the regional settings give it, or up to four bytes of anything.
std::string Separator(FuzzedDataProvider& in, std::string_view usual)
{
    static constexpr std::array<std::string_view, 8> kSeparators
        = { ",", "-", " ", "\xe5\xb9\xb4", "\xc2\xb7", "'", "\xd9\xab", "" };
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        return std::string(usual);
    case 1:
        return std::string(kSeparators[in.ConsumeIntegralInRange<std::size_t>(0, 7)]);
    default:
        return in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, 4));
    }
}

TConvertSettings Settings(FuzzedDataProvider& in)
{
    TConvertSettings settings;
    settings.SpeedLimitKmh = SpeedLimit(in);
    settings.TimeZoneHours = Hours(in);
    settings.WaypointIntervalMin = Minutes(in);
    settings.OriginIndex = Origin(in);
    settings.WayPoints = in.ConsumeBool();
    settings.OpacityPercent
        = in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(0, 110) : in.ConsumeIntegral<int>();
    settings.WaypointColor = in.ConsumeIntegral<std::uint32_t>();
    settings.CurrentYear = in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(1990, 2100)
                                            : in.ConsumeIntegralInRange<int>(1, 9999);
    settings.Separators.Decimal = Separator(in, ".");
    settings.Separators.Date = Separator(in, "/");
    settings.Separators.Time = Separator(in, ":");
    if (in.ConsumeBool()) {
        const std::size_t line = in.ConsumeIntegralInRange<std::size_t>(0, kStyleTemplateLines - 1);
        settings.StyleTemplate[line] = in.ConsumeBytesAsString(in.ConsumeIntegralInRange(0, 16));
    }
    return settings;
}

unsigned Hex(char c)
{
    return c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>(c - 'A' + 10);
}

// The header, then pairs of GGA and RMC sentences, each "$body*HH" with the XOR of the body.
void CheckNmea(std::string_view text)
{
    Check(text.starts_with(kNmeaHeader), "NMEA output without its header");
    text.remove_prefix(kNmeaHeader.size());
    std::size_t sentences = 0;
    while (!text.empty()) {
        const std::size_t end = text.find("\r\n");
        Check(end != std::string_view::npos, "NMEA sentence without CR LF");
        const std::string_view sentence = text.substr(0, end);
        Check(sentence.size() >= 10 && sentence[0] == '$' && sentence[sentence.size() - 3] == '*',
            "NMEA sentence not framed $body*HH");
        const std::string_view body = sentence.substr(1, sentence.size() - 4);
        Check(body.starts_with(sentences % 2 == 0 ? "GPGGA," : "GPRMC,"),
            "NMEA sentences not in GGA, RMC pairs");
        unsigned sum = 0;
        for (char c : body)
            sum ^= static_cast<unsigned char>(c);
        const char high = sentence[sentence.size() - 2];
        const char low = sentence[sentence.size() - 1];
        const auto isHex = [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        };
        Check(isHex(high) && isHex(low) && Hex(high) * 16 + Hex(low) == sum,
            "NMEA checksum does not match its sentence");
        text.remove_prefix(end + 2);
        ++sentences;
    }
    Check(sentences % 2 == 0, "an NMEA fix without both sentences");
}

void CheckKml(std::string_view text, bool wayPoints)
{
    Check(text.starts_with(kKmlStart), "KML output without its XML declaration");
    Check(text.ends_with(kKmlTail), "KML output without its document end");
    Check((text.find("<Folder><name>waypoints</name>") != std::string_view::npos) == wayPoints,
        "KML waypoint folder does not follow the waypoint setting");
}

// No control character in a message, and a message that quotes a text of the log ends with its
// own words: a NUL taken over from the log would cut it short there.
void CheckMessage(const Error& error)
{
    const std::string_view message = error.what();
    for (const char c : message)
        Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F,
            "an error message holds a control character");
    if (dynamic_cast<const ConvertError*>(&error) != nullptr)
        Check(message.ends_with("ではありません"), "a conversion error's message is cut short");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool kml = in.ConsumeBool();
    const TConvertSettings settings = Settings(in);
    const std::string log = in.ConsumeRemainingBytesAsString();

    const std::filesystem::path& folder = ScratchFolder();
    const std::filesystem::path input = folder / "input.log";
    const std::filesystem::path output = folder / (kml ? "output.kml" : "output.log");
    WriteWhole(input, log);
    WriteWhole(output, kEarlier);

    std::optional<TConversionResult> result; // nothing after an error
    try {
        result = ProcFile(input, output, settings);
    } catch (const Error& error) {
        Check(ReadWhole(output) == kEarlier, "a failed conversion changed the earlier file");
        CheckMessage(error);
    }
    if (result) {
        Check(!std::isnan(result->TotalMetres) && result->TotalMetres >= 0,
            "the track length is below 0 or not a number");
        const std::string text = ReadWhole(output);
        if (kml)
            CheckKml(text, settings.WayPoints);
        else
            CheckNmea(text);
    }
    Check(ReadWhole(input) == log, "the conversion changed its input");
    const std::vector<std::string> expected { "input.log", output.filename().string() };
    Check(FolderNames(folder) == expected, "a conversion left a file behind or took one away");
    std::filesystem::remove(output);

    // The default name's stamp: 14 digits, or the parser's error.
    try {
        const std::string stamp = FirstRecordStamp(input, settings.CurrentYear);
        Check(stamp.size() == 14 && stamp.find_first_not_of("0123456789") == std::string::npos,
            "the first record's stamp is not 14 digits");
    } catch (const Error& error) {
        CheckMessage(error);
    }
    return 0;
}
