#include "scan/Float80.h"

#include <bit>
#include <cstring>
#include <utility>

#include "scan/Exceptions.h"
#include "scan/WideMultiply.h"

namespace scan {

void RaiseFloatFaults(TFloatFaults faults) {
  if (faults & ffInvalid) RaiseInvalidOp();
  if (faults & ffZeroDivide) RaiseZeroDivide();
  if (faults & ffOverflow) RaiseOverflow();
}

namespace {

constexpr int Bias = 16383;
constexpr uint16_t MaxField = 0x7FFF;
constexpr uint64_t Top = uint64_t{1} << 63;
constexpr uint64_t QuietBit = uint64_t{1} << 62;
// What an invalid operation gives: the negative quiet NaN of the x87 unit.
constexpr TFloat80 Indefinite = TFloat80::FromBits(0xFFFF, 0xC000000000000000u);

// A finite non-zero value taken apart: Sig x 2^(Exp - 63), the leading bit of Sig set (subnormals
// are normalised here, so Exp may lie below the format's least exponent).
struct TParts {
  bool Negative;
  int Exp;
  uint64_t Sig;
};

int Field(TFloat80 x) { return x.SignAndExponent() & MaxField; }

TParts Unpack(TFloat80 x) {
  const int field = Field(x);
  uint64_t sig = x.Significand();
  int exp = field == 0 ? 1 - Bias : field - Bias;
  const int shift = std::countl_zero(sig);
  sig <<= shift;
  exp -= shift;
  return {x.SignBit(), exp, sig};
}

TFloat80 Make(bool negative, uint16_t field, uint64_t sig) {
  return TFloat80::FromBits(static_cast<uint16_t>(field | (negative ? 0x8000 : 0)), sig);
}
TFloat80 Zero(bool negative) { return Make(negative, 0, 0); }
TFloat80 Infinity(bool negative) { return Make(negative, MaxField, Top); }

bool IsSignalling(TFloat80 x) { return x.IsNan() && (x.Significand() & QuietBit) == 0; }
TFloat80 Quiet(TFloat80 x) {
  return TFloat80::FromBits(x.SignAndExponent(), x.Significand() | QuietBit);
}

// The result of an operation with a NaN operand: that NaN quieted; of two, the quiet one when only
// one is, else the larger significand (the first operand on a tie).
TFloat80 PropagateNan(TFloat80 a, TFloat80 b, TFloatFaults& faults) {
  if (IsSignalling(a) || IsSignalling(b)) faults |= ffInvalid;
  if (!b.IsNan()) return Quiet(a);
  if (!a.IsNan()) return Quiet(b);
  const bool aQuiet = !IsSignalling(a), bQuiet = !IsSignalling(b);
  if (aQuiet != bQuiet) return aQuiet ? a : b;
  const uint64_t sa = a.Significand() | QuietBit, sb = b.Significand() | QuietBit;
  return Quiet(sb > sa ? b : a);
}

// Shifts the 128-bit (hi, lo) right by n, folding what falls out into the lowest bit of lo.
void ShiftRightJam(uint64_t& hi, uint64_t& lo, int n) {
  if (n == 0) return;
  if (n >= 128) {
    lo = (hi | lo) != 0;
    hi = 0;
  } else if (n >= 64) {
    const uint64_t lost = n == 64 ? lo : (lo | (hi << (128 - n)));
    lo = (n == 64 ? hi : hi >> (n - 64)) | (lost != 0);
    hi = 0;
  } else {
    const bool lost = (lo << (64 - n)) != 0;
    lo = (lo >> n) | (hi << (64 - n)) | lost;
    hi >>= n;
  }
}

// A normal value with its leading bit set, as every operation's fast path takes it.
inline bool IsNormal(TFloat80 x) {
  return static_cast<unsigned>(Field(x) - 1) < MaxField - 1u && (x.Significand() & Top) != 0;
}

// The value Sig.rest x 2^(exp - 63) (rest: the bits below Sig, its top bit the half unit) rounded
// to nearest even into the format, subnormal or overflowing as it falls.
TFloat80 RoundPackEdge(bool negative, int exp, uint64_t sig, uint64_t rest,
                       TFloatFaults& faults) {
  int field = exp + Bias;
  if (field <= 0) {
    ShiftRightJam(sig, rest, 1 - field);
    field = 0;
  }
  if (rest > Top || (rest == Top && (sig & 1))) {
    if (++sig == 0) {
      sig = Top;
      ++field;
    } else if (field == 0 && (sig & Top)) {
      field = 1;  // rounded up into the least normal value
    }
  }
  if (field >= MaxField) {
    faults |= ffOverflow;
    return Infinity(negative);
  }
  return Make(negative, static_cast<uint16_t>(field), sig);
}

// RoundPackEdge, with the common case inline: a result well inside the normal range, where the
// round can carry one place up at most.
inline TFloat80 RoundPack(bool negative, int exp, uint64_t sig, uint64_t rest,
                          TFloatFaults& faults) {
  const int field = exp + Bias;
  if (field <= 0 || field >= MaxField - 1) [[unlikely]]
    return RoundPackEdge(negative, exp, sig, rest, faults);
  if (rest > Top || (rest == Top && (sig & 1))) {
    if (++sig == 0) return Make(negative, static_cast<uint16_t>(field + 1), Top);
  }
  return Make(negative, static_cast<uint16_t>(field), sig);
}

// (hi, lo) / d for hi < d: the quotient and the remainder.
uint64_t DivWide(uint64_t hi, uint64_t lo, uint64_t d, uint64_t& remainder) {
#if defined(__SIZEOF_INT128__)
  const unsigned __int128 n = (static_cast<unsigned __int128>(hi) << 64) | lo;
  remainder = static_cast<uint64_t>(n % d);
  return static_cast<uint64_t>(n / d);
#else
  uint64_t q = 0;
  for (int i = 0; i < 64; ++i) {
    const bool carry = (hi & Top) != 0;
    hi = (hi << 1) | (lo >> 63);
    lo <<= 1;
    q <<= 1;
    if (carry || hi >= d) {
      hi -= d;
      q |= 1;
    }
  }
  remainder = hi;
  return q;
#endif
}

// What a remainder r of a division by d says of the bits below the quotient.
uint64_t RestOf(uint64_t r, uint64_t d) {
  if (r == 0) return 0;
  // 2r against d, without overflowing 2r.
  if (r >= d - r) return r == d - r ? Top : Top | 1;
  return 1;
}

TFloat80 AddMagnitudes(TParts a, TParts b, bool negative, TFloatFaults& faults) {
  if (a.Exp < b.Exp) std::swap(a, b);
  uint64_t bSig = b.Sig, bRest = 0;
  ShiftRightJam(bSig, bRest, a.Exp - b.Exp);
  uint64_t sig = a.Sig + bSig, rest = bRest;
  int exp = a.Exp;
  if (sig < a.Sig) {  // carried out of the top bit: one place down
    rest = (sig << 63) | (rest >> 1) | (rest & 1);
    sig = (sig >> 1) | Top;
    ++exp;
  }
  return RoundPack(negative, exp, sig, rest, faults);
}

TFloat80 SubMagnitudes(TParts a, TParts b, bool negative, TFloatFaults& faults) {
  // Order by magnitude; the result takes the sign of the larger.
  if (a.Exp < b.Exp || (a.Exp == b.Exp && a.Sig < b.Sig)) {
    std::swap(a, b);
    negative = !negative;
  }
  if (a.Exp == b.Exp && a.Sig == b.Sig) return Zero(false);
  uint64_t bSig = b.Sig, bRest = 0;
  ShiftRightJam(bSig, bRest, a.Exp - b.Exp);
  uint64_t rest = 0 - bRest;
  uint64_t sig = a.Sig - bSig - (bRest != 0);
  int exp = a.Exp;
  // At most one bit to restore when bits were lost in the shift; when none were, the rest is exact.
  const int shift = sig != 0 ? std::countl_zero(sig) : 64 + std::countl_zero(rest);
  if (shift >= 64) {
    sig = rest << (shift - 64);
    rest = 0;
  } else if (shift > 0) {
    sig = (sig << shift) | (rest >> (64 - shift));
    rest <<= shift;
  }
  exp -= shift;
  return RoundPack(negative, exp, sig, rest, faults);
}

TFloat80 AddSigned(TFloat80 a, TFloat80 b, bool bNegative, TFloatFaults& faults) {
  const bool aNegative = a.SignBit();
  if (IsNormal(a) && IsNormal(b)) [[likely]] {
    const TParts pa{aNegative, Field(a) - Bias, a.Significand()};
    const TParts pb{bNegative, Field(b) - Bias, b.Significand()};
    return aNegative == bNegative ? AddMagnitudes(pa, pb, aNegative, faults)
                                  : SubMagnitudes(pa, pb, aNegative, faults);
  }
  if (a.IsNan() || b.IsNan()) return PropagateNan(a, b, faults);
  if (a.IsInf() || b.IsInf()) {
    if (a.IsInf() && b.IsInf() && aNegative != bNegative) {
      faults |= ffInvalid;
      return Indefinite;
    }
    return Infinity(a.IsInf() ? aNegative : bNegative);
  }
  if (b.IsZero()) return a.IsZero() ? Zero(aNegative && bNegative) : a;
  TParts pb = Unpack(b);
  pb.Negative = bNegative;
  if (a.IsZero()) return RoundPack(bNegative, pb.Exp, pb.Sig, 0, faults);
  const TParts pa = Unpack(a);
  return aNegative == bNegative ? AddMagnitudes(pa, pb, aNegative, faults)
                                : SubMagnitudes(pa, pb, aNegative, faults);
}

TFloat80 MulParts(TParts pa, TParts pb, bool negative, TFloatFaults& faults) {
  uint64_t hi, lo;
  MulWide(pa.Sig, pb.Sig, hi, lo);
  int exp = pa.Exp + pb.Exp + 1;
  if (!(hi & Top)) {
    hi = (hi << 1) | (lo >> 63);
    lo <<= 1;
    --exp;
  }
  return RoundPack(negative, exp, hi, lo, faults);
}

TFloat80 DivParts(TParts pa, TParts pb, bool negative, TFloatFaults& faults);

// Integer square root of (hi, lo) < 2^128: the root and whether the remainder exceeds the root
// (the true root then lies above root + 1/2), and whether anything remains at all.
uint64_t SqrtWide(uint64_t hi, uint64_t lo, bool& aboveHalf, bool& inexact) {
  // Digit by digit: two bits of the radicand per bit of the root; the remainder stays below
  // 2 root + 1 < 2^65, so it is kept in 65 bits (remHigh the 65th).
  uint64_t root = 0, rem = 0;
  bool remHigh = false;
  for (int i = 0; i < 64; ++i) {
    const uint64_t pair = hi >> 62;
    hi = (hi << 2) | (lo >> 62);
    lo <<= 2;
    // rem = rem * 4 + pair, at most 67 bits: remHigh holds what lies above 64.
    const uint64_t top = (static_cast<uint64_t>(remHigh) << 2) | (rem >> 62);
    rem = (rem << 2) | pair;
    // trial = 4 root + 1, up to 66 bits: trialHigh above 64.
    const uint64_t trialHigh = root >> 62;
    const uint64_t trial = (root << 2) | 1;
    root <<= 1;
    if (top > trialHigh || (top == trialHigh && rem >= trial)) {
      const uint64_t borrow = rem < trial;
      rem -= trial;
      remHigh = (top - trialHigh - borrow) != 0;
      root |= 1;
    } else {
      remHigh = top != 0;
    }
  }
  aboveHalf = remHigh || rem > root;
  inexact = remHigh || rem != 0;
  return root;
}

}  // namespace

TFloat80 TFloat80::Add(TFloat80 a, TFloat80 b, TFloatFaults& faults) {
  return AddSigned(a, b, b.SignBit(), faults);
}

TFloat80 TFloat80::Sub(TFloat80 a, TFloat80 b, TFloatFaults& faults) {
  return AddSigned(a, b.IsNan() ? b : -b, !b.SignBit(), faults);
}

TFloat80 TFloat80::Mul(TFloat80 a, TFloat80 b, TFloatFaults& faults) {
  const bool negative = a.SignBit() != b.SignBit();
  if (IsNormal(a) && IsNormal(b)) [[likely]]
    return MulParts({negative, Field(a) - Bias, a.Significand()},
                    {negative, Field(b) - Bias, b.Significand()}, negative, faults);
  if (a.IsNan() || b.IsNan()) return PropagateNan(a, b, faults);
  if (a.IsInf() || b.IsInf()) {
    if (a.IsZero() || b.IsZero()) {
      faults |= ffInvalid;
      return Indefinite;
    }
    return Infinity(negative);
  }
  if (a.IsZero() || b.IsZero()) return Zero(negative);
  return MulParts(Unpack(a), Unpack(b), negative, faults);
}

TFloat80 TFloat80::Div(TFloat80 a, TFloat80 b, TFloatFaults& faults) {
  const bool negative = a.SignBit() != b.SignBit();
  if (IsNormal(a) && IsNormal(b)) [[likely]]
    return DivParts({negative, Field(a) - Bias, a.Significand()},
                    {negative, Field(b) - Bias, b.Significand()}, negative, faults);
  if (a.IsNan() || b.IsNan()) return PropagateNan(a, b, faults);
  if (a.IsInf()) {
    if (b.IsInf()) {
      faults |= ffInvalid;
      return Indefinite;
    }
    return Infinity(negative);
  }
  if (b.IsInf()) return Zero(negative);
  if (b.IsZero()) {
    if (a.IsZero()) {
      faults |= ffInvalid;
      return Indefinite;
    }
    faults |= ffZeroDivide;
    return Infinity(negative);
  }
  if (a.IsZero()) return Zero(negative);
  return DivParts(Unpack(a), Unpack(b), negative, faults);
}

namespace {

TFloat80 DivParts(TParts pa, TParts pb, bool negative, TFloatFaults& faults) {
  // The quotient's leading bit lands on bit 63: divide Sig a x 2^64 when a's significand is the
  // smaller, Sig a x 2^63 otherwise.
  int exp = pa.Exp - pb.Exp;
  uint64_t hi = pa.Sig, lo = 0;
  if (pa.Sig < pb.Sig) {
    --exp;
  } else {
    lo = hi << 63;
    hi >>= 1;
  }
  uint64_t remainder;
  const uint64_t q = DivWide(hi, lo, pb.Sig, remainder);
  return RoundPack(negative, exp, q, RestOf(remainder, pb.Sig), faults);
}

}  // namespace

TFloat80 TFloat80::Sqrt(TFloat80 a, TFloatFaults& faults) {
  if (a.IsNan()) return PropagateNan(a, a, faults);
  if (a.IsZero()) return a;
  if (a.SignBit()) {
    faults |= ffInvalid;
    return Indefinite;
  }
  if (a.IsInf()) return a;
  const TParts p = Unpack(a);
  // sqrt(Sig x 2^(Exp-63)): the radicand Sig x 2^63 for an even Exp, Sig x 2^64 for an odd one,
  // so that the root's leading bit lands on bit 63.
  const bool odd = (p.Exp & 1) != 0;
  const uint64_t hi = odd ? p.Sig : p.Sig >> 1, lo = odd ? 0 : p.Sig << 63;
  bool aboveHalf, inexact;
  const uint64_t root = SqrtWide(hi, lo, aboveHalf, inexact);
  const int exp = odd ? (p.Exp - 1) / 2 : p.Exp / 2;
  // An exact half is impossible: the rest is either above or below it.
  const uint64_t rest = aboveHalf ? Top | 1 : (inexact ? 1 : 0);
  return RoundPack(false, exp, root, rest, faults);
}

TFloat80 TFloat80::Trunc() const {
  if (IsNan()) return Quiet(*this);
  if (IsInf() || IsZero()) return *this;
  const TParts p = Unpack(*this);
  if (p.Exp < 0) return Zero(p.Negative);
  if (p.Exp >= 63) return *this;
  const uint64_t mask = ~uint64_t{0} << (63 - p.Exp);
  return Make(p.Negative, static_cast<uint16_t>(p.Exp + Bias), p.Sig & mask);
}

TFloat80 TFloat80::NearbyInt() const {
  if (IsNan()) return Quiet(*this);
  if (IsInf() || IsZero()) return *this;
  const TParts p = Unpack(*this);
  if (p.Exp >= 63) return *this;
  // Round at the units' place: the fraction is the rest below a shifted significand.
  uint64_t sig = p.Sig, rest = 0;
  ShiftRightJam(sig, rest, 63 - p.Exp);
  if (rest > Top || (rest == Top && (sig & 1))) ++sig;
  if (sig == 0) return Zero(p.Negative);
  const int shift = std::countl_zero(sig);
  return Make(p.Negative, static_cast<uint16_t>(Bias + 63 - shift), sig << shift);
}

int64_t TFloat80::ToInt64Trunc() const {
  if (IsNan() || IsInf()) return INT64_MIN;
  if (IsZero()) return 0;
  const TParts p = Unpack(*this);
  if (p.Exp < 0) return 0;
  if (p.Exp >= 63) return INT64_MIN;  // beyond the range, or -2^63 itself
  const uint64_t magnitude = p.Sig >> (63 - p.Exp);
  return p.Negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
}

double TFloat80::ToDouble() const {
  const bool negative = SignBit();
  uint64_t bits = static_cast<uint64_t>(negative) << 63;
  if (IsNan()) {
    bits |= (uint64_t{0x7FF} << 52) | (uint64_t{1} << 51) |
            ((Significand() >> 11) & ((uint64_t{1} << 52) - 1));
  } else if (IsInf()) {
    bits |= uint64_t{0x7FF} << 52;
  } else if (!IsZero()) {
    const TParts p = Unpack(*this);
    // 53 bits kept; fewer below the least normal double.
    int field = p.Exp + 1023;
    uint64_t sig = p.Sig, rest = 0;
    const int drop = field <= 0 ? 11 + 1 - field : 11;
    ShiftRightJam(sig, rest, drop);
    if (field <= 0) field = 0;
    if (rest > Top || (rest == Top && (sig & 1))) ++sig;
    if (sig >> 53) {  // the round carried up a place
      sig >>= 1;
      ++field;
    } else if (field == 0 && (sig >> 52)) {
      field = 1;
    }
    if (field >= 0x7FF) {
      bits |= uint64_t{0x7FF} << 52;
    } else {
      bits |= (static_cast<uint64_t>(field) << 52) | (sig & ((uint64_t{1} << 52) - 1));
    }
  }
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

}  // namespace scan
