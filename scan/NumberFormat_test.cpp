#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "scan/uAnsiCharTools.h"
#include "ExtendedLiterals.h"

namespace scan {
namespace {

struct TPrefixedCase {
  Extended Value;
  const char* Text;
  const char* Prefix;
};

const TFormatSettings Point;  // '.' as the decimal separator

std::string Prefixed(Extended x, std::string* prefix = nullptr,
                     const TFormatSettings& settings = Point) {
  std::string text;
  std::string letter = "junk";
  FormatPrefixed(x, text, letter, settings);
  if (prefix != nullptr) *prefix = letter;
  return text;
}

TEST(FormatPrefixed, PrefixLettersAndDecimals) {
  const TPrefixedCase cases[] = {
      {5, "  5", ""},
      {0, "  0", ""},
      {-0.0_x, "  0", ""},
      {1500, "1500", ""},
      {100000, "100000", ""},
      {100001, "100.001k", "k"},
      {150000, "150k", "k"},
      {2500000, "2.5M", "M"},
      {1000000, "1000k", "k"},  // the tests are strict: exactly 10^6 is no "M"
      {0.005_x, "  5m", "m"},
      {-0.005_x, " -5m", "m"},
      {-5, " -5", ""},
      {-50, "-50", ""},
      {1 / 3.0_x, "0.333333333", ""},
      {2 / 3.0_x, "0.666666667", ""},
      {0.25_x, "0.25", ""},
      {0.1_x, "0.1", ""},
      {0.01_x, " 10m", "m"},  // 0.01 itself is not above 0.01
      {0.0100001_x, "0.0100001", ""},
      {2e8_x, "200M", "M"},
      {2e9_x, "  2T", "T"},
      {2.5e9_x, "2.5T", "T"},
      {3e12_x, "  3P", "P"},
      {4e13_x, " 40P", "P"},
      {-4e13_x, "-40P", "P"},
      {3.3e-6_x, "3.3u", "u"},
      // The nearest extended value to 10^-6 is just below it, and 10^3 times it is not whole.
      {1e-6_x, "1000.000000000p", "p"},
      {2e-9_x, "  2p", "p"},
      {2.5e-10_x, "250f", "f"},
      {1e-15_x, "0.0010f", "f"},
      {1e-25_x, "0.000000000f", "f"},
      // Too small to show a digit: the sign stays, as "%3.*f" keeps it.
      {-1e-30_x, "-0.000000000f", "f"},
      {-4e-22_x, "-0.000000000f", "f"},
      {-6e-22_x, "-0.000000001f", "f"},
      {123.456_x, "123.456", ""},
      {0.0015_x, "1.5m", "m"},
      {123456789012.0_x, "123.456789012T", "T"},
  };
  for (const TPrefixedCase& c : cases) {
    std::string prefix;
    EXPECT_EQ(Prefixed(c.Value, &prefix), c.Text) << c.Value.ToDouble();
    EXPECT_EQ(prefix, c.Prefix) << c.Value.ToDouble();
  }
}

TEST(FormatPrefixed, StandardPrefixesOnRequest) {
  TFormatSettings standard;
  standard.StandardPrefixes = true;
  const TPrefixedCase cases[] = {
      {2e9_x, "  2G", "G"},   {2.5e12_x, "2.5T", "T"}, {3e15_x, "  3P", "P"}, {4e16_x, " 40P", "P"},
      {2e8_x, "200M", "M"},   {1e9_x, "1000M", "M"},   {5e-9_x, "  5n", "n"}, {5e-12_x, "  5p", "p"},
      {5e-15_x, "  5f", "f"}, {0.005_x, "  5m", "m"},
  };
  for (const TPrefixedCase& c : cases) {
    std::string prefix;
    EXPECT_EQ(Prefixed(c.Value, &prefix, standard), c.Text) << c.Value.ToDouble();
    EXPECT_EQ(prefix, c.Prefix) << c.Value.ToDouble();
  }
}

TEST(FormatPrefixed, LargeValuesSwitchToAnExponent) {
  const TPrefixedCase cases[] = {
      {5e29_x, "500000000000000000P", "P"},
      {1e30_x, "1E18P", "P"},
      {-2.5e40_x, "-2.5E28P", "P"},
      {std::numeric_limits<Extended>::max(), "1.18973149535723E4920P", "P"},
  };
  for (const TPrefixedCase& c : cases) {
    std::string prefix;
    EXPECT_EQ(Prefixed(c.Value, &prefix), c.Text);
    EXPECT_EQ(prefix, c.Prefix);
  }
}

TEST(FormatPrefixed, NonFiniteValuesDoNotCrash) {
  std::string prefix;
  EXPECT_EQ(Prefixed(std::numeric_limits<Extended>::infinity(), &prefix), "INF");
  EXPECT_EQ(prefix, "");
  EXPECT_EQ(Prefixed(-std::numeric_limits<Extended>::infinity()), "-INF");
  EXPECT_EQ(Prefixed(std::numeric_limits<Extended>::quiet_NaN()), "NAN");
  EXPECT_EQ(Prefixed(std::numeric_limits<Extended>::denorm_min()), "0.000000000f");
}

TEST(FormatGeneral, FixedInsideTheRangeScientificOutside) {
  const struct {
    Extended Value;
    const char* Text;
  } cases[] = {
      {0, "0"},
      {2500000, "2500000"},
      {-2500000, "-2500000"},
      {0.005_x, "0.005"},
      {1 / 3.0_x, "0.333333333333333"},
      {2 / 3.0_x, "0.666666666666667"},
      {0.0001_x, "0.0001"},
      {0.00009_x, "9E-5"},
      {5e-6_x, "5E-6"},
      {-5e-6_x, "-5E-6"},
      {1.5e15_x, "1.5E15"},
      {1e15_x, "1E15"},
      {999999999999999.0_x, "999999999999999"},
      {999999999999999.9_x, "1E15"},  // rounds to 16 digits before the point
      {123456789.123456789_x, "123456789.123457"},
      {1e100_x, "1E100"},
      {1.25e-300_x, "1.25E-300"},
      {4e13_x, "40000000000000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatGeneral(c.Value, Point), c.Text) << c.Value.ToDouble();
  }
  EXPECT_EQ(FormatGeneral(std::numeric_limits<Extended>::quiet_NaN(), Point), "NAN");
  EXPECT_EQ(FormatGeneral(-std::numeric_limits<Extended>::infinity(), Point), "-INF");
}

// The fast digit paths must give the digits of the C library's correctly rounded "%.14Le" and
// "%.*Lf" texts.
TEST(FormatGeneral, AgreesWithTheCLibrary) {
  std::mt19937_64 random(20240601);
  std::uniform_real_distribution<double> exponent(-30, 30);
  for (int i = 0; i < 50000; ++i) {
    long double lx = std::pow(10.0L, static_cast<long double>(exponent(random)));
    if (i % 2) lx = std::round(lx * 1000) / 1000;  // short decimals too
    if (lx == 0) continue;
    const Extended x = FromLongDouble(lx);
    char reference[64];
    std::snprintf(reference, sizeof reference, "%.14Le", ToLongDouble(x));
    ASSERT_EQ(std::strtold(FormatGeneral(x, Point).c_str(), nullptr),
              std::strtold(reference, nullptr))
        << reference;
  }
}

TEST(FormatPrefixed, AgreesWithTheCLibrary) {
  std::mt19937_64 random(20240601);
  std::uniform_real_distribution<double> mantissa(1, 1000);
  for (int i = 0; i < 50000; ++i) {
    // y as the formatter sees it: between 1 and 1000 (a prefix letter) or a small value
    const Extended y =
        FromLongDouble(std::round(static_cast<long double>(mantissa(random)) * 1e6L) / 1e6L);
    std::string text;
    std::string prefix;
    FormatPrefixed(y * 1000, text, prefix, Point);
    ASSERT_EQ(prefix, y * 1000 / 1000 > 100 ? "k" : "");
    const Extended shown = prefix.empty() ? y * 1000 : y * 1000 / 1000;
    int decimals = 9;
    for (int d = 0; d < 9; ++d) {
      const Extended v = shown * FromLongDouble(std::pow(10.0L, static_cast<long double>(d)));
      if (v == v.Trunc()) {
        decimals = d;
        break;
      }
    }
    char reference[64];
    std::snprintf(reference, sizeof reference, "%3.*Lf%s", decimals, ToLongDouble(shown),
                  prefix.c_str());
    ASSERT_EQ(text, reference);
  }
}

TEST(NumberFormat, UsesTheDecimalSeparatorSetting) {
  const TFormatSettings comma{','};
  EXPECT_EQ(Prefixed(2500000, nullptr, comma), "2,5M");
  EXPECT_EQ(Prefixed(1 / 3.0_x, nullptr, comma), "0,333333333");
  EXPECT_EQ(Prefixed(1.5e33_x, nullptr, comma), "1,5E21P");
  EXPECT_EQ(FormatGeneral(1.5e15_x, comma), "1,5E15");
  EXPECT_EQ(FormatGeneral(0.25_x, comma), "0,25");
  EXPECT_EQ(FormatGeneral(0.00025_x, comma), "0,00025");
  // Near a tie and far from one: the digits come from the exact routines.
  EXPECT_EQ(Prefixed(1.0000000005_x, nullptr, comma), "1,000000000");
  EXPECT_EQ(FormatGeneral(1.25e-20_x, comma), "1,25E-20");
}

}  // namespace
}  // namespace scan
