#pragma once
// The 80-bit extended format as the x87 unit computes it: a long double held in a class with
// TFloat80's face, so that the program is written once for both. Every operation is the
// compiler's own long double operation, inlined; nothing costs more than the bare long double.
// Only where long double is the x87 format (scan/Extended.h chooses).

#include <cmath>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "scan/Float80.h"

namespace scan {

class TX87Float {
 public:
  constexpr TX87Float() = default;
  /// Every 64-bit integer is exact.
  template <std::integral T>
  constexpr TX87Float(T v) : FValue(static_cast<long double>(v)) {}
  explicit constexpr TX87Float(double v) : FValue(v) {}

  /// The stored fields, as the x87 unit holds them in memory. In a constant expression the value
  /// is built by exact scaling (a NaN's payload is not kept there).
  static constexpr TX87Float FromBits(uint16_t signAndExponent, uint64_t significand) {
    if (std::is_constant_evaluated()) return FromNative(Scaled(signAndExponent, significand));
    TX87Float r;
    std::memcpy(&r.FValue, &significand, sizeof significand);
    std::memcpy(reinterpret_cast<char*>(&r.FValue) + sizeof significand, &signAndExponent,
                sizeof signAndExponent);
    return r;
  }
  uint16_t SignAndExponent() const {
    uint16_t signAndExponent;
    std::memcpy(&signAndExponent, reinterpret_cast<const char*>(&FValue) + 8, 2);
    return signAndExponent;
  }
  uint64_t Significand() const {
    uint64_t significand;
    std::memcpy(&significand, &FValue, 8);
    return significand;
  }

  /// The long double itself, for the C library.
  static constexpr TX87Float FromNative(long double v) {
    TX87Float r;
    r.FValue = v;
    return r;
  }
  constexpr long double Native() const { return FValue; }

  static TX87Float Add(TX87Float a, TX87Float b, TFloatFaults& faults) {
    return Noted(a.FValue + b.FValue, a, b, faults);
  }
  static TX87Float Sub(TX87Float a, TX87Float b, TFloatFaults& faults) {
    return Noted(a.FValue - b.FValue, a, b, faults);
  }
  static TX87Float Mul(TX87Float a, TX87Float b, TFloatFaults& faults) {
    return Noted(a.FValue * b.FValue, a, b, faults);
  }
  static TX87Float Div(TX87Float a, TX87Float b, TFloatFaults& faults) {
    if (b.FValue == 0 && a.IsFinite()) {
      faults |= a.FValue == 0 ? ffInvalid : ffZeroDivide;
      return FromNative(a.FValue / b.FValue);
    }
    return Noted(a.FValue / b.FValue, a, b, faults);
  }
  static TX87Float Sqrt(TX87Float a, TFloatFaults& faults) {
    if (a.FValue < 0) faults |= ffInvalid;
    return FromNative(std::sqrt(a.FValue));
  }

  TX87Float NearbyInt() const { return FromNative(std::nearbyint(FValue)); }
  TX87Float Trunc() const { return FromNative(std::trunc(FValue)); }
  /// Toward zero; NaN and values outside the 64-bit integers give INT64_MIN, as the x87 store.
  int64_t ToInt64Trunc() const {
    if (!(FValue > -0x1p63L - 1 && FValue < 0x1p63L)) return INT64_MIN;
    return static_cast<int64_t>(FValue);
  }
  double ToDouble() const { return static_cast<double>(FValue); }

  bool IsNan() const { return std::isnan(FValue); }
  bool IsInf() const { return std::isinf(FValue); }
  bool IsFinite() const { return std::isfinite(FValue); }
  bool IsZero() const { return FValue == 0; }
  bool SignBit() const { return std::signbit(FValue); }
  TX87Float Abs() const { return FromNative(std::fabs(FValue)); }
  constexpr TX87Float operator-() const { return FromNative(-FValue); }

  friend constexpr TX87Float operator+(TX87Float a, TX87Float b) {
    return FromNative(a.FValue + b.FValue);
  }
  friend constexpr TX87Float operator-(TX87Float a, TX87Float b) {
    return FromNative(a.FValue - b.FValue);
  }
  friend constexpr TX87Float operator*(TX87Float a, TX87Float b) {
    return FromNative(a.FValue * b.FValue);
  }
  friend constexpr TX87Float operator/(TX87Float a, TX87Float b) {
    return FromNative(a.FValue / b.FValue);
  }
  TX87Float& operator+=(TX87Float b) { return *this = *this + b; }
  TX87Float& operator-=(TX87Float b) { return *this = *this - b; }
  TX87Float& operator*=(TX87Float b) { return *this = *this * b; }
  TX87Float& operator/=(TX87Float b) { return *this = *this / b; }

  friend constexpr bool operator==(TX87Float a, TX87Float b) { return a.FValue == b.FValue; }
  friend constexpr bool operator<(TX87Float a, TX87Float b) { return a.FValue < b.FValue; }
  friend constexpr bool operator>(TX87Float a, TX87Float b) { return a.FValue > b.FValue; }
  friend constexpr bool operator<=(TX87Float a, TX87Float b) { return a.FValue <= b.FValue; }
  friend constexpr bool operator>=(TX87Float a, TX87Float b) { return a.FValue >= b.FValue; }

 private:
  // The faults a result says of itself: NaN out of non-NaN operands, infinity out of finite ones.
  static TX87Float Noted(long double r, TX87Float a, TX87Float b, TFloatFaults& faults) {
    if (!std::isfinite(r)) [[unlikely]] {
      if (std::isnan(r)) {
        if (!a.IsNan() && !b.IsNan()) faults |= ffInvalid;
      } else if (a.IsFinite() && b.IsFinite()) {
        faults |= ffOverflow;
      }
    }
    return FromNative(r);
  }

  // significand x 2^(exponent - 63), by steps that are each exact: every intermediate holds the
  // same bits as the result, which is representable.
  static constexpr long double Scaled(uint16_t signAndExponent, uint64_t significand) {
    const int field = signAndExponent & 0x7FFF;
    long double v;
    if (field == 0x7FFF) {
      v = (significand << 1) == 0 ? __builtin_infl() : __builtin_nanl("");
    } else {
      v = static_cast<long double>(significand);
      int shift = (field == 0 ? 1 : field) - 16383 - 63;
      for (; shift >= 60; shift -= 60) v *= 0x1p60L;
      for (; shift <= -60; shift += 60) v *= 0x1p-60L;
      if (shift >= 0)
        v *= static_cast<long double>(uint64_t{1} << shift);
      else
        v /= static_cast<long double>(uint64_t{1} << -shift);
    }
    return (signAndExponent & 0x8000) != 0 ? -v : v;
  }

  long double FValue = 0;
};

}  // namespace scan
