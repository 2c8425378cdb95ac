// Captures and output routing, members and types.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pas2js/TestConverter.h"

namespace pas2js {
namespace {

using testing::TTestConverter;

TEST(Names, FindMember) {
  TuPas2JavaSc c;
  c.FCurType = {"T", {{"Items", 1}, {"Flag", 1}, {"FLAG", 1 | lfBoolean}}};
  std::string name = "flag";
  EXPECT_TRUE(c.FindMember(name));
  EXPECT_EQ(name, "FLAG");  // the last match counts
  EXPECT_TRUE(c.FLogical);
  name = "Other";
  EXPECT_FALSE(c.FindMember(name));
  EXPECT_EQ(name, "Other");
}

TEST(Names, StartsWithTextAndTypes) {
  EXPECT_TRUE(TuPas2JavaSc::StartsWithText("Boolean", "bool"));
  EXPECT_TRUE(TuPas2JavaSc::StartsWithText("x", ""));
  EXPECT_FALSE(TuPas2JavaSc::StartsWithText("bo", "bool"));
  TuPas2JavaSc c;
  c.AppendType({"TPoint", {}});
  c.AppendType({"TPOINT", {{"X", 1}}});
  EXPECT_EQ(c.FindType("tpoint"), 0);  // the first of a name
  EXPECT_EQ(c.FindType("TOther"), -1);
}

// ---- Output routing ----------------------------------------------------------------------------

TEST(Output, CaptureReturnsItsTextAndNests) {
  TTestConverter c;
  std::string source = "a, b; c";
  const char* p = source.c_str();
  c.FTextStart = p;
  c.FTextEnd = p + source.size();

  // An outer hold (as Loop holds) with an inner Capture in the middle.
  TuPas2JavaSc::THold outer;
  c.HoldOutput(outer, false);
  c.Write("<outer>");
  std::string inner;
  c.Capture(p, StopSet({','}), "x", inner);
  c.Write("<more>");
  std::string buffer;
  c.TakeHeld(outer, buffer);

  EXPECT_EQ(inner, "a");
  EXPECT_EQ(buffer, "<outer><more>");
  EXPECT_EQ(*p, ',');
  EXPECT_EQ(c.FOutText, "");
}

TEST(Output, CaptureWritesNoDebugMarksAndRestoresTheOption) {
  TTestConverter c;
  c.FDebugTags = true;
  std::string source = "(x)";
  const char* p = source.c_str();
  c.FTextStart = p;
  std::string r;
  c.Capture(p, StopSet({}), "cap", r);
  EXPECT_EQ(r, "(x)");
  EXPECT_TRUE(c.FDebugTags);
}

TEST(Output, CaptureLogicalLeavesLogicalSet) {
  TTestConverter c;
  std::string source = "a and b";
  const char* p = source.c_str();
  c.FTextStart = p;
  std::string r;
  c.CaptureLogical(p, StopSet({}), "if", r);
  EXPECT_EQ(r, "a && b");
  EXPECT_TRUE(c.FLogical);
}

TEST(Output, ParensAndBrackets) {
  struct {
    const char* pascal;
    const char* js;
  } cases[] = {
      {"(a", "(a)"},            // ")" is written even when missing
      {"(a)b", "(a)b"},
      {"[1, 2]", "[1, 2]"},
      {"[1", "[1"},             // brackets only copy what is there
      {"f((a), [b])", "f((a), [b])"},
  };
  for (const auto& tc : cases) {
    TTestConverter c;
    EXPECT_EQ(c.Convert(tc.pascal), tc.js) << tc.pascal;
  }
  TTestConverter c;
  std::string source = "a)b";
  const char* p = source.c_str();
  c.FTextStart = p;
  c.Parens(p, false);
  EXPECT_EQ(c.FOutText, "a");
  EXPECT_EQ(*p, 'b');
}

TEST(Output, EmitWithoutReceiverWritesNothingAndCopyCharStopsAtTheEnd) {
  TuPas2JavaSc c;
  c.Emit("lost");  // no receiver: nothing happens
  TTestConverter t;
  const char* p = "";
  t.CopyChar(p);
  EXPECT_EQ(t.FPieces, 0);
}

}  // namespace
}  // namespace pas2js
