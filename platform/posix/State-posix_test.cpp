#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Encoding.h"
#include "platform/State.h"
#include "scan/Exceptions.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class PosixState : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/sheetcalc-state-XXXXXX";
    FDir = ::mkdtemp(templ);
    ASSERT_FALSE(FDir.empty());
    ::setenv("XDG_STATE_HOME", (FDir + "/state").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("XDG_STATE_HOME");
    fs::remove_all(FDir);
  }
  static unsigned Mode(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 01000;
  }
  TStateStore& State() { return *FState; }

  std::string FDir;
  TTextBoundary FText;
  std::unique_ptr<TStateStore> FState = NewSystemStateStore(FText);
};

TEST_F(PosixState, FolderFollowsTheXdgRules) {
  EXPECT_EQ(State().StateFolder(false), FDir + "/state/sheetcalc/");
  ::setenv("XDG_STATE_HOME", "relative/is/ignored", 1);
  ::setenv("HOME", FDir.c_str(), 1);
  EXPECT_EQ(State().StateFolder(false), FDir + "/.local/state/sheetcalc/");
}

TEST_F(PosixState, SavedFilesAreTheUsersAloneAndReplacedWhole) {
  EXPECT_FALSE(State().LoadState("kept"));
  State().SaveState("kept", std::string("first\0\xff", 7));
  State().SaveState("kept", "second");
  EXPECT_EQ(State().LoadState("kept"), "second");
  EXPECT_EQ(Mode(FDir + "/state/sheetcalc/kept"), 0600u);
  EXPECT_EQ(Mode(FDir + "/state/sheetcalc"), 0700u);
  EXPECT_EQ(std::distance(fs::directory_iterator(FDir + "/state/sheetcalc"), {}), 1);
}

TEST_F(PosixState, AFolderThatCannotBeMadeIsAnErrorNamingIt) {
  std::ofstream(FDir + "/state") << "a file where the folder should be";
  try {
    State().SaveState("kept", "x");
    FAIL() << "no error";
  } catch (const scan::EInOutError& e) {
    EXPECT_NE(e.Message().find(FDir + "/state/sheetcalc/"), std::string::npos) << e.Message();
  }
}

}  // namespace
}  // namespace platform
