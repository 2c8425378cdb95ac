#include "scan/X87Model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "scan/Float80Testing.h"

namespace scan::x87 {
namespace {

using floattest::LongOf;
using floattest::SameBits;
using floattest::Show;
using floattest::SoftOf;

TFloat80 Bits(uint16_t signExp, uint64_t sig) { return TFloat80::FromBits(signExp, sig); }

TEST(X87ModelTest, DoubleArithmeticRoundsOnce) {
  // Sums and products whose exact value lies just beside a halfway point between doubles.
  const double cases[][2] = {{1.0, 0x1p-53},
                             {1.0, 0x1.0000000000001p-53},
                             {1.0, -0x1p-54},
                             {0x1.fffffffffffffp0, 0x1p-53},
                             {1e16, 1.0000000001},
                             {0x1.0000001p0, 0x1.0000001p0},
                             {0x1.8000000000001p0, 0x1.8000000000001p0},
                             {-3.5, 0x1.5555555555555p-2}};
  for (const auto& c : cases) {
    const TFloat80 a(c[0]), b(c[1]);
    EXPECT_TRUE(SameBits(DoubleAdd(a, b), TFloat80(c[0] + c[1]))) << c[0] << " + " << c[1];
    EXPECT_TRUE(SameBits(DoubleMul(a, b), TFloat80(c[0] * c[1]))) << c[0] << " * " << c[1];
  }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))


// The instructions themselves.
TFloat80 HwF2xm1(TFloat80 x) {
  long double r;
  asm("f2xm1" : "=t"(r) : "0"(LongOf(x)));
  return SoftOf(r);
}
TFloat80 HwFyl2x(TFloat80 x, TFloat80 y) {
  long double r;
  asm("fyl2x" : "=t"(r) : "0"(LongOf(x)), "u"(LongOf(y)) : "st(1)");
  return SoftOf(r);
}
TFloat80 HwFyl2xp1(TFloat80 x, TFloat80 y) {
  long double r;
  asm("fyl2xp1" : "=t"(r) : "0"(LongOf(x)), "u"(LongOf(y)) : "st(1)");
  return SoftOf(r);
}
TFloat80 HwFpatan(TFloat80 y, TFloat80 x) {
  long double r;
  asm("fpatan" : "=t"(r) : "0"(LongOf(x)), "u"(LongOf(y)) : "st(1)");
  return SoftOf(r);
}
TFloat80 HwFscale(TFloat80 x, TFloat80 n) {
  long double r;
  asm("fscale" : "=t"(r) : "0"(LongOf(x)), "u"(LongOf(n)));
  return SoftOf(r);
}

TEST(X87ModelTest, ConstantsAsTheUnitLoadsThem) {
  long double ln2, lg2, l2e, l2t, pi;
  asm("fldln2" : "=t"(ln2));
  asm("fldlg2" : "=t"(lg2));
  asm("fldl2e" : "=t"(l2e));
  asm("fldl2t" : "=t"(l2t));
  asm("fldpi" : "=t"(pi));
  EXPECT_TRUE(SameBits(Ln2(), SoftOf(ln2)));
  EXPECT_TRUE(SameBits(Lg2(), SoftOf(lg2)));
  EXPECT_TRUE(SameBits(L2e(), SoftOf(l2e)));
  EXPECT_TRUE(SameBits(L2t(), SoftOf(l2t)));
  EXPECT_TRUE(SameBits(Pi(), SoftOf(pi)));
}

// One unit in the last place apart at most (same sign and binade, or the two sides of a power of
// two).
bool WithinOneUnit(TFloat80 a, TFloat80 b) {
  if (SameBits(a, b)) return true;
  if (a.SignBit() != b.SignBit() || a.IsNan() || b.IsNan()) return false;
  const uint64_t sa = a.Significand(), sb = b.Significand();
  if (a.SignAndExponent() == b.SignAndExponent()) return sa - sb == 1 || sb - sa == 1;
  const int fa = a.SignAndExponent() & 0x7FFF, fb = b.SignAndExponent() & 0x7FFF;
  const TFloat80 lo = fa < fb ? a : b, hi = fa < fb ? b : a;
  return (fa - fb == 1 || fb - fa == 1) && lo.Significand() == ~uint64_t{0} &&
         hi.Significand() == 0x8000000000000000u;
}

// Random significands over the ranges the library uses each instruction on: the model is the
// correctly rounded result, the unit's own is one unit away in a few cases in a hundred.
TEST(X87ModelTest, InstructionsWithinOneUnitOfTheUnit) {
  std::mt19937_64 random(11);
  const auto Operand = [&](int lowExp, int highExp) {
    const int e = lowExp + static_cast<int>(random() % static_cast<uint64_t>(highExp - lowExp + 1));
    const TFloat80 x = Bits(static_cast<uint16_t>(16383 + e), random() | 0x8000000000000000u);
    return random() & 1 ? -x : x;
  };
  const int n = 20000;
  int differ[5] = {};
  for (int i = 0; i < n; ++i) {
    const TFloat80 f = Operand(-70, -2), s = Operand(-70, -3);
    const TFloat80 p = (i & 1 ? Operand(-2, 1) : Operand(-300, 300)).Abs();
    const TFloat80 y = Operand(-20, 20), x = Operand(-20, 20), k = Operand(0, 13).Trunc();
    const TFloat80 got[5] = {F2xm1(f), Fyl2x(p, Ln2()), Fyl2xp1(s, Lg2()), Fpatan(y, x),
                             Fscale(f, k)};
    const TFloat80 want[5] = {HwF2xm1(f), HwFyl2x(p, Ln2()), HwFyl2xp1(s, Lg2()), HwFpatan(y, x),
                              HwFscale(f, k)};
    for (int j = 0; j < 5; ++j) {
      if (SameBits(got[j], want[j])) continue;
      ++differ[j];
      EXPECT_TRUE(WithinOneUnit(got[j], want[j]))
          << "instruction " << j << ": " << Show(got[j]) << " against " << Show(want[j]);
    }
  }
  std::printf("f2xm1 %d, fyl2x %d, fyl2xp1 %d, fpatan %d, fscale %d of %d differ\n", differ[0],
              differ[1], differ[2], differ[3], differ[4], n);
  for (int j = 0; j < 4; ++j) EXPECT_LE(differ[j] * 100, n * 6) << "instruction " << j;
  EXPECT_EQ(differ[4], 0);
}

TEST(X87ModelTest, SpecialOperandsAsTheUnit) {
  const TFloat80 specials[] = {TFloat80(),
                               -TFloat80(),
                               Bits(0x7FFF, 0x8000000000000000u),
                               Bits(0xFFFF, 0x8000000000000000u),
                               Bits(0x7FFF, 0xC000000000000001u),
                               Bits(0xFFFF, 0xA000000000000000u),
                               TFloat80(1),
                               TFloat80(-1),
                               TFloat80(0.5),
                               TFloat80(-2.5),
                               Bits(0, 1),
                               Bits(0x7FFE, ~uint64_t{0})};
  for (const TFloat80 a : specials) {
    // f2xm1 is defined on [-1, 1] only; fyl2xp1 below 1 - sqrt(1/2).
    if (!(a.Abs() > TFloat80(1)) || a.IsInf() || a.IsNan()) {
      EXPECT_TRUE(SameBits(F2xm1(a), HwF2xm1(a))) << "f2xm1 " << Show(a);
    }
    for (const TFloat80 b : specials) {
      EXPECT_TRUE(SameBits(Fyl2x(a, b), HwFyl2x(a, b))) << "fyl2x " << Show(a) << " " << Show(b);
      EXPECT_TRUE(SameBits(Fpatan(a, b), HwFpatan(a, b))) << "fpatan " << Show(a) << " " << Show(b);
      if (!(a.Abs() > TFloat80(0.25)) || a.IsNan()) {
        EXPECT_TRUE(SameBits(Fyl2xp1(a, b), HwFyl2xp1(a, b)))
            << "fyl2xp1 " << Show(a) << " " << Show(b);
      }
    }
  }
}

#endif

}  // namespace
}  // namespace scan::x87
