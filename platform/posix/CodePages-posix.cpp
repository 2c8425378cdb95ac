// Code page information on POSIX: a built-in table of the Windows code pages. The current ANSI and
// OEM code pages (0 and 1, and the thread's ANSI code page 3) are 932; the Macintosh code page (2)
// is its Japanese one, 10001.

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "platform/CodePages.h"

namespace platform {
namespace {

struct TCodePageRow {
  uint16_t CodePage;
  uint8_t MaxCharSize;
  std::array<uint8_t, 12> LeadByte;  // first..last pairs, ended by a pair of zeros
  const char* Description;
};

constexpr std::array<uint8_t, 12> NoLead{};
constexpr std::array<uint8_t, 12> ShiftJisLead{0x81, 0x9F, 0xE0, 0xFC};
constexpr std::array<uint8_t, 12> WideLead{0x81, 0xFE};
constexpr std::array<uint8_t, 12> JohabLead{0x84, 0xD3, 0xD8, 0xDE, 0xE0, 0xF9};
constexpr std::array<uint8_t, 12> EucJpLead{0x8E, 0x8E, 0xA1, 0xFE};

// Ascending by number, so that a look-up is a binary search.
constexpr TCodePageRow CodePageTable[] = {
    {37, 1, NoLead, "IBM EBCDIC - U.S./Canada"},
    {437, 1, NoLead, "OEM - United States"},
    {500, 1, NoLead, "IBM EBCDIC - International"},
    {708, 1, NoLead, "Arabic - ASMO"},
    {720, 1, NoLead, "Arabic - Transparent ASMO"},
    {737, 1, NoLead, "OEM - Greek 437G"},
    {775, 1, NoLead, "OEM - Baltic"},
    {850, 1, NoLead, "OEM - Multilingual Latin I"},
    {852, 1, NoLead, "OEM - Latin II"},
    {855, 1, NoLead, "OEM - Cyrillic"},
    {857, 1, NoLead, "OEM - Turkish"},
    {858, 1, NoLead, "OEM - Multilingual Latin I + Euro"},
    {860, 1, NoLead, "OEM - Portuguese"},
    {861, 1, NoLead, "OEM - Icelandic"},
    {862, 1, NoLead, "OEM - Hebrew"},
    {863, 1, NoLead, "OEM - Canadian French"},
    {864, 1, NoLead, "OEM - Arabic"},
    {865, 1, NoLead, "OEM - Nordic"},
    {866, 1, NoLead, "OEM - Russian"},
    {869, 1, NoLead, "OEM - Modern Greek"},
    {870, 1, NoLead, "IBM EBCDIC - Multilingual/ROECE (Latin-2)"},
    {874, 1, NoLead, "ANSI/OEM - Thai"},
    {875, 1, NoLead, "IBM EBCDIC - Modern Greek"},
    {932, 2, ShiftJisLead, "ANSI/OEM - Japanese Shift-JIS"},
    {936, 2, WideLead, "ANSI/OEM - Simplified Chinese GBK"},
    {949, 2, WideLead, "ANSI/OEM - Korean"},
    {950, 2, WideLead, "ANSI/OEM - Traditional Chinese Big5"},
    {1026, 1, NoLead, "IBM EBCDIC - Turkish (Latin-5)"},
    {1047, 1, NoLead, "IBM EBCDIC - Latin-1/Open System"},
    {1140, 1, NoLead, "IBM EBCDIC - U.S./Canada (37 + Euro)"},
    {1141, 1, NoLead, "IBM EBCDIC - Germany (20273 + Euro)"},
    {1142, 1, NoLead, "IBM EBCDIC - Denmark/Norway (20277 + Euro)"},
    {1143, 1, NoLead, "IBM EBCDIC - Finland/Sweden (20278 + Euro)"},
    {1144, 1, NoLead, "IBM EBCDIC - Italy (20280 + Euro)"},
    {1145, 1, NoLead, "IBM EBCDIC - Latin America/Spain (20284 + Euro)"},
    {1146, 1, NoLead, "IBM EBCDIC - United Kingdom (20285 + Euro)"},
    {1147, 1, NoLead, "IBM EBCDIC - France (20297 + Euro)"},
    {1148, 1, NoLead, "IBM EBCDIC - International (500 + Euro)"},
    {1149, 1, NoLead, "IBM EBCDIC - Icelandic (20871 + Euro)"},
    {1250, 1, NoLead, "ANSI - Central Europe"},
    {1251, 1, NoLead, "ANSI - Cyrillic"},
    {1252, 1, NoLead, "ANSI - Latin I"},
    {1253, 1, NoLead, "ANSI - Greek"},
    {1254, 1, NoLead, "ANSI - Turkish"},
    {1255, 1, NoLead, "ANSI - Hebrew"},
    {1256, 1, NoLead, "ANSI - Arabic"},
    {1257, 1, NoLead, "ANSI - Baltic"},
    {1258, 1, NoLead, "ANSI/OEM - Viet Nam"},
    {1361, 2, JohabLead, "Korean - Johab"},
    {10000, 1, NoLead, "MAC - Roman"},
    {10001, 2, ShiftJisLead, "MAC - Japanese"},
    {10007, 1, NoLead, "MAC - Cyrillic"},
    {10029, 1, NoLead, "MAC - Latin II"},
    {20127, 1, NoLead, "US-ASCII"},
    {20273, 1, NoLead, "IBM EBCDIC - Germany"},
    {20277, 1, NoLead, "IBM EBCDIC - Denmark/Norway"},
    {20278, 1, NoLead, "IBM EBCDIC - Finland/Sweden"},
    {20280, 1, NoLead, "IBM EBCDIC - Italy"},
    {20284, 1, NoLead, "IBM EBCDIC - Latin America/Spain"},
    {20285, 1, NoLead, "IBM EBCDIC - United Kingdom"},
    {20290, 1, NoLead, "IBM EBCDIC - Japanese Katakana Extended"},
    {20297, 1, NoLead, "IBM EBCDIC - France"},
    {20420, 1, NoLead, "IBM EBCDIC - Arabic"},
    {20423, 1, NoLead, "IBM EBCDIC - Greek"},
    {20424, 1, NoLead, "IBM EBCDIC - Hebrew"},
    {20833, 1, NoLead, "IBM EBCDIC - Korean Extended"},
    {20838, 1, NoLead, "IBM EBCDIC - Thai"},
    {20866, 1, NoLead, "Russian - KOI8"},
    {20871, 1, NoLead, "IBM EBCDIC - Icelandic"},
    {20880, 1, NoLead, "IBM EBCDIC - Cyrillic (Russian)"},
    {20905, 1, NoLead, "IBM EBCDIC - Turkish"},
    {20924, 1, NoLead, "IBM EBCDIC - Latin-1/Open System (1047 + Euro)"},
    {20932, 2, EucJpLead, "JIS X 0208-1990 & 0212-1990"},
    {21025, 1, NoLead, "IBM EBCDIC - Cyrillic (Serbian, Bulgarian)"},
    {21866, 1, NoLead, "Ukrainian (KOI8-U)"},
    {28591, 1, NoLead, "ISO 8859-1 Latin I"},
    {28592, 1, NoLead, "ISO 8859-2 Central Europe"},
    {28593, 1, NoLead, "ISO 8859-3 Latin 3"},
    {28594, 1, NoLead, "ISO 8859-4 Baltic"},
    {28595, 1, NoLead, "ISO 8859-5 Cyrillic"},
    {28596, 1, NoLead, "ISO 8859-6 Arabic"},
    {28597, 1, NoLead, "ISO 8859-7 Greek"},
    {28598, 1, NoLead, "ISO 8859-8 Hebrew: Visual Ordering"},
    {28599, 1, NoLead, "ISO 8859-9 Latin 5"},
    {28603, 1, NoLead, "ISO 8859-13 Latin 7"},
    {28605, 1, NoLead, "ISO 8859-15 Latin 9"},
    {38598, 1, NoLead, "ISO 8859-8 Hebrew: Logical Ordering"},
    {54936, 4, WideLead, "GB18030 Simplified Chinese"},
    {65000, 5, NoLead, "UTF-7"},
    {65001, 4, NoLead, "UTF-8"},
};

constexpr bool RowsAscending() {
  return std::is_sorted(std::begin(CodePageTable), std::end(CodePageTable),
                        [](const TCodePageRow& a, const TCodePageRow& b) { return a.CodePage <= b.CodePage; });
}
static_assert(RowsAscending(), "the code page table must be ascending without duplicates");

// The numbers that stand for a current code page: ANSI, OEM, Macintosh, the thread's ANSI.
uint32_t ActualCodePage(uint32_t codePage) {
  switch (codePage) {
    case AnsiCodePage:
    case OemCodePage:
    case 3:
      return 932;
    case 2:
      return 10001;
    default:
      return codePage;
  }
}

class TBuiltInCodePages final : public TCodePages {
 public:
  bool GetCodePageInfo(uint32_t codePage, TCodePageInfo& info) override {
    uint32_t actual = ActualCodePage(codePage);
    auto row = std::lower_bound(std::begin(CodePageTable), std::end(CodePageTable), actual,
                                [](const TCodePageRow& r, uint32_t cp) { return r.CodePage < cp; });
    if (row == std::end(CodePageTable) || row->CodePage != actual) return false;
    info.MaxCharSize = row->MaxCharSize;
    info.LeadByte = row->LeadByte;
    info.CodePage = row->CodePage;
    char name[96];
    std::snprintf(name, sizeof name, "%-5u (%s)", static_cast<unsigned>(row->CodePage), row->Description);
    info.CodePageName = name;
    return true;
  }
};

}  // namespace

std::unique_ptr<TCodePages> NewSystemCodePages() { return std::make_unique<TBuiltInCodePages>(); }

}  // namespace platform
