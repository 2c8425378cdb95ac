#include "platform/Encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "scan/Errors.h"

namespace platform {
namespace {

// "あ" is 82 A0 in code page 932; "ｱ" (half-width) is B1; "①" is 87 40.
struct TCase {
  std::string Outside;
  std::string Inside;
};

TEST(Encoding, ImportConvertsCharactersAndLineEnds) {
  const TCase cases[] = {
      {"", ""},
      {"a=2\nb=a*3\n", "a=2\r\nb=a*3\r\n"},
      {"a\r\nb\rc\n", "a\r\nb\rc\r\n"},
      {"\n\n", "\r\n\r\n"},
      {"\xE3\x81\x82=1\n", "\x82\xA0=1\r\n"},
      {"\xEF\xBD\xB1\xE2\x91\xA0", "\xB1\x87\x40"},
      {"\xEF\xBB\xBFx\n", "x\r\n"},  // byte order mark dropped
      {"\\~", "\\~"},
  };
  for (const TCase& c : cases) EXPECT_EQ(ImportText(c.Outside, "t"), c.Inside) << c.Outside;
}

TEST(Encoding, ExportConvertsCharactersAndLineEnds) {
  const TCase cases[] = {
      {"", ""},
      {"a=2\nb\n", "a=2\r\nb\r\n"},
      {"a\rb\n", "a\rb\r\n"},  // a lone CR stays
      {"x\r", "x\r"},
      {"\xE3\x81\x82//  1\n", "\x82\xA0//  1\r\n"},
      {"\xEF\xBD\xB1\xE2\x91\xA0", "\xB1\x87\x40"},
      {"\xEF\xBF\xBD" "a", "\xFF" "a"},    // not code page 932
      {"x\xEF\xBF\xBD", "x\x82"},          // a lead byte at the end
      {"\xEF\xBF\xBD\n", "\x85\x40\r\n"},  // an unassigned pair is one bad character
  };
  for (const TCase& c : cases) EXPECT_EQ(ExportText(c.Inside), c.Outside) << c.Outside;
}

// Only the runs of non-ASCII characters go through the converter: a code page 932 trail byte in
// ASCII range, or a lead byte with a bad byte behind it, must stay with its lead byte.
TEST(Encoding, ExportKeepsEachPairTogetherAmongAscii) {
  const TCase cases[] = {
      {"a\xE3\x82\xA2" "b", "a\x83\x41" "b"},                     // "ア" is 83 41
      {"\xE3\x82\xA2\xE3\x82\xBD", "\x83\x41\x83\x5C"},           // "ソ" is 83 5C
      {"x\xE3\x82\xBD\n\xEF\xBD\xB1" "5", "x\x83\x5C\r\n\xB1" "5"},
      {"\xEF\xBF\xBD\nz", "\x81\r\nz"},           // a lead byte takes the CR behind it
      {"\xEF\xBF\xBD" "A", "\x80\x41"},              // 80 is no lead byte
      {"\xEF\xBF\xBD\xE3\x81\x82x", "\xA0\x82\xA0x"},
      {"\xEF\xBF\xBD\xEF\xBF\xBD", "\xFD\x82\x41"},  // FD alone, then an unassigned pair
  };
  for (const TCase& c : cases) EXPECT_EQ(ExportText(c.Inside), c.Outside) << c.Outside;
}

TEST(Encoding, RoundTripKeepsEveryCodePage932Pair) {
  std::string inside;
  for (int lead : {0x81, 0x82, 0x83, 0x88, 0x89, 0x9F, 0xE0, 0xEA})
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      std::string out = ExportText(pair);
      if (out == "\xEF\xBF\xBD") continue;  // unassigned
      EXPECT_EQ(ImportText(out, "t"), pair) << std::hex << lead << " " << trail;
    }
}

std::string ImportError(const std::string& text, const char* source) {
  try {
    ImportText(text, source);
  } catch (const scan::EEncodingError& e) {
    return e.Message();  // both sides are code page 932 (the test compiles like the program)
  }
  return "no error";
}

TEST(Encoding, ImportFaultsNameSourceLineAndColumn) {
  const TCase cases[] = {
      {"a\xFF", "standard input の 1 行 2 桁目: UTF-8 として正しくないバイト 0xFF があります"},
      {"a\nb\r\n\xE3\x81\x82\xE3\x81",
       "f.txt の 3 行 2 桁目: UTF-8 として正しくないバイト 0xE3 があります"},
      {"x\ry\xC0\xAF", "f.txt の 2 行 2 桁目: UTF-8 として正しくないバイト 0xC0 があります"},
      {"\xED\xA0\x80", "f.txt の 1 行 1 桁目: UTF-8 として正しくないバイト 0xED があります"},
      {"ok\n\xE3\x81\x82\xF0\x9F\x98\x80",
       "clipboard の 2 行 2 桁目: 文字 U+1F600 はコード ページ 932 で表せません"},
      {"a\xE3\x81z", "t の 1 行 2 桁目: UTF-8 として正しくないバイト 0xE3 があります"},
      {"ab\xE3\x81\x82z\xC3q", "t の 1 行 5 桁目: UTF-8 として正しくないバイト 0xC3 があります"},
      {std::string("1+1\n2") + std::string(1, '\0') + "3\xFF",
       "- の 2 行 2 桁目: NUL バイト (0x00) はテキストに使えません"},
  };
  const char* sources[] = {"standard input", "f.txt", "f.txt", "f.txt", "clipboard", "t", "t", "-"};
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(ImportError(cases[i].Outside, sources[i]), cases[i].Inside);
}

TEST(Encoding, LargeTextConvertsInOnePiece) {
  std::string line = "\xE3\x81\x82=1+2\n";
  std::string outside;
  for (int i = 0; i < 100000; ++i) outside += line;
  std::string inside = ImportText(outside, "t");
  EXPECT_EQ(inside.size(), 100000u * 8);
  EXPECT_EQ(inside.substr(0, 8), "\x82\xA0=1+2\r\n");
  EXPECT_EQ(ExportText(inside), outside);
}

TEST(Encoding, NamesKeepTheirLineEnds) {
  EXPECT_EQ(ImportName("\xE3\x81\x82.txt", "t"), "\x82\xA0.txt");
  EXPECT_EQ(ExportName("\x82\xA0\r\n"), "\xE3\x81\x82\r\n");
  EXPECT_THROW(ImportName("\xFF", "t"), scan::EEncodingError);
}

}  // namespace
}  // namespace platform
