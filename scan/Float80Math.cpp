// Copyright (C) 1993 Sun Microsystems, Inc. (developed at SunPro, a Sun Microsystems, Inc.
// business; permission to use, copy, modify, and distribute this software is freely granted,
// provided that this notice is preserved), (C) 1996-2022 Free Software Foundation, Inc., (C) 2001
// Stephen L. Moshier: ported from the GNU C Library, LGPL-2.1-or-later (see dist/copyright).
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

// The library's wrapper: a pole at 0, a domain error below.
TFloat80 LogWrapped(TFloat80 x, TFloat80 base) {
  if (x.IsZero()) return MinusInfinity;
  if (x.SignBit() && !x.IsNan()) return DomainNan;
  return LogBase(x, base);
}

// The terms of x log2(e) = i + f: i whole, f gathered as (c0 xi - i) + c0 xf + c1 x, c0 xi exact.
void SplitExponent(TFloat80 x, TFloat80& i, TFloat80& f) {
  const TFloat80 c0 = K(0x3FFF, 0xB8AA000000000000u);
  const TFloat80 c1 = K(0x3FED, 0xECA5705FC2EEFA20u);
  i = (x * x87::L2e()).NearbyInt();
  const TFloat80 xi = x.NearbyInt();
  f = c0 * xi - i;
  f = f + c0 * (x - xi);
  f = f + c1 * x;
}

// e^x - 1.
TFloat80 Expm1(TFloat80 x) {
  if (x.IsNan()) return x + x;
  if (!x.SignBit() && Field(x) >= 0x4006) return Exp(x);
  if (x.SignBit() && Field(x) >= 0x4006) return TFloat80(-1);
  if (x.IsZero() || Field(x) < 0x3FBF) return x;
  TFloat80 i, f;
  SplitExponent(x, i, f);
  return x87::Fscale(x87::F2xm1(f), i) + (x87::Fscale(One, i) - One);
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
  TFloat80 i, f;
  SplitExponent(x, i, f);
  return x87::Fscale(x87::F2xm1(f) + One, i);
}

TFloat80 Log(TFloat80 x) { return LogWrapped(x, x87::Ln2()); }
TFloat80 Log10(TFloat80 x) { return LogWrapped(x, x87::Lg2()); }
TFloat80 Log2(TFloat80 x) { return LogWrapped(x, One); }

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
  const auto Q = [&](TFloat80 t) {
    return qS0 + t * (qS1 + t * (qS2 + t * (qS3 + t * (qS4 + t))));
  };
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

// The hyperbolic functions and their inverses, on expm1, exp, log and log1p as above.

TFloat80 Sinh(TFloat80 x) {
  const TFloat80 shuge = K(0x7FFB, 0xAC23C22116CBF8A4u);  // 1e4931
  const int ix = Field(x);
  const uint32_t i0 = static_cast<uint32_t>(x.Significand() >> 32);
  if (ix == 0x7FFF) return x + x;
  const TFloat80 h = x.SignBit() ? -Half : Half;
  if (ix < 0x4003 || (ix == 0x4003 && i0 <= 0xC8000000u)) {  // |x| < 25
    if (ix < 0x3FDF) return x;
    const TFloat80 t = Expm1(x.Abs());
    if (ix < 0x3FFF) return h * (Two * t - t * t / (t + One));
    return h * (t + t / (t + One));
  }
  if (ix < 0x400C || (ix == 0x400C && i0 < 0xB17217F7u)) return h * Exp(x.Abs());
  const uint32_t i1 = static_cast<uint32_t>(x.Significand());
  if (ix == 0x400C && (i0 < 0xB174DDC0u || (i0 == 0xB174DDC0u && i1 <= 0x31AEC0EAu))) {
    const TFloat80 w = Exp(Half * x.Abs());
    const TFloat80 t = h * w;
    return t * w;
  }
  return x * shuge;
}

TFloat80 Cosh(TFloat80 x) {
  const TFloat80 huge = K(0x7F94, 0xAE9204275937A4C1u);  // 1e4900
  const int ex = Field(x);
  const uint32_t mx = static_cast<uint32_t>(x.Significand() >> 32);
  const uint32_t lx = static_cast<uint32_t>(x.Significand());
  if (ex < 0x4003 || (ex == 0x4003 && mx < 0xB0000000u)) {
    if (ex < 0x3FFD || (ex == 0x3FFD && mx < 0xB17217F7u)) {
      if (ex < 0x3FBC) return One;
      const TFloat80 t = Expm1(x.Abs());
      const TFloat80 w = One + t;
      return One + (t * t) / (w + w);
    }
    const TFloat80 t = Exp(x.Abs());
    return Half * t + Half / t;
  }
  if (ex < 0x400C || (ex == 0x400C && mx < 0xB1700000u)) return Half * Exp(x.Abs());
  if (ex == 0x400C && (mx < 0xB174DDC0u || (mx == 0xB174DDC0u && lx < 0x31AEC0EBu))) {
    const TFloat80 w = Exp(Half * x.Abs());
    const TFloat80 t = Half * w;
    return t * w;
  }
  if (ex == 0x7FFF) return x * x;
  return huge * huge;
}

TFloat80 Tanh(TFloat80 x) {
  const int ix = Field(x);
  const uint32_t j0 = static_cast<uint32_t>(x.Significand() >> 32);
  if (ix == 0x7FFF) return x.SignBit() ? One / x - One : One / x + One;
  TFloat80 z;
  if (ix < 0x4003 || (ix == 0x4003 && j0 < 0xB8000000u)) {  // |x| < 23
    if (x.IsZero()) return x;
    if (ix < 0x3FC8) return x;  // times (1 + tiny), which rounds to 1
    if (ix >= 0x3FFF) {
      const TFloat80 t = Expm1(Two * x.Abs());
      z = One - Two / (t + Two);
    } else {
      const TFloat80 t = Expm1(-Two * x.Abs());
      z = -t / (t + Two);
    }
  } else {
    z = One;  // 1 - tiny rounds to 1
  }
  return x.SignBit() ? -z : z;
}

TFloat80 Asinh(TFloat80 x) {
  const TFloat80 ln2 = K(0x3FFE, 0xB17217F7D1CF79ACu);
  const int ix = Field(x);
  if (ix < 0x3FDE) return x;
  TFloat80 w;
  TFloatFaults f = 0;
  if (ix > 0x4020) {
    if (ix == 0x7FFF) return x + x;
    w = LogBase(x.Abs(), x87::Ln2()) + ln2;
  } else {
    const TFloat80 xa = x.Abs();
    if (ix > 0x4000) {
      w = LogBase(Two * xa + One / (TFloat80::Sqrt(xa * xa + One, f) + xa), x87::Ln2());
    } else {
      const TFloat80 t = xa * xa;
      w = Log1p(xa + t / (One + TFloat80::Sqrt(One + t, f)));
    }
  }
  return w.SignBit() == x.SignBit() ? w : -w;
}

TFloat80 Acosh(TFloat80 x) {
  const TFloat80 ln2 = K(0x3FFE, 0xB17217F7D1CF79ACu);
  const uint16_t se = x.SignAndExponent();
  TFloatFaults f = 0;
  if (se < 0x3FFF || (se & 0x8000)) return (x - x) / (x - x);
  if (se >= 0x401D) {
    if (se >= 0x7FFF) return x + x;
    return LogBase(x, x87::Ln2()) + ln2;
  }
  if (x == One) return TFloat80();
  if (se > 0x4000) {
    const TFloat80 t = x * x;
    return LogBase(Two * x - One / (x + TFloat80::Sqrt(t - One, f)), x87::Ln2());
  }
  const TFloat80 t = x - One;
  return Log1p(t + TFloat80::Sqrt(Two * t + t * t, f));
}

TFloat80 Atanh(TFloat80 x) {
  const int ix = Field(x);
  if (ix > 0x3FFF || (ix == 0x3FFF && x.Significand() != 0x8000000000000000u))
    return (x - x) / (x - x);
  if (ix == 0x3FFF) return x / TFloat80();
  if (ix < 0x3FDF) return x;
  const TFloat80 a = x.Abs();
  TFloat80 t;
  if (ix < 0x3FFE) {
    t = a + a;
    t = Half * Log1p(t + t * a / (One - a));
  } else {
    t = Half * Log1p((a + a) / (One - a));
  }
  return x.SignBit() ? -t : t;
}

// x = frac 2^e with frac in [1/2, 1), for x finite and non-zero.
TFloat80 Frexp(TFloat80 x, int& e) {
  const int field = Field(x);
  uint64_t sig = x.Significand();
  e = field == 0 ? -16381 : field - 16382;
  while (!(sig >> 63)) {
    sig <<= 1;
    --e;
  }
  return K(static_cast<uint16_t>((x.SignAndExponent() & 0x8000) | 0x3FFE), sig);
}

// x 2^e for x normal and the result in the normal range.
TFloat80 Ldexp(TFloat80 x, int e) {
  return K(static_cast<uint16_t>(x.SignAndExponent() + e), x.Significand());
}

TFloat80 Cbrt(TFloat80 x) {
  if (x.IsNan() || x.IsInf() || x.IsZero()) return x + x;
  const TFloat80 c0 = K(0xBFFC, 0x89E499C37EFFB000u), c1 = K(0x3FFE, 0x8BF0FE3F2CEAC000u),
                 c2 = K(0x3FFE, 0xF452651DD1BDC000u), c3 = K(0x3FFF, 0x91EB77282C39D000u),
                 c4 = K(0x3FFD, 0xCE0609091527F000u);
  // 2^(k/3) for k = -2..2, in double precision.
  static const TFloat80 factor[5] = {K(0x3FFE, 0xA14517CC6B945000u), K(0x3FFE, 0xCB2FF529EB71E000u),
                                     K(0x3FFF, 0x8000000000000000u), K(0x3FFF, 0xA14517CC6B945800u),
                                     K(0x3FFF, 0xCB2FF529EB71E800u)};
  const TFloat80 third = K(0x3FFD, 0xAAAAAAAAAAAAAAABu);
  int xe;
  const TFloat80 xm = Frexp(x.Abs(), xe);
  TFloat80 u = (((c0 * xm + c1) * xm - c2) * xm + c3) * xm + c4;
  u = u * factor[2 + xe % 3];
  u = Ldexp(x > TFloat80() ? u : -u, xe / 3);
  u = u - (u - (x / (u * u))) * third;
  u = u - (u - (x / (u * u))) * third;
  return u;
}

namespace {

// The distance for ax >= ay >= 0 whose squares neither overflow nor underflow.
TFloat80 HypotKernel(TFloat80 ax, TFloat80 ay) {
  TFloatFaults f = 0;
  TFloat80 h = TFloat80::Sqrt(ax * ax + ay * ay, f);
  TFloat80 t1, t2;
  if (h <= Two * ay) {
    const TFloat80 delta = h - ay;
    t1 = ax * (Two * delta - ax);
    t2 = (delta - Two * (ax - ay)) * delta;
  } else {
    const TFloat80 delta = h - ax;
    t1 = Two * delta * (ax - Two * ay);
    t2 = (TFloat80(4) * delta - ay) * ay + delta * delta;
  }
  h = h - (t1 + t2) / (Two * h);
  return h;
}

bool IsSignalling(TFloat80 x) { return x.IsNan() && !(x.Significand() & (uint64_t{1} << 62)); }

}  // namespace

TFloat80 Hypot(TFloat80 x, TFloat80 y) {
  const TFloat80 scale = K(0x1FC1, 0x8000000000000000u);  // 2^-8254
  const TFloat80 large = K(0x5FFE, 0xB504F333F9DE6484u);  // about sqrt(2) 2^8191
  const TFloat80 tiny = K(0x2000, 0x8000000000000000u);   // 2^-8191
  const TFloat80 eps = K(0x3FBE, 0x8000000000000000u);    // 2^-65
  if (x.IsNan() || x.IsInf() || y.IsNan() || y.IsInf()) {
    if ((x.IsInf() || y.IsInf()) && !IsSignalling(x) && !IsSignalling(y)) return -MinusInfinity;
    return x.IsNan() && y.IsNan() ? x87::PropagateNan(x, y) : x + y;
  }
  x = x.Abs();
  y = y.Abs();
  const TFloat80 ax = x < y ? y : x;
  const TFloat80 ay = x < y ? x : y;
  if (ax > large) {
    if (ay <= ax * eps) return ax + ay;
    return HypotKernel(ax * scale, ay * scale) / scale;
  }
  if (ay < tiny) {
    if (ax >= ay / eps) return ax + ay;
    return HypotKernel(ax / scale, ay / scale) * scale;
  }
  if (ay <= ax * eps) return ax + ay;
  return HypotKernel(ax, ay);
}

}  // namespace scan::f80
