// The clipboard tools are replaced by small scripts on a private PATH and the Wayland display by
// a socket of our own, so the choice of tool, its arguments, the conversion and the time limit are
// checked without a desktop.

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/Clipboard.h"
#include "platform/Encoding.h"
#include "platform/posix/ClipboardChoice.h"
#include "platform/posix/PosixIo.h"
#include "scan/Exceptions.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class PosixClipboardTools : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/sheetcalc-clip-XXXXXX";
    FDir = ::mkdtemp(templ);
    for (const char* name : Names) FSaved.push_back(std::getenv(name) ? std::getenv(name) : "");
    ::setenv("PATH", FDir.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", FDir.c_str(), 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ForgetClipboardChoice();
  }
  void TearDown() override {
    for (size_t i = 0; i < std::size(Names); ++i)
      if (FSaved[i].empty()) ::unsetenv(Names[i]); else ::setenv(Names[i], FSaved[i].c_str(), 1);
    for (int fd : FSockets) ::close(fd);
        ForgetClipboardChoice();
    fs::remove_all(FDir);
  }

  /// A Unix socket NAME in the test folder; one that listens, or one left behind by a server that
  /// has gone (connections refused).
  void Socket(const std::string& name, bool listening) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string path = FDir + "/" + name;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    if (listening) {
      ASSERT_EQ(::listen(fd, 4), 0);
      FSockets.push_back(fd);
    } else {
      ::close(fd);
    }
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

  /// The clipboard under test, made at its first use after the last ForgetClipboardChoice.
  TClipboard& Clipboard() {
    if (!FClipboard) FClipboard = posix::NewToolClipboard(FText, FTimeLimit);
    return *FClipboard;
  }
  /// A clipboard chooses once: a test that changes its surroundings takes a new one.
  void ForgetClipboardChoice() { FClipboard.reset(); }

  static constexpr const char* Names[] = {"PATH", "DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"};
  TTextBoundary FText;
  long long FTimeLimit = 10000;
  std::unique_ptr<TClipboard> FClipboard;
  std::string FDir;
  std::vector<std::string> FSaved;
  std::vector<int> FSockets;
};

TEST_F(PosixClipboardTools, WaylandToolsReadAndWriteConvertedText) {
  Socket("wayland-test", true);
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
  ForgetClipboardChoice();
  EXPECT_EQ(Clipboard().GetClipboardText(), "from xclip");
  EXPECT_EQ(Read("xclip.args"), "-selection clipboard -o\n");
}

TEST_F(PosixClipboardTools, FailuresGiveEmptyTextOrFalse) {
  EXPECT_EQ(Clipboard().GetClipboardText(), "");  // no display at all
  EXPECT_FALSE(Clipboard().SetClipboardText("x"));
  ::setenv("DISPLAY", ":77", 1);
  ForgetClipboardChoice();
  EXPECT_EQ(Clipboard().GetClipboardText(), "");  // a display, but no tool
  EXPECT_FALSE(Clipboard().SetClipboardText("x"));
  Tool("xclip", "printf 'partial'; exit 1");
  ForgetClipboardChoice();
  EXPECT_EQ(Clipboard().GetClipboardText(), "");
  EXPECT_FALSE(Clipboard().SetClipboardText("x"));
  Tool("xclip", "printf 'a\\000b'");
  EXPECT_EQ(Clipboard().GetClipboardText(), "a");  // the text ends at its first zero byte
  // Every stand-in given out: a text that needs one is refused.
  for (int i = 0; i < UserAreaSize; ++i) FText.StandIns().StandInFor(0x10000 + i);
  Tool("xclip", "printf '\\377'");
  EXPECT_THROW(Clipboard().GetClipboardText(), scan::EEncodingError);
}

TEST_F(PosixClipboardTools, AToolThatHangsIsEndedAtTheTimeLimit) {
  ::setenv("DISPLAY", ":77", 1);
  FTimeLimit = 300;
  ForgetClipboardChoice();
  Tool("xclip", "exec sleep 30");
  timespec t0, t1;
  ::clock_gettime(CLOCK_MONOTONIC, &t0);
  EXPECT_EQ(Clipboard().GetClipboardText(), "");
  EXPECT_FALSE(Clipboard().SetClipboardText(std::string(1 << 20, 'x')));  // fills the pipe
  ::clock_gettime(CLOCK_MONOTONIC, &t1);
  EXPECT_LT(t1.tv_sec - t0.tv_sec, 5);
}

volatile sig_atomic_t gPipeSignals = 0;
void CountPipeSignal(int) { gPipeSignals = gPipeSignals + 1; }

// A tool that ends without reading makes the writes fail with a broken pipe: the signal that
// comes with them reaches neither the process's handler nor, after the write, anyone.
TEST_F(PosixClipboardTools, AWriterThatStopsReadingLeavesSigpipeAsItWas) {
  ::setenv("DISPLAY", ":77", 1);
  Tool("xclip", "exit 0");
  struct sigaction count {}, before {}, after {};
  count.sa_handler = CountPipeSignal;
  ASSERT_EQ(::sigaction(SIGPIPE, &count, &before), 0);
  gPipeSignals = 0;
  EXPECT_FALSE(Clipboard().SetClipboardText(std::string(1 << 20, 'x')));
  ::sigaction(SIGPIPE, &before, &after);
  EXPECT_EQ(gPipeSignals, 0);
  EXPECT_EQ(after.sa_handler, &CountPipeSignal);
  sigset_t blocked, pending;
  ::pthread_sigmask(SIG_SETMASK, nullptr, &blocked);
  ::sigpending(&pending);
  EXPECT_FALSE(sigismember(&blocked, SIGPIPE));
  EXPECT_FALSE(sigismember(&pending, SIGPIPE));
}

TEST_F(PosixClipboardTools, AStaleWaylandSocketGivesWayToX11) {
  Socket("wayland-0", false);
  ::setenv("WAYLAND_DISPLAY", "wayland-0", 1);
  ::setenv("DISPLAY", ":77", 1);
  Tool("wl-paste", "printf 'from wl-paste'");
  Tool("wl-copy", "cat >/dev/null");
  Tool("xclip", "printf 'from xclip'");
  EXPECT_EQ(Clipboard().GetClipboardText(), "from xclip");
  EXPECT_FALSE(fs::exists(FDir + "/wl-paste.args"));  // not even tried
  EXPECT_EQ(Clipboard().MissingTool(), "");
}

// Each row: the Wayland socket there is, DISPLAY, the tools on PATH ("NAME!": a file that is not
// executable); the clipboard chosen and what to install when there is none.
TEST_F(PosixClipboardTools, TheChoiceFollowsTheLiveDisplayAndTheInstalledTools) {
  enum TSocket { NoSocket, Live, Stale, LiveAbsolute, LiveNoRuntimeDir };
  struct TRow {
    TSocket Socket;
    bool Display;
    std::vector<std::string> Tools;
    posix::TClipboardKind Kind;
    std::string Missing;
  };
  using K = posix::TClipboardKind;
  const TRow rows[] = {
      {NoSocket, false, {"wl-paste", "wl-copy", "xclip"}, K::None, ""},
      {Live, false, {"wl-paste", "wl-copy"}, K::Wayland, ""},
      {LiveAbsolute, true, {"wl-paste", "wl-copy", "xclip"}, K::Wayland, ""},
      {LiveNoRuntimeDir, true, {"wl-paste", "wl-copy", "xsel"}, K::Xsel, ""},
      {Stale, true, {"wl-paste", "wl-copy", "xclip", "xsel"}, K::Xclip, ""},
      {Stale, false, {"wl-paste", "wl-copy"}, K::None, ""},
      {Live, true, {"wl-paste", "xclip"}, K::Xclip, ""},  // half of wl-clipboard
      {Live, true, {"wl-copy"}, K::None, "wl-clipboard"},
      {NoSocket, true, {"wl-paste", "wl-copy"}, K::None, "xclip or xsel"},
      {Stale, true, {"xclip!", "xsel!"}, K::None, "xclip or xsel"},
  };
  for (const TRow& row : rows) {
    fs::remove_all(FDir);
    fs::create_directory(FDir);
    ::setenv("XDG_RUNTIME_DIR", FDir.c_str(), 1);
    ::setenv("WAYLAND_DISPLAY", "wl-test", 1);
    if (row.Socket != NoSocket) Socket("wl-test", row.Socket != Stale);
    if (row.Socket == LiveAbsolute) ::setenv("WAYLAND_DISPLAY", (FDir + "/wl-test").c_str(), 1);
    if (row.Socket == LiveNoRuntimeDir) ::unsetenv("XDG_RUNTIME_DIR");
    if (row.Display) ::setenv("DISPLAY", ":77", 1); else ::unsetenv("DISPLAY");
    for (const std::string& tool : row.Tools) {
      if (!tool.ends_with('!')) {
        Tool(tool, "");
        continue;
      }
      std::string file = tool.substr(0, tool.size() - 1);  // there, but not executable: no tool
      Tool(file, "");
      ::chmod((FDir + "/" + file).c_str(), 0644);
    }
    posix::TClipboardChoice choice = posix::ChooseClipboard();
    std::string where = "row " + std::to_string(&row - rows);
    EXPECT_EQ(choice.Kind, row.Kind) << where;
    EXPECT_EQ(choice.Missing, row.Missing) << where;
    if (choice.Kind == K::Wayland) {
      EXPECT_EQ(choice.Writer, FDir + "/wl-copy") << where;
    }
  }
}

}  // namespace
}  // namespace platform
