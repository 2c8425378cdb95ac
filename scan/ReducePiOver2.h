#pragma once
// The argument of the trigonometric functions brought to [-pi/4, pi/4], as the C library's
// extended-precision code does it: by the digits of 2/pi, in double arithmetic.

#include "scan/Float80.h"

namespace scan::f80 {

/// x - n pi/2 as the two-part sum y0 + y1 (|y0 + y1| <= pi/4), for finite x above pi/4 in
/// magnitude; returns n (its low bits are what count).
int RemPio2(TFloat80 x, TFloat80& y0, TFloat80& y1);

}  // namespace scan::f80
