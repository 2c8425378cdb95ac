// Declarations, members, assignments and uses of names.
#include <gtest/gtest.h>

#include <string>

#include "pas2js/TestConverter.h"

namespace pas2js {
namespace {

using testing::TTestConverter;

TEST(Declarations, GlobalVariablesAndConstants) {
  const struct {
    const char* pascal;
    const char* js;
  } cases[] = {
      {"var\r\n  a, b: Integer;", "\r\n  var a ; var b ;"},
      {"const\r\n  Max = 10;", "\r\n  const Max= 10;"},
      {"const\r\n  Max: Integer = 10;", "\r\n  const Max= 10;"},
      {"var x: Integer = 5;", " var x = 5;"},
      {"var x = 5;", " var x = 5;"},
      {"var\r\n  a,\r\n  b : Integer;\r\n  c: string;",
       "\r\n  var a\r\n  ; var b  ;\r\n  var c ;"},
      // The section holds until another section word: later statements are declarations too.
      {"var x: Integer;\r\nx := 1;", " var x ;\r\nvar x = 1;"},
      {"var a", " var a"},
  };
  for (const auto& tc : cases) {
    TTestConverter c;
    EXPECT_EQ(c.Convert(tc.pascal), tc.js) << tc.pascal;
  }
}

TEST(Declarations, GlobalBooleanIsMarked) {
  TTestConverter c;
  c.Convert("var a, b: Boolean;");
  EXPECT_NE(c.FlagsOf("a") & lfBoolean, 0);
  EXPECT_NE(c.FlagsOf("b") & lfBoolean, 0);
}

// A routine's declaration part, then its body (as Routine leaves the switches for each).
struct TRoutineCase {
  const char* decls;
  const char* declsJs;
  const char* body;
  const char* bodyJs;
};

std::string DeclsThenBody(TTestConverter& c, const char* decls, const char* body) {
  c.FInRoutine = true;
  c.FDeclKind = 3;
  std::string out = c.Run(decls) + "|";
  c.FInRoutine = false;
  c.FDeclKind = 3;
  c.ShiftBlockLevel(+1);
  out += c.Run(body);
  c.ShiftBlockLevel(-1);
  return out;
}

TEST(Declarations, RoutineVariablesAreDeclaredAtTheirFirstAssignment) {
  const TRoutineCase cases[] = {
      {"var\r\n  i: Integer;\r\n", " ", "i := 0; i := i + 1;", "let i = 0; i = i + 1;"},
      {"var\r\n  {.v} i: Integer;\r\n", " var i; ", "i := 0;", "i = 0;"},
      {"var\r\n  a, b { two }: Integer; // gone\r\n", "/* two */ // gone\r\n", "b := 1; a := b;",
       "let b = 1; let a = b;"},
      // A use before the first assignment takes the pending mark away.
      {"var\r\n  i: Integer;\r\n", " ", "x := i; i := 1;", "x = i; i = 1;"},
      {"var\r\n  a, {.v} b, c: Integer;\r\n", "var b;var c; ", "a := 1; b := 2;",
       "let a = 1; b = 2;"},
      {"const\r\n  K = 3;\r\n", "\r\n  const K= 3;\r\n", "x := K;", "x = K;"},
      {"var\r\n  A: array of Integer;\r\n", " ", "SetLength(a, 10);",
       "let A;A.length =  10;"},
  };
  for (const TRoutineCase& tc : cases) {
    TTestConverter c;
    EXPECT_EQ(DeclsThenBody(c, tc.decls, tc.body), std::string(tc.declsJs) + "|" + tc.bodyJs)
        << tc.decls << tc.body;
  }
}

TEST(Declarations, LocalBooleanAndConstFlags) {
  TTestConverter c;
  DeclsThenBody(c, "var\r\n  f, g: bool;\r\nconst\r\n  k = 1;", "");
  EXPECT_EQ(c.FlagsOf("f"), lfRegistered | lfLocal | lfLetPending | lfBoolean);
  EXPECT_EQ(c.FlagsOf("k"), lfRegistered | lfLocal | lfConst);
}

TEST(Declarations, MembersOfTheCurrentType) {
  const struct {
    const char* pascal;
    const char* js;
  } cases[] = {
      {"Count := Count + 1;", "this.Count = this.Count + 1;"},
      {"items.Clear", "this.Items.Clear"},
      {"Self.Count := 0;", "this.Count = 0;"},  // never this.this.Count
      {"List.Count", "List.Count"},
      {"a. Count", "a. this.Count"},
      {"Other := 1;", "Other = 1;"},
  };
  for (const auto& tc : cases) {
    TTestConverter c;
    c.FDeclKind = 3;
    c.FCurType = {"TCounter", {{"Count", 1}, {"Items", 1}, {"Done", 1 | lfBoolean}}};
    EXPECT_EQ(c.Run(tc.pascal), tc.js) << tc.pascal;
  }
  TTestConverter c;
  c.FDeclKind = 3;
  c.FCurType = {"TCounter", {{"Done", 1 | lfBoolean}}};
  c.Run("Done");
  EXPECT_TRUE(c.FLogical);
  c.Run("x");
  EXPECT_TRUE(c.FLogical);  // a first use leaves it alone
  c.Run("x");
  EXPECT_FALSE(c.FLogical);  // a later use sets it from the flags passed (none)
}

TEST(Declarations, ResultAssignmentsInTheTrialOfAFunctionBody) {
  TTestConverter c;
  c.FDeclKind = 3;
  c.FResultState = 0;
  c.FResultDepth = 1;  // the runs below are the body's own level
  EXPECT_EQ(c.Run("Result := a + b;"), "");
  EXPECT_EQ(c.FResultInit, " a + b");
  EXPECT_EQ(c.FResultState, 1);
  EXPECT_EQ(c.Run("result := 2;"), "result = 2;");
  EXPECT_EQ(c.FResultState, 2);
  c.FResultState = -2;
  EXPECT_EQ(c.Run("Result := 1;"), "Result = 1;");

  // Inside a nested run (a statement's branch) it cannot be the single result.
  c.FResultState = 0;
  EXPECT_EQ(c.Run("(Result := 1)"), "(Result = 1)");
  EXPECT_EQ(c.FResultState, 2);
}

TEST(Declarations, NamesAndAssignments) {
  const struct {
    const char* pascal;
    const char* js;
  } cases[] = {
      {"Form1.Caption := s;", "Form1.Caption = s;"},
      {"a . b", "a. b"},
      {"Count := 1; COUNT := 2; y := count", "Count = 1; COUNT = 2; y = count"},
      {"x := 1; y := X", "x = 1; y = X"},  // targets are not registered
      {"Count; COUNT", "Count; Count"},
  };
  for (const auto& tc : cases) {
    TTestConverter c;
    EXPECT_EQ(c.Convert(tc.pascal), tc.js) << tc.pascal;
  }
}

}  // namespace
}  // namespace pas2js
