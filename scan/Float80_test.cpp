#include "scan/Float80.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "scan/Exceptions.h"
#include "scan/Float80Testing.h"

namespace scan {
namespace {

using floattest::LongOf;
using floattest::X87;

struct TBits {
  uint16_t SignExp;
  uint64_t Sig;
};

TBits BitsOf(TFloat80 x) { return {x.SignAndExponent(), x.Significand()}; }
TBits BitsOf(long double x) {
  TBits b{};
  std::memcpy(&b.Sig, &x, sizeof b.Sig);
  std::memcpy(&b.SignExp, reinterpret_cast<const char*>(&x) + sizeof b.Sig, sizeof b.SignExp);
  return b;
}

std::string Show(TBits b) {
  char text[40];
  std::snprintf(text, sizeof text, "%04X:%016llX", b.SignExp,
                static_cast<unsigned long long>(b.Sig));
  return text;
}
std::string Show(TFloat80 x) { return Show(BitsOf(x)); }

// Operands of every class, the awkward ones often: edges of the exponent range, subnormals,
// zeros, infinities, quiet and signalling NaNs, short significands (exact results and ties), and
// neighbours of the previous operand (cancellation).
class TOperands {
 public:
  explicit TOperands(uint32_t seed) : FRandom(seed) {}
  TFloat80 Next() {
    const uint16_t sign = Pick(2) ? 0x8000 : 0;
    uint64_t sig = FRandom() | (uint64_t{1} << 63);
    if (Pick(3) == 0) sig &= ~uint64_t{0} << Pick(64);  // a short significand
    uint16_t field;
    switch (Pick(12)) {
      case 0:
        field = static_cast<uint16_t>(1 + Pick(4));
        break;
      case 1:
        field = static_cast<uint16_t>(0x7FFE - Pick(4));
        break;
      case 2:
        field = 0;
        sig >>= 1 + Pick(63);
        break;  // subnormal
      case 3:
        return FromBits(sign, 0);
      case 4:
        return FromBits(sign | 0x7FFF, uint64_t{1} << 63);
      case 5:
        return FromBits(sign | 0x7FFF, (sig | (uint64_t{3} << 62)));  // quiet NaN
      case 6:
        return FromBits(sign | 0x7FFF, ((sig & ~(uint64_t{1} << 62)) | 1));  // signalling
      case 7:
        field = static_cast<uint16_t>(16383 + Pick(64));
        break;   // whole numbers live here
      case 8: {  // a neighbour of the last operand, its leading bit kept as the format wants it
        const uint16_t last = FLast.SignAndExponent();
        const uint64_t bits =
            (FLast.Significand() ^ (FRandom() >> Pick(64))) & ~(uint64_t{1} << 63);
        return FromBits(last, bits | ((last & 0x7FFF) != 0 ? uint64_t{1} << 63 : 0));
      }
      default:
        field = static_cast<uint16_t>(1 + Pick(0x7FFE));
        break;
    }
    return FromBits(sign | field, sig);
  }

 private:
  uint32_t Pick(uint32_t n) { return static_cast<uint32_t>(FRandom() % n); }
  TFloat80 FromBits(uint16_t signExp, uint64_t sig) {
    return FLast = TFloat80::FromBits(signExp, sig);
  }
  std::mt19937_64 FRandom;
  TFloat80 FLast;
};

TFloatFaults FaultsOf(int flags) {
  return ((flags & FE_INVALID) ? ffInvalid : 0) | ((flags & FE_DIVBYZERO) ? ffZeroDivide : 0) |
         ((flags & FE_OVERFLOW) ? ffOverflow : 0);
}

// The x87 result of `op` and the faults it raised.
template <class Op>
long double Hardware(Op op, long double a, long double b, TFloatFaults& faults) {
  volatile long double va = a, vb = b;
  std::feclearexcept(FE_ALL_EXCEPT);
  volatile long double r = op(va, vb);
  faults = FaultsOf(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW));
  return r;
}

bool Same(TBits a, TBits b) { return a.SignExp == b.SignExp && a.Sig == b.Sig; }

TEST(Float80, ArithmeticMatchesTheX87BitForBit) {
  if (!X87) GTEST_SKIP() << "long double is not the x87 format here";
  struct TCase {
    const char* Name;
    TFloat80 (*Soft)(TFloat80, TFloat80, TFloatFaults&);
    long double (*Hard)(long double, long double);
  };
  const TCase cases[] = {
      {"+", TFloat80::Add, [](long double a, long double b) { return a + b; }},
      {"-", TFloat80::Sub, [](long double a, long double b) { return a - b; }},
      {"*", TFloat80::Mul, [](long double a, long double b) { return a * b; }},
      {"/", TFloat80::Div, [](long double a, long double b) { return a / b; }},
      {"sqrt", [](TFloat80 a, TFloat80, TFloatFaults& f) { return TFloat80::Sqrt(a, f); },
       [](long double a, long double) { return std::sqrt(a); }},
  };
  TOperands operands(27);
  int failures = 0;
  for (int i = 0; i < 200000 && failures < 10; ++i) {
    const TFloat80 a = operands.Next(), b = operands.Next();
    for (const TCase& c : cases) {
      TFloatFaults softFaults = 0, hardFaults = 0;
      const TBits soft = BitsOf(c.Soft(a, b, softFaults));
      const TBits hard = BitsOf(Hardware(c.Hard, LongOf(a), LongOf(b), hardFaults));
      if (!Same(soft, hard) || softFaults != hardFaults) {
        ADD_FAILURE() << Show(a) << " " << c.Name << " " << Show(b) << ": " << Show(soft)
                      << " faults " << softFaults << ", the x87 " << Show(hard) << " faults "
                      << hardFaults;
        ++failures;
      }
    }
  }
}

TEST(Float80, ComparisonsAndConversionsMatchTheX87) {
  if (!X87) GTEST_SKIP() << "long double is not the x87 format here";
  TOperands operands(932);
  std::mt19937_64 random(80);
  int failures = 0;
  for (int i = 0; i < 100000 && failures < 10; ++i) {
    const TFloat80 a = operands.Next(), b = operands.Next();
    const long double la = LongOf(a), lb = LongOf(b);
    const bool relations[] = {a == b, a<b, a> b, a <= b, a >= b};
    const bool hard[] = {la == lb, la<lb, la> lb, la <= lb, la >= lb};
    const TBits nearby = BitsOf(a.NearbyInt()), hardNearby = BitsOf(std::nearbyint(la));
    const TBits trunc = BitsOf(a.Trunc()), hardTrunc = BitsOf(std::trunc(la));
    const double d = a.ToDouble(), hardD = static_cast<double>(la);
    bool ok = std::memcmp(relations, hard, sizeof hard) == 0 && Same(nearby, hardNearby) &&
              Same(trunc, hardTrunc) && std::memcmp(&d, &hardD, sizeof d) == 0;
    if (!std::isnan(la) && std::fabs(la) < 9.2e18L)
      ok = ok && a.ToInt64Trunc() == static_cast<int64_t>(la);
    const int64_t n = static_cast<int64_t>(random()) >> (random() % 64);
    ok = ok && Same(BitsOf(TFloat80(n)), BitsOf(static_cast<long double>(n)));
    double x;
    const uint64_t xBits = random() >> (random() % 2 ? 0 : random() % 64);
    std::memcpy(&x, &xBits, sizeof x);
    volatile double vx = x;
    ok = ok && Same(BitsOf(TFloat80(x)), BitsOf(static_cast<long double>(vx)));
    if (!ok) {
      ADD_FAILURE() << Show(a) << " vs " << Show(b) << ", integer " << n << ", double bits "
                    << std::hex << xBits;
      ++failures;
    }
  }
}

// Known results, checked on every target.
TEST(Float80, KnownResults) {
  const TFloat80 one(1), two(2), three(3);
  struct TCase {
    TFloat80 Got;
    uint16_t SignExp;
    uint64_t Sig;
  };
  const TFloat80 least = TFloat80::FromBits(0, 1),
                 greatest = TFloat80::FromBits(0x7FFE, ~uint64_t{0});
  TFloatFaults faults = 0;
  const TCase cases[] = {
      {one / three, 0x3FFD, 0xAAAAAAAAAAAAAAABu},
      {TFloat80::Sqrt(two, faults), 0x3FFF, 0xB504F333F9DE6484u},
      {least / two, 0x0000, 0},          // the tie rounds to the even zero
      {least * three / two, 0x0000, 2},  // 1.5 units: the tie rounds to even
      {greatest + greatest, 0x7FFF, uint64_t{1} << 63},
      {one - one, 0x0000, 0},
      {TFloat80(0) / TFloat80(0), 0xFFFF, 0xC000000000000000u},
      {TFloat80(INT64_MIN), 0xC03E, uint64_t{1} << 63},
      {TFloat80(0.1), 0x3FFB, 0xCCCCCCCCCCCCD000u},
      {TFloat80::FromBits(0x3FFE, 0xC000000000000000u).NearbyInt(), 0x3FFF, uint64_t{1} << 63},
      {TFloat80::FromBits(0x4000, 0xA000000000000000u).NearbyInt(), 0x4000, uint64_t{1} << 63},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(Show(c.Got), Show(TBits{c.SignExp, c.Sig})) << "case " << (&c - cases);
}

TEST(Float80, FaultsAreRaisedAsTheEngineReportsThem) {
  TFloatFaults faults = 0;
  TFloat80::Div(TFloat80(1), TFloat80(0), faults);
  EXPECT_EQ(faults, ffZeroDivide);
  EXPECT_THROW(RaiseFloatFaults(faults), EZeroDivide);
  faults = 0;
  TFloat80::Sub(TFloat80::FromBits(0x7FFF, uint64_t{1} << 63),
                TFloat80::FromBits(0x7FFF, uint64_t{1} << 63), faults);
  EXPECT_THROW(RaiseFloatFaults(faults | ffOverflow), EInvalidOp);
  faults = 0;
  TFloat80::Mul(TFloat80::FromBits(0x7FFE, ~uint64_t{0}), TFloat80(2), faults);
  EXPECT_THROW(RaiseFloatFaults(faults), EOverflow);
  EXPECT_NO_THROW(RaiseFloatFaults(0));
}

}  // namespace
}  // namespace scan
