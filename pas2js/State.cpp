// The converter's state: output routing and captures, the types declared, and the driver that
// starts a conversion.
#include <memory>
#include <string>

#include "pas2js/Pas2JavaSc.h"
#include "platform/Console.h"

namespace pas2js {

TuPas2JavaSc::TuPas2JavaSc(std::string_view text, const TConvertOptions& options,
                           TOutputSink& sink, platform::TDebugEcho* echo)
    : FDebugTags(options.DebugTags),
      FDebugConsole(options.DebugConsole),
      FTextStart(text.data()),
      FTextEnd(text.data() + text.size()),
      FOutputText(sink.Text()),
      FDebugEcho(echo) {}

// ---- Output ------------------------------------------------------------------------------------

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
  FHolds.Hold(hold, FDebugConsole ? nullptr : &FOutputText);
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

size_t TRoutineState::TCaseFoldHash::operator()(std::string_view s) const noexcept {
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
  FRoutines.Types.push_back(entry);
  FRoutines.TypeIndex.try_emplace(entry.Name, static_cast<int32_t>(FRoutines.Types.size() - 1));
}

int32_t TuPas2JavaSc::FindType(std::string_view name) const {
  auto it = FRoutines.TypeIndex.find(name);
  return it == FRoutines.TypeIndex.end() ? -1 : it->second;
}

bool TuPas2JavaSc::FindMember(std::string& name) {
  const TLabelD* match = nullptr;
  for (const TLabelD& m : FRoutines.CurType.Members) {
    if (m.Name.size() == name.size() && SameText(m.Name, name)) match = &m;
  }
  if (match == nullptr) return false;
  name = match->Name;
  FLogical = (match->Flags & lfBoolean) != 0;
  return true;
}

// ---- Driver --------------------------------------------------------------------------------------

size_t TuPas2JavaSc::Execute() {
  static constexpr TStopSet Stop = StopSet({});
  const char* p = FTextStart;
  Translate(p, Stop, "Exec");
  // The loop may stop at FTextEnd; the count still runs to the zero byte.
  while (*p != '\0') ++p;
  return static_cast<size_t>(p - FTextStart);
}

namespace {

// "name:flags", the flags as letters (Registered, Const, Local, Boolean, Method, let Pending) and
// the block level behind "@" when there is one.
void DumpEntry(std::string& out, std::string_view name, int32_t flags) {
  out.append(name).append(":");
  constexpr struct {
    int32_t Flag;
    char Letter;
  } Letters[] = {{lfRegistered, 'R'}, {lfConst, 'C'}, {lfLocal, 'L'},
                 {lfBoolean, 'B'},    {lfMethod, 'M'}, {lfLetPending, 'P'}};
  for (const auto& l : Letters)
    if (flags & l.Flag) out += l.Letter;
  // Bit 30 is the pending mark; a level below zero sets it too (the flags turn negative).
  const int32_t level = flags < 0 ? flags >> 7 : (flags & ~lfLetPending) >> 7;
  if (level != 0) out.append("@").append(std::to_string(level));
}

}  // namespace

std::string TuPas2JavaSc::DumpNames() const {
  std::string out;
  for (int32_t i = 0; i < FLabels.Count(); ++i) {
    DumpEntry(out, FLabels.Name(i), FLabels.Flags(i));
    out += '\n';
  }
  for (const TPasRec& type : FRoutines.Types) {
    out.append("type ").append(type.Name).append(" =");
    for (const TLabelD& member : type.Members) DumpEntry(out.append(" "), member.Name, member.Flags);
    out += '\n';
  }
  return out;
}

size_t ConvertPascal(std::string_view text, const TConvertOptions& options, TOutputSink& sink,
                     platform::TDebugEcho* echo) {
  // On the heap: the nested runs may take nearly all of the stack.
  auto converter = std::make_unique<TuPas2JavaSc>(text, options, sink, echo);
  return converter->Execute();
}

}  // namespace pas2js
