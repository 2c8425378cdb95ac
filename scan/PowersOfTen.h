#pragma once
// Powers of ten that are exact extended values: 10^0 .. 10^27, every power whose odd part 5^k fits
// a 64-bit mantissa. A product or quotient with one of them is rounded once, so correctly.

#include "scan/uAnsiCharTools.h"

namespace scan {

inline constexpr int ExactPowers = 27;
inline constexpr Extended PowerOfTen[ExactPowers + 1] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
    1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L,
};

}  // namespace scan
