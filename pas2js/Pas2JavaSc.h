#pragma once
// The converter's inside, for its own files only (the rest of the program sees Convert.h): a
// one-pass rewriter that walks a character cursor through Pascal source, copies what no rule
// touches and writes replacements where a rule applies. It builds no syntax tree; a recursive
// translation loop with stop sets follows the source's nesting.
//
// Files by topic: State.cpp (output routing, captures, types, the driver and ConvertPascal),
// Translate.cpp (the
// loop, keyword and operator tables), Literals.cpp, Declarations.cpp, StdRoutines.cpp (blanks,
// comments, pragmas, standard routines), Statements.cpp, TypesRoutines.cpp. The identifier table
// (LabelTable.h) and the output holds (OutputHolds.h) are classes of their own.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pas2js/Convert.h"
#include "pas2js/LabelTable.h"
#include "pas2js/OutputHolds.h"
#include "scan/uAnsiCharTools.h"

namespace pas2js {

// ---- Types ------------------------------------------------------------------------------------

/// A record or class type and its fields and methods.
struct TPasRec {
  std::string Name;
  AString Members;
};
using TAPasRec = std::vector<TPasRec>;

// ---- Stop sets -----------------------------------------------------------------------------------

/// 256 byte values: real characters that end a run before them, and marks for words that end it
/// after them. Always holds the zero byte (which has no effect of its own).
using TStopSet = scan::CharSet;

inline constexpr unsigned char smThen = 255;          // ends after `then`
inline constexpr unsigned char smElse = 254;          // ends after `else`
inline constexpr unsigned char smDo = 253;            // ends after `do`
inline constexpr unsigned char smTo = 252;            // ends after `to` or `downto`
inline constexpr unsigned char smExcept = 251;        // ends after `except` or `finally`
inline constexpr unsigned char smOn = 250;            // ends after `on`
inline constexpr unsigned char smUntil = 249;         // ends after `until`
inline constexpr unsigned char smOf = 248;            // ends after `of`
inline constexpr unsigned char smEnd = '}';           // ends after `end`
inline constexpr unsigned char smBegin = '{';         // ends after `begin`
inline constexpr unsigned char smRoutine = 'f';       // ends after procedure/function/constructor
inline constexpr unsigned char smAfterRoutine = 'F';  // ends after a routine has been translated
inline constexpr unsigned char smNoBraces = 'C';      // a `begin` in this run becomes a block without braces

/// A stop set of the given characters and marks, plus the zero byte.
constexpr TStopSet StopSet(std::initializer_list<unsigned char> members) {
  TStopSet s{0};
  for (unsigned char b : members) s.Add(b);
  return s;
}

// ---- Keyword and operator tables -------------------------------------------------------------------

/// What the translation loop does with a keyword.
enum class TKeywordAction : uint8_t {
  Routine,      // procedure, function, constructor
  Type,         // type
  Var,          // var
  Const,        // const
  Begin,        // begin
  EndWord,      // end
  StopOrWrite,  // then, else, do, to, downto, except, finally, on, until, of: Mark ends, else write
  Try,
  Repeat,
  Case,
  Raise,
  If,
  For,
  While,
  With,
  Break,
  Continue,
  Exit,
  And,
  Or,
  Xor,
  Shl,
  Not,
  Div,
  Mod,
  Self,
  True,
  False,
  Ord,
};

/// One keyword in lower case, its action, and for StopOrWrite the mark and the text written.
struct TKeywordRec {
  std::string_view Word;
  TKeywordAction Action;
  unsigned char Mark;       // the stop-set mark that ends a run at this word (0: none)
  std::string_view Text;    // written when the mark is not in the stop set / the fixed output
};

/// What the translation loop does with the byte at the cursor.
enum class TCharAction : uint8_t {
  Copy,       // CopyChar
  Colon,      // ":=" or ":"
  Equal,      // "="
  Less,       // "<", "<>", "<="
  Greater,    // ">", ">="
  Paren,      // Parens with emit
  Bracket,    // Brackets
  Stopper,    // ")", ",", ";", "]": end the run when in the stop set, else copy
  String,     // "#", "'"
  Number,     // "$", "%", "&", digits
  Word,       // letters, "_"
  End,        // the zero byte
};

/// How deep the translation loop may nest before the conversion ends with an error.
inline constexpr int32_t MaxTranslateDepth = 10000;
/// How much stack the nested runs may take (measured from the outermost run) before the
/// conversion ends with the same error. Real sources nest a few hundred bytes per level; the
/// program's stack must be larger than this (8 MB on Linux; the Windows build reserves 16 MB).
inline constexpr size_t MaxTranslateStack = size_t{6} << 20;

// ---- The rules' state --------------------------------------------------------------------------

/// What a name met in a declaration part declares.
enum class TDeclKind : uint8_t {
  None,     // no declaration: a use or an assignment
  Var,      // a variable (`var`)
  Const,    // a constant (`const`)
  Routine,  // a routine's heading or body: names may be members of the current type
  Type,     // a type (`type`)
};

/// The declaration rules' state (Declarations.cpp; the section words and the routine rules set
/// the kind).
struct TDeclState {
  TDeclKind Kind = TDeclKind::None;
  bool InRoutine = false;     // a routine's declaration part is being translated
  bool VarStatement = false;  // the next routine variable becomes a `var` statement of its own
  std::string ConstWord = "const";  // written before a constant declaration ("var" after {.V})
  std::string LetWord = "let";      // written before a first assignment ("var" after {.V})
};

/// The type and routine rules' state (TypesRoutines.cpp): the types declared, the method being
/// translated, the trial of a function body, and the nesting of routines.
struct TRoutineState {
  struct TCaseFoldHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept;
  };
  struct TCaseFoldEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept {
      return TLabelTable::SameText(a, b);
    }
  };
  using TTypeIndex = std::unordered_map<std::string, int32_t, TCaseFoldHash, TCaseFoldEqual>;

  TAPasRec Types;        // record and class types declared (append with AppendType)
  TTypeIndex TypeIndex;  // type name -> first index in Types
  TPasRec CurType;       // the type of the method being translated
  bool PlainExit = false;     // `exit` writes "return" (not "return Result")
  int32_t ResultState = -1;   // Result counting of a function body's trial (-1 off, -2 after exit)
  std::string ResultInit;     // right-hand side of the first `Result :=`
  int32_t ResultDepth = 0;    // FDepth of the run that translates a function body on trial; only
                              // a `Result :=` met at that depth can be the single result (one
                              // met deeper makes the single form impossible: ResultState += 2)
  int32_t DepthBias = 0;      // levels of FDepth that stand for no recursion: Routine keeps a row
                              // of headings without body on a stack of its own; the depth limit
                              // counts FDepth - DepthBias
  int32_t BodyNesting = 0;    // routine bodies being translated one inside the other
  int64_t Count = 0;          // routine headings met so far
};

/// The statement rules' state (Statements.cpp): the loop around and its label, case branches.
struct TStatementState {
  bool InCase = false;      // inside the branches of a case statement
  bool BlockEnded = false;  // a begin..end block was translated without braces
  int32_t LoopCount = 0;    // loops seen in the routine, for label numbering
  bool LabelUsed = false;   // a labelled break was written inside the current loop
  std::string LoopLabel;    // label of the current loop ("L" + number)
};

// ---- The converter ---------------------------------------------------------------------------------

class TuPas2JavaSc;

/// A statement operation that Loop wraps (RepeatStmt, ForStmt, WhileStmt).
using TStatementOp = void (TuPas2JavaSc::*)(const char*& p);

/// One conversion (ConvertPascal builds one per call). The rules are its operations; those
/// written as helper functions in the rule files reach the state through the public groups.
class TuPas2JavaSc {
 public:
  /// `text` and `sink` as for ConvertPascal; `echo` (may be null) outlives the converter.
  TuPas2JavaSc(std::string_view text, const TConvertOptions& options, TOutputSink& sink,
               platform::TDebugEcho* echo);
  TuPas2JavaSc(const TuPas2JavaSc&) = delete;
  TuPas2JavaSc& operator=(const TuPas2JavaSc&) = delete;

  /// Converts the whole text; returns the bytes read (see ConvertPascal).
  size_t Execute();
  /// The identifier table and the types declared, one line each (see TestConverter.h).
  std::string DumpNames() const;

  // ---- The rules' state, by the rules that own it ----
  TDeclState FDecls;
  TRoutineState FRoutines;
  TStatementState FStatements;
  // The translation loop's own:
  bool FDebugTags;                // debug marks into the output (off while output is captured)
  const bool FDebugConsole;       // echo output and marks to the console
  bool FLogical = false;          // and/or/not are the logical operators
  int32_t FDepth = 0;             // nesting of the translation loop
  std::string FToken;             // the last token: a lower-case word or one character; empty at the end
  const char* const FTextStart;   // first byte of the text (for the byte before a word)
  const char* const FTextEnd;     // the translation loop stops here

  // ---- Output (State.cpp) ----
  /// Collects the text while output is held, else appends it to the sink's text; echoes it when
  /// FDebugConsole.
  void Write(std::string_view text) {
    if (!FHolds.Collecting())
      Emit(text);
    else
      Collect(text);
  }
  /// Writes the character at the cursor and steps over it: a double-byte character whole, so
  /// that its trail byte is never read as a letter of a name or as a sign; nothing at the zero
  /// byte.
  void CopyChar(const char*& p);
  /// Runs the translation loop and returns what it wrote instead of passing it on; no debug marks
  /// inside. Captures nest.
  void Capture(const char*& p, TStopSet stop, std::string_view level, std::string& result);
  /// Output held back for a later decision (see HoldOutput).
  struct THold : TOutputHolds::THold {
    bool DebugTags = false;  // FDebugTags before the hold
  };
  /// From here on output is held back (see TOutputHolds::Hold); with noDebugMarks, FDebugTags is
  /// off meanwhile. Output on its way into the sink's text stays there instead (unless it is
  /// echoed to the console, which then shows it where it always did).
  void HoldOutput(THold& hold, bool noDebugMarks);
  /// Puts the text in front of the held text.
  void InsertHeld(const THold& hold, std::string_view text) { FHolds.InsertFront(hold, text); }
  /// Ends the hold; the held text counts as written before it.
  void KeepHeld(THold& hold) {
    FDebugTags = hold.DebugTags;
    FHolds.Release(hold, OutputProcOf<&TuPas2JavaSc::Write>(this));
  }
  /// Ends the hold; the held text is dropped.
  void DropHeld(THold& hold) {
    FHolds.Drop(hold);
    FDebugTags = hold.DebugTags;
  }
  /// Ends the hold; the held text becomes the result instead of output.
  void TakeHeld(THold& hold, std::string& result) {
    FHolds.Take(hold, result);
    FDebugTags = hold.DebugTags;
  }
  /// The buffer a running hold's text stands in, from HeldStart to its end.
  std::string& HeldBuffer(const THold& hold) { return FHolds.HeldBuffer(hold); }
  size_t HeldStart(const THold& hold) const { return FHolds.HeldStart(hold); }
  /// Sets FLogical (not restored), then Capture.
  void CaptureLogical(const char*& p, TStopSet stop, std::string_view level, std::string& result);
  /// "[" ... "]": copies the brackets that are there and translates between them.
  void Brackets(const char*& p);
  /// "(" ... ")": translates the group; with emit writes "(" (when there) and always ")".
  void Parens(const char*& p, bool emit);
  /// Passes the text to the console echo (kept out of line: output runs for every token, the
  /// echo only with "Debug").
  [[gnu::noinline, gnu::cold]] void EchoToConsole(std::string_view text);

  // ---- Names and types (State.cpp) ----
  /// entry := {name, flags or lfRegistered}.
  static void MakeLabel(std::string_view name, int32_t flags, TLabelD& entry);
  /// Appends a copy of the entry to the list.
  static void AppendLabel(AString& list, const TLabelD& entry);
  /// Appends a type to FRoutines.Types and indexes its name (first one of a name wins in
  /// FindType).
  void AppendType(const TPasRec& entry);
  /// Index in FRoutines.Types of the first type of that name (case-insensitive), or -1.
  int32_t FindType(std::string_view name) const;
  static bool StartsWithText(std::string_view s, std::string_view prefix) {
    return TLabelTable::StartsWithText(s, prefix);
  }
  static bool SameText(std::string_view a, std::string_view b) {
    return TLabelTable::SameText(a, b);
  }
  /// Looks the name up among the current type's members (the last match counts): name := its
  /// spelling, FLogical := its lfBoolean, true. No match: false, nothing changed.
  bool FindMember(std::string& name);

  // ---- Identifier table ----
  /// Registers a name (see TLabelTable::Add); with setLogical, a name registered before sets
  /// FLogical := flags has lfBoolean. Returns the first registered spelling.
  std::string_view AddLabel(std::string_view name, int32_t flags, bool setLogical) {
    bool known;
    const std::string_view spelling = FLabels.Add(name, flags, known);
    if (known && setLogical) FLogical = (flags & lfBoolean) != 0;
    return spelling;
  }
  bool TakePendingLet(std::string& name) { return FLabels.TakePendingLet(name); }
  void MarkBoolean(const AString& names) { FLabels.MarkBoolean(names); }
  /// A block opens (+1) or closes (-1).
  void ShiftBlockLevel(int32_t delta) { FLabels.ShiftBlockLevel(delta); }
  /// A trial translation: its changes to the table are undone or kept (see TLabelTable::Mark).
  int32_t MarkLabels() { return FLabels.Mark(); }
  void RollbackLabels(int32_t mark) { FLabels.Rollback(mark); }
  void KeepLabels(int32_t mark) { FLabels.Keep(mark); }

  // ---- Translation loop (Translate.cpp) ----
  /// Translates from the cursor until the zero byte, FTextEnd or a stop condition of the set.
  /// Raises EAbort when nested deeper than MaxTranslateDepth or MaxTranslateStack.
  void Translate(const char*& p, TStopSet stop, std::string_view level);
  /// A word at the cursor (letter or "_"): FToken := it in lower case; the keyword's action, a
  /// standard routine or Identifier. True when the word ends the run.
  bool Word(const char*& p, TStopSet stop);

  // ---- Declarations (Declarations.cpp) ----
  /// After `var`: the kind becomes Var; in a routine the blanks and line breaks that follow vanish.
  void VarSection(const char*& p);
  /// A word no keyword or standard routine took: a constant or variable being declared, a member
  /// of the current type, an assignment target or a plain use. The cursor stands behind the word.
  void Identifier(std::string_view word, const char*& p);
  /// Identifier's cases: a constant, a routine's variables, global variables, an assignment
  /// (the cursor behind ":=").
  void DeclareConst(const std::string& name, const char*& p);
  void DeclareLocals(const std::string& name, const char*& p);
  void DeclareGlobals(const std::string& name, const char*& p);
  void Assignment(const std::string& name, const char*& p);

  // ---- Blanks, comments, standard routines (StdRoutines.cpp) ----
  /// Passes blanks, line breaks and comments; blanks and line comments are written only with
  /// copy; block comments and pragmas are always processed.
  void SkipSpace(const char*& p, bool copy);
  /// One block comment or pragma at "{" or "(*"; the cursor ends behind it.
  void Comment(const char*& p);
  /// Acts on the pragma letter; the cursor stands behind the pragma ({.X} when brace, else (*.X*)).
  void Pragma(char letter, bool brace, const char*& p);
  /// After the word `ord`.
  void OrdCall(const char*& p);
  /// Inc(...) / Dec(...) with the cursor on "(".
  void IncDec(bool increment, const char*& p);
  /// A standard routine or constant; false when the word is not taken.
  bool StdRoutine(std::string_view word, const char*& p);

  // ---- Literals (Literals.cpp) ----
  /// "$", "%", "&" or a digit at the cursor: the number with JavaScript radix prefixes.
  void NumberLiteral(const char*& p);
  /// "#" or "'" at the cursor: touching quoted parts and character codes as one JavaScript string.
  /// A character code beyond 32-bit signed range raises EConvertError naming the literal.
  void StringLiteral(const char*& p);

  // ---- Types and routines (TypesRoutines.cpp) ----
  /// After `type`: record/class types become constructor functions, sets objects, the rest
  /// comments. Returns after handing a routine to Routine, after var/const, or at the end.
  void TypeSection(const char*& p);
  /// After procedure/function/constructor (FToken holds the word): the function header,
  /// declaration part, body and implicit return.
  void Routine(const char*& p);

  // ---- Statements (Statements.cpp) ----
  /// After `begin`: "{" ... "}" (nothing with noBraces).
  void Block(const char*& p, bool noBraces);
  /// Wraps a loop statement; writes its label first when a labelled break used it.
  void Loop(const char*& p, TStatementOp statement);
  /// After `break`: "break", in a case branch with the loop label.
  void BreakStmt();
  void CaseStmt(const char*& p);
  void TryStmt(const char*& p);
  void IfStmt(const char*& p);
  void WhileStmt(const char*& p);
  void WithStmt(const char*& p);
  void RepeatStmt(const char*& p);
  void ForStmt(const char*& p);

 private:
  void Collect(std::string_view text) {
    FHolds.Collect(text);
    if (FDebugConsole) EchoToConsole(text);
  }
  void Emit(std::string_view text) {
    AppendText(FOutputText, text);
    if (FDebugConsole) EchoToConsole(text);
  }
  /// Most pieces of output are a byte or two: those go in without a call to memcpy.
  static void AppendText(std::string& to, std::string_view text) {
    if (text.size() <= 2) {
      for (char c : text) to.push_back(c);
    } else {
      to.append(text);
    }
  }

  std::string& FOutputText;       // the sink's text: output is appended to it, and output held
                                  // at the outermost level stays in it (a hold can span most of
                                  // the text: copying it would cost a second buffer of that size)
  const char* FNoCommentClose = nullptr;  // no "*)" stands anywhere from here to the text's end
  uintptr_t FStackBase = 0;       // stack address of the outermost run
  TLabelTable FLabels;            // the identifier table
  TOutputHolds FHolds;            // output held back, and whether output is collected
  platform::TDebugEcho* FDebugEcho;  // where the console echo goes (none: dropped)
};

}  // namespace pas2js
