#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/Files.h"
#include "platform/Encoding.h"
#include "scan/Exceptions.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class PosixFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/sheetcalc-files-XXXXXX";
    FDir = ::mkdtemp(templ);
    ASSERT_FALSE(FDir.empty());
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string Path(const std::string& name) const { return FDir + "/" + name; }
  std::string Bytes(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Put(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  TFileSystem& Files() { return *FFiles; }

  std::string FDir;
  TTextBoundary FText;
  std::unique_ptr<TFileSystem> FFiles = NewSystemFileSystem(FText);
};

TEST_F(PosixFiles, TextPassesTheEncodingBoundaryBothWays) {
  Files().SaveTextFile(Path("\x82\xA0.txt"), "\x82\xA0=1\r\nx\r\n");
  EXPECT_EQ(Bytes("\xE3\x81\x82.txt"), "\xE3\x81\x82=1\nx\n");  // the name is converted too
  EXPECT_TRUE(Files().FileExists(Path("\x82\xA0.txt")));
  EXPECT_EQ(Files().LoadTextFile(Path("\x82\xA0.txt")), "\x82\xA0=1\r\nx\r\n");
}

TEST_F(PosixFiles, MissingFilesAndFolders) {
  EXPECT_FALSE(Files().FileExists(Path("none")));
  EXPECT_FALSE(Files().FileExists(FDir));  // a folder is not a file
  EXPECT_EQ(Files().LoadTextFile(Path("none")), "");
  EXPECT_EQ(Files().LoadTextFile(FDir), "");
  EXPECT_FALSE(Files().DeleteFile(Path("none")));
  Put("gone", "x");
  EXPECT_TRUE(Files().DeleteFile(Path("gone")));
  EXPECT_FALSE(fs::exists(Path("gone")));
}

// Bytes that are not UTF-8 and a character code page 932 lacks come back as they were; a text
// that needs more stand-ins than are left is refused, naming the file.
TEST_F(PosixFiles, CarriedTextComesBackAndRefusalNamesTheFile) {
  Put("odd.txt", "ok\n\xFF \xE2\x82\xAC\n");
  const std::string text = Files().LoadTextFile(Path("odd.txt"));
  EXPECT_EQ(text, "ok\r\n\xF0\x40 \xF0\x41\r\n");
  Files().SaveTextFile(Path("copy.txt"), text);
  EXPECT_EQ(Bytes("copy.txt"), "ok\n\xFF \xE2\x82\xAC\n");
  for (int i = 0; i < UserAreaSize - 2; ++i) FText.StandIns().StandInFor(0x10000 + i);
  Put("bad.txt", "ok\n\xFE");
  try {
    Files().LoadTextFile(Path("bad.txt"));
    ADD_FAILURE() << "no error";
  } catch (const scan::EEncodingError& e) {
    EXPECT_EQ(e.Message(), Path("bad.txt") + " の 2 行 1 桁目: the byte 0xFE is not valid UTF-8 "
                                             "(no stand-ins are left for it)");
  }
}

TEST_F(PosixFiles, SaveReplacesWholeAndKeepsTheMode) {
  Put("s.txt", "a much longer old text\n");
  ::chmod(Path("s.txt").c_str(), 0640);
  Files().SaveTextFile(Path("s.txt"), "new\r\n");
  EXPECT_EQ(Bytes("s.txt"), "new\n");
  struct stat st;
  ASSERT_EQ(::stat(Path("s.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()), 1);
}

TEST_F(PosixFiles, SaveReplacesALinkAtTheTargetInsteadOfWritingThroughIt) {
  Put("elsewhere.txt", "keep\n");
  ::chmod(Path("elsewhere.txt").c_str(), 0600);
  ASSERT_EQ(::symlink(Path("elsewhere.txt").c_str(), Path("out.js").c_str()), 0);
  const mode_t mask = ::umask(022);
  Files().SaveTextFile(Path("out.js"), "x\r\n");
  ::umask(mask);
  EXPECT_EQ(Bytes("elsewhere.txt"), "keep\n");
  EXPECT_EQ(Bytes("out.js"), "x\n");
  struct stat st;
  ASSERT_EQ(::lstat(Path("out.js").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0644u);  // not the mode of the file the link led to
}

TEST_F(PosixFiles, FailedSaveNamesFileAndReasonAndLeavesNothing) {
  try {
    Files().SaveTextFile(Path("no/such/folder.txt"), "x");
    FAIL() << "no error";
  } catch (const scan::EInOutError& e) {
    EXPECT_EQ(e.Message(), "ファイルを書けません: " + Path("no/such/folder.txt") +
                               ": No such file or directory");
  }
  fs::create_directory(Path("target"));  // a folder in the way: the rename fails
  EXPECT_THROW(Files().SaveTextFile(Path("target"), "x"), scan::EInOutError);
  EXPECT_EQ(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()), 1);
}

TEST_F(PosixFiles, ProgramFolderFollowsXdgConfigHome) {
  std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("XDG_CONFIG_HOME", FDir.c_str(), 1);
  EXPECT_EQ(Files().ProgramFolder(false), FDir + "/sheetcalc/");
  EXPECT_FALSE(fs::exists(Path("sheetcalc")));
  EXPECT_EQ(Files().ProgramFolder(true), FDir + "/sheetcalc/");
  EXPECT_TRUE(fs::is_directory(Path("sheetcalc")));
  ::setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
  ::setenv("HOME", FDir.c_str(), 1);
  EXPECT_EQ(Files().ProgramFolder(true), FDir + "/.config/sheetcalc/");
  EXPECT_TRUE(fs::is_directory(Path(".config/sheetcalc")));
  ::unsetenv("XDG_CONFIG_HOME");
  ::setenv("HOME", oldHome.c_str(), 1);
}


}  // namespace
}  // namespace platform
