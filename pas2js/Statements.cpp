// Statements: each rule writes the JavaScript frame of one Pascal statement (keywords, parentheses,
// braces, fixed comments) and lets nested runs of the translation loop fill in the pieces between.
// The ";" that ends a statement is never consumed here; the calling run copies it or stops at it.
#include <string>

#include "pas2js/Pas2JavaSc.h"

namespace pas2js {

namespace {

using scan::WordChars;

constexpr TStopSet StopEnd = StopSet({smEnd});
// A single statement: up to its ";", or up to an `end` that closes the enclosing block when the
// source leaves out the ";" before it (the `end` is then given back, see GiveBackEnd).
constexpr TStopSet StopStatement = StopSet({';', smEnd});
constexpr TStopSet StopThen = StopSet({smThen});
constexpr TStopSet StopThenBranch = StopSet({';', smElse, smEnd});
constexpr TStopSet StopDo = StopSet({smDo});
constexpr TStopSet StopTo = StopSet({smTo});
constexpr TStopSet StopUntil = StopSet({smUntil});
constexpr TStopSet StopCaseSelector = StopSet({smEnd, smOf});
constexpr TStopSet StopCaseLabel = StopSet({',', ':', smEnd, smElse});
constexpr TStopSet StopCaseBranch = StopSet({';', smEnd, smElse, smNoBraces});
constexpr TStopSet StopCaseElse = StopSet({';', smEnd, smNoBraces});
constexpr TStopSet StopExcept = StopSet({smExcept});
constexpr TStopSet StopHandlers = StopSet({smEnd, smOn, smElse});
constexpr TStopSet StopColon = StopSet({':'});
constexpr TStopSet StopHandlerClass = StopSet({';', smDo});
constexpr TStopSet StopHandlerElse = StopSet({';', smOn, smElse, smEnd});

constexpr scan::CharSet CloseBrace{'}'};

inline bool IsNameStart(char c) { return scan::NameStartChars.Has(c); }

inline bool LetterIs(const char* p, char lower) {
  return (*p | 0x20) == lower;
}

// Whether the next word behind blanks, line breaks and comments is `end`, or the text ends there.
// Only looks: nothing is consumed or written.
bool EndFollows(const char* p) {
  for (;;) {
    scan::SkipCharSet(p, scan::WhiteChars);
    if (p[0] == '/' && p[1] == '/') {
      scan::SkipUntilCharSet(p, scan::LineBreakChars);
    } else if (p[0] == '{') {
      scan::SkipUntilCharSet(p, CloseBrace);
      if (*p == '}') ++p;
    } else if (p[0] == '(' && p[1] == '*') {
      p += 2;
      while (*p != '\0' && !(p[0] == '*' && p[1] == ')')) scan::StepChar(p);
      if (*p != '\0') p += 2;
    } else {
      break;
    }
  }
  if (*p == '\0') return true;
  return LetterIs(p, 'e') && LetterIs(p + 1, 'n') && LetterIs(p + 2, 'd') && !WordChars.Has(p[3]);
}

// A run that stopped at a bare `end` has consumed it, but that `end` closes the enclosing block:
// the cursor goes back before it, so that the enclosing run stops there itself.
void GiveBackEnd(TuPas2JavaSc& c, const char*& p) {
  if (c.FToken != "end" || c.FTextStart == nullptr || p - c.FTextStart < 3) return;
  if (TuPas2JavaSc::SameText(std::string_view(p - 3, 3), "end")) p -= 3;
}

// A condition, translated logically and written as it comes. The same as capturing it logically
// and writing the text, without the copy: a condition that runs on (no `then`) can be long.
void Condition(TuPas2JavaSc& c, const char*& p, TStopSet stop, std::string_view level) {
  if (c.FDebugConsole) {  // the console echo shows captured text twice: keep it so
    std::string condition;
    c.CaptureLogical(p, stop, level, condition);
    c.Write(condition);
    return;
  }
  c.FLogical = true;
  const bool debugTags = c.FDebugTags;
  c.FDebugTags = false;  // no debug marks inside captured text
  c.Translate(p, stop, level);
  c.FDebugTags = debugTags;
}

enum class TBranchEnd { Semicolon, End, Else, Other };

// The statement of one case branch, with the ";" behind it (dropped after a block without braces).
TBranchEnd CaseBranch(TuPas2JavaSc& c, const char*& p, TStopSet stop) {
  c.FStatements.InCase = true;
  c.FStatements.BlockEnded = false;
  c.Translate(p, stop, "mCase.code");
  c.FStatements.InCase = false;
  if (c.FToken == "end") return TBranchEnd::End;
  if (c.FToken == "else") return TBranchEnd::Else;
  if (c.FStatements.BlockEnded && *p == ';') {
    ++p;
    // The block's ";" ended the statement as well: an else part goes on behind it.
    if (*p != ';') return TBranchEnd::Semicolon;
  }
  if (*p != ';') return TBranchEnd::Other;
  c.CopyChar(p);
  return TBranchEnd::Semicolon;
}

// The closing of a repeat loop for the translated condition of its `until`.
std::string UntilClosing(const std::string& condition) {
  const char* c = condition.c_str();
  scan::SkipBlanksAndComments(c, scan::WhiteChars);
  std::string_view text(c);
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  if (TuPas2JavaSc::SameText(text, "true")) text = "!false";
  if (TuPas2JavaSc::SameText(text, "false")) text = "!true";
  if (!text.empty() && text.front() == '!') {
    return "}while (" + std::string(text.substr(1)) + ")";
  }
  return "}while (!(" + std::string(text) + "))/*untilはtrueで終了*/";
}

// UntilClosing in place: the translated condition, held from `mark` to the end of the buffer,
// becomes the closing. A condition that runs on (no ";") can be most of the text; building the
// closing as a new string would take two more copies of it.
void CloseUntilInPlace(std::string& buffer, size_t mark) {
  const char* c = buffer.c_str() + mark;
  scan::SkipBlanksAndComments(c, scan::WhiteChars);
  std::string_view text(c);
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  if (TuPas2JavaSc::SameText(text, "true") || TuPas2JavaSc::SameText(text, "false")) {
    buffer.replace(mark, std::string::npos, UntilClosing(std::string(text)));
    return;
  }
  const size_t from = static_cast<size_t>(text.data() - buffer.data());
  const bool negated = !text.empty() && text.front() == '!';
  buffer.erase(from + text.size());
  if (negated) {
    buffer.replace(mark, from + 1 - mark, "}while (");
    buffer.append(")");
  } else {
    buffer.replace(mark, from - mark, "}while (!(");
    buffer.append("))/*untilはtrueで終了*/");
  }
}

}  // namespace

// begin statements end  ->  { statements }   (nothing around them in a case branch)
void TuPas2JavaSc::Block(const char*& p, bool noBraces) {
  if (!noBraces) {
    Write("{");
    ShiftBlockLevel(+1);
  }
  SkipSpace(p, true);
  Translate(p, StopEnd, "mBlock");
  if (!noBraces) {
    Write("}");
    ShiftBlockLevel(-1);
  } else {
    SkipSpace(p, true);
    FStatements.BlockEnded = true;
  }
}

// A loop statement  ->  [Ln:] loop   (the label only when a labelled break inside needs it)
void TuPas2JavaSc::Loop(const char*& p, TStatementOp statement) {
  const bool savedUsed = FStatements.LabelUsed;
  std::string savedLabel = std::move(FStatements.LoopLabel);
  FStatements.LabelUsed = false;
  ++FStatements.LoopCount;
  FStatements.LoopLabel.assign(1, 'L');
  FStatements.LoopLabel.append(std::to_string(FStatements.LoopCount));
  // Held, so that the label can go in front once the loop has shown whether it needs one.
  THold hold;
  HoldOutput(hold, false);
  (this->*statement)(p);
  if (FStatements.LabelUsed) InsertHeld(hold, FStatements.LoopLabel + ":");
  KeepHeld(hold);
  FStatements.LabelUsed = savedUsed;
  FStatements.LoopLabel = std::move(savedLabel);
}

// break  ->  break   (in a case branch: break Ln, naming the loop around the switch)
void TuPas2JavaSc::BreakStmt() {
  Write("break");
  if (FStatements.InCase) {
    Write(" ");
    Write(FStatements.LoopLabel);
    FStatements.LabelUsed = true;
  }
}

// case x of 1: s1; 2, 3: s2; else s3; s4; end
//   ->  switch( x ){/* case */case 1: s1;break; case 2: case 3: s2;break; default: s3; s4;break; }
void TuPas2JavaSc::CaseStmt(const char*& p) {
  const bool savedInCase = FStatements.InCase;
  const bool savedBlockEnded = FStatements.BlockEnded;
  auto close = [&](std::string_view before) {
    Write(before);
    Write("}/*switch(case) end*/ ");
    FStatements.InCase = savedInCase;
    FStatements.BlockEnded = savedBlockEnded;
  };
  Write("switch(");
  SkipSpace(p, true);
  Translate(p, StopCaseSelector, "mCase.of");
  Write("){/* case */");
  SkipSpace(p, true);
  for (;;) {
    FStatements.InCase = false;
    if (*p == '\0') return;
    bool isElse = false;
    for (;;) {  // the labels of one branch
      SkipSpace(p, true);
      THold label;  // captured: dropped at `end` and `else`
      HoldOutput(label, true);
      Translate(p, StopCaseLabel, "mCase.tag");
      if (FToken == "end" || FToken == "else") {
        DropHeld(label);
        if (FToken == "end") return close("");
        Write("default:");
        isElse = true;
        break;
      }
      InsertHeld(label, "case ");
      KeepHeld(label);
      Write(":");
      const char separator = *p;
      if (separator == ',' || separator == ':') ++p;
      if (separator != ',') break;
    }
    TBranchEnd ended = CaseBranch(*this, p, isElse ? StopCaseElse : StopCaseBranch);
    if (ended == TBranchEnd::Else) {  // "1: s else ...": no ";" before the else part
      Write(";break; default:");
      isElse = true;
      ended = CaseBranch(*this, p, StopCaseElse);
    }
    // The else part runs up to the `end` of the case, however many statements it holds.
    while (isElse && ended == TBranchEnd::Semicolon && !EndFollows(p)) {
      ended = CaseBranch(*this, p, StopCaseElse);
    }
    if (ended == TBranchEnd::End) return close(";break; ");
    Write("break; ");
    if (*p == '\0') return;
  }
}

// try s1 except on E: X do s2; else s3 end
//   ->  try {/* */ s1 } catch(e){/* on ... */) if (e instanceof /* E :...*/): X ) { s2;} else { s3} ; ...
// try s1 finally s2 end  ->  try {/* */ s1 } finally { s2/*finally End */}
void TuPas2JavaSc::TryStmt(const char*& p) {
  ShiftBlockLevel(+1);
  Write("try {/* */");
  Translate(p, StopExcept, "mTry.In");
  // At the end of the text FToken is empty, so a cut-off try closes with "/* End */}".
  std::string kind = FToken == "except" || FToken == "finally" ? FToken : std::string();
  if (kind == "except") {
    Write("} catch(e){");
    THold handler;  // captured: a note goes in front of it when `on` handlers follow
    HoldOutput(handler, true);
    Translate(p, StopHandlers, "mTry.catch");
    if (FToken == "end" || *p == '\0') {
      KeepHeld(handler);
      Write("}");
      ShiftBlockLevel(-1);
      return;
    }
    InsertHeld(handler, "/* on は自前で修正してね　*/)");
    KeepHeld(handler);
    while (FToken == "on" && *p != '\0') {
      Write(" if (e instanceof /*");
      Translate(p, StopColon, "mTry.on");
      Write(" :★要修正*/)");
      Translate(p, StopHandlerClass, "mTry.do");
      Write(") {");
      Translate(p, StopStatement, "mTry.doCode");
      GiveBackEnd(*this, p);
      Translate(p, StopHandlers, "mTry.else");
      if (FToken == "on") {
        Write("} else ");
      } else if (FToken == "else") {
        Write("} else { ");
        Translate(p, StopHandlerElse, "mTry.elseCode");
        GiveBackEnd(*this, p);
        Write("} ; ");
        break;
      } else if (FToken == "end") {
        Write("} ; ");
        Write("/* ******" + kind + " End********* */}");
        ShiftBlockLevel(-1);
        return;
      } else {
        break;
      }
    }
  } else {
    Write("} finally {");
  }
  Translate(p, StopEnd, "mTry.finally");
  Write("/*" + kind + " End */}");
  ShiftBlockLevel(-1);
}

// if c then s1 else s2  ->  if( c ) s1 else s2
void TuPas2JavaSc::IfStmt(const char*& p) {
  Write("if(");
  Condition(*this, p, StopThen, "mIF");
  Write(")");
  Translate(p, StopThenBranch, "mIF.then");
  if (FToken == "else") {
    Write("else");
    Translate(p, StopStatement, "mIF.else");
  }
  GiveBackEnd(*this, p);
}

// while c do s  ->  while( c ) s
void TuPas2JavaSc::WhileStmt(const char*& p) {
  Write("while(");
  Condition(*this, p, StopDo, "while");
  Write(")");
  Translate(p, StopStatement, "while.code");
  GiveBackEnd(*this, p);
}

// with r do s  ->  with( r ) s
void TuPas2JavaSc::WithStmt(const char*& p) {
  Write("with(");
  Translate(p, StopDo, "with");
  Write(")");
  Translate(p, StopStatement, "with.code");
  GiveBackEnd(*this, p);
}

// repeat s until c  ->  do{ /*repeat*/ s}while (!(c))/*untilはtrueで終了*/
//   (until not c  ->  }while ( c);  until True  ->  }while (false);  until False  ->  }while (true))
void TuPas2JavaSc::RepeatStmt(const char*& p) {
  Write("do{ /*repeat*/ ");
  std::string blanks;
  scan::ReadWhileCharSet(p, scan::WhiteChars, blanks);
  Write(blanks);
  ShiftBlockLevel(+1);
  Translate(p, StopUntil, "repeat");
  ShiftBlockLevel(-1);
  scan::SkipBlanks(p, true);
  if (FDebugConsole) {  // the console echo shows captured text twice: keep it so
    std::string condition;
    CaptureLogical(p, StopStatement, "until", condition);
    GiveBackEnd(*this, p);
    Write(UntilClosing(condition));
    return;
  }
  // Held like a capture, and turned into the closing where it stands.
  FLogical = true;
  THold hold;
  HoldOutput(hold, true);
  Translate(p, StopStatement, "until");
  GiveBackEnd(*this, p);
  CloseUntilInPlace(FHolds.HeldBuffer(hold), FHolds.HeldStart(hold));
  KeepHeld(hold);
}

// for i := a to b do s  ->  for(i = a ;i<= b ;i++ ) s   (downto: >= and --)
void TuPas2JavaSc::ForStmt(const char*& p) {
  Write("for(");
  scan::SkipBlanks(p, false);
  std::string variable;
  if (IsNameStart(*p)) {
    const char* start = p;
    while (WordChars.Has(*p)) ++p;
    std::string word(start, p);
    // The pending declaration word is asked for before registering, which clears it.
    variable = word;
    const bool pending = TakePendingLet(variable);
    variable = AddLabel(word, lfLocal, false);
    if (pending) {
      Write(FDecls.LetWord);
      Write(" ");
    }
    Write(variable);
  }
  Translate(p, StopTo, "for.to");
  const bool up = FToken == "to";
  Write(";" + variable + (up ? "<=" : ">="));
  Translate(p, StopDo, "for.do");
  Write(";" + variable + (up ? "++ )" : "-- )"));
  ShiftBlockLevel(+1);
  Translate(p, StopStatement, "for.code");
  ShiftBlockLevel(-1);
  GiveBackEnd(*this, p);
}

}  // namespace pas2js
