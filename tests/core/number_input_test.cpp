#include "core/number_input.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

// One reading of typed numbers for the window and the command line: an optional "+" or "-",
// nothing else around the number.
TEST(NumberInput, WholeAndFiniteNumbers)
{
    EXPECT_EQ(ParseWholeNumber("+9"), 9);
    EXPECT_EQ(ParseWholeNumber("-11"), -11);
    EXPECT_EQ(ParseWholeNumber("0"), 0);
    for (const char* bad : { "", "+", "-", "+-5", "++5", " 5", "5 ", "5.0", "1e2", "0x10",
             "99999999999999999999" })
        EXPECT_EQ(ParseWholeNumber(bad), std::nullopt) << bad;

    EXPECT_EQ(ParseFiniteNumber("7"), 7.0);
    EXPECT_EQ(ParseFiniteNumber("+2.5"), 2.5);
    EXPECT_EQ(ParseFiniteNumber("-0.5"), -0.5);
    EXPECT_EQ(ParseFiniteNumber("1e2"), 100.0);
    EXPECT_EQ(ParseFiniteNumber(".5"), 0.5);
    for (const char* bad : { "", "+", "+-1", "nan", "inf", "-inf", "1e999", "7 ", "7,5", "1e" })
        EXPECT_EQ(ParseFiniteNumber(bad), std::nullopt) << bad;
}

} // namespace
} // namespace ostrel
