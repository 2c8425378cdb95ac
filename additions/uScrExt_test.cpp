#include "additions/uScrExt.h"

#include <gtest/gtest.h>

#include <string>

#include "PlatformFakes.h"
#include "scan/Exceptions.h"

namespace additions {
namespace {

platform::TCodePageInfo Info(uint32_t codePage, uint32_t maxCharSize, std::array<uint8_t, 12> lead,
                             std::string name) {
  platform::TCodePageInfo info;
  info.CodePage = codePage;
  info.MaxCharSize = maxCharSize;
  info.LeadByte = lead;
  info.CodePageName = std::move(name);
  return info;
}

constexpr engine::TAdditionMaker ScrExtOnly[] = {&engine::MakeAddition<TuScrExt>};

class ScrExtTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto sjis = Info(932, 2, {0x81, 0x9F, 0xE0, 0xFC}, "932   (ANSI/OEM - Japanese Shift-JIS)");
    FPages.FPages[0] = sjis;
    FPages.FPages[932] = sjis;
    FPages.FPages[1] = Info(437, 1, {}, "437   (OEM - United States)");
    FPages.FPages[1252] = Info(1252, 1, {}, "1252  (ANSI - Latin I)");
  }

  // The output of a sheet, CR LF kept: the report lines are exact bytes.
  std::string Run(const std::string& sheet) {
    engine::TAnsiCalculate calc(sheet, FFake.Services, ScrExtOnly);
    calc.Calculate();
    return calc.Output();
  }

  fakes::TFakeServices FFake;
  fakes::TFakeCodePages& FPages = FFake.Pages;
};

const std::string Acp = "// CP_ACP  :     932, 2,\"[#$81..#$9F,#$E0..#$FC]\",932   (ANSI/OEM - Japanese Shift-JIS)\r\n";
const std::string Oem = "// CP_OEMCP:     437, 1,\"[]\",437   (OEM - United States)\r\n";
const std::string Cp932 = "// cp   932:     932, 2,\"[#$81..#$9F,#$E0..#$FC]\",932   (ANSI/OEM - Japanese Shift-JIS)\r\n";

TEST_F(ScrExtTest, TheThreeForms) {
  const std::pair<const char*, std::string> cases[] = {
      {"#cp", Acp + Oem},
      {"#CP", Acp + Oem},
      {"#cp -1", Acp + Oem},
      {"#cp (932)", Acp + Oem},
      {"#cp // note", Acp + Oem},
      {"#cp 932", Cp932},
      {"#cp 900+32", Cp932},
      {"#cp +932", Cp932},
      {"#cp\t931.5", Cp932},
      {"#cp 1252", "// cp  1252:    1252, 1,\"[]\",1252  (ANSI - Latin I)\r\n"},
      {"#cp 12345", ""},
      {"#cp 4294968228", ""},  // 2^32 + 932 is no code page identifier
      {"#cp 123456789", ""},
      {"#cp 932\n1+1", Cp932 + "1+1//  2\r\n"},
  };
  for (const auto& [sheet, output] : cases) EXPECT_EQ(Run(sheet), output) << sheet;
}

TEST_F(ScrExtTest, EveryCodePageAsksAllNumbersInOrder) {
  FPages.FPages[65535] = Info(65535, 1, {}, "last");
  EXPECT_EQ(Run("#cp *"), "// ,    0,     932, 2,\"[#$81..#$9F,#$E0..#$FC]\",932   (ANSI/OEM - Japanese Shift-JIS)\r\n"
                          "// ,    1,     437, 1,\"[]\",437   (OEM - United States)\r\n"
                          "// ,  932,     932, 2,\"[#$81..#$9F,#$E0..#$FC]\",932   (ANSI/OEM - Japanese Shift-JIS)\r\n"
                          "// , 1252,    1252, 1,\"[]\",1252  (ANSI - Latin I)\r\n"
                          "// ,65535,   65535, 1,\"[]\",last\r\n");
  EXPECT_EQ(FPages.FQuestions, 65536);
}

TEST_F(ScrExtTest, OtherDirectivesAreNotTaken) {
  EXPECT_EQ(Run("#cpx 932"), "#cpx 932//!Err:unknown directive\r\n");
  EXPECT_EQ(FPages.FQuestions, 0);
}

TEST_F(ScrExtTest, ExpressionErrorsEscapeThePass) {
  EXPECT_THROW(Run("#cp nolabel"), scan::EAbort);
  EXPECT_THROW(Run("#cp 1E30"), scan::EInvalidOp);
}

TEST(CodePageReportTest, LeadByteRanges) {
  EXPECT_EQ(CodePageReport("L:", Info(1361, 2, {0x84, 0xD3, 0xD8, 0xDE, 0xE0, 0xF9}, "Johab")),
            "L:    1361, 2,\"[#$84..#$D3,#$D8..#$DE,#$E0..#$F9]\",Johab");
  // Six pairs and no end pair: all six, nothing read beyond.
  EXPECT_EQ(CodePageReport("", Info(1, 4, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0xFF}, "")),
            "       1, 4,\"[#$01..#$02,#$03..#$04,#$05..#$06,#$07..#$08,#$09..#$0A,#$0B..#$FF]\",");
  // The end pair stops the list even when pairs follow it.
  EXPECT_EQ(CodePageReport("", Info(7, 2, {0x81, 0xFE, 0, 0, 0xA1, 0xFE}, "x")), "       7, 2,\"[#$81..#$FE]\",x");
  // A zero first byte alone does not end the list.
  EXPECT_EQ(CodePageReport("", Info(7, 2, {0, 0x7F}, "")), "       7, 2,\"[#$00..#$7F]\",");
  EXPECT_EQ(CodePageReport("", Info(123456789, 12, {}, "")), "123456789,12,\"[]\",");
}

}  // namespace
}  // namespace additions
