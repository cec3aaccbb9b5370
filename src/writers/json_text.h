#pragma once

// Text for JSON documents (GeoJSON): strings escaped as JSON wants them, and numbers written the
// way the command line's --json writes them, so that a script reads the same values from both.

#include <cstddef>
#include <string>
#include <string_view>

namespace ostrel {

// The text as a JSON string, quotes included: '"' and '\' escaped, control characters as \b, \f,
// \n, \r, \t or \u00XX, UTF-8 passed as it is, and each byte that is not part of valid UTF-8 as
// U+FFFD, so that the document is valid UTF-8 whatever the text held.
void AppendJsonString(std::string& out, std::string_view text);

// Room that one JSON number never exceeds.
inline constexpr std::size_t kMaxJsonNumber = 32;

// The shortest digits that read back as the same double, laid out as --json lays them out: a
// fraction always shown (1.0, 0.47, 100.0, 0.0001), an exponent from 10^15 on and below 10^-4
// (1e+15, 1e-05); "null" for what is not a number. Writes at out and returns the end.
char* WriteJsonNumber(char* out, double value);
std::string FormatJsonNumber(double value);

} // namespace ostrel
