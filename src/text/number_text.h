#pragma once

// Number texts. Both forms round halves away from zero on the exact binary value of the double
// (0.125 gives "0.13" with 2 decimals, 2.5 gives "3" with none), use no digit grouping and no
// locale: the decimal separator is a parameter.

#include <cstddef>
#include <string>
#include <string_view>

namespace ostrel {

// Room that one number text never exceeds, separator included.
inline constexpr std::size_t kMaxNumberText = 64;

// Fixed text with at most `precision` significant digits and `decimals` decimals: rounded at
// whichever position gives fewer digits, written with a minus sign when negative, at least one
// integer digit and exactly `decimals` decimals. A value whose integer part needs more than
// `precision` digits is written in scientific notation instead ("1.2346E+5"); non-finite values
// are "NAN", "INF" and "-INF". precision 1..18, decimals 0..18; other counts, and a separator of
// more than 8 bytes, throw std::invalid_argument.
// Writes at most kMaxNumberText characters at out and returns the end.
char* WriteFixed(
    char* out, double value, int precision, int decimals, std::string_view decimalSep = ".");
std::string FormatFixed(
    double value, int precision, int decimals, std::string_view decimalSep = ".");

// The same text as WriteFixed, always worked out from the full decimal expansion of the value:
// slow, the reference that the integer arithmetic of WriteFixed is checked against.
char* WriteFixedExact(
    char* out, double value, int precision, int decimals, std::string_view decimalSep = ".");

// General text with at most 15 significant digits: trailing zeros of the fraction dropped, and
// the separator too when no fraction remains ("140"); scientific notation for magnitudes from
// 1E15 on and below 1E-5.
char* WriteGeneral(char* out, double value, std::string_view decimalSep = ".");
std::string FormatGeneral(double value, std::string_view decimalSep = ".");

} // namespace ostrel
