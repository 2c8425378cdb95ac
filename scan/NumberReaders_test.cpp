#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "scan/Exceptions.h"
#include "scan/uAnsiCharTools.h"
#include "ExtendedLiterals.h"

namespace scan {
namespace {

const Extended Pi = 3.14159265358979323846264338327950288_x;

struct TIntCase {
  const char* Input;
  bool Result;
  int64_t Value;
  const char* Rest;
};

template <typename Reader>
void CheckIntReads(std::initializer_list<TIntCase> cases, Reader read) {
  for (const TIntCase& c : cases) {
    const std::string source = c.Input;
    const char* p = source.c_str();
    int64_t value = 12345;
    EXPECT_EQ(read(p, value), c.Result) << "input: " << c.Input;
    if (c.Result) {
      EXPECT_EQ(value, c.Value) << "input: " << c.Input;
    }
    EXPECT_STREQ(p, c.Rest) << "input: " << c.Input;
  }
}

TEST(ReadDecimal, DigitsAfterBlanks) {
  CheckIntReads(
      {
          {"123x", true, 123, "x"},
          {" \t42", true, 42, ""},
          {"007", true, 7, ""},
          {"  x", false, 0, "  x"},
          {"-5", false, 0, "-5"},
          {"", false, 0, ""},
          {"9223372036854775807", true, INT64_MAX, ""},
          {"18446744073709551617", true, 1, ""},  // wraps modulo 2^64
      },
      ReadDecimal);
}

TEST(ReadPrefixedInteger, AllNotations) {
  CheckIntReads(
      {
          {"0b1010", true, 10, ""},
          {"0B1010", true, 10, ""},
          {"0b_1010", true, 10, ""},
          {"0b1_0_1_0_ ", true, 10, " "},
          {"0x1f", true, 31, ""},
          {"0X1F", true, 31, ""},
          {"$1F+1", true, 31, "+1"},
          {"$FFFFFFFF", true, 4294967295LL, ""},
          {"0xFFFFFFFF", true, 4294967295LL, ""},
          {"$FFFFFFFFF", true, 68719476735LL, ""},
          {"$FFFFFFFFFFFFFFFF", true, -1, ""},
          {"$1FFFFFFFFFFFFFFFF", true, -1, ""},  // wraps
          {" - $10", true, -16, ""},
          {"+ 12", true, 12, ""},
          {"-0b11", true, -3, ""},
          {"42k", true, 42, "k"},
          {"$", false, 0, "$"},
          {"$G", false, 0, "$G"},
          {"0x", false, 0, "0x"},
          {"0b2", false, 0, "0b2"},
          {"0b__", false, 0, "0b__"},
          {"- x", false, 0, "- x"},
          {"", false, 0, ""},
      },
      ReadPrefixedInteger);
}

TEST(ReadHexSuffixed, SuffixedHexIs32Bit) {
  CheckIntReads(
      {
          {"1FH", true, 31, ""},
          {"1fh+2", true, 31, "+2"},
          {"0FFH", true, 255, ""},
          {"1BH", true, 27, ""},
          {"0FFFFFFFFH", true, -1, ""},
          {"80000000H", true, INT32_MIN, ""},
          {"7FFFFFFFH", true, INT32_MAX, ""},
          {"000000000000001H", true, 1, ""},
          {"0000000000000001H", true, 1, ""},  // 16 digits in all
          {"00000000000000001H", false, 0, "00000000000000001H"},
          {"12345678901234567H", false, 0, "12345678901234567H"},
          {"FFH", false, 0, "FFH"},
          {" 1H", false, 0, " 1H"},
          {"12", false, 0, "12"},
          {"12 H", false, 0, "12 H"},
          {"1Hx", true, 1, "x"},
      },
      ReadHexSuffixed);
}

TEST(ReadHexSuffixed, NineSignificantDigitsIsAnError) {
  for (const char* input : {"0FFFFFFFFFH", "100000000H"}) {
    const std::string source = input;
    const char* p = source.c_str();
    int64_t value = 0;
    try {
      ReadHexSuffixed(p, value);
      ADD_FAILURE() << input << ": no error";
    } catch (const EConvertError& e) {
      const std::string digits(input, std::string_view(input).size() - 1);
      EXPECT_EQ(e.Message(), "'$" + digits + "' は整数ではありません");
    }
  }
}

TEST(ReadBinarySuffixed, SuffixedBinaryWithNothingWordlikeBehind) {
  CheckIntReads(
      {
          {"1010B", true, 10, ""},
          {"11b+1", true, 3, "+1"},
          {"1_0_1_0B", true, 10, ""},
          {"1__B", true, 1, ""},
          {"0B", true, 0, ""},
          {"11B \x82\xA0", true, 3, " \x82\xA0"},
          {"11Bx", false, 0, "11Bx"},
          {"11Bar", false, 0, "11Bar"},
          {"101B1", false, 0, "101B1"},
          {"101B_", false, 0, "101B_"},
          {"_1B", false, 0, "_1B"},
          {"12B", false, 0, "12B"},
          {"11", false, 0, "11"},
          {" 1B", false, 0, " 1B"},
          {"1111111111111111111111111111111111111111111111111111111111111111B", true, -1, ""},
          {"11111111111111111111111111111111111111111111111111111111111111111B", false, 0,
           "11111111111111111111111111111111111111111111111111111111111111111B"},
      },
      ReadBinarySuffixed);
}

struct TRealCase {
  const char* Input;
  bool Result;
  Extended Value;
  const char* Rest;
};

const TFormatSettings Point;  // '.' as the decimal separator
bool Real(const char*& p, Extended& value) { return ReadReal(p, value, Point); }
bool ScaledReal(const char*& p, Extended& value) { return ReadScaledReal(p, value, Point); }

template <typename Reader>
void CheckRealReads(std::initializer_list<TRealCase> cases, Reader read) {
  for (const TRealCase& c : cases) {
    const std::string source = c.Input;
    const char* p = source.c_str();
    Extended value = 12345;
    EXPECT_EQ(read(p, value), c.Result) << "input: " << c.Input;
    // The readers are correctly rounded, so the values compare exactly.
    if (c.Result) {
      EXPECT_EQ(value, c.Value) << "input: " << c.Input;
    }
    EXPECT_STREQ(p, c.Rest) << "input: " << c.Input;
  }
}

TEST(ReadReal, DecimalForms) {
  CheckRealReads(
      {
          {"1.5", true, 1.5_x, ""},
          {"5.", true, 5, ""},
          {".5", true, 0.5_x, ""},
          {".", true, 0, ""},
          {"0.1", true, 0.1_x, ""},
          {"1e-3", true, 0.001_x, ""},
          {"1e5-3", true, 100000, "-3"},
          {"1e+3", true, 1, "+3"},
          {"2e", true, 2, ""},
          {"1e-", true, 1, ""},
          {"2E3", true, 2000, ""},
          {"1.2.3", true, 1.2_x, ".3"},
          {"1e3e4", true, 1000, "e4"},
          {"e5", false, 0, "e5"},
          {".e5", true, 0, "e5"},
          {"- 5", true, -5, ""},
          {"\t+ 2.5)", true, 2.5_x, ")"},
          {"3-2", true, 3, "-2"},
          {"007.50", true, 7.5_x, ""},
          {"1e0000000002", true, 100, ""},
          {"1e4932", true, 1e4932_x, ""},
          {"1e-4999", true, 0, ""},  // too small is no failure
          {"1e-4950", true, 1e-4950_x, ""},
          {"123456789012345678901234567890", true, 123456789012345678901234567890.0_x, ""},
          // Either side of the one-pass reader's limits: 19 significant digits, three exponent
          // digits, the exact powers of ten; zeros before the first significant digit are free.
          {"1234567890123456789", true, 1234567890123456789.0_x, ""},
          {"98765432109876543211", true, 98765432109876543211.0_x, ""},
          {"000000000000000000000012.5", true, 12.5_x, ""},
          {"9.87654321098765432e-27", true, 9.87654321098765432e-27_x, ""},
          {"9.87654321098765432e-28", true, 9.87654321098765432e-28_x, ""},
          {"3e27", true, 3e27_x, ""},
          {"3e28", true, 3e28_x, ""},
          {"1.5e5.", true, 150000, "."},
          {"0e999", true, 0, ""},
          {"0.000000000000000000000000000001e30", true, 1, ""},
          {"", false, 0, ""},
          {"  ", false, 0, "  "},
          {"-", false, 0, "-"},
          {"x", false, 0, "x"},
      },
      Real);
}

TEST(ReadReal, PrefixedIntegersAndTheirFallback) {
  CheckRealReads(
      {
          {"$FF", true, 255, ""},
          {"-$FF", true, -255, ""},
          {"0x10", true, 16, ""},
          {"0b101", true, 5, ""},
          {"- 0b101", true, -5, ""},
          {"$FFFFFFFFFFFFFFFF", true, -1, ""},
          {"0b2", true, 0, "b2"},
          {"0x", true, 0, "x"},
          {"$", false, 0, "$"},
      },
      Real);
}

TEST(ReadReal, CorrectlyRounded) {
  // Halfway between two extended values (1 + 2^-64): ties to even gives 1.
  CheckRealReads(
      {{"1.0000000000000000000542101086242752217003726400434970855712890625", true, 1, ""}},
      Real);
  // Just above the halfway point rounds up.
  CheckRealReads({{"1.00000000000000000005421010862427522170037264004349708557128906251", true,
                   1 + 0x1p-63_x, ""}},
                 Real);
}

// The short-number path must agree with the C library's correctly rounded conversion (the tests
// run in the "C" locale, so strtold reads '.').
TEST(ReadReal, AgreesWithTheCLibrary) {
  std::mt19937_64 random(20240601);
  for (int i = 0; i < 50000; ++i) {
    std::string text;
    const int digits = 1 + static_cast<int>(random() % 22);
    const int point = static_cast<int>(random() % (digits + 1));
    for (int k = 0; k <= digits; ++k) {
      if (k == point) text += '.';
      if (k < digits) text += static_cast<char>('0' + random() % 10);
    }
    text += 'e';
    text += std::to_string(static_cast<int>(random() % 90) - 45);
    const char* p = text.c_str();
    Extended value = 0;
    ASSERT_TRUE(Real(p, value)) << text;
    ASSERT_EQ(value, FromLongDouble(std::strtold(text.c_str(), nullptr))) << text;
  }
}

TEST(ReadReal, TextsThatDoNotConvert) {
  const struct {
    const char* Input;
    const char* Text;
    const char* Rest;
  } cases[] = {
      {"1e5.5", "1e5.5", ""},
      {"1e10000+1", "1e10000", "+1"},
      {"1e5000", "1e5000", ""},
      {"1e-5000", "1e-5000", ""},
      {"1e4933", "1e4933", ""},
      {"2e-.", "2e-.", ""},
      {"2e3.", "2e3.", ""},
      {"0e5000", "0e5000", ""},
  };
  for (const auto& c : cases) {
    const std::string source = c.Input;
    const char* p = source.c_str();
    Extended value = 0;
    try {
      Real(p, value);
      ADD_FAILURE() << c.Input << ": no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), std::string("'") + c.Text + "' は浮動小数点数ではありません");
    }
    EXPECT_STREQ(p, c.Rest) << c.Input;
  }
}

TEST(ReadReal, FollowsTheDecimalSeparatorSetting) {
  const TFormatSettings comma{','};
  const char* p = "15";
  Extended value = 0;
  EXPECT_TRUE(ReadReal(p, value, comma));
  EXPECT_EQ(value, 15);
  p = "1.5";
  EXPECT_THROW(ReadReal(p, value, comma), EConvertError);
  p = "1,5";
  EXPECT_TRUE(ReadReal(p, value, comma));
  EXPECT_EQ(value, 1);
  EXPECT_STREQ(p, ",5");
  p = "1.5";
  EXPECT_TRUE(ReadScaledReal(p, value, Point));
  EXPECT_EQ(value, 1.5_x);
}

TEST(ReadScaledReal, ScaleSuffixes) {
  CheckRealReads(
      {
          {"2k", true, 2000, ""},
          {"5m", true, 5 / 1000.0_x, ""},
          {"3.3u", true, 3.3_x / 1e6_x, ""},
          {"10%", true, 10 / 100.0_x, ""},
          {"2P", true, 2e12_x, ""},
          {"2T", true, 2e9_x, ""},
          {"2M", true, 2e6_x, ""},
          {"2f", true, 2 / 1e12_x, ""},
          {"2p", true, 2 / 1e9_x, ""},
          {"2PI", true, 2 * Pi, ""},
          {"2\x83\xCE", true, 2 * Pi, ""},
          {"1\x83\xCA", true, 1 / 1e6_x, ""},
          {"2PIk", true, 2 * Pi, "k"},
          {"2kk", true, 2000, "k"},
          {"2K", true, 2, "K"},
          {"2 k", true, 2, " k"},
          {"$10k", true, 16000, ""},
          {"0b11%", true, 0.03_x, ""},
          {"-2k", true, -2000, ""},
          {"x", false, 0, "x"},
      },
      ScaledReal);
}

TEST(ReadScaledReal, StandardPrefixesOnRequest) {
  TFormatSettings standard;
  standard.StandardPrefixes = true;
  const std::pair<const char*, Extended> cases[] = {
      {"2G", 2e9_x},  {"2T", 2e12_x}, {"2P", 2e15_x}, {"2n", 2 / 1e9_x},
      {"2p", 2 / 1e12_x}, {"2f", 2 / 1e15_x}, {"2k", 2000}, {"2u", 2 / 1e6_x},
  };
  for (const auto& [text, expected] : cases) {
    const char* p = text;
    Extended value = 0;
    EXPECT_TRUE(ReadScaledReal(p, value, standard)) << text;
    EXPECT_EQ(value, expected) << text;
    EXPECT_EQ(*p, '\0') << text;
  }
  // Without the setting G and n are no suffixes: the number ends before them.
  for (const char* text : {"2G", "2n"}) {
    const char* p = text;
    Extended value = 0;
    EXPECT_TRUE(ReadScaledReal(p, value, Point));
    EXPECT_EQ(value, 2);
    EXPECT_STREQ(p, text + 1);
  }
}

TEST(ReadScaledReal, SuffixBeyondTheRangeIsAnOverflow) {
  const char* p = "1e4932M";
  Extended value = 0;
  EXPECT_THROW(ScaledReal(p, value), EOverflow);
}

// Every reader, started at every position of texts that end in the middle of a form, stays inside
// the text. Each text gets a buffer of its exact size, so a read past the terminator is caught by
// the address sanitizer.
TEST(NumberReaders, NeverReadPastTheTerminator) {
  const char* texts[] = {"1e", "1e-", "0x", "0b", "$", "0FH", "1B", "1_", "2P", "2\x83", "- ", "1.",
                         "00000000000000001", "1\x83\xCA", "$FFFFFFFFFFFFFFFFFFFF", "1%"};
  for (const char* text : texts) {
    const size_t size = std::string_view(text).size() + 1;
    for (size_t start = 0; start < size; ++start) {
      const std::unique_ptr<char[]> buffer(new char[size - start]);
      std::memcpy(buffer.get(), text + start, size - start);
      const char* end = buffer.get() + (size - start - 1);
      int64_t integer;
      Extended real;
      for (auto read : {ReadDecimal, ReadPrefixedInteger, ReadHexSuffixed, ReadBinarySuffixed}) {
        const char* p = buffer.get();
        read(p, integer);
        EXPECT_LE(p, end) << text;
      }
      for (auto read : {Real, ScaledReal}) {
        const char* p = buffer.get();
        read(p, real);
        EXPECT_LE(p, end) << text;
      }
    }
  }
}

}  // namespace
}  // namespace scan
