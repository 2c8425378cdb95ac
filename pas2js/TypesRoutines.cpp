// Type sections and routines. Record and class types become constructor functions that give each
// field a starting value, sets over a list of names become objects, every other type a comment; the
// record and class types are remembered with their members, so that method bodies reach them with
// "this.". Procedures, functions, methods and constructors become JavaScript functions that end
// with the return Pascal leaves implicit.
#include <string>
#include <utility>
#include <vector>

#include "pas2js/Pas2JavaSc.h"

namespace pas2js {

namespace {

using scan::WhiteChars;

constexpr scan::CharSet Semicolon{';'};
constexpr scan::CharSet FieldTypeEnd{',', ';'};

inline bool IsNameStart(char c) { return scan::NameStartChars.Has(c); }

std::string ReadWord(const char*& p) {
  std::string word;
  scan::ReadWhileCharSet(p, scan::WordChars, word);
  return word;
}

bool IsRoutineWord(std::string_view word) {
  return TuPas2JavaSc::SameText(word, "procedure") || TuPas2JavaSc::SameText(word, "function") ||
         TuPas2JavaSc::SameText(word, "constructor");
}

// F: T  ->  this.F =0 /*T*/   (the starting value by the type: 0, "", [] or none)
// Only the name right before the ":" becomes a member: "X, Y: T" gives "this.X, this.Y =0 /*T*/".
void Field(TuPas2JavaSc& c, const std::string& name, TPasRec& type, const char*& p) {
  c.Write("this.");
  c.Write(name);
  c.SkipSpace(p, true);
  if (*p == ',' || *p == ';') {
    c.CopyChar(p);
    return;
  }
  if (*p != ':') return;
  ++p;
  c.SkipSpace(p, true);
  std::string fieldType;
  scan::ReadUntilCharSet(p, FieldTypeEnd, fieldType);
  TLabelD member;
  TuPas2JavaSc::MakeLabel(name, TuPas2JavaSc::StartsWithText(fieldType, "bool") ? lfBoolean : 0,
                          member);
  TuPas2JavaSc::AppendLabel(type.Members, member);
  if (TuPas2JavaSc::StartsWithText(fieldType, "double") ||
      TuPas2JavaSc::StartsWithText(fieldType, "Int")) {
    c.Write("=0 /*" + fieldType + "*/");
  } else if (TuPas2JavaSc::StartsWithText(fieldType, "string")) {
    c.Write("=\"\" /*" + fieldType + "*/");
  } else if (TuPas2JavaSc::StartsWithText(fieldType, "array")) {
    c.Write("=[] /*" + fieldType + "*/");
  } else {
    c.Write("/*" + fieldType + "*/");
  }
}

// record|class (Parent) members end  ->  /*Parent*/function N(){members return this;}
// A method heading becomes the comment  /*◆function Name rest of the line◆*/ .
void RecordType(TuPas2JavaSc& c, const std::string& name, const std::string& kind, const char*& p) {
  std::string text;
  scan::SkipBlanks(p, true);
  if (*p == '(') {
    ++p;
    scan::ReadToSeparator(p, ")", text);
    c.Write("/*" + text + "*/");
  }
  if (*p == ';') {  // a forward declaration
    c.Write("/*" + name + "=" + kind + "*/");
    ++p;
    return;
  }
  TPasRec type;
  type.Name = name;
  c.Write("function " + name + "(){");
  TLabelD member;
  while (*p != '\0') {
    c.SkipSpace(p, true);
    if (!IsNameStart(*p)) {
      c.CopyChar(p);
      continue;
    }
    const std::string word = ReadWord(p);
    if (IsRoutineWord(word)) {
      c.Write("/*◆function");
      scan::ReadWhileCharSet(p, scan::BlankChars, text);
      c.Write(text);
      const std::string method = ReadWord(p);
      TuPas2JavaSc::MakeLabel(method, lfMethod, member);
      TuPas2JavaSc::AppendLabel(type.Members, member);
      c.Write(method);
      scan::ReadUntilCharSet(p, scan::LineEndChars, text);
      c.Write(text);
      c.Write("◆*/");
    } else if (TuPas2JavaSc::SameText(word, "end")) {
      c.Write(" return this;}");
      c.AppendType(type);
      return;
    } else if (TuPas2JavaSc::SameText(word, "private")) {
      c.Write("/*private*/");
    } else if (TuPas2JavaSc::SameText(word, "protected")) {
      c.Write("/*protected*/");
    } else if (TuPas2JavaSc::SameText(word, "public")) {
      c.Write("/*public*/");
    } else {
      Field(c, word, type, p);
    }
  }
}

// set of (A, B)  ->  /* set of*/ const N={A:false, B:false}
void SetType(TuPas2JavaSc& c, const std::string& name, const std::string& kind, const char*& p) {
  std::string text;
  c.Write("/* " + kind);
  scan::ReadWhileCharSet(p, scan::BlankChars, text);
  c.Write(text);
  c.Write(ReadWord(p));
  c.Write("*/ ");
  scan::ReadWhileCharSet(p, WhiteChars, text);
  c.Write(text);
  if (*p != '(') return;  // a set over a named type: the main loop drops the name
  c.Write(c.FDecls.ConstWord + " " + name + "={");
  ++p;
  while (*p != '\0') {
    scan::ReadWhileCharSet(p, WhiteChars, text);
    c.Write(text);
    c.SkipSpace(p, true);
    if (*p == ')') {
      c.Write("}");
      ++p;
      return;
    }
    if (*p == ',') {
      c.Write(",");
      ++p;
    } else if (IsNameStart(*p)) {
      c.Write(ReadWord(p));
      c.Write(":false");
      scan::ReadWhileCharSet(p, WhiteChars, text);
      c.Write(text);
    } else {
      c.CopyChar(p);
      c.Write("<◆?");
    }
  }
}

// The rest of one type declaration behind its name N:  = record|class|set|routine type|other.
void TypeDeclaration(TuPas2JavaSc& c, const std::string& name, const char*& p) {
  std::string text;
  scan::ReadWhileCharSet(p, WhiteChars, text);
  c.Write(text);
  if (*p != '=') return;  // no declaration: the name is dropped
  ++p;
  scan::ReadWhileCharSet(p, scan::BlankChars, text);
  c.Write(text);
  const std::string kind = ReadWord(p);
  if (IsRoutineWord(kind)) {
    scan::ReadUntilCharSet(p, scan::LineEndChars, text);
    c.Write("/*" + name + "=" + kind + text + "*/");
  } else if (TuPas2JavaSc::SameText(kind, "record") || TuPas2JavaSc::SameText(kind, "class")) {
    RecordType(c, name, kind, p);
  } else if (TuPas2JavaSc::SameText(kind, "set")) {
    SetType(c, name, kind, p);
  } else {
    scan::ReadUntilCharSet(p, Semicolon, text);
    c.Write("/*" + name + "=" + kind + text + "*/");
    if (*p == ';') ++p;
  }
}

}  // namespace

// type declarations  ->  /*type*/ declarations   (ends at a routine, `var`, `const` or the end)
void TuPas2JavaSc::TypeSection(const char*& p) {
  FDecls.Kind = TDeclKind::Type;
  Write("/*type*/");
  while (*p != '\0') {
    SkipSpace(p, true);
    if (!IsNameStart(*p)) {
      CopyChar(p);
      continue;
    }
    const char* wordStart = p;
    const std::string word = ReadWord(p);
    if (IsRoutineWord(word)) {
      // The routine word goes back to the run that met `type`, which translates the routine as
      // it would without the section, or ends at the word where that ends it (the declaration
      // part of a routine). Translating it from here, inside that run, would have the routine's
      // declaration capture thrown away and redone with everything that follows.
      FDecls.Kind = TDeclKind::None;
      p = wordStart;
      return;
    }
    if (SameText(word, "var")) {
      FDecls.Kind = TDeclKind::Var;
      return;
    }
    if (SameText(word, "const")) {
      FDecls.Kind = TDeclKind::Const;
      return;
    }
    if (SameText(word, "type")) Write("type");
    TypeDeclaration(*this, word, p);
  }
}

// ---- Routines ------------------------------------------------------------------------------------

namespace {

constexpr TStopSet StopDeclarations = StopSet({smRoutine, smBegin});
constexpr TStopSet StopNestedDeclarations = StopSet({smRoutine, smEnd});
constexpr TStopSet StopBody = StopSet({smEnd});
constexpr scan::CharSet ParamTypeEnd{')', ',', ';'};
constexpr scan::CharSet ResultTypeEnd{'\t', ' ', ';'};

// What a routine keeps from its heading until it ends.
struct TRoutineFrame {
  bool PlainExit0 = false;   // FRoutines.PlainExit as found; put back when the routine ends
  bool IsFunction = false;
  bool IsConstructor = false;
  bool IsMethod = false;
  std::string Name;          // a method's name as its type declares it
  int32_t MethodFlags = 0;   // the method's member flags; Result is registered with them
  int32_t TypeIndex = -1;    // the method's type in FRoutines.Types (-1: not declared)
  int32_t MemberIndex = -1;  // the method among the members of FRoutines.CurType (and of that type)
};

// One more while it lives, also when an error passes through.
struct TCountIn {
  int32_t& Count;
  explicit TCountIn(int32_t& count) : Count(count) { ++Count; }
  ~TCountIn() { --Count; }
};

// FDepth and FRoutines.DepthBias as found, back on every way out.
struct TDepthRestore {
  TuPas2JavaSc& C;
  int32_t Depth;
  int32_t Bias;
  explicit TDepthRestore(TuPas2JavaSc& c) : C(c), Depth(c.FDepth), Bias(c.FRoutines.DepthBias) {}
  ~TDepthRestore() {
    C.FDepth = Depth;
    C.FRoutines.DepthBias = Bias;
  }
};

// T.M: the method M of type T. Its members become FRoutines.CurType; M joins them when it is new.
void FindMethod(TuPas2JavaSc& c, std::string& typeName, TRoutineFrame& f) {
  f.IsMethod = true;
  TLabelD entry;
  const int32_t t = c.FindType(typeName);
  if (t < 0) {
    c.FRoutines.CurType.Name = typeName;
    c.FRoutines.CurType.Members.clear();
    TuPas2JavaSc::MakeLabel(f.Name, lfMethod, entry);
    TuPas2JavaSc::AppendLabel(c.FRoutines.CurType.Members, entry);
    f.MemberIndex = 0;
    return;
  }
  TPasRec& type = c.FRoutines.Types[t];
  typeName = type.Name;
  int32_t m = -1;
  for (size_t i = 0; i < type.Members.size(); ++i) {
    if (TuPas2JavaSc::SameText(type.Members[i].Name, f.Name)) m = static_cast<int32_t>(i);
  }
  if (m >= 0) {
    f.Name = type.Members[m].Name;
  } else {
    TuPas2JavaSc::MakeLabel(f.Name, lfMethod, entry);
    TuPas2JavaSc::AppendLabel(type.Members, entry);
    m = static_cast<int32_t>(type.Members.size()) - 1;
  }
  f.MethodFlags = type.Members[m].Flags;
  f.TypeIndex = t;
  f.MemberIndex = m;
  c.FRoutines.CurType = type;
}

// A routine declared Boolean: its Result, and a method also as a member of its type, here and in
// every later method of that type.
void MarkBooleanRoutine(TuPas2JavaSc& c, TRoutineFrame& f) {
  f.MethodFlags |= lfBoolean;
  if (!f.IsMethod) return;
  if (f.TypeIndex >= 0) c.FRoutines.Types[f.TypeIndex].Members[f.MemberIndex].Flags |= lfBoolean;
  if (f.MemberIndex >= 0 && f.MemberIndex < static_cast<int32_t>(c.FRoutines.CurType.Members.size())) {
    c.FRoutines.CurType.Members[f.MemberIndex].Flags |= lfBoolean;
  }
}

bool IsModifier(std::string_view word) {
  return TuPas2JavaSc::SameText(word, "var") || TuPas2JavaSc::SameText(word, "out") ||
         TuPas2JavaSc::SameText(word, "const");
}

// (var a: T; b, c: T = v)  ->  a, b, c   (names registered as block-scoped; false when the text
// ends inside the list). The cursor stands behind "(".
bool Parameters(TuPas2JavaSc& c, const char*& p) {
  std::string text;
  do {
    const char* start = p;
    c.SkipSpace(p, true);
    if (*p == '\0') return false;
    scan::ReadWhileCharSet(p, scan::BlankChars, text);
    c.Write(text);
    std::string name = ReadWord(p);
    c.SkipSpace(p, true);
    if (IsModifier(name)) {
      scan::ReadWhileCharSet(p, scan::BlankChars, text);
      c.Write(text);
      c.SkipSpace(p, true);
      name = ReadWord(p);
      c.SkipSpace(p, true);
    }
    c.Write(name);
    c.AddLabel(name, lfLocal, false);
    if (*p == ':') {
      ++p;
      scan::ReadUntilCharSet(p, ParamTypeEnd, text);
      c.SkipSpace(p, true);
    }
    if (*p == ',' || *p == ';') {
      c.Write(",");
      ++p;
    } else if (p == start && *p != ')') {
      c.CopyChar(p);  // a character where no name can stand: passed on, so the scan goes on
    }
  } while (*p != ')');
  return true;
}

// The heading behind the routine word: "function N(" or "T.prototype.M=function (", the parameter
// names and ")  {". False when the text ends inside the parameter list.
bool RoutineHeading(TuPas2JavaSc& c, const char*& p, TRoutineFrame& f) {
  ++c.FRoutines.Count;
  c.FStatements.InCase = false;
  c.FStatements.LoopCount = 0;
  f.PlainExit0 = c.FRoutines.PlainExit;
  c.FRoutines.ResultState = -1;
  f.IsFunction = c.FToken == "function";
  f.IsConstructor = c.FToken == "constructor";
  c.FRoutines.PlainExit = !f.IsFunction;
  c.FDecls.InRoutine = true;
  c.FDecls.Kind = TDeclKind::Routine;
  scan::SkipBlanks(p, false);
  const std::string name = ReadWord(p);
  f.Name = name;
  std::string typeName;
  if (*p == '.') {
    typeName = name;
    ++p;
    scan::SkipBlanks(p, false);
    f.Name = ReadWord(p);
    FindMethod(c, typeName, f);
  }
  c.SkipSpace(p, true);
  const bool hasParameters = *p == '(';
  if (hasParameters) ++p;
  if (f.IsMethod) {
    c.Write(typeName + ".prototype." + f.Name + "=function (");
  } else {
    c.Write("function " + name + "(");
  }
  c.SkipSpace(p, true);
  std::string text;
  if (!hasParameters) {
    c.Write(")  {\r\n");
    c.SkipSpace(p, true);
    if (*p == ':') {
      ++p;
      scan::ReadUntilCharSet(p, Semicolon, text);
      if (TuPas2JavaSc::StartsWithText(text, "bool")) MarkBooleanRoutine(c, f);
    }
    if (*p == ';') {
      ++p;
      scan::SkipBlanks(p, true);
    }
    return true;
  }
  if (!Parameters(c, p)) return false;
  ++p;  // ")"
  c.Write(")  {\r\n");
  scan::SkipBlanks(p, true);
  c.SkipSpace(p, true);
  if (*p == ':') {  // the result type is dropped unexamined
    ++p;
    scan::SkipBlanks(p, true);
    scan::ReadUntilCharSet(p, ResultTypeEnd, text);
    scan::SkipBlanks(p, true);
  }
  if (*p == ';') ++p;
  scan::SkipBlanks(p, true);
  return true;
}

void EndMark(TuPas2JavaSc& c, const TRoutineFrame& f) {
  if (c.FDebugTags) c.Write("/*end " + f.Name + " #(" + std::to_string(c.FDepth) + ")*/");
}

void EndRoutine(TuPas2JavaSc& c, const TRoutineFrame& f) {
  c.ShiftBlockLevel(-1);
  if (f.IsMethod) c.FRoutines.CurType.Members.clear();
  c.FRoutines.PlainExit = f.PlainExit0;
  c.FDecls.Kind = TDeclKind::None;
}

// The body of a function translated on trial: when it assigns Result exactly once, at its own
// level, it is written without that assignment and ends with "return" and the value (true).
// Otherwise everything the trial did to the identifier table and the cursor is undone (false).
bool TrialBody(TuPas2JavaSc& c, const char*& p, const TRoutineFrame& f) {
  c.FRoutines.ResultState = 0;
  c.FDecls.InRoutine = false;
  c.FDecls.Kind = TDeclKind::Routine;
  const char* start = p;
  const int32_t mark = c.MarkLabels();
  const int32_t savedResultDepth = c.FRoutines.ResultDepth;
  c.FRoutines.ResultDepth = c.FDepth + 1;  // the depth of the run below
  TuPas2JavaSc::THold hold;
  c.HoldOutput(hold, true);
  {
    TCountIn inBody(c.FRoutines.BodyNesting);
    c.Translate(p, StopBody, "function.Code." + f.Name);
  }
  c.FRoutines.ResultDepth = savedResultDepth;
  if (c.FRoutines.ResultState != 1) {
    c.DropHeld(hold);
    c.RollbackLabels(mark);
    p = start;
    return false;
  }
  c.KeepLabels(mark);
  c.KeepHeld(hold);
  c.Write("return ");
  c.Write(c.FRoutines.ResultInit);
  c.Write(";\r\n}");
  EndMark(c, f);
  EndRoutine(c, f);
  return true;
}

// begin body end  ->  body [return Result;// | return this;//] }
void RoutineBody(TuPas2JavaSc& c, const char*& p, const TRoutineFrame& f) {
  c.ShiftBlockLevel(+1);
  c.FRoutines.PlainExit = !f.IsFunction;
  // A function inside another routine's body (an anonymous one, or one that a body without its
  // `end` ran into) takes the general form: a trial in a trial would double the work at every
  // level.
  if (f.IsFunction && c.FRoutines.BodyNesting == 0 && TrialBody(c, p, f)) return;
  c.FRoutines.ResultState = -1;
  if (f.IsFunction) {
    c.Write(c.FDecls.LetWord);
    c.Write(" Result;\r\n");
  }
  scan::SkipBlanks(p, true);
  if (f.IsFunction) c.AddLabel("Result", f.MethodFlags | lfLocal, false);
  c.FDecls.InRoutine = false;
  c.FDecls.Kind = TDeclKind::Routine;
  {
    TCountIn inBody(c.FRoutines.BodyNesting);
    c.Translate(p, StopBody, "mFunc.Code." + f.Name);
  }
  if (f.IsConstructor) {
    c.Write("return this;//\r\n");
  } else if (f.IsFunction) {
    c.Write("return Result;//\r\n");
  }
  c.Write("}");
  EndMark(c, f);
  EndRoutine(c, f);
}

// The declaration part and the body. True when another routine heading follows before any body
// (a nested routine, or the next heading in a row of headings without body): the cursor then stands
// behind its word, which FToken holds, and this routine goes on once that one has ended.
bool RoutineRest(TuPas2JavaSc& c, const char*& p, const TRoutineFrame& f) {
  for (;;) {
    if (*p == '\0') {
      c.FRoutines.PlainExit = f.PlainExit0;
      return false;
    }
    c.FDecls.InRoutine = true;
    const char* start = p;
    const int64_t routines = c.FRoutines.Count;
    TuPas2JavaSc::THold hold;
    c.HoldOutput(hold, true);
    c.Translate(p, StopDeclarations, "mFunc.def");
    if (!IsRoutineWord(c.FToken)) {
      c.KeepHeld(hold);
      break;
    }
    if (c.FRoutines.Count != routines) {
      // A routine was translated inside these declarations (in a constant's value, say).
      // Translating them again would translate it again, and every routine inside it, doubling
      // the work at each level: they are written as they came out.
      c.KeepHeld(hold);
      return true;
    }
    // The declarations before a nested routine are written as they stand, outside the routine.
    c.DropHeld(hold);
    p = start;
    c.FDecls.InRoutine = false;
    c.Translate(p, StopNestedDeclarations, "mFunc.In." + f.Name);
    if (IsRoutineWord(c.FToken)) return true;
    scan::SkipBlanks(p, true);  // the run ended at an `end` among the declarations
    if (*p == ';') c.CopyChar(p);
  }
  if (c.FToken != "begin") {  // a heading without body
    c.FRoutines.PlainExit = f.PlainExit0;
    return false;
  }
  RoutineBody(c, p, f);
  return false;
}

}  // namespace

// procedure|function|constructor [T.]N(params): R; declarations begin body end
//   ->  function N(params)  {  body  }      (a method: T.prototype.N=function (params)  { ... })
// A heading followed by another heading before any body takes that routine in as a nested one.
// Such rows can be thousands long (the interface part of a unit), so the routines waiting for
// their body are kept on a stack here rather than on the call stack; FDepth still counts them.
void TuPas2JavaSc::Routine(const char*& p) {
  TDepthRestore restore(*this);
  std::vector<TRoutineFrame> waiting;
  TRoutineFrame f;
  bool nested = RoutineHeading(*this, p, f) && RoutineRest(*this, p, f);
  for (;;) {
    if (nested) {
      waiting.push_back(std::move(f));
      f = TRoutineFrame{};
      ++FDepth;  // the nested routine stands inside the run that met its heading
      ++FRoutines.DepthBias;
      nested = RoutineHeading(*this, p, f) && RoutineRest(*this, p, f);
      continue;
    }
    if (waiting.empty()) return;
    --FDepth;
    --FRoutines.DepthBias;
    f = std::move(waiting.back());
    waiting.pop_back();
    scan::SkipBlanks(p, true);
    if (*p == ';') CopyChar(p);
    nested = RoutineRest(*this, p, f);
  }
}

}  // namespace pas2js
