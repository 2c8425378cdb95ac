// The translation loop: operators, keywords, stop sets, debug marks and the nesting limit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pas2js/TestConverter.h"
#include "scan/Exceptions.h"

namespace pas2js {
namespace {

using testing::Convert;
using testing::ConvertAndDump;
using testing::ExpectAll;

struct TCase {
  const char* pascal;
  const char* js;
};

TEST(Translate, OperatorsAndKeywordsAtTheOutermostLevel) {
  const TCase cases[] = {
      {"x := a div b mod c;", "x = a / b % c;"},
      {"a <> b", "a != b"},
      {"a = b", "a == b"},
      {"a >= b; a <= b; a < b; a > b", "a >= b; a <= b; a < b; a > b"},
      {"Flag := True;", "Flag = true;"},
      {"raise E;", "throw E;"},
      {"Self.Caption", "this.Caption"},
      {"x := 1; // one\r\n{ two }", "x = 1; // one\r\n/* two */"},
      {"a AND b And c and d", "a & b & c & d"},
      {"a OR b xor c shl 2", "a | b ^ c << 2"},
      {"NOT a", "~ a"},
      {"end.", "}."},
      {"Then2 := FALSE", "Then2 = false"},
      {"then else do to downto except finally on until of", "then else do to downto except finally on until of"},
      {"THEN", "then"},
      {"a shr b; p := nil; inherited Create; x is T; y as T", "a shr b; p = nil; inherited Create; x is T; y as T"},
      {"continue; x.y := 1;", "continue; x.y = 1;"},
      {"a := 1: b", "a = 1: b"},
      {"@p^.x + 1 - 2 * 3 / 4", "@p^.x + 1 - 2 * 3 / 4"},
      {"", ""},
  };
  for (const TCase& tc : cases) EXPECT_EQ(Convert(tc.pascal), tc.js) << tc.pascal;
}

TEST(Translate, LogicalSwitchChoosesTheOperators) {
  EXPECT_EQ(Convert("{.L}not a and b or c"), "! a && b || c");
}

TEST(Translate, ExitDependsOnTheRoutineKind) {
  ExpectAll({
      {"function F: Integer; begin Exit(0) end;",
       "function F()  {\r\nlet Result;\r\nreturn Result(0) return Result;//\r\n};"},
      {"procedure P; begin exit; end;", "function P()  {\r\nreturn; };"},
      {"exit;", "return Result;"},
  });
}

// A double-byte character is copied whole: a trail byte that is a letter, a brace or a bracket is
// never split off, folded, or read as a name or a sign; inside a word it belongs to the word.
TEST(Translate, DoubleByteCharactersAreNeverSplit) {
  const struct {
    const char* pascal;
    const char* js;
  } cases[] = {
      {"\x81[x]\x83\x41", "\x81[x]\x83\x41"},                  // [x] and ア
      {"\x83\x57\x8E\x77", "\x83\x57\x8E\x77"},              // ジ指: no W folded onto w
      {"var a\x83\x41" "b;", " var a\x83\x41" "b;"},             // var aアb;
      {"var a\x87\x40" "b;", " var a\x87\x40" "b;"},             // var a①b;
      {"y := X\x83\x41 + x\x83\x61 + x\x83\x41;",                 // Xア, xダ: two names
       "y = X\x83\x41 + x\x83\x61 + X\x83\x41;"},
      {"type \x96\x7B" "x}", "/*type*/ \x96\x7B}"},              // 本: its trail is "{"
      {"\x81", "\x81"},                                           // a lead byte at the end
  };
  for (const auto& tc : cases) EXPECT_EQ(Convert(tc.pascal), tc.js) << tc.pascal;
  EXPECT_EQ(ConvertAndDump("\x81[x]\x83\x41").Names, "x:R\n");  // "x" only
}

// A run ends after the word its stop set marks, in any letter case.
TEST(Translate, StopWordsInAnyLetterCase) {
  ExpectAll({
      {"if x > 1 Then y", "if( x > 1 ) y"},
      {"for i := 1 DownTo 0 DO y", "for(i = 1 ;i>= 0 ;i-- ) y"},
      {"case x Of 1: y End", "switch( x ){/* case */ case 1: y ;break; }/*switch(case) end*/ "},
      {"try x Except On E: T Do y; Else z End",
       "try {/* */ x } catch(e){/* on は自前で修正してね　*/)  if (e instanceof /* E :★要修正*/): T"
       " ) { y; } else {  z } ; /*except End */}"},
      {"try x FINALLY y End", "try {/* */ x } finally { y /*finally End */}"},
      {"repeat x Until y", "do{ /*repeat*/  x }while (!(y))/*untilはtrueで終了*/"},
      {"Begin x End", "{ x }"},
      {"procedure P; Begin x End;", "function P()  {\r\nx };"},
  });
}

// The conversion ends at a zero byte and says how far it read.
TEST(Translate, TheConversionEndsAtAZeroByte) {
  const std::string source("a b\0c", 5);
  std::string out = "kept ";
  TOutputSink sink(out);
  EXPECT_EQ(ConvertPascal(source, {}, sink, nullptr), 3u);
  EXPECT_EQ(out, "kept a b");
}

TEST(Translate, DebugMarksCarryTheLevelAndDepth) {
  EXPECT_EQ(Convert("", {.DebugTags = true}), "/*<Exec,1>*/");
  EXPECT_EQ(Convert("f(a[1])", {.DebugTags = true}),
            "/*<Exec,1>*/f(/*<Kakko,2>*/a[/*<Hairetu,3>*/1])");
  // The console echo shows the marks whether or not they go into the output.
  testing::TEchoPieces echo;
  EXPECT_EQ(Convert("f(a)", {.DebugConsole = true}, &echo), "f(a)");
  EXPECT_EQ(echo.FPieces, (std::vector<std::string>{"/*<Exec,1>*/", "f", "(", "/*<Kakko,2>*/",
                                                    "a", ")"}));
}

TEST(Translate, DeepNestingEndsWithAnErrorInsteadOfCrashing) {
  for (const char* open : {"(", "[", "begin "}) {
    std::string text;
    for (int i = 0; i < 1000000; ++i) text += open;
    try {
      Convert(text);
      ADD_FAILURE() << "no error for " << open;
    } catch (const scan::EAbort& e) {
      EXPECT_NE(std::string(e.what()).find("入れ子が深すぎます"), std::string::npos);
    }
  }
  // Every rule that runs the loop again counts towards the same limit.
  for (const char* open : {"if a then ", "while a do ", "for i := 1 to 2 do ", "repeat ",
                           "case x of 1: ", "try ", "with a do ", "f(", "x := [", "Inc(i, ",
                           "SetLength(a, ", "{.o}f(", "function F: Integer; begin ",
                           "procedure P; var x: Integer; begin if a then begin "}) {
    std::string text;
    for (int i = 0; i < 200000; ++i) text += open;
    EXPECT_THROW(Convert(text), scan::EAbort) << open;
  }
  // Nesting as deep as real sources reach still converts.
  std::string text(2000, '(');
  EXPECT_EQ(Convert(text).size(), 4000u);
}

TEST(Translate, NoZeroByteReachesTheOutput) {
  const std::string out = Convert("x := 'abc");
  EXPECT_EQ(out, "x = \"abc\"");
  EXPECT_EQ(out.find('\0'), std::string::npos);
}

}  // namespace
}  // namespace pas2js
