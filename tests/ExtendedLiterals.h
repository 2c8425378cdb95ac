#pragma once
// Extended values in tests written as long double literals: 0.1_x is the long double 0.1L as an
// Extended (rounded once more where long double is wider than the 80-bit format).

#include <iomanip>
#include <ostream>

#include "scan/Extended.h"

inline scan::Extended operator""_x(long double v) { return scan::FromLongDouble(v); }

namespace scan {
/// How a test failure shows a value.
inline void PrintTo(Extended x, std::ostream* os) {
  *os << std::setprecision(21) << ToLongDouble(x);
}
}  // namespace scan
