// The translation loop: operators, keywords, stop sets, debug marks and the nesting limit.
#include <gtest/gtest.h>

#include <string>

#include "pas2js/TestConverter.h"
#include "scan/Exceptions.h"

namespace pas2js {
namespace {

using testing::TTestConverter;

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
  for (const TCase& tc : cases) {
    TTestConverter c;
    EXPECT_EQ(c.Convert(tc.pascal), tc.js) << tc.pascal;
  }
}

TEST(Translate, LogicalSwitchChoosesTheOperators) {
  TTestConverter c;
  c.FLogical = true;
  EXPECT_EQ(c.Run("not a and b or c"), "! a && b || c");
}

TEST(Translate, ExitDependsOnTheRoutineKind) {
  TTestConverter c;
  c.FResultState = 0;
  EXPECT_EQ(c.Run("Exit(0)"), "return Result(0)");
  EXPECT_EQ(c.FResultState, -2);
  c.FPlainExit = true;
  EXPECT_EQ(c.Run("exit;"), "return;");
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
  for (const auto& tc : cases) {
    TTestConverter c;
    EXPECT_EQ(c.Convert(tc.pascal), tc.js) << tc.pascal;
  }
  TTestConverter c;
  c.Convert("\x81[x]\x83\x41");
  EXPECT_EQ(c.Labels().Count(), 1);  // "x" only
}

// A run ends at a real character of its set (not consumed) or after a mark's word.
TEST(Translate, StopSetsEndTheRun) {
  struct {
    const char* pascal;
    TStopSet stop;
    const char* js;
    const char* token;
    const char* rest;
  } cases[] = {
      {"a := 1: b", StopSet({':'}), "a = 1", ":", ": b"},
      {"f(a, b), c", StopSet({','}), "f(a, b)", ",", ", c"},
      {"x; y", StopSet({';'}), "x", ";", "; y"},
      {"a] b", StopSet({']'}), "a", "]", "] b"},
      {"a) b", StopSet({')'}), "a", ")", ") b"},
      {"x > 1 Then y", StopSet({smThen}), "x > 1 ", "then", " y"},
      {"x else y", StopSet({smElse}), "x ", "else", " y"},
      {"x do y", StopSet({smDo}), "x ", "do", " y"},
      {"1 DownTo 0", StopSet({smTo}), "1 ", "downto", " 0"},
      {"1 to 0", StopSet({smTo}), "1 ", "to", " 0"},
      {"x finally y", StopSet({smExcept}), "x ", "finally", " y"},
      {"x except y", StopSet({smExcept}), "x ", "except", " y"},
      {"x on y", StopSet({smOn}), "x ", "on", " y"},
      {"x until y", StopSet({smUntil}), "x ", "until", " y"},
      {"x of y", StopSet({smOf}), "x ", "of", " y"},
      {"x end y", StopSet({smEnd}), "x ", "end", " y"},
      {"x begin y", StopSet({smBegin}), "x ", "begin", " y"},
      {"x function y", StopSet({smRoutine}), "x ", "function", " y"},
      {"x", StopSet({}), "x", "", ""},
  };
  for (const auto& tc : cases) {
    TTestConverter c;
    EXPECT_EQ(c.Run(tc.pascal, tc.stop, "t"), tc.js) << tc.pascal;
    EXPECT_EQ(c.FToken, tc.token) << tc.pascal;
    EXPECT_EQ(c.Rest(), tc.rest) << tc.pascal;
    EXPECT_EQ(c.FDepth, 0);
  }
}

TEST(Translate, TheRunStopsAtTheTextEnd) {
  TTestConverter c;
  c.Convert("a b c");  // loads the text; now end it after "a b"
  std::string source = "a b c";
  const char* p = source.c_str();
  c.FTextStart = p;
  c.FTextEnd = p + 3;
  c.FOutText.clear();
  c.Translate(p, StopSet({}), "Exec");
  EXPECT_EQ(c.FOutText, "a b");
}

TEST(Translate, DebugMarksCarryTheLevelAndDepth) {
  TTestConverter c;
  c.FDebugTags = true;
  EXPECT_EQ(c.Convert(""), "/*<Exec,1>*/");
  c.FDebugTags = true;
  EXPECT_EQ(c.Convert("f(a[1])"), "/*<Exec,1>*/f(/*<Kakko,2>*/a[/*<Hairetu,3>*/1])");
}

TEST(Translate, DeepNestingEndsWithAnErrorInsteadOfCrashing) {
  for (const char* open : {"(", "[", "begin "}) {
    std::string text;
    for (int i = 0; i < 1000000; ++i) text += open;
    TTestConverter c;
    try {
      c.Convert(text);
      ADD_FAILURE() << "no error for " << open;
    } catch (const scan::EAbort& e) {
      EXPECT_NE(std::string(e.what()).find("入れ子が深すぎます"), std::string::npos);
    }
    EXPECT_EQ(c.FDepth, 0);
  }
  // Every rule that runs the loop again counts towards the same limit.
  for (const char* open : {"if a then ", "while a do ", "for i := 1 to 2 do ", "repeat ",
                           "case x of 1: ", "try ", "with a do ", "f(", "x := [", "Inc(i, ",
                           "SetLength(a, ", "{.o}f(", "function F: Integer; begin ",
                           "procedure P; var x: Integer; begin if a then begin "}) {
    std::string text;
    for (int i = 0; i < 200000; ++i) text += open;
    TTestConverter c;
    EXPECT_THROW(c.Convert(text), scan::EAbort) << open;
  }
  // Nesting as deep as real sources reach still converts.
  std::string text(2000, '(');
  TTestConverter c;
  EXPECT_EQ(c.Convert(text).size(), 4000u);
}

TEST(Translate, NoZeroByteReachesTheOutput) {
  TTestConverter c;
  const std::string out = c.Convert("x := 'abc");
  EXPECT_EQ(out, "x = \"abc\"");
  EXPECT_EQ(out.find('\0'), std::string::npos);
  EXPECT_EQ(c.FToken, "");
}

TEST(Translate, KeywordTableLookUp) {
  EXPECT_NE(TuPas2JavaSc::FindKeyword("downto"), nullptr);
  EXPECT_EQ(TuPas2JavaSc::FindKeyword("downto")->Mark, smTo);
  EXPECT_EQ(TuPas2JavaSc::FindKeyword("Downto"), nullptr);  // the loop lowers words first
  EXPECT_EQ(TuPas2JavaSc::FindKeyword("shr"), nullptr);
  EXPECT_EQ(TuPas2JavaSc::FindKeyword(""), nullptr);
}

}  // namespace
}  // namespace pas2js
