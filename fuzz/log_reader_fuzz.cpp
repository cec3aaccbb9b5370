// Fuzzes the log reader and the record parser. The reader's lines are checked against the plain
// model of the line rules in fuzz_support; the parser and ParseDegMin run on the raw bytes and on
// every record line, and may only ever fail with their conversion errors.
//
// Input: byte 0 chooses whether the log lies across a block end of the reader (bits 0, 1 and 5)
// and the clock's year (bits 2 to 4), byte 1 how far in front of the block end it starts; the
// rest is the log.

#include "core/errors.h"
#include "fuzz_support.h"
#include "log/gps_rec.h"
#include "log/log_reader.h"

#include <array>
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace {

using namespace ostrel;
using namespace ostrel::fuzz;

// The reader's block (bytes). Logs put just in front of a block end cross it, whatever the
// reader's block is, the checks still hold.
constexpr std::size_t kReaderBlock = 1 << 18;

// Clock years: today's kind, the ends of the two-digit window, and the ends of the calendar.
constexpr std::array<int, 8> kYears = { 2026, 1999, 2000, 2049, 2050, 1, 9999, 100 };

// What lies in front of the log: nothing, short lines that end just where the log starts, or one
// line without a line end that the log's first line continues.
enum class TLead
{
    None,
    Lines,
    OpenLine,
};

std::string Lead(TLead lead, std::size_t before)
{
    if (lead == TLead::None)
        return {};
    const std::size_t size = kReaderBlock - before;
    if (lead == TLead::OpenLine)
        return std::string(size, 'x');
    std::string text(size, 'f');
    for (std::size_t i = 62; i + 1 < size; i += 64) {
        text[i] = '\r';
        text[i + 1] = '\n';
    }
    if (size >= 2) {
        text[size - 2] = '\r';
        text[size - 1] = '\n';
    }
    return text;
}

void CheckRecord(const TGPSRec& rec, std::string_view line)
{
    Check(rec.Tag == line.substr(0, 6), "Tag is not columns 1-6");
    Check(rec.TimeText == line.substr(7, 6), "TimeText is not columns 8-13");
    Check(rec.Status == line.substr(14, 1), "Status is not column 15");
    Check(rec.DateText == line.substr(49, 6), "DateText is not columns 50-55");
    Check(std::isfinite(rec.DateTime) && std::isfinite(rec.Lat) && std::isfinite(rec.Lon),
        "a parsed record holds a value that is not finite");
    Check(rec.Lat >= 0 && rec.Lon >= 0, "a parsed position is south or west");
}

// The model's columns: from `first` (counted from 1), at most `count` characters.
std::string_view Columns(std::string_view line, std::size_t first, std::size_t count)
{
    return first - 1 < line.size() ? line.substr(first - 1, count) : std::string_view {};
}

// A text as messages show it: C0 controls, DEL and the UTF-8 C1 controls as "?".
std::string Shown(std::string_view text)
{
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool c1 = c == 0xC2 && i + 1 < text.size()
            && static_cast<unsigned char>(text[i + 1]) >= 0x80
            && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        shown += c < 0x20 || c == 0x7F || c1 ? '?' : text[i];
        i += c1 ? 1 : 0;
    }
    return shown;
}

// Degrees and minutes by the rule alone, digit by digit through the general conversions: the
// last two digits before the point are the whole minutes, the digits in front of them (blanks
// allowed before) the degrees; the minutes are digits with a point, blanks allowed behind.
// Returns the value, or the message of the error that ParseDegMin must raise.
std::variant<double, std::string> ModelDegMin(std::string_view text)
{
    const std::size_t dot = text.find('.');
    const bool split = dot != std::string_view::npos && dot >= 3;
    const std::string_view degreesText = split ? text.substr(0, dot - 2) : std::string_view {};
    const std::string_view minutesText = split ? text.substr(dot - 2) : text;

    std::string_view digits = degreesText;
    while (!digits.empty() && digits.front() == ' ')
        digits.remove_prefix(1);
    int degrees = 0;
    const auto [degEnd, degError]
        = std::from_chars(digits.data(), digits.data() + digits.size(), degrees);
    if (digits.empty() || digits.front() < '0' || digits.front() > '9' || degError != std::errc {}
        || degEnd != digits.data() + digits.size())
        return IntegerError(Shown(degreesText)).what();

    std::string_view number = minutesText;
    while (!number.empty() && number.back() == ' ')
        number.remove_suffix(1);
    if (number.empty() || number.front() < '0' || number.front() > '9'
        || number.find_first_not_of("0123456789.") != std::string_view::npos)
        return FloatError(Shown(minutesText)).what();
    double minutes = 0.0;
    const auto [minEnd, minError] = std::from_chars(
        number.data(), number.data() + number.size(), minutes, std::chars_format::fixed);
    if (minError != std::errc {} || minEnd != number.data() + number.size())
        return FloatError(Shown(minutesText)).what();
    return degrees + minutes / 60;
}

// A two-character part of a time or date: digits and blanks, at least one digit.
std::optional<int> TwoDigits(std::string_view part)
{
    int value = 0;
    bool digit = false;
    for (char c : part) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            digit = true;
        } else if (c != ' ') {
            return std::nullopt;
        }
    }
    return digit ? std::optional<int>(value) : std::nullopt;
}

// A log line by the column rules, field by field, into rec; the message of the first field that
// does not convert, or nothing. Days are counted with the standard calendar.
std::optional<std::string> ModelParseLogLine(std::string_view line, TGPSRec& rec, int currentYear)
{
    rec.Tag = Columns(line, 1, 6);
    rec.TimeText = Columns(line, 8, 6);
    const std::string_view t = rec.TimeText;
    const auto pairs = [](std::string_view text, char separator) {
        return Shown(std::string(Columns(text, 1, 2)) + separator + std::string(Columns(text, 3, 2))
            + separator + std::string(Columns(text, 5, 2)));
    };
    const auto h = TwoDigits(Columns(t, 1, 2)), m = TwoDigits(Columns(t, 3, 2)),
               sec = TwoDigits(Columns(t, 5, 2));
    if (!h || !m || !sec || *h > 23 || *m > 59 || *sec > 59)
        return TimeError(pairs(t, ':')).what();
    rec.Status = Columns(line, 15, 1);
    for (double* angle : { &rec.Lat, &rec.Lon }) {
        const bool latitude = angle == &rec.Lat;
        const std::string_view field = latitude ? Columns(line, 17, 11) : Columns(line, 31, 12);
        const auto value = ModelDegMin(field);
        if (const std::string* error = std::get_if<std::string>(&value))
            return *error;
        // No latitude beyond 90 degrees, no longitude beyond 180: the field, without its blanks.
        if (std::get<double>(value) > (latitude ? 90.0 : 180.0)) {
            const std::size_t first = field.find_first_not_of(' ');
            return PositionError(
                Shown(field.substr(first, field.find_last_not_of(' ') - first + 1)))
                .what();
        }
        *angle = std::get<double>(value);
    }
    rec.DateText = Columns(line, 50, 6);
    const std::string_view d = rec.DateText;
    const auto day = TwoDigits(Columns(d, 1, 2)), month = TwoDigits(Columns(d, 3, 2)),
               yy = TwoDigits(Columns(d, 5, 2));
    if (!day || !month || !yy || *month < 1 || *month > 12)
        return DateError(pairs(d, '/')).what();
    // The window currentYear - 50 ... currentYear + 49.
    int year = *yy + (currentYear - 50) / 100 * 100;
    while (year < currentYear - 50)
        year += 100;
    while (year > currentYear + 49)
        year -= 100;
    const std::chrono::year_month_day date { std::chrono::year(year),
        std::chrono::month(static_cast<unsigned>(*month)),
        std::chrono::day(static_cast<unsigned>(*day)) };
    if (!date.ok())
        return DateError(pairs(d, '/')).what();
    const int days = std::chrono::sys_days(date).time_since_epoch().count() + 25569;
    rec.DateTime = days + (*h * 3600 + *m * 60 + *sec) / 86400.0;
    return std::nullopt;
}

void ParseAngle(std::string_view text)
{
    std::variant<double, std::string> got;
    try {
        got = ParseDegMin(text);
    } catch (const ConvertError& error) {
        got = std::string(error.what());
    }
    const std::variant<double, std::string> expected = ModelDegMin(text);
    if (const double* value = std::get_if<double>(&expected)) {
        const double* parsed = std::get_if<double>(&got);
        Check(parsed != nullptr, "ParseDegMin refuses a text that converts");
        Check(std::bit_cast<std::uint64_t>(*parsed) == std::bit_cast<std::uint64_t>(*value),
            "ParseDegMin gives another value than the general conversion");
        Check(std::isfinite(*value) && *value >= 0, "ParseDegMin gave a value out of range");
    } else {
        Check(got == expected, "ParseDegMin fails with another error than the rule's");
    }
}

// Parses one text as a log line, into a new record and over an earlier one; only conversion
// errors may come out, and record and error are the model's.
void Parse(std::string_view line, int year)
{
    const TGPSRec earlier { .DateTime = 12345.5,
        .Lat = 1.25,
        .Lon = 2.5,
        .Tag = "OLDTAG",
        .TimeText = "OLDTIM",
        .DateText = "OLDDAT",
        .Status = "V" };
    for (const TGPSRec& start : { TGPSRec {}, earlier }) {
        TGPSRec rec = start;
        std::optional<std::string> error;
        try {
            ParseLogLine(line, rec, year);
        } catch (const ConvertError& e) {
            error = e.what();
        }
        TGPSRec model = start;
        const std::optional<std::string> modelError = ModelParseLogLine(line, model, year);
        Check(error == modelError, "ParseLogLine fails otherwise than the column rules say");
        Check(rec == model, "ParseLogLine fills the record otherwise than the column rules say");
        if (!error && IsRecordLine(line))
            CheckRecord(rec, line);
    }
}

std::string_view Kept(std::string_view line)
{
    return line.substr(0, TLogReader::kMaxLineKept);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::uint8_t control = data[0];
    const std::size_t before = data[1];
    const std::string_view log(reinterpret_cast<const char*>(data + 2), size - 2);
    // A quarter of the runs put the log across a block end: they are slow.
    const TLead lead
        = (control & 3) == 1 ? static_cast<TLead>(1 + ((control >> 5) & 1)) : TLead::None;
    const int year = kYears[(control >> 2) & 7];

    ParseAngle(log);
    ParseAngle(log.substr(0, 12));
    Parse(log, year);
    Parse(log.substr(0, log.find_first_of("\r\n")), year);

    const std::string bytes = Lead(lead, before) + std::string(log);
    const std::filesystem::path path = ScratchFolder() / "input.log";
    WriteWhole(path, bytes);
    const std::vector<std::string_view> expected = ModelLines(bytes);

    // Line by line to the end.
    {
        TLogReader reader(path);
        std::size_t count = 0;
        while (!reader.AtEnd()) {
            const std::string_view line = reader.ReadLine();
            Check(count < expected.size(), "the reader gives more lines than the log holds");
            Check(line == Kept(expected[count]), "the reader gives another line than the log's");
            ++count;
            if (IsRecordLine(line))
                Parse(line, year);
        }
        Check(count == expected.size(), "the reader gives fewer lines than the log holds");
        Check(reader.ReadLine().empty(), "a line after the end is not empty");
    }

    // The first record line, then the reader goes on behind it.
    {
        TLogReader reader(path);
        std::size_t first = 0;
        while (first < expected.size() && !IsRecordLine(Kept(expected[first])))
            ++first;
        const std::string_view found = ReadFirstRecordLine(reader);
        if (expected.empty()) {
            Check(found.empty(), "an empty log has a first line that is not empty");
            return 0;
        }
        if (first == expected.size())
            first = expected.size() - 1; // no record line: the last line
        Check(found == Kept(expected[first]), "ReadFirstRecordLine gives another line");
        std::size_t count = first + 1;
        while (!reader.AtEnd()) {
            const std::string_view line = reader.ReadLine();
            Check(count < expected.size() && line == Kept(expected[count]),
                "after the first record the reader gives another line");
            ++count;
        }
        Check(count == expected.size(), "after the first record lines are missing");
    }
    return 0;
}
