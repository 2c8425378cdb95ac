#pragma once
// What the software number's tests share: bit-for-bit comparison, a readable form, and the trip to
// and from the x87 long double (meaningful only where long double is that format).

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "scan/Float80.h"

namespace scan::floattest {

constexpr bool X87 = std::numeric_limits<long double>::digits == 64;

inline bool SameBits(TFloat80 a, TFloat80 b) {
  return a.SignAndExponent() == b.SignAndExponent() && a.Significand() == b.Significand();
}

/// The stored fields as SSSS:MMMMMMMMMMMMMMMM.
inline std::string Show(TFloat80 x) {
  char text[32];
  std::snprintf(text, sizeof text, "%04X:%016llX", x.SignAndExponent(),
                static_cast<unsigned long long>(x.Significand()));
  return text;
}

inline TFloat80 SoftOf(long double x) {
  uint64_t sig = 0;
  uint16_t signExp = 0;
  std::memcpy(&sig, &x, sizeof sig);
  std::memcpy(&signExp, reinterpret_cast<const char*>(&x) + sizeof sig, sizeof signExp);
  return TFloat80::FromBits(signExp, sig);
}

inline long double LongOf(TFloat80 x) {
  long double r = 0;
  const uint64_t sig = x.Significand();
  const uint16_t signExp = x.SignAndExponent();
  std::memcpy(&r, &sig, sizeof sig);
  std::memcpy(reinterpret_cast<char*>(&r) + sizeof sig, &signExp, sizeof signExp);
  return r;
}

}  // namespace scan::floattest
