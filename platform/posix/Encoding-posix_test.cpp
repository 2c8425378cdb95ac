#include "platform/Encoding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/StandIns.h"
#include "scan/Exceptions.h"

namespace platform {
namespace {

// Every test starts from a boundary of its own, as every run does.
class Encoding : public ::testing::Test {
 protected:
  TTextBoundary FText;
};

// "あ" is 82 A0 in code page 932; "ｱ" (half-width) is B1; "①" is 87 40.
struct TCase {
  std::string Outside;
  std::string Inside;
};

TEST_F(Encoding, ImportConvertsCharactersAndLineEnds) {
  const TCase cases[] = {
      {"", ""},
      {"a=2\nb=a*3\n", "a=2\r\nb=a*3\r\n"},
      {"a\r\nb\rc\n", "a\r\nb\rc\r\n"},
      {"\n\n", "\r\n\r\n"},
      {"\xE3\x81\x82=1\n", "\x82\xA0=1\r\n"},
      {"\xEF\xBD\xB1\xE2\x91\xA0", "\xB1\x87\x40"},
      {"\xEF\xBB\xBFx\n", "\xF0\x40x\r\n"},  // a byte order mark is carried
      {"\\~", "\\~"},
  };
  for (const TCase& c : cases) EXPECT_EQ(FText.ImportText(c.Outside, "t"), c.Inside) << c.Outside;
}

TEST_F(Encoding, ExportConvertsCharactersAndLineEnds) {
  const TCase cases[] = {
      {"", ""},
      {"a=2\nb\n", "a=2\r\nb\r\n"},
      {"a\rb\n", "a\rb\r\n"},  // a lone CR stays
      {"x\r", "x\r"},
      {"\xE3\x81\x82//  1\n", "\x82\xA0//  1\r\n"},
      {"\xEF\xBD\xB1\xE2\x91\xA0", "\xB1\x87\x40"},
      {"\xEF\xBF\xBD" "a", "\xFF" "a"},    // not code page 932
      {"x\xEF\xBF\xBD", "x\x82"},          // a lead byte at the end
      {"\xEF\xBF\xBD/*x*/", "\x96/*x*/"},    // a lead byte before a byte that is no trail byte
      {"\xEF\xBF\xBD\xEF\xBF\xBD", "\x82\xFD"},
      {"\xEF\xBF\xBD@\n", "\x85\x40\r\n"},  // 85 makes no character with 40: each its own
  };
  for (const TCase& c : cases) EXPECT_EQ(FText.ExportText(c.Inside), c.Outside) << c.Outside;
}

// Only the runs of non-ASCII characters go through the converter: a code page 932 trail byte in
// ASCII range, or a lead byte with a bad byte behind it, must stay with its lead byte.
TEST_F(Encoding, ExportKeepsEachPairTogetherAmongAscii) {
  const TCase cases[] = {
      {"a\xE3\x82\xA2" "b", "a\x83\x41" "b"},                     // "ア" is 83 41
      {"\xE3\x82\xA2\xE3\x82\xBD", "\x83\x41\x83\x5C"},           // "ソ" is 83 5C
      {"x\xE3\x82\xBD\n\xEF\xBD\xB1" "5", "x\x83\x5C\r\n\xB1" "5"},
      {"\xEF\xBF\xBD\nz", "\x81\r\nz"},           // a lead byte takes the CR behind it
      {"\xEF\xBF\xBD" "A", "\x80\x41"},              // 80 is no lead byte
      {"\xEF\xBF\xBD\xE3\x81\x82x", "\xA0\x82\xA0x"},
      // A lead byte that makes no character stands alone: the byte behind it is its own.
      {"\xEF\xBF\xBD\xEF\xBF\xBD" "A", "\xFD\x82\x41"},  // FD, then 82 41 (unassigned)
      {" var a\xEF\xBF\xBDvar Ab;", " var a\x87var Ab;"},  // 87 76 is unassigned
      {"\xEF\xBF\xBD\xE3\x82\xA2", "\x85\x83\x41"},     // 85 83: 83 41 is "ア"
      {"x\xEF\xBF\xBD", "x\x87"},
  };
  for (const TCase& c : cases) EXPECT_EQ(FText.ExportText(c.Inside), c.Outside) << c.Outside;
}

TEST_F(Encoding, RoundTripKeepsEveryCodePage932Pair) {
  std::string inside;
  for (int lead : {0x81, 0x82, 0x83, 0x88, 0x89, 0x9F, 0xE0, 0xEA})
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      std::string out = FText.ExportText(pair);
      if (out.starts_with("\xEF\xBF\xBD")) continue;  // unassigned
      EXPECT_EQ(FText.ImportText(out, "t"), pair) << std::hex << lead << " " << trail;
    }
}

// ---- Stand-ins ------------------------------------------------------------------------------------

// "€" (U+20AC) and "😀" have no code page 932 code; U+E000 and U+E001 are private-use characters,
// whose own codes are F040 and F041.
TEST_F(Encoding, CarriedItemsGetStandInsInOrderOfFirstAppearance) {
  const TCase cases[] = {
      {"\xE2\x82\xAC" "1\xF0\x9F\x98\x80\xE2\x82\xAC", "\xF0\x40" "1\xF0\x41\xF0\x40"},
      {std::string("a\0b", 3) + "\xFF\xE3\x81", "a\xF0\x42" "b\xF0\x43\xF0\x44\xF0\x45"},
      {"\xC2\xA5\\", "\xF0\x46\\"},  // the yen sign would come back as a backslash
      // Codes the text itself uses are no stand-ins, wherever in the text they stand.
      {"\xC2\xBD\xEE\x80\x87\xEE\x80\x88", "\xF0\x49\xF0\x47\xF0\x48"},
      // U+E000 came after its code stood for "€": it is carried like any other character.
      {"\xEE\x80\x80\xEE\x80\x80", "\xF0\x4A\xF0\x4A"},
      {"\xE2\x82\xAC", "\xF0\x40"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(FText.ImportText(c.Outside, "t"), c.Inside) << c.Outside;
    EXPECT_EQ(FText.ExportText(c.Inside), c.Outside) << c.Outside;
  }
  EXPECT_EQ(FText.ExportText("\xF0\x41\xF0\x47"), "\xF0\x9F\x98\x80\xEE\x80\x87");
  EXPECT_EQ(FText.ImportName("\xFF.txt", "t"), "\xF0\x43.txt");
  EXPECT_EQ(FText.ExportName("\xF0\x4A\xF0\x43\r\n"), "\xEE\x80\x80\xFF\r\n");
}

// Each boundary is a run of its own: a code given out by one stands for nothing in another, and
// each gives its first code to its own first carried character.
TEST_F(Encoding, EachBoundaryKeepsItsOwnStandIns) {
  TTextBoundary other;
  EXPECT_EQ(FText.ImportText("\xE2\x82\xAC\xEF\xBB\xBF", "t"), "\xF0\x40\xF0\x41");
  EXPECT_EQ(other.ImportText("\xF0\x9F\x98\x80", "t"), "\xF0\x40");
  EXPECT_EQ(FText.ExportText("\xF0\x40"), "\xE2\x82\xAC");
  EXPECT_EQ(other.ExportText("\xF0\x40\xF0\x41"), "\xF0\x9F\x98\x80\xEE\x80\x81");
  std::string inside = "\xF0\x41x";
  EXPECT_EQ(other.TakeByteOrderMark(inside), "");
  EXPECT_EQ(FText.TakeByteOrderMark(inside), "\xF0\x41");
  EXPECT_EQ(inside, "x");
}

// The private-use characters take the codes the table counts with, in the converter's own order.
TEST_F(Encoding, PrivateUseCharactersKeepTheirOwnCodes) {
  for (int k = 0; k < UserAreaSize; ++k) {
    const char32_t cp = UserAreaFirst + static_cast<char32_t>(k);
    const std::string outside{static_cast<char>(0xE0 | cp >> 12),
                              static_cast<char>(0x80 | (cp >> 6 & 0x3F)),
                              static_cast<char>(0x80 | (cp & 0x3F))};
    const std::string inside{static_cast<char>(UserAreaLead(k)),
                             static_cast<char>(UserAreaTrail(k))};
    ASSERT_EQ(FText.ImportText(outside, "t"), inside) << k;
    ASSERT_EQ(FText.ExportText(inside), outside) << k;
  }
  // Every code is the input's own now: nothing is left to stand for another character.
  EXPECT_THROW(FText.ImportText("\xE2\x82\xAC", "t"), scan::EEncodingError);
}

// Import then export gives the outside text back (a CR LF comes back as LF, as every line end).
TEST_F(Encoding, RoundTripKeepsEveryMixOfCharactersAndBytes) {
  const char* pieces[] = {
      "a", "1+2", " ", "\n", "\r", "\r\n", "\xE3\x81\x82", "\xE8\xA1\xA8", "\xEF\xBD\xB1",
      "\xE2\x91\xA0", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC2\xBD", "\xC3\xBC", "\xEA\xB0\x80",
      "\xC2\xA5", "\xE3\x80\x9C", "\xEE\x80\x80", "\xEE\x80\x81", "\xEE\x9D\x97", "\xFF", "\x80",
      "\xC0\xAF", "\xE3\x81", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xEF\xBB\xBF", "\\", "~",
      "\xF3\xA0\x80\x81",  // a tag character, which the system converter would leave out
  };
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    std::string outside;
    const int n = static_cast<int>(random() % 12);
    for (int i = 0; i < n; ++i) {
      const size_t pick = random() % (std::size(pieces) + 1);
      outside += pick == std::size(pieces) ? std::string(1, '\0') : std::string(pieces[pick]);
    }
    std::string want;
    for (size_t i = 0; i < outside.size(); ++i)
      if (!(outside[i] == '\r' && i + 1 < outside.size() && outside[i + 1] == '\n'))
        want += outside[i];
    ASSERT_EQ(FText.ExportText(FText.ImportText(outside, "t")), want) << round;
    ASSERT_EQ(FText.ExportName(FText.ImportName(outside, "t")), outside) << round;
  }
}

std::string ImportError(TTextBoundary& boundary, const std::string& text, const char* source) {
  try {
    boundary.ImportText(text, source);
  } catch (const scan::EEncodingError& e) {
    return e.Message();  // both sides are code page 932 (the test compiles like the program)
  }
  return "no error";
}

/// `count` distinct characters that code page 932 lacks (Hangul syllables), from `first` on.
std::string Hangul(int first, int count) {
  std::string s;
  for (int i = first; i < first + count; ++i) {
    const int cp = 0xAC00 + i;
    s += static_cast<char>(0xE0 | cp >> 12);
    s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

TEST_F(Encoding, RefusedOnlyWhenNoStandInIsLeft) {
  // One code is the text's own, so 1,879 are left for the run.
  EXPECT_EQ(FText.ImportText("\xEE\x80\x80" + Hangul(0, 1000), "t").size(), 2u + 2000u);
  EXPECT_EQ(ImportError(FText, "x\n" + Hangul(0, 1100) + Hangul(1000, 879), "f.txt"), "no error");
  EXPECT_EQ(FText.ImportText(Hangul(5, 1), "t"), "\xF0\x46");  // seen before: still at hand
  const std::string why = " (no stand-ins are left for it)";
  EXPECT_EQ(ImportError(FText, "x\n" + Hangul(7, 3) + "\xE2\x82\xAC", "f.txt"),
            "f.txt の 2 行 4 桁目: the character U+20AC has no code in code page 932" + why);
  const TCase cases[] = {
      {"a\xFF", "standard input の 1 行 2 桁目: the byte 0xFF is not valid UTF-8" + why},
      {"a\nb\r\n\xE3\x81\x82\xE3\x81",
       "standard input の 3 行 2 桁目: the byte 0xE3 is not valid UTF-8" + why},
      {"ok\n\xE3\x81\x82\xF0\x9F\x98\x80",
       "standard input の 2 行 2 桁目: the character U+1F600 has no code in code page 932" + why},
      {std::string("1+1\n2") + std::string(1, '\0') + "3",
       "standard input の 2 行 2 桁目: a NUL byte (0x00) cannot be used in text" + why},
      {"\xEE\x80\x80\xEE\x80\x81", "standard input の 1 行 2 桁目: the character U+E001 has no code in code page "
                                   "932" + why},  // its code stands for a Hangul
  };
  for (const TCase& c : cases) EXPECT_EQ(ImportError(FText, c.Outside, "standard input"), c.Inside);
  EXPECT_THROW(FText.ImportName("\xC2\xBD", "t"), scan::EEncodingError);
  EXPECT_EQ(FText.ExportText("\xF0\x40\xF9\xFC"), "\xEE\x80\x80" + Hangul(1878, 1));
}

TEST_F(Encoding, LargeTextConvertsInOnePiece) {
  std::string line = "\xE3\x81\x82=1+2\n";
  std::string outside;
  for (int i = 0; i < 100000; ++i) outside += line;
  std::string inside = FText.ImportText(outside, "t");
  EXPECT_EQ(inside.size(), 100000u * 8);
  EXPECT_EQ(inside.substr(0, 8), "\x82\xA0=1+2\r\n");
  EXPECT_EQ(FText.ExportText(inside), outside);
}

TEST_F(Encoding, NamesKeepTheirLineEnds) {
  EXPECT_EQ(FText.ImportName("\xE3\x81\x82.txt", "t"), "\x82\xA0.txt");
  EXPECT_EQ(FText.ExportName("\x82\xA0\r\n"), "\xE3\x81\x82\r\n");
}

}  // namespace
}  // namespace platform
