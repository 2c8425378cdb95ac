// The identifier table: names compared eight bytes at a time and filed in a name index
// (scan/NameIndex.h), lazy block levels and the undo log of trials.
#include "pas2js/LabelTable.h"

#include <bit>
#include <utility>

#include "scan/uAnsiCharTools.h"

namespace pas2js {

namespace {

constexpr size_t InitialTableLength = 4096;

// Names are compared eight bytes at a time, as numbers whose lowest byte comes first.
static_assert(std::endian::native == std::endian::little, "the first byte is the lowest");

}  // namespace

// ---- Name comparison -------------------------------------------------------------------------

bool TLabelTable::SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  bool folded = false;
  for (size_t i = 0; i < a.size(); i += 8) {
    const size_t n = a.size() - i < 8 ? a.size() - i : 8;
    const uint64_t x = scan::LoadFewBytes(a.data() + i, n), y = scan::LoadFewBytes(b.data() + i, n);
    // A name is mostly met again in the spelling it was registered with.
    if (x == y) continue;
    if (scan::LowerAscii8(x) != scan::LowerAscii8(y)) return false;
    folded = true;
  }
  return !folded || SameTextByCharacter(a, b);
}

// Equal only in folded form: a trail byte that is a letter must match exactly.
bool TLabelTable::SameTextByCharacter(std::string_view a, std::string_view b) {
  for (size_t i = 0; i < a.size(); ++i) {
    if (scan::IsLeadByte(a[i]) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (scan::LowerAscii(a[i]) != scan::LowerAscii(b[i])) {
      return false;
    }
  }
  return true;
}

bool TLabelTable::StartsWithText(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

// ---- Table ----------------------------------------------------------------------------------

void TLabelTable::Reset() {
  FEntries.assign(InitialTableLength, TLabelD{});
  FCount = 0;
  FIndex.Reset(2 * InitialTableLength);
  FRecentNames.fill(TRecentName{});
  FEmptyNames.clear();
  FFirstEmpty = -1;
  FBase.assign(InitialTableLength, 0);
  FActive.assign(InitialTableLength, 0);
  FBuckets.clear();
  FBlockNesting = 0;
  FUndo.clear();
  FTrialDepth = 0;
  FTrialMarks.clear();
  FRecorded.assign(InitialTableLength, -1);
}

int32_t TLabelTable::Find(std::string_view name) const {
  if (name.empty()) return FFirstEmpty;
  const uint32_t hash = NameHash(name);
  TRecentName& recent = FRecentNames[hash & (FRecentNames.size() - 1)];
  if (recent.Hash == hash && recent.Index >= 0 && recent.Index < FCount &&
      SameText(FEntries[recent.Index].Name, name))
    return recent.Index;
  // The look-up changes nothing; only the slot it hands back is a mutable one.
  const TNameSlot& slot = const_cast<scan::TNameIndex<TNameSlot>&>(FIndex).Probe(
      SlotHash(hash),
      [&](const TNameSlot& s) { return SameText(FEntries[s.Index()].Name, name); });
  if (slot.Free()) return -1;
  recent = {hash, slot.Index()};
  return slot.Index();
}

void TLabelTable::IndexInsert(uint32_t hash, int32_t index) {
  FIndex.MakeRoom();
  // The name is not filed yet: the probe runs to the free slot at the end.
  TNameSlot& free = FIndex.Probe(SlotHash(hash), [](const TNameSlot&) { return false; });
  FIndex.Fill(free, {SlotHash(hash) | static_cast<uint32_t>(index + 1)});
}

void TLabelTable::IndexErase(int32_t index) {
  FIndex.Erase(SlotHash(NameHash(FEntries[index].Name)),
               [index](const TNameSlot& s) { return s.Index() == index; });
}

int32_t TLabelTable::Flags(int32_t index) const {
  const int32_t stored = FEntries[index].Flags;
  if (!FActive[index]) return stored;
  const uint32_t shift = static_cast<uint32_t>(FBlockNesting - FBase[index]) * 128u;
  return static_cast<int32_t>(static_cast<uint32_t>(stored) + shift);
}

// A rollback puts an entry back as its first record since the innermost mark has it; later
// records of the same entry would only be undone on the way there. A trial over a long stretch
// of text changes the same entries over and over, so the log keeps one record per entry.
void TLabelTable::Record(int32_t index, bool appended) {
  if (FTrialDepth == 0) return;
  const int32_t last = FRecorded[index];
  if (!appended && !FTrialMarks.empty() && last >= FTrialMarks.back() &&
      static_cast<size_t>(last) < FUndo.size() && FUndo[last].Index == index)
    return;
  FRecorded[index] = static_cast<int32_t>(FUndo.size());
  FUndo.push_back({index, FEntries[index].Flags, FBase[index], FActive[index] != 0,
                   appended});
}

// Stores the true flags of an entry as of the current nesting and files it by the nesting at
// which its level would go below zero.
void TLabelTable::StoreFlags(int32_t index, int32_t flags) {
  FEntries[index].Flags = flags;
  FBase[index] = FBlockNesting;
  const bool active = (flags & lfLocal) != 0 && (flags & lfLetPending) == 0;
  FActive[index] = active;
  if (active) FBuckets[FBlockNesting - (flags >> 7) - 1].push_back(index);
}

void TLabelTable::IndexName(int32_t index) {
  const std::string& name = FEntries[index].Name;
  if (name.empty()) {
    FEmptyNames.push_back(index);
    if (FFirstEmpty < 0 || index < FFirstEmpty) FFirstEmpty = index;
  } else {
    IndexInsert(NameHash(name), index);
  }
}

std::string_view TLabelTable::Add(std::string_view name, int32_t flags, bool& known) {
  int32_t index = Find(name);
  known = index >= 0;
  if (known) {
    Record(index, false);
    StoreFlags(index, flags | lfRegistered);
    return FEntries[index].Name;
  }
  index = FCount;
  Record(index, true);
  FEntries[index].Name.assign(name);
  StoreFlags(index, flags | lfRegistered);
  IndexName(index);
  ++FCount;
  if (static_cast<size_t>(FCount) >= FEntries.size()) {
    const size_t length = FEntries.size() * 2;
    FEntries.resize(length);
    FBase.resize(length, 0);
    FActive.resize(length, 0);
    FRecorded.resize(length, -1);
  }
  return FEntries[index].Name;
}

bool TLabelTable::TakePendingLet(std::string& name) {
  const int32_t index = Find(name);
  if (index < 0) return false;
  name = FEntries[index].Name;
  const int32_t flags = Flags(index);
  if ((flags & lfLetPending) == 0) return false;
  Record(index, false);
  StoreFlags(index, flags & 127);
  return true;
}

void TLabelTable::MarkBoolean(const AString& names) {
  auto mark = [this](int32_t index) {
    Record(index, false);
    FEntries[index].Flags |= lfBoolean;  // below the level bits: no shift disturbs it
  };
  for (const TLabelD& n : names) {
    if (n.Name.empty()) {
      for (int32_t index : FEmptyNames) mark(index);
    } else if (int32_t index = Find(n.Name); index >= 0) {
      mark(index);
    }
  }
}

// Opening a block only moves the nesting; closing one turns pending exactly the entries whose
// level drops below zero, the ones filed under the new nesting.
void TLabelTable::ShiftBlockLevel(int32_t delta) {
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
      if (!FActive[index]) continue;
      const int32_t flags = Flags(index);
      if (flags >= 0) continue;  // filed earlier under another threshold and since moved
      Record(index, false);
      FEntries[index].Flags = flags;
      FBase[index] = FBlockNesting;
      FActive[index] = 0;
    }
  }
}

int32_t TLabelTable::Mark() {
  ++FTrialDepth;
  FTrialMarks.push_back(static_cast<int32_t>(FUndo.size()));
  return FTrialMarks.back();
}

void TLabelTable::EndTrial() {
  if (!FTrialMarks.empty()) FTrialMarks.pop_back();
  if (--FTrialDepth <= 0) {
    FTrialDepth = 0;
    FTrialMarks.clear();
    FUndo.clear();
  }
}

void TLabelTable::Rollback(int32_t mark) {
  while (FUndo.size() > static_cast<size_t>(mark)) {
    const TUndoRec rec = FUndo.back();
    FUndo.pop_back();
    TLabelD& entry = FEntries[rec.Index];
    if (rec.Appended && !entry.Name.empty()) {
      IndexErase(rec.Index);
      entry.Name.clear();
      IndexName(rec.Index);  // stays in use as an empty entry
    }
    entry.Flags = rec.Flags;
    FBase[rec.Index] = rec.Base;
    FActive[rec.Index] = rec.Active;
    if (rec.Active) FBuckets[rec.Base - (rec.Flags >> 7) - 1].push_back(rec.Index);
  }
  EndTrial();
}

void TLabelTable::Keep(int32_t) { EndTrial(); }

}  // namespace pas2js
