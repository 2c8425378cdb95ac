// The converter's state: output routing and captures, the identifier table with its hash index,
// lazy block levels and trial undo log, and the driver that starts a conversion.
#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "pas2js/Pas2JavaSc.h"
#include "platform/Console.h"

namespace pas2js {

namespace {

constexpr size_t InitialTableLength = 4096;

// Names are compared and hashed eight bytes at a time, as numbers whose lowest byte comes first.
// The loads stay in registers: bytes gathered through memory would wait for each other.
static_assert(std::endian::native == std::endian::little, "the first byte is the lowest");

inline uint64_t Load8(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

inline uint32_t Load4(const char* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// The n bytes at p (n at most 8), zeros above them; reads no byte outside them.
inline uint64_t LoadShort(const char* p, size_t n) {
  if (n == 8) return Load8(p);
  if (n >= 4) {  // two loads that may overlap; the shared bytes are the same
    return Load4(p) | (static_cast<uint64_t>(Load4(p + n - 4)) << (8 * (n - 4)));
  }
  if (n == 0) return 0;
  const auto byte = [p](size_t i) {
    return static_cast<uint64_t>(static_cast<unsigned char>(p[i]));
  };
  return byte(0) | (byte(n / 2) << (8 * (n / 2))) | (byte(n - 1) << (8 * (n - 1)));
}

}  // namespace

TuPas2JavaSc::TuPas2JavaSc(platform::TDebugEcho* echo) : FDebugEcho(echo), FOut(EmitProc()) {
  ResetLabels();
}

TuPas2JavaSc::~TuPas2JavaSc() = default;

// ---- Output ------------------------------------------------------------------------------------

void TuPas2JavaSc::Collect(std::string_view text) {
  FCapture.append(text);
  if (FDebugConsole) EchoToConsole(text);
}

void TuPas2JavaSc::EchoToConsole(std::string_view text) {
  if (FDebugEcho) FDebugEcho->WriteDebugEcho(std::string(text));
}

void TuPas2JavaSc::CopyChar(const char*& p) {
  if (*p == '\0') return;
  Write(std::string_view(p, 1));
  ++p;
}

void TuPas2JavaSc::SwapOutput(TOutputProc& writer, std::string& buffer) {
  std::swap(FCapture, buffer);
  std::swap(FOut, writer);
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
  hold.Writer = FOut;
  const TOutputProc emit = EmitProc();
  // Held in place: nested holds nest in FOutputText as they do in FCapture. With the console
  // echo the text is collected as usual, so that it is echoed where it always was.
  hold.InOutput = FOutputText != nullptr && !FDebugConsole && FOut.Proc == emit.Proc &&
                  FOut.Object == emit.Object;
  if (hold.InOutput) {
    hold.Mark = FOutputText->size();
    return;
  }
  const TOutputProc collect = CollectProc();
  hold.Outermost = FOut.Proc != collect.Proc || FOut.Object != collect.Object;
  if (hold.Outermost) {
    hold.Saved = std::move(FCapture);
    FCapture = std::move(FSpareCapture);  // empty; its memory is warm already
    FCapture.clear();
    FOut = collect;
  }
  hold.Mark = FCapture.size();
}

// Puts FOut, FCapture and FDebugTags back as they were before the hold.
void TuPas2JavaSc::EndHold(THold& hold) {
  if (hold.InOutput) {
    FOutputText->resize(hold.Mark);
  } else if (hold.Outermost) {
    std::swap(hold.Saved, FCapture);
    FOut = hold.Writer;
  } else {
    FCapture.resize(hold.Mark);
  }
  FDebugTags = hold.DebugTags;
}

void TuPas2JavaSc::KeepHeld(THold& hold) {
  if (!hold.Outermost) {
    FDebugTags = hold.DebugTags;  // the text stays where it is (enclosing collection or output)
    return;
  }
  std::string text;
  std::swap(text, FCapture);
  EndHold(hold);
  Write(text);
  RecycleCapture(text);
}

void TuPas2JavaSc::DropHeld(THold& hold) {
  if (hold.Outermost) {
    std::string text;
    std::swap(text, FCapture);
    EndHold(hold);
    RecycleCapture(text);
    return;
  }
  EndHold(hold);
}

// Keeps a buffer of moderate size for the next outermost collection: fresh memory is expensive
// to touch, but a huge buffer is not worth holding on to.
void TuPas2JavaSc::RecycleCapture(std::string& buffer) {
  constexpr size_t MaxSpare = size_t{8} << 20;
  if (buffer.capacity() > MaxSpare || buffer.capacity() <= FSpareCapture.capacity()) return;
  buffer.clear();
  FSpareCapture = std::move(buffer);
}

void TuPas2JavaSc::TakeHeld(THold& hold, std::string& result) {
  if (hold.Outermost) {
    result.clear();
    std::swap(result, FCapture);
  } else {
    result.assign(HeldBuffer(hold), hold.Mark);
  }
  EndHold(hold);
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

// ---- Name comparison ---------------------------------------------------------------------------

bool TuPas2JavaSc::SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i += 8) {
    const size_t n = a.size() - i < 8 ? a.size() - i : 8;
    const uint64_t x = LoadShort(a.data() + i, n), y = LoadShort(b.data() + i, n);
    // A name is mostly met again in the spelling it was registered with.
    if (x != y && scan::LowerAscii8(x) != scan::LowerAscii8(y)) return false;
  }
  return true;
}

bool TuPas2JavaSc::StartsWithText(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

size_t TuPas2JavaSc::TCaseFoldHash::operator()(std::string_view s) const noexcept {
  uint64_t h = 14695981039346656037ull;  // FNV-1a over the folded bytes
  for (char c : s) {
    h ^= static_cast<unsigned char>(scan::LowerAscii(c));
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h);
}

// ---- Records and types ---------------------------------------------------------------------------

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

// ---- Identifier table ------------------------------------------------------------------------------

void TuPas2JavaSc::ResetLabels() {
  FLabels.assign(InitialTableLength, TLabelD{});
  FLabelCount = 0;
  FLabelSlots.assign(2 * InitialTableLength, 0);
  FLabelSlotsUsed = 0;
  FRecentNames.fill(TRecentName{});
  FEmptyNames.clear();
  FFirstEmpty = -1;
  FLabelBase.assign(InitialTableLength, 0);
  FLabelActive.assign(InitialTableLength, 0);
  FBuckets.clear();
  FBlockNesting = 0;
  FUndo.clear();
  FTrialDepth = 0;
  FTrialMarks.clear();
  FLabelRecorded.assign(InitialTableLength, -1);
}

// Eight bytes at a time, each with bit 5 set: the two cases of a letter hash alike (so do a few
// other pairs of bytes, which costs a comparison, never a wrong answer).
uint32_t TuPas2JavaSc::NameHash(std::string_view name) {
  constexpr uint64_t Fold = 0x2020202020202020ull, Mix = 0xff51afd7ed558ccdull;
  uint64_t h = 0x9e3779b97f4a7c15ull ^ name.size();
  const char* p = name.data();
  size_t left = name.size();
  while (left > 0) {
    const size_t n = left < 8 ? left : 8;
    h = (h ^ (LoadShort(p, n) | Fold)) * Mix;
    h ^= h >> 32;
    p += n;
    left -= n;
  }
  h ^= h >> 29;
  h *= Mix;
  return static_cast<uint32_t>(h ^ (h >> 32));
}

int32_t TuPas2JavaSc::FindLabel(std::string_view name) const {
  if (name.empty()) return FFirstEmpty;
  const uint32_t hash = NameHash(name);
  TRecentName& recent = FRecentNames[hash & (FRecentNames.size() - 1)];
  if (recent.Hash == hash && recent.Index >= 0 && recent.Index < FLabelCount &&
      SameText(FLabels[recent.Index].Name, name))
    return recent.Index;
  const size_t mask = FLabelSlots.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const uint64_t slot = FLabelSlots[i];
    if (slot == 0) return -1;
    const int32_t index = static_cast<int32_t>(static_cast<uint32_t>(slot)) - 1;
    if (static_cast<uint32_t>(slot >> 32) == hash && SameText(FLabels[index].Name, name)) {
      recent = {hash, index};
      return index;
    }
  }
}

void TuPas2JavaSc::IndexInsert(uint32_t hash, int32_t index) {
  if ((FLabelSlotsUsed + 1) * 2 > FLabelSlots.size()) {
    std::vector<uint64_t> old(FLabelSlots.size() * 2, 0);
    old.swap(FLabelSlots);
    const size_t mask = FLabelSlots.size() - 1;
    for (uint64_t slot : old) {
      if (slot == 0) continue;
      size_t i = static_cast<uint32_t>(slot >> 32) & mask;
      while (FLabelSlots[i] != 0) i = (i + 1) & mask;
      FLabelSlots[i] = slot;
    }
  }
  const size_t mask = FLabelSlots.size() - 1;
  size_t i = hash & mask;
  while (FLabelSlots[i] != 0) i = (i + 1) & mask;
  FLabelSlots[i] = (static_cast<uint64_t>(hash) << 32) | static_cast<uint32_t>(index + 1);
  ++FLabelSlotsUsed;
}

// Backward-shift deletion keeps every probe chain unbroken.
void TuPas2JavaSc::IndexErase(int32_t index) {
  const size_t mask = FLabelSlots.size() - 1;
  size_t i = NameHash(FLabels[index].Name) & mask;
  while (FLabelSlots[i] != 0 &&
         static_cast<int32_t>(static_cast<uint32_t>(FLabelSlots[i])) - 1 != index)
    i = (i + 1) & mask;
  if (FLabelSlots[i] == 0) return;
  for (size_t j = (i + 1) & mask; FLabelSlots[j] != 0; j = (j + 1) & mask) {
    const size_t home = static_cast<uint32_t>(FLabelSlots[j] >> 32) & mask;
    // Move j's entry into the hole at i when its home does not lie cyclically in (i, j].
    if (((j - home) & mask) >= ((j - i) & mask)) {
      FLabelSlots[i] = FLabelSlots[j];
      i = j;
    }
  }
  FLabelSlots[i] = 0;
  --FLabelSlotsUsed;
}

int32_t TuPas2JavaSc::LabelFlags(int32_t index) const {
  const int32_t stored = FLabels[index].Flags;
  if (!FLabelActive[index]) return stored;
  const uint32_t shift = static_cast<uint32_t>(FBlockNesting - FLabelBase[index]) * 128u;
  return static_cast<int32_t>(static_cast<uint32_t>(stored) + shift);
}

// A rollback puts an entry back as its first record since the innermost mark has it; later
// records of the same entry would only be undone on the way there. A trial over a long stretch
// of text changes the same entries over and over, so the log keeps one record per entry.
void TuPas2JavaSc::Record(int32_t index, bool appended) {
  if (FTrialDepth == 0) return;
  const int32_t last = FLabelRecorded[index];
  if (!appended && !FTrialMarks.empty() && last >= FTrialMarks.back() &&
      static_cast<size_t>(last) < FUndo.size() && FUndo[last].Index == index)
    return;
  FLabelRecorded[index] = static_cast<int32_t>(FUndo.size());
  FUndo.push_back({index, FLabels[index].Flags, FLabelBase[index], FLabelActive[index] != 0,
                   appended});
}

// Stores the true flags of an entry as of the current nesting and files it by the nesting at
// which its level would go below zero.
void TuPas2JavaSc::StoreFlags(int32_t index, int32_t flags) {
  FLabels[index].Flags = flags;
  FLabelBase[index] = FBlockNesting;
  const bool active = (flags & lfLocal) != 0 && (flags & lfLetPending) == 0;
  FLabelActive[index] = active;
  if (active) FBuckets[FBlockNesting - (flags >> 7) - 1].push_back(index);
}

void TuPas2JavaSc::IndexName(int32_t index) {
  const std::string& name = FLabels[index].Name;
  if (name.empty()) {
    FEmptyNames.push_back(index);
    if (FFirstEmpty < 0 || index < FFirstEmpty) FFirstEmpty = index;
  } else {
    IndexInsert(NameHash(name), index);
  }
}

std::string_view TuPas2JavaSc::AddLabel(std::string_view name, int32_t flags, bool setLogical) {
  int32_t index = FindLabel(name);
  if (index >= 0) {
    Record(index, false);
    StoreFlags(index, flags | lfRegistered);
    if (setLogical) FLogical = (flags & lfBoolean) != 0;
    return FLabels[index].Name;
  }
  index = FLabelCount;
  Record(index, true);
  FLabels[index].Name.assign(name);
  StoreFlags(index, flags | lfRegistered);
  IndexName(index);
  ++FLabelCount;
  if (static_cast<size_t>(FLabelCount) >= FLabels.size()) {
    const size_t length = FLabels.size() * 2;
    FLabels.resize(length);
    FLabelBase.resize(length, 0);
    FLabelActive.resize(length, 0);
    FLabelRecorded.resize(length, -1);
  }
  return FLabels[index].Name;
}

bool TuPas2JavaSc::TakePendingLet(std::string& name) {
  const int32_t index = FindLabel(name);
  if (index < 0) return false;
  name = FLabels[index].Name;
  const int32_t flags = LabelFlags(index);
  if ((flags & lfLetPending) == 0) return false;
  Record(index, false);
  StoreFlags(index, flags & 127);
  return true;
}

void TuPas2JavaSc::MarkBoolean(const AString& names) {
  auto mark = [this](int32_t index) {
    Record(index, false);
    FLabels[index].Flags |= lfBoolean;  // below the level bits: no shift disturbs it
  };
  for (const TLabelD& n : names) {
    if (n.Name.empty()) {
      for (int32_t index : FEmptyNames) mark(index);
    } else if (int32_t index = FindLabel(n.Name); index >= 0) {
      mark(index);
    }
  }
}

// Opening a block only moves the nesting; closing one turns pending exactly the entries whose
// level drops below zero, the ones filed under the new nesting.
void TuPas2JavaSc::ShiftBlockLevel(int32_t delta) {
  if (delta >= 0) {
    FBlockNesting += delta;
    return;
  }
  for (; delta < 0; ++delta) {
    --FBlockNesting;
    auto bucket = FBuckets.find(FBlockNesting);
    if (bucket == FBuckets.end()) continue;
    std::vector<int32_t> due = std::move(bucket->second);
    FBuckets.erase(bucket);
    for (int32_t index : due) {
      if (!FLabelActive[index]) continue;
      const int32_t flags = LabelFlags(index);
      if (flags >= 0) continue;  // filed earlier under another threshold and since moved
      Record(index, false);
      FLabels[index].Flags = flags;
      FLabelBase[index] = FBlockNesting;
      FLabelActive[index] = 0;
    }
  }
}

int32_t TuPas2JavaSc::MarkLabels() {
  ++FTrialDepth;
  FTrialMarks.push_back(static_cast<int32_t>(FUndo.size()));
  return FTrialMarks.back();
}

void TuPas2JavaSc::EndTrial() {
  if (!FTrialMarks.empty()) FTrialMarks.pop_back();
  if (--FTrialDepth <= 0) {
    FTrialDepth = 0;
    FTrialMarks.clear();
    FUndo.clear();
  }
}

void TuPas2JavaSc::RollbackLabels(int32_t mark) {
  while (FUndo.size() > static_cast<size_t>(mark)) {
    const TUndoRec rec = FUndo.back();
    FUndo.pop_back();
    TLabelD& entry = FLabels[rec.Index];
    if (rec.Appended && !entry.Name.empty()) {
      IndexErase(rec.Index);
      entry.Name.clear();
      IndexName(rec.Index);  // stays in use as an empty entry
    }
    entry.Flags = rec.Flags;
    FLabelBase[rec.Index] = rec.Base;
    FLabelActive[rec.Index] = rec.Active;
    if (rec.Active) FBuckets[rec.Base - (rec.Flags >> 7) - 1].push_back(rec.Index);
  }
  EndTrial();
}

void TuPas2JavaSc::KeepLabels(int32_t) { EndTrial(); }

// ---- Driver --------------------------------------------------------------------------------------

void TuPas2JavaSc::Execute(const char*& p) {
  static constexpr TStopSet Stop = StopSet({});
  FConstWord = "const";
  FLetWord = "let";
  FOut = EmitProc();
  FInRoutine = false;
  FDeclKind = 0;
  FDepth = 0;
  FResultState = -1;
  ResetLabels();
  FTextStart = p;
  Translate(p, Stop, "Exec");
  // The loop may stop at FTextEnd; the cursor still ends at the end of the text.
  while (*p != '\0') ++p;
}

}  // namespace pas2js
