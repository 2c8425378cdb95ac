#pragma once
// The 80-bit extended format in software: sign, 15-bit exponent (bias 16383), 64-bit significand
// with its leading bit explicit, every result rounded to nearest, ties to even. Each operation
// gives exactly the bits the x87 unit gives at 64-bit precision: the same subnormals, signed
// zeros, infinities and NaNs (an invalid operation yields the negative quiet NaN with significand
// 0xC000000000000000; a NaN operand comes back quieted, of two the larger significand).
//
// The faults the engine reports (invalid operation, division by zero, overflow) are collected in a
// TFloatFaults word by the operations that take one; the operators drop them, as the hardware's
// masked exceptions do.

#include <bit>
#include <concepts>
#include <cstdint>

namespace scan {

using TFloatFaults = unsigned;
constexpr TFloatFaults ffInvalid = 1;     // NaN out of non-NaN operands, or a signalling NaN read
constexpr TFloatFaults ffZeroDivide = 2;  // a finite non-zero value divided by zero
constexpr TFloatFaults ffOverflow = 4;    // a finite result beyond the largest finite value

/// Throws the error of the first fault set (invalid, then division by zero, then overflow), with
/// the engine's class and message; returns when no fault is set.
void RaiseFloatFaults(TFloatFaults faults);

class TFloat80 {
 public:
  constexpr TFloat80() = default;
  /// Every 64-bit integer is exact.
  template <std::signed_integral T>
  constexpr TFloat80(T v)
      : TFloat80(FromMagnitude(v < 0, v < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(v))
                                            : static_cast<uint64_t>(v))) {}
  template <std::unsigned_integral T>
  constexpr TFloat80(T v) : TFloat80(FromMagnitude(false, v)) {}
  /// Exact, as the x87 load of a double (a signalling NaN comes back quieted).
  explicit constexpr TFloat80(double v) : TFloat80(FromDouble(__builtin_bit_cast(uint64_t, v))) {}

  /// The stored fields, as the x87 unit holds them in memory.
  static constexpr TFloat80 FromBits(uint16_t signAndExponent, uint64_t significand) {
    TFloat80 r;
    r.FSignExp = signAndExponent;
    r.FSignificand = significand;
    return r;
  }
  constexpr uint16_t SignAndExponent() const { return FSignExp; }
  constexpr uint64_t Significand() const { return FSignificand; }

  static TFloat80 Add(TFloat80 a, TFloat80 b, TFloatFaults& faults);
  static TFloat80 Sub(TFloat80 a, TFloat80 b, TFloatFaults& faults);
  static TFloat80 Mul(TFloat80 a, TFloat80 b, TFloatFaults& faults);
  static TFloat80 Div(TFloat80 a, TFloat80 b, TFloatFaults& faults);
  static TFloat80 Sqrt(TFloat80 a, TFloatFaults& faults);

  /// Whole values: to nearest with ties to even (nearbyint), and toward zero (trunc).
  TFloat80 NearbyInt() const;
  TFloat80 Trunc() const;
  /// Toward zero; NaN and values outside the 64-bit integers give INT64_MIN, as the x87 store.
  int64_t ToInt64Trunc() const;
  /// Rounded to nearest, ties to even (overflow gives an infinity, as a cast to double does).
  double ToDouble() const;

  constexpr bool IsNan() const { return (FSignExp & 0x7FFF) == 0x7FFF && (FSignificand << 1) != 0; }
  constexpr bool IsInf() const { return (FSignExp & 0x7FFF) == 0x7FFF && (FSignificand << 1) == 0; }
  constexpr bool IsFinite() const { return (FSignExp & 0x7FFF) != 0x7FFF; }
  constexpr bool IsZero() const { return (FSignExp & 0x7FFF) == 0 && FSignificand == 0; }
  constexpr bool SignBit() const { return (FSignExp & 0x8000) != 0; }
  constexpr TFloat80 Abs() const { return FromBits(FSignExp & 0x7FFF, FSignificand); }
  constexpr TFloat80 operator-() const { return FromBits(FSignExp ^ 0x8000, FSignificand); }

  friend TFloat80 operator+(TFloat80 a, TFloat80 b) {
    TFloatFaults f = 0;
    return Add(a, b, f);
  }
  friend TFloat80 operator-(TFloat80 a, TFloat80 b) {
    TFloatFaults f = 0;
    return Sub(a, b, f);
  }
  friend TFloat80 operator*(TFloat80 a, TFloat80 b) {
    TFloatFaults f = 0;
    return Mul(a, b, f);
  }
  friend TFloat80 operator/(TFloat80 a, TFloat80 b) {
    TFloatFaults f = 0;
    return Div(a, b, f);
  }
  TFloat80& operator+=(TFloat80 b) { return *this = *this + b; }
  TFloat80& operator-=(TFloat80 b) { return *this = *this - b; }
  TFloat80& operator*=(TFloat80 b) { return *this = *this * b; }
  TFloat80& operator/=(TFloat80 b) { return *this = *this / b; }

  /// IEEE comparison: a NaN is unordered (every relation false but !=), -0 equals +0.
  friend constexpr bool operator==(TFloat80 a, TFloat80 b) {
    if (a.IsNan() || b.IsNan()) return false;
    return (a.FSignExp == b.FSignExp && a.FSignificand == b.FSignificand) ||
           (a.IsZero() && b.IsZero());
  }
  friend constexpr bool operator<(TFloat80 a, TFloat80 b) { return Less(a, b, false); }
  friend constexpr bool operator>(TFloat80 a, TFloat80 b) { return Less(b, a, false); }
  friend constexpr bool operator<=(TFloat80 a, TFloat80 b) { return Less(a, b, true); }
  friend constexpr bool operator>=(TFloat80 a, TFloat80 b) { return Less(b, a, true); }

 private:
  /// a < b, or a <= b with orEqual; false when either is a NaN. Inline: the formatter compares
  /// nearly every value it shows a dozen times.
  static constexpr bool Less(TFloat80 a, TFloat80 b, bool orEqual) {
    if (a.IsNan() || b.IsNan()) return false;
    if (a.IsZero() && b.IsZero()) return orEqual;
    const bool negative = a.SignBit();
    if (negative != b.SignBit()) return negative;
    // Same sign: the fields order the magnitudes (the explicit leading bit included).
    const int ma = a.FSignExp & 0x7FFF, mb = b.FSignExp & 0x7FFF;
    if (ma == mb && a.FSignificand == b.FSignificand) return orEqual;
    const bool smaller = ma != mb ? ma < mb : a.FSignificand < b.FSignificand;
    return smaller != negative;
  }

  static constexpr TFloat80 FromMagnitude(bool negative, uint64_t magnitude) {
    if (magnitude == 0) return TFloat80();
    const int shift = std::countl_zero(magnitude);
    return FromBits(static_cast<uint16_t>((negative ? 0x8000 : 0) | (16383 + 63 - shift)),
                    magnitude << shift);
  }
  static constexpr TFloat80 FromDouble(uint64_t bits) {
    const uint16_t sign = (bits >> 63) != 0 ? 0x8000 : 0;
    const int field = static_cast<int>((bits >> 52) & 0x7FF);
    const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
    if (field == 0x7FF) {
      return fraction == 0 ? FromBits(sign | 0x7FFF, uint64_t{1} << 63)
                           : FromBits(sign | 0x7FFF, (uint64_t{3} << 62) | (fraction << 11));
    }
    if (field == 0) {  // zero, or a subnormal double, which is a normal extended value
      if (fraction == 0) return FromBits(sign, 0);
      const int shift = std::countl_zero(fraction);
      return FromBits(static_cast<uint16_t>(sign | (16383 - 1023 + 1 - (shift - 11))),
                      fraction << shift);
    }
    return FromBits(static_cast<uint16_t>(sign | (field - 1023 + 16383)),
                    (uint64_t{1} << 63) | (fraction << 11));
  }

  uint64_t FSignificand = 0;
  uint16_t FSignExp = 0;
};

}  // namespace scan
