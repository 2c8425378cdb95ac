#include "lsp/TextDocument.h"

#include <gtest/gtest.h>

namespace lsp {
namespace {

constexpr auto U16 = TPositionEncoding::Utf16;
constexpr auto U8 = TPositionEncoding::Utf8;

TEST(TextDocument, LinesEndAtLfCrLfAndALoneCr) {
  TTextDocument doc("a\nb\r\nc\rd");
  ASSERT_EQ(doc.LineCount(), 4);
  EXPECT_EQ(doc.Line(0), "a");
  EXPECT_EQ(doc.Line(1), "b");
  EXPECT_EQ(doc.Line(2), "c");
  EXPECT_EQ(doc.Line(3), "d");
  EXPECT_EQ(doc.Line(4), "");
  EXPECT_EQ(TTextDocument("x\n").LineCount(), 2);
  EXPECT_EQ(doc.PositionOf(doc.Text().size(), U16), (TPosition{3, 1}));
}

TEST(TextDocument, ColumnsCountUtf16UnitsOrUtf8Bytes) {
  // "é" is 2 bytes and 1 unit, "漢" 3 bytes and 1 unit, "😀" 4 bytes and 2 units.
  const std::string line = "\xC3\xA9\xE6\xBC\xA2\xF0\x9F\x98\x80x";
  struct TCase {
    int64_t Units;
    size_t Bytes;
  } cases[] = {{0, 0}, {1, 2}, {2, 5}, {3, 9}, {4, 9}, {5, 10}, {99, 10}};
  for (const TCase& c : cases) EXPECT_EQ(UnitsToBytes(line, c.Units, U16), c.Bytes) << c.Units;
  EXPECT_EQ(BytesToUnits(line, 9, U16), 4);
  EXPECT_EQ(BytesToUnits(line, 10, U16), 5);
  EXPECT_EQ(UnitsToBytes(line, 5, U8), 5u);
  EXPECT_EQ(BytesToUnits(line, 10, U8), 10);
  // A byte that starts no character counts as one.
  EXPECT_EQ(BytesToUnits("\xFF\xC3z", 3, U16), 3);
  TTextDocument doc("x\n" + line);
  EXPECT_EQ(doc.LineEnd(1, U16), (TPosition{1, 5}));
  EXPECT_EQ(doc.LineEnd(1, U8), (TPosition{1, 10}));
}

TEST(TextDocument, EditsReplaceRangesAndClampPositions) {
  TTextDocument doc("a=2\nb=a*3\nb+1\n");
  doc.Edit({2, 2}, {2, 3}, "2", U16);
  EXPECT_EQ(doc.Text(), "a=2\nb=a*3\nb+2\n");
  doc.Edit({0, 99}, {1, 0}, "", U16);  // the line break of a line, from past its end
  EXPECT_EQ(doc.Text(), "a=2b=a*3\nb+2\n");
  doc.Edit({50, 0}, {60, 0}, "c=1", U16);  // past the end: appended
  EXPECT_EQ(doc.Text(), "a=2b=a*3\nb+2\nc=1");
  doc.Edit({1, 1}, {0, 0}, "X", U16);  // an end before the start: an insertion
  EXPECT_EQ(doc.Text(), "a=2b=a*3\nbX+2\nc=1");
  EXPECT_EQ(doc.LineCount(), 3);
  TTextDocument wide("\xF0\x9F\x98\x80=1");
  wide.Edit({0, 1}, {0, 2}, "", U16);  // half of a pair stands for the whole character's end
  EXPECT_EQ(wide.Text(), "\xF0\x9F\x98\x80=1");
}

}  // namespace
}  // namespace lsp
