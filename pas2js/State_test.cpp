// Output routing through holds and captures, members and types.
#include <gtest/gtest.h>

#include <string>

#include "pas2js/TestConverter.h"

namespace pas2js {
namespace {

using testing::Convert;
using testing::ExpectAll;

TEST(Names, MembersAndTypes) {
  ExpectAll({
      // The last member of a name counts, with its Boolean mark.
      {"type T = class Flag: Integer; FLAG: Boolean; end;\r\n"
       "procedure T.M; begin if flag and a then; end;",
       "/*type*/   function T(){this.Flag =0 /*Integer*/; this.FLAG /*Boolean*/;  return this;};"
       "\r\nT.prototype.M=function ()  {\r\nif( this.FLAG && a ); };"},
      // The first type of a name (in any letter case) is the one a method belongs to.
      {"type TPoint = class X: Integer; end; TPOINT = class Y: Integer; end;\r\n"
       "procedure tpoint.M; begin X; Y; end;",
       "/*type*/   function TPoint(){this.X =0 /*Integer*/;  return this;};   "
       "function TPOINT(){this.Y =0 /*Integer*/;  return this;};\r\n"
       "TPoint.prototype.M=function ()  {\r\nthis.X; Y; };"},
  });
}

// ---- Output routing ----------------------------------------------------------------------------

// Holds nest: a loop's label goes in front of output that holds a capture or a condition
// rewritten in place; a function body's trial is dropped or kept around them.
TEST(Output, HoldsAndCapturesNest) {
  ExpectAll({
      {"for i := 1 to 2 do case x of 1: {.o}Add(L, x); 2: break; end;",
       "L1:for(i = 1 ;i<= 2 ;i++ ) switch( x ){/* case */ case 1: L.Add( x);break;  "
       "case 2: break L1;break;  }/*switch(case) end*/ ;"},
      {"while a do repeat case x of 1: break; end; until {.o}Has(L, x);",
       "while( a ) L2:do{ /*repeat*/  switch( x ){/* case */ case 1: break L2;break;  "
       "}/*switch(case) end*/ ; }while (!(L.Has( x)))/*untilはtrueで終了*/;"},
      {"function F: Integer; begin while a do case x of 1: break; end; Result := 1; end;",
       "function F()  {\r\n L1:while( a ) switch( x ){/* case */ case 1: break L1;break;  "
       "}/*switch(case) end*/ ;  return  1;\r\n};"},
      {"function F: Integer; begin while a do case x of 1: break; end; Result := 1; "
       "Result := 2; end;",
       "function F()  {\r\nlet Result;\r\nL2:while( a ) switch( x ){/* case */ case 1: break L2;"
       "break;  }/*switch(case) end*/ ; Result = 1; Result = 2; return Result;//\r\n};"},
  });
}

// No debug marks inside captured text; they come back behind it.
TEST(Output, DebugMarksStayOutOfCapturedText) {
  const struct {
    const char* pascal;
    const char* js;
  } cases[] = {
      {"if (a) then x := [1];", "/*<Exec,1>*/if( (a) )/*<mIF.then,2>*/ x = [/*<Hairetu,3>*/1];"},
      {"{.o}Add(f(a), x); y", "/*<Exec,1>*/f(a).Add(/*<Kakko,2>*/ x); y"},
      {"repeat x until (a);",
       "/*<Exec,1>*/do{ /*repeat*/  /*<repeat,2>*/x }while (!((a)))/*untilはtrueで終了*/;"},
  };
  for (const auto& tc : cases) {
    EXPECT_EQ(Convert(tc.pascal, {.DebugTags = true}), tc.js) << tc.pascal;
  }
}

TEST(Output, ParensAndBrackets) {
  ExpectAll({
      {"(a", "(a)"},  // ")" is written even when missing
      {"(a)b", "(a)b"},
      {"[1, 2]", "[1, 2]"},
      {"[1", "[1"},  // brackets only copy what is there
      {"f((a), [b])", "f((a), [b])"},
  });
}

}  // namespace
}  // namespace pas2js
