#pragma once
// The converter's identifier table: every name met so far under its first spelling, with its
// flags. Names are found through a hash index; block-scoped names change level lazily as blocks
// open and close; a trial translation records the changes it makes so that they can be undone.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scan/NameIndex.h"

namespace pas2js {

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
/// A growable list of TLabelD (a type's members, a declaration list).
using AString = std::vector<TLabelD>;

/// The identifier table. Entries are numbered in the order their names were first registered;
/// an entry stays in use once taken (a name a trial registered and then undid leaves an entry
/// with an empty name behind).
class TLabelTable {
 public:
  TLabelTable() { Reset(); }

  /// Equal, ASCII letters compared case-insensitively (a double-byte character's trail byte
  /// compared exactly).
  static bool SameText(std::string_view a, std::string_view b);
  /// The first length(prefix) characters of s equal prefix, ASCII case-insensitively.
  static bool StartsWithText(std::string_view s, std::string_view prefix);
  /// The hash a name is filed under: equal for names SameText finds equal (and for bytes that
  /// differ only in bit 5, such as '_' and DEL).
  static uint32_t NameHash(std::string_view name) {
    return static_cast<uint32_t>(scan::NameHash(name, scan::FoldCase));
  }

  /// Empties the table: no entry in use, no trial running, block nesting zero.
  void Reset();
  /// Entries in use.
  int32_t Count() const { return FCount; }
  /// The spelling of an entry in use.
  const std::string& Name(int32_t index) const { return FEntries[index].Name; }
  /// The true flags of an entry in use, block level included.
  int32_t Flags(int32_t index) const;
  /// Index of the entry with that name (case-insensitive), or -1.
  int32_t Find(std::string_view name) const;
  /// Registers a name with flags | lfRegistered (a registered one gets its flags replaced);
  /// known := it was registered before. Returns the first registered spelling; the view lasts
  /// until the table changes.
  std::string_view Add(std::string_view name, int32_t flags, bool& known);
  /// Found with lfLetPending: name := spelling, flags := flags and 127, true. Found otherwise:
  /// name := spelling, false. Not found: false, name unchanged.
  bool TakePendingLet(std::string& name);
  /// Sets lfBoolean in every entry whose name is one of the names.
  void MarkBoolean(const AString& names);
  /// Adds delta*128 to every entry in use with lfLocal and without lfLetPending; one whose level
  /// drops below zero turns lfLetPending.
  void ShiftBlockLevel(int32_t delta);

  /// Starts a trial: from here on, changes are recorded. Returns the mark to undo to. Trials nest.
  int32_t Mark();
  /// Undoes every change since the mark: entries are as they were, names registered since then
  /// become empty entries that stay in use (Count keeps its value). Ends the trial.
  void Rollback(int32_t mark);
  /// Keeps the changes since the mark and ends the trial (an enclosing trial may still undo them).
  void Keep(int32_t mark);

 private:
  static bool SameTextByCharacter(std::string_view a, std::string_view b);
  struct TUndoRec {
    int32_t Index;     // entry changed
    int32_t Flags;     // its stored flags before the change
    int32_t Base;      // its block level base before the change
    bool Active;       // whether it was block-scoped and not pending
    bool Appended;     // the entry was appended (its name goes too)
  };
  // The last entry found per hash bucket, asked before the slots: an identifier is mostly used
  // again soon, and this small table stays in the cache where the slots do not. A name in use is
  // held by one entry only, so an entry in use that still bears the name is the first one.
  struct TRecentName {
    uint32_t Hash = 0;
    int32_t Index = -1;
  };

  // A slot of the name index: the name's hash in the high half (the index files by its top
  // bits), entry index + 1 in the low half; 0 when free.
  struct TNameSlot {
    uint64_t Bits = 0;
    bool Free() const { return Bits == 0; }
    uint64_t Hash() const { return Bits & ~uint64_t{0xFFFFFFFF}; }
    int32_t Index() const { return static_cast<int32_t>(static_cast<uint32_t>(Bits)) - 1; }
  };
  static uint64_t SlotHash(uint32_t hash) { return static_cast<uint64_t>(hash) << 32; }

  void IndexInsert(uint32_t hash, int32_t index);
  void IndexErase(int32_t index);
  void IndexName(int32_t index);
  void Record(int32_t index, bool appended);
  void StoreFlags(int32_t index, int32_t flags);
  void EndTrial();

  AString FEntries;         // length = table size, FCount in use; flags lag (see Flags)
  int32_t FCount = 0;
  // Block levels move lazily: an entry with lfLocal and without lfLetPending ("active") stores
  // its flags as of block nesting FBase[i]; its true flags add (FBlockNesting - base) * 128.
  // It turns pending only when the nesting drops below its threshold, so each entry sits in the
  // bucket of that threshold and ShiftBlockLevel visits nothing else.
  std::vector<int32_t> FBase;        // per entry: nesting its stored flags belong to
  std::vector<uint8_t> FActive;      // per entry: lfLocal and not lfLetPending
  std::unordered_map<int32_t, std::vector<int32_t>> FBuckets;  // threshold -> entries
  int32_t FBlockNesting = 0;         // sum of the ShiftBlockLevel deltas
  // Name index: names in use, not "", each to its first entry.
  scan::TNameIndex<TNameSlot> FIndex;
  mutable std::array<TRecentName, 1024> FRecentNames{};
  std::vector<int32_t> FEmptyNames;  // entries in use with an empty name
  int32_t FFirstEmpty = -1;          // the first of them
  // Trials.
  std::vector<TUndoRec> FUndo;       // changes during trials
  int32_t FTrialDepth = 0;           // trials running
  std::vector<int32_t> FTrialMarks;  // the marks of the trials running, innermost last
  std::vector<int32_t> FRecorded;    // per entry: where in FUndo its last record went
};

}  // namespace pas2js
