// Type sections and routines: Pascal text in, exact JavaScript out, plus the state they leave.
#include <gtest/gtest.h>

#include <string>

#include "pas2js/TestConverter.h"
#include "scan/Exceptions.h"

namespace pas2js {
namespace {

using testing::Convert;
using testing::ExpectAll;
using testing::TCase;
using testing::ConvertAndDump;

TEST(TypeSection, OtherTypesBecomeComments) {
  ExpectAll({
      {"type\r\nTColor = (Red, Green);\r\n", "/*type*/\r\n  /*TColor=(Red, Green)*/\r\n"},
      {"type\r\nTSmall = set of (A, B);\r\n",
       "/*type*/\r\n  /* set of*/  const TSmall={A:false, B:false};\r\n"},
      {"type\r\nTProc = procedure(X: Integer) of object;\r\n",
       "/*type*/\r\n  /*TProc=procedure(X: Integer) of object;*/\r\n"},
      {"type\r\nTFwd = class;\r\n", "/*type*/\r\n  /*TFwd=class*/\r\n"},
      // A set over a named type: the type's name is dropped.
      {"type TS = set of TColor;", "/*type*/   /* set of*/  ;"},
      // A name without "=" is dropped.
      {"type X ;", "/*type*/  ;"},
  });
}

TEST(TypeSection, RecordsAndClasses) {
  ExpectAll({
      {"type\r\n  TCounter = class\r\n    FCount: Integer;\r\n    procedure Inc;\r\n  end;\r\n",
       "/*type*/\r\n    function TCounter(){this.FCount =0 /*Integer*/;\r\n    "
       "/*◆function Inc;◆*/\r\n   return this;};\r\n"},
      // Starting values by type; only the name before ":" gets one.
      {"type R = record X, Y: Integer; S: string; D: Double; A: array of Byte; B: Boolean; end;",
       "/*type*/   function R(){this.X, this.Y =0 /*Integer*/; this.S =\"\" /*string*/; "
       "this.D =0 /*Double*/; this.A =[] /*array of Byte*/; this.B /*Boolean*/;  return this;};"},
      // The parent list and the visibility words become comments; other words are fields.
      {"type TB = class(TA) private F: TObject; published G: Integer; end;",
       "/*type*/   /*TA*/function TB(){ /*private*/ this.F /*TObject*/; this.published "
       "this.G =0 /*Integer*/;  return this;};"},
  });
}

TEST(TypeSection, EndsAtRoutinesAndSections) {
  ExpectAll({
      {"type T = Integer; var x: T;", "/*type*/   /*T=Integer*/  var x ;"},
      {"type T = Integer; const K = 1;", "/*type*/   /*T=Integer*/  const K= 1;"},
      // Cut off inside the section: it stays the declaration section.
      {"type R = record A: Integer;", "/*type*/   function R(){this.A =0 /*Integer*/;"},
  });
  // No `end`: the record is not remembered.
  EXPECT_EQ(ConvertAndDump("type R = record A: Integer;").Names, "");
  EXPECT_EQ(ConvertAndDump("type R = record A: Integer; end;").Names, "type R = A:R\n");
}

TEST(Routine, WorkedExamples) {
  ExpectAll({
      {"function Twice(x: Integer): Integer;\r\nbegin\r\n  Result := x * 2;\r\nend;",
       "function Twice(x)  {\r\n\r\n  \r\nreturn  x * 2;\r\n};"},
      {"function Max(a, b: Integer): Integer;\r\nbegin\r\n  if a > b then Result := a else "
       "Result := b;\r\nend;",
       "function Max(a, b)  {\r\nlet Result;\r\nif( a > b ) Result = a else Result = b;\r\n"
       "return Result;//\r\n};"},
      {"type\r\n  TCounter = class\r\n    FCount: Integer;\r\n    procedure Inc;\r\n  end;\r\n\r\n"
       "procedure TCounter.Inc;\r\nbegin\r\n  FCount := FCount + 1;\r\nend;",
       "/*type*/\r\n    function TCounter(){this.FCount =0 /*Integer*/;\r\n    "
       "/*◆function Inc;◆*/\r\n   return this;};\r\n\r\nTCounter.prototype.Inc=function ()  {\r\n"
       "this.FCount = this.FCount + 1;\r\n};"},
  });
}

TEST(Routine, HeadingsAndParameters) {
  ExpectAll({
      // Modifiers dropped (the blanks behind them stay), every separator a comma, types and
      // defaults gone.
      {"procedure P(var a: Integer; const b, c: string; out d: Real = 1); begin end;",
       "function P( a,  b, c,  d)  {\r\n};"},
      // A character where no name can stand is passed on.
      {"procedure P(a & b); begin end;", "function P( a& b)  {\r\n};"},
      // A heading without body at the end of the text.
      {"procedure P;", "function P()  {\r\n"},
      {"procedure P(a", "function P(a"},
      // A constructor returns this; exit in a procedure is a plain return.
      {"constructor TX.Create; begin exit; end;",
       "TX.prototype.Create=function ()  {\r\nreturn; return this;//\r\n};"},
  });
}

TEST(Routine, ResultForms) {
  ExpectAll({
      // Result assigned inside a statement: the general form.
      {"function F: Integer; begin if a then Result := 1; end;",
       "function F()  {\r\nlet Result;\r\nif( a ) Result = 1; return Result;//\r\n};"},
      // exit in a function returns Result, and rules out the single form.
      {"function F: Integer; begin Result := 1; exit; end;",
       "function F()  {\r\nlet Result;\r\nResult = 1; return Result; return Result;//\r\n};"},
      // A single Result without ";" before `end`.
      {"function F: Integer; begin Result := 1 end; x := 2;",
       "function F()  {\r\n  return  1;\r\n}; x = 2;"},
  });
}

TEST(Routine, AFailedTrialLeavesNoTrace) {
  // The trial declares i at its first assignment; the general form must declare it again.
  EXPECT_EQ(Convert("function F: Integer;\r\nvar i: Integer;\r\nbegin\r\n  i := 1;\r\n  Result := i;\r\n"
                    "  Result := 2;\r\nend;"),
            "function F()  {\r\n let Result;\r\nlet i = 1;\r\n  Result = i;\r\n  Result = 2;\r\n"
            "return Result;//\r\n};");
  EXPECT_EQ(Convert("function F: Integer;\r\nvar i: Integer;\r\nbegin\r\n  i := 1;\r\n  Result := i;\r\n"
                    "end;"),
            "function F()  {\r\n \r\n  let i = 1;\r\n  \r\nreturn  i;\r\n};");
}

TEST(Routine, ResultTakesTheBooleanMarkOnlyWithoutABlank) {
  // The trial's "a" is undone (an empty entry stays); Result waits at level -1 once the body is
  // closed.
  EXPECT_EQ(ConvertAndDump("function F:Boolean; begin if a then Result := True; end;").Names,
            ":\nResult:RLBP@-1\na:R\n");
  EXPECT_EQ(ConvertAndDump("function F: Boolean; begin if a then Result := True; end;").Names,
            ":\nResult:RLP@-1\na:R\n");
}

TEST(Routine, MethodsOfUndeclaredTypesAndRoutinesInsideDeclarations) {
  ExpectAll({
      // Only the method's own name is a member.
      {"procedure TX.Run; begin Run; Other; end;", "TX.prototype.Run=function ()  {\r\nthis.Run; Other; };"},
      // A type section in a declaration part, then a nested routine.
      {"procedure P; type T = Integer; procedure Q; begin end; begin end;",
       "function P()  {\r\n/*type*/   /*T=Integer*/ function Q()  {\r\n}; };"},
      // A routine translated inside a constant: the declarations are written once, as they came.
      {"procedure P;\r\nconst C = (procedure Q; begin end);\r\nprocedure R; begin end;\r\nbegin end;",
       "function P()  {\r\n const C= (function Q()  {\r\n});\r\nfunction R()  {\r\n};\r\n};"},
      // A function inside a body takes the general form.
      {"procedure P; begin function F: Integer; begin Result := 1; end; end;",
       "function P()  {\r\nfunction F()  {\r\nlet Result;\r\nResult = 1; return Result;//\r\n}; };"},
  });
}

TEST(Routine, NestedRoutinesAndRowsOfHeadings) {
  ExpectAll({
      {"procedure Outer;\r\nvar a: Integer;\r\nprocedure Inner;\r\nbegin\r\nend;\r\nbegin\r\n  a := 1;"
       "\r\nend;",
       // The declarations before a nested routine are written as if they stood outside.
       "function Outer()  {\r\n var a ;\r\nfunction Inner()  {\r\n};\r\na = 1;\r\n};"},
  });
  // A row of many headings without body nests without using up the call stack.
  std::string row;
  for (int i = 0; i < 20000; ++i) row += "procedure P" + std::to_string(i) + ";\r\n";
  row += "procedure Last; begin end;";
  const std::string out = Convert(row);
  EXPECT_EQ(out.substr(0, 16), "function P0()  {");
  EXPECT_NE(out.find("function Last()  {\r\n}"), std::string::npos);
}

TEST(Routine, DebugEndMarks) {
  const std::string out = Convert("procedure P; begin end;", {.DebugTags = true});
  EXPECT_NE(out.find("}/*end P #(1)*/"), std::string::npos) << out;
}

TEST(Routine, MethodFlagsAndBooleanMarks) {
  const auto [out, names] = ConvertAndDump(
      "type T = class F: Integer;\r\nfunction Done: Boolean;\r\nend;\r\n"
      "function T.Done:Boolean; begin Result := F > 0 end;\r\n"
      "function T.Ready:Boolean; begin Result := True end;\r\n"
      "procedure T.Go; begin if Done and Ready then F := 1; end;\r\n");
  // F, Done, and Ready and Go joined when implemented.
  EXPECT_EQ(names.substr(names.find("type ")), "type T = F:R Done:RBM Ready:RBM Go:RM\n");
  EXPECT_EQ(out.substr(out.rfind("T.prototype.Go")),
            "T.prototype.Go=function ()  {\r\nif( this.Done && this.Ready ) this.F = 1; };\r\n");
}

}  // namespace
}  // namespace pas2js
