#pragma once

// Numbers typed by users, in the window's boxes and on the command line: one reading for both.

#include <cstddef>
#include <optional>
#include <string_view>

namespace ostrel {

// A whole decimal number and nothing else, with one optional leading "+" or "-" ("+9" gives 9);
// nothing for any other text, the empty one included, and beyond the range of long long.
std::optional<long long> ParseWholeNumber(std::string_view text);

// A finite decimal number with a period as decimal point and an optional exponent ("7",
// "-2.5", "1e2"), with one optional leading "+" or "-"; nothing for any other text, "nan" and
// "inf" included, and beyond the range of a double.
std::optional<double> ParseFiniteNumber(std::string_view text);

// The number of the count digits at text[at] (a fixed-width field, as of a date); nothing unless
// all of them are there and are digits.
std::optional<int> FixedDigits(std::string_view text, std::size_t at, std::size_t count);

} // namespace ostrel
