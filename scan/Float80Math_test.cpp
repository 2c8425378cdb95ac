#include "scan/Float80Math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "scan/Float80Testing.h"
#include "scan/X87Model.h"

namespace scan::f80 {
namespace {

using floattest::LongOf;
using floattest::SameBits;
using floattest::SoftOf;
using floattest::X87;

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
  // The decimal only where long double is the same format.
  if (X87)
    std::snprintf(text, sizeof text, "%04X:%016llX (%.21Lg)", x.SignAndExponent(),
                  static_cast<unsigned long long>(x.Significand()), LongOf(x));
  else
    std::snprintf(text, sizeof text, "%04X:%016llX", x.SignAndExponent(),
                  static_cast<unsigned long long>(x.Significand()));
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
      static const TFloat80 specials[] = {TFloat80(),
                                          TFloat80::FromBits(0x7FFF, 0x8000000000000000u),
                                          TFloat80::FromBits(0x7FFF, 0xC000000000000000u),
                                          TFloat80::FromBits(0x7FFF, 0xC123456789ABCDEFu),
                                          TFloat80::FromBits(0x7FFF, 0x8000000000000001u),
                                          TFloat80(1),
                                          TFloat80::FromBits(0, 1),
                                          TFloat80::FromBits(0, 0x7FFFFFFFFFFFFFFFu),
                                          TFloat80::FromBits(1, 0x8000000000000000u),
                                          TFloat80::FromBits(0x7FFE, ~uint64_t{0}),
                                          TFloat80(2),
                                          TFloat80(0.5),
                                          TFloat80(10)};
      x = specials[FRandom() % std::size(specials)];
    } else if (kind == 1) {
      x = TFloat80::FromBits(static_cast<uint16_t>(1 + FRandom() % 0x7FFE),
                             FRandom() | 0x8000000000000000u);
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
      x = TFloat80(1) +
          TFloat80::FromBits(static_cast<uint16_t>(16383 + e), FRandom() | 0x8000000000000000u) *
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

void PrintTo(const TCase& c, std::ostream* os) { *os << c.Name; }

constexpr long double Pi = 3.14159265358979323846264338327950288L;
const std::vector<long double> TrigPoints = {Pi / 2,     Pi,       3 * Pi / 2, 2 * Pi,    Pi / 4,
                                             3 * Pi / 4, 100 * Pi, 1e6L * Pi,  1e18L * Pi};
const std::vector<long double> EdgePoints = {1,     0.5,      0.975,     0.29,      1.29,
                                             0.71,  11356.5L, -11355.1L, -11399.5L, -11432.7L,
                                             16384, 64,       128,       2.0e-9L};

class Float80MathTest : public ::testing::TestWithParam<TCase> {};

TEST_P(Float80MathTest, MatchesTheX87Library) {
  if (!X87) GTEST_SKIP() << "needs the x87 long double to compare with";
  const TCase& c = GetParam();
  const int n = Count();
  TOperands xs(1, c.SpanExp,
               c.Name[0] == 's' || c.Name[0] == 'c' || c.Name[0] == 't' ? TrigPoints : EdgePoints);
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
                      TCase{"sinh", Sinh, Sinhl, nullptr, nullptr, 14, 60000, 2},
                      TCase{"cosh", Cosh, Coshl, nullptr, nullptr, 14, 60000},
                      TCase{"tanh", Tanh, Tanhl, nullptr, nullptr, 5, 60000, 4},
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
    for (const long double x :
         {10.0L, 2.0L, -3.0L, 0.1L, static_cast<long double>(random() % 1000) / 7}) {
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

// Powers of ten, the engine's scale factors, are exact throughout the range.
TEST(Float80MathPowTest, PowersOfTen) {
  if (!X87) GTEST_SKIP() << "needs the x87 long double to compare with";
  // The exceptions are this x87 unit's: another make of unit rounds other powers otherwise.
  if (!SameBits(SoftOf(std::pow(10.0L, -4314.0L)), TFloat80::FromBits(0x0804, 0x9341F490724854B3u)))
    GTEST_SKIP() << "this x87 unit rounds f2xm1 otherwise than the one the exceptions come from";
  for (int n = -5000; n <= 5000; ++n) {
    const TFloat80 got = Pow(TFloat80(10), TFloat80(n));
    const TFloat80 want = SoftOf(std::pow(10.0L, static_cast<long double>(n)));
    EXPECT_TRUE(SameBits(got, want))
        << "10^" << n << " gives " << Show(got) << ", the C library " << Show(want);
  }
}

}  // namespace
}  // namespace scan::f80

namespace scan::f80 {
namespace {

constexpr TFloat80 K(uint16_t signExp, uint64_t sig) { return TFloat80::FromBits(signExp, sig); }

// Results the x86-64 C library gives, checked on every target (where there is no x87 library to
// compare with, this is what says the software functions still give the same bits).
TEST(Float80MathTest, KnownResults) {
  struct TKnown {
    const char* Name;
    TFloat80 X, Y, Result;
  };
  const TKnown known[] = {
      {"exp", K(0x3FFF, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x4000, 0xADF85458A2BB4A9Bu)},
      {"exp", K(0xC000, 0xA000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFB, 0xA81C2E04A7A1253Bu)},
      {"exp", K(0x400C, 0xB170000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x7FFE, 0x97AE01B5ED4A38FCu)},
      {"exp", K(0xC00C, 0xB220000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x0000, 0x0000000000000000u)},
      {"exp", K(0x3F9B, 0xA2425FF75E14FC32u), K(0x0000, 0x0000000000000000u),
       K(0x3FFF, 0x8000000000000000u)},
      {"exp", K(0x7FFF, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x7FFF, 0x8000000000000000u)},
      {"log", K(0x4002, 0xA000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x4000, 0x935D8DDDAAA8AC17u)},
      {"log", K(0x3FFE, 0xC000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0xBFFD, 0x934B1089A6DC93C2u)},
      {"log", K(0x3FFF, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x0000, 0x0000000000000000u)},
      {"log", K(0x0000, 0x0000000663278E62u), K(0x0000, 0x0000000000000000u),
       K(0xC00C, 0xB1BB14D91792FEE8u)},
      {"log", K(0x0000, 0x0000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0xFFFF, 0x8000000000000000u)},
      {"log", K(0xBFFF, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x7FFF, 0xC000000000000000u)},
      {"log10", K(0x4052, 0x84595161401484A0u), K(0x0000, 0x0000000000000000u),
       K(0x4003, 0xC800000000000001u)},
      {"log10", K(0x4000, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFD, 0x9A209A84FBCFF799u)},
      {"log10", K(0x3FFD, 0x999999999999999Au), K(0x0000, 0x0000000000000000u),
       K(0xBFFE, 0x85DB61A6C0A80BDDu)},
      {"log10", K(0x73E6, 0xD1BA8323FE558C61u), K(0x0000, 0x0000000000000000u),
       K(0x400A, 0xFA00000000000001u)},
      {"log2", K(0x4000, 0xC000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFF, 0xCAE00D1CFDEB43D0u)},
      {"log2", K(0x4009, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x4002, 0xA000000000000000u)},
      {"log2", K(0x3FFE, 0xE666666666666666u), K(0x0000, 0x0000000000000000u),
       K(0xBFFC, 0x9BA6B2ECF30472EAu)},
      {"log1p", K(0x3FDD, 0xDBE6FECEBDEDD5BFu), K(0x0000, 0x0000000000000000u),
       K(0x3FDD, 0xDBE6FECE8EB493A6u)},
      {"log1p", K(0x3FFC, 0xCCCCCCCCCCCCCCCDu), K(0x0000, 0x0000000000000000u),
       K(0x3FFC, 0xBAB2808F24B3B1CBu)},
      {"log1p", K(0xBFFE, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0xBFFE, 0xB17217F7D1CF79ACu)},
      {"log1p", K(0x4062, 0xC9F2C9CD04674EDFu), K(0x0000, 0x0000000000000000u),
       K(0x4005, 0x8A27B4FFCFFE2156u)},
      {"log1p", K(0xBFFF, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0xFFFF, 0x8000000000000000u)},
      {"sin", K(0x3FFE, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFD, 0xF57743A2582F7F44u)},
      {"sin", K(0x4000, 0xC90FDAA22168C235u), K(0x0000, 0x0000000000000000u),
       K(0xBFBE, 0xECE675D1FC8F8CBBu)},
      {"sin", K(0x4048, 0x878678326EAC9000u), K(0x0000, 0x0000000000000000u),
       K(0xBFFE, 0xDA29D5BB5F9CB87Du)},
      {"sin", K(0xF3E6, 0xD1BA8323FE558C61u), K(0x0000, 0x0000000000000000u),
       K(0xBFFE, 0x90DE0837A745738Au)},
      {"sin", K(0x0000, 0x0000000663278E62u), K(0x0000, 0x0000000000000000u),
       K(0x0000, 0x0000000663278E62u)},
      {"sin", K(0x7FFF, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0xFFFF, 0xC000000000000000u)},
      {"cos", K(0x3FFE, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFE, 0xE0A94032DBEA7CEEu)},
      {"cos", K(0x3FFF, 0xC90FDAA22168C234u), K(0x0000, 0x0000000000000000u),
       K(0x3FBF, 0xC4C6628B80DC1CD1u)},
      {"cos", K(0x4048, 0x878678326EAC9000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFE, 0x85F167780E479C9Au)},
      {"cos", K(0x4005, 0xC800000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFE, 0xDCC0EDFB32FEFB20u)},
      {"tan", K(0x3FFE, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFE, 0x8BDA7ADF9A3A5219u)},
      {"tan", K(0x3FFF, 0xC90FDAA22168C234u), K(0x0000, 0x0000000000000000u),
       K(0x403E, 0xA686780675D73F75u)},
      {"tan", K(0xC3E3, 0xBF21E44003ACDD2Du), K(0x0000, 0x0000000000000000u),
       K(0x3FFF, 0x805558D665B191BCu)},
      {"tan", K(0x4001, 0xE000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFE, 0xDF173709F753C4C1u)},
      {"asin", K(0x3FFE, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFE, 0x860A91C16B9B2C23u)},
      {"asin", K(0xBFFE, 0xFD70A3D70A3D70A4u), K(0x0000, 0x0000000000000000u),
       K(0xBFFF, 0xB6F1E3799EA8ECC3u)},
      {"asin", K(0x3FFF, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFF, 0xC90FDAA22168C235u)},
      {"asin", K(0x3FBC, 0xBCE5086492111AEBu), K(0x0000, 0x0000000000000000u),
       K(0x3FBC, 0xBCE5086492111AEBu)},
      {"asin", K(0x4000, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x7FFF, 0xC000000000000000u)},
      {"acos", K(0x3FFE, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFF, 0x860A91C16B9B2C23u)},
      {"acos", K(0xBFFE, 0xFD70A3D70A3D70A4u), K(0x0000, 0x0000000000000000u),
       K(0x4000, 0xC000DF0DE008D77Cu)},
      {"acos", K(0x3FFF, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x0000, 0x0000000000000000u)},
      {"acos", K(0xBFFF, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x4000, 0xC90FDAA22168C235u)},
      {"acos", K(0x4000, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x7FFF, 0xC000000000000000u)},
      {"atan2", K(0x3FFF, 0x8000000000000000u), K(0x4000, 0x8000000000000000u),
       K(0x3FFD, 0xED63382B0DDA7B45u)},
      {"atan2", K(0x0000, 0x0000000000000000u), K(0xBFFF, 0x8000000000000000u),
       K(0x4000, 0xC90FDAA22168C235u)},
      {"atan2", K(0x7FFF, 0x8000000000000000u), K(0x7FFF, 0x8000000000000000u),
       K(0x3FFE, 0xC90FDAA22168C235u)},
      {"atan2", K(0x0C17, 0x9C3D73864F3805C0u), K(0x73E6, 0xD1BA8323FE558C61u),
       K(0x0000, 0x0000000000000000u)},
      {"sinh", K(0x3FFE, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFE, 0x8566807F31DCB652u)},
      {"sinh", K(0xC003, 0xF000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0xC029, 0x9B823857614764F4u)},
      {"sinh", K(0x400C, 0xB174000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x7FFE, 0xCE2773666CC8CC67u)},
      {"sinh", K(0x3FBC, 0xBCE5086492111AEBu), K(0x0000, 0x0000000000000000u),
       K(0x3FBC, 0xBCE5086492111AEBu)},
      {"cosh", K(0x3FFD, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFF, 0x8405582E530A2F6Eu)},
      {"cosh", K(0x4000, 0xC000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x4002, 0xA11524BEB0C2F252u)},
      {"cosh", K(0xC00C, 0xB180000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x7FFF, 0x8000000000000000u)},
      {"tanh", K(0x3FF8, 0xA3D70A3D70A3D70Au), K(0x0000, 0x0000000000000000u),
       K(0x3FF8, 0xA3D5A45722CAF014u)},
      {"tanh", K(0xC000, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0xBFFE, 0xF6CA82F0DE1E9E9Au)},
      {"tanh", K(0x4003, 0xF000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFF, 0x8000000000000000u)},
      {"asinh", K(0x3FFE, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFD, 0xF661657628B04CA6u)},
      {"asinh", K(0xC000, 0xC000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0xBFFF, 0xE8C2DA83F6E06FF0u)},
      {"asinh", K(0x4041, 0xAD78EBC5AC620000u), K(0x0000, 0x0000000000000000u),
       K(0x4004, 0xBAFAB9B4F49A1504u)},
      {"acosh", K(0x3FFF, 0xC000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFE, 0xF661657628B04CA7u)},
      {"acosh", K(0x4000, 0xC000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFF, 0xE1A1B30BCEA13661u)},
      {"acosh", K(0x4041, 0xAD78EBC5AC620000u), K(0x0000, 0x0000000000000000u),
       K(0x4004, 0xBAFAB9B4F49A1504u)},
      {"acosh", K(0x3FFE, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0xFFFF, 0xC000000000000000u)},
      {"atanh", K(0xBFFB, 0xCCCCCCCCCCCCCCCDu), K(0x0000, 0x0000000000000000u),
       K(0xBFFB, 0xCD7C9E691A20902Au)},
      {"atanh", K(0x3FFF, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x7FFF, 0x8000000000000000u)},
      {"atanh", K(0x4000, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0xFFFF, 0xC000000000000000u)},
      {"cbrt", K(0x4003, 0xD800000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x4000, 0xC000000000000000u)},
      {"cbrt", K(0xBFF5, 0x83126E978D4FDF3Bu), K(0x0000, 0x0000000000000000u),
       K(0xBFFB, 0xCCCCCCCCCCCCCCCCu)},
      {"cbrt", K(0x0000, 0x0000000663278E62u), K(0x0000, 0x0000000000000000u),
       K(0x2AA0, 0xED7E09103B4CB146u)},
      {"cbrt", K(0x4000, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x3FFF, 0xA14517CC6B945711u)},
      {"hypot", K(0x4000, 0xC000000000000000u), K(0x4001, 0x8000000000000000u),
       K(0x4001, 0xA000000000000000u)},
      {"hypot", K(0x73E6, 0xD1BA8323FE558C61u), K(0x73E6, 0xD1BA8323FE558C61u),
       K(0x73E7, 0x944CECE11EBA5BD3u)},
      {"hypot", K(0x0000, 0x0000000663278E62u), K(0x0000, 0x0000000000000000u),
       K(0x0000, 0x0000000663278E62u)},
      {"hypot", K(0xFFFF, 0x8000000000000000u), K(0x7FFF, 0xC000000000000000u),
       K(0x7FFF, 0x8000000000000000u)},
      {"pow", K(0x4002, 0xA000000000000000u), K(0x4003, 0xA000000000000000u),
       K(0x4041, 0xAD78EBC5AC620000u)},
      {"pow", K(0x4002, 0xA000000000000000u), K(0xC007, 0x9600000000000000u),
       K(0x3C1A, 0xAB70FE17C79AC6CAu)},
      {"pow", K(0x4000, 0x8000000000000000u), K(0x3FFE, 0x8000000000000000u),
       K(0x3FFF, 0xB504F333F9DE6484u)},
      {"pow", K(0xC002, 0x8000000000000000u), K(0x4000, 0xC000000000000000u),
       K(0xC008, 0x8000000000000000u)},
      {"pow", K(0xC002, 0x8000000000000000u), K(0x3FFD, 0xAAAAAAAAAAAAAAABu),
       K(0xFFFF, 0xC000000000000000u)},
      {"pow", K(0x0000, 0x0000000000000000u), K(0xBFFF, 0x8000000000000000u),
       K(0x7FFF, 0x8000000000000000u)},
      {"pow", K(0x4002, 0xA000000000000000u), K(0x400B, 0x9A28000000000000u),
       K(0x7FFF, 0x8000000000000000u)},
      {"floor", K(0xBFFE, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0xBFFF, 0x8000000000000000u)},
      {"floor", K(0x4000, 0xA000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x4000, 0x8000000000000000u)},
      {"floor", K(0x4062, 0xC9F2C9CD04674EDFu), K(0x0000, 0x0000000000000000u),
       K(0x4062, 0xC9F2C9CD04674EDFu)},
      {"floor", K(0x8000, 0x0000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x8000, 0x0000000000000000u)},
      {"ceil", K(0xBFFE, 0x8000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x8000, 0x0000000000000000u)},
      {"ceil", K(0x4000, 0xA000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x4000, 0xC000000000000000u)},
      {"ceil", K(0x4062, 0xC9F2C9CD04674EDFu), K(0x0000, 0x0000000000000000u),
       K(0x4062, 0xC9F2C9CD04674EDFu)},
      {"ceil", K(0x8000, 0x0000000000000000u), K(0x0000, 0x0000000000000000u),
       K(0x8000, 0x0000000000000000u)},
      // Odd and even exponents of 2^63 and above with a negative base.
      {"pow", K(0xC000, 0x8000000000000000u), K(0xC03E, 0x8000000000000001u),
       K(0x8000, 0x0000000000000000u)},
      {"pow", K(0xBFFE, 0x8000000000000000u), K(0x403E, 0x8000000000000001u),
       K(0x8000, 0x0000000000000000u)},
      {"pow", K(0xC000, 0x8000000000000000u), K(0x403E, 0x8000000000000001u),
       K(0xFFFF, 0x8000000000000000u)},
      {"pow", K(0xBFFF, 0x8000000000000000u), K(0x403E, 0x8000000000000001u),
       K(0xBFFF, 0x8000000000000000u)},
      {"pow", K(0xBFFF, 0x8000000000000000u), K(0x403E, 0x8000000000000000u),
       K(0x3FFF, 0x8000000000000000u)},
      {"pow", K(0xC003, 0xD7F562E615377F3Du), K(0xC03E, 0x8394336C9D1DC0F9u),
       K(0x8000, 0x0000000000000000u)},
  };
  const struct {
    const char* Name;
    TOne One;
    TTwo Two;
  } functions[] = {{"exp", Exp, nullptr},     {"log", Log, nullptr},     {"log10", Log10, nullptr},
                   {"log2", Log2, nullptr},   {"log1p", Log1p, nullptr}, {"sin", Sin, nullptr},
                   {"cos", Cos, nullptr},     {"tan", Tan, nullptr},     {"asin", Asin, nullptr},
                   {"acos", Acos, nullptr},   {"atan2", nullptr, Atan2}, {"sinh", Sinh, nullptr},
                   {"cosh", Cosh, nullptr},   {"tanh", Tanh, nullptr},   {"asinh", Asinh, nullptr},
                   {"acosh", Acosh, nullptr}, {"atanh", Atanh, nullptr}, {"cbrt", Cbrt, nullptr},
                   {"hypot", nullptr, Hypot}, {"pow", nullptr, Pow},     {"floor", Floor, nullptr},
                   {"ceil", Ceil, nullptr}};
  for (const TKnown& k : known) {
    for (const auto& f : functions) {
      if (std::string(f.Name) != k.Name) continue;
      const TFloat80 got = f.Two ? f.Two(k.X, k.Y) : f.One(k.X);
      EXPECT_TRUE(SameBits(got, k.Result))
          << k.Name << "(" << Show(k.X) << (f.Two ? ", " + Show(k.Y) : "") << ") gives "
          << Show(got) << ", not " << Show(k.Result);
    }
  }
}

}  // namespace
}  // namespace scan::f80
