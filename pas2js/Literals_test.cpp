// Number and string literals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pas2js/TestConverter.h"
#include "scan/Exceptions.h"

namespace pas2js {
namespace {

using testing::Convert;
using testing::ExpectAll;

TEST(Literals, NumbersAndStrings) {
  const struct {
    const char* pascal;
    const char* js;
  } cases[] = {
      {"123", "123"},
      {"3.14", "3.14"},
      {"1.5e-3", "1.5e-3"},
      {"2E10", "2E10"},
      {"7e+", "7e+"},
      {"$1F", "0X1F"},
      {"$FFzz", "0XFFzz"},  // every letter belongs to the run
      {"$", "0X"},
      {"%1010", "0b1010"},
      {"&17", "0o17"},
      {"&a", "0o" "a"},  // an empty octal run, then the word
      {"1..10", "1..10"},
      {"'abc'", "\"abc\""},
      {"'It''s'", "\"It\\'s\""},
      {"'a'#13#10'b'", "\"a\\r\\nb\""},
      {"#27'[0m'", "\"\\x1B[0m\""},
      {"''", "\"\""},
      {"#9#12#0#300#", "\"\\t\\f\\x00\\x12C\\x00\""},
      {"#2147483647", "\"\\x7FFFFFFF\""},
      {"#$0D", "\"\\x00\"0X0D"},
      {"'a' 'b'", "\"a\" \"b\""},
      {"'C:\\dir'", "\"C:\\dir\""},
      {"'say \"hi\"'", "\"say \\\"hi\\\"\""},
      {"'open\r\nx", "\"open\"\r\nx"},
      {"'\x95\x5C'", "\"\x95\x5C\""},  // a double-byte character whose trail byte is a backslash
  };
  for (const auto& tc : cases) EXPECT_EQ(Convert(tc.pascal), tc.js) << tc.pascal;
}

// The console echo shows each piece of output as it is written.
TEST(Literals, ALiteralIsWrittenInPiecesNotPerCharacter) {
  using Pieces = std::vector<std::string>;
  testing::TEchoPieces echo;
  Convert("'abc'#13", {.DebugConsole = true}, &echo);
  EXPECT_EQ(echo.FPieces, (Pieces{"/*<Exec,1>*/", "\"", "abc\\r", "\""}));
  echo.FPieces.clear();
  Convert("12345.678e-9", {.DebugConsole = true}, &echo);
  EXPECT_EQ(echo.FPieces, (Pieces{"/*<Exec,1>*/", "12345.678e-9"}));
}

TEST(Literals, ACharacterCodeBeyondThirtyTwoBitsIsAnErrorNamingIt) {
  try {
    Convert("s := #2147483648;");
    FAIL() << "no error";
  } catch (const scan::EConvertError& e) {
    EXPECT_NE(std::string(e.what()).find("#2147483648"), std::string::npos);
  }
  EXPECT_THROW(Convert("#99999999999999999999999999"), scan::EConvertError);
}

}  // namespace
}  // namespace pas2js
