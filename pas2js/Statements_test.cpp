// Statements: Pascal text in, exact JavaScript out (a whole conversion from a fresh converter).
#include <gtest/gtest.h>

#include <string>

#include "pas2js/TestConverter.h"
#include "scan/Exceptions.h"

namespace pas2js {
namespace {

using testing::Convert;
using testing::ExpectAll;
using testing::TCase;

TEST(Statements, OneLineForms) {
  ExpectAll({
      {"if a > b then x := 1 else x := 2;", "if( a > b ) x = 1 else x = 2;"},
      {"while i < 10 do i := i + 1;", "while( i < 10 ) i = i + 1;"},
      {"for i := 1 to 10 do s := s + i;", "for(i = 1 ;i<= 10 ;i++ ) s = s + i;"},
      {"for i := 10 downto 1 do s := s + i;", "for(i = 10 ;i>= 1 ;i-- ) s = s + i;"},
      {"with p do x := 1;", "with( p ) x = 1;"},
      {"begin x := 1; end;", "{ x = 1; };"},
      // The condition is translated logically, and FLogical stays set afterwards.
      {"if a and not b then x := 1; y := c and d;", "if( a && ! b ) x = 1; y = c && d;"},
      // A for header whose variable is no name.
      {"for {c} i := 1 to 2 do ;", "for(/*c*/ i = 1 ;<= 2 ;++ ) ;"},
      // An else binds to the innermost if.
      {"if a then if b then x := 1 else x := 2;", "if( a ) if( b ) x = 1 else x = 2;"},
  });
}

TEST(Statements, RepeatUntilTidiesTheCondition) {
  ExpectAll({
      {"repeat\r\n  i := i + 1;\r\nuntil i >= 10;",
       "do{ /*repeat*/ \r\n  i = i + 1;\r\n}while (!(i >= 10))/*untilはtrueで終了*/;"},
      {"repeat x := 1; until not Done;", "do{ /*repeat*/  x = 1; }while ( Done);"},
      {"repeat x := 1; until True;", "do{ /*repeat*/  x = 1; }while (false);"},
      {"repeat x := 1; until FALSE;", "do{ /*repeat*/  x = 1; }while (true);"},
      {"repeat x := 1; until {why} Done ;",
       "do{ /*repeat*/  x = 1; }while (!(Done))/*untilはtrueで終了*/;"},
      // Cut off: the frame is still closed, with an empty condition.
      {"repeat x := 1;", "do{ /*repeat*/  x = 1;}while (!())/*untilはtrueで終了*/"},
  });
}

TEST(Statements, CaseStatement) {
  ExpectAll({
      {"case n of\r\n  1: x := 1;\r\n  2, 3: x := 2;\r\nelse\r\n  x := 0;\r\nend;",
       "switch( n ){/* case */\r\n  case 1: x = 1;break; \r\n  case 2: case 3: x = 2;break; "
       "\r\ndefault:\r\n  x = 0;break; \r\n}/*switch(case) end*/ ;"},
      // An empty branch.
      {"case x of 1: ; end", "switch( x ){/* case */ case 1: ;break;  }/*switch(case) end*/ "},
      // A block in a branch has no braces, and the ";" behind it vanishes.
      {"case x of 1: begin a := 1; b := 2; end; end;",
       "switch( x ){/* case */ case 1:  a = 1; b = 2; break;  }/*switch(case) end*/ ;"},
      // Every statement of the else part stays in the default branch.
      {"case x of 1: a := 1; else a := 2; b := 3; end;",
       "switch( x ){/* case */ case 1: a = 1;break;  default: a = 2; b = 3;break;  "
       "}/*switch(case) end*/ ;"},
      // A block that opens the else part: the statements behind it stay in the default branch.
      {"case n of else begin end; z; end", "switch( n ){/* case */ default:   z;break;  }/*switch(case) end*/ "},
      {"case n of 1: a; else begin b; end; c; d; end;",
       "switch( n ){/* case */ case 1: a;break;  default:  b;  c; d;break;  }/*switch(case) end*/ ;"},
      // The last branch without ";" before `end`, and a branch followed by `else` directly.
      {"case x of 1: a := 1 end; b := 2;",
       "switch( x ){/* case */ case 1: a = 1 ;break; }/*switch(case) end*/ ; b = 2;"},
      {"case x of 1: a := 1 else a := 2 end;",
       "switch( x ){/* case */ case 1: a = 1 ;break; default: a = 2 ;break; "
       "}/*switch(case) end*/ ;"},
      // A break in a branch outside any loop names no label.
      {"case x of 1: break; end;", "switch( x ){/* case */ case 1: break ;break;  }/*switch(case) end*/ ;"},
  });
}

TEST(Statements, LoopLabelsOnlyWhenABranchBreaksOut) {
  ExpectAll({
      {"while a do\r\n  case k of\r\n    1: break;\r\n  end;",
       "L1:while( a )\r\n  switch( k ){/* case */\r\n    case 1: break L1;break; \r\n  "
       "}/*switch(case) end*/ ;"},
      // A plain break names nothing; the counter still moves on.
      {"while a do break; while b do case k of 1: break; end;",
       "while( a ) break; L2:while( b ) switch( k ){/* case */ case 1: break L2;break;  "
       "}/*switch(case) end*/ ;"},
      // A labelled loop inside another loop: the label goes right before the inner loop.
      {"while a do begin x := (y); while b do case k of 1: break; end; end;",
       "while( a ) { x = (y); L2:while( b ) switch( k ){/* case */ case 1: break L2;break;  "
       "}/*switch(case) end*/ ; };"},
      // A loop inside a branch: its own label.
      {"for i := 1 to 2 do case k of 1: while c do case j of 2: break; end; end;",
       "for(i = 1 ;i<= 2 ;i++ ) switch( k ){/* case */ case 1: L2:while( c ) switch( j ){/* case "
       "*/ case 2: break L2;break;  }/*switch(case) end*/ ;break;  }/*switch(case) end*/ ;"},
  });
}

TEST(Statements, TryStatement) {
  ExpectAll({
      {"try\r\n  x := 1;\r\nexcept\r\n  on E: Exception do y := 2;\r\nend;",
       "try {/* */\r\n  x = 1;\r\n} catch(e){/* on は自前で修正してね　*/)\r\n   if (e instanceof /* "
       "E :★要修正*/): Exception ) { y = 2;\r\n} ; /* ******except End********* */};"},
      {"try x := 1; finally y := 2; end;", "try {/* */ x = 1; } finally { y = 2; /*finally End */};"},
      {"try x := 1; except y := 2; end;", "try {/* */ x = 1; } catch(e){ y = 2; };"},
      {"try a; except on E: X do b; on F: Y do c; end;",
       "try {/* */ a; } catch(e){/* on は自前で修正してね　*/)  if (e instanceof /* E :★要修正*/): X ) "
       "{ b; } else  if (e instanceof /* F :★要修正*/): Y ) { c; } ; /* ******except End********* */};"},
      {"try a; except on E: X do b; else c; end;",
       "try {/* */ a; } catch(e){/* on は自前で修正してね　*/)  if (e instanceof /* E :★要修正*/): X ) "
       "{ b; } else {  c} ; ; /*except End */};"},
      // Cut off before except or finally: closed like a finally part, with no zero byte.
      {"try x := 1;", "try {/* */ x = 1;} finally {/* End */}"},
  });
}

TEST(Statements, MissingSemicolonBeforeEndClosesTheRightBlock) {
  ExpectAll({
      {"begin if a then x := 1 end; y := 2;", "{ if( a ) x = 1 }; y = 2;"},
      {"begin if a then x := 1 else x := 2 end;", "{ if( a ) x = 1 else x = 2 };"},
      {"begin while a do x := 1 end;", "{ while( a ) x = 1 };"},
      {"begin for i := 1 to 2 do x := 1 end;", "{ for(i = 1 ;i<= 2 ;i++ ) x = 1 };"},
      {"begin with a do x := 1 end;", "{ with( a ) x = 1 };"},
      {"begin repeat x := 1 until x end;", "{ do{ /*repeat*/  x = 1 }while (!(x))/*untilはtrueで終了*/};"},
  });
}

TEST(Statements, BlocksScopeFirstAssignments) {
  // In a routine: a variable first assigned in a block is declared again after the block.
  EXPECT_EQ(Convert("procedure P;\r\nvar i: Integer;\r\nbegin\r\n  if a then begin i := 1; end;\r\n"
                    "  i := 2;\r\nend;"),
            "function P()  {\r\n if( a ) { let i = 1; };\r\n  let i = 2;\r\n};");
  // A for variable pending its declaration gets it in the header.
  EXPECT_EQ(Convert("procedure P;\r\nvar i: Integer;\r\nbegin\r\n  for i := 1 to 2 do ;\r\nend;"),
            "function P()  {\r\n for(let i = 1 ;i<= 2 ;i++ ) ;\r\n};");
}

TEST(Statements, DeepNestingEndsWithAClearError) {
  std::string text;
  for (int i = 0; i < 1000000; ++i) text += "begin ";
  EXPECT_THROW(Convert(text), scan::EAbort);
  std::string ifs;
  for (int i = 0; i < 100000; ++i) ifs += "if a then ";
  EXPECT_THROW(Convert(ifs), scan::EAbort);
  std::string cases;
  for (int i = 0; i < 100000; ++i) cases += "case a of 1: ";
  EXPECT_THROW(Convert(cases), scan::EAbort);
}

}  // namespace
}  // namespace pas2js
