#include "engine/FloatOps.h"

#include "scan/ExtendedBits.h"
#include "scan/ExtendedMath.h"

namespace engine {

void RaiseInvalidOp() { throw scan::EInvalidOp("浮動小数点数の無効な演算です"); }
void RaiseZeroDivide() { throw scan::EZeroDivide("浮動小数点数の 0 による除算です"); }

namespace {
// 2^63 exactly; every 64-bit integer lies in [-Two63, Two63).
constexpr Extended Two63(0x1p63);

int64_t ToInt64(Extended whole) {
  if (whole.IsNan() || whole < -Two63 || whole >= Two63) RaiseInvalidOp();
  return whole.ToInt64Trunc();
}
}  // namespace

int64_t RoundToInt64(Extended x) { return ToInt64(x.NearbyInt()); }

int64_t TruncToInt64(Extended x) { return ToInt64(x.Trunc()); }

namespace {
// a^n for n >= 0 by repeated squaring; an overflow raises.
Extended IntPower(Extended a, uint32_t n) {
  Extended result = 1;
  while (n != 0) {
    if (n & 1u) result = Checked(result * a);
    n >>= 1;
    if (n != 0) a = Checked(a * a);
  }
  return result;
}
}  // namespace

Extended Power(Extended a, Extended b) {
  if (b == 0) return 1;
  if (a == 0 && b > 0) return 0;
  int64_t n;
  if (scan::WholeInt64(b, n) && n >= -2147483647 && n <= 2147483647) {
    Extended product = IntPower(a, static_cast<uint32_t>(n < 0 ? -n : n));
    return b < 0 ? CheckedDiv(1, product) : product;
  }
  if (a < 0) RaiseInvalidOp();
  if (a == 0) RaiseZeroDivide();  // ln 0
  return Checked(scan::xmath::Exp(b * scan::xmath::Log(a)));
}

}  // namespace engine
