#include "scan/Float80Math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "scan/X87Model.h"

namespace scan::f80 {
namespace {

constexpr bool X87 = std::numeric_limits<long double>::digits == 64;

TFloat80 SoftOf(long double x) {
  uint64_t sig = 0;
  uint16_t signExp = 0;
  std::memcpy(&sig, &x, sizeof sig);
  std::memcpy(&signExp, reinterpret_cast<const char*>(&x) + sizeof sig, sizeof signExp);
  return TFloat80::FromBits(signExp, sig);
}
long double LongOf(TFloat80 x) {
  long double r = 0;
  const uint64_t sig = x.Significand();
  const uint16_t signExp = x.SignAndExponent();
  std::memcpy(&r, &sig, sizeof sig);
  std::memcpy(reinterpret_cast<char*>(&r) + sizeof sig, &signExp, sizeof signExp);
  return r;
}
bool SameBits(TFloat80 a, TFloat80 b) {
  return a.SignAndExponent() == b.SignAndExponent() && a.Significand() == b.Significand();
}
// Units in the last place between two finite values of the same sign (a large number otherwise).
uint64_t UlpsApart(TFloat80 a, TFloat80 b) {
  if (SameBits(a, b)) return 0;
  if (a.IsNan() || b.IsNan() || a.SignBit() != b.SignBit()) return UINT64_MAX;
  const int fa = a.SignAndExponent() & 0x7FFF, fb = b.SignAndExponent() & 0x7FFF;
  if (fa == fb) {
    const uint64_t sa = a.Significand(), sb = b.Significand();
    return sa > sb ? sa - sb : sb - sa;
  }
  if (fa == fb + 1 || fb == fa + 1) {
    // Across a binade: the larger counts steps above 2^63 at twice the size.
    const TFloat80 lo = fa < fb ? a : b, hi = fa < fb ? b : a;
    return (~lo.Significand() + 1) + 2 * (hi.Significand() - 0x8000000000000000u);
  }
  return UINT64_MAX;
}

std::string Show(TFloat80 x) {
  char text[64];
  std::snprintf(text, sizeof text, "%04X:%016llX (%.21Lg)", x.SignAndExponent(),
                static_cast<unsigned long long>(x.Significand()), LongOf(x));
  return text;
}

// Operands of every class: special values, values of every exponent, values within the span
// where the function is interesting (|x| up to 2^spanExp, down to tiny), and the given points.
class TOperands {
 public:
  TOperands(uint64_t seed, int spanExp, std::vector<long double> points)
      : FRandom(seed), FSpanExp(spanExp), FPoints(std::move(points)) {}

  TFloat80 Next() {
    const uint64_t kind = FRandom() % 16;
    const bool negative = FRandom() & 1;
    TFloat80 x;
    if (kind == 0) {
      static const TFloat80 specials[] = {
          TFloat80(), TFloat80::FromBits(0x7FFF, 0x8000000000000000u),
          TFloat80::FromBits(0x7FFF, 0xC000000000000000u), TFloat80::FromBits(0x7FFF, 0xC123456789ABCDEFu),
          TFloat80::FromBits(0x7FFF, 0x8000000000000001u), TFloat80(1),
          TFloat80::FromBits(0, 1), TFloat80::FromBits(0, 0x7FFFFFFFFFFFFFFFu),
          TFloat80::FromBits(1, 0x8000000000000000u), TFloat80::FromBits(0x7FFE, ~uint64_t{0}),
          TFloat80(2), TFloat80(0.5), TFloat80(10)};
      x = specials[FRandom() % std::size(specials)];
    } else if (kind == 1) {
      x = TFloat80::FromBits(static_cast<uint16_t>(FRandom() % 0x7FFF), FRandom() | 0x8000000000000000u);
    } else if (kind == 2) {
      x = TFloat80::FromBits(0, FRandom() >> (1 + FRandom() % 63));
    } else if (kind == 3 && !FPoints.empty()) {
      // A given point, or one a few units away.
      x = SoftOf(FPoints[FRandom() % FPoints.size()]);
      const int64_t step = static_cast<int64_t>(FRandom() % 9) - 4;
      const uint64_t sig = x.Significand() + static_cast<uint64_t>(step);
      if ((sig >> 63) == (x.Significand() >> 63)) x = TFloat80::FromBits(x.SignAndExponent(), sig);
    } else if (kind == 4) {
      // Near 1 (the logarithms' and inverse functions' edge).
      const int e = -static_cast<int>(FRandom() % 66);
      x = TFloat80(1) + TFloat80::FromBits(static_cast<uint16_t>(16383 + e), FRandom() | 0x8000000000000000u) *
                            TFloat80(FRandom() & 1 ? 1 : -1);
    } else {
      // |x| in [2^-70, 2^spanExp) or so, most of them within a few binades of the span's top.
      const int low = kind < 8 ? -70 : FSpanExp - 8;
      const int e = low + static_cast<int>(FRandom() % static_cast<uint64_t>(FSpanExp - low + 1));
      x = TFloat80::FromBits(static_cast<uint16_t>(16383 + e - 1), FRandom() | 0x8000000000000000u);
    }
    return negative ? -x : x;
  }

 private:
  std::mt19937_64 FRandom;
  int FSpanExp;
  std::vector<long double> FPoints;
};

int Count() {
  const char* env = std::getenv("SHEETCALC_MATH_OPERANDS");
  return env ? std::atoi(env) : 20000;
}

using TOne = TFloat80 (*)(TFloat80);
using TLibOne = long double (*)(long double);
using TTwo = TFloat80 (*)(TFloat80, TFloat80);
using TLibTwo = long double (*)(long double, long double);

struct TCase {
  const char* Name;
  TOne Soft;
  TLibOne Lib;
  TTwo Soft2;
  TLibTwo Lib2;
  int SpanExp;
  // The share of operands (per million) allowed to differ by one unit, where the function rests
  // on an x87 instruction whose own result is not always the correctly rounded one.
  int AllowedPerMillion;
  // How far those may lie (an error of the instruction can grow on its way to the result).
  uint64_t MaxUlps = 1;
};

constexpr long double Pi = 3.14159265358979323846264338327950288L;
const std::vector<long double> TrigPoints = {Pi / 2, Pi, 3 * Pi / 2, 2 * Pi, Pi / 4, 3 * Pi / 4,
                                             100 * Pi, 1e6L * Pi, 1e18L * Pi};
const std::vector<long double> EdgePoints = {1, 0.5, 0.975, 0.29, 1.29, 0.71, 11356.5L, -11355.1L,
                                             -11399.5L, -11432.7L, 16384, 64, 128, 2.0e-9L};

class Float80MathTest : public ::testing::TestWithParam<TCase> {};

TEST_P(Float80MathTest, MatchesTheX87Library) {
  if (!X87) GTEST_SKIP() << "needs the x87 long double to compare with";
  const TCase& c = GetParam();
  const int n = Count();
  TOperands xs(1, c.SpanExp, c.Name[0] == 's' || c.Name[0] == 'c' || c.Name[0] == 't' ? TrigPoints : EdgePoints);
  TOperands ys(2, c.SpanExp, EdgePoints);
  int differ = 0, shown = 0;
  for (int i = 0; i < n; ++i) {
    const TFloat80 x = xs.Next();
    const TFloat80 y = c.Soft2 ? ys.Next() : TFloat80();
    const TFloat80 got = c.Soft2 ? c.Soft2(x, y) : c.Soft(x);
    const TFloat80 want = SoftOf(c.Soft2 ? c.Lib2(LongOf(x), LongOf(y)) : c.Lib(LongOf(x)));
    if (SameBits(got, want)) continue;
    ++differ;
    const uint64_t apart = UlpsApart(got, want);
    if (apart > c.MaxUlps || c.AllowedPerMillion == 0) {
      if (++shown <= 10)
        ADD_FAILURE() << c.Name << "(" << Show(x) << (c.Soft2 ? ", " + Show(y) : "") << ") gives "
                      << Show(got) << ", the C library " << Show(want);
    }
  }
  std::printf("%s: %d of %d differ\n", c.Name, differ, n);
  EXPECT_LE(static_cast<int64_t>(differ) * 1000000, static_cast<int64_t>(c.AllowedPerMillion) * n)
      << c.Name;
}

long double Floorl(long double x) { return std::floor(x); }
long double Ceill(long double x) { return std::ceil(x); }
long double Expl(long double x) { return std::exp(x); }
long double Logl(long double x) { return std::log(x); }
long double Log10l(long double x) { return std::log10(x); }
long double Log2l(long double x) { return std::log2(x); }
long double Log1pl(long double x) { return std::log1p(x); }
long double Atan2l(long double y, long double x) { return std::atan2(y, x); }
long double Acosl(long double x) { return std::acos(x); }
long double Asinl(long double x) { return std::asin(x); }
long double Sinl(long double x) { return std::sin(x); }
long double Cbrtl(long double x) { return std::cbrt(x); }
long double Hypotl(long double x, long double y) { return std::hypot(x, y); }
long double Sinhl(long double x) { return std::sinh(x); }
long double Coshl(long double x) { return std::cosh(x); }
long double Tanhl(long double x) { return std::tanh(x); }
long double Asinhl(long double x) { return std::asinh(x); }
long double Acoshl(long double x) { return std::acosh(x); }
long double Atanhl(long double x) { return std::atanh(x); }
long double Powl(long double x, long double y) { return std::pow(x, y); }
long double Cosl(long double x) { return std::cos(x); }
long double Tanl(long double x) { return std::tan(x); }

INSTANTIATE_TEST_SUITE_P(
    Functions, Float80MathTest,
    ::testing::Values(TCase{"floor", Floor, Floorl, nullptr, nullptr, 70, 0},
                      TCase{"ceil", Ceil, Ceill, nullptr, nullptr, 70, 0},
                      TCase{"exp", Exp, Expl, nullptr, nullptr, 14, 60000},
                      TCase{"log", Log, Logl, nullptr, nullptr, 70, 60000},
                      TCase{"log10", Log10, Log10l, nullptr, nullptr, 70, 60000},
                      TCase{"log2", Log2, Log2l, nullptr, nullptr, 70, 60000},
                      TCase{"log1p", Log1p, Log1pl, nullptr, nullptr, 70, 60000},
                      TCase{"atan2", nullptr, nullptr, Atan2, Atan2l, 20, 60000},
                      TCase{"acos", Acos, Acosl, nullptr, nullptr, 1, 60000},
                      TCase{"asin", Asin, Asinl, nullptr, nullptr, 1, 0},
                      TCase{"sin", Sin, Sinl, nullptr, nullptr, 12, 0},
                      TCase{"cos", Cos, Cosl, nullptr, nullptr, 12, 0},
                      TCase{"tan", Tan, Tanl, nullptr, nullptr, 12, 0},
                      TCase{"pow", nullptr, nullptr, Pow, Powl, 8, 60000},
                      TCase{"sinh", Sinh, Sinhl, nullptr, nullptr, 14, 60000},
                      TCase{"cosh", Cosh, Coshl, nullptr, nullptr, 14, 60000},
                      TCase{"tanh", Tanh, Tanhl, nullptr, nullptr, 5, 60000, 2},
                      TCase{"asinh", Asinh, Asinhl, nullptr, nullptr, 40, 60000},
                      TCase{"acosh", Acosh, Acoshl, nullptr, nullptr, 40, 60000},
                      TCase{"atanh", Atanh, Atanhl, nullptr, nullptr, 1, 60000},
                      TCase{"cbrt", Cbrt, Cbrtl, nullptr, nullptr, 70, 0},
                      TCase{"hypot", nullptr, nullptr, Hypot, Hypotl, 70, 0}),
    [](const ::testing::TestParamInfo<TCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace scan::f80

namespace scan::f80 {
namespace {

// The engine's powers of ten and whole powers in general.
TEST(Float80MathPowTest, WholeExponents) {
  if (!X87) GTEST_SKIP() << "needs the x87 long double to compare with";
  int differ = 0, total = 0, far = 0;
  std::mt19937_64 random(3);
  for (int n = -5000; n <= 5000; ++n) {
    for (const long double x : {10.0L, 2.0L, -3.0L, 0.1L, static_cast<long double>(random() % 1000) / 7}) {
      const TFloat80 got = Pow(SoftOf(x), TFloat80(n));
      const TFloat80 want = SoftOf(std::pow(x, static_cast<long double>(n)));
      ++total;
      if (!SameBits(got, want)) {
        ++differ;
        if (UlpsApart(got, want) > 1 && ++far <= 10)
          ADD_FAILURE() << "pow(" << Show(SoftOf(x)) << ", " << n << ") gives " << Show(got)
                        << ", the C library " << Show(want);
      }
    }
  }
  std::printf("pow with whole exponents: %d of %d differ\n", differ, total);
  EXPECT_LE(differ * 100, total * 6);
}

}  // namespace
}  // namespace scan::f80
