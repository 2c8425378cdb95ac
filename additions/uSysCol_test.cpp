#include "additions/uSysCol.h"

#include <gtest/gtest.h>

#include <string>

#include "PlatformFakes.h"
#include "additions/uScrExt.h"
#include "scan/Exceptions.h"

namespace additions {
namespace {

using Calls = std::vector<std::vector<std::pair<int32_t, uint32_t>>>;

// CR LF -> LF, so that expected outputs stay readable.
std::string Lf(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i)
    if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
  return out;
}

class SysColorTest : public ::testing::Test {
 protected:
  // A fresh engine with the colour addition alone; its output with LF line ends.
  std::string Run(const std::string& sheet) {
    static constexpr engine::TAdditionMaker SysColorOnly[] = {&engine::MakeAddition<TuSysColor>};
    engine::TAnsiCalculate calc(sheet, FFake.Services, SysColorOnly);
    calc.Calculate();
    return Lf(calc.Output());
  }
  // The message of the error that escapes the pass (empty when none does).
  std::string Escaping(const std::string& sheet) {
    try {
      Run(sheet);
    } catch (const scan::EAbort& e) {
      return e.Message();
    }
    return "(no error)";
  }

  fakes::TFakeServices FFake;
  fakes::TFakeSysColors& FColors = FFake.Colors;
  fakes::TMemoryFiles& FFiles = FFake.Files;
};

struct TCase {
  const char* Sheet;
  const char* Output;
};

TEST_F(SysColorTest, ColourNamesAndElementsInExpressions) {
  FColors.FColors[5] = 0x00FFFFFF;
  FColors.FColors[1] = 0x00D4D0C8;
  const TCase cases[] = {
      {"clRed", "clRed//255\n"},
      {"CLRED+cllime", "CLRED+cllime//65535\n"},
      {"clMedGray==$A4A0A0", "clMedGray==$A4A0A0//  1\n"},
      {"COLOR_WINDOW==clWhite", "COLOR_WINDOW==clWhite//  1\n"},
      {"color_desktop==$D4D0C8", "color_desktop==$D4D0C8//  1\n"},
      // Pending values are read back before the screen changes.
      {"COLOR_WINDOW = clYellow\nCOLOR_WINDOW", "COLOR_WINDOW = clYellow\nCOLOR_WINDOW//65535\n"},
      {"color_window = CLRED\nCOLOR_WINDOW", "color_window = CLRED\nCOLOR_WINDOW//255\n"},
      // Rounded to the nearest integer, ties to even; the low 32 bits are kept.
      {"COLOR_WINDOW=2.5\nCOLOR_WINDOW", "COLOR_WINDOW=2.5\nCOLOR_WINDOW//  2\n"},
      {"COLOR_WINDOW=3.5\nCOLOR_WINDOW", "COLOR_WINDOW=3.5\nCOLOR_WINDOW//  4\n"},
      {"COLOR_WINDOW=-1\nCOLOR_WINDOW==$FFFFFFFF", "COLOR_WINDOW=-1\nCOLOR_WINDOW==$FFFFFFFF//  1\n"},
      {"COLOR_WINDOW=$123456789\nCOLOR_WINDOW==$23456789", "COLOR_WINDOW=$123456789\nCOLOR_WINDOW==$23456789//  1\n"},
      // Other labels are left to the engine.
      {"a=5\na*2", "a=5\na*2// 10\n"},
      {"clRedX", "clRedX//!Err:clRedX undefined labels\n"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Run(c.Sheet), c.Output) << c.Sheet;
}

TEST_F(SysColorTest, ConstantsAndIncrementsAreErrors) {
  const TCase cases[] = {
      {"clRed=1", "clRed=1//!Err:clRed:const\n"},
      {"CLRED := 1", "CLRED := 1//!Err:CLRED:const\n"},
      {"++clRed", "++clRed//!Err:clRed:const\n"},
      {"--COLOR_WINDOW", "--COLOR_WINDOW//!Err:++/-- ng COLOR_WINDOW\n"},
      // A value outside the integer range is an invalid operation.
      {"COLOR_WINDOW=1E30", "COLOR_WINDOW=1E30//!Err:invalid operation\n"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Run(c.Sheet), c.Output) << c.Sheet;
  EXPECT_TRUE(FColors.FCalls.empty());
}

TEST_F(SysColorTest, PendingChangesAreAppliedOnceWhenThePassEnds) {
  Run("COLOR_3DFACE=1\nCOLOR_WINDOW=clRed\nCOLOR_BTNFACE=2\nCOLOR_WINDOW=clBlue");
  EXPECT_EQ(FColors.FCalls, (Calls{{{15, 2}, {5, 0xFF0000}}}));

  // The next pass starts empty: nothing scheduled, nothing applied.
  Run("COLOR_WINDOW");
  EXPECT_EQ(FColors.FCalls.size(), 1u);
}

TEST_F(SysColorTest, EveryElementFitsThePendingEntries) {
  std::string sheet;
  for (const TSysColorElement& e : SysColorElements) sheet += std::string(e.Name) + "=" + std::to_string(e.Index) + "\n";
  Run(sheet);
  ASSERT_EQ(FColors.FCalls.size(), 1u);
  EXPECT_EQ(FColors.FCalls[0].size(), 20u);  // COLOR_3DFACE and COLOR_BTNFACE share index 15
  for (auto [element, value] : FColors.FCalls[0]) EXPECT_EQ(static_cast<uint32_t>(element), value);
}

TEST_F(SysColorTest, AnEscapingErrorAppliesNothing) {
  EXPECT_EQ(Escaping("COLOR_WINDOW=1\n#scol my_set"), "#scol my??");
  EXPECT_TRUE(FColors.FCalls.empty());
}

TEST(ColorNameTest, FirstConstantWinsElseHexDigits) {
  EXPECT_EQ(ColorName(0x000000), "clBlack");
  EXPECT_EQ(ColorName(0xC0C0C0), "clSilver");
  EXPECT_EQ(ColorName(0x808080), "clGray");
  EXPECT_EQ(ColorName(0xA4A0A0), "clMedGray");
  EXPECT_EQ(ColorName(0xD4D0C8), "$D4D0C8");
  EXPECT_EQ(ColorName(0x00000A), "$00000A");
  EXPECT_EQ(ColorName(0x1000000), "$1000000");
}

TEST(ColorTablesTest, NamesAreFoundWithoutRegardToCase) {
  ASSERT_NE(FindSysColorElement("color_3dface"), nullptr);
  EXPECT_EQ(FindSysColorElement("color_3dface")->Index, 15);
  EXPECT_EQ(FindSysColorElement("COLOR_BTNFACE")->Index, 15);
  EXPECT_EQ(FindSysColorElement("COLOR_"), nullptr);
  EXPECT_EQ(FindSysColorElement("COLOR_WINDOWS"), nullptr);
  ASSERT_NE(FindColorConstant("CLSKYBLUE"), nullptr);
  EXPECT_EQ(FindColorConstant("CLSKYBLUE")->Value, 0xF0CAA6u);
  EXPECT_EQ(FindColorConstant("cl"), nullptr);
  EXPECT_EQ(FindColorConstant("COLOR_WINDOW"), nullptr);
}

TEST_F(SysColorTest, ListingPadsToColumnsAndReadsTheColoursInForce) {
  FColors.FColors[5] = 0xFFFFFF;
  FColors.FColors[19] = 0xD4D0C8;
  FColors.FColors[1] = 0xC0C0C0;
  std::string listing = SysColorListing(FColors);
  std::vector<std::string> lines;
  for (size_t start = 0;;) {
    size_t end = listing.find("\r\n", start);
    lines.push_back(listing.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  ASSERT_EQ(lines.size(), 21u);
  EXPECT_EQ(lines[0], "COLOR_WINDOW            =clWhite        // 5ウィンドウの背景 関連付けられている前景色は"
                      "COLOR_WINDOWTEXTされ、COLOR_HOTLITE");
  EXPECT_EQ(lines[12], "COLOR_BTNFACE           =$10100F        //!15  ");
  // A name longer than the column is not cut; the colour then stands right behind it.
  EXPECT_EQ(lines[13], "COLOR_INACTIVECAPTIONTEXT=$D4D0C8       //!19    非アクティブなキャプションのテキストの色 "
                       "関連付けられている背景色がCOLOR_INACTIVECAPTION");
  EXPECT_EQ(lines[20], "COLOR_DESKTOP           =clSilver       //! 1 デスクトップ");
  // Scheduled changes do not show.
  EXPECT_EQ(Run("COLOR_WINDOW=0\n#scol"), "COLOR_WINDOW=0\n" + Lf(listing) + "\n");
}

TEST_F(SysColorTest, SchemeDirectiveErrors) {
  const std::pair<const char*, const char*> cases[] = {
      {"#scol my_set", "#scol my??"},
      {"#SCOL abc def", "#SCOL abc??"},
      {"#scol +", "#scol?"},
      {"#scol -  ", "#scol?"},
      {"#Scol nosuch", "#Scol?"},
      {"#scol +.", "#scol ??"},
      // A lead byte must be followed by a real trail byte to belong to the name.
      {"#scol +ab\x81/x", "#scol ab\x81/x??"},
      {"#scol ab\x81", "#scol ab\x81??"},
  };
  for (auto [sheet, message] : cases) EXPECT_EQ(Escaping(sheet), message) << sheet;
  // The stand-in that carries a NUL would cut the file's name short.
  const std::string standIn = FFake.Text.ImportText(std::string("\0", 1), "test");
  for (const char* sign : {"+", "-", ""}) {
    const std::string sheet = std::string("#scol ") + sign + "a" + standIn;
    EXPECT_EQ(Escaping(sheet), "#scol a" + standIn + "??") << sign;
  }
  EXPECT_TRUE(FFiles.FFiles.empty());
  EXPECT_EQ(FFiles.FDeletions, 0);
}

TEST_F(SysColorTest, SaveLoadAndDeleteASchemeFile) {
  FColors.FColors[5] = 0xFFFFFF;
  FColors.FColors[15] = 0x123456;
  EXPECT_EQ(Run("#scol +day"), "");
  EXPECT_TRUE(FFiles.FFolderCreated);
  ASSERT_EQ(FFiles.FFiles.count("/prog/day.scol.txt"), 1u);
  EXPECT_EQ(FFiles.FFiles["/prog/day.scol.txt"], SysColorListing(FColors));

  // Change every colour, then load the scheme: all colours come back at once, in one call.
  auto saved = FColors.FColors;
  for (const TSysColorElement& e : SysColorElements) FColors.FColors[static_cast<size_t>(e.Index)] = 0;
  EXPECT_EQ(Run("#scol day\nCOLOR_3DFACE==$123456"), "COLOR_3DFACE==$123456//  1\n");
  ASSERT_EQ(FColors.FCalls.size(), 1u);
  EXPECT_EQ(FColors.FCalls[0].size(), 20u);
  EXPECT_EQ(FColors.FColors, saved);

  EXPECT_EQ(Run("#scol -day\n#scol -day"), "");
  EXPECT_TRUE(FFiles.FFiles.empty());
  EXPECT_EQ(FFiles.FDeletions, 1);  // a missing file is not even tried
  EXPECT_EQ(Escaping("#scol day"), "#scol?");
}

TEST_F(SysColorTest, SchemeNamesAndTheRestOfTheLine) {
  FFiles.FFiles["/prog/Night@2.scol.txt"] = "COLOR_WINDOW = clBlack, COLOR_DESKTOP = $102030 // any sheet";
  FFiles.FFiles["/prog/\x90\x46.scol.txt"] = "COLOR_WINDOW = 7";
  Run("#scol\tNight@2  #comment");
  EXPECT_EQ(FColors.FCalls, (Calls{{{5, 0}, {1, 0x102030}}}));
  Run("#scol \x90\x46");
  EXPECT_EQ(FColors.FColors[5], 7u);
  Run("#scol + \x90\x46x");
  EXPECT_EQ(FFiles.FFiles.count("/prog/\x90\x46x.scol.txt"), 1u);
}

TEST_F(SysColorTest, ErrorsInsideASchemeEscapeThePass) {
  FFiles.FFiles["/prog/bad.scol.txt"] = "COLOR_WINDOW = 1\nclRed = 2";
  EXPECT_EQ(Escaping("#scol bad"), "clRed:const");
  EXPECT_TRUE(FColors.FCalls.empty());
}

TEST_F(SysColorTest, ASchemeThatCannotBeWrittenIsAnErrorNamingTheFile) {
  FFiles.FSaveError = "cannot write";
  EXPECT_EQ(Escaping("#scol +day"), "cannot write /prog/day.scol.txt");
}

TEST_F(SysColorTest, HelpGoesOnToTheOtherAdditions) {
  static constexpr engine::TAdditionMaker ColoursThenCodePages[] = {
      &engine::MakeAddition<TuSysColor>, &engine::MakeAddition<TuScrExt>};
  engine::TAnsiCalculate calc("#h", FFake.Services, ColoursThenCodePages);
  calc.Calculate();
  std::string out = calc.Output();
  std::string scol =
      "// #scolのみなら　現在の設定値が読まれ\r\n// #scol name で  SysColorにname.scol.txtを設定する\r\n"
      "// #scol +name で nameに現在の設定値を書き出す\r\n// #scol -name で nameを削除する\r\n";
  std::string cp = "// #cp のみで現在のコードページ情報 *で一覧 数字で指定\r\n//\r\n";
  ASSERT_GE(out.size(), scol.size() + cp.size());
  EXPECT_EQ(out.substr(out.size() - scol.size() - cp.size()), scol + cp);
  EXPECT_EQ(out.substr(0, 4), "#h\r\n");
}

}  // namespace
}  // namespace additions
