#include "scan/Extended.h"

#ifndef SHEETCALC_X87_EXTENDED
#include <cmath>
#include <cstring>
#include <limits>

namespace scan {

namespace {
constexpr int Bias = 16383;
constexpr uint64_t Top = uint64_t{1} << 63;
constexpr bool X87LongDouble = std::numeric_limits<long double>::digits == 64 &&
                               std::numeric_limits<long double>::max_exponent == 16384;
}  // namespace

long double ToLongDouble(Extended x) {
  if constexpr (X87LongDouble) {
    long double r = 0;
    const uint64_t significand = x.Significand();
    const uint16_t signAndExponent = x.SignAndExponent();
    std::memcpy(&r, &significand, 8);
    std::memcpy(reinterpret_cast<char*>(&r) + 8, &signAndExponent, 2);
    return r;
  }
  long double r;
  if (x.IsNan()) {
    r = std::numeric_limits<long double>::quiet_NaN();
  } else if (x.IsInf()) {
    r = std::numeric_limits<long double>::infinity();
  } else {
    const int field = x.SignAndExponent() & 0x7FFF;
    r = std::ldexp(static_cast<long double>(x.Significand()), (field == 0 ? 1 : field) - Bias - 63);
  }
  return x.SignBit() ? -r : r;
}

Extended FromLongDouble(long double x) {
  if constexpr (X87LongDouble) {
    uint64_t significand;
    uint16_t signAndExponent;
    std::memcpy(&significand, &x, 8);
    std::memcpy(&signAndExponent, reinterpret_cast<const char*>(&x) + 8, 2);
    return Extended::FromBits(signAndExponent, significand);
  }
  const uint16_t sign = std::signbit(x) ? 0x8000 : 0;
  if (std::isnan(x)) return Extended::FromBits(sign | 0x7FFF, uint64_t{3} << 62);
  if (std::isinf(x)) return Extended::FromBits(sign | 0x7FFF, Top);
  if (x == 0) return Extended::FromBits(sign, 0);
  int e;
  const long double m = std::frexp(std::fabs(x), &e);  // x = m 2^e, 1/2 <= m < 1
  // The significand's bits: 64 of them, fewer below the least normal exponent.
  int field = e - 1 + Bias;
  const int bits = field > 0 ? 64 : 64 - (1 - field);
  if (bits < 0) return Extended::FromBits(sign, 0);
  const long double scaled = std::ldexp(m, bits);
  uint64_t sig = static_cast<uint64_t>(scaled);
  const long double rest = scaled - static_cast<long double>(sig);
  if (field <= 0) field = 0;
  if (rest > 0.5L || (rest == 0.5L && (sig & 1))) {
    if (++sig == 0) {
      sig = Top;
      ++field;
    } else if (field == 0 && (sig & Top)) {
      field = 1;
    }
  }
  if (field >= 0x7FFF) return Extended::FromBits(sign | 0x7FFF, Top);
  return Extended::FromBits(static_cast<uint16_t>(sign | field), sig);
}

}  // namespace scan
#endif
