#pragma once

// A command-line option as a row of a table: its names, what its value is, its default, its texts
// for --help and the manual page, and what it sets. The command line's own options and those of
// each output format (on the format's row) are rows of this kind; the parser, --help, the manual
// page's option list and the bash completion all read them, so that a new option is one row.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ostrel {

// What an option's value is. The parser checks it (and refuses it with its reason) before the
// row's Apply sees it; the completion offers what the kind allows.
enum class TValueKind
{
    None, // a flag: takes no value
    Integer, // a whole number in Min..Max
    Number, // any finite number, with a period as decimal point
    Choice, // one of Choices(), exactly as written there
    TimeZone, // hours, or hours:minutes of one sign, in Min..Max hours
    Color, // RRGGBB (or #RRGGBB), hexadecimal in either letter case
    Path, // a file; not empty
    Folder, // a folder; not empty
    DateTime, // "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" (a "T" may stand for the blank)
    ClockOffset, // how far a clock was ahead, "[+|-][H:]MM:SS"
};

// A value the parser has checked: the text as given and, by kind, what it means.
struct TOptionValue
{
    std::string_view Text;
    long long Integer = 0; // Integer
    double Number = 0.0; // Number; ClockOffset: seconds
    std::size_t Choice = 0; // Choice: the index in Choices()
    std::int32_t Hours = 0; // TimeZone
    std::int32_t Minutes = 0; // TimeZone: with the sign of the hours
    std::uint32_t Color = 0; // Color: laid out 0x00BBGGRR
    double DateTime = 0.0; // DateTime: days since 30 December 1899, the fraction the time of day
};

// The part of a row that describes the option. Help and Manual may name "{default}", "{range}",
// "{choices}" (the names joined by "|", as in Value) and the texts of other tables ("{modes}",
// "{zones}", "{extensions}", ...), which the command line fills in.
struct TOptionSpec
{
    char Short = '\0'; // '\0' when the option has only its long name
    std::string_view Long {}; // without its dashes
    std::string_view Value {}; // the value's name in --help and the manual ("FILE"); "" for a flag
    TValueKind Kind = TValueKind::None;
    long long Min = 0; // Integer and TimeZone: the range (a time zone's in hours)
    long long Max = 0;
    std::vector<std::string_view> (*Choices)() = nullptr; // Choice: the names
    std::string_view Default {}; // as the user would write it; "" when there is none to show
    // Integer: for a stage that is off unless given, the value a window proposes when it is
    // turned on; 0 for none. The command line shows it nowhere.
    long long Proposed = 0;
    std::string_view Help {}; // --help's text after the names; lines after the first are indented
    std::string_view Manual {}; // the manual page's paragraph (roff)
};

// A row: the description and what the option sets in Target (the conversion settings for the
// options of a format). Apply receives only values the parser has accepted.
template <class Target> struct TOption : TOptionSpec
{
    void (*Apply)(Target& target, const TOptionValue& value) = nullptr;
};

} // namespace ostrel
