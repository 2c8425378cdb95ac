// The identifier table (against a plain linear model), captures and output routing.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pas2js/TestConverter.h"

namespace pas2js {
namespace {

using testing::TTestConverter;

std::string Numbered(const char* prefix, int i) {
  std::string s = prefix;
  s += std::to_string(i);
  return s;
}

// The table as the converter's documentation describes it: linear scans, a full copy per trial.
struct TModelTable {
  AString Entries = AString(4096);
  int32_t Count = 0;
  bool Logical = false;
  std::vector<AString> Copies;

  int32_t Find(std::string_view name) const {
    for (int32_t i = 0; i < Count; ++i)
      if (TuPas2JavaSc::SameText(Entries[i].Name, name)) return i;
    return -1;
  }
  void Add(std::string_view name, int32_t flags, bool setLogical) {
    if (int32_t i = Find(name); i >= 0) {
      Entries[i].Flags = flags | 1;
      if (setLogical) Logical = (flags & lfBoolean) != 0;
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

void ExpectSameTable(const TuPas2JavaSc& c, const TModelTable& m, int step) {
  ASSERT_EQ(c.FLabelCount, m.Count) << "step " << step;
  for (int32_t i = 0; i < m.Count; ++i) {
    ASSERT_EQ(c.FLabels[i].Name, m.Entries[i].Name) << "step " << step << " entry " << i;
    ASSERT_EQ(c.LabelFlags(i), m.Entries[i].Flags) << "step " << step << " entry " << i;
  }
}

TEST(LabelTable, BehavesLikeTheLinearTableUnderRandomOperations) {
  const std::vector<std::string> pool = {"a", "A", "b", "Count", "COUNT", "i", "I", "Result",
                                         "x1", "X1", "",  "s",   "tmp",   "j",  "k"};
  const int32_t flagChoices[] = {0, lfLocal, lfLocal | lfLetPending, lfConst, lfLocal | lfBoolean,
                                 lfConst | lfLocal};
  for (unsigned seed = 1; seed <= 20; ++seed) {
    TuPas2JavaSc c;
    TModelTable m;
    std::mt19937 rnd(seed);
    std::vector<int32_t> marks, markNesting;
    int32_t nesting = 0;
    for (int step = 0; step < 3000; ++step) {
      const std::string& name = pool[rnd() % pool.size()];
      switch (rnd() % 10) {
        case 0: case 1: case 2: {
          const int32_t flags = flagChoices[rnd() % 6];
          const bool setLogical = rnd() % 2;
          std::string spelling(c.AddLabel(name, flags, setLogical));
          m.Add(name, flags, setLogical);
          ASSERT_EQ(spelling, m.Entries[m.Find(name)].Name);
          ASSERT_EQ(c.FLogical, m.Logical);
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
            marks.push_back(c.MarkLabels());
            markNesting.push_back(nesting);
            m.Mark();
          }
          break;
        case 9:
          if (!marks.empty() && nesting == markNesting.back()) {
            if (rnd() % 3 == 0) {
              c.KeepLabels(marks.back());
              m.Keep();
            } else {
              c.RollbackLabels(marks.back());
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

TEST(LabelTable, FirstSpellingWinsAndFlagsAreReplaced) {
  TuPas2JavaSc c;
  EXPECT_EQ(c.AddLabel("Count", lfLocal | lfLetPending, false), "Count");
  EXPECT_EQ(c.AddLabel("COUNT", 0, false), "Count");
  EXPECT_EQ(c.FLabelCount, 1);
  EXPECT_EQ(c.LabelFlags(0), lfRegistered);
}

TEST(LabelTable, TheTableDoublesWhenItsLastEntryIsTaken) {
  TuPas2JavaSc c;
  for (int i = 0; i < 4095; ++i) c.AddLabel(Numbered("n", i), 0, false);
  EXPECT_EQ(c.FLabels.size(), 4096u);
  c.AddLabel("n4095", 0, false);
  EXPECT_EQ(c.FLabels.size(), 8192u);
  c.AddLabel("n4096", 0, false);
  EXPECT_EQ(c.FLabels[4096].Name, "n4096");
  EXPECT_EQ(c.FindLabel("N4095"), 4095);
}

TEST(LabelTable, ADiscardedTrialThatGrewTheTableLeavesEmptyEntriesInUse) {
  TuPas2JavaSc c;
  c.AddLabel("kept", 0, false);
  const int32_t mark = c.MarkLabels();
  for (int i = 0; i < 5000; ++i) c.AddLabel(Numbered("t", i), 0, false);
  c.RollbackLabels(mark);
  EXPECT_EQ(c.FLabelCount, 5001);
  EXPECT_EQ(c.FLabels[1].Name, "");
  EXPECT_EQ(c.FindLabel("t10"), -1);
  EXPECT_EQ(c.FindLabel(""), 1);
  // Registrations after it stay inside the table.
  for (int i = 0; i < 4000; ++i) c.AddLabel(Numbered("u", i), 0, false);
  EXPECT_EQ(c.FLabels[5001 + 3999].Name, "u3999");
  EXPECT_GT(c.FLabels.size(), static_cast<size_t>(c.FLabelCount));
}

TEST(LabelTable, AVariableFirstAssignedInANestedBlockIsPendingAgainAfterIt) {
  TuPas2JavaSc c;
  c.AddLabel("early", lfLocal | lfLetPending, false);
  c.AddLabel("late", lfLocal | lfLetPending, false);
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

TEST(LabelTable, MarkBooleanAndFindMember) {
  TuPas2JavaSc c;
  c.AddLabel("Done", lfLocal | lfLetPending, false);
  AString names;
  AString::value_type e;
  TuPas2JavaSc::MakeLabel("DONE", 0, e);
  TuPas2JavaSc::AppendLabel(names, e);
  c.MarkBoolean(names);
  EXPECT_EQ(c.LabelFlags(0), lfRegistered | lfLocal | lfLetPending | lfBoolean);

  c.FCurType.Name = "T";
  c.FCurType.Members = {{"Items", 1}, {"Flag", 1}, {"FLAG", 1 | lfBoolean}};
  std::string name = "flag";
  EXPECT_TRUE(c.FindMember(name));
  EXPECT_EQ(name, "FLAG");  // the last match counts
  EXPECT_TRUE(c.FLogical);
  name = "Other";
  EXPECT_FALSE(c.FindMember(name));
  EXPECT_EQ(name, "Other");
}

TEST(LabelTable, StartsWithTextAndTypes) {
  EXPECT_TRUE(TuPas2JavaSc::StartsWithText("Boolean", "bool"));
  EXPECT_TRUE(TuPas2JavaSc::StartsWithText("x", ""));
  EXPECT_FALSE(TuPas2JavaSc::StartsWithText("bo", "bool"));
  TuPas2JavaSc c;
  c.AppendType({"TPoint", {}});
  c.AppendType({"TPOINT", {{"X", 1}}});
  EXPECT_EQ(c.FindType("tpoint"), 0);  // the first of a name
  EXPECT_EQ(c.FindType("TOther"), -1);
}

// Names that share one hash: '_' and DEL differ only in bit 5, which the hash ignores.
std::string SameHashName(std::string_view prefix, char last) {
  std::string name(prefix);
  name += last;
  return name;
}

// Every name is found at its entry; every name of `gone` is not found.
void ExpectIndex(const TuPas2JavaSc& c, const std::vector<std::string>& names, int32_t first,
                 const std::vector<std::string>& gone, const char* when) {
  for (size_t i = 0; i < names.size(); ++i)
    ASSERT_EQ(c.FindLabel(names[i]), first + static_cast<int32_t>(i)) << when << ": " << names[i];
  for (const std::string& name : gone) ASSERT_EQ(c.FindLabel(name), -1) << when << ": " << name;
}

// Two names of one hash whose chain wraps from the index's last slot to its first. The index
// grows inside the trials and re-files the wrapped (later) name first; erasing it on rollback
// must shift the earlier one back, or that one is lost. Nested trials, one of them kept, undo
// in order around it.
TEST(LabelTable, CollidingNamesSurviveErasureInNestedRollbacks) {
  TuPas2JavaSc c;
  const uint32_t lastSlot = 2 * static_cast<uint32_t>(c.FLabels.size()) - 1;  // 8,192 slots
  std::string prefix;
  for (int i = 0; (TuPas2JavaSc::NameHash(prefix + '_') & lastSlot) != lastSlot; ++i)
    prefix = Numbered("w", i);
  const std::string early = SameHashName(prefix, '_'), late = SameHashName(prefix, '\x7F');
  ASSERT_EQ(TuPas2JavaSc::NameHash(early), TuPas2JavaSc::NameHash(late));

  std::vector<std::string> base, outer = {late}, inner;
  for (int i = 0; i < 2000; ++i) base.push_back(Numbered("b", i));
  for (int i = 0; i < 2000; ++i) outer.push_back(Numbered("t", i));
  for (int i = 0; i < 1000; ++i) inner.push_back(Numbered("u", i));
  c.AddLabel(early, 0, false);  // the last slot
  for (const std::string& name : base) c.AddLabel(name, 0, false);
  const int32_t outerMark = c.MarkLabels();
  for (const std::string& name : outer) c.AddLabel(name, 0, false);  // `late` wraps around
  const int32_t innerMark = c.MarkLabels();
  for (const std::string& name : inner) c.AddLabel(name, 0, false);  // the index grows
  c.RollbackLabels(innerMark);
  ExpectIndex(c, base, 1, inner, "inner rollback");
  ExpectIndex(c, outer, 1 + static_cast<int32_t>(base.size()), {}, "inner rollback");
  const int32_t keptMark = c.MarkLabels();
  c.AddLabel("kept", 0, false);
  c.KeepLabels(keptMark);
  c.RollbackLabels(outerMark);  // the kept trial goes with the one around it
  // `early` is looked up here first: a name once found is answered from a cache of recent ones.
  EXPECT_EQ(c.FindLabel(early), 0);
  ExpectIndex(c, base, 1, outer, "outer rollback");
  EXPECT_EQ(c.FindLabel("kept"), -1);
}

// Names are compared eight bytes at a time: only 'A'..'Z' against 'a'..'z' may differ, never the
// bytes around them ('@' '[' '`' '{') nor bytes above 0x7F that differ in the same bit. Every
// pair is also looked up in the table under both spellings.
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
    const bool same = scan::SameTextAscii(a, b);
    ASSERT_EQ(TuPas2JavaSc::SameText(a, b), same) << a << " / " << b;
    if (length == 0) continue;
    TuPas2JavaSc c;
    c.AddLabel(a, 0, false);
    EXPECT_EQ(c.FindLabel(b), same ? 0 : -1) << a << " / " << b;
  }
}

// ---- Output routing ----------------------------------------------------------------------------

TEST(Output, CaptureReturnsItsTextAndNests) {
  TTestConverter c;
  std::string source = "a, b; c";
  const char* p = source.c_str();
  c.FTextStart = p;
  c.FTextEnd = p + source.size();

  // An outer capture (as Loop collects) with an inner Capture in the middle.
  TOutputProc writer = c.CollectProc();
  std::string buffer;
  c.SwapOutput(writer, buffer);
  c.Write("<outer>");
  std::string inner;
  c.Capture(p, StopSet({','}), "x", inner);
  c.Write("<more>");
  c.SwapOutput(writer, buffer);

  EXPECT_EQ(inner, "a");
  EXPECT_EQ(buffer, "<outer><more>");
  EXPECT_EQ(*p, ',');
  EXPECT_EQ(c.FOutText, "");
}

TEST(Output, CaptureWritesNoDebugMarksAndRestoresTheOption) {
  TTestConverter c;
  c.FDebugTags = true;
  std::string source = "(x)";
  const char* p = source.c_str();
  c.FTextStart = p;
  std::string r;
  c.Capture(p, StopSet({}), "cap", r);
  EXPECT_EQ(r, "(x)");
  EXPECT_TRUE(c.FDebugTags);
}

TEST(Output, CaptureLogicalLeavesLogicalSet) {
  TTestConverter c;
  std::string source = "a and b";
  const char* p = source.c_str();
  c.FTextStart = p;
  std::string r;
  c.CaptureLogical(p, StopSet({}), "if", r);
  EXPECT_EQ(r, "a && b");
  EXPECT_TRUE(c.FLogical);
}

TEST(Output, ParensAndBrackets) {
  struct {
    const char* pascal;
    const char* js;
  } cases[] = {
      {"(a", "(a)"},            // ")" is written even when missing
      {"(a)b", "(a)b"},
      {"[1, 2]", "[1, 2]"},
      {"[1", "[1"},             // brackets only copy what is there
      {"f((a), [b])", "f((a), [b])"},
  };
  for (const auto& tc : cases) {
    TTestConverter c;
    EXPECT_EQ(c.Convert(tc.pascal), tc.js) << tc.pascal;
  }
  TTestConverter c;
  std::string source = "a)b";
  const char* p = source.c_str();
  c.FTextStart = p;
  c.Parens(p, false);
  EXPECT_EQ(c.FOutText, "a");
  EXPECT_EQ(*p, 'b');
}

TEST(Output, EmitWithoutReceiverWritesNothingAndCopyCharStopsAtTheEnd) {
  TuPas2JavaSc c;
  c.Emit("lost");  // no receiver: nothing happens
  TTestConverter t;
  const char* p = "";
  t.CopyChar(p);
  EXPECT_EQ(t.FPieces, 0);
}

}  // namespace
}  // namespace pas2js
