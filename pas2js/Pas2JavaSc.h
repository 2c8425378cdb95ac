// HEADER READY
#pragma once
// The Pascal-to-JavaScript converter: a one-pass rewriter that walks a character cursor through
// Pascal source, copies what no rule touches and writes replacements where a rule applies. It
// builds no syntax tree; a recursive translation loop with stop sets follows the source's nesting.
//
// Files by topic: State.cpp (fields, identifier table, output routing, captures), Translate.cpp
// (the loop, keyword and operator tables), Literals.cpp, Declarations.cpp, StdRoutines.cpp
// (blanks, comments, pragmas, standard routines), Statements.cpp, TypesRoutines.cpp.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scan/uAnsiCharTools.h"

namespace pas2js {

// ---- Identifier table records ------------------------------------------------------------------

/// Flags of an identifier table entry or a type member.
inline constexpr int32_t lfRegistered = 1;
inline constexpr int32_t lfConst = 2;
inline constexpr int32_t lfLocal = 4;
inline constexpr int32_t lfBoolean = 8;
inline constexpr int32_t lfMethod = 16;
/// One block level, counted in the bits from 7 upwards.
inline constexpr int32_t lfBlockLevel = 128;
inline constexpr int32_t lfLetPending = 0x40000000;

/// A name under its first registered spelling, with its flags.
struct TLabelD {
  std::string Name;
  int32_t Flags = 0;
};
/// A growable list of TLabelD (the identifier table, a type's members, a declaration list).
using AString = std::vector<TLabelD>;

/// A record or class type and its fields and methods.
struct TPasRec {
  std::string Name;
  AString Members;
};
using TAPasRec = std::vector<TPasRec>;

// ---- Output routing ------------------------------------------------------------------------------

/// A routine taking one text, bound to the object it is called on. Unset when Proc is null.
struct TOutputProc {
  void (*Proc)(void* object, std::string_view text) = nullptr;
  void* Object = nullptr;
  void operator()(std::string_view text) const { Proc(Object, text); }
  bool IsSet() const { return Proc != nullptr; }
};

/// Binds a member function taking one text (virtual ones dispatch as usual) to an object.
template <auto Method, class T>
TOutputProc OutputProcOf(T* object) {
  return {[](void* o, std::string_view text) { (static_cast<T*>(o)->*Method)(text); }, object};
}

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

// ---- The converter ---------------------------------------------------------------------------------

class TuPas2JavaSc;
}  // namespace pas2js

namespace platform {
class TDebugEcho;
}

namespace pas2js {

/// A statement operation that Loop wraps (RepeatStmt, ForStmt, WhileStmt).
using TStatementOp = void (TuPas2JavaSc::*)(const char*& p);

/// The converter. Fields are public for the rules spread over several files and for tests;
/// identifier table entries change only through the table operations below (they keep the hash
/// index, the list of block-scoped names and the trial undo log right).
class TuPas2JavaSc {
 public:
  /// `echo` (it outlives the converter) receives the console echo of FDebugConsole; without one
  /// the echo is dropped.
  explicit TuPas2JavaSc(platform::TDebugEcho* echo = nullptr);
  virtual ~TuPas2JavaSc();
  TuPas2JavaSc(const TuPas2JavaSc&) = delete;
  TuPas2JavaSc& operator=(const TuPas2JavaSc&) = delete;

  // Virtual operations, in slot order.
  /// Appends the text to FCapture; echoes it when FDebugConsole.
  virtual void Collect(std::string_view text);
  /// Appends the text to FOutputText when set, else hands it to FOnOutput when set; echoes it when
  /// FDebugConsole. Final: Write calls it directly on the way to the final text.
  virtual void Emit(std::string_view text) final { EmitText(text); }

  // ---- Fields, in declaration order ----
  std::string FConstWord;         // "const" or "var": written before a constant declaration
  std::string FLetWord;           // "let" or "var": written before a first assignment
  const char* FTextEnd = nullptr; // the translation loop stops here
  bool FDebugTags = false;        // debug marks into the output
  bool FDebugConsole = false;     // echo output and marks to the console
  platform::TDebugEcho* FDebugEcho;  // where that echo goes (none: dropped)
  bool FPlainExit = false;        // `exit` writes "return" (not "return Result")
  bool FLogical = false;          // and/or/not are the logical operators
  bool FInRoutine = false;        // a routine's declaration part is being translated
  uint8_t FDeclKind = 0;          // 0 none, 1 var, 2 const, 3 routine, 4 type
  int32_t FLabelCount = 0;        // entries of FLabels in use
  int32_t FResultState = -1;      // Result counting of a function body's trial (-1 off, -2 after exit)
  std::string FResultInit;        // right-hand side of the first `Result :=`
  TAPasRec FTypes;                // record and class types declared (append with AppendType)
  TPasRec FCurType;               // the type of the method being translated
  int32_t FDepth = 0;             // nesting of the translation loop
  bool FVarStatement = false;     // next routine variable becomes a `var` statement of its own
  AString FLabels;                // the identifier table (length = table size, FLabelCount in use;
                                  // read flags with LabelFlags: block levels move lazily)
  std::string FToken;             // the last token: a lower-case word or one character; empty at the end
  std::string FCapture;           // text collected while a capture runs
  bool FInCase = false;           // inside the branches of a case statement
  bool FBlockEnded = false;       // a begin..end block was translated without braces
  bool FLabelUsed = false;        // a labelled break was written inside the current loop
  std::string FLoopLabel;         // label of the current loop ("L" + number)
  int32_t FLoopCount = 0;         // loops seen, for label numbering
  TOutputProc FOut;               // where the next piece of output goes
  TOutputProc FOnOutput;          // the final receiver of the converted text; may be unset

  // ---- Output (State.cpp) ----
  /// Hands the text to FOut (to Emit without the indirect calls: it is the usual receiver).
  void Write(std::string_view text) {
    if (FOut.Proc == EmitProc().Proc)
      EmitText(text);
    else
      FOut(text);
  }
  /// Writes the byte at the cursor and steps over it; nothing at the zero byte.
  void CopyChar(const char*& p);
  /// The converter's own Collect / Emit as output routines.
  TOutputProc CollectProc() { return OutputProcOf<&TuPas2JavaSc::Collect>(this); }
  TOutputProc EmitProc() { return OutputProcOf<&TuPas2JavaSc::Emit>(this); }
  /// Exchanges FCapture with the buffer, then FOut with the writer.
  void SwapOutput(TOutputProc& writer, std::string& buffer);
  /// Runs the translation loop and returns what it wrote instead of passing it on; no debug marks
  /// inside. Captures nest.
  void Capture(const char*& p, TStopSet stop, std::string_view level, std::string& result);
  /// Output held back for a later decision (see HoldOutput). Nested holds share FCapture.
  struct THold {
    TOutputProc Writer;     // FOut before the hold
    std::string Saved;      // FCapture before an outermost hold
    size_t Mark = 0;        // where the held text starts in FCapture (in FOutputText: InOutput)
    bool Outermost = false; // the hold started FCapture afresh
    bool InOutput = false;  // the text is held where it was written, at the end of FOutputText
    bool DebugTags = false; // FDebugTags before the hold
  };
  /// From here on output is collected into FCapture (after its current end when a collection is
  /// running already, so nested holds never copy); with noDebugMarks, FDebugTags is off meanwhile.
  /// Output on its way into FOutputText stays there instead (without console echo).
  void HoldOutput(THold& hold, bool noDebugMarks);
  /// The text held so far.
  std::string_view HeldText(const THold& hold) const {
    return std::string_view(hold.InOutput ? *FOutputText : FCapture).substr(hold.Mark);
  }
  /// The buffer that holds the text (from hold.Mark to its end) while the hold runs.
  std::string& HeldBuffer(const THold& hold) { return hold.InOutput ? *FOutputText : FCapture; }
  /// Ends the hold; the held text counts as written to the writer before it (copied only when
  /// that writer is no collection).
  void KeepHeld(THold& hold);
  /// Ends the hold; the held text is dropped.
  void DropHeld(THold& hold);
  /// Ends the hold; the held text becomes the result instead of output.
  void TakeHeld(THold& hold, std::string& result);
  /// Sets FLogical (not restored), then Capture.
  void CaptureLogical(const char*& p, TStopSet stop, std::string_view level, std::string& result);
  /// "[" ... "]": copies the brackets that are there and translates between them.
  void Brackets(const char*& p);
  /// "(" ... ")": translates the group; with emit writes "(" (when there) and always ")".
  void Parens(const char*& p, bool emit);

  // ---- Identifier table (State.cpp) ----
  /// entry := {name, flags or lfRegistered}.
  static void MakeLabel(std::string_view name, int32_t flags, TLabelD& entry);
  /// Appends a copy of the entry to the list.
  static void AppendLabel(AString& list, const TLabelD& entry);
  /// Appends a type to FTypes and indexes its name (first one of a name wins in FindType).
  void AppendType(const TPasRec& entry);
  /// Index in FTypes of the first type of that name (case-insensitive), or -1.
  int32_t FindType(std::string_view name) const;
  /// The first length(prefix) characters of s equal prefix, ASCII case-insensitively.
  static bool StartsWithText(std::string_view s, std::string_view prefix);
  /// Equal, ASCII letters compared case-insensitively.
  static bool SameText(std::string_view a, std::string_view b);
  /// The hash the identifier table files a name under: equal for names SameText finds equal
  /// (and for bytes that differ only in bit 5, such as '_' and DEL).
  static uint32_t NameHash(std::string_view name);
  /// Sets lfBoolean in every identifier table entry whose name is one of the names.
  void MarkBoolean(const AString& names);
  /// Registers a name (or again: flags replaced by flags|1; with setLogical FLogical := flags has
  /// lfBoolean). Returns the first registered spelling; the view lasts until the table changes.
  std::string_view AddLabel(std::string_view name, int32_t flags, bool setLogical);
  /// Index of the first entry in use with that name (case-insensitive), or -1.
  int32_t FindLabel(std::string_view name) const;
  /// The true flags of an entry (read them here: FLabels[i].Flags lags behind for block-scoped
  /// names whose block level moved).
  int32_t LabelFlags(int32_t index) const;
  /// Found with lfLetPending: name := spelling, flags := flags and 127, true. Found otherwise:
  /// name := spelling, false. Not found: false, name unchanged.
  bool TakePendingLet(std::string& name);
  /// Adds delta*128 to every entry in use with lfLocal and without lfLetPending.
  void ShiftBlockLevel(int32_t delta);
  /// Looks the name up among FCurType's members (the last match counts): name := its spelling,
  /// FLogical := its lfBoolean, true. No match: false, nothing changed.
  bool FindMember(std::string& name);
  /// Empties the table: FLabelCount := 0, 4096 empty entries, no trial running.
  void ResetLabels();
  /// Starts a trial: from here on, table changes are recorded. Returns the mark to undo to.
  int32_t MarkLabels();
  /// Undoes every table change since the mark: entries are as they were, names registered since
  /// then become empty entries that stay in use (FLabelCount keeps its value). Ends the trial.
  void RollbackLabels(int32_t mark);
  /// Keeps the changes since the mark and ends the trial (an enclosing trial may still undo them).
  void KeepLabels(int32_t mark);

  // ---- Translation loop (Translate.cpp) ----
  /// Translates from the cursor until the zero byte, FTextEnd or a stop condition of the set.
  /// Raises EAbort when nested deeper than MaxTranslateDepth or MaxTranslateStack.
  void Translate(const char*& p, TStopSet stop, std::string_view level);
  /// A word at the cursor (letter or "_"): FToken := it in lower case; the keyword's action, a
  /// standard routine or Identifier. True when the word ends the run.
  bool Word(const char*& p, TStopSet stop);
  /// The keyword record of a lower-case word, or nullptr.
  static const TKeywordRec* FindKeyword(std::string_view lowerWord);

  // ---- Declarations (Declarations.cpp) ----
  /// After `var`: FDeclKind := 1; in a routine the blanks and line breaks that follow vanish.
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

  // ---- Driver (State.cpp) ----
  /// Converts from the cursor to the end of the text; the cursor ends at the zero byte.
  void Execute(const char*& p);

  // ---- Implementation state beyond the fields above ----
  const char* FTextStart = nullptr;  // first byte of the text (for the byte before a word)
  const char* FNoCommentClose = nullptr;  // no "*)" stands anywhere from here to the text's end
  std::string* FOutputText = nullptr;  // when set, the final receiver of the converted text
                                       // instead of FOnOutput: output is appended to it, and
                                       // output held at the outermost level stays in it (a hold
                                       // can span most of the text: copying it would cost a
                                       // second buffer of that size)
  uintptr_t FStackBase = 0;          // stack address of the outermost run
  // Set by Routine (TypesRoutines.cpp):
  int32_t FResultDepth = 0;   // FDepth of the run that translates a function body on trial; only a
                              // `Result :=` met at that depth can be the single result (one met
                              // deeper makes the single form impossible: FResultState += 2)
  int32_t FDepthBias = 0;     // levels of FDepth that stand for no recursion: Routine keeps a row
                              // of headings without body on a stack of its own; the depth limit
                              // counts FDepth - FDepthBias
  int32_t FBodyNesting = 0;   // routine bodies being translated one inside the other
  int64_t FRoutineCount = 0;  // routine headings met so far

 private:
  struct TCaseFoldHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept;
  };
  struct TCaseFoldEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept { return SameText(a, b); }
  };
  using TNameIndex = std::unordered_map<std::string, int32_t, TCaseFoldHash, TCaseFoldEqual>;

  struct TUndoRec {
    int32_t Index;     // entry changed
    int32_t Flags;     // its stored flags before the change
    int32_t Base;      // its block level base before the change
    bool Active;       // whether it was block-scoped and not pending
    bool Appended;     // the entry was appended (its name goes too)
  };

  void EmitText(std::string_view text) {
    if (FOutputText != nullptr)
      AppendText(*FOutputText, text);
    else if (FOnOutput.IsSet())
      FOnOutput(text);
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
  /// Kept out of line: output runs for every token, the echo only with "Debug".
  [[gnu::noinline, gnu::cold]] void EchoToConsole(std::string_view text);
  void EndHold(THold& hold);
  void RecycleCapture(std::string& buffer);
  void Record(int32_t index, bool appended);
  void EndTrial();
  void StoreFlags(int32_t index, int32_t flags);
  void IndexName(int32_t index);

  // Block levels move lazily: an entry with lfLocal and without lfLetPending ("active") stores
  // its flags as of block nesting FLabelBase[i]; its true flags add (FBlockNesting - base) * 128.
  // It turns pending only when the nesting drops below its threshold, so each entry sits in the
  // bucket of that threshold and ShiftBlockLevel visits nothing else.
  // Name index of the table: open addressing, linear probing; a slot holds the name's hash in its
  // high half and entry index + 1 in its low half (0: free). Names in use, not "", first entry.
  std::vector<uint64_t> FLabelSlots;
  size_t FLabelSlotsUsed = 0;
  // The last entry found per hash bucket, asked before the slots: an identifier is mostly used
  // again soon, and this small table stays in the cache where the slots do not. A name in use is
  // held by one entry only, so an entry in use that still bears the name is the first one.
  struct TRecentName {
    uint32_t Hash = 0;
    int32_t Index = -1;
  };
  mutable std::array<TRecentName, 1024> FRecentNames{};
  void IndexInsert(uint32_t hash, int32_t index);
  void IndexErase(int32_t index);
  std::vector<int32_t> FEmptyNames;       // entries in use with an empty name
  int32_t FFirstEmpty = -1;               // the first of them
  std::vector<int32_t> FLabelBase;        // per entry: nesting its stored flags belong to
  std::vector<uint8_t> FLabelActive;      // per entry: lfLocal and not lfLetPending
  std::unordered_map<int32_t, std::vector<int32_t>> FBuckets;  // threshold -> entries
  int32_t FBlockNesting = 0;              // sum of the ShiftBlockLevel deltas
  std::vector<TUndoRec> FUndo;            // table changes during trials
  int32_t FTrialDepth = 0;                // trials running
  std::vector<int32_t> FTrialMarks;       // the marks of the trials running, innermost last
  std::vector<int32_t> FLabelRecorded;    // per entry: where in FUndo its last record went
  std::string FSpareCapture;              // an emptied collection buffer, kept for the next one
  TNameIndex FTypeIndex;               // type name -> first index in FTypes
};

}  // namespace pas2js
