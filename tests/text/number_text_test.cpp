#include "text/number_text.h"

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace ostrel {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string FixedExact(double value, int precision, int decimals, std::string_view sep = ".")
{
    char text[kMaxNumberText];
    return std::string(text, WriteFixedExact(text, value, precision, decimals, sep));
}

struct TFixedCase
{
    double Value;
    int Precision, Decimals;
    std::string_view Sep;
    std::string_view Expected;
};

TEST(NumberText, FixedCases)
{
    const std::vector<TFixedCase> cases = {
        // exact ties round away from zero
        { 0.125, 15, 2, ".", "0.13" },
        { -0.125, 15, 2, ".", "-0.13" },
        { 0.25, 15, 1, ".", "0.3" },
        { 2.5, 15, 0, ".", "3" },
        { -2.5, 15, 0, ".", "-3" },
        { 0.5, 15, 0, ".", "1" },
        { 1234.5, 4, 2, ".", "1235.00" },
        // exact ties further right: the half is a bit far below the units kept
        { 0.0625, 15, 3, ".", "0.063" }, // 2^-4
        { 0.0009765625, 15, 9, ".", "0.000976563" }, // 2^-10
        { 6.103515625e-05, 15, 13, ".", "0.0000610351563" }, // 2^-14
        { -3.814697265625e-06, 15, 17, ".", "-0.00000381469726563" }, // -2^-18
        { 4503599627370495.5, 17, 0, ".", "4503599627370496" }, // 2^52 - 1/2
        // decimal "ties" that are below or above the half in binary
        { 1.005, 15, 2, ".", "1.00" }, // 1.00499999…
        { 2.675, 15, 2, ".", "2.67" }, // 2.67499999…
        { -0.005, 15, 2, ".", "-0.01" }, // -0.00500000…01
        { 0.0005, 15, 3, ".", "0.001" },
        // decimals or significant digits, whichever keeps fewer
        { 12.3456, 6, 2, ".", "12.35" },
        { 139.7520576, 8, 5, ".", "139.75206" },
        { 35.6520576, 7, 5, ".", "35.65206" },
        { 35.6520576, 3, 5, ".", "35.70000" },
        { 3.2397408207343415, 8, 1, ".", "3.2" },
        { 0.000123456, 5, 10, ".", "0.0001234600" },
        { 9.99996, 5, 4, ".", "10.0000" }, // rounded at the place of the unrounded value
        { 0.96, 1, 2, ".", "1.00" },
        { 99999.4, 5, 1, ".", "99999.0" },
        { 0.0, 6, 2, ".", "0.00" },
        // a value rounded to zero has no sign
        { -0.0, 6, 2, ".", "0.00" },
        { -0.001, 15, 2, ".", "0.00" },
        { -0.4, 8, 0, ".", "0" },
        { 1e-300, 5, 3, ".", "0.000" },
        { 5e-324, 18, 18, ".", "0.000000000000000000" },
        // integer part longer than the precision
        { 123456.7, 5, 1, ".", "1.2346E+5" },
        { -123456.7, 5, 1, ".", "-1.2346E+5" },
        { 99999.7, 5, 1, ".", "1E+5" }, // the carry adds the sixth digit
        { 9.6, 1, 0, ".", "1E+1" },
        { 1e20, 15, 2, ".", "1E+20" },
        { 1.5e20, 15, 2, ".", "1.5E+20" },
        { 123456789012345678.0, 18, 0, ".", "123456789012345680" }, // exactly 18 digits fit
        { DBL_MAX, 18, 0, ".", "1.79769313486231571E+308" },
        { -DBL_MAX, 3, 18, ".", "-1.8E+308" },
        // separators of one character, multi-byte too
        { 3.25, 8, 2, ",", "3,25" },
        { -0.5, 8, 3, "\xD9\xAB",
            "-0\xD9\xAB"
            "500" },
        { 123456.7, 5, 1, ",", "1,2346E+5" },
        { 2.5, 8, 0, ",", "3" },
        // non-finite values
        { kNaN, 8, 2, ".", "NAN" },
        { kInf, 8, 2, ".", "INF" },
        { -kInf, 8, 2, ".", "-INF" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Value << " p=" << c.Precision << " d=" << c.Decimals);
        EXPECT_EQ(FormatFixed(c.Value, c.Precision, c.Decimals, c.Sep), c.Expected);
        EXPECT_EQ(FixedExact(c.Value, c.Precision, c.Decimals, c.Sep), c.Expected);
    }
}

TEST(NumberText, GeneralCases)
{
    const std::vector<std::pair<double, std::string_view>> cases = {
        { 139.7520576, "139.7520576" },
        { 35.6520576, "35.6520576" },
        { 0.1, "0.1" },
        { 0.1 + 0.2, "0.3" },
        { 1.0 / 3, "0.333333333333333" },
        { 2.0 / 3, "0.666666666666667" },
        { -0.5, "-0.5" },
        { 0.0, "0" },
        { -0.0, "0" },
        { 140.0, "140" },
        { -140.0, "-140" },
        { 999999999999999.0, "999999999999999" },
        { 123456789012345.6, "123456789012346" },
        { 12345678901234.25, "12345678901234.3" }, // exact tie at the 15th digit
        { 1e15, "1E+15" },
        { 999999999999999.9, "1E+15" }, // rounds up to the exponent 15
        { 1000000000000005.0, "1.00000000000001E+15" }, // exact tie
        { 1000000000000025.0, "1.00000000000003E+15" },
        { 1.5e20, "1.5E+20" },
        { -2.5e100, "-2.5E+100" },
        { 1e-5, "0.00001" },
        { 1.5e-5, "0.000015" },
        { 9.5e-6, "9.5E-6" },
        { 1e-7, "1E-7" }, // 9.99999999999999954…E-8 in binary
        { 5e-324, "4.94065645841247E-324" },
        { DBL_MAX, "1.79769313486232E+308" },
        { kNaN, "NAN" },
        { kInf, "INF" },
        { -kInf, "-INF" },
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(FormatGeneral(value), expected) << value;
    EXPECT_EQ(FormatGeneral(-1.25, ","), "-1,25");
    EXPECT_EQ(FormatGeneral(2.5e-7, "\xD9\xAB"),
        "2\xD9\xAB"
        "5E-7");
    EXPECT_EQ(FormatGeneral(7.0, ","), "7");
}

TEST(NumberText, RefusesArgumentsOutOfRange)
{
    char text[kMaxNumberText];
    EXPECT_THROW(WriteFixed(text, 1.0, 0, 2), std::invalid_argument);
    EXPECT_THROW(WriteFixed(text, 1.0, 19, 2), std::invalid_argument);
    EXPECT_THROW(WriteFixed(text, 1.0, 8, -1), std::invalid_argument);
    EXPECT_THROW(WriteFixed(text, 1.0, 8, 19), std::invalid_argument);
    EXPECT_THROW(WriteFixed(text, 1.0, 8, 2, "123456789"), std::invalid_argument);
    EXPECT_THROW(WriteGeneral(text, 1.0, "123456789"), std::invalid_argument);
}

// Exact ties built as n / 2^m (n odd: exactly m decimals, the last a 5), rounded at m - 1
// decimals; the expected text comes from integer arithmetic on n × 5^m.
TEST(NumberText, FixedTiesMatchIntegerRounding)
{
    std::mt19937_64 random(20070101);
    for (int i = 0; i < 20000; ++i) {
        const int m = 1 + static_cast<int>(random() % 12);
        const std::uint64_t n = (random() % 100'000'000) | 1;
        const bool negative = (random() & 1) != 0;
        const double value = std::ldexp(static_cast<double>(n), -m) * (negative ? -1 : 1);

        std::uint64_t units = n; // value in units of 10^-m
        for (int k = 0; k < m; ++k)
            units *= 5;
        const std::string digits = std::to_string((units + 5) / 10); // at m - 1 decimals
        const int decimals = m - 1;
        std::string expected = negative ? "-" : "";
        if (static_cast<int>(digits.size()) <= decimals) {
            expected += "0." + std::string(decimals - digits.size(), '0') + digits;
        } else {
            expected += digits.substr(0, digits.size() - decimals);
            if (decimals > 0)
                expected += "." + digits.substr(digits.size() - decimals);
        }
        ASSERT_EQ(FormatFixed(value, 18, decimals), expected) << n << " / 2^" << m;
        ASSERT_EQ(FixedExact(value, 18, decimals), expected) << n << " / 2^" << m;
    }
}

// Decimal numbers m × 10^-x with up to 15 digits, rounded to at most 15 digits: away from exact
// decimal halves, the error of the binary value (below 2^-53 of it) stays under the distance to
// the rounding threshold, so rounding the decimal digits must agree.
TEST(NumberText, FixedMatchesDecimalRounding)
{
    std::mt19937_64 random(35652057);
    int checked = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t m = 1 + random() % 999'999'999'999'999;
        const int x = static_cast<int>(random() % 21);
        const int decimals = static_cast<int>(random() % 19);
        const std::string mText = std::to_string(m);
        const int leadExponent = static_cast<int>(mText.size()) - 1 - x;
        if (leadExponent + 1 + decimals > 15
            || mText.find_first_not_of('0', 1) == std::string::npos)
            continue; // too many digits for the argument, or one digit (powers of ten)
        const std::string text = mText + "e-" + std::to_string(x);
        double value = 0;
        std::from_chars(text.data(), text.data() + text.size(), value);

        std::string digits = mText; // value in units of 10^-decimals
        if (x <= decimals) {
            digits += std::string(decimals - x, '0');
        } else {
            std::uint64_t step = 1;
            for (int k = 0; k < x - decimals && k < 16; ++k)
                step *= 10;
            if (x - decimals > 15) {
                digits = "0"; // below 10^-decimals / 2: m < 10^15 < half of 10^(x - decimals)
            } else {
                const std::uint64_t rest = m % step;
                if (rest * 2 == step)
                    continue; // a decimal half: the binary value decides
                digits = std::to_string(m / step + (rest * 2 > step ? 1 : 0));
            }
        }
        if (static_cast<int>(digits.size()) <= decimals)
            digits.insert(0, decimals + 1 - digits.size(), '0');
        std::string expected = digits.substr(0, digits.size() - decimals);
        if (decimals > 0)
            expected += "." + digits.substr(digits.size() - decimals);
        ASSERT_EQ(FormatFixed(value, 18, decimals), expected) << text << " d=" << decimals;
        ++checked;
    }
    EXPECT_GT(checked, 5000);
}

// Decimal numbers of up to 15 significant digits come back as their shortest text.
TEST(NumberText, GeneralReturnsShortDecimals)
{
    std::mt19937_64 random(139752);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t m = 1 + random() % 999'999'999'999'999;
        std::string mText = std::to_string(m);
        int x = static_cast<int>(random() % 20); // value = m × 10^-x
        while (mText.size() > 1 && mText.back() == '0' && x > 0) {
            mText.pop_back();
            --x;
        }
        const int leadExponent = static_cast<int>(mText.size()) - 1 - x;
        if (leadExponent < -5)
            continue; // scientific
        const std::string text = mText + "e-" + std::to_string(x);
        double value = 0;
        std::from_chars(text.data(), text.data() + text.size(), value);

        std::string expected;
        if (x == 0)
            expected = mText;
        else if (static_cast<int>(mText.size()) > x)
            expected = mText.substr(0, mText.size() - x) + "." + mText.substr(mText.size() - x);
        else
            expected = "0." + std::string(x - mText.size(), '0') + mText;
        ASSERT_EQ(FormatGeneral(value), expected) << text;
    }
}

// The integer arithmetic of WriteFixed gives the same text as the full decimal expansion, over
// all magnitudes, precisions and decimals, exact ties and neighbours of powers of ten included.
TEST(NumberText, FixedFastMatchesExact)
{
    std::mt19937_64 random(3238);
    std::vector<double> values;
    for (int i = 0; i < 60000; ++i) // any bit pattern
        values.push_back(std::bit_cast<double>(random()));
    for (int i = 0; i < 150000; ++i) { // magnitudes from 2^-80 to 2^80
        const double mantissa = static_cast<double>(random() >> 11) * 0x1p-53 + 0.5;
        values.push_back(std::ldexp(mantissa, static_cast<int>(random() % 161) - 80));
    }
    for (int i = 0; i < 60000; ++i) { // exact ties: k + 0.5, k / 8, k / 1024, k / 2^m
        const auto k = static_cast<double>(random() % 100'000'000);
        values.push_back(k + 0.5);
        values.push_back(k / 8);
        values.push_back(k / 1024);
        values.push_back(std::ldexp(k, -static_cast<int>(random() % 64)));
    }
    for (int j = -25; j <= 25; ++j) { // around powers of ten and just below them
        const double power = std::pow(10.0, j);
        for (const double v :
            { power, 9.5 * power / 10, 9.95 * power / 10, 9.9999995 * power / 10 }) {
            double below = v, above = v;
            for (int s = 0; s < 4; ++s) {
                values.push_back(below);
                values.push_back(above);
                below = std::nextafter(below, 0.0);
                above = std::nextafter(above, kInf);
            }
        }
    }

    char fast[kMaxNumberText + 1], exact[kMaxNumberText + 1];
    long mismatches = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double value = (random() & 1) != 0 ? -values[i] : values[i];
        const int precision = 1 + static_cast<int>(random() % 18);
        const int decimals = static_cast<int>(random() % 19);
        const std::string_view sep = i % 7 == 0 ? "\xD9\xAB" : ".";
        const std::string_view a(fast, WriteFixed(fast, value, precision, decimals, sep) - fast);
        const std::string_view b(
            exact, WriteFixedExact(exact, value, precision, decimals, sep) - exact);
        ASSERT_LE(a.size(), kMaxNumberText);
        if (a != b && ++mismatches <= 10)
            ADD_FAILURE() << std::hexfloat << value << std::defaultfloat << " p=" << precision
                          << " d=" << decimals << ": " << a << " != " << b;
    }
    EXPECT_EQ(mismatches, 0);
}

} // namespace
} // namespace ostrel
