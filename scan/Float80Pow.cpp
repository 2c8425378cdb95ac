// Copyright (C) 1993 Sun Microsystems, Inc. (developed at SunPro, a Sun Microsystems, Inc.
// business; permission to use, copy, modify, and distribute this software is freely granted,
// provided that this notice is preserved), (C) 1996-2022 Free Software Foundation, Inc., (C) 2001
// Stephen L. Moshier: ported from the GNU C Library, LGPL-2.1-or-later (see dist/copyright).
// pow over the software number, as the x86-64 C library computes it: the special operands first,
// whole exponents below 4 by repeated multiplication, everything else as 2^(y log2 x) with
// log2 x carried in two parts from a table of logarithms and a short series.
#include <bit>

#include "scan/Float80Math.h"
#include "scan/X87Model.h"

namespace scan::f80 {
namespace {

constexpr TFloat80 K(uint16_t signExp, uint64_t sig) { return TFloat80::FromBits(signExp, sig); }

const TFloat80 One(1);
const TFloat80 Zero;
const TFloat80 Infinity = K(0x7FFF, 0x8000000000000000u);
const TFloat80 P63 = K(0x403E, 0x8000000000000000u);
const TFloat80 P64 = K(0x403F, 0x8000000000000000u);
const TFloat80 P78 = K(0x404D, 0x8000000000000000u);
const TFloat80 Pm79 = K(0x3FB0, 0x8000000000000000u);

// Keeps the significand's top 32 bits (or 16), as the C code does by clearing words.
TFloat80 High32(TFloat80 x) {
  return K(x.SignAndExponent(), x.Significand() & 0xFFFFFFFF00000000u);
}

// A whole number of magnitude below 2^63, as the unit's store and load of a 64-bit integer find.
bool IsWhole(TFloat80 y) { return y.NearbyInt() == y; }

// Whether y (|y| < 2^64) is an odd whole number, by the remainder of 2^63 as the unit takes it.
bool IsOddWhole(TFloat80 y) {
  if (!(y.Abs() < P64)) return false;
  if (!(y.Abs() < P63)) y = y.SignBit() ? y + P63 : y - P63;
  if (!IsWhole(y)) return false;
  return (y.NearbyInt().ToInt64Trunc() & 1) != 0;
}

// hi + lo + x as a new two-part sum.
void AccSplit(TFloat80& hi, TFloat80& lo, TFloat80 x) {
  const TFloat80 thi = hi + x;
  const TFloat80 tlo = (hi - thi) + x + lo;
  hi = thi + tlo;
  lo = (thi - hi) + tlo;
}

// Round to nearest whole, halves away from zero.
TFloat80 RoundHalfAway(TFloat80 x) {
  const TFloat80 t = x.Trunc();
  if (!((x - t).Abs() >= TFloat80(0.5))) return t;
  return x.SignBit() ? t - One : t + One;
}

// x^y for x finite and non-zero, y finite with 2^-79 <= |y| <= 2^78.
TFloat80 PowHelper(TFloat80 x, TFloat80 y) {
  static const TFloat80 logTable[] = {
      K(0x3FFD, 0x934B1089A6DC93C2u), K(0xBFBB, 0x82913127EAAC7ABAu),
      K(0x3FFC, 0xD49F69E456CF1B79u), K(0x3FBB, 0xBEA77A5C80DCCDCFu),
      K(0x3FFC, 0x88BC74113F23DEF2u), K(0xBFBB, 0xC74BE038D217E1C4u),
      K(0x3FFB, 0x842CC5ACF1D03445u), K(0x3FB8, 0xFF66FD40CDCB04BFu),
      K(0x8000, 0x0000000000000000u), K(0x0000, 0x0000000000000000u),
      K(0xBFFA, 0xF85186008B15330Cu), K(0x3FB7, 0xCDA3A4453343B396u),
      K(0xBFFB, 0xF1383B7157972F4Fu), K(0xBFBA, 0xA87FFE1FE9E155DCu),
      K(0xBFFC, 0xAFF983853C9E9E44u), K(0x3FBB, 0xC1DF5F8DEDC45019u),
      K(0xBFFC, 0xE47FBE3CD4D10D61u), K(0xBFBA, 0xBB03DE5FF734495Cu),
      K(0xBFFD, 0x8B3AE55D5D30701Du), K(0x3FBA, 0xCE0AA3BE4747DC10u),
      K(0xBFFD, 0xA30C5E10E2F613E8u), K(0xBFBC, 0xB7B37B33C734415Eu),
      K(0xBFFD, 0xB9CEBFB5DE8034E7u), K(0xBFBA, 0x9314FEB4FBDE5AAEu),
      K(0xBFFD, 0xCF991F65FCC25F96u), K(0x3FBC, 0x9728990BFADDE7E6u),
  };
  const TFloat80 log2eHi = K(0x3FFF, 0xB8AA3B2900000000u);
  const TFloat80 log2eLo = K(0x3FDE, 0xB82FE1777D0FFDA1u);
  const TFloat80 log2e = K(0x3FFF, 0xB8AA3B295C17F0BCu);
  const TFloat80 twoThirds = K(0x3FFE, 0xAAAAAAAAAAAAAAAAu);
  const TFloat80 thirdHi = K(0x3FFD, 0xAAAA000000000000u);
  const TFloat80 thirdLo = K(0x3FED, 0xAAAAAAAAAAAAAAAAu);

  bool negate = false;
  if (x.SignBit()) {
    const TFloat80 absy = y.Abs();
    if (!(absy >= P64)) {
      if (!(absy.Trunc() == absy)) return K(0xFFFF, 0xC000000000000000u);  // log of a negative
      // The parity of the whole number: its units' bit, the last of the significand from 2^63.
      negate = absy >= P63 ? (absy.Significand() & 1) != 0 : (absy.ToInt64Trunc() & 1) != 0;
    }
    x = x.Abs();
  }
  // x = frac 2^e, frac in [1/2, 1), then in (2/3, 4/3].
  const int field = x.SignAndExponent() & 0x7FFF;
  uint64_t sig = x.Significand();
  int e = field == 0 ? -16381 : field - 16382;
  const int shift = std::countl_zero(sig);
  sig <<= shift;
  e -= shift;
  TFloat80 frac = K(0x3FFE, sig);
  if (frac <= twoThirds) {
    frac = frac * TFloat80(2);
    --e;
  }
  const int k = TFloat80((TFloat80(16) / frac) + TFloat80(0.5)).ToInt64Trunc();
  TFloat80 logHi = logTable[2 * k - 24], logLo = logTable[2 * k - 23];
  TFloat80 fracLow;
  if (k != 16) {
    fracLow = frac;
    frac = K(frac.SignAndExponent(), frac.Significand() & ~uint64_t{0x1F});
    fracLow = fracLow - frac;
    fracLow = fracLow / frac;
    frac = frac * (TFloat80(k) / TFloat80(16));
  }
  const TFloat80 w = frac - One;
  const TFloat80 wHi = K(w.SignAndExponent(), w.Significand() & 0xFFFF000000000000u);
  const TFloat80 wLo = w - wHi;
  TFloat80 wp = wHi;
  AccSplit(logHi, logLo, wp);
  wp = wp * -wHi;
  AccSplit(logHi, logLo, wp / TFloat80(2));
  wp = wp * -wHi;
  AccSplit(logHi, logLo, wp * thirdHi);
  AccSplit(logHi, logLo, wp * thirdLo);
  wp = wp * -wHi;
  AccSplit(logHi, logLo, wp / TFloat80(4));
  for (int i = 5; i <= 17; i++) {
    wp = wp * -wHi;
    AccSplit(logHi, logLo, wp / TFloat80(i));
  }
  const TFloat80 logHi32 = High32(logHi);
  const TFloat80 logLo64 = (logHi - logHi32) + logLo;
  const TFloat80 hi1 = logHi32 * log2eHi;
  const TFloat80 lo1 = logLo64 * log2eHi + logHi * log2eLo;
  TFloat80 log2Hi = hi1 + lo1;
  TFloat80 log2Lo = (hi1 - log2Hi) + lo1;
  AccSplit(log2Hi, log2Lo, x87::Fyl2xp1(wLo / (One + wHi), One));
  AccSplit(log2Hi, log2Lo, fracLow * log2e);
  const TFloat80 ex(static_cast<int64_t>(e));
  const TFloat80 log2xHi = ex + log2Hi;
  const TFloat80 log2xLo = ((ex - log2xHi) + log2Hi) + log2Lo;
  const TFloat80 log2xHi32 = High32(log2xHi);
  const TFloat80 log2xLo64 = (log2xHi - log2xHi32) + log2xLo;
  const TFloat80 yHi32 = High32(y);
  const TFloat80 yLo32 = y - yHi32;
  const TFloat80 resHi = log2xHi32 * yHi32;
  const TFloat80 resLo = log2xHi32 * yLo32 + log2xLo64 * y;
  const TFloat80 resInt = RoundHalfAway(resHi);
  TFloat80 resFrac = resHi - resInt + resLo;
  if (resInt.Abs() > TFloat80(16500)) resFrac = Zero;
  TFloat80 res = x87::F2xm1(resFrac) + One;
  if (negate) res = -res;
  return x87::Fscale(res, resInt);
}

bool IsSignalling(TFloat80 x) { return x.IsNan() && !(x.Significand() & (uint64_t{1} << 62)); }

TFloat80 PowCore(TFloat80 x, TFloat80 y) {
  if (y.IsZero()) return IsSignalling(x) ? x + x : One;
  if (y.IsInf()) {
    if (x.IsNan()) return x + x;
    if (x.Abs() == One) return One;
    return (x.Abs() < One) != y.SignBit() ? Zero : Infinity;
  }
  if (y.IsNan()) {
    if (x == One && !IsSignalling(y)) return One;
    return x87::PropagateNan(y, x);
  }
  if (x.IsZero()) {
    const bool odd = x.SignBit() && IsOddWhole(y);
    if (y.SignBit()) return odd ? -Infinity : Infinity;
    return odd ? -Zero : Zero;
  }
  if (x.IsInf()) {
    if (!x.SignBit() || !(y.Abs() < P64)) return y.SignBit() ? Zero : Infinity;
    if (IsOddWhole(y)) return y.SignBit() ? -Zero : -Infinity;
    return y.SignBit() ? Zero : Infinity;
  }
  if (x.IsNan()) return x87::PropagateNan(y, x);
  if (!(y.Abs() < P63)) {
    if (!(y.Abs() < P78)) y = y.SignBit() ? -P78 : P78;
    return PowHelper(x, y);
  }
  if (IsWhole(y)) {
    if (!(y.Abs() < TFloat80(4))) return PowHelper(x, y);
    int64_t n = y.NearbyInt().ToInt64Trunc();
    if (n < 0) {
      x = One / x;
      n = -n;
    }
    TFloat80 acc = One;
    if (!(n & 1)) x = x.Abs();
    while (n != 0) {
      if (n & 1) acc = acc.Abs() * x;
      x = x.Abs() * x;
      n >>= 1;
    }
    return acc;
  }
  // The unit's sign test here is the reverse of the one above: a tiny negative y becomes +2^-79.
  if (y.Abs() < Pm79) y = y.SignBit() ? Pm79 : -Pm79;
  return PowHelper(x, y);
}

// The powers of ten the engine scales by are 10^n for whole n. Of those in range, these are the
// ones for which the unit's own f2xm1 result (not always the correctly rounded one, which
// X87Model gives) makes the x87 library's result differ from the modelled one: the x87 results,
// as the reference machine's unit (an AMD EPYC) gives them.
TFloat80 PowerOfTenX87(int n, TFloat80 modelled) {
  static const struct {
    int N;
    TFloat80 Result;
  } differing[] = {
      {-4314, K(0x0804, 0x9341F490724854B3u)}, {-4163, K(0x09F9, 0xE0EE6D625D9D06BEu)},
      {-4009, K(0x0BF9, 0xA7C2EFB00C080D73u)}, {-3987, K(0x0C42, 0xB19FD66772E57352u)},
      {-3922, K(0x0D1A, 0xA8AA1763BEBEDE69u)}, {-3683, K(0x1034, 0xA1E296E7B0F686D5u)},
      {-3338, K(0x14AE, 0xA95E42C0A9F22F69u)}, {-3113, K(0x1799, 0xE4C8A231692BEB86u)},
      {-2513, K(0x1F62, 0xFF0F928A5AA0A8DAu)}, {-2140, K(0x243A, 0x86B9ACF794E79783u)},
      {-1999, K(0x260E, 0xB0C56466BA7A6F62u)}, {-1980, K(0x264D, 0xBFA7D37D16D4CFDDu)},
      {-1834, K(0x2832, 0xBFDAEDAE12B701E5u)}, {-1797, K(0x28AD, 0xB46B74EC9BC4F62Au)},
      {-1741, K(0x2967, 0xB7F3C0B647888956u)}, {-1579, K(0x2B81, 0xCC70CD81CA21C118u)},
      {-1551, K(0x2BDE, 0xCE6EAA6D65E2F6B4u)}, {-1465, K(0x2CFC, 0xA608E235EBBD6A48u)},
      {-1350, K(0x2E7A, 0xA88DF80F8CBF1328u)}, {-428, K(0x3A71, 0x948C065D2E4F02D0u)},
      {200, K(0x4297, 0xA738C6BEBB12D16Cu)},   {331, K(0x444A, 0xBC789925624C5FE1u)},
      {417, K(0x4568, 0x9796A184F20E61B7u)},   {510, K(0x469D, 0x915814EAA7B7678Au)},
      {626, K(0x481E, 0xB86FF93F61F0A65Eu)},   {638, K(0x4846, 0xA7BEAD878BE4A024u)},
      {686, K(0x48E5, 0xE58D252191F8E6BAu)},   {869, K(0x4B45, 0xD818090AA609D120u)},
      {1461, K(0x52F4, 0xA1AC9F7CEE9E9A6Eu)},  {1462, K(0x52F7, 0xCA17C75C2A464108u)},
      {1635, K(0x5536, 0xA36B5B80D1C63BDCu)},  {1672, K(0x55B1, 0x99ADC7F3BE918F70u)},
      {1766, K(0x56E9, 0xB82F7C0545B6FF3Du)},  {1841, K(0x57E2, 0xCB9AA53A8CF952B4u)},
      {1936, K(0x591E, 0x98836AC47B7F318Du)},  {2186, K(0x5C5C, 0xD503FFC45E2E6F84u)},
      {2534, K(0x60E0, 0xD9A38D1A074C6156u)},  {2542, K(0x60FB, 0xA2275209622B4D40u)},
      {2717, K(0x6340, 0xCCE1395BA5FCC97Eu)},  {2829, K(0x64B4, 0xD4FB1E1AA1AF91F7u)},
      {2955, K(0x6657, 0x9D50DCC0946D0652u)},  {4245, K(0x7714, 0xBFF932576345BB73u)},
      {4630, K(0x7C13, 0xB872FB7A679894CCu)},
  };
  for (const auto& d : differing)
    if (d.N == n) return d.Result;
  return modelled;
}

}  // namespace

TFloat80 Pow(TFloat80 x, TFloat80 y) {
  TFloat80 z = PowCore(x, y);
  if (x == TFloat80(10) && y.Abs() < TFloat80(5000) && y.Trunc() == y)
    z = PowerOfTenX87(static_cast<int>(y.ToInt64Trunc()), z);
  // The library's wrapper: a NaN out of finite operands (a negative base, a fractional exponent)
  // is the double division 0/0, the negative quiet NaN.
  if (z.IsNan() && !x.IsNan() && !x.IsInf() && !y.IsNan() && !y.IsInf())
    return K(0xFFFF, 0xC000000000000000u);
  return z;
}

}  // namespace scan::f80
