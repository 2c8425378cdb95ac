// The engine object, its line driver, the engine's own directives and the addition registry.

#include "engine/CalcAnsiScript.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>
#include <utility>

#include "engine/FloatOps.h"
#include "platform/Services.h"

namespace engine {

using scan::LineEndChars;
using scan::WhiteChars;

// ---- Labels ---------------------------------------------------------------------------------

// HashOf and Probe are inline so that Find, their one caller on the evaluator's path, runs
// without a call of its own.
inline uint64_t TAMyCalLabel::HashOf(std::string_view name) {
  using scan::LoadBytes;
  // The length is mixed in first, so the pieces below need only cover every byte of a name of
  // that length; they may overlap. Fixed-size loads cost less than a loop over short names.
  const char* p = name.data();
  const size_t n = name.size();
  uint64_t h = n * 0x9E3779B97F4A7C15u;
  const auto mix = [&h](uint64_t piece) { h = (h ^ piece) * 0xFF51AFD7ED558CCDu; };
  if (n > 8) {
    size_t i = 0;
    for (; n - i > 8; i += 8) {
      mix(LoadBytes(p + i, 8));
      h ^= h >> 32;  // so that later pieces mix with the high bits too
    }
    mix(LoadBytes(p + n - 8, 8));  // the last eight, overlapping the piece before
  } else if (n >= 4) {
    mix(LoadBytes(p, 4) | LoadBytes(p + n - 4, 4) << 32);  // first four and last four
  } else if (n > 0) {
    const auto byte = [p](size_t i) { return uint64_t{static_cast<unsigned char>(p[i])}; };
    mix(byte(0) << 16 | byte(n / 2) << 8 | byte(n - 1));  // with n up to 3, every byte
  } else {
    mix(0);
  }
  // The product's high bits depend on every bit of the pieces: the slot index is taken there.
  return h;
}

inline TAMyCalLabel::TSlot& TAMyCalLabel::Probe(std::string_view name, uint64_t hash) {
  const size_t mask = FSlots.size() - 1;
  for (size_t i = hash >> FIndexShift;; i = (i + 1) & mask) {
    TSlot& slot = FSlots[i];
    if (slot.Item == nullptr) return slot;
    if (slot.Hash == hash && scan::SameBytes(slot.Item->Name, name)) return slot;
  }
}

TMyCalLabel* TAMyCalLabel::Find(std::string_view name) {
  if (FSlots.empty()) return nullptr;
  return Probe(name, HashOf(name)).Item;
}

const TMyCalLabel* TAMyCalLabel::Find(std::string_view name) const {
  // The look-up changes nothing; only the slot it hands back is a mutable one.
  return const_cast<TAMyCalLabel*>(this)->Find(name);
}

void TAMyCalLabel::Append(std::string name, Extended value) {
  if (2 * (FItems.size() + 1) > FSlots.size()) Grow();
  const uint64_t hash = HashOf(name);
  TSlot& slot = Probe(name, hash);
  FItems.push_back({std::move(name), value});
  // A second label of a known name is listed but not indexed: the first one keeps the name.
  if (slot.Item == nullptr) slot = {hash, &FItems.back()};
}

void TAMyCalLabel::Grow() {
  FSlots.assign(FSlots.empty() ? 64 : 2 * FSlots.size(), TSlot{});
  FIndexShift = 64 - std::countr_zero(FSlots.size());
  for (TMyCalLabel& label : FItems) {
    const uint64_t hash = HashOf(label.Name);
    TSlot& slot = Probe(label.Name, hash);
    if (slot.Item == nullptr) slot = {hash, &label};
  }
}

void TAMyCalLabel::Clear() {
  FSlots.clear();
  FItems.clear();
}

// ---- Additions ------------------------------------------------------------------------------

bool TCalcuAddition::TakeFile(const std::string&, const char*) { return false; }
bool TCalcuAddition::Directive(const std::string&, const char*&) { return false; }
bool TCalcuAddition::DoFunction(std::string_view, TAArgRec&) { return false; }
bool TCalcuAddition::DoLabel(std::string_view, Extended&, TLabelMode) { return false; }
void TCalcuAddition::Notify(TNotifyPhase) {}

namespace {
std::vector<TCalcuAdditionClass>& Registry() {
  static std::vector<TCalcuAdditionClass> classes;
  return classes;
}
}  // namespace

void RegisterAddition(const TCalcuAdditionClass& cls) {
  for (const TCalcuAdditionClass& known : Registry())
    if (known.Name == cls.Name) return;
  Registry().push_back(cls);
}

const std::vector<TCalcuAdditionClass>& AdditionClasses() { return Registry(); }

void ClearAdditionClasses() { Registry().clear(); }

// ---- The engine -----------------------------------------------------------------------------

TAnsiCalculate::TAnsiCalculate(std::string text, const platform::TServices& services)
    : FText(std::move(text)), FServices(services), FFormat(services.Format) {
  for (const TCalcuAdditionClass& cls : AdditionClasses()) AddAddition(cls);
  FCursor = FText.c_str();
  FLineStart = FCursor;
}

TAnsiCalculate::~TAnsiCalculate() {
  // First to last, as they were attached.
  for (auto& addition : FAdditions) addition.reset();
}

void TAnsiCalculate::AddAddition(const TCalcuAdditionClass& cls) {
  for (std::string_view name : FAdditionNames)
    if (name == cls.Name) return;
  FAdditions.push_back(cls.Create());
  FAdditionNames.push_back(cls.Name);
  TCalcuAddition* addition = FAdditions.back().get();
  addition->FEngine = this;
  if (addition->HandlesFunctions()) FFunctionAdditions.push_back(addition);
  if (addition->HandlesLabels()) FLabelAdditions.push_back({addition, addition->LabelStartChars()});
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
}

void TAnsiCalculate::SetText(std::string text) {
  FText = std::move(text);
  FCursor = FText.c_str();
  FLineStart = FCursor;
}

void TAnsiCalculate::Error(const std::string& message) {
  FErrorReported = true;
  AddNote("!Err:" + message);
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
  Reset();
  for (auto& addition : FAdditions) addition->Notify(TNotifyPhase::PassBegins);
  while (*FCursor != '\0') {
    scan::SkipCharSet(FCursor, WhiteChars);
    FNote.clear();
    FLineStart = FCursor;
    if (*FCursor == '#')
      DirectiveLine();
    else
      StatementLine();
  }
  for (auto& addition : FAdditions) addition->Notify(TNotifyPhase::PassEnded);
}

void TAnsiCalculate::SkipRestOfLine() { scan::SkipUntilCharSet(FCursor, LineEndChars); }

void TAnsiCalculate::StatementLine() {
  FErrorReported = false;
  try {
    // The result text goes through a member string, so that a long one needs no allocation.
    if (ParseStatement()) {
      if (FNote.empty()) FormatValueInto(FValue, FValueText);
      PutLine(FNote.empty() ? FValueText : FNote);
      SkipRestOfLine();
    } else {
      SkipRestOfLine();
      if ((FMode & 1) != 0) FormatValueInto(FValue, FValueText);
      PutLine((FMode & 1) != 0 ? FValueText : std::string());
    }
  } catch (const std::exception&) {
    // A failed line is written up to where evaluation stopped. Only an error reported through
    // FailLine is annotated: a note left by pr before another fault must not pass for a result.
    PutLine(FErrorReported ? FNote : std::string());
    SkipRestOfLine();
  }
}

namespace {
// The directives a user types that the engine handles itself ("#m", "#ScriptFile" and "#fmt"
// are left out of completion: they are the sheet's settings, not commands).
constexpr const char* ConstantsDirective = "定数";
constexpr const char* HelpDirective = "h";
constexpr std::string_view HelpText =
    "#定数 で 内部定数一覧\r\n"
    " !論理反転(0⇔1)　NOT ビット反転  ~ 24bitビット反転";
}  // namespace

void TAnsiCalculate::DirectiveLine() {
  ++FCursor;  // '#'
  std::string name;
  scan::ReadWhileCharSetMB(FCursor, scan::WordChars, name);
  scan::SkipBlanks(FCursor, false);
  if (name == "ScriptFile") {
    if (*FCursor != '=') FailLine("ScriptFileの後に=が無い");
    PutLine("// 未実装");
  } else if (name == "fmt") {
    if (*FCursor != '=') FailLine("fmtの後に=が無い");
    std::string rest;
    scan::ReadUntilCharSet(FCursor, LineEndChars, rest);
    PutLine("// 未実装");
  } else if (scan::SameTextAscii(name, ConstantsDirective)) {
    PutLine(std::string());
    ListConstants();
  } else if (scan::SameTextAscii(name, "m")) {
    scan::SkipBlanks(FCursor, false);
    ParseExpression();
    FMode = static_cast<int32_t>(static_cast<uint32_t>(RoundToInt64(FValue)));
  } else {
    if (name.empty() || scan::SameTextAscii(name, HelpDirective)) {
      PutLine(std::string());
      WriteLine(HelpText);
    }
    for (auto& addition : FAdditions)
      if (addition->Directive(name, FCursor)) break;
  }
  SkipRestOfLine();
}

std::vector<std::string> TAnsiCalculate::CompletionNames() const {
  std::vector<std::string> names = BuiltInFunctionNames();
  for (std::string& c : ConstantNames()) names.push_back(std::move(c));
  for (const char* d : {ConstantsDirective, HelpDirective}) names.push_back(std::string("#") + d);
  for (const auto& addition : FAdditions)
    for (const std::string& d : addition->DirectiveNames()) names.push_back("#" + d);
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
