#include "core/uint128.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace ostrel {
namespace {

constexpr std::uint64_t kAll = ~std::uint64_t { 0 };

struct TMultiplyCase
{
    std::uint64_t A, B;
    TUInt128 Expected;
};

// Products whose halves carry into one another, worked out by hand and with Python's integers.
TEST(UInt128, MultiplyFullCarriesBetweenTheHalves)
{
    const std::vector<TMultiplyCase> cases = {
        { 0, kAll, { 0, 0 } },
        { 1, kAll, { 0, kAll } },
        { kAll, kAll, { 0xFFFF'FFFF'FFFF'FFFE, 1 } },
        { std::uint64_t { 1 } << 32, std::uint64_t { 1 } << 32, { 1, 0 } },
        { 0xFFFF'FFFF, 0xFFFF'FFFF, { 0, 0xFFFF'FFFE'0000'0001 } },
        { kAll, 0x1'FFFF'FFFF, { 0x1'FFFF'FFFE, 0xFFFF'FFFE'0000'0001 } },
        { 0x1234'5678'90AB'CDEF, 0xFEDC'BA09'8765'4321,
            { 0x121F'A000'A372'3A57, 0xC24A'442F'E556'18CF } },
        // the largest product of the number texts: a 53-bit mantissa times 5^18
        { (std::uint64_t { 1 } << 53) - 1, 3'814'697'265'625,
            { 0x6F05'B59D, 0x3B1F'FC87'D253'1627 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.A << " * " << c.B);
        EXPECT_EQ(MultiplyFull(c.A, c.B), c.Expected);
        EXPECT_EQ(MultiplyFull(c.B, c.A), c.Expected);
    }
}

TEST(UInt128, ShiftsMoveBitsAcrossTheHalves)
{
    const TUInt128 v { 0x8000'0000'0000'0001, 0x8000'0000'0000'0003 };
    EXPECT_EQ(ShiftLeft(v, 0), v);
    EXPECT_EQ(ShiftLeft(v, 1), (TUInt128 { 3, 6 }));
    EXPECT_EQ(ShiftLeft(v, 63), (TUInt128 { 0xC000'0000'0000'0001, 0x8000'0000'0000'0000 }));
    EXPECT_EQ(ShiftLeft(v, 64), (TUInt128 { 0x8000'0000'0000'0003, 0 }));
    EXPECT_EQ(ShiftLeft(v, 65), (TUInt128 { 6, 0 }));
    EXPECT_EQ(ShiftLeft(v, 127), (TUInt128 { 0x8000'0000'0000'0000, 0 }));

    EXPECT_EQ(ShiftRight(v, 0), v);
    EXPECT_EQ(ShiftRight(v, 1), (TUInt128 { 0x4000'0000'0000'0000, 0xC000'0000'0000'0001 }));
    EXPECT_EQ(ShiftRight(v, 63), (TUInt128 { 1, 3 }));
    EXPECT_EQ(ShiftRight(v, 64), (TUInt128 { 0, 0x8000'0000'0000'0001 }));
    EXPECT_EQ(ShiftRight(v, 65), (TUInt128 { 0, 0x4000'0000'0000'0000 }));
    EXPECT_EQ(ShiftRight(v, 127), (TUInt128 { 0, 1 }));

    EXPECT_TRUE(BitAt(v, 0));
    EXPECT_TRUE(BitAt(v, 1));
    EXPECT_FALSE(BitAt(v, 2));
    EXPECT_TRUE(BitAt(v, 63));
    EXPECT_TRUE(BitAt(v, 64));
    EXPECT_FALSE(BitAt(v, 65));
    EXPECT_FALSE(BitAt(v, 126));
    EXPECT_TRUE(BitAt(v, 127));
}

#if defined(__SIZEOF_INT128__) && defined(OSTREL_PORTABLE_ARITHMETIC)
// The two-halves arithmetic against the compiler's own 128-bit integers, on random operands of
// every width (only where both exist: GCC or Clang with the portable arithmetic chosen).
TEST(UInt128, PortablePathMatchesTheCompilersIntegers)
{
    __extension__ using TNative = unsigned __int128;
    const auto native = [](TNative v) {
        return TUInt128 { static_cast<std::uint64_t>(v >> 64), static_cast<std::uint64_t>(v) };
    };
    std::mt19937_64 random(128);
    for (int i = 0; i < 100000; ++i) {
        const std::uint64_t a = random() >> (random() % 64);
        const std::uint64_t b = random() >> (random() % 64);
        const int shift = static_cast<int>(random() % 128);
        const TNative product = TNative { a } * b;
        ASSERT_EQ(MultiplyFull(a, b), native(product)) << a << " * " << b;
        const TUInt128 wide = native(product);
        ASSERT_EQ(ShiftLeft(wide, shift), native(product << shift)) << shift;
        ASSERT_EQ(ShiftRight(wide, shift), native(product >> shift)) << shift;
        ASSERT_EQ(BitAt(wide, shift), ((product >> shift) & 1) != 0) << shift;
    }
}
#endif

} // namespace
} // namespace ostrel
