#include "scan/X87Model.h"

#include <array>
#include <bit>

#include "scan/WideMultiply.h"

namespace scan::x87 {
namespace {

constexpr int Bias = 16383;
constexpr uint64_t Top = uint64_t{1} << 63;
constexpr uint64_t QuietBit = uint64_t{1} << 62;
constexpr TFloat80 Indefinite = TFloat80::FromBits(0xFFFF, 0xC000000000000000u);

// A working number of 128 significant bits: (Hi:Lo) / 2^127 x 2^Exp, the top bit of Hi set; zero
// when Hi is 0. Results are truncated, good to about 2^-125 relative, enough to round the
// instructions' results correctly to 64 bits but for the rarest operands.
struct TWide {
  bool Neg = false;
  int Exp = 0;
  uint64_t Hi = 0, Lo = 0;
  bool IsZero() const { return Hi == 0; }
};

TWide Normalised(bool neg, int exp, uint64_t hi, uint64_t lo) {
  if (hi == 0 && lo == 0) return {};
  if (hi == 0) {
    hi = lo;
    lo = 0;
    exp -= 64;
  }
  const int s = std::countl_zero(hi);
  if (s > 0) {
    hi = (hi << s) | (lo >> (64 - s));
    lo <<= s;
    exp -= s;
  }
  return {neg, exp, hi, lo};
}

TWide Wide(TFloat80 x) {
  if (x.IsZero()) return {};
  const int field = x.SignAndExponent() & 0x7FFF;
  const int exp = field == 0 ? 1 - Bias : field - Bias;
  return Normalised(x.SignBit(), exp, x.Significand(), 0);
}

TWide Wide(int64_t v) { return Wide(TFloat80(v)); }

TWide Neg(TWide a) {
  a.Neg = !a.Neg;
  return a;
}

TWide Scaled(TWide a, int k) {
  if (!a.IsZero()) a.Exp += k;
  return a;
}

// Shifts (hi, lo) right by n, dropping what falls out.
void ShiftRight(uint64_t& hi, uint64_t& lo, int n) {
  if (n >= 128) {
    hi = lo = 0;
  } else if (n >= 64) {
    lo = n == 64 ? hi : hi >> (n - 64);
    hi = 0;
  } else if (n > 0) {
    lo = (lo >> n) | (hi << (64 - n));
    hi >>= n;
  }
}

bool MagnitudeBelow(const TWide& a, const TWide& b) {
  if (a.Exp != b.Exp) return a.Exp < b.Exp;
  return a.Hi != b.Hi ? a.Hi < b.Hi : a.Lo < b.Lo;
}

TWide Add(TWide a, TWide b) {
  if (a.IsZero()) return b;
  if (b.IsZero()) return a;
  if (MagnitudeBelow(a, b)) std::swap(a, b);
  uint64_t bh = b.Hi, bl = b.Lo;
  ShiftRight(bh, bl, a.Exp - b.Exp);
  if (a.Neg == b.Neg) {
    uint64_t lo = a.Lo + bl;
    const uint64_t c1 = lo < a.Lo;
    uint64_t hi = a.Hi + bh;
    const uint64_t c2 = hi < a.Hi;
    const uint64_t hi2 = hi + c1;
    const bool carry = c2 || hi2 < hi;
    hi = hi2;
    if (!carry) return {a.Neg, a.Exp, hi, lo};
    lo = (lo >> 1) | (hi << 63);
    hi = (hi >> 1) | Top;
    return {a.Neg, a.Exp + 1, hi, lo};
  }
  const uint64_t lo = a.Lo - bl;
  const uint64_t hi = a.Hi - bh - (a.Lo < bl);
  return Normalised(a.Neg, a.Exp, hi, lo);
}

TWide Sub(TWide a, TWide b) { return Add(a, Neg(b)); }

TWide Mul(TWide a, TWide b) {
  if (a.IsZero() || b.IsZero()) return {};
  uint64_t hh1, hh0, hl1, hl0, lh1, lh0, ll1, ll0;
  MulWide(a.Hi, b.Hi, hh1, hh0);
  MulWide(a.Hi, b.Lo, hl1, hl0);
  MulWide(a.Lo, b.Hi, lh1, lh0);
  MulWide(a.Lo, b.Lo, ll1, ll0);
  // Limbs r3 r2 r1 (r0 dropped): hh at r3:r2, hl and lh at r2:r1, ll at r1:r0.
  uint64_t r1 = hl0, carry3 = 0;
  r1 += lh0;
  uint64_t c = r1 < lh0;
  r1 += ll1;
  c += r1 < ll1;
  uint64_t r2 = hh0 + c;
  carry3 += r2 < c;
  r2 += hl1;
  carry3 += r2 < hl1;
  r2 += lh1;
  carry3 += r2 < lh1;
  uint64_t r3 = hh1 + carry3;
  int exp = a.Exp + b.Exp;
  if (r3 & Top) {
    ++exp;
  } else {
    r3 = (r3 << 1) | (r2 >> 63);
    r2 = (r2 << 1) | (r1 >> 63);
  }
  return {a.Neg != b.Neg, exp, r3, r2};
}

TFloat80 Round(const TWide& w);

// 1/b: the 64-bit quotient, then one Newton step r + r (1 - b r), which doubles its precision.
TWide Reciprocal(TWide b) {
  const int exp = b.Exp;
  b.Exp = 0;
  b.Neg = false;
  TFloatFaults f = 0;
  const TWide one = Normalised(false, 0, Top, 0);
  const TWide r = Wide(TFloat80::Div(TFloat80(1), Round(b), f));
  const TWide e = Sub(one, Mul(b, r));
  TWide result = Add(r, Mul(r, e));
  result.Exp -= exp;
  return result;
}

TWide Div(TWide a, TWide b) {
  if (a.IsZero()) return {};
  TWide q = Mul(a, Reciprocal(b));
  q.Neg = a.Neg != b.Neg;
  return q;
}

// The value rounded to nearest even into the format: subnormal, zero or infinite as it falls.
TFloat80 Round(const TWide& w) {
  if (w.IsZero()) return TFloat80::FromBits(w.Neg ? 0x8000 : 0, 0);
  int field = w.Exp + Bias;
  uint64_t sig = w.Hi, rest = w.Lo;
  if (field <= 0) {
    const int n = 1 - field;
    bool lost = false;
    if (n >= 128) {
      lost = sig != 0 || rest != 0;
      sig = rest = 0;
    } else if (n >= 64) {
      lost = rest != 0 || (n > 64 && (sig << (128 - n)) != 0);
      rest = n == 64 ? sig : sig >> (n - 64);
      sig = 0;
    } else {
      lost = (rest << (64 - n)) != 0;
      rest = (rest >> n) | (sig << (64 - n));
      sig >>= n;
    }
    rest |= lost;
    field = 0;
  }
  if (rest > Top || (rest == Top && (sig & 1))) {
    if (++sig == 0) {
      sig = Top;
      ++field;
    } else if (field == 0 && (sig & Top)) {
      field = 1;
    }
  }
  const uint16_t sign = w.Neg ? 0x8000 : 0;
  if (field >= 0x7FFF) return TFloat80::FromBits(sign | 0x7FFF, Top);
  return TFloat80::FromBits(static_cast<uint16_t>(sign | field), sig);
}

TWide Sqrt(TWide a) {
  // One Newton step from the 64-bit root doubles its precision.
  const int half = a.Exp >> 1;
  TWide m = Scaled(a, -2 * half);  // in [1, 4)
  TFloatFaults f = 0;
  const TWide s0 = Wide(TFloat80::Sqrt(Round(m), f));
  const TWide s = Scaled(Add(s0, Div(m, s0)), -1);
  return Scaled(s, half);
}

struct TConstants {
  std::array<TWide, 64> Inverse;  // 1/n
  TWide Ln2, Log2e, Pi, HalfPi;
};

TWide AtanSmall(TWide r, const std::array<TWide, 64>& inv);

TWide LnMantissa(TWide m, const std::array<TWide, 64>& inv) {
  // m in [sqrt(1/2), sqrt(2)): ln m = 2 atanh(s), s = (m - 1) / (m + 1).
  const TWide one = Wide(int64_t{1});
  const TWide s = Div(Sub(m, one), Add(m, one));
  const TWide z = Mul(s, s);
  TWide p = inv[55];
  for (int k = 26; k >= 0; --k) p = Add(inv[2 * k + 1], Mul(z, p));
  return Scaled(Mul(s, p), 1);
}

const TConstants& Constants() {
  static const TConstants c = [] {
    TConstants k;
    const TWide one = Wide(int64_t{1});
    k.Inverse[0] = one;
    for (int n = 1; n < 64; ++n) k.Inverse[n] = Div(one, Wide(int64_t{n}));
    // ln 2 = 2 ln(sqrt 2), sqrt 2 within the mantissa range.
    const TWide root2 = Sqrt(Wide(int64_t{2}));
    // A hair below sqrt 2, so the mantissa rule keeps it.
    k.Ln2 = Scaled(LnMantissa(Sub(root2, Scaled(one, -120)), k.Inverse), 1);
    k.Log2e = Div(one, k.Ln2);
    // pi = 16 atan(1/5) - 4 atan(1/239)
    const TWide a5 = AtanSmall(Div(one, Wide(int64_t{5})), k.Inverse);
    const TWide a239 = AtanSmall(Div(one, Wide(int64_t{239})), k.Inverse);
    k.Pi = Sub(Scaled(a5, 4), Scaled(a239, 2));
    k.HalfPi = Scaled(k.Pi, -1);
    return k;
  }();
  return c;
}

// atan r for 0 <= r <= 1: three halvings r / (1 + sqrt(1 + r^2)) bring r below tan(pi/32),
// then the series.
TWide AtanSmall(TWide r, const std::array<TWide, 64>& inv) {
  if (r.IsZero()) return r;
  const TWide one = Wide(int64_t{1});
  int halvings = 0;
  while (r.Exp >= -4 && halvings < 4) {
    r = Div(r, Add(one, Sqrt(Add(one, Mul(r, r)))));
    ++halvings;
  }
  const TWide z = Mul(r, r);
  TWide p = inv[51];
  for (int k = 24; k >= 0; --k) p = Sub(inv[2 * k + 1], Mul(z, p));
  return Scaled(Mul(r, p), halvings);
}

// x as m 2^e with m in [sqrt(1/2), sqrt(2)): m left in x, e returned.
int TakeExponent(TWide& x) {
  int e = x.Exp;
  x.Exp = 0;
  if (x.Hi > 0xB504F333F9DE6484u) {
    x.Exp = -1;
    ++e;
  }
  return e;
}

// ln x for x > 0.
TWide Ln(TWide x) {
  const TConstants& c = Constants();
  const int e = TakeExponent(x);
  const TWide lm = LnMantissa(x, c.Inverse);
  return e == 0 ? lm : Add(Mul(Wide(int64_t{e}), c.Ln2), lm);
}

// log2 x for x > 0.
TWide Log2(TWide x) {
  const TConstants& c = Constants();
  const int e = TakeExponent(x);
  const TWide lm = Mul(LnMantissa(x, c.Inverse), c.Log2e);
  return e == 0 ? lm : Add(Wide(int64_t{e}), lm);
}

bool IsSignalling(TFloat80 x) { return x.IsNan() && (x.Significand() & QuietBit) == 0; }
TFloat80 Quiet(TFloat80 x) {
  return TFloat80::FromBits(x.SignAndExponent(), x.Significand() | QuietBit);
}

TFloat80 Infinity(bool negative) { return TFloat80::FromBits(negative ? 0xFFFF : 0x7FFF, Top); }
TFloat80 Zero(bool negative) { return TFloat80::FromBits(negative ? 0x8000 : 0, 0); }

}  // namespace

TFloat80 PropagateNan(TFloat80 a, TFloat80 b) {
  if (!b.IsNan()) return Quiet(a);
  if (!a.IsNan()) return Quiet(b);
  const bool aQuiet = !IsSignalling(a), bQuiet = !IsSignalling(b);
  if (aQuiet != bQuiet) return aQuiet ? a : b;
  const uint64_t sa = a.Significand() | QuietBit, sb = b.Significand() | QuietBit;
  if (sa != sb) return Quiet(sb > sa ? b : a);
  return Quiet(a.SignBit() ? b : a);  // of two alike but for the sign, the positive one
}

TFloat80 F2xm1(TFloat80 x) {
  if (x.IsNan()) return Quiet(x);
  if (x.IsZero()) return x;
  if (x.IsInf()) return x.SignBit() ? TFloat80(-1) : x;
  const TConstants& c = Constants();
  TWide t = Mul(Wide(x), c.Ln2);
  // Halve until |t| < 2^-8, sum the series of e^t - 1, then double back: e^2t - 1 = u (u + 2).
  const int k = t.Exp + 9 > 0 ? t.Exp + 9 : 0;
  t = Scaled(t, -k);
  TWide s = Wide(int64_t{1});
  for (int n = 16; n >= 2; --n) s = Add(Wide(int64_t{1}), Mul(Mul(t, c.Inverse[n]), s));
  TWide u = Mul(t, s);
  const TWide two = Wide(int64_t{2});
  for (int i = 0; i < k; ++i) u = Mul(u, Add(u, two));
  return Round(u);
}

TFloat80 Fyl2x(TFloat80 x, TFloat80 y) {
  if (x.IsNan() || y.IsNan()) return PropagateNan(x, y);
  if (x.SignBit() && !x.IsZero()) return Indefinite;
  const TFloat80 one(1);
  if (x.IsZero()) {
    if (y.IsZero()) return Indefinite;
    return Infinity(!y.SignBit());
  }
  if (x.IsInf()) {
    if (y.IsZero()) return Indefinite;
    return Infinity(y.SignBit());
  }
  if (y.IsInf()) {
    if (x == one) return Indefinite;
    return Infinity(y.SignBit() != (x < one));
  }
  if (y.IsZero() || x == one) return Zero(y.SignBit() != (x < one));
  return Round(Mul(Wide(y), Log2(Wide(x))));
}

TFloat80 Fyl2xp1(TFloat80 x, TFloat80 y) {
  if (x.IsNan() || y.IsNan()) return PropagateNan(x, y);
  if (x.IsZero() || y.IsZero()) {
    if (x.IsInf() || y.IsInf()) return Indefinite;
    return Zero(x.SignBit() != y.SignBit());
  }
  if (y.IsInf()) return Infinity(x.SignBit() != y.SignBit());
  const TConstants& c = Constants();
  // ln(1 + x) = 2 atanh(x / (2 + x))
  const TWide wx = Wide(x);
  const TWide s = Div(wx, Add(Wide(int64_t{2}), wx));
  const TWide z = Mul(s, s);
  TWide p = c.Inverse[55];
  for (int k = 26; k >= 0; --k) p = Add(c.Inverse[2 * k + 1], Mul(z, p));
  const TWide ln = Scaled(Mul(s, p), 1);
  return Round(Mul(Wide(y), Mul(ln, c.Log2e)));
}

TFloat80 Fpatan(TFloat80 y, TFloat80 x) {
  if (x.IsNan() || y.IsNan()) return PropagateNan(y, x);
  const TConstants& c = Constants();
  const bool negative = y.SignBit();
  TWide a;
  if (y.IsInf() || x.IsInf()) {
    if (y.IsInf() && x.IsInf()) {
      a = Scaled(c.Pi, -2);
      if (x.SignBit()) a = Sub(c.Pi, a);
    } else if (y.IsInf()) {
      a = c.HalfPi;
    } else {
      a = x.SignBit() ? c.Pi : TWide{};
    }
  } else if (y.IsZero()) {
    a = x.SignBit() ? c.Pi : TWide{};
  } else if (x.IsZero()) {
    a = c.HalfPi;
  } else {
    const TWide wy = Wide(y.Abs()), wx = Wide(x.Abs());
    const bool steep = MagnitudeBelow(wx, wy);
    a = AtanSmall(steep ? Div(wx, wy) : Div(wy, wx), c.Inverse);
    if (steep) a = Sub(c.HalfPi, a);
    if (x.SignBit()) a = Sub(c.Pi, a);
  }
  a.Neg = negative;
  return Round(a);
}

TFloat80 Fscale(TFloat80 x, TFloat80 n) {
  if (x.IsNan() || n.IsNan()) return PropagateNan(x, n);
  if (n.IsInf()) {
    if (n.SignBit()) return x.IsInf() ? Indefinite : Zero(x.SignBit());
    return x.IsZero() ? Indefinite : Infinity(x.SignBit());
  }
  if (x.IsZero() || x.IsInf()) return x;
  int64_t k = n.ToInt64Trunc();
  if (k == INT64_MIN) k = n.SignBit() ? -100000 : 100000;
  if (k > 100000) k = 100000;
  if (k < -100000) k = -100000;
  return Round(Scaled(Wide(x), static_cast<int>(k)));
}

namespace {
TFloat80 RoundDouble(const TWide& w) {
  if (w.IsZero()) return Zero(w.Neg);
  uint64_t sig = w.Hi >> 11;
  const uint64_t rest = (w.Hi << 53) | (w.Lo != 0);
  int exp = w.Exp;
  if (rest > Top || (rest == Top && (sig & 1))) {
    if (++sig >> 53) {
      sig >>= 1;
      ++exp;
    }
  }
  return TFloat80::FromBits(static_cast<uint16_t>((w.Neg ? 0x8000 : 0) | (exp + Bias)), sig << 11);
}
}  // namespace

TFloat80 DoubleAdd(TFloat80 a, TFloat80 b) { return RoundDouble(Add(Wide(a), Wide(b))); }
TFloat80 DoubleMul(TFloat80 a, TFloat80 b) { return RoundDouble(Mul(Wide(a), Wide(b))); }

namespace {
// The loaded constants, rounded once.
struct TLoaded {
  TFloat80 Ln2, Lg2, L2e, L2t, Pi;
};
const TLoaded& Loaded() {
  static const TLoaded loaded = [] {
    const TConstants& c = Constants();
    const TWide ten = Wide(int64_t{10});
    return TLoaded{Round(c.Ln2), Round(Div(c.Ln2, Ln(ten))), Round(c.Log2e), Round(Log2(ten)),
                   Round(c.Pi)};
  }();
  return loaded;
}
}  // namespace

TFloat80 Ln2() { return Loaded().Ln2; }
TFloat80 Lg2() { return Loaded().Lg2; }
TFloat80 L2e() { return Loaded().L2e; }
TFloat80 L2t() { return Loaded().L2t; }
TFloat80 Pi() { return Loaded().Pi; }

}  // namespace scan::x87
