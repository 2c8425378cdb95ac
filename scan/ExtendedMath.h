#pragma once
// The library functions over Extended: the C library's long double functions where Extended is
// the x87 long double, their software versions (scan/Float80Math.h) elsewhere, so that both give
// the same bits. None reports a fault: callers check the results.

#include "scan/Extended.h"

#ifdef SHEETCALC_X87_EXTENDED
#include <cmath>
#else
#include "scan/Float80Math.h"
#endif

namespace scan::xmath {

#ifdef SHEETCALC_X87_EXTENDED
#define SHEETCALC_XMATH_ONE(Name, fn) \
  inline Extended Name(Extended x) { return Extended::FromNative(std::fn(x.Native())); }
#define SHEETCALC_XMATH_TWO(Name, fn)                                 \
  inline Extended Name(Extended x, Extended y) {                     \
    return Extended::FromNative(std::fn(x.Native(), y.Native())); \
  }
SHEETCALC_XMATH_ONE(Exp, exp)
SHEETCALC_XMATH_ONE(Log, log)
SHEETCALC_XMATH_ONE(Log10, log10)
SHEETCALC_XMATH_ONE(Log2, log2)
SHEETCALC_XMATH_ONE(Log1p, log1p)
SHEETCALC_XMATH_ONE(Sin, sin)
SHEETCALC_XMATH_ONE(Cos, cos)
SHEETCALC_XMATH_ONE(Tan, tan)
SHEETCALC_XMATH_ONE(Asin, asin)
SHEETCALC_XMATH_ONE(Acos, acos)
SHEETCALC_XMATH_TWO(Atan2, atan2)
SHEETCALC_XMATH_ONE(Sinh, sinh)
SHEETCALC_XMATH_ONE(Cosh, cosh)
SHEETCALC_XMATH_ONE(Tanh, tanh)
SHEETCALC_XMATH_ONE(Asinh, asinh)
SHEETCALC_XMATH_ONE(Acosh, acosh)
SHEETCALC_XMATH_ONE(Atanh, atanh)
SHEETCALC_XMATH_ONE(Cbrt, cbrt)
SHEETCALC_XMATH_TWO(Hypot, hypot)
SHEETCALC_XMATH_TWO(Pow, pow)
SHEETCALC_XMATH_ONE(Floor, floor)
SHEETCALC_XMATH_ONE(Ceil, ceil)
SHEETCALC_XMATH_ONE(Sqrt, sqrt)
#undef SHEETCALC_XMATH_ONE
#undef SHEETCALC_XMATH_TWO
#else
using f80::Acos, f80::Asin, f80::Asinh, f80::Acosh, f80::Atan2, f80::Atanh, f80::Cbrt, f80::Ceil,
    f80::Cos, f80::Cosh, f80::Exp, f80::Floor, f80::Hypot, f80::Log, f80::Log10, f80::Log1p,
    f80::Log2, f80::Pow, f80::Sin, f80::Sinh, f80::Tan, f80::Tanh;
inline Extended Sqrt(Extended x) {
  TFloatFaults ignored = 0;
  return Extended::Sqrt(x, ignored);
}
#endif

}  // namespace scan::xmath
