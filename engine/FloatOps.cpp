#include "engine/FloatOps.h"

namespace engine {

void RaiseInvalidOp() { throw scan::EInvalidOp("浮動小数点数の無効な演算です"); }
void RaiseZeroDivide() { throw scan::EZeroDivide("浮動小数点数の 0 による除算です"); }

namespace {
// 2^63 exactly; every 64-bit integer lies in [-Two63, Two63).
constexpr Extended Two63 = 9223372036854775808.0L;

int64_t ToInt64(Extended whole) {
  if (std::isnan(whole) || whole < -Two63 || whole >= Two63) RaiseInvalidOp();
  return static_cast<int64_t>(whole);
}
}  // namespace

int64_t RoundToInt64(Extended x) { return ToInt64(std::nearbyint(x)); }

int64_t TruncToInt64(Extended x) { return ToInt64(std::trunc(x)); }

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
  if (std::trunc(b) == b && std::fabs(b) <= 2147483647.0L) {
    Extended product = IntPower(a, static_cast<uint32_t>(std::fabs(b)));
    return b < 0 ? CheckedDiv(1, product) : product;
  }
  if (a < 0) RaiseInvalidOp();
  if (a == 0) RaiseZeroDivide();  // ln 0
  return Checked(std::exp(b * std::log(a)));
}

}  // namespace engine
