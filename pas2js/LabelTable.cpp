// The identifier table: names compared and hashed eight bytes at a time, an open-addressing
// index with backward-shift erasure, lazy block levels and the undo log of trials.
#include "pas2js/LabelTable.h"

#include <bit>
#include <cstring>
#include <utility>

#include "scan/uAnsiCharTools.h"

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

// ---- Name comparison -------------------------------------------------------------------------

bool TLabelTable::SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  bool folded = false;
  for (size_t i = 0; i < a.size(); i += 8) {
    const size_t n = a.size() - i < 8 ? a.size() - i : 8;
    const uint64_t x = LoadShort(a.data() + i, n), y = LoadShort(b.data() + i, n);
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
  FSlots.assign(2 * InitialTableLength, 0);
  FSlotsUsed = 0;
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

// Eight bytes at a time, each with bit 5 set: the two cases of a letter hash alike (so do a few
// other pairs of bytes, which costs a comparison, never a wrong answer).
uint32_t TLabelTable::NameHash(std::string_view name) {
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

int32_t TLabelTable::Find(std::string_view name) const {
  if (name.empty()) return FFirstEmpty;
  const uint32_t hash = NameHash(name);
  TRecentName& recent = FRecentNames[hash & (FRecentNames.size() - 1)];
  if (recent.Hash == hash && recent.Index >= 0 && recent.Index < FCount &&
      SameText(FEntries[recent.Index].Name, name))
    return recent.Index;
  const size_t mask = FSlots.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const uint64_t slot = FSlots[i];
    if (slot == 0) return -1;
    const int32_t index = static_cast<int32_t>(static_cast<uint32_t>(slot)) - 1;
    if (static_cast<uint32_t>(slot >> 32) == hash && SameText(FEntries[index].Name, name)) {
      recent = {hash, index};
      return index;
    }
  }
}

void TLabelTable::IndexInsert(uint32_t hash, int32_t index) {
  if ((FSlotsUsed + 1) * 2 > FSlots.size()) {
    std::vector<uint64_t> old(FSlots.size() * 2, 0);
    old.swap(FSlots);
    const size_t mask = FSlots.size() - 1;
    for (uint64_t slot : old) {
      if (slot == 0) continue;
      size_t i = static_cast<uint32_t>(slot >> 32) & mask;
      while (FSlots[i] != 0) i = (i + 1) & mask;
      FSlots[i] = slot;
    }
  }
  const size_t mask = FSlots.size() - 1;
  size_t i = hash & mask;
  while (FSlots[i] != 0) i = (i + 1) & mask;
  FSlots[i] = (static_cast<uint64_t>(hash) << 32) | static_cast<uint32_t>(index + 1);
  ++FSlotsUsed;
}

// Backward-shift deletion keeps every probe chain unbroken.
void TLabelTable::IndexErase(int32_t index) {
  const size_t mask = FSlots.size() - 1;
  size_t i = NameHash(FEntries[index].Name) & mask;
  while (FSlots[i] != 0 &&
         static_cast<int32_t>(static_cast<uint32_t>(FSlots[i])) - 1 != index)
    i = (i + 1) & mask;
  if (FSlots[i] == 0) return;
  for (size_t j = (i + 1) & mask; FSlots[j] != 0; j = (j + 1) & mask) {
    const size_t home = static_cast<uint32_t>(FSlots[j] >> 32) & mask;
    // Move j's entry into the hole at i when its home does not lie cyclically in (i, j].
    if (((j - home) & mask) >= ((j - i) & mask)) {
      FSlots[i] = FSlots[j];
      i = j;
    }
  }
  FSlots[i] = 0;
  --FSlotsUsed;
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
