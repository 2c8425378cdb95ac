#pragma once
// Whole parts of extended values, read off their bits. The x87 unit rounds to nearest; truncating
// there means switching its control word to another rounding and back, which stalls it, and the
// number formats truncate several times for nearly every value they show.

#include <cstdint>

#include "scan/uAnsiCharTools.h"

namespace scan {

/// An extended value taken apart: |x| = Significand x 2^(Exponent - 63), the leading bit explicit.
struct TExtendedParts {
  uint64_t Significand;
  int Exponent;
  bool Negative;
};

inline TExtendedParts SplitExtended(Extended x) {
  const uint16_t signAndExponent = x.SignAndExponent();
  return {x.Significand(), (signAndExponent & 0x7FFF) - 16383, (signAndExponent & 0x8000) != 0};
}

/// The whole part of 0 <= a < 2^63, as trunc(a) gives it.
inline uint64_t WholePart(Extended a) {
  const TExtendedParts parts = SplitExtended(a);
  if (parts.Exponent < 0) return 0;  // below one, zero and the subnormals included
  return parts.Significand >> (63 - parts.Exponent);
}

/// Whether x is whole and within the 64-bit integers (infinities and NaN are not); if so `whole`
/// receives it.
inline bool WholeInt64(Extended x, int64_t& whole) {
  const TExtendedParts parts = SplitExtended(x);
  if (parts.Significand == 0) {
    whole = 0;
    return true;
  }
  if (parts.Exponent < 0) return false;
  if (parts.Exponent >= 63) {
    // Only -2^63 itself is in range.
    if (!parts.Negative || parts.Exponent > 63 || parts.Significand != uint64_t{1} << 63)
      return false;
    whole = INT64_MIN;
    return true;
  }
  const int shift = 63 - parts.Exponent;
  if ((parts.Significand & ((uint64_t{1} << shift) - 1)) != 0) return false;
  const uint64_t magnitude = parts.Significand >> shift;
  whole = parts.Negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

}  // namespace scan
