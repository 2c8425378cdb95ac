#include "lsp/Sheet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "EveryAddition.h"
#include "PlatformFakes.h"

namespace lsp {
namespace {

/// The results of the lines above `end` as one text to compare: results, label events,
/// errors, listings and whether the pass was aborted.
std::string Dump(const TEvaluation& e, int64_t end) {
  std::ostringstream out;
  for (const TLineResult& r : e.Lines)
    if (r.Line < end) out << "R" << r.Line << ":" << r.Annotation << "\n";
  for (const TLabelEvent& l : e.Labels) {
    if (l.Line >= end) continue;
    char bits[sizeof l.Value] = {};
    std::memcpy(bits, &l.Value, 10);  // the 80 bits of the value, not the padding
    out << "L" << l.Line << ":" << e.LabelNames[l.Name] << "=" << std::string(bits, 10) << "\n";
  }
  for (const TLineError& r : e.Errors)
    if (r.Line < end) out << "E" << r.Line << ":" << r.Message << "\n";
  for (const TLineResult& r : e.Listings)
    if (r.Line < end) out << "N" << r.Line << ":" << r.Annotation << "\n";
  return out.str();
}

// Lines of every kind a pass carries state across: labels assigned and incremented, the mode
// word, the value of the last line, blank and indented lines, failed lines, a listing, a line
// ending in '/', text in double-byte characters.
const char* const Pool[] = {
    "a=1", "a=a+1", "b=a*2", "a++", "b--", "a+b", "", "   ", "  c=b/3 // old", "c", "#m 1", "#m 0",
    "// a note", "foo(", "1/0", "#h", "1/", "x = 値", "値=5", "値*2", "#ScriptFile=x", "#bogus",
    "2+2 //!Err:old", "#cp", "1+1//  2", "2G", "3p",
};

class SheetTest : public ::testing::Test {
 protected:
  std::string RandomLine() {
    // Now and then a label of many: read before it is defined, or defined far from its reads.
    // "#SI" holds to the end of the sheet: rare, so that many edits fall before it.
    if (FRandom() % 3000 == 0) return "#SI";
    if (FRandom() % 6 == 0) {
      std::string line = "u";
      line += std::to_string(FRandom() % 300);
      line += FRandom() % 2 ? "=7" : "+1";
      return line;
    }
    return Pool[FRandom() % std::size(Pool)];
  }
  std::string RandomBreak() {
    const unsigned k = FRandom() % 8;
    return k == 0 ? "\r\n" : k == 1 ? "\r" : "\n";
  }
  std::string RandomLines(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += RandomLine() + RandomBreak();
    return text;
  }
  TPosition RandomPosition(const TSheet& sheet) {
    const int64_t line = static_cast<int64_t>(FRandom() % static_cast<unsigned>(sheet.Text().LineCount()));
    const auto length = static_cast<int64_t>(sheet.Text().Line(line).size());
    return {line, static_cast<int64_t>(FRandom() % static_cast<unsigned>(length + 1))};
  }
  /// A random edit: lines typed in, lines or characters taken out, a character typed.
  void RandomEdit(TSheet& sheet) {
    TPosition start = RandomPosition(sheet);
    TPosition end = start;
    std::string text;
    switch (FRandom() % 4) {
      case 0: text = RandomLines(1 + static_cast<int>(FRandom() % 3)); break;
      case 1: end = {start.Line + static_cast<int64_t>(FRandom() % 3), static_cast<int64_t>(FRandom() % 8)}; break;
      case 2: text = std::string(1, "0123456789+*/=ab\n"[FRandom() % 17]); break;
      default: end = {start.Line + 1 + static_cast<int64_t>(FRandom() % 2), 0}; break;
    }
    if (end.Line < start.Line || (end.Line == start.Line && end.Character < start.Character)) std::swap(start, end);
    // The characters are ASCII, so UTF-16 units and bytes agree.
    sheet.Edit(start, end, text, TPositionEncoding::Utf8);
  }

  fakes::TFakeServices FHost;
  TQuietServices FQuiet{FHost.Services};
  std::mt19937 FRandom{12345};
};

TEST_F(SheetTest, RandomEditsGiveTheResultsOfAWholePass) {
  // Long enough for several checkpoints.
  TSheet sheet(RandomLines(3 * static_cast<int>(CheckpointLines) + 100), FQuiet, fakes::EveryAddition);
  for (int round = 0; round < 150; ++round) {
    const int edits = 1 + static_cast<int>(FRandom() % 3);
    for (int i = 0; i < edits; ++i) RandomEdit(sheet);
    const TEvaluation whole = Evaluate(sheet.Text().Text(), FQuiet.Services(), fakes::EveryAddition);
    // Asked for a part: that part is final.
    const int64_t asked = static_cast<int64_t>(FRandom() % static_cast<unsigned>(sheet.Text().LineCount()));
    sheet.EvaluateThrough(asked);
    ASSERT_EQ(Dump(sheet.Results(), asked + 1), Dump(whole, asked + 1)) << "round " << round;
    if (round % 5 != 0) continue;
    while (!sheet.EvaluateSome()) {
    }
    ASSERT_EQ(Dump(sheet.Results(), INT64_MAX), Dump(whole, INT64_MAX)) << "round " << round;
    ASSERT_EQ(sheet.Results().Aborted, whole.Aborted);
  }
}

TEST_F(SheetTest, ADirectiveLooksAtTheLinesBelowIt) {
  // Blank statements show the value; a listing the lines below repeat is passed over, so the
  // line behind "#h" is no place to resume at.
  std::string text = "#m 1\n";
  for (int64_t i = 2; i < CheckpointLines; ++i) text += "1+1\n";
  text += "#h\n2+2\n";
  TSheet sheet(text, FQuiet, fakes::EveryAddition);
  sheet.EvaluateThrough(INT64_MAX);
  const TEvaluation first = Evaluate(text, FQuiet.Services(), fakes::EveryAddition);
  ASSERT_EQ(first.Listings.size(), 1u);
  const std::string listing = FQuiet.Services().Text.ExportUtf8Text(first.Listings[0].Annotation);
  sheet.Edit({CheckpointLines, 0}, {CheckpointLines, 0}, listing, TPositionEncoding::Utf8);
  sheet.EvaluateThrough(INT64_MAX);
  EXPECT_EQ(Dump(sheet.Results(), INT64_MAX), Dump(Evaluate(sheet.Text().Text(), FQuiet.Services(), fakes::EveryAddition), INT64_MAX));
}

TEST_F(SheetTest, WhatACheckpointCannotHoldIsEvaluatedFromTheTop) {
  struct TCase {
    const char* Text;
    bool Whole;
  } cases[] = {
      {"a=1\n#m 1\n#h\n#cp\n", false},
      {"a=1\n#scol\n", true},
      {"  #P2Js\nvar x: integer;\n", true},
      {"COLOR_WINDOW=clRed\nCOLOR_WINDOW\n", true},
  };
  for (const TCase& c : cases) {
    TSheet sheet(c.Text, FQuiet, fakes::EveryAddition);
    sheet.EvaluateThrough(99);
    EXPECT_EQ(sheet.WholePasses(), c.Whole) << c.Text;
    EXPECT_EQ(Dump(sheet.Results(), INT64_MAX), Dump(Evaluate(c.Text, FQuiet.Services(), fakes::EveryAddition), INT64_MAX)) << c.Text;
  }
}

TEST_F(SheetTest, AByteOrderMarkIsNoPartOfTheSheet) {
  TSheet sheet("\xEF\xBB\xBF" "1+1\n2+2\n", FQuiet, fakes::EveryAddition);
  sheet.EvaluateThrough(9);
  EXPECT_EQ(Dump(sheet.Results(), 9), "R0:  2\nR1:  4\n");
  sheet.Edit({0, 3}, {0, 4}, "5", TPositionEncoding::Utf8);  // the 1 after the mark's 3 bytes
  sheet.EvaluateThrough(9);
  EXPECT_EQ(Dump(sheet.Results(), 9), "R0:  6\nR1:  4\n");
  EXPECT_TRUE(sheet.Text().Text().starts_with("\xEF\xBB\xBF"));
}

TEST(TextDocumentIndex, EditsKeepTheLineStartsOfAFreshIndex) {
  std::mt19937 random(7);
  const char* const pieces[] = {"a", "\n", "\r", "\r\n", "bc\n", "", "\n\r"};
  TTextDocument doc("x\r\ny\rz\n");
  for (int i = 0; i < 2000; ++i) {
    const auto size = static_cast<unsigned>(doc.Text().size() + 1);
    size_t from = random() % size, to = random() % size;
    if (from > to) std::swap(from, to);
    doc.Edit(doc.PositionOf(from, TPositionEncoding::Utf8), doc.PositionOf(to, TPositionEncoding::Utf8),
             pieces[random() % std::size(pieces)], TPositionEncoding::Utf8);
    const TTextDocument fresh(doc.Text());
    ASSERT_EQ(doc.LineCount(), fresh.LineCount()) << i;
    for (int64_t l = 0; l < fresh.LineCount(); ++l) ASSERT_EQ(doc.LineStart(l), fresh.LineStart(l)) << i;
  }
}

}  // namespace
}  // namespace lsp
