#pragma once
// The library functions over Extended: the C library's long double functions where Extended is
// the x87 long double, their software versions (scan/Float80Math.h) elsewhere, so that both give
// the same bits. None reports a fault: callers check the results.

#include "scan/Extended.h"

#ifdef SHEETCALC_X87_EXTENDED
#include <math.h>
#else
#include "scan/Float80Math.h"
#endif

namespace scan::xmath {

#ifdef SHEETCALC_X87_EXTENDED
inline Extended Via(long double (*f)(long double), Extended x) {
  return Extended::FromNative(f(x.Native()));
}
inline Extended Via(long double (*f)(long double, long double), Extended x, Extended y) {
  return Extended::FromNative(f(x.Native(), y.Native()));
}
inline Extended Exp(Extended x) { return Via(::expl, x); }
inline Extended Log(Extended x) { return Via(::logl, x); }
inline Extended Log10(Extended x) { return Via(::log10l, x); }
inline Extended Log2(Extended x) { return Via(::log2l, x); }
inline Extended Log1p(Extended x) { return Via(::log1pl, x); }
inline Extended Sin(Extended x) { return Via(::sinl, x); }
inline Extended Cos(Extended x) { return Via(::cosl, x); }
inline Extended Tan(Extended x) { return Via(::tanl, x); }
inline Extended Asin(Extended x) { return Via(::asinl, x); }
inline Extended Acos(Extended x) { return Via(::acosl, x); }
inline Extended Sinh(Extended x) { return Via(::sinhl, x); }
inline Extended Cosh(Extended x) { return Via(::coshl, x); }
inline Extended Tanh(Extended x) { return Via(::tanhl, x); }
inline Extended Asinh(Extended x) { return Via(::asinhl, x); }
inline Extended Acosh(Extended x) { return Via(::acoshl, x); }
inline Extended Atanh(Extended x) { return Via(::atanhl, x); }
inline Extended Cbrt(Extended x) { return Via(::cbrtl, x); }
inline Extended Floor(Extended x) { return Via(::floorl, x); }
inline Extended Ceil(Extended x) { return Via(::ceill, x); }
inline Extended Sqrt(Extended x) { return Via(::sqrtl, x); }
inline Extended Atan2(Extended x, Extended y) { return Via(::atan2l, x, y); }
inline Extended Hypot(Extended x, Extended y) { return Via(::hypotl, x, y); }
inline Extended Pow(Extended x, Extended y) { return Via(::powl, x, y); }
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
