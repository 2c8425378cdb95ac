#pragma once
// The long double library functions the engine uses, over the software 80-bit number. Each gives
// exactly the bits the x87 build's C library gives for the same operand (NaNs and infinities
// included); none reports a fault: the engine checks the results it gets.

#include "scan/Float80.h"

namespace scan::f80 {

TFloat80 Exp(TFloat80 x);
TFloat80 Log(TFloat80 x);
TFloat80 Log10(TFloat80 x);
TFloat80 Log2(TFloat80 x);
TFloat80 Log1p(TFloat80 x);
TFloat80 Sin(TFloat80 x);
TFloat80 Cos(TFloat80 x);
TFloat80 Tan(TFloat80 x);
TFloat80 Asin(TFloat80 x);
TFloat80 Acos(TFloat80 x);
TFloat80 Atan2(TFloat80 y, TFloat80 x);
TFloat80 Sinh(TFloat80 x);
TFloat80 Cosh(TFloat80 x);
TFloat80 Tanh(TFloat80 x);
TFloat80 Asinh(TFloat80 x);
TFloat80 Acosh(TFloat80 x);
TFloat80 Atanh(TFloat80 x);
TFloat80 Cbrt(TFloat80 x);
TFloat80 Hypot(TFloat80 x, TFloat80 y);
TFloat80 Pow(TFloat80 x, TFloat80 y);
TFloat80 Floor(TFloat80 x);
TFloat80 Ceil(TFloat80 x);

}  // namespace scan::f80
