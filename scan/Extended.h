#pragma once
// Extended: the program's number, the 80-bit extended format (sign, 15-bit exponent, 64-bit
// significand, round to nearest even). Where long double is the x87 format (x86 with GCC or clang)
// it is the x87 unit's own long double behind TX87Float; everywhere else, and in a build with
// SHEETCALC_SOFT_EXTENDED, the software TFloat80. Both give the same bits for every operation.
// Write constants as integers, as Extended(double) where the double is exact, or FromBits.

#include <cfloat>
#include <limits>

#include "scan/Float80.h"

#if !defined(SHEETCALC_SOFT_EXTENDED) && (defined(__x86_64__) || defined(__i386__)) && \
    LDBL_MANT_DIG == 64
#define SHEETCALC_X87_EXTENDED 1
#include "scan/X87Float.h"
#endif

namespace scan {

#ifdef SHEETCALC_X87_EXTENDED
using Extended = TX87Float;

/// The value as the C library's long double and back, for comparisons with the C library.
inline long double ToLongDouble(Extended x) { return x.Native(); }
inline Extended FromLongDouble(long double x) { return Extended::FromNative(x); }
#else
using Extended = TFloat80;

/// The value as the C library's long double (exact where it is the x87 or a wider format) and
/// back (rounded to nearest even), for comparisons with the C library.
long double ToLongDouble(Extended x);
Extended FromLongDouble(long double x);
#endif

}  // namespace scan

/// The format's limits, as for the built-in floating types.
template <>
class std::numeric_limits<scan::Extended> {
  using T = scan::Extended;

 public:
  static constexpr bool is_specialized = true;
  static constexpr bool is_signed = true;
  static constexpr bool is_integer = false;
  static constexpr bool is_exact = false;
  static constexpr bool has_infinity = true;
  static constexpr bool has_quiet_NaN = true;
  static constexpr bool has_signaling_NaN = true;
  static constexpr bool is_iec559 = true;
  static constexpr int radix = 2;
  static constexpr int digits = 64;
  static constexpr int digits10 = 18;
  static constexpr int max_digits10 = 21;
  static constexpr int min_exponent = -16381;
  static constexpr int max_exponent = 16384;
  static constexpr float_round_style round_style = round_to_nearest;
  static constexpr T min() noexcept { return T::FromBits(0x0001, uint64_t{1} << 63); }
  static constexpr T max() noexcept { return T::FromBits(0x7FFE, ~uint64_t{0}); }
  static constexpr T lowest() noexcept { return T::FromBits(0xFFFE, ~uint64_t{0}); }
  static constexpr T epsilon() noexcept { return T::FromBits(16383 - 63, uint64_t{1} << 63); }
  static constexpr T infinity() noexcept { return T::FromBits(0x7FFF, uint64_t{1} << 63); }
  static constexpr T quiet_NaN() noexcept { return T::FromBits(0x7FFF, uint64_t{3} << 62); }
  static constexpr T denorm_min() noexcept { return T::FromBits(0, 1); }
};
