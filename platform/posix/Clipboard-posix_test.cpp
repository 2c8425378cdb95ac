// The clipboard tools are replaced by small scripts on a private PATH, so the choice of tool,
// its arguments, the conversion and the time limit are checked without a desktop.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/Clipboard.h"
#include "platform/StandIns.h"
#include "platform/posix/PosixIo.h"
#include "scan/Errors.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class PosixClipboardTools : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/sheetcalc-clip-XXXXXX";
    FDir = ::mkdtemp(templ);
    for (const char* name : {"PATH", "DISPLAY", "WAYLAND_DISPLAY"})
      FSaved.push_back(std::getenv(name) ? std::getenv(name) : "");
    ::setenv("PATH", FDir.c_str(), 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
  }
  void TearDown() override {
    const char* names[] = {"PATH", "DISPLAY", "WAYLAND_DISPLAY"};
    for (size_t i = 0; i < 3; ++i)
      if (FSaved[i].empty()) ::unsetenv(names[i]); else ::setenv(names[i], FSaved[i].c_str(), 1);
    posix::SetClipboardTimeLimit(10000);
    fs::remove_all(FDir);
  }

  /// A tool that records its arguments in NAME.args and then runs `body` (sh).
  void Tool(const std::string& name, const std::string& body) {
    std::string path = FDir + "/" + name;
    std::ofstream(path) << "#!/bin/sh\nPATH=/usr/bin:/bin\necho \"$*\" > '" << FDir << "/" << name
                        << ".args'\n" << body << "\n";
    ::chmod(path.c_str(), 0755);
  }
  std::string Read(const std::string& name) {
    std::ifstream in(FDir + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::string FDir;
  std::vector<std::string> FSaved;
};

TEST_F(PosixClipboardTools, WaylandToolsReadAndWriteConvertedText) {
  ::setenv("WAYLAND_DISPLAY", "wayland-test", 1);
  Tool("wl-paste", "printf 'a=1\\n\\343\\201\\202'");
  Tool("wl-copy", "cat > '" + FDir + "/copied'");
  EXPECT_EQ(Clipboard().GetClipboardText(), "a=1\r\n\x82\xA0");
  EXPECT_EQ(Read("wl-paste.args"), "--no-newline --type text\n");
  EXPECT_TRUE(Clipboard().SetClipboardText("x\r\n\x82\xA0"));
  EXPECT_EQ(Read("copied"), "x\n\xE3\x81\x82");
  EXPECT_EQ(Read("wl-copy.args"), "--type text/plain;charset=utf-8\n");
}

TEST_F(PosixClipboardTools, X11PrefersXclipAndFallsBackToXsel) {
  ::setenv("DISPLAY", ":77", 1);
  Tool("xsel", "printf 'from xsel'");
  EXPECT_EQ(Clipboard().GetClipboardText(), "from xsel");
  EXPECT_EQ(Read("xsel.args"), "--clipboard --output\n");
  Tool("xclip", "printf 'from xclip'");
  EXPECT_EQ(Clipboard().GetClipboardText(), "from xclip");
  EXPECT_EQ(Read("xclip.args"), "-selection clipboard -o\n");
}

TEST_F(PosixClipboardTools, FailuresGiveEmptyTextOrFalse) {
  EXPECT_EQ(Clipboard().GetClipboardText(), "");  // no display at all
  EXPECT_FALSE(Clipboard().SetClipboardText("x"));
  ::setenv("DISPLAY", ":77", 1);
  EXPECT_EQ(Clipboard().GetClipboardText(), "");  // a display, but no tool
  EXPECT_FALSE(Clipboard().SetClipboardText("x"));
  Tool("xclip", "printf 'partial'; exit 1");
  EXPECT_EQ(Clipboard().GetClipboardText(), "");
  EXPECT_FALSE(Clipboard().SetClipboardText("x"));
  Tool("xclip", "printf 'a\\000b'");
  EXPECT_EQ(Clipboard().GetClipboardText(), "a");  // the text ends at its first zero byte
  TStandIns table;  // every stand-in given out: a text that needs one is refused
  for (int i = 0; i < UserAreaSize; ++i) table.StandInFor(0x10000 + i);
  SetStandIns(&table);
  Tool("xclip", "printf '\\377'");
  EXPECT_THROW(Clipboard().GetClipboardText(), scan::EEncodingError);
  SetStandIns(nullptr);
}

TEST_F(PosixClipboardTools, AToolThatHangsIsEndedAtTheTimeLimit) {
  ::setenv("DISPLAY", ":77", 1);
  posix::SetClipboardTimeLimit(300);
  Tool("xclip", "exec sleep 30");
  timespec t0, t1;
  ::clock_gettime(CLOCK_MONOTONIC, &t0);
  EXPECT_EQ(Clipboard().GetClipboardText(), "");
  EXPECT_FALSE(Clipboard().SetClipboardText(std::string(1 << 20, 'x')));  // fills the pipe
  ::clock_gettime(CLOCK_MONOTONIC, &t1);
  EXPECT_LT(t1.tv_sec - t0.tv_sec, 5);
}

}  // namespace
}  // namespace platform
