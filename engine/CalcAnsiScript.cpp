// The engine object, its line driver, the engine's own directives and its additions.

#include "engine/CalcAnsiScript.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "engine/FloatOps.h"
#include "platform/Services.h"

namespace engine {

using scan::LineEndChars;
using scan::WhiteChars;

namespace {
const std::string ErrorMark = "!Err:";
const std::string UnknownDirective = "unknown directive";
}  // namespace

// ---- Labels ---------------------------------------------------------------------------------

// Probe is inline so that Find, its one caller on the evaluator's path, runs without a call of
// its own.
inline TAMyCalLabel::TSlot& TAMyCalLabel::Probe(std::string_view name, uint64_t hash) {
  return FIndex.Probe(hash, [name](const TSlot& slot) {
    return scan::SameBytes(slot.Item->Name, name);
  });
}

TMyCalLabel* TAMyCalLabel::Find(std::string_view name) {
  if (FIndex.Size() == 0) return nullptr;
  return Probe(name, scan::NameHash(name)).Item;
}

const TMyCalLabel* TAMyCalLabel::Find(std::string_view name) const {
  // The look-up changes nothing; only the slot it hands back is a mutable one.
  return const_cast<TAMyCalLabel*>(this)->Find(name);
}

void TAMyCalLabel::Append(std::string name, Extended value) {
  FItems.push_back({std::move(name), value});
  Index(FItems.back());
}

// A second label of a known name is listed but not indexed: the first one keeps the name.
void TAMyCalLabel::Index(TMyCalLabel& label) {
  FIndex.MakeRoom();
  const uint64_t hash = scan::NameHash(label.Name);
  TSlot& slot = Probe(label.Name, hash);
  if (slot.Free()) FIndex.Fill(slot, {hash, &label});
}

void TAMyCalLabel::Truncate(size_t count) {
  if (count >= FItems.size()) return;
  FItems.resize(count);
  // The index is rebuilt at its present size: a label only ever shrinks it.
  FIndex.Clear();
  for (TMyCalLabel& label : FItems) Index(label);
}

void TAMyCalLabel::Clear() {
  FIndex.Reset(0);
  FItems.clear();
}

// ---- Additions ------------------------------------------------------------------------------

bool TCalcuAddition::TakeFile(const std::string&, const char*) { return false; }
bool TCalcuAddition::Directive(const std::string&, const char*&) { return false; }
bool TCalcuAddition::DoFunction(std::string_view, TAArgRec&) { return false; }
bool TCalcuAddition::DoLabel(std::string_view, Extended&, TLabelMode) { return false; }
void TCalcuAddition::Notify(TNotifyPhase) {}

// ---- The engine -----------------------------------------------------------------------------

TAnsiCalculate::TAnsiCalculate(std::string text, const platform::TServices& services,
                               TAdditionList additions)
    : FText(std::move(text)), FServices(services), FFormat(services.Format) {
  for (const TAdditionMaker make : additions) {
    FAdditions.push_back(make(*this, services));
    TCalcuAddition* addition = FAdditions.back().get();
    if (addition->HandlesFunctions()) FFunctionAdditions.push_back(addition);
    if (addition->HandlesLabels())
      FLabelAdditions.push_back({addition, addition->LabelStartChars()});
  }
  FCursor = FText.c_str();
  FLineStart = FCursor;
}

TAnsiCalculate::~TAnsiCalculate() {
  // First to last, as they were made.
  for (auto& addition : FAdditions) addition.reset();
}

void TAnsiCalculate::Rewind() {
  FCursor = FText.c_str();
  FLineStart = FCursor;
  FOutput.clear();
  FNote.clear();
}

void TAnsiCalculate::Reset() {
  Rewind();
  FLabelTable.Clear();
  FFormat.StandardPrefixes = false;
}

void TAnsiCalculate::SetText(std::string text) {
  FText = std::move(text);
  FCursor = FText.c_str();
  FLineStart = FCursor;
}

std::string TAnsiCalculate::TakeText() {
  std::string text = std::move(FText);
  SetText(std::string());
  return text;
}

void TAnsiCalculate::Error(const std::string& message) {
  FErrorNote = FNote.size();
  AddNote(ErrorMark + message);
  throw EAbort(message);
}

void TAnsiCalculate::FailLine(const std::string& message) {
  Error(message);
  // Reached only through an override of Error that returns: the line ends all the same.
  throw EAbort(message);
}

void TAnsiCalculate::AbortLine(const std::string& message) { throw EAbort(message); }

void TAnsiCalculate::PutLine(const std::string& annotation) {
  // Every line of a sheet comes through here: its pieces go straight into the output, where
  // WriteLine would need them joined in a string of their own first.
  if (FCursor > FLineStart) FOutput.append(FLineStart, FCursor);
  if (!annotation.empty()) {
    // "1/" and its annotation would read back as "1" and a comment: a blank keeps them apart.
    if (FCursor > FLineStart && FCursor[-1] == '/') FOutput += ' ';
    FOutput += "//";
    FOutput += annotation;
  }
  FOutput += "\r\n";
}

void TAnsiCalculate::AddNote(const std::string& text) { FNote += text; }

void TAnsiCalculate::Write(std::string_view text) { FOutput += text; }

void TAnsiCalculate::WriteLine(std::string_view text) {
  Write(text);
  Write("\r\n");
}

bool TAnsiCalculate::OfferFile(const std::string& fileName) {
  FCursor = FText.c_str();
  bool taken = false;
  for (auto& addition : FAdditions) {
    taken = addition->TakeFile(fileName, FCursor);
    if (taken) break;
  }
  return taken;
}

std::string TAnsiCalculate::FormatValue(Extended x) const {
  std::string text;
  FormatValueInto(x, text);
  return text;
}

void TAnsiCalculate::FormatValueInto(Extended x, std::string& text) const {
  std::string prefix;
  scan::FormatPrefixed(x, text, prefix, FFormat);
  if (!prefix.empty()) {
    text += '(';
    scan::AppendGeneral(x, text, FFormat);
    text += ')';
  }
}

void TAnsiCalculate::Calculate() {
  BeginPass();
  RunLines(nullptr);
  EndPass();
}

void TAnsiCalculate::BeginPass() {
  Reset();
  for (auto& addition : FAdditions) addition->Notify(TNotifyPhase::PassBegins);
}

bool TAnsiCalculate::RunLines(const char* stop) {
  while (*FCursor != '\0') {
    if (stop != nullptr && FCursor >= stop) return false;
    scan::SkipCharSet(FCursor, WhiteChars);
    FNote.clear();
    FLineStart = FCursor;
    if (*FCursor == '#')
      DirectiveLine();
    else
      StatementLine();
  }
  return true;
}

void TAnsiCalculate::EndPass() {
  for (auto& addition : FAdditions) addition->Notify(TNotifyPhase::PassEnded);
}

TAnsiCalculate::TLineState TAnsiCalculate::LineState() const {
  return {static_cast<size_t>(FCursor - FText.c_str()), FValue, FMode, FFormat.StandardPrefixes};
}

void TAnsiCalculate::ResumeAt(const TLineState& state) {
  FCursor = FText.c_str() + std::min(state.Offset, FText.size());
  FLineStart = FCursor;
  FValue = state.Value;
  FMode = state.Mode;
  FFormat.StandardPrefixes = state.StandardPrefixes;
}

void TAnsiCalculate::SkipRestOfLine() { scan::SkipUntilCharSet(FCursor, LineEndChars); }

const char* AnnotationStart(const char* p) {
  // Quotes and '/' are bytes below every trail byte, so a byte walk never takes half of a
  // double-byte character for one of them.
  for (; !LineEndChars.Has(*p); ++p) {
    if (p[0] == '/' && p[1] == '/') return p;
    if (*p == '"' || *p == '\'') {
      const char* close = p + 1;
      while (!LineEndChars.Has(*close) && *close != *p) ++close;
      if (*close == *p) p = close;
    }
  }
  return p;
}

bool AtAnnotationOrEnd(const char* p) {
  return LineEndChars.Has(*p) || (p[0] == '/' && p[1] == '/');
}

namespace {
// The annotation of an error that did not come with one: floating-point faults by their kind,
// the others by their message, kept on one line.
std::string LineErrorText(const std::exception& e) {
  if (dynamic_cast<const scan::EZeroDivide*>(&e)) return "division by zero";
  if (dynamic_cast<const scan::EOverflow*>(&e)) return "overflow";
  if (dynamic_cast<const scan::EInvalidOp*>(&e)) return "invalid operation";
  std::string text = e.what();
  for (char& c : text)
    if (LineEndChars.Has(c)) c = ' ';
  return text;
}
}  // namespace

void TAnsiCalculate::StatementLine() {
  FErrorNote = std::string::npos;
  try {
    // The result text goes through a member string, so that a long one needs no allocation.
    if (ParseStatement()) {
      if (!AtAnnotationOrEnd(FCursor)) FailUnexpected();
      if (FNote.empty()) FormatValueInto(FValue, FValueText);
      PutLine(FNote.empty() ? FValueText : FNote);
      SkipRestOfLine();
    } else {
      SkipRestOfLine();
      // The empty statement behind a sheet's last line break is no line of the sheet: a value
      // there would come back as one more line at every evaluation.
      const bool annotate = (FMode & 1) != 0 && *FLineStart != '\0';
      if (annotate) FormatValueInto(FValue, FValueText);
      PutLine(annotate ? FValueText : std::string());
    }
  } catch (const std::exception& e) {
    // A failed line is written whole, up to its own old annotation, and says why it failed: an
    // error reported through FailLine with the annotation it brought, any other named here. A
    // note that pr left before the error must not pass for a result: it is not written.
    const std::string annotation =
        FErrorNote < FNote.size() ? FNote.substr(FErrorNote) : ErrorMark + LineErrorText(e);
    FCursor = AnnotationStart(FLineStart);
    PutLine(annotation);
    SkipRestOfLine();
  }
}

namespace {
// The directives a user types that the engine handles itself ("#m", "#ScriptFile" and "#fmt"
// are left out of completion: they are the sheet's settings, not commands).
constexpr const char* ConstantsDirective = "定数";
constexpr const char* HelpDirective = "h";
constexpr const char* StandardPrefixesDirective = "SI";
constexpr const char* OwnDirectives[] = {ConstantsDirective, HelpDirective, StandardPrefixesDirective};
constexpr std::string_view HelpText =
    "#定数 で 内部定数一覧\r\n"
    " !論理反転(0⇔1)　NOT ビット反転  ~ 24bitビット反転";
}  // namespace

void TAnsiCalculate::DirectiveLine() {
  const char* const annotationStart = AnnotationStart(FCursor);
  const char* const lineEnd = annotationStart + std::strcspn(annotationStart, "\r\n");
  ++FCursor;  // '#'
  std::string name;
  scan::ReadWhileCharSetMB(FCursor, scan::WordChars, name);
  scan::SkipBlanks(FCursor, false);
  // Where the note lines this directive writes below its own line begin, if it writes any.
  size_t listing = std::string::npos;
  if (name == "ScriptFile" || name == "fmt") {
    if (*FCursor != '=') FailLine(name == "fmt" ? "fmtの後に=が無い" : "ScriptFileの後に=が無い");
    PutLineUpTo(annotationStart, "// 未実装");
  } else if (scan::SameTextAscii(name, ConstantsDirective)) {
    PutLineUpTo(lineEnd, std::string());
    listing = FOutput.size();
    ListConstants();
  } else if (scan::SameTextAscii(name, StandardPrefixesDirective)) {
    // The line stays: the sheet's numbers mean the same when it is evaluated again.
    PutLineUpTo(lineEnd, std::string());
    FFormat.StandardPrefixes = true;
  } else if (scan::SameTextAscii(name, "m")) {
    scan::SkipBlanks(FCursor, false);
    ParseExpression();
    FMode = static_cast<int32_t>(static_cast<uint32_t>(RoundToInt64(FValue)));
  } else {
    const bool help = name.empty() || scan::SameTextAscii(name, HelpDirective);
    if (help) {
      PutLineUpTo(lineEnd, std::string());
      listing = FOutput.size();
      WriteNote(HelpText);
    } else {
      listing = FOutput.size();
    }
    bool handled = help;
    for (auto& addition : FAdditions) {
      if (addition->Directive(name, FCursor)) {
        handled = true;
        break;
      }
    }
    if (!handled) PutLineUpTo(annotationStart, ErrorMark + UnknownDirective);
  }
  SkipRestOfLine();
  if (listing != std::string::npos) SkipRepeatedListing(listing);
}

void TAnsiCalculate::PutLineUpTo(const char* end, const std::string& annotation) {
  const char* const cursor = FCursor;
  FCursor = end;
  PutLine(annotation);
  FCursor = cursor;
}

void TAnsiCalculate::WriteNote(std::string_view text) {
  std::string line;
  for (;;) {
    const size_t end = text.find("\r\n");
    const std::string_view piece = text.substr(0, end);
    // "// " before a line, "//" before an empty one or one that begins with a blank already.
    if (piece.starts_with("//"))
      line.clear();
    else
      line = piece.empty() || scan::BlankChars.Has(piece[0]) ? "//" : "// ";
    line += piece;
    WriteLine(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 2);
  }
}

void TAnsiCalculate::SkipRepeatedListing(size_t from) {
  // The cursor stands at the end of the directive's line; the listing's lines each end in CR LF.
  std::string_view listing = std::string_view(FOutput).substr(from);
  const char* p = FCursor;
  while (!listing.empty()) {
    const size_t end = listing.find("\r\n");
    const std::string_view line = listing.substr(0, end);
    if (!line.starts_with("//")) return;  // a live listing, such as the colours', is no note
    if (*p == '\0') return;
    p += p[0] == '\r' && p[1] == '\n' ? 2 : 1;  // the line break before the line
    for (char c : line)
      if (*p == '\0' || *p++ != c) return;
    if (!LineEndChars.Has(*p)) return;
    listing.remove_prefix(end == std::string_view::npos ? listing.size() : end + 2);
  }
  FCursor = p;
}

void TAnsiCalculate::FailUnexpected() {
  // The unread text up to the line's own annotation, blanks behind it left out, and not so long
  // that the annotation buries the line.
  constexpr size_t MaxShown = 40;
  const char* end = AnnotationStart(FLineStart);
  while (end > FCursor && scan::BlankChars.Has(end[-1])) --end;
  std::string shown;
  for (const char* p = FCursor; p < end;) {
    const size_t n = scan::IsLeadByte(*p) && p + 1 < end ? 2 : 1;
    if (shown.size() + n > MaxShown) {
      shown += "...";
      break;
    }
    shown.append(p, n);
    p += n;
  }
  FailLine("unexpected text: " + shown);
}

std::vector<std::string> TAnsiCalculate::DirectiveNames() const {
  std::vector<std::string> names;
  for (const char* d : OwnDirectives) names.push_back(std::string("#") + d);
  for (const auto& addition : FAdditions)
    for (const std::string& d : addition->DirectiveNames()) names.push_back("#" + d);
  return names;
}

std::vector<std::string> TAnsiCalculate::CompletionNames() const {
  std::vector<std::string> names = BuiltInFunctionNames();
  for (std::string& c : ConstantNames()) names.push_back(std::move(c));
  for (std::string& d : DirectiveNames()) names.push_back(std::move(d));
  for (size_t i = 0; i < FLabelTable.Count(); ++i) names.push_back(FLabelTable[i].Name);
  return names;
}

void TAnsiCalculate::EvaluateText(const std::string& text) {
  const char* saved = FCursor;
  struct Restore {
    const char*& cursor;
    const char* saved;
    ~Restore() { cursor = saved; }
  } restore{FCursor, saved};
  FCursor = text.c_str();
  while (*FCursor != '\0') {
    const char* before = FCursor;
    ParseStatement();
    // A statement that consumed nothing would be met again and again: drop the rest of its line.
    if (FCursor == before) SkipRestOfLine();
    scan::SkipCharSet(FCursor, WhiteChars);
  }
}

}  // namespace engine
