// The identifier table, against a plain linear model and at the edges of its hash index.
#include "pas2js/LabelTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "scan/uAnsiCharTools.h"

namespace pas2js {
namespace {

std::string_view Add(TLabelTable& c, std::string_view name, int32_t flags = 0) {
  bool known;
  return c.Add(name, flags, known);
}

std::string Numbered(const char* prefix, int i) {
  std::string s = prefix;
  s += std::to_string(i);
  return s;
}

// The table as the converter's documentation describes it: linear scans, a full copy per trial.
struct TModelTable {
  AString Entries = AString(4096);
  int32_t Count = 0;
  std::vector<AString> Copies;

  int32_t Find(std::string_view name) const {
    for (int32_t i = 0; i < Count; ++i)
      if (TLabelTable::SameText(Entries[i].Name, name)) return i;
    return -1;
  }
  void Add(std::string_view name, int32_t flags) {
    if (int32_t i = Find(name); i >= 0) {
      Entries[i].Flags = flags | 1;
      return;
    }
    Entries[Count] = {std::string(name), flags | 1};
    if (++Count >= static_cast<int32_t>(Entries.size())) Entries.resize(Entries.size() * 2);
  }
  bool TakePending(std::string_view name) {
    int32_t i = Find(name);
    if (i < 0 || (Entries[i].Flags & lfLetPending) == 0) return false;
    Entries[i].Flags &= 127;
    return true;
  }
  void Shift(int32_t delta) {
    for (int32_t i = 0; i < Count; ++i) {
      int32_t& f = Entries[i].Flags;
      if ((f & lfLocal) && !(f & lfLetPending))
        f = static_cast<int32_t>(static_cast<uint32_t>(f) + static_cast<uint32_t>(delta * 128));
    }
  }
  void Mark() { Copies.push_back(Entries); }
  void Rollback() {
    AString copy = std::move(Copies.back());
    Copies.pop_back();
    copy.resize(std::max(copy.size(), Entries.size()));  // the table never shrinks below its count
    Entries = std::move(copy);
  }
  void Keep() { Copies.pop_back(); }
};

void ExpectSameTable(const TLabelTable& c, const TModelTable& m, int step) {
  ASSERT_EQ(c.Count(), m.Count) << "step " << step;
  for (int32_t i = 0; i < m.Count; ++i) {
    ASSERT_EQ(c.Name(i), m.Entries[i].Name) << "step " << step << " entry " << i;
    ASSERT_EQ(c.Flags(i), m.Entries[i].Flags) << "step " << step << " entry " << i;
  }
}

TEST(LabelTable, BehavesLikeTheLinearTableUnderRandomOperations) {
  const std::vector<std::string> pool = {"a", "A", "b", "Count", "COUNT", "i", "I", "Result",
                                         "x1", "X1", "",  "s",   "tmp",   "j",  "k"};
  const int32_t flagChoices[] = {0, lfLocal, lfLocal | lfLetPending, lfConst, lfLocal | lfBoolean,
                                 lfConst | lfLocal};
  for (unsigned seed = 1; seed <= 20; ++seed) {
    TLabelTable c;
    TModelTable m;
    std::mt19937 rnd(seed);
    std::vector<int32_t> marks, markNesting;
    int32_t nesting = 0;
    for (int step = 0; step < 3000; ++step) {
      const std::string& name = pool[rnd() % pool.size()];
      switch (rnd() % 10) {
        case 0: case 1: case 2: {
          const int32_t flags = flagChoices[rnd() % 6];
          const bool wasKnown = m.Find(name) >= 0;
          bool known = !wasKnown;
          std::string spelling(c.Add(name, flags, known));
          m.Add(name, flags);
          ASSERT_EQ(spelling, m.Entries[m.Find(name)].Name);
          ASSERT_EQ(known, wasKnown);
          break;
        }
        case 3: case 4: {
          std::string n = name;
          ASSERT_EQ(c.TakePendingLet(n), m.TakePending(name)) << "step " << step;
          break;
        }
        case 5: case 6:
          c.ShiftBlockLevel(+1);
          m.Shift(+1);
          ++nesting;
          break;
        case 7:
          // Blocks close as they opened; a trial is undone at the nesting where it began.
          if (nesting > (markNesting.empty() ? 0 : markNesting.back())) {
            c.ShiftBlockLevel(-1);
            m.Shift(-1);
            --nesting;
          }
          break;
        case 8:
          if (marks.size() < 3) {
            marks.push_back(c.Mark());
            markNesting.push_back(nesting);
            m.Mark();
          }
          break;
        case 9:
          if (!marks.empty() && nesting == markNesting.back()) {
            if (rnd() % 3 == 0) {
              c.Keep(marks.back());
              m.Keep();
            } else {
              c.Rollback(marks.back());
              m.Rollback();
            }
            marks.pop_back();
            markNesting.pop_back();
          }
          break;
      }
      ExpectSameTable(c, m, step);
    }
  }
}

TEST(LabelTable, FirstSpellingWinsFlagsAreReplacedAndMarkedBoolean) {
  TLabelTable c;
  bool known = true;
  EXPECT_EQ(c.Add("Count", lfLocal | lfLetPending, known), "Count");
  EXPECT_FALSE(known);
  EXPECT_EQ(c.Add("COUNT", 0, known), "Count");
  EXPECT_TRUE(known);
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(c.Flags(0), lfRegistered);
  Add(c, "Done", lfLocal | lfLetPending);
  c.MarkBoolean({{"DONE", 0}, {"absent", 0}});
  EXPECT_EQ(c.Flags(1), lfRegistered | lfLocal | lfLetPending | lfBoolean);
  EXPECT_EQ(c.Flags(0), lfRegistered);
}

TEST(LabelTable, ADiscardedTrialThatGrewTheTableLeavesEmptyEntriesInUse) {
  TLabelTable c;
  Add(c, "kept");
  const int32_t mark = c.Mark();
  for (int i = 0; i < 5000; ++i) Add(c, Numbered("t", i));
  c.Rollback(mark);
  EXPECT_EQ(c.Count(), 5001);
  EXPECT_EQ(c.Name(1), "");
  EXPECT_EQ(c.Find("t10"), -1);
  EXPECT_EQ(c.Find(""), 1);
  // Registrations after it stay inside the table.
  for (int i = 0; i < 4000; ++i) Add(c, Numbered("u", i));
  EXPECT_EQ(c.Name(5001 + 3999), "u3999");
  EXPECT_EQ(c.Find("u3999"), 5001 + 3999);
}

TEST(LabelTable, AVariableFirstAssignedInANestedBlockIsPendingAgainAfterIt) {
  TLabelTable c;
  Add(c, "early", lfLocal | lfLetPending);
  Add(c, "late", lfLocal | lfLetPending);
  c.ShiftBlockLevel(+1);  // the routine body
  std::string early = "EARLY";
  EXPECT_TRUE(c.TakePendingLet(early));
  EXPECT_EQ(early, "early");
  c.ShiftBlockLevel(+1);  // begin
  std::string late = "late";
  EXPECT_TRUE(c.TakePendingLet(late));
  EXPECT_FALSE(c.TakePendingLet(late));
  c.ShiftBlockLevel(-1);  // end
  EXPECT_TRUE(c.TakePendingLet(late));
  EXPECT_FALSE(c.TakePendingLet(early));
  std::string unknown = "nobody";
  EXPECT_FALSE(c.TakePendingLet(unknown));
  EXPECT_EQ(unknown, "nobody");
}

// Names that share one hash: '_' and DEL differ only in bit 5, which the hash ignores.
std::string SameHashName(std::string_view prefix, char last) {
  std::string name(prefix);
  name += last;
  return name;
}

// Every name is found at its entry; every name of `gone` is not found.
void ExpectIndex(const TLabelTable& c, const std::vector<std::string>& names, int32_t first,
                 const std::vector<std::string>& gone, const char* when) {
  for (size_t i = 0; i < names.size(); ++i)
    ASSERT_EQ(c.Find(names[i]), first + static_cast<int32_t>(i)) << when << ": " << names[i];
  for (const std::string& name : gone) ASSERT_EQ(c.Find(name), -1) << when << ": " << name;
}

// Two names of one hash whose chain wraps from the index's last slot to its first. The index
// grows inside the trials and re-files the wrapped (later) name first; erasing it on rollback
// must shift the earlier one back, or that one is lost. Nested trials, one of them kept, undo
// in order around it.
TEST(LabelTable, CollidingNamesSurviveErasureInNestedRollbacks) {
  TLabelTable c;
  const uint32_t lastSlot = 2 * 4096 - 1;  // the index starts with 8,192 slots
  std::string prefix;
  for (int i = 0; (TLabelTable::NameHash(prefix + '_') & lastSlot) != lastSlot; ++i)
    prefix = Numbered("w", i);
  const std::string early = SameHashName(prefix, '_'), late = SameHashName(prefix, '\x7F');
  ASSERT_EQ(TLabelTable::NameHash(early), TLabelTable::NameHash(late));

  std::vector<std::string> base, outer = {late}, inner;
  for (int i = 0; i < 2000; ++i) base.push_back(Numbered("b", i));
  for (int i = 0; i < 2000; ++i) outer.push_back(Numbered("t", i));
  for (int i = 0; i < 1000; ++i) inner.push_back(Numbered("u", i));
  Add(c, early);  // the last slot
  for (const std::string& name : base) Add(c, name);
  const int32_t outerMark = c.Mark();
  for (const std::string& name : outer) Add(c, name);  // `late` wraps around
  const int32_t innerMark = c.Mark();
  for (const std::string& name : inner) Add(c, name);  // the index grows
  c.Rollback(innerMark);
  ExpectIndex(c, base, 1, inner, "inner rollback");
  ExpectIndex(c, outer, 1 + static_cast<int32_t>(base.size()), {}, "inner rollback");
  const int32_t keptMark = c.Mark();
  Add(c, "kept");
  c.Keep(keptMark);
  c.Rollback(outerMark);  // the kept trial goes with the one around it
  // `early` is looked up here first: a name once found is answered from a cache of recent ones.
  EXPECT_EQ(c.Find(early), 0);
  ExpectIndex(c, base, 1, outer, "outer rollback");
  EXPECT_EQ(c.Find("kept"), -1);
}

// Names are compared eight bytes at a time: only 'A'..'Z' against 'a'..'z' may differ, never the
// bytes around them ('@' '[' '`' '{') nor bytes above 0x7F that differ in the same bit. Every
// pair is also looked up in the table under both spellings.
// ASCII letters folded, a double-byte character (a lead byte and the byte behind it) exact.
bool SameNameByCharacter(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (scan::IsLeadByte(a[i]) && i + 1 < a.size()) {
      if (a.compare(i, 2, b, i, 2) != 0) return false;
      ++i;
    } else if (!scan::SameTextAscii(a.substr(i, 1), b.substr(i, 1))) {
      return false;
    }
  }
  return true;
}

TEST(LabelTable, SameTextFoldsAsciiLettersOnly) {
  const std::string alphabet = std::string("AaZz@`[{_0Mm") + "\xC1\xE1\x81\xA1";
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    const size_t length = round % 21;
    std::string a, b;
    for (size_t i = 0; i < length; ++i) {
      const char c = alphabet[random() % alphabet.size()];
      a += c;
      // Mostly the same byte or its other case, so that equal pairs are frequent.
      const unsigned pick = random() % 4;
      char d = c;
      if (pick == 1 && c >= 'A' && c <= 'Z') d = static_cast<char>(c + 32);
      if (pick == 1 && c >= 'a' && c <= 'z') d = static_cast<char>(c - 32);
      if (pick == 2) d = static_cast<char>(c ^ 0x20);
      b += d;
    }
    const bool same = SameNameByCharacter(a, b);
    ASSERT_EQ(TLabelTable::SameText(a, b), same) << a << " / " << b;
    if (length == 0) continue;
    TLabelTable c;
    Add(c, a);
    EXPECT_EQ(c.Find(b), same ? 0 : -1) << a << " / " << b;
  }
}

}  // namespace
}  // namespace pas2js
