// The converter's state: output routing and captures, the types declared, and the driver that
// starts a conversion.
#include <string>

#include "pas2js/Pas2JavaSc.h"
#include "platform/Console.h"

namespace pas2js {

TuPas2JavaSc::TuPas2JavaSc(platform::TDebugEcho* echo) : FDebugEcho(echo) {}

TuPas2JavaSc::~TuPas2JavaSc() = default;

// ---- Output ------------------------------------------------------------------------------------

void TuPas2JavaSc::Collect(std::string_view text) {
  FHolds.Collect(text);
  if (FDebugConsole) EchoToConsole(text);
}

void TuPas2JavaSc::EchoToConsole(std::string_view text) {
  if (FDebugEcho) FDebugEcho->WriteDebugEcho(std::string(text));
}

void TuPas2JavaSc::CopyChar(const char*& p) {
  if (*p == '\0') return;
  const char* start = p;
  scan::StepChar(p);
  Write(std::string_view(start, static_cast<size_t>(p - start)));
}

// A capture is a hold whose text is taken; inside another collection it shares its buffer.
void TuPas2JavaSc::Capture(const char*& p, TStopSet stop, std::string_view level,
                           std::string& result) {
  THold hold;
  HoldOutput(hold, true);
  Translate(p, stop, level);
  TakeHeld(hold, result);
}

void TuPas2JavaSc::HoldOutput(THold& hold, bool noDebugMarks) {
  hold.DebugTags = FDebugTags;
  if (noDebugMarks) FDebugTags = false;
  // With the console echo the text is collected as usual, so that it is echoed where it always
  // was.
  FHolds.Hold(hold, FDebugConsole ? nullptr : FOutputText);
}

void TuPas2JavaSc::CaptureLogical(const char*& p, TStopSet stop, std::string_view level,
                                  std::string& result) {
  FLogical = true;
  Capture(p, stop, level, result);
}

// "[" elements "]" -> "[" elements "]"
void TuPas2JavaSc::Brackets(const char*& p) {
  static constexpr TStopSet Stop = StopSet({']'});
  if (*p == '[') CopyChar(p);
  Translate(p, Stop, "Hairetu");
  if (*p == ']') CopyChar(p);
}

// "(" group ")" -> "(" group ")" with emit, the bare group without
void TuPas2JavaSc::Parens(const char*& p, bool emit) {
  static constexpr TStopSet Stop = StopSet({')'});
  if (*p == '(') {
    if (emit) Write("(");
    ++p;
  }
  Translate(p, Stop, "Kakko");
  if (*p == ')') ++p;
  if (emit) Write(")");
}

// ---- Types ---------------------------------------------------------------------------------------

size_t TuPas2JavaSc::TCaseFoldHash::operator()(std::string_view s) const noexcept {
  uint64_t h = 14695981039346656037ull;  // FNV-1a over the folded bytes
  for (char c : s) {
    h ^= static_cast<unsigned char>(scan::LowerAscii(c));
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h);
}

void TuPas2JavaSc::MakeLabel(std::string_view name, int32_t flags, TLabelD& entry) {
  entry.Name.assign(name);
  entry.Flags = flags | lfRegistered;
}

void TuPas2JavaSc::AppendLabel(AString& list, const TLabelD& entry) { list.push_back(entry); }

void TuPas2JavaSc::AppendType(const TPasRec& entry) {
  FTypes.push_back(entry);
  FTypeIndex.try_emplace(entry.Name, static_cast<int32_t>(FTypes.size() - 1));
}

int32_t TuPas2JavaSc::FindType(std::string_view name) const {
  auto it = FTypeIndex.find(name);
  return it == FTypeIndex.end() ? -1 : it->second;
}

bool TuPas2JavaSc::FindMember(std::string& name) {
  const TLabelD* match = nullptr;
  for (const TLabelD& m : FCurType.Members) {
    if (m.Name.size() == name.size() && SameText(m.Name, name)) match = &m;
  }
  if (match == nullptr) return false;
  name = match->Name;
  FLogical = (match->Flags & lfBoolean) != 0;
  return true;
}

// ---- Driver --------------------------------------------------------------------------------------

void TuPas2JavaSc::Execute(const char*& p) {
  static constexpr TStopSet Stop = StopSet({});
  FConstWord = "const";
  FLetWord = "let";
  FHolds.Reset();
  FInRoutine = false;
  FDeclKind = 0;
  FDepth = 0;
  FResultState = -1;
  FLabels.Reset();
  FTextStart = p;
  Translate(p, Stop, "Exec");
  // The loop may stop at FTextEnd; the cursor still ends at the end of the text.
  while (*p != '\0') ++p;
}

}  // namespace pas2js
