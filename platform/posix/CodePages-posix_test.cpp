// The built-in code page table.

#include <gtest/gtest.h>

#include <string>

#include "platform/CodePages.h"

namespace platform {
namespace {

using Lead = std::array<uint8_t, 12>;

TEST(PosixCodePagesTest, CurrentCodePagesAre932) {
  const std::unique_ptr<TCodePages> pages = NewSystemCodePages();
  for (uint32_t current : {AnsiCodePage, OemCodePage}) {
    TCodePageInfo info;
    ASSERT_TRUE(pages->GetCodePageInfo(current, info));
    EXPECT_EQ(info.CodePage, 932u);
    EXPECT_EQ(info.MaxCharSize, 2u);
    EXPECT_EQ(info.LeadByte, (Lead{0x81, 0x9F, 0xE0, 0xFC}));
    EXPECT_EQ(info.CodePageName, "932   (ANSI/OEM - Japanese Shift-JIS)");
  }
}

TEST(PosixCodePagesTest, KnownAndUnknownPages) {
  const std::unique_ptr<TCodePages> pages = NewSystemCodePages();
  struct TCase {
    uint32_t CodePage;
    uint32_t MaxCharSize;
    Lead LeadByte;
  };
  const TCase cases[] = {
      {936, 2, {0x81, 0xFE}}, {949, 2, {0x81, 0xFE}}, {950, 2, {0x81, 0xFE}}, {1252, 1, {}},
      {437, 1, {}},           {37, 1, {}},            {28591, 1, {}},         {28605, 1, {}},
      {65000, 5, {}},         {65001, 4, {}},         {1361, 2, {0x84, 0xD3, 0xD8, 0xDE, 0xE0, 0xF9}},
  };
  for (const TCase& c : cases) {
    TCodePageInfo info;
    ASSERT_TRUE(pages->GetCodePageInfo(c.CodePage, info)) << c.CodePage;
    EXPECT_EQ(info.CodePage, c.CodePage);
    EXPECT_EQ(info.MaxCharSize, c.MaxCharSize) << c.CodePage;
    EXPECT_EQ(info.LeadByte, c.LeadByte) << c.CodePage;
  }
  TCodePageInfo info;
  for (uint32_t unknown : {4u, 12345u, 65535u, 65536u, 0xFFFFFFFFu})
    EXPECT_FALSE(pages->GetCodePageInfo(unknown, info)) << unknown;
}

TEST(PosixCodePagesTest, EveryRowIsWellFormed) {
  const std::unique_ptr<TCodePages> pages = NewSystemCodePages();
  int known = 0;
  for (uint32_t cp = 0; cp <= 65535; ++cp) {
    TCodePageInfo info;
    if (!pages->GetCodePageInfo(cp, info)) continue;
    ++known;
    EXPECT_GE(info.MaxCharSize, 1u);
    EXPECT_LE(info.MaxCharSize, 5u);
    std::string number = std::to_string(info.CodePage);
    EXPECT_EQ(info.CodePageName.substr(0, number.size()), number);
    bool ended = false;
    for (size_t i = 0; i < 12; i += 2) {
      uint8_t first = info.LeadByte[i], last = info.LeadByte[i + 1];
      if (first == 0 && last == 0) ended = true;
      if (ended) {
        EXPECT_EQ(first | last, 0) << cp;  // nothing after the end pair
        continue;
      }
      EXPECT_LE(first, last) << cp;
      EXPECT_GE(first, 0x80) << cp;
      EXPECT_EQ(info.MaxCharSize >= 2, true) << cp;
    }
  }
  EXPECT_GT(known, 80);
}

}  // namespace
}  // namespace platform
