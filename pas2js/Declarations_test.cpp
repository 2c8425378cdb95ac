// Declarations, members, assignments and uses of names.
#include <gtest/gtest.h>

#include <string>

#include "pas2js/TestConverter.h"

namespace pas2js {
namespace {

using testing::Convert;
using testing::ConvertAndDump;
using testing::ExpectAll;

TEST(Declarations, GlobalVariablesAndConstants) {
  ExpectAll({
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
  });
}

// The identifier table a declaration part leaves: flags as letters (TestConverter.h).
TEST(Declarations, FlagsOfDeclaredNames) {
  const struct {
    const char* pascal;
    const char* names;
  } cases[] = {
      {"var a, b: Boolean; c: Integer;", "a:RB\nb:RB\nc:R\n"},
      {"const K = 1; var x: Bool = True;", "K:RC\nx:RB\n"},
      // A routine's variables wait for their first assignment; its constants are local.
      {"procedure P;\r\nvar\r\n  f, g: bool;\r\nconst\r\n  k = 1;\r\nbegin\r\nend;",
       "f:RLBP\ng:RLBP\nk:RCL\n"},
      {"procedure P;\r\nvar\r\n  {.v} i: Integer;\r\nbegin\r\nend;", "i:RL\n"},
  };
  for (const auto& tc : cases) EXPECT_EQ(ConvertAndDump(tc.pascal).Names, tc.names) << tc.pascal;
}

TEST(Declarations, RoutineVariablesAreDeclaredAtTheirFirstAssignment) {
  ExpectAll({
      {"procedure P;\r\nvar\r\n  i: Integer;\r\nbegin\r\n  i := 0; i := i + 1;\r\nend;",
       "function P()  {\r\n let i = 0; i = i + 1;\r\n};"},
      {"procedure P;\r\nvar\r\n  {.v} i: Integer;\r\nbegin\r\n  i := 0;\r\nend;",
       "function P()  {\r\n var i; i = 0;\r\n};"},
      {"procedure P;\r\nvar\r\n  a, b { two }: Integer; // gone\r\nbegin\r\n  b := 1; a := b;"
       "\r\nend;",
       "function P()  {\r\n/* two */ // gone\r\nlet b = 1; let a = b;\r\n};"},
      // A use before the first assignment takes the pending mark away.
      {"procedure P;\r\nvar\r\n  i: Integer;\r\nbegin\r\n  x := i; i := 1;\r\nend;",
       "function P()  {\r\n x = i; i = 1;\r\n};"},
      {"procedure P;\r\nvar\r\n  a, {.v} b, c: Integer;\r\nbegin\r\n  a := 1; b := 2;\r\nend;",
       "function P()  {\r\nvar b;var c; let a = 1; b = 2;\r\n};"},
      {"procedure P;\r\nconst\r\n  K = 3;\r\nbegin\r\n  x := K;\r\nend;",
       "function P()  {\r\n\r\n  const K= 3;\r\nx = K;\r\n};"},
      {"procedure P;\r\nvar\r\n  A: array of Integer;\r\nbegin\r\n  SetLength(a, 10);\r\nend;",
       "function P()  {\r\n let A;A.length =  10;\r\n};"},
  });
}

// Inside a method, the names of its type's members become "this." members.
TEST(Declarations, MembersOfTheCurrentType) {
  const std::string type =
      "type TCounter = class Count: Integer; Items: TList; Done: Boolean; end;\r\n"
      "procedure TCounter.Run;\r\nbegin\r\n";
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
      // A Boolean member makes and/or/not logical; a name used before makes them bitwise
      // again (from the flags of its use: none), a first use leaves them alone.
      {"if Done then; x := Done and a", "if( this.Done ); x = this.Done && a"},
      {"Done; x; y := a and b", "this.Done; x; y = a && b"},
      {"Done; x; x; y := a and b", "this.Done; x; x; y = a & b"},
  };
  for (const auto& tc : cases) {
    const std::string out = Convert(type + tc.pascal + "\r\nend;");
    const size_t body = out.find("{\r\n", out.find("prototype")) + 3;
    EXPECT_EQ(out.substr(body, out.rfind("\r\n") - body), tc.js) << tc.pascal;
  }
}

// A function body is translated on trial: a single `Result :=` at its own level becomes the
// return value; a second one, one after `exit`, or one inside a statement rules that out.
TEST(Declarations, ResultAssignmentsInTheTrialOfAFunctionBody) {
  ExpectAll({
      {"function F: Integer; begin Result := a + b; end;", "function F()  {\r\n"
       "  return  a + b;\r\n};"},
      {"function F: Integer; begin Result := a + b; result := 2; end;", "function F()  {\r\n"
       "let Result;\r\nResult = a + b; Result = 2; return Result;//\r\n};"},
      {"function F: Integer; begin exit; Result := 1; end;", "function F()  {\r\nlet Result;\r\n"
       "return Result; Result = 1; return Result;//\r\n};"},
      {"function F: Integer; begin (Result := 1) end;", "function F()  {\r\nlet Result;\r\n"
       "(Result = 1) return Result;//\r\n};"},
  });
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
  for (const auto& tc : cases) EXPECT_EQ(Convert(tc.pascal), tc.js) << tc.pascal;
}

}  // namespace
}  // namespace pas2js
