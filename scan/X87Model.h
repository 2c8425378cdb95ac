#pragma once
// The x87 unit's transcendental and scaling instructions over the software number, for the math
// functions that are built on them. Each is the instruction's exact result rounded once to nearest
// (the hardware's own results agree with that in all but a few cases in a hundred, where they lie
// one unit in the last place away), with the instruction's special cases: NaN operands propagate,
// undefined cases give the invalid operation's NaN, the infinities and zeros as the unit gives
// them.

#include "scan/Float80.h"

namespace scan::x87 {

/// The NaN an instruction with operands a and b (one of them a NaN) gives: the quiet one over a
/// signalling one, else the larger significand, else the positive one; quieted.
TFloat80 PropagateNan(TFloat80 a, TFloat80 b);

/// f2xm1: 2^x - 1, for |x| <= 1.
TFloat80 F2xm1(TFloat80 x);
/// fyl2x: y log2(x).
TFloat80 Fyl2x(TFloat80 x, TFloat80 y);
/// fyl2xp1: y log2(1 + x), for |x| below 1 - sqrt(1/2).
TFloat80 Fyl2xp1(TFloat80 x, TFloat80 y);
/// fpatan: the angle of (x, y), atan2(y, x).
TFloat80 Fpatan(TFloat80 y, TFloat80 x);
/// fscale: x 2^trunc(n), rounded once.
TFloat80 Fscale(TFloat80 x, TFloat80 n);

/// Binary64 arithmetic on values held exactly in the 80-bit format, each result rounded once to
/// the nearest double (normal range only), as SSE arithmetic gives it: for code that the C
/// library computes in double.
TFloat80 DoubleAdd(TFloat80 a, TFloat80 b);
TFloat80 DoubleMul(TFloat80 a, TFloat80 b);

/// The constants the unit loads (fldln2, fldlg2, fldl2e, fldl2t, fldpi), rounded to nearest.
TFloat80 Ln2();
TFloat80 Lg2();
TFloat80 L2e();
TFloat80 L2t();
TFloat80 Pi();

}  // namespace scan::x87
