// The clipboard on POSIX: the desktop's command-line tools (wl-paste / wl-copy under Wayland,
// xclip or else xsel under X11), started without a shell and given a time limit.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/Encoding.h"
#include "platform/posix/PosixIo.h"

extern char** environ;

namespace platform {
namespace {

using posix::TFd;
// <chrono> cannot be used here: its "µs" does not exist in code page 932, the execution
// character set. Times are milliseconds of the monotonic clock.
using TTime = long long;

/// How long a clipboard tool may take before it is given up.
TTime gTimeLimit = 10000;

TTime Now() {
  timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<TTime>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

struct TTool {
  std::vector<const char*> Read;   // prints the clipboard's text
  std::vector<const char*> Write;  // takes the new text on its standard input
};

/// The tools to try, in order, for the session in force; none without a display.
std::vector<TTool> Tools() {
  std::vector<TTool> tools;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* x11 = std::getenv("DISPLAY");
  // Typed explicitly: left to itself wl-paste may pick an image, and wl-copy guesses the type
  // from the content.
  if (wayland && *wayland)
    tools.push_back({{"wl-paste", "--no-newline", "--type", "text"},
                     {"wl-copy", "--type", "text/plain;charset=utf-8"}});
  if (x11 && *x11) {
    tools.push_back({{"xclip", "-selection", "clipboard", "-o"},
                     {"xclip", "-selection", "clipboard", "-i"}});
    tools.push_back({{"xsel", "--clipboard", "--output"}, {"xsel", "--clipboard", "--input"}});
  }
  return tools;
}

/// A started tool; the destructor ends and reaps it if it still runs.
class TChild {
 public:
  TChild() = default;
  ~TChild() {
    if (FPid > 0) {
      ::kill(FPid, SIGKILL);
      ::waitpid(FPid, nullptr, 0);
    }
  }
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;

  /// Starts `argv` (found on PATH) with `in` and `out` as its standard input and output (-1:
  /// /dev/null); standard error goes to /dev/null. False when it could not be started.
  bool Start(const std::vector<const char*>& argv, int in, int out) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    AddStream(actions, in, STDIN_FILENO, O_RDONLY);
    AddStream(actions, out, STDOUT_FILENO, O_WRONLY);
    AddStream(actions, -1, STDERR_FILENO, O_WRONLY);
    std::vector<char*> args;
    for (const char* a : argv) args.push_back(const_cast<char*>(a));
    args.push_back(nullptr);
    int rc = posix_spawnp(&FPid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) FPid = -1;
    return rc == 0;
  }

  /// Waits until the tool has ended, at most until `deadline`; true when it ended with status 0.
  bool Wait(TTime deadline) {
    for (;;) {
      int status = 0;
      pid_t r = ::waitpid(FPid, &status, WNOHANG);
      if (r == FPid) {
        FPid = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
      }
      if (r < 0 && errno != EINTR) return false;
      if (Now() >= deadline) return false;  // the destructor ends it
      ::usleep(2000);
    }
  }

 private:
  static void AddStream(posix_spawn_file_actions_t& actions, int fd, int target, int mode) {
    if (fd >= 0)
      posix_spawn_file_actions_adddup2(&actions, fd, target);
    else
      posix_spawn_file_actions_addopen(&actions, target, "/dev/null", mode, 0);
  }

  pid_t FPid = -1;
};

/// A pipe whose ends close themselves and are not inherited by the tools.
struct TPipe {
  TFd Read, Write;
  bool Open() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    Read = TFd(fds[0]);
    Write = TFd(fds[1]);
    return true;
  }
};

int MillisecondsLeft(TTime deadline) {
  TTime left = deadline - Now();
  return left > 0 ? static_cast<int>(left) : 0;
}

/// Runs a reading tool; its standard output, or nothing when it failed or took too long.
bool RunReader(const std::vector<const char*>& argv, std::string& bytes, bool& started) {
  TPipe pipe;
  if (!pipe.Open()) return false;
  TChild child;
  started = child.Start(argv, -1, pipe.Write.Get());
  if (!started) return false;
  pipe.Write.Close();
  auto deadline = Now() + gTimeLimit;
  char buf[65536];
  for (;;) {
    pollfd p{pipe.Read.Get(), POLLIN, 0};
    int ready = ::poll(&p, 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    ssize_t r = ::read(pipe.Read.Get(), buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    bytes.append(buf, static_cast<size_t>(r));
  }
  return child.Wait(deadline);
}

/// Keeps SIGPIPE from ending the process while a tool that stopped reading is written to.
class TIgnoreSigpipe {
 public:
  TIgnoreSigpipe() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &FOld);
  }
  ~TIgnoreSigpipe() { ::sigaction(SIGPIPE, &FOld, nullptr); }
  TIgnoreSigpipe(const TIgnoreSigpipe&) = delete;
  TIgnoreSigpipe& operator=(const TIgnoreSigpipe&) = delete;

 private:
  struct sigaction FOld {};
};

/// Runs a writing tool with `bytes` on its standard input; true when it took them.
bool RunWriter(const std::vector<const char*>& argv, const std::string& bytes, bool& started) {
  TPipe pipe;
  if (!pipe.Open()) return false;
  TChild child;
  // The tools stay behind to serve the clipboard: they must not hold our standard output.
  started = child.Start(argv, pipe.Read.Get(), -1);
  if (!started) return false;
  pipe.Read.Close();
  TIgnoreSigpipe guard;
  ::fcntl(pipe.Write.Get(), F_SETFL, O_NONBLOCK);
  auto deadline = Now() + gTimeLimit;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t w = ::write(pipe.Write.Get(), bytes.data() + done, bytes.size() - done);
    if (w > 0) {
      done += static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd p{pipe.Write.Get(), POLLOUT, 0};
    if (::poll(&p, 1, MillisecondsLeft(deadline)) == 0) return false;
  }
  pipe.Write.Close();
  return child.Wait(deadline);
}

class TToolClipboard : public TClipboard {
 public:
  std::string GetClipboardText() override {
    for (const TTool& tool : Tools()) {
      std::string bytes;
      bool started = false;
      bool ok = RunReader(tool.Read, bytes, started);
      if (!started) continue;  // not installed: the next tool
      if (!ok) return {};
      bytes.resize(std::strlen(bytes.c_str()));  // the text ends at its first zero byte
      return ImportText(bytes, "clipboard");
    }
    return {};
  }

  bool SetClipboardText(const std::string& text) override {
    std::string bytes = ExportText(text);
    for (const TTool& tool : Tools()) {
      bool started = false;
      bool ok = RunWriter(tool.Write, bytes, started);
      if (started) return ok;
    }
    return false;
  }
};

TClipboard* gFake = nullptr;

}  // namespace

void posix::SetClipboardTimeLimit(long long milliseconds) { gTimeLimit = milliseconds; }

TClipboard& Clipboard() {
  static TToolClipboard real;
  return gFake ? *gFake : real;
}

void SetClipboard(TClipboard* fake) { gFake = fake; }

}  // namespace platform
