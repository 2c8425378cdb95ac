// The POSIX colour store against a real, private configuration folder.

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Encoding.h"
#include "platform/SysColors.h"
#include "scan/Exceptions.h"

namespace platform {
namespace {

class PosixSysColorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/syscolors-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    FRoot = pattern;
    const char* old = getenv("XDG_CONFIG_HOME");
    if (old) FOldConfig = old;
    FHadConfig = old != nullptr;
    setenv("XDG_CONFIG_HOME", (FRoot + "/config").c_str(), 1);
  }
  void TearDown() override {
    if (FHadConfig)
      setenv("XDG_CONFIG_HOME", FOldConfig.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    chmod((FRoot + "/config/sheetcalc").c_str(), 0700);
    std::string command = "rm -rf '" + FRoot + "'";
    EXPECT_EQ(system(command.c_str()), 0);
  }

  std::string StoreFile() const { return FRoot + "/config/sheetcalc/syscolors"; }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    if (DIR* d = opendir((FRoot + "/config/sheetcalc").c_str())) {
      while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') names.push_back(e->d_name);
      closedir(d);
    }
    return names;
  }
  void WriteStore(const std::string& text) {
    mkdir((FRoot + "/config").c_str(), 0700);
    mkdir((FRoot + "/config/sheetcalc").c_str(), 0700);
    std::ofstream(StoreFile(), std::ios::binary) << text;
  }

  TSysColorStore& SysColors() { return *FColors; }
  void Set(int32_t element, uint32_t value) {
    int32_t elements[] = {element};
    uint32_t values[] = {value};
    SysColors().SetSysColors(elements, values);
  }

  std::string FRoot;
  std::string FOldConfig;
  bool FHadConfig = false;
  TTextBoundary FText;
  std::unique_ptr<TSysColorStore> FColors = NewSystemSysColorStore(FText);
};

TEST_F(PosixSysColorsTest, StartsFromTheDefaultPaletteWithoutWriting) {
  EXPECT_EQ(SysColors().GetSysColor(5), 0xFFFFFFu);   // window
  EXPECT_EQ(SysColors().GetSysColor(8), 0x000000u);   // window text
  EXPECT_EQ(SysColors().GetSysColor(15), 0xF0F0F0u);  // button face
  EXPECT_EQ(SysColors().GetSysColor(-1), 0u);
  EXPECT_EQ(SysColors().GetSysColor(31), 0u);
  EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(PosixSysColorsTest, ChangesPersistAndLeaveNoTemporaryFile) {
  int32_t elements[] = {5, 1, 99, 15};
  uint32_t values[] = {0x123456, 0x0000FF, 7, 0xFF000001};
  SysColors().SetSysColors(elements, values);
  EXPECT_EQ(SysColors().GetSysColor(5), 0x123456u);
  EXPECT_EQ(SysColors().GetSysColor(1), 0x0000FFu);
  EXPECT_EQ(SysColors().GetSysColor(15), 0x000001u);  // a colour value has 24 bits
  EXPECT_EQ(SysColors().GetSysColor(8), 0x000000u);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"syscolors"});
  struct stat st;
  ASSERT_EQ(stat(StoreFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  Set(5, 0xABCDEF);  // a second change keeps the first ones
  EXPECT_EQ(SysColors().GetSysColor(5), 0xABCDEFu);
  EXPECT_EQ(SysColors().GetSysColor(1), 0x0000FFu);
}

TEST_F(PosixSysColorsTest, LinesThatDoNotParseArePassedOver) {
  WriteStore(
      "# comment\n"
      "5 $00FF00\r\n"
      "8 $0000FF trailing\n"
      "9 00FF00\n"
      "10 $1000000\n"
      "31 $FFFFFF\n"
      "-1 $FFFFFF\n"
      "\n"
      "x $FFFFFF\n"
      "1 $ABCDEF");
  EXPECT_EQ(SysColors().GetSysColor(5), 0x00FF00u);
  EXPECT_EQ(SysColors().GetSysColor(8), 0x000000u);
  EXPECT_EQ(SysColors().GetSysColor(9), 0x000000u);
  EXPECT_EQ(SysColors().GetSysColor(10), 0xB4B4B4u);
  EXPECT_EQ(SysColors().GetSysColor(1), 0xABCDEFu);
}

TEST_F(PosixSysColorsTest, ARelativeConfigHomeIsIgnored) {
  std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", FRoot.c_str(), 1);
  setenv("XDG_CONFIG_HOME", "relative", 1);
  Set(5, 0x010203);
  struct stat st;
  EXPECT_EQ(stat((FRoot + "/.config/sheetcalc/syscolors").c_str(), &st), 0);
  setenv("HOME", oldHome.c_str(), 1);
}

TEST_F(PosixSysColorsTest, AStoreThatCannotBeWrittenIsAnErrorNamingTheFile) {
  // A folder where the store should be: the rename fails (whatever the user's rights).
  WriteStore("");
  unlink(StoreFile().c_str());
  mkdir(StoreFile().c_str(), 0700);
  mkdir((StoreFile() + "/x").c_str(), 0700);
  try {
    Set(5, 0x010203);
    FAIL() << "no error";
  } catch (const scan::EInOutError& e) {
    EXPECT_NE(e.Message().find(StoreFile()), std::string::npos) << e.Message();
  }
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"syscolors"});  // no temporary file left
  EXPECT_EQ(SysColors().GetSysColor(5), 0xFFFFFFu);
}

}  // namespace
}  // namespace platform
