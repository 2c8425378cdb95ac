// Names: constants and variables being declared, members of the current type, assignments and
// plain uses. Routine variables are declared lazily, at their first assignment.
#include <string>

#include "pas2js/Pas2JavaSc.h"

namespace pas2js {

namespace {

constexpr scan::CharSet DottedWordChars = scan::WordChars + scan::CharSet{'.'};
constexpr scan::CharSet EqualSign{'='};
constexpr scan::CharSet Semicolon{';'};
constexpr scan::CharSet SemicolonOrEqual{';', '='};
constexpr TStopSet StopAtSemicolon = StopSet({';'});
// The first Result := e of a body on trial may stand last, without ";" before the `end`.
constexpr TStopSet StopResultValue = StopSet({';', smEnd});

void AppendName(AString& list, std::string_view name) {
  TLabelD entry;
  TuPas2JavaSc::MakeLabel(name, 0, entry);
  TuPas2JavaSc::AppendLabel(list, entry);
}

}  // namespace

// var  ->  (nothing; in a routine the blanks and line breaks after it vanish too)
void TuPas2JavaSc::VarSection(const char*& p) {
  FDecls.Kind = TDeclKind::Var;
  if (FDecls.InRoutine) scan::SkipBlanks(p, true);
}

void TuPas2JavaSc::Identifier(std::string_view word, const char*& p) {
  const char* wordStart = p - word.size();
  const bool afterDot = FTextStart != nullptr && wordStart > FTextStart && wordStart[-1] == '.';
  std::string name(word);
  const char* look = p;
  scan::SkipBlanks(look, false);
  std::string_view suffix;
  if (*look == '.') {
    suffix = scan::SkipWhileCharSet(look, DottedWordChars);
    name.append(suffix);
    p = look;
    scan::SkipBlanks(look, false);
  }

  if (FDecls.Kind == TDeclKind::Const) return DeclareConst(name, p);
  if (FDecls.Kind == TDeclKind::Var && FDecls.InRoutine) return DeclareLocals(name, p);
  if (FDecls.Kind == TDeclKind::Var) return DeclareGlobals(name, p);
  if (FDecls.Kind == TDeclKind::Routine && !afterDot) {
    // Count -> this.Count ; Items.Clear -> this.Items.Clear (a word right after "." is never one)
    std::string member(word);
    if (FindMember(member)) {
      Write("this.");
      Write(member);
      Write(suffix);
      return;
    }
  }
  if (look[0] != ':' || look[1] != '=') {
    Write(AddLabel(name, 0, true));
    return;
  }
  p = look + 2;
  Assignment(name, p);
}

// Max = 10  ->  const Max= 10   (a type annotation before "=" vanishes)
void TuPas2JavaSc::DeclareConst(const std::string& name, const char*& p) {
  AddLabel(name, FDecls.InRoutine ? lfConst | lfLocal : lfConst, false);
  Write(FDecls.ConstWord);
  Write(" ");
  Write(name);
  scan::SkipUntilCharSet(p, EqualSign);
  if (*p == '=') {
    Write("=");
    ++p;
  }
  // Names in the value are uses, not further constants: read as declarations they would each
  // swallow the text up to the next "=" (a call in the value would eat the next line).
  FDecls.Kind = TDeclKind::None;
  Translate(p, StopAtSemicolon, "LabelSet.Const");
  if (FDecls.Kind == TDeclKind::None) FDecls.Kind = TDeclKind::Const;
}

// A routine's  a, b: Integer;  -> nothing now (or "var a;" after {.v}); "let" comes with the
// first assignment.
void TuPas2JavaSc::DeclareLocals(const std::string& name, const char*& p) {
  AString names;
  auto declare = [this, &names](std::string_view n) {
    if (FDecls.VarStatement) {
      Write("var " + std::string(n) + ";");
      AddLabel(n, lfLocal, false);
    } else {
      AddLabel(n, lfLetPending | lfLocal, false);
    }
    AppendName(names, n);
  };
  SkipSpace(p, false);
  declare(name);
  FDecls.VarStatement = false;
  SkipSpace(p, false);
  while (*p == ',') {
    ++p;
    SkipSpace(p, false);
    declare(scan::SkipWhileCharSet(p, scan::WordChars));
    SkipSpace(p, false);
  }
  if (*p == ':') {
    ++p;
    SkipSpace(p, true);
    if (StartsWithText(scan::SkipUntilCharSet(p, Semicolon), "bool")) MarkBoolean(names);
  }
  FDecls.VarStatement = false;
  if (*p == ';') ++p;
  scan::SkipBlanks(p, true);
}

// Global  a, b: Integer;  ->  var a ; var b ;   and  x: Integer = 5;  ->  var x = 5;
void TuPas2JavaSc::DeclareGlobals(const std::string& name, const char*& p) {
  AString names;
  AddLabel(name, 0, false);
  AppendName(names, name);
  Write("var " + name);
  Write(scan::SkipWhileCharSet(p, scan::WhiteChars));
  while (*p == ',') {
    ++p;
    SkipSpace(p, true);
    std::string_view next = scan::SkipWhileCharSet(p, scan::WordChars);
    AddLabel(next, 0, false);
    AppendName(names, next);
    Write("; var " + std::string(next));
    SkipSpace(p, true);
  }
  if (*p == ':') {
    ++p;
    SkipSpace(p, true);
    // The type ends at "=" too, so an initial value after it survives.
    if (StartsWithText(scan::SkipUntilCharSet(p, SemicolonOrEqual), "bool")) MarkBoolean(names);
  }
  if (*p == '=') {
    CopyChar(p);
    FDecls.Kind = TDeclKind::None;  // names in the initial value are uses (as for constants)
    Translate(p, StopAtSemicolon, "LabelSet.var");
    if (FDecls.Kind == TDeclKind::None) FDecls.Kind = TDeclKind::Var;
  }
}

// x := e  ->  x = e  (or "let x = e" at a pending variable's first assignment). The cursor stands
// behind ":=". In a function body's trial the first  Result := e  at the body's level is kept
// aside instead.
void TuPas2JavaSc::Assignment(const std::string& name, const char*& p) {
  if (FRoutines.ResultState >= 0 && SameText(name, "Result")) {
    // Only an assignment at the body's own level can stand for the whole result; one inside a
    // nested statement (if, loop, block) rules the single form out.
    FRoutines.ResultState += FDepth == FRoutines.ResultDepth ? 1 : 2;
    if (FRoutines.ResultState == 1) {
      std::string init;
      Capture(p, StopResultValue, "Result", init);
      FRoutines.ResultInit = std::move(init);
      if (FToken == "end") {
        // That `end` closes the body: it goes back, with the blanks and line breaks before it
        // (copied unchanged into the value), for the body's run to stop at it.
        p -= 3;
        while (!FRoutines.ResultInit.empty() && scan::WhiteChars.Has(FRoutines.ResultInit.back()) &&
               p > FTextStart && p[-1] == FRoutines.ResultInit.back()) {
          FRoutines.ResultInit.pop_back();
          --p;
        }
      } else if (*p == ';') {
        ++p;
      }
      return;
    }
  }
  std::string target = name;
  if (TakePendingLet(target)) {
    Write(FDecls.LetWord + " " + target + " =");
  } else {
    Write(target + " =");
  }
}

}  // namespace pas2js
