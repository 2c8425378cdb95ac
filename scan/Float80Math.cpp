// Stand-in until the software versions are in: each function goes through the x87 unit, so it
// builds only where long double is the 80-bit format.
#include "scan/Float80Math.h"

#include <cmath>
#include <cstring>
#include <limits>

static_assert(std::numeric_limits<long double>::digits == 64, "the stand-in needs the x87 format");

namespace scan::f80 {
namespace {

long double Native(TFloat80 x) {
  long double r = 0;
  const uint64_t significand = x.Significand();
  const uint16_t signExp = x.SignAndExponent();
  std::memcpy(&r, &significand, 8);
  std::memcpy(reinterpret_cast<char*>(&r) + 8, &signExp, 2);
  return r;
}

TFloat80 Soft(long double r) {
  uint64_t significand;
  uint16_t signExp;
  std::memcpy(&significand, &r, 8);
  std::memcpy(&signExp, reinterpret_cast<const char*>(&r) + 8, 2);
  return TFloat80::FromBits(signExp, significand);
}

}  // namespace

#define SHEETCALC_ONE(Name, fn) \
  TFloat80 Name(TFloat80 x) { return Soft(std::fn(Native(x))); }
#define SHEETCALC_TWO(Name, fn) \
  TFloat80 Name(TFloat80 x, TFloat80 y) { return Soft(std::fn(Native(x), Native(y))); }
SHEETCALC_ONE(Exp, exp)
SHEETCALC_ONE(Log, log)
SHEETCALC_ONE(Log10, log10)
SHEETCALC_ONE(Log2, log2)
SHEETCALC_ONE(Log1p, log1p)
SHEETCALC_ONE(Sin, sin)
SHEETCALC_ONE(Cos, cos)
SHEETCALC_ONE(Tan, tan)
SHEETCALC_ONE(Asin, asin)
SHEETCALC_ONE(Acos, acos)
SHEETCALC_TWO(Atan2, atan2)
SHEETCALC_ONE(Sinh, sinh)
SHEETCALC_ONE(Cosh, cosh)
SHEETCALC_ONE(Tanh, tanh)
SHEETCALC_ONE(Asinh, asinh)
SHEETCALC_ONE(Acosh, acosh)
SHEETCALC_ONE(Atanh, atanh)
SHEETCALC_ONE(Cbrt, cbrt)
SHEETCALC_TWO(Hypot, hypot)
SHEETCALC_TWO(Pow, pow)
SHEETCALC_ONE(Floor, floor)
SHEETCALC_ONE(Ceil, ceil)

}  // namespace scan::f80
