#include "scan/Extended.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <random>

namespace scan {
namespace {

struct TPattern {
  uint16_t SignExp;
  uint64_t Sig;
};

constexpr uint64_t Top = uint64_t{1} << 63;

// Built in a constant expression, where the x87 build computes the value by scaling instead of
// copying the bits.
constexpr std::array<TPattern, 12> Patterns{{
    {0x0000, 0},                      // zero
    {0x8000, 0},                      // negative zero
    {0x0000, 1},                      // the least subnormal
    {0x8000, 0x4000000000000001u},    // a negative subnormal
    {0x0001, Top},                    // the least normal value
    {0x7FFE, ~uint64_t{0}},           // the greatest finite value
    {0xFFFE, 0xF000000000000001u},    // near the negative end
    {0x4000, 0xC90FDAA22168C235u},    // pi, one unit below the constant PI
    {0x3FF8, 0xA3D70A3D70A3D70Au},    // 0.01
    {0x4058, 0xCECB8F27F4200F3Au},    // 1e27
    {0x7FFF, Top},                    // infinity
    {0xFFFF, Top},                    // negative infinity
}};

template <size_t... I>
constexpr std::array<Extended, sizeof...(I)> Constants(std::index_sequence<I...>) {
  return {Extended::FromBits(Patterns[I].SignExp, Patterns[I].Sig)...};
}
constexpr std::array<Extended, Patterns.size()> ConstantValues =
    Constants(std::make_index_sequence<Patterns.size()>());

TEST(Extended, ConstantsHoldTheirBits) {
  for (size_t i = 0; i < Patterns.size(); ++i) {
    EXPECT_EQ(ConstantValues[i].SignAndExponent(), Patterns[i].SignExp) << i;
    EXPECT_EQ(ConstantValues[i].Significand(), Patterns[i].Sig) << i;
  }
  EXPECT_EQ(std::numeric_limits<Extended>::epsilon(), Extended(0x1p-63));
  EXPECT_EQ(Extended(1) + std::numeric_limits<Extended>::epsilon() - 1, Extended(0x1p-63));
}

// Integers of every width convert exactly, unsigned ones from 2^63 up as well.
TEST(Extended, IntegersConvertExactly) {
  EXPECT_EQ(Extended(uint64_t{0xFFFFFFFFFFFFFFFFu}).Significand(), ~uint64_t{0});
  EXPECT_EQ(Extended(uint64_t{0xFFFFFFFFFFFFFFFFu}).SignAndExponent(), 0x403E);
  EXPECT_EQ(Extended(INT64_MIN).SignAndExponent(), 0xC03E);
  EXPECT_EQ(Extended(uint32_t{0x80000000u}), Extended(0x1p31));
  EXPECT_EQ(Extended(static_cast<int16_t>(-3)), -Extended(3));
}

// The fault word of each operation, on operands of each class: the x87 build finds its faults by
// looking at the result, the software number while computing it.
TEST(Extended, FaultsOfTheOperations) {
  const Extended one(1), zero(0), inf = std::numeric_limits<Extended>::infinity(),
                 nan = std::numeric_limits<Extended>::quiet_NaN(),
                 big = std::numeric_limits<Extended>::max();
  using TOp = Extended (*)(Extended, Extended, TFloatFaults&);
  const struct {
    TOp Op;
    Extended A, B;
    TFloatFaults Faults;
  } cases[] = {
      {Extended::Add, big, big, ffOverflow},  {Extended::Add, inf, -inf, ffInvalid},
      {Extended::Add, inf, one, 0},           {Extended::Add, nan, one, 0},
      {Extended::Sub, -big, big, ffOverflow}, {Extended::Sub, inf, inf, ffInvalid},
      {Extended::Mul, big, big, ffOverflow},  {Extended::Mul, inf, zero, ffInvalid},
      {Extended::Mul, inf, one, 0},           {Extended::Mul, nan, zero, 0},
      {Extended::Div, one, zero, ffZeroDivide}, {Extended::Div, -one, -zero, ffZeroDivide},
      {Extended::Div, zero, zero, ffInvalid}, {Extended::Div, inf, inf, ffInvalid},
      {Extended::Div, inf, zero, 0},          {Extended::Div, nan, zero, 0},
      {Extended::Div, big, Extended(0.5), ffOverflow}, {Extended::Div, one, big, 0},
  };
  for (const auto& c : cases) {
    TFloatFaults faults = 0;
    c.Op(c.A, c.B, faults);
    EXPECT_EQ(faults, c.Faults) << "case " << (&c - cases);
  }
  TFloatFaults faults = 0;
  Extended::Sqrt(-one, faults);
  EXPECT_EQ(faults, ffInvalid);
  faults = 0;
  Extended::Sqrt(-zero, faults);
  EXPECT_EQ(faults, 0u);
}

// The way to the C library and back keeps every value.
TEST(Extended, LongDoubleRoundTrip) {
  std::mt19937_64 random(27);
  for (int i = 0; i < 100000; ++i) {
    const auto field = static_cast<uint16_t>(random() % 0x7FFF);
    uint64_t sig = random();
    sig = field == 0 ? sig >> (random() % 64) : sig | Top;
    const auto signExp = static_cast<uint16_t>(field | (random() % 2 ? 0x8000 : 0));
    const Extended x = Extended::FromBits(signExp, sig);
    const Extended back = FromLongDouble(ToLongDouble(x));
    ASSERT_EQ(back.SignAndExponent(), signExp) << std::hex << sig;
    ASSERT_EQ(back.Significand(), sig) << std::hex << signExp;
  }
}

}  // namespace
}  // namespace scan
