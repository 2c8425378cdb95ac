#pragma once
// The calculation engine: a sheet of statement and directive lines, evaluated line by line into
// an annotated output text, with plug-in additions for directives, functions, labels and files.

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scan/Exceptions.h"
#include "scan/NameIndex.h"
#include "scan/uAnsiCharTools.h"

namespace platform {
struct TServices;
}

namespace engine {

using scan::Extended;
using scan::EAbort;

/// Label access modes, passed to AccessLabel and to the additions' DoLabel: an assignment (the
/// value is the one assigned), a read (the value is to be filled in), an increment by ++ or --
/// (the value is +1 or -1 and becomes the label's new value).
enum class TLabelMode : uint8_t { Assign = 0, Read = 1, Add = 3 };

/// When the engine notifies its additions: a pass begins, or it has ended without an error that
/// escaped it.
enum class TNotifyPhase : uint8_t { PassBegins, PassEnded };

struct TMyCalLabel {
  std::string Name;
  Extended Value = 0;
};

/// The sheet's labels in order of first definition, with a hash index on the exact name.
class TAMyCalLabel {
 public:
  /// The label of that exact name, or nullptr.
  TMyCalLabel* Find(std::string_view name);
  const TMyCalLabel* Find(std::string_view name) const;
  void Append(std::string name, Extended value);
  void Clear();
  /// Forgets every label defined after the first `count`.
  void Truncate(size_t count);
  size_t Count() const { return FItems.size(); }
  const TMyCalLabel& operator[](size_t i) const { return FItems[i]; }

 private:
  // Label names are short and looked up on nearly every statement: the index probes a flat
  // array (scan::TNameIndex).
  struct TSlot {
    uint64_t FullHash = 0;
    TMyCalLabel* Item = nullptr;  // into FItems, whose elements never move; nullptr when free
    bool Free() const { return Item == nullptr; }
    uint64_t Hash() const { return FullHash; }
  };
  /// The slot holding `name`, or the free slot where it belongs.
  TSlot& Probe(std::string_view name, uint64_t hash);
  /// Files the label under its name unless an earlier one holds the name.
  void Index(TMyCalLabel& label);
  std::deque<TMyCalLabel> FItems;
  scan::TNameIndex<TSlot> FIndex;
};

struct TArgRec {
  std::string Text;  // the text of a quoted argument; empty for an expression
  Extended Value = 0;
};
using TAArgRec = std::vector<TArgRec>;

class TAnsiCalculate;

/// A plug-in of the engine, made for one engine with the services it works with (both outlive
/// it). It is made while the engine is being built, so its constructor keeps the two and asks the
/// engine nothing; it prepares its state on first use or in Notify(PassBegins). It reaches the
/// engine through the engine's public operations only.
class TCalcuAddition {
 public:
  TCalcuAddition(TAnsiCalculate& engine, const platform::TServices& services)
      : FEngine(&engine), FServices(services) {}
  virtual ~TCalcuAddition() = default;
  TCalcuAddition(const TCalcuAddition&) = delete;
  TCalcuAddition& operator=(const TCalcuAddition&) = delete;
  /// Takes a whole file over before it is evaluated; `text` is the first byte of the sheet text.
  virtual bool TakeFile(const std::string& fileName, const char* text);
  /// Handles a '#' directive the engine does not know; may move the cursor.
  virtual bool Directive(const std::string& name, const char*& cursor);
  /// Supplies a function: true when it has given the engine the call's result (SetValue).
  virtual bool DoFunction(std::string_view name, TAArgRec& args);
  /// Supplies or intercepts a label access.
  virtual bool DoLabel(std::string_view name, Extended& value, TLabelMode mode);
  /// Whether DoFunction and DoLabel may answer at all; fixed for the object's life. The engine
  /// asks only the additions that say so (in the order of its list), so one that overrides
  /// neither says false and spares every call and label read a call of its own.
  virtual bool HandlesFunctions() const { return true; }
  virtual bool HandlesLabels() const { return true; }
  /// The first bytes of the label names DoLabel may answer; the engine asks it about no other
  /// name but the empty one. Fixed for the object's life; every byte unless overridden.
  virtual scan::CharSet LabelStartChars() const { return scan::CharSet::Range(0x00, 0xFF); }
  /// Called when a pass begins and when it has ended.
  virtual void Notify(TNotifyPhase phase);
  /// The directives it handles, without the '#' (TAnsiCalculate::DirectiveNames lists them).
  virtual std::vector<std::string> DirectiveNames() const { return {}; }

 protected:
  TAnsiCalculate* const FEngine;  // the engine it was made for; never null
  const platform::TServices& FServices;
};

/// Makes one addition for `engine`, working with `services`.
using TAdditionMaker = std::unique_ptr<TCalcuAddition> (*)(TAnsiCalculate& engine,
                                                          const platform::TServices& services);

/// The maker of an addition of class T (constructed from the engine and the services).
template <class T>
std::unique_ptr<TCalcuAddition> MakeAddition(TAnsiCalculate& engine,
                                             const platform::TServices& services) {
  return std::make_unique<T>(engine, services);
}

/// The additions an engine is built with, in the order it asks them; whoever builds engines keeps
/// the list alive as long as it builds them.
using TAdditionList = std::span<const TAdditionMaker>;

class TAnsiCalculate {
 public:
  /// The engine for `text`, working with `services` (which outlive it), with one object of each
  /// addition of `additions`, made in that order; it keeps its own copy of the services' number
  /// format.
  TAnsiCalculate(std::string text, const platform::TServices& services, TAdditionList additions);
  virtual ~TAnsiCalculate();
  TAnsiCalculate(const TAnsiCalculate&) = delete;
  TAnsiCalculate& operator=(const TAnsiCalculate&) = delete;

  // Virtual operations, in slot order.
  virtual bool CallFunction(std::string_view name);
  virtual bool AccessLabel(std::string_view name, Extended& value, TLabelMode mode);
  virtual bool FindConstant(std::string_view name, Extended& value, TLabelMode mode);
  virtual void Reset();

 protected:
  /// The annotating error route's slot; callers use FailLine.
  [[noreturn]] virtual void Error(const std::string& message);

 public:
  /// Writes the line being evaluated (from its start to the cursor), then "//" and `annotation`
  /// unless that is empty, and a line break. This class appends them to Output() itself, not
  /// through Write or WriteLine: a class that sends lines elsewhere overrides PutLine too.
  virtual void PutLine(const std::string& annotation);
  virtual void AddNote(const std::string& text);
  /// Writes each line of `text` (lines joined by CR LF) as a note line, one that begins with
  /// "//", so that a listing never acts as a statement or directive when evaluated again.
  void WriteNote(std::string_view text);
  virtual void Write(std::string_view text);
  virtual void WriteLine(std::string_view text);
  virtual bool OfferFile(const std::string& fileName);

  /// The platform services the engine was made with; additions reach them here.
  const platform::TServices& Services() const { return FServices; }
  /// The number format the engine reads and writes numbers in.
  const scan::TFormatSettings& FormatSettings() const { return FFormat; }

  /// The main pass over the sheet text; the result is Output(). It is BeginPass, RunLines to the
  /// end of the text and EndPass.
  void Calculate();
  /// A pass in steps, for a host that evaluates part of a sheet now and the rest later.
  /// BeginPass: labels and output emptied, cursor at the text's start, the additions told.
  void BeginPass();
  /// Evaluates the lines from the cursor on while the cursor stands before `stop` (a place in
  /// Text(), or nullptr for the whole rest); true when the text has ended.
  bool RunLines(const char* stop);
  /// The additions told that the pass has ended.
  void EndPass();

  /// What a pass carries from one line to the next besides its labels and its output: where the
  /// next line starts (an offset in Text()), the value, the mode word and the prefixes' scale.
  /// Labels are the host's to keep (see LabelTable), and a pass resumed at a state goes on with
  /// the labels it finds.
  struct TLineState {
    size_t Offset = 0;
    Extended Value = 0;
    int32_t Mode = 0;
    bool StandardPrefixes = false;
  };
  /// The state between two lines, taken when RunLines has returned.
  TLineState LineState() const;
  /// Puts a state taken from this text (or one that equals it up to the state's offset) back.
  void ResumeAt(const TLineState& state);
  /// Evaluates the statements of another text with this engine's labels and value.
  void EvaluateText(const std::string& text);
  /// The annotation form of a value.
  std::string FormatValue(Extended x) const;
  /// FormatValue into `text`, whose storage is reused.
  void FormatValueInto(Extended x, std::string& text) const;
  /// Writes the eight internal constants, one line each.
  void ListConstants();
  /// The directives a user types, '#' and the name as a sheet spells it: the engine's own, then
  /// its additions' in the order of its list. The one list that completion (the console's and the
  /// language server's) offers.
  std::vector<std::string> DirectiveNames() const;
  /// The names a user may type, from the engine's own tables: the built-in functions, the
  /// constants, DirectiveNames, and the labels defined so far, in that order.
  std::vector<std::string> CompletionNames() const;

  // ---- What additions and hosts reach the engine through -------------------------------------

  /// Evaluates one expression from `cursor` on. Success: `cursor` stands behind the expression
  /// and the blanks after it; the value is returned and stays the engine's value. Failure raises.
  Extended EvaluateAt(const char*& cursor);
  /// Gives a function call its result (an addition's DoFunction).
  void SetValue(Extended value) { FValue = value; }
  /// Ends the line with an error: "!Err:" and the message become the line's annotation, then
  /// scan::EAbort with the message is raised.
  [[noreturn]] void FailLine(const std::string& message);
  /// Ends the line without an annotation of its own (the line is written up to where evaluation
  /// stopped): raises scan::EAbort with the message, which a host reports when it escapes a pass.
  [[noreturn]] void AbortLine(const std::string& message);
  /// The sheet text, as given or set; NUL-terminated.
  const std::string& Text() const { return FText; }
  /// A new sheet text for the next pass (console mode: one typed line at a time). Labels stay.
  void SetText(std::string text);
  /// Gives the sheet text up, for a host that edits it and sets it again (SetText, then ResumeAt)
  /// rather than keep a copy of its own; the engine holds an empty text meanwhile.
  std::string TakeText();
  /// The output text of the pass. A host takes it once the pass has ended; an addition that
  /// writes a long text may append to it directly (what Write does in this class).
  std::string& Output() { return FOutput; }
  const std::string& Output() const { return FOutput; }
  /// Room in the output for `more` bytes beyond what it holds now.
  void ReserveOutput(size_t more) { FOutput.reserve(FOutput.size() + more); }
  /// The sheet's labels, in order of first definition.
  const TAMyCalLabel& Labels() const { return FLabelTable; }
  /// The engine's additions, in the order of its list.
  const std::vector<std::unique_ptr<TCalcuAddition>>& Additions() const { return FAdditions; }

 protected:
  /// Cursor and line start to the start of the text, output and note emptied; labels are kept.
  void Rewind();
  /// Where the line being written starts, and how far evaluation has read (PutLine writes the
  /// text between them).
  const char* LineStart() const { return FLineStart; }
  const char* Cursor() const { return FCursor; }
  /// The sheet's labels, to be put back as they stood at a line state.
  TAMyCalLabel& LabelTable() { return FLabelTable; }

 private:
  // Evaluator levels, loosest binding first. The operators and how tightly they bind:
  //
  //   level       operators                            grouping
  //   prefix      ! ~ NOT                              over the whole rest of the expression
  //   expression  & + - |   (leading + -, ++ --)       left; a sign covers the first term only
  //               AND OR XOR after the first term      the rest of the expression is the right side
  //   term        * / ^                                left; a fault is an error, as everywhere
  //   compare     == != < > <= >=                      one comparison, tighter than * and /
  //   power       ^ | << >> | SHL SHR                  a chain of ^ (left), or a single shift
  //   primary     ( expression )  number  name  name(arguments)
  //
  // So 2*3==6 is 2*(3==6) = 0, 1+2==3 is 1+(2==3) = 1, !0+5 is !(0+5) = 0 and -2^2 is -(2^2).
  // `!` yields 1 for a value up to 0.5, else 0; `~` flips the low 24 bits, NOT all 64; == and !=
  // compare the rounded integers, the others the values; << >> give a 32-bit signed result.
  bool ParseStatement();
  void ParseExpression();
  void ParseTerm();
  void ParseCompare();
  void CompareOperator();
  void ParsePower();
  void PowerOperators();
  void ParsePrimary();
  void ReadArgument(size_t index);

  void DirectiveLine();
  void StatementLine();
  /// PutLine with the line's text ending at `end` instead of the cursor.
  void PutLineUpTo(const char* end, const std::string& annotation);
  /// Steps the cursor over the lines below a directive's line that repeat, exactly, the note
  /// lines the directive has written to the output since `from`: its listing of the last time.
  void SkipRepeatedListing(size_t from);
  /// Ends the line with an error that names the text from the cursor on, which nothing reads.
  [[noreturn]] void FailUnexpected();
  void SkipRestOfLine();
  bool ReadNumber();
  void ReadCall(const std::string& name);
  void LabelIncrement();
  bool KeywordOperator();

  std::vector<std::unique_ptr<TCalcuAddition>> FAdditions;
  std::vector<TCalcuAddition*> FFunctionAdditions;  // those of FAdditions that handle functions
  struct TLabelAddition {
    TCalcuAddition* Addition;
    scan::CharSet Start;  // its LabelStartChars
  };
  std::vector<TLabelAddition> FLabelAdditions;  // those of FAdditions that handle labels
  TAMyCalLabel FLabelTable;
  const char* FCursor = nullptr;
  const char* FLineStart = nullptr;
  int32_t FMode = 0;
  std::string FText;
  std::string FNote;
  std::string FOutput;
  Extended FValue = 0;
  TAArgRec FArgs;

  const platform::TServices& FServices;
  scan::TFormatSettings FFormat;  // the services' own, and the prefixes' scale "#SI" sets
  std::string FValueText;                        // a line's result text, reused from line to line
  size_t FErrorNote = std::string::npos;  // where Error's annotation begins in FNote, if it ran
  int FDepth = 0;  // nesting of expressions: parentheses, prefix operators, calls, keyword operators
};

/// Where the line at `p` has its own annotation: its first "//" outside a quoted text that is
/// closed on the line, else its end (CR, LF or NUL). The text before it is the line's own.
const char* AnnotationStart(const char* p);
/// True at the end of a line or at the "//" that opens its annotation or comment.
bool AtAnnotationOrEnd(const char* p);

/// The built-in functions' names, as the tables spell them.
std::vector<std::string> BuiltInFunctionNames();
/// What a built-in function is: its name as the tables spell it, its call form, and what it gives
/// in a short English text (an entry of the message catalogs, po/, which the caller translates).
struct TFunctionHelp {
  const char* Name;
  const char* Call;
  const char* Description;
};
/// The built-in function of that name (ASCII letters in any case, as a call matches them); nullptr
/// when there is none.
const TFunctionHelp* FindFunctionHelp(std::string_view name);
/// The internal constants' names, in the order "#定数" lists them.
std::vector<std::string> ConstantNames();

/// How deep parentheses, prefix operators and calls may nest before a statement ends in an error.
inline constexpr int MaxNestingDepth = 1000;

}  // namespace engine
