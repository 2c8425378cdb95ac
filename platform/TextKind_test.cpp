#include "platform/TextKind.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

TEST(TextKind, TheRuleForFilesWithoutAMark) {
  const struct {
    std::string Bytes;
    TTextKind Kind;
  } cases[] = {
      {"", TTextKind::Ascii},
      {"a=2\r\nb=a*3\r\n", TTextKind::Ascii},
      {std::string("a\0b", 3), TTextKind::Ascii},
      {"\xEF\xBB\xBF", TTextKind::Utf8},                  // the mark alone
      {"\xEF\xBB\xBF" "caf\xE9", TTextKind::Utf8},         // the mark decides, whatever follows
      {"\xE2\x82\xAC = 2\r\n", TTextKind::Utf8},           // "€ = 2"
      {"x\xF0\x9F\x98\x80", TTextKind::Utf8},              // four bytes
      {"\xF4\x8F\xBF\xBF", TTextKind::Utf8},               // U+10FFFF
      {"caf\xE9*3", TTextKind::CodePage},                  // Windows-1252
      {"\x95\x5C\x8E\xA6=5", TTextKind::CodePage},         // "表示" in Shift-JIS
      {"\xC0\xAF", TTextKind::CodePage},                   // overlong "/"
      {"\xE0\x80\xAF", TTextKind::CodePage},               // overlong, three bytes
      {"\xED\xA0\x80", TTextKind::CodePage},               // a surrogate
      {"\xF4\x90\x80\x80", TTextKind::CodePage},           // past U+10FFFF
      {"\xE2\x82", TTextKind::CodePage},                   // cut short at the end
      {"\xE2\x82 = 2", TTextKind::CodePage},               // cut short inside
      {"\x80", TTextKind::CodePage},                       // a lone continuation byte
      {"\xDE\xBD", TTextKind::Utf8},  // Shift-JIS half-width "ﾞｽ" that happens to be valid UTF-8
  };
  for (const auto& c : cases)
    EXPECT_EQ(KindOfText(c.Bytes), c.Kind) << ::testing::PrintToString(c.Bytes);
}

TEST(TextKind, DecodingKeepsTheBytesItCannotRead) {
  const struct {
    std::string Bytes;
    std::u16string Units;
    std::string Stray;  // '1' for each unit that is a byte
  } cases[] = {
      {"a\r\n", u"a\r\n", "000"},
      {"\xEF\xBB\xBF" "1", u"\uFEFF" "1", "00"},
      {"\xE2\x82\xAC", u"\u20AC", "0"},
      {"\xF0\x9F\x98\x80!", u"\U0001F600!", "000"},
      {"caf\xE9", u"caf\u00E9", "0001"},
      {"\xE2\x82=", u"\u00E2\u0082=", "110"},
      {"\xED\xA0\x80", u"\u00ED\u00A0\u0080", "111"},
  };
  for (const auto& c : cases) {
    const TUtf16Text got = DecodeUtf8(c.Bytes);
    EXPECT_EQ(got.Units, c.Units) << ::testing::PrintToString(c.Bytes);
    std::string stray;
    for (bool b : got.Stray) stray += b ? '1' : '0';
    EXPECT_EQ(stray, c.Stray) << ::testing::PrintToString(c.Bytes);
  }
}

}  // namespace
}  // namespace platform
