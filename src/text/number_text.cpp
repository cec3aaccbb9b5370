#include "text/number_text.h"

#include "core/compiler.h"
#include "core/uint128.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace ostrel {
namespace {

constexpr int kMaxPrecision = 18;
constexpr int kMaxDecimals = 18;
// A decimal separator is one character; its UTF-8 text never needs more than this (bytes).
constexpr std::size_t kMaxSeparator = 8;

constexpr int kGeneralDigits = 15;
// General texts are scientific from 1E15 on and below 1E-5 (decimal exponents of the leading
// digit).
constexpr int kGeneralFirstLargeExponent = 15;
constexpr int kGeneralLastSmallExponent = -6;

// Longest fixed text of the exact value of a double: 309 integer digits, or "0." and 1074
// decimals for the smallest subnormal.
constexpr std::size_t kExpansionRoom = 1100;

// Longest rounded digit string: the precision, one more after a carry (19 for 18 digits).
constexpr int kMaxRoundedDigits = kMaxPrecision + 1;

// Worst case of a fixed text: sign, 18 integer digits, separator, 18 decimals.
static_assert(1 + kMaxPrecision + kMaxSeparator + kMaxDecimals <= kMaxNumberText);

constexpr std::array<std::uint64_t, 20> kPow10 = [] {
    std::array<std::uint64_t, 20> table {};
    std::uint64_t p = 1;
    for (auto& entry : table) {
        entry = p;
        p *= 10;
    }
    return table;
}();

constexpr std::array<std::uint64_t, kMaxDecimals + 1> kPow5 = [] {
    std::array<std::uint64_t, kMaxDecimals + 1> table {};
    std::uint64_t p = 1;
    for (auto& entry : table) {
        entry = p;
        p *= 5;
    }
    return table;
}();

// A value rounded to a whole number of units of 10^-Decimals: the decimal digits of that number
// (no leading zeros; none at all for zero). Decimals is negative when tens, hundreds, ... were
// rounded away.
struct TRounded
{
    char Digits[kMaxRoundedDigits + 1];
    int Count;
    int Decimals;
};

// A positive finite double as Mantissa × 2^Exponent.
struct TBinary
{
    std::uint64_t Mantissa;
    int Exponent;
};

TBinary Decompose(double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int field = static_cast<int>(bits >> 52) & 0x7FF;
    const std::uint64_t fraction = bits & ((std::uint64_t { 1 } << 52) - 1);
    if (field == 0)
        return { fraction, -1074 }; // subnormal
    return { fraction | (std::uint64_t { 1 } << 52), field - 1075 };
}

// Number of decimal digits of v (0 for 0).
int DigitCount(std::uint64_t v)
{
    if (v == 0)
        return 0;
    const int guess = (std::bit_width(v) * 1233) >> 12; // bit width × log10(2)
    return guess + 1 - (v < kPow10[guess] ? 1 : 0);
}

// A value rounded to a whole number of units of 10^-Decimals, as one integer of Count digits.
struct TScaled
{
    std::uint64_t Value;
    int Count;
    int Decimals;
};

void SetDigits(TRounded& rounded, const TScaled& scaled)
{
    rounded.Count = scaled.Value == 0
        ? 0
        : static_cast<int>(
            std::to_chars(rounded.Digits, rounded.Digits + kMaxRoundedDigits, scaled.Value).ptr
            - rounded.Digits);
    rounded.Decimals = scaled.Decimals;
}

// Rounding with 128-bit integers: a × 10^decimals = Mantissa × 5^decimals × 2^(Exponent +
// decimals), whose whole part and the bit below it are exact. Returns false for magnitudes out
// of reach (a × 10^decimals of 2^64 or more).
// Inlined into its callers: the call would cost about as much as the rounding.
OSTREL_ALWAYS_INLINE bool RoundFast(double a, int precision, int decimals, TScaled& scaled)
{
    const TBinary binary = Decompose(a);
    const TUInt128 product = MultiplyFull(binary.Mantissa, kPow5[decimals]); // below 2^95
    const int shift = binary.Exponent + decimals;
    TUInt128 whole { 0, 0 };
    bool halfOrMore = false; // the fraction of a × 10^decimals is at least one half
    if (shift >= 0) {
        if (shift > 32)
            return false;
        whole = ShiftLeft(product, shift);
    } else if (-shift < 96) { // past 95 bits half a unit exceeds product: the value rounds to 0
        whole = ShiftRight(product, -shift);
        halfOrMore = BitAt(product, -shift - 1);
    }
    if (whole.High != 0)
        return false;

    const std::uint64_t truncated = whole.Low;
    const int count = DigitCount(truncated); // leading digit at 10^(count - 1 - decimals)
    if (count <= precision) {
        scaled.Value = truncated + (halfOrMore ? 1 : 0);
        scaled.Decimals = decimals;
    } else {
        // More digits than the precision: round at the precision-th digit, decided by the first
        // digit dropped (halves away from zero look no further).
        const int drop = count - precision;
        const std::uint64_t kept = truncated / kPow10[drop];
        const std::uint64_t firstDropped = truncated / kPow10[drop - 1] % 10;
        scaled.Value = kept + (firstDropped >= 5 ? 1 : 0);
        scaled.Decimals = decimals - drop;
    }
    scaled.Count = DigitCount(scaled.Value); // one more than before after a carry
    return true;
}

// Rounding from the exact decimal expansion of a positive finite value (every double is a finite
// decimal fraction): rounded at maxDecimals decimals or at `precision` significant digits,
// whichever keeps fewer digits, halves away from zero, that is up when the first dropped digit
// is 5 or more.
void RoundExact(double a, int precision, int maxDecimals, TRounded& rounded)
{
    if (a == 0) {
        rounded.Count = 0;
        rounded.Decimals = maxDecimals;
        return;
    }
    TBinary binary = Decompose(a);
    const int trailing = std::countr_zero(binary.Mantissa);
    binary.Exponent += trailing; // the mantissa is now odd
    const int exactDecimals = binary.Exponent < 0 ? -binary.Exponent : 0;

    char text[kExpansionRoom];
    const auto result
        = std::to_chars(text, text + sizeof text, a, std::chars_format::fixed, exactDecimals);
    if (result.ec != std::errc {})
        throw std::logic_error("number text: exact expansion does not fit");
    const int length = static_cast<int>(result.ptr - text);

    // Digits without the point: digit i stands at 10^(integerLength - 1 - i).
    const char* point = static_cast<const char*>(std::memchr(text, '.', length));
    const int integerLength = point ? static_cast<int>(point - text) : length;
    int digitCount = length;
    if (point) {
        std::memmove(text + integerLength, text + integerLength + 1, length - integerLength - 1);
        --digitCount;
    }
    int first = 0;
    while (text[first] == '0')
        ++first;
    const int leadExponent = integerLength - 1 - first;

    const int decimals = std::min(maxDecimals, precision - 1 - leadExponent);
    const int keep = leadExponent + 1 + decimals; // digits from the first at or above 10^-decimals
    rounded.Decimals = decimals;
    if (keep <= 0) {
        // Only the digit just below the kept place can round up to one unit.
        const bool up = keep == 0 && text[first] >= '5';
        rounded.Count = up ? 1 : 0;
        rounded.Digits[0] = '1';
        return;
    }
    for (int i = 0; i < keep; ++i)
        rounded.Digits[i] = first + i < digitCount ? text[first + i] : '0';
    rounded.Count = keep;
    if (first + keep < digitCount && text[first + keep] >= '5') {
        int i = keep - 1;
        while (i >= 0 && rounded.Digits[i] == '9')
            rounded.Digits[i--] = '0';
        if (i >= 0) {
            ++rounded.Digits[i];
        } else {
            rounded.Digits[0] = '1';
            rounded.Digits[keep] = '0';
            rounded.Count = keep + 1;
        }
    }
}

// The rounding of a general text (15 significant digits, no limit on decimals) with the integer
// arithmetic of RoundFast, for magnitudes whose leading digit lies from 10^-4 to 10^14. The
// decimals are chosen from the binary exponent so that a × 10^decimals has 15 or 16 digits; with
// 16 the last is rounded away as the precision demands, which is the same rounding. False for
// other magnitudes.
bool RoundGeneralFast(double a, TRounded& rounded)
{
    const TBinary binary = Decompose(a);
    const int binaryExponent = binary.Exponent + std::bit_width(binary.Mantissa) - 1;
    // floor(binaryExponent × log10(2)): the leading digit's exponent or one less.
    const int estimate = (binaryExponent * 78913) >> 18;
    const int decimals = kGeneralDigits - 1 - estimate;
    if (decimals < 0 || decimals > kMaxDecimals)
        return false;
    TScaled scaled;
    if (!RoundFast(a, kGeneralDigits, decimals, scaled))
        return false;
    SetDigits(rounded, scaled);
    return true;
}

char* Put(char* out, std::string_view text)
{
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

char* PutZeros(char* out, int count)
{
    if (count <= 0)
        return out;
    std::memset(out, '0', count);
    return out + count;
}

constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> table {};
    for (int i = 0; i < 100; ++i) {
        table[2 * i] = static_cast<char>('0' + i / 10);
        table[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return table;
}();

// Writes the last `count` decimal digits of v (leading zeros included) so that they end just
// before end; returns v without them.
std::uint64_t PutDigitsBefore(char* end, std::uint64_t v, int count)
{
    for (; count >= 2; count -= 2) {
        end -= 2;
        std::memcpy(end, &kDigitPairs[2 * (v % 100)], 2);
        v /= 100;
    }
    if (count > 0) {
        *--end = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    return v;
}

char* PutSeparator(char* out, std::string_view sep)
{
    if (sep.size() == 1) {
        *out = sep[0];
        return out + 1;
    }
    return Put(out, sep);
}

// The text of WritePlain straight from the scaled integer, digits written in place from the
// right. Needs 0 <= scaled.Decimals <= decimals.
char* WritePlainScaled(
    char* out, bool negative, const TScaled& scaled, int decimals, std::string_view sep)
{
    if (negative && scaled.Value != 0) // a value rounded to zero has no sign
        *out++ = '-';
    const int integerDigits = scaled.Count > scaled.Decimals ? scaled.Count - scaled.Decimals : 1;
    char* const integerEnd = out + integerDigits;
    if (decimals == 0) {
        PutDigitsBefore(integerEnd, scaled.Value, integerDigits);
        return integerEnd;
    }
    char* const fraction = PutSeparator(integerEnd, sep);
    const std::uint64_t whole
        = PutDigitsBefore(fraction + scaled.Decimals, scaled.Value, scaled.Decimals);
    PutDigitsBefore(integerEnd, whole, integerDigits);
    return PutZeros(fraction + scaled.Decimals, decimals - scaled.Decimals);
}

// "d", or "d" sep "ddd" with the mantissa's trailing zeros dropped, then "E", sign, exponent.
char* WriteScientific(char* out, bool negative, const TRounded& rounded, std::string_view sep)
{
    const int exponent = rounded.Count - 1 - rounded.Decimals;
    if (negative)
        *out++ = '-';
    *out++ = rounded.Digits[0];
    int last = rounded.Count;
    while (last > 1 && rounded.Digits[last - 1] == '0')
        --last;
    if (last > 1) {
        out = Put(out, sep);
        out = Put(out, std::string_view(rounded.Digits + 1, last - 1));
    }
    *out++ = 'E';
    *out++ = exponent < 0 ? '-' : '+';
    return std::to_chars(out, out + 8, exponent < 0 ? -exponent : exponent).ptr;
}

// Integer digits (at least one), then, when decimals > 0, the separator and the rounded
// decimals followed by zeros up to `decimals`. Needs 0 <= rounded.Decimals <= decimals.
char* WritePlain(
    char* out, bool negative, const TRounded& rounded, int decimals, std::string_view sep)
{
    if (negative && rounded.Count > 0) // a value rounded to zero has no sign
        *out++ = '-';
    const int integerDigits = rounded.Count - rounded.Decimals;
    if (integerDigits <= 0)
        *out++ = '0';
    else
        out = Put(out, std::string_view(rounded.Digits, integerDigits));
    if (decimals == 0)
        return out;
    out = Put(out, sep);
    out = PutZeros(out, -integerDigits);
    const int from = integerDigits > 0 ? integerDigits : 0;
    out = Put(out, std::string_view(rounded.Digits + from, rounded.Count - from));
    return PutZeros(out, decimals - rounded.Decimals);
}

char* WriteNonFinite(char* out, double value)
{
    if (std::isnan(value))
        return Put(out, "NAN");
    return Put(out, value < 0 ? "-INF" : "INF");
}

void CheckSeparator(std::string_view sep)
{
    if (sep.size() > kMaxSeparator)
        throw std::invalid_argument("number text: decimal separator longer than one character");
}

void CheckFixedArguments(int precision, int decimals, std::string_view sep)
{
    if (precision < 1 || precision > kMaxPrecision)
        throw std::invalid_argument("number text: precision out of 1..18");
    if (decimals < 0 || decimals > kMaxDecimals)
        throw std::invalid_argument("number text: decimals out of 0..18");
    CheckSeparator(sep);
}

char* WriteFixedRounded(char* out, bool negative, const TRounded& rounded, int precision,
    int decimals, std::string_view sep)
{
    if (rounded.Decimals < 0 || rounded.Count - rounded.Decimals > precision)
        return WriteScientific(out, negative, rounded, sep);
    return WritePlain(out, negative, rounded, decimals, sep);
}

} // namespace

char* WriteFixed(char* out, double value, int precision, int decimals, std::string_view decimalSep)
{
    CheckFixedArguments(precision, decimals, decimalSep);
    if (!std::isfinite(value))
        return WriteNonFinite(out, value);
    const double magnitude = std::fabs(value);
    TRounded rounded;
    TScaled scaled;
    if (RoundFast(magnitude, precision, decimals, scaled)) {
        if (scaled.Decimals >= 0 && scaled.Count - scaled.Decimals <= precision)
            return WritePlainScaled(out, std::signbit(value), scaled, decimals, decimalSep);
        SetDigits(rounded, scaled);
    } else {
        RoundExact(magnitude, precision, decimals, rounded);
    }
    return WriteFixedRounded(out, std::signbit(value), rounded, precision, decimals, decimalSep);
}

char* WriteFixedExact(
    char* out, double value, int precision, int decimals, std::string_view decimalSep)
{
    CheckFixedArguments(precision, decimals, decimalSep);
    if (!std::isfinite(value))
        return WriteNonFinite(out, value);
    TRounded rounded;
    RoundExact(std::fabs(value), precision, decimals, rounded);
    return WriteFixedRounded(out, std::signbit(value), rounded, precision, decimals, decimalSep);
}

std::string FormatFixed(double value, int precision, int decimals, std::string_view decimalSep)
{
    char text[kMaxNumberText];
    return std::string(text, WriteFixed(text, value, precision, decimals, decimalSep));
}

char* WriteGeneral(char* out, double value, std::string_view decimalSep)
{
    CheckSeparator(decimalSep);
    if (!std::isfinite(value))
        return WriteNonFinite(out, value);
    if (value == 0) {
        *out++ = '0';
        return out;
    }
    TRounded rounded;
    if (!RoundGeneralFast(std::fabs(value), rounded))
        RoundExact(std::fabs(value), kGeneralDigits, std::numeric_limits<int>::max() / 2, rounded);
    const int exponent = rounded.Count - 1 - rounded.Decimals; // after rounding
    const bool negative = std::signbit(value);
    if (exponent >= kGeneralFirstLargeExponent || exponent <= kGeneralLastSmallExponent)
        return WriteScientific(out, negative, rounded, decimalSep);
    // Here Decimals >= 0; drop the fraction's trailing zeros.
    while (rounded.Decimals > 0 && rounded.Digits[rounded.Count - 1] == '0') {
        --rounded.Count;
        --rounded.Decimals;
    }
    return WritePlain(out, negative, rounded, rounded.Decimals, decimalSep);
}

std::string FormatGeneral(double value, std::string_view decimalSep)
{
    char text[kMaxNumberText];
    return std::string(text, WriteGeneral(text, value, decimalSep));
}

} // namespace ostrel
