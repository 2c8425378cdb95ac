// Blanks, comments, pragmas and standard routines.
#include <gtest/gtest.h>

#include <string>

#include "pas2js/TestConverter.h"

namespace pas2js {
namespace {

using testing::Convert;

TEST(StdRoutines, RoutinesAndConstants) {
  const struct {
    const char* pascal;
    const char* js;
  } cases[] = {
      {"Sqrt(x)", "Math.sqrt(x)"},
      {"Power(a, b)", "Math.pow(a, b)"},
      {"Ln(x)", "Math.log(x)"},
      {"Max(a, b)", "Math.max(a, b)"},
      {"ArcTan(x) + atan2 (y, x)", "ArcTan(x) + Math.atan2(y, x)"},
      {"Sqr(x)", "２乗sqr(x)"},
      {"Pi * 2", "Math.PI * 2"},
      {"IntToStr(n)", "String(n)"},
      {"FloatToStr (n) + s", "String(n) + s"},
      {"IntToStr + 1", "IntToStr + 1"},
      {"Chr(65)", "Chr(65)"},
      {"Char(65)", "String.fromCharCode(65)"},
      {"c: Char;", "c: Char;"},
      {"Inc(i);", "++i;"},
      {"Dec(i, 2);", "i-= 2;"},
      {"Inc(i, n * 2);", "i+= n * 2;"},
      {"Length(s)", "s.length"},
      {"Length(S) + length(s)", "S.length + S.length"},
      {"n := Length + 1;", "n = Length+ 1;"},  // the blank is lost in the "(" test
      {"max + 3", "max+ 3"},
      {"SetLength(a, 10);", "a.length =  10;"},
      {"Ord('A')", "/*A*/0x41"},
      {"Ord(' ')", "/* */0x20"},
      {"Ord('''')", "/*'*/0x27"},
      {"Ord( 'A' ) + 1", "/*A*/0x41 + 1"},
      {"Ord(c)", "c.codePointAt(0)"},
      {"Ord x", " x"},
  };
  for (const auto& tc : cases) EXPECT_EQ(Convert(tc.pascal), tc.js) << tc.pascal;
}

TEST(StdRoutines, CommentsAndPragmas) {
  const struct {
    const char* pascal;
    const char* js;
  } cases[] = {
      {"{ note }", "/* note */"},
      {"(* note *)", "/* note */"},
      {"// note\r\nx", "// note\r\nx"},
      {"{$R+}", "/*$R+*/"},
      {"{.x}", "/*.x*/"},
      {"(*.x*)", "/*.x*/"},
      {"(* a * b", "/**/ a * b"},  // unterminated: the text is translated as source
      {"(* a (* b (* c", "/**/ a /**/ b /**/ c"},  // later searches know there is no "*)"
      {"(* a (* b *) (* c", "/* a (* b */ /**/ c"},
      {"{ a { b } c }", "/* a { b */ c }"},
      {"{ open", "/* open*/"},
      // A trail byte is no closing character (double-byte characters ending in "}" and "*").
      {"{ 0123456789 \x83} still }x", "/* 0123456789 \x83} still */x"},
      {"(* 0123456789 \x81*) still *)x", "/* 0123456789 \x81*) still */x"},
      {"// 0123456789 \x82\n\nx", "// 0123456789 \x82\n\nx"},
      {"{.J}{console.log(x);}", "console.log(x);"},
      {"(*.J*)(*alert(1)*)", "alert(1)"},
      {"{.a}Src", "Object.assign({},Src)"},
      {"{.o}Add(List, Item)", "List.Add( Item)"},
      {"{.o}Free(Obj); x, y", "Obj); x.Free( y)"},  // one argument: captured to the next ","
      {"{.r}|a < b| + 1", "a < b + 1"},
      {"a{.E} b := 1; {.e} c", "a c"},
      {"a(*.E*) b (*.e*)c", "ac"},
      {"a{.E} b := 1; c", "a"},
      {"{.V}const\r\nX = 1;", "\r\nvar X= 1;"},
      {"{.V}procedure P; var i: Integer; begin i := 1; end;", "function P()  {\r\n var i = 1; };"},
      // Blanks and line comments that a declaration drops still act on block comments and
      // pragmas.
      {"procedure P; var a { kept }, {.L}(* too *)b: Integer; begin x := c and d; end;",
       "function P()  {\r\n/* kept *//* too */ x = c && d; };"},
      {"{.L}a and b{.B} and c", "a && b & c"},
      {"(*.L*)not a", "! a"},
  };
  for (const auto& tc : cases) EXPECT_EQ(Convert(tc.pascal), tc.js) << tc.pascal;
}

}  // namespace
}  // namespace pas2js
