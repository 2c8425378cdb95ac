#pragma once
// A hash index of names whose entries live elsewhere (the engine's labels, the converter's
// identifier table): open addressing with linear probing, so that a look-up is one probe into a
// flat array rather than a walk through chained nodes. Each user keeps its own entries and says
// what a slot holds and which entry matches a name.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "scan/uAnsiCharTools.h"

namespace scan {

/// For NameHash: bit 5 set in every byte, so that an ASCII letter hashes alike in both cases (so
/// do a few other pairs of bytes, which costs a comparison, never a wrong answer).
inline constexpr uint64_t FoldCase = 0x2020202020202020u;

/// The hash a name is filed under: the length and every byte count, each byte or-ed with `fold`
/// first. Every bit depends on every byte; an index takes its slot from the top bits.
inline uint64_t NameHash(std::string_view name, uint64_t fold = 0) {
  constexpr uint64_t Mix = 0xFF51AFD7ED558CCDu;
  // The length is mixed in first, so the pieces below need only cover every byte of a name of
  // that length; they may overlap. Fixed-size loads cost less than a loop over short names.
  const char* p = name.data();
  const size_t n = name.size();
  uint64_t h = n * 0x9E3779B97F4A7C15u;
  const auto mix = [&h, fold](uint64_t piece) { h = (h ^ (piece | fold)) * Mix; };
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
  // The product's low bits depend on the pieces' low bits only: folded back, every bit counts.
  h ^= h >> 29;
  h *= Mix;
  return h ^ (h >> 32);
}

/// The index: a power-of-two array of slots, at most half full, probed linearly from the slot the
/// top bits of a hash choose. TSlot is the user's small value type: value-initialised it is a
/// free slot; `bool Free() const` tells a free one, `uint64_t Hash() const` the hash an entry was
/// filed under (only its top bits choose the slot; the user may keep other data in the rest).
template <class TSlot>
class TNameIndex {
 public:
  /// Slots in the array; 0 before the first Reset or MakeRoom.
  size_t Size() const { return FSlots.size(); }
  /// Every slot free, `size` of them (a power of two, or 0 for none).
  void Reset(size_t size) {
    FSlots.assign(size, TSlot{});
    FShift = size == 0 ? 64 : 64 - std::countr_zero(size);
    FUsed = 0;
  }
  /// Every slot free; the size stays.
  void Clear() { Reset(FSlots.size()); }

  /// The slot filed under `hash` whose entry `matches(slot)` accepts, or the free slot that ends
  /// the probe (where such an entry belongs). Size() must not be 0.
  template <class TMatch>
  TSlot& Probe(uint64_t hash, TMatch&& matches) {
    const size_t mask = FSlots.size() - 1;
    for (size_t i = Home(hash);; i = (i + 1) & mask) {
      TSlot& slot = FSlots[i];
      if (slot.Free() || (slot.Hash() == hash && matches(slot))) return slot;
    }
  }
  /// Room for one more slot to be filled: when it would make the array more than half full, it
  /// doubles (64 slots at first) and every slot is filed again by its hash.
  void MakeRoom() {
    if (2 * (FUsed + 1) <= FSlots.size()) return;
    std::vector<TSlot> old(FSlots.empty() ? 64 : 2 * FSlots.size());
    old.swap(FSlots);
    FShift = 64 - std::countr_zero(FSlots.size());
    const size_t mask = FSlots.size() - 1;
    for (const TSlot& slot : old) {
      if (slot.Free()) continue;
      size_t i = Home(slot.Hash());
      while (!FSlots[i].Free()) i = (i + 1) & mask;
      FSlots[i] = slot;
    }
  }
  /// Fills the free slot that Probe handed back, with MakeRoom called before that Probe.
  void Fill(TSlot& free, const TSlot& slot) {
    free = slot;
    ++FUsed;
  }
  /// Frees the slot filed under `hash` that `is(slot)` picks (nothing when there is none). The
  /// slots behind it move back, so that every probe still passes no free slot before its end.
  template <class TIs>
  void Erase(uint64_t hash, TIs&& is) {
    if (FSlots.empty()) return;
    const size_t mask = FSlots.size() - 1;
    size_t i = Home(hash);
    while (!FSlots[i].Free() && !is(FSlots[i])) i = (i + 1) & mask;
    if (FSlots[i].Free()) return;
    for (size_t j = (i + 1) & mask; !FSlots[j].Free(); j = (j + 1) & mask) {
      const size_t home = Home(FSlots[j].Hash());
      // j's slot moves into the hole at i when its home does not lie cyclically in (i, j].
      if (((j - home) & mask) >= ((j - i) & mask)) {
        FSlots[i] = FSlots[j];
        i = j;
      }
    }
    FSlots[i] = TSlot{};
    --FUsed;
  }

 private:
  size_t Home(uint64_t hash) const { return static_cast<size_t>(hash >> FShift); }

  std::vector<TSlot> FSlots;
  int FShift = 64;   // a hash's top bits, as many as index FSlots, are its first slot
  size_t FUsed = 0;  // slots filled
};

}  // namespace scan
