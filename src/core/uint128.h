#pragma once

// Unsigned 128-bit integers for the exact integer arithmetic of the number texts: the full
// product of two 64-bit values and shifts of it. Compilers with a 128-bit integer type (GCC and
// Clang on 64-bit targets) use it; the others, and every build configured with
// OSTREL_PORTABLE_ARITHMETIC, take the plain C++ path on two 64-bit halves, which gives the same
// bits.

#include "core/compiler.h"

#include <cstdint>

#if defined(__SIZEOF_INT128__) && !defined(OSTREL_PORTABLE_ARITHMETIC)
#define OSTREL_NATIVE_UINT128 1
#endif

namespace ostrel {

struct TUInt128
{
    std::uint64_t High;
    std::uint64_t Low;

    bool operator==(const TUInt128&) const = default;
};

#if defined(OSTREL_NATIVE_UINT128)

__extension__ using TNativeUInt128 = unsigned __int128;

OSTREL_ALWAYS_INLINE TNativeUInt128 ToNative(TUInt128 v)
{
    return TNativeUInt128 { v.High } << 64 | v.Low;
}

OSTREL_ALWAYS_INLINE TUInt128 FromNative(TNativeUInt128 v)
{
    return { static_cast<std::uint64_t>(v >> 64), static_cast<std::uint64_t>(v) };
}

// a × b, exactly.
OSTREL_ALWAYS_INLINE TUInt128 MultiplyFull(std::uint64_t a, std::uint64_t b)
{
    return FromNative(TNativeUInt128 { a } * b);
}

// v × 2^shift without the bits above 2^128; shift 0..127.
OSTREL_ALWAYS_INLINE TUInt128 ShiftLeft(TUInt128 v, int shift)
{
    return FromNative(ToNative(v) << shift);
}

// v ÷ 2^shift rounded down; shift 0..127.
OSTREL_ALWAYS_INLINE TUInt128 ShiftRight(TUInt128 v, int shift)
{
    return FromNative(ToNative(v) >> shift);
}

#else

// a × b, exactly: the four products of the 32-bit halves, summed with their carries. The middle
// sum cannot overflow: (2^32 - 1) × 2 + (2^32 - 1)^2 = 2^64 - 1.
OSTREL_ALWAYS_INLINE TUInt128 MultiplyFull(std::uint64_t a, std::uint64_t b)
{
    constexpr std::uint64_t kLow32 = 0xFFFF'FFFF;
    const std::uint64_t aLow = a & kLow32, aHigh = a >> 32;
    const std::uint64_t bLow = b & kLow32, bHigh = b >> 32;
    const std::uint64_t lowLow = aLow * bLow;
    const std::uint64_t highLow = aHigh * bLow;
    const std::uint64_t lowHigh = aLow * bHigh;
    const std::uint64_t highHigh = aHigh * bHigh;
    const std::uint64_t middle = (lowLow >> 32) + (highLow & kLow32) + lowHigh;
    return { highHigh + (highLow >> 32) + (middle >> 32), middle << 32 | (lowLow & kLow32) };
}

// v × 2^shift without the bits above 2^128; shift 0..127.
OSTREL_ALWAYS_INLINE TUInt128 ShiftLeft(TUInt128 v, int shift)
{
    if (shift == 0)
        return v;
    if (shift < 64)
        return { v.High << shift | v.Low >> (64 - shift), v.Low << shift };
    return { v.Low << (shift - 64), 0 };
}

// v ÷ 2^shift rounded down; shift 0..127.
OSTREL_ALWAYS_INLINE TUInt128 ShiftRight(TUInt128 v, int shift)
{
    if (shift == 0)
        return v;
    if (shift < 64)
        return { v.High >> shift, v.Low >> shift | v.High << (64 - shift) };
    return { 0, v.High >> (shift - 64) };
}

#endif

// Bit `bit` of v (0 the lowest); bit 0..127.
OSTREL_ALWAYS_INLINE bool BitAt(TUInt128 v, int bit)
{
    return ((bit < 64 ? v.Low >> bit : v.High >> (bit - 64)) & 1) != 0;
}

} // namespace ostrel
