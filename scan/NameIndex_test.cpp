// The name index and the hash names are filed under.
#include "scan/NameIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scan {
namespace {

TEST(NameHash, EveryByteAndTheLengthCount) {
  // Each byte of names from 0 to 20 bytes changed in turn: the hash changes with it.
  for (size_t n = 0; n <= 20; ++n) {
    std::string name(n, 'a');
    const uint64_t h = NameHash(name);
    EXPECT_NE(NameHash(name + "a"), h) << n;
    for (size_t i = 0; i < n; ++i) {
      std::string other = name;
      other[i] = 'b';
      EXPECT_NE(NameHash(other), h) << n << " " << i;
      other[i] = 'A';
      EXPECT_NE(NameHash(other), h) << n << " " << i;
      EXPECT_EQ(NameHash(other, FoldCase), NameHash(name, FoldCase)) << n << " " << i;
    }
  }
  EXPECT_EQ(NameHash("Total_Sum", FoldCase), NameHash("TOTAL_sum", FoldCase));
}

// A slot whose hash the test chooses, so that names collide as the test wants.
struct TTestSlot {
  uint64_t FullHash = 0;
  int Item = -1;
  bool Free() const { return Item < 0; }
  uint64_t Hash() const { return FullHash; }
};

class TIndexTest : public ::testing::Test {
 protected:
  // Item i is filed under hashes[i]; finds item `item` by its own hash (-1: not found).
  int Find(int item) {
    if (FIndex.Size() == 0) return -1;
    return FIndex.Probe(FHashes[item], [item](const TTestSlot& s) { return s.Item == item; }).Item;
  }
  void Add(uint64_t hash) {
    const int item = static_cast<int>(FHashes.size());
    FHashes.push_back(hash);
    FIndex.MakeRoom();
    TTestSlot& slot = FIndex.Probe(hash, [](const TTestSlot&) { return false; });
    ASSERT_TRUE(slot.Free());
    FIndex.Fill(slot, {hash, item});
  }
  void Erase(int item) {
    FIndex.Erase(FHashes[item], [item](const TTestSlot& s) { return s.Item == item; });
  }

  TNameIndex<TTestSlot> FIndex;
  std::vector<uint64_t> FHashes;
};

// The top bits choose the first slot: chains of equal and of neighbouring homes, one wrapping
// round the array's end, keep every other entry reachable when one is erased, and growing files
// them all again.
TEST_F(TIndexTest, ErasedSlotsLeaveEveryProbeUnbroken) {
  constexpr uint64_t Last = ~uint64_t{0};  // home: the last slot
  constexpr uint64_t Top = uint64_t{1} << 58;  // with 64 slots, home 1 (and 2 for 2 * Top, ...)
  const std::vector<uint64_t> hashes = {Last, Last - 1, Top, 0, Top + 5, 2 * Top, 0, Last - 2};
  for (size_t erased = 0; erased < hashes.size(); ++erased) {
    FIndex.Reset(0);
    FHashes.clear();
    for (uint64_t h : hashes) Add(h);
    EXPECT_EQ(FIndex.Size(), 64u);
    Erase(static_cast<int>(erased));
    Erase(static_cast<int>(erased));  // no longer there: nothing happens
    for (size_t i = 0; i < hashes.size(); ++i) {
      EXPECT_EQ(Find(static_cast<int>(i)), i == erased ? -1 : static_cast<int>(i))
          << "erased " << erased << ", item " << i;
    }
  }
  // 33 entries do not fit half of 64 slots: the array doubles and every entry stays found.
  for (int i = 0; i < 30; ++i) Add(Top * static_cast<uint64_t>(i % 3));
  EXPECT_EQ(FIndex.Size(), 128u);
  const int erased = static_cast<int>(hashes.size()) - 1;
  for (int i = 0; i < static_cast<int>(FHashes.size()); ++i) {
    EXPECT_EQ(Find(i), i == erased ? -1 : i) << i;
  }
}

}  // namespace
}  // namespace scan
