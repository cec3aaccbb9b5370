#pragma once

// What differs between the compilers that build the core (GCC, Clang, MSVC), behind macros of
// one meaning each.

// A function that must be inlined into its callers even where the compiler would not choose
// to: for small pieces of hot loops whose call would cost about as much as their work. On a
// compiler without such an attribute it is a plain inline function.
#if defined(__GNUC__) || defined(__clang__)
#define OSTREL_ALWAYS_INLINE __attribute__((always_inline)) inline
#elif defined(_MSC_VER)
#define OSTREL_ALWAYS_INLINE __forceinline
#else
#define OSTREL_ALWAYS_INLINE inline
#endif
