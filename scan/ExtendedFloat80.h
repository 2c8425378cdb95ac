#pragma once
// The engine's Extended as the software number of the decimal routines and back, by their bits:
// the same value, NaN payloads and signed zeros included (the identity where Extended is the
// software number itself).

#include "scan/Extended.h"
#include "scan/Float80.h"

namespace scan {

inline TFloat80 ToFloat80(Extended x) {
  return TFloat80::FromBits(x.SignAndExponent(), x.Significand());
}

inline Extended FromFloat80(TFloat80 x) {
  return Extended::FromBits(x.SignAndExponent(), x.Significand());
}

}  // namespace scan
