#include "scan/Float80Decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "scan/ExtendedFloat80.h"
#include "scan/Float80Testing.h"

namespace scan {
namespace {

using floattest::SameBits;
using floattest::Show;
using floattest::X87;

// The C library's long double as the software number and back (exact where it is the x87 format).
TFloat80 Soft(long double v) { return ToFloat80(FromLongDouble(v)); }
long double Native(TFloat80 x) { return ToLongDouble(FromFloat80(x)); }

// How often the random tables run: once in the suite, more by hand (SHEETCALC_DECIMAL_ROUNDS=50).
int Rounds() {
  const char* rounds = std::getenv("SHEETCALC_DECIMAL_ROUNDS");
  return rounds != nullptr ? std::max(1, std::atoi(rounds)) : 1;
}



constexpr TFloat80 Largest = TFloat80::FromBits(0x7FFE, ~uint64_t{0});
constexpr TFloat80 Least = TFloat80::FromBits(0, 1);

// Known texts, checked on every target: ties to even on the exact value, the range edges, signs.
TEST(Float80Decimal, FormatsKnownValues) {
  struct TCase {
    TFloat80 Value;
    int Decimals;
    const char* Fixed;
    const char* Scientific;
  };
  const TFloat80 half = TFloat80(1) / TFloat80(2);
  const TCase cases[] = {
      {TFloat80(5) / TFloat80(2), 0, "2", "2e+00"},
      {TFloat80(7) / TFloat80(2), 0, "4", "4e+00"},
      {half, 0, "0", "5e-01"},
      {TFloat80(1) / TFloat80(8), 2, "0.12", "1.25e-01"},
      {TFloat80(3) / TFloat80(8), 2, "0.38", "3.75e-01"},
      {-(TFloat80(1) / TFloat80(1000)), 2, "-0.00", "-1.00e-03"},
      {-TFloat80(0), 3, "-0.000", "-0.000e+00"},
      {TFloat80(0), 0, "0", "0e+00"},
      {TFloat80(999999), 1, "999999.0", "1.0e+06"},
      {TFloat80(INT64_MIN), 0, "-9223372036854775808", "-9e+18"},
      {Largest, 20, nullptr, "1.18973149535723176502e+4932"},
      {Least, 3, "0.000", "3.645e-4951"},
      {TFloat80::FromBits(0x7FFF, uint64_t{1} << 63), 2, "inf", "inf"},
      {TFloat80::FromBits(0xFFFF, uint64_t{3} << 62), 2, "-nan", "-nan"},
  };
  for (const TCase& c : cases) {
    if (c.Fixed != nullptr) {
      EXPECT_EQ(FormatFixed(c.Value, c.Decimals), c.Fixed) << Show(c.Value);
    }
    EXPECT_EQ(FormatScientific(c.Value, c.Decimals, false), c.Scientific) << Show(c.Value);
  }
  EXPECT_EQ(FormatScientific(half, 3, true), "5.000E-01");
  EXPECT_EQ(FormatScientific(-TFloat80::FromBits(0x7FFF, uint64_t{1} << 63), 3, true), "-INF");
  EXPECT_EQ(FormatFixed(TFloat80(1) / TFloat80(3), 30), "0.333333333333333333342368351437");
}

TEST(Float80Decimal, ReadsKnownTexts) {
  struct TCase {
    const char* Digits;
    int64_t Power;
    TFloat80 Value;
  };
  const TFloat80 infinity = TFloat80::FromBits(0x7FFF, uint64_t{1} << 63);
  const TCase cases[] = {
      {"", 0, TFloat80()},
      {"000", 99999, TFloat80()},
      {"1", -1, TFloat80::FromBits(0x3FFB, 0xCCCCCCCCCCCCCCCDu)},
      {"00100", -3, TFloat80::FromBits(0x3FFB, 0xCCCCCCCCCCCCCCCDu)},
      {"123456789012345678901234567890", 0, TFloat80::FromBits(0x405F, 0xC77487FB61B9F077u)},
      {"118973149535723176502", 4912, Largest},
      {"118973149535723176508", 4912, infinity},  // beyond the largest by more than half a unit
      {"1", 5000, infinity},
      {"1", INT64_MAX, infinity},
      {"33621031431120935063", -4951, TFloat80::FromBits(1, uint64_t{1} << 63)},
      {"18225997659412373013", -4970, Least},  // just above half the least subnormal
      {"18225997659412373012", -4970, TFloat80()},  // just below it
      {"1", -4952, TFloat80()},
      {"1", INT64_MIN, TFloat80()},
  };
  for (const TCase& c : cases) {
    const TFloat80 got = DecimalToFloat80(c.Digits, c.Power);
    EXPECT_TRUE(SameBits(got, c.Value)) << c.Digits << "e" << c.Power << ": " << Show(got) << ", not "
                                    << Show(c.Value);
  }
}

// ---- Against the C library of the x87 build, which is exact -------------------------------

std::string Printed(const char* format, int precision, TFloat80 x) {
  const long double value = Native(x);
  const int n = std::snprintf(nullptr, 0, format, precision, value);
  std::string text(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, precision, value);
  text.resize(static_cast<size_t>(n));
  return text;
}

// Values of every class and magnitude, the awkward ones often: ties at few decimals (k + 0.5,
// short binary fractions), whole numbers, neighbours of powers of ten, subnormals, range edges.
TFloat80 RandomValue(std::mt19937_64& random) {
  const auto pick = [&](uint64_t n) { return static_cast<int>(random() % n); };
  const long double sign = pick(2) ? -1 : 1;
  uint64_t sig = random() | (uint64_t{1} << 63);
  switch (pick(12)) {
    case 0:
      return Soft(sign * (static_cast<long double>(random() >> pick(64) >> 2) + 0.5L));
    case 1:  // an odd number of 2^-j, with j-1 decimals a tie
      return Soft(sign * std::ldexp(static_cast<long double>((random() >> pick(64)) | 1), -1 - pick(70)));
    case 2:
      return Soft(sign * static_cast<long double>(random() >> pick(64)));
    case 3: {
      long double p = std::pow(10.0L, static_cast<long double>(pick(9883) - 4950));
      for (int steps = pick(7) - 3; steps != 0; steps += steps < 0 ? 1 : -1)
        p = std::nextafter(p, steps < 0 ? 0.0L : HUGE_VALL);
      return Soft(sign * p);
    }
    case 4:
      return TFloat80::FromBits(sign < 0 ? 0x8000 : 0, sig >> (1 + pick(63)));  // subnormal
    case 5:
      return TFloat80::FromBits(static_cast<uint16_t>(pick(2) ? 1 + pick(4) : 0x7FFE - pick(4)), sig);
    case 6:
      return TFloat80::FromBits(static_cast<uint16_t>(16383 - 70 + pick(140)),
                                sig & (~uint64_t{0} << pick(64)));  // short significands
    case 7:
      return TFloat80::FromBits(static_cast<uint16_t>(pick(2) ? 0x7FFF : 0xFFFF), pick(2) ? sig : uint64_t{1} << 63);
    default:
      return TFloat80::FromBits(static_cast<uint16_t>((sign < 0 ? 0x8000 : 0) | (1 + pick(0x7FFE))), sig);
  }
}

TEST(Float80Decimal, FormatsAsTheCLibrary) {
  if (!X87) GTEST_SKIP() << "long double is not the x87 format here";
  std::mt19937_64 random(4932);
  const int fixedPlaces[] = {0, 1, 2, 3, 6, 9, 15, 18, 20, 30, 70};
  const int scientificPlaces[] = {0, 1, 2, 5, 14, 16, 17, 18, 19, 20, 25, 40};
  int failures = 0;
  for (int i = 0; i < 1200 * Rounds() && failures < 10; ++i) {
    const TFloat80 x = RandomValue(random);
    const auto fail = [&](const char* format, int places, const std::string& got) {
      ADD_FAILURE() << Show(x) << " " << format << " " << places << ": " << got << ", the C library "
                    << Printed(format, places, x);
      ++failures;
    };
    // Whole parts of thousands of digits cost the C library as much as us: fewer of them.
    if ((x.SignAndExponent() & 0x7FFF) < 16383 + 200 || i % 8 == 0) {
      for (const int places : fixedPlaces) {
        const std::string got = FormatFixed(x, places);
        if (got != Printed("%.*Lf", places, x)) fail("%.*Lf", places, got);
      }
    }
    for (const int places : scientificPlaces) {
      const bool upper = places % 2 != 0;
      const std::string got = FormatScientific(x, places, upper);
      if (got != Printed(upper ? "%.*LE" : "%.*Le", places, x)) fail("%.*Le", places, got);
    }
  }
}

// The digits of x (>= 0) with `places` decimals and the point dropped.
std::string ExactDigits(TFloat80 x, int places) {
  std::string text = Printed("%.*Lf", places, x);
  if (places > 0) text.erase(text.size() - static_cast<size_t>(places) - 1, 1);
  return text;
}

// Sum, product and difference of digit strings (leading zeros allowed, results keep them).
std::string AddDigits(std::string a, std::string b) {
  if (a.size() < b.size()) std::swap(a, b);
  b.insert(0, a.size() - b.size(), '0');
  int carry = 0;
  for (size_t i = a.size(); i-- > 0;) {
    const int d = (a[i] - '0') + (b[i] - '0') + carry;
    a[i] = static_cast<char>('0' + d % 10);
    carry = d / 10;
  }
  return carry ? "1" + a : a;
}
std::string TimesFive(std::string a) {
  int carry = 0;
  for (size_t i = a.size(); i-- > 0;) {
    const int d = (a[i] - '0') * 5 + carry;
    a[i] = static_cast<char>('0' + d % 10);
    carry = d / 10;
  }
  return carry ? std::string(1, static_cast<char>('0' + carry)) + a : a;
}
std::string MinusOne(std::string a) {
  size_t i = a.size();
  while (a[--i] == '0') a[i] = '9';
  --a[i];
  return a;
}

long double ReadByCLibrary(const std::string& digits, int64_t power) {
  return std::strtold((digits + "e" + std::to_string(power)).c_str(), nullptr);
}

TEST(Float80Decimal, ReadsAsTheCLibrary) {
  if (!X87) GTEST_SKIP() << "long double is not the x87 format here";
  std::mt19937_64 random(16445);
  int failures = 0;
  for (int i = 0; i < 15000 * Rounds() && failures < 10; ++i) {
    std::string digits(1 + random() % 40, '0');
    for (char& d : digits) d = static_cast<char>('0' + random() % 10);
    // Half of them near the ends of the range.
    const auto size = static_cast<int64_t>(digits.size());
    const int64_t power = random() % 2 ? static_cast<int64_t>(random() % 10001) - 5000
                          : random() % 2 ? 4932 - size + static_cast<int64_t>(random() % 3)
                                         : -4950 - size - static_cast<int64_t>(random() % 3);
    const TFloat80 got = DecimalToFloat80(digits, power);
    const TFloat80 expected = Soft(ReadByCLibrary(digits, power));
    if (!SameBits(got, expected)) {
      ADD_FAILURE() << digits << "e" << power << ": " << Show(got) << ", the C library "
                    << Show(expected);
      ++failures;
    }
  }
}

// Exactly halfway between two neighbours, and a hair either side: the ties go to the even one.
TEST(Float80Decimal, ReadsMidpointsAsTheCLibrary) {
  if (!X87) GTEST_SKIP() << "long double is not the x87 format here";
  std::mt19937_64 random(64);
  int failures = 0;
  for (int i = 0; i < 150 * Rounds() && failures < 10; ++i) {
    const TFloat80 x = RandomValue(random).Abs();
    if (x.IsNan() || x.IsInf() || SameBits(x, Largest)) continue;
    const TFloat80 next = Soft(std::nextafter(Native(x), HUGE_VALL));
    // Places enough for both: the unit in the last place of x is 2^(field - 16383 - 63).
    const int places = std::max(0, 16383 + 63 - std::max(x.SignAndExponent() & 0x7FFF, 1));
    const std::string mid = TimesFive(AddDigits(ExactDigits(x, places), ExactDigits(next, places)));
    const int64_t power = -places - 1;
    const struct {
      std::string Digits;
      int64_t Power;
    } texts[] = {{mid, power}, {mid + "1", power - 1}, {MinusOne(mid) + "9", power - 1}};
    for (const auto& t : texts) {
      const TFloat80 got = DecimalToFloat80(t.Digits, t.Power);
      const TFloat80 expected = Soft(ReadByCLibrary(t.Digits, t.Power));
      if (!SameBits(got, expected)) {
        ADD_FAILURE() << "near the midpoint of " << Show(x) << ": " << Show(got)
                      << ", the C library " << Show(expected);
        ++failures;
      }
    }
    const TFloat80 even = (x.Significand() & 1) == 0 ? x : next;
    EXPECT_TRUE(SameBits(DecimalToFloat80(mid, power), even)) << Show(x);
  }
  // Halfway between the largest value and the next power of two rounds to even: beyond the range.
  const TFloat80 halfUnit = Soft(std::ldexp(1.0L, 16383 - 64));
  const std::string beyond = AddDigits(ExactDigits(Largest, 0), ExactDigits(halfUnit, 0));
  EXPECT_TRUE(DecimalToFloat80(beyond, 0).IsInf());
  EXPECT_TRUE(SameBits(DecimalToFloat80(MinusOne(beyond), 0), Largest));
}

}  // namespace
}  // namespace scan
