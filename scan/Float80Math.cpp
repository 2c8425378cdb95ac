// The library functions over the software number. Those the x86-64 C library builds on x87
// instructions replay that instruction sequence step by step with the instructions modelled in
// X87Model; the others follow the C library's portable extended-precision code, operation by
// operation, so that every intermediate rounding is the same.
#include "scan/Float80Math.h"

#include "scan/X87Model.h"

namespace scan::f80 {
namespace {

constexpr TFloat80 K(uint16_t signExp, uint64_t sig) { return TFloat80::FromBits(signExp, sig); }

int Field(TFloat80 x) { return x.SignAndExponent() & 0x7FFF; }
// The sign, exponent field and top 16 significand bits as one word, as the C code reads them.
uint32_t HighWord(TFloat80 x) {
  return (static_cast<uint32_t>(Field(x)) << 16) | static_cast<uint32_t>(x.Significand() >> 48);
}

const TFloat80 One(1);
const TFloat80 Two(2);
const TFloat80 Half = K(0x3FFE, 0x8000000000000000u);
// 0.29 as a double, and as the nearest 80-bit value: the bounds below which the logarithms use
// the instruction for log2(1 + x).
const TFloat80 LimitDouble(0.29);
const TFloat80 LimitExtended = K(0x3FFD, 0x947AE147AE147AE1u);

// The library's answers out of a function's domain (a quiet NaN of positive sign) and at a pole.
const TFloat80 DomainNan = K(0x7FFF, 0xC000000000000000u);
const TFloat80 MinusInfinity = K(0xFFFF, 0x8000000000000000u);

// log(x) as base * log2(x), where base is the instruction's constant (ln 2, log10 2, or 1).
TFloat80 LogBase(TFloat80 x, TFloat80 base) {
  if (x.IsNan()) return x + x;
  if (x.IsZero()) return MinusInfinity;
  if (x.SignBit()) return DomainNan;
  TFloat80 d = x;
  // From -2 down the subtraction is skipped (it could only overflow); the result is the invalid
  // operation's either way.
  if (x.IsInf() || x.SignAndExponent() < 0xC000) d = x - One;
  if (!(d.Abs() > LimitDouble)) {
    if (d.IsZero()) d = d.Abs();
    return x87::Fyl2xp1(d, base);
  }
  return x87::Fyl2x(x, base);
}

}  // namespace

TFloat80 Floor(TFloat80 x) {
  if (x.IsNan() || x.IsInf()) return x + x;
  const TFloat80 t = x.Trunc();
  return x.SignBit() && !(t == x) ? t - One : t;
}

TFloat80 Ceil(TFloat80 x) {
  if (x.IsNan() || x.IsInf()) return x + x;
  const TFloat80 t = x.Trunc();
  return !x.SignBit() && !(t == x) ? t + One : t;
}

TFloat80 Exp(TFloat80 x) {
  const int field = Field(x);
  if (field > 0x400D) {
    if (x.IsNan()) return x + x;
    if (x.IsInf()) return x.SignBit() ? TFloat80() : x;
    // Far beyond the range either way: saturate to 2^15, which still overflows or underflows.
    x = x.SignBit() ? -TFloat80(32768) : TFloat80(32768);
  } else if (field < 0x3FBC) {
    return x + One;
  }
  // x log2(e) = i + f, with f gathered as (c0 xi - i) + c0 xf + c1 x, c0 xi exact.
  const TFloat80 c0 = K(0x3FFF, 0xB8AA000000000000u);
  const TFloat80 c1 = K(0x3FED, 0xECA5705FC2EEFA20u);
  const TFloat80 i = (x * x87::L2e()).NearbyInt();
  const TFloat80 xi = x.NearbyInt();
  TFloat80 f = c0 * xi - i;
  f = f + c0 * (x - xi);
  f = f + c1 * x;
  return x87::Fscale(x87::F2xm1(f) + One, i);
}

TFloat80 Log(TFloat80 x) { return LogBase(x, x87::Ln2()); }
TFloat80 Log10(TFloat80 x) { return LogBase(x, x87::Lg2()); }
TFloat80 Log2(TFloat80 x) { return LogBase(x, One); }

TFloat80 Log1p(TFloat80 x) {
  if (x.IsNan()) return x + x;
  const TFloat80 ln2 = x87::Ln2();
  if (!(LimitExtended < x.Abs())) return x87::Fyl2xp1(x, ln2);
  // Beyond 2^65 adding 1 changes nothing (and is skipped).
  if (!x.SignBit() && Field(x) >= 0x4040) return x87::Fyl2x(x, ln2);
  return x87::Fyl2x(x + One, ln2);
}

TFloat80 Atan2(TFloat80 y, TFloat80 x) { return x87::Fpatan(y, x); }

TFloat80 Acos(TFloat80 x) {
  // atan2(sqrt((1 - x)(1 + x)), x)
  TFloatFaults f = 0;
  const TFloat80 s = TFloat80::Sqrt((One - x) * (One + x), f).Abs();
  return x87::Fpatan(s, x);
}

TFloat80 Asin(TFloat80 x) {
  const TFloat80 pio2_hi = K(0x3FFF, 0xC90FDAA22168C235u);
  const TFloat80 pio2_lo = K(0xBFBD, 0xECE675D1FC8F8CBBu);
  const TFloat80 pio4_hi = K(0x3FFE, 0xC90FDAA22168C235u);
  const TFloat80 pS0 = K(0xC002, 0xA164F3CFC6A9EA38u);
  const TFloat80 pS1 = K(0x4003, 0xBA844EA59E253B0Fu);
  const TFloat80 pS2 = K(0xC003, 0x950DB77B8D869BD4u);
  const TFloat80 pS3 = K(0x4001, 0xBDC5D4DC68108BF5u);
  const TFloat80 pS4 = K(0xBFFE, 0x9CB47FAB93E6BE97u);
  const TFloat80 pS5 = K(0x3FF6, 0xF7867009350959D1u);
  const TFloat80 qS0 = K(0xC004, 0xF2176DB7A9FEDED7u);
  const TFloat80 qS1 = K(0x4006, 0xA71F775413554C69u);
  const TFloat80 qS2 = K(0xC006, 0xAAC8B4FDBE0FE11Au);
  const TFloat80 qS3 = K(0x4005, 0x9D67E943F36FB5C3u);
  const TFloat80 qS4 = K(0xC002, 0xFAF309E985161229u);
  // asin x = x + x^3 P(x^2) / Q(x^2) on [0, 1/2]; above, from sqrt((1 - |x|) / 2).
  const auto P = [&](TFloat80 t) {
    return t * (pS0 + t * (pS1 + t * (pS2 + t * (pS3 + t * (pS4 + t * pS5)))));
  };
  const auto Q = [&](TFloat80 t) { return qS0 + t * (qS1 + t * (qS2 + t * (qS3 + t * (qS4 + t)))); };
  const uint32_t ix = HighWord(x);
  if (ix >= 0x3FFF8000) {
    if (ix == 0x3FFF8000 && x.Significand() == 0x8000000000000000u)
      return x * pio2_hi + x * pio2_lo;
    return x.IsNan() ? x + x : DomainNan;
  }
  if (ix < 0x3FFE8000) {
    if (ix < 0x3FDE8000) return x;
    const TFloat80 t = x * x;
    const TFloat80 w = P(t) / Q(t);
    return x + x * w;
  }
  TFloat80 w = One - x.Abs();
  TFloat80 t = w * Half;
  TFloat80 p = P(t);
  TFloat80 q = Q(t);
  TFloatFaults faults = 0;
  const TFloat80 s = TFloat80::Sqrt(t, faults);
  if (ix >= 0x3FFEF999) {
    w = p / q;
    t = pio2_hi - (Two * (s + s * w) - pio2_lo);
  } else {
    w = K(s.SignAndExponent(), s.Significand() & 0xFFFFFFFF00000000u);
    const TFloat80 c = (t - w * w) / (s + w);
    const TFloat80 r = p / q;
    p = Two * s * r - (pio2_lo - Two * c);
    q = pio4_hi - Two * w;
    t = pio4_hi - (p - q);
  }
  return x.SignBit() ? -t : t;
}

}  // namespace scan::f80

// Stand-in for the functions not yet in software: through the x87 unit.
#include <cmath>
#include <cstring>
#include <limits>

static_assert(std::numeric_limits<long double>::digits == 64, "the stand-in needs the x87 format");

namespace scan::f80 {
namespace {

long double Native(TFloat80 x) {
  long double r = 0;
  const uint64_t significand = x.Significand();
  const uint16_t signExp = x.SignAndExponent();
  std::memcpy(&r, &significand, 8);
  std::memcpy(reinterpret_cast<char*>(&r) + 8, &signExp, 2);
  return r;
}

TFloat80 Soft(long double r) {
  uint64_t significand;
  uint16_t signExp;
  std::memcpy(&significand, &r, 8);
  std::memcpy(&signExp, reinterpret_cast<const char*>(&r) + 8, 2);
  return TFloat80::FromBits(signExp, significand);
}

}  // namespace

#define SHEETCALC_ONE(Name, fn) \
  TFloat80 Name(TFloat80 x) { return Soft(std::fn(Native(x))); }
#define SHEETCALC_TWO(Name, fn) \
  TFloat80 Name(TFloat80 x, TFloat80 y) { return Soft(std::fn(Native(x), Native(y))); }
SHEETCALC_ONE(Sinh, sinh)
SHEETCALC_ONE(Cosh, cosh)
SHEETCALC_ONE(Tanh, tanh)
SHEETCALC_ONE(Asinh, asinh)
SHEETCALC_ONE(Acosh, acosh)
SHEETCALC_ONE(Atanh, atanh)
SHEETCALC_ONE(Cbrt, cbrt)
SHEETCALC_TWO(Hypot, hypot)

}  // namespace scan::f80
