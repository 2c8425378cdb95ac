// The clipboard on POSIX: the desktop's command-line tools (wl-paste / wl-copy under Wayland,
// xclip or else xsel under X11), chosen once per run (ClipboardChoice-posix.cpp), started without
// a shell and given a time limit.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/Encoding.h"
#include "platform/posix/ClipboardChoice.h"
#include "platform/posix/PosixIo.h"

extern char** environ;

namespace platform {
namespace {

using posix::TFd;
// <chrono> cannot be used here: its "µs" does not exist in code page 932, the execution
// character set. Times are milliseconds of the monotonic clock.
using TTime = long long;

TTime Now() {
  timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<TTime>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int MillisecondsLeft(TTime deadline) {
  TTime left = deadline - Now();
  return left > 0 ? static_cast<int>(left) : 0;
}

/// A tool's command line: the file to start and its arguments, the first being its name.
struct TCommand {
  std::string File;
  std::vector<const char*> Argv;
};

/// The command that prints the clipboard's text.
TCommand ReadCommand(const posix::TClipboardChoice& c) {
  switch (c.Kind) {
    // Typed explicitly: left to itself wl-paste may pick an image.
    case posix::TClipboardKind::Wayland:
      return {c.Reader, {"wl-paste", "--no-newline", "--type", "text"}};
    case posix::TClipboardKind::Xclip:
      return {c.Reader, {"xclip", "-selection", "clipboard", "-o"}};
    default:
      return {c.Reader, {"xsel", "--clipboard", "--output"}};
  }
}

/// The command that takes the clipboard's new text on its standard input.
TCommand WriteCommand(const posix::TClipboardChoice& c) {
  switch (c.Kind) {
    // Typed explicitly: left to itself wl-copy guesses the type from the content.
    case posix::TClipboardKind::Wayland:
      return {c.Writer, {"wl-copy", "--type", "text/plain;charset=utf-8"}};
    case posix::TClipboardKind::Xclip:
      return {c.Writer, {"xclip", "-selection", "clipboard", "-i"}};
    default:
      return {c.Writer, {"xsel", "--clipboard", "--input"}};
  }
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

  /// Starts the command with `in` and `out` as its standard input and output (-1: /dev/null);
  /// standard error goes to /dev/null. False when it could not be started.
  bool Start(const TCommand& command, int in, int out) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    AddStream(actions, in, STDIN_FILENO, O_RDONLY);
    AddStream(actions, out, STDOUT_FILENO, O_WRONLY);
    AddStream(actions, -1, STDERR_FILENO, O_WRONLY);
    std::vector<char*> args;
    for (const char* a : command.Argv) args.push_back(const_cast<char*>(a));
    args.push_back(nullptr);
    int rc = posix_spawn(&FPid, command.File.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) FPid = -1;
    return rc == 0;
  }

  /// Waits until the tool has ended, at most until `deadline`; true when it ended with status 0.
  bool Wait(TTime deadline) {
    // The process descriptor turns readable the moment the tool ends, so the wait adds nothing
    // to a run; a kernel without one (before Linux 5.3) is polled every millisecond.
    TFd ended(static_cast<int>(::syscall(SYS_pidfd_open, FPid, 0)));
    for (;;) {
      int status = 0;
      pid_t r = ::waitpid(FPid, &status, WNOHANG);
      if (r == FPid) {
        FPid = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
      }
      if (r < 0 && errno != EINTR) return false;
      int left = MillisecondsLeft(deadline);
      if (left <= 0) return false;  // the destructor ends it
      if (ended.Get() < 0) {
        ::usleep(1000);
        continue;
      }
      pollfd p{ended.Get(), POLLIN, 0};
      ::poll(&p, 1, left);
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

/// Runs a reading tool; its standard output, or nothing when it failed or took longer than
/// `timeLimit`.
bool RunReader(const TCommand& command, TTime timeLimit, std::string& bytes) {
  TPipe pipe;
  if (!pipe.Open()) return false;
  TChild child;
  if (!child.Start(command, -1, pipe.Write.Get())) return false;
  pipe.Write.Close();
  auto deadline = Now() + timeLimit;
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

/// Keeps SIGPIPE from ending the process while a tool that stopped reading is written to, without
/// touching the process's disposition of it: the signal is blocked in this thread for the
/// object's life, and one that the writes raised meanwhile is taken off before it is unblocked.
class TBlockSigpipe {
 public:
  TBlockSigpipe() {
    sigemptyset(&FPipe);
    sigaddset(&FPipe, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &FPipe, &FOld);
    sigset_t pending;
    FWasPending = ::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE);
  }
  ~TBlockSigpipe() {
    sigset_t pending;
    if (!FWasPending && ::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE)) {
      const timespec now{};
      while (::sigtimedwait(&FPipe, nullptr, &now) < 0 && errno == EINTR) {
      }
    }
    ::pthread_sigmask(SIG_SETMASK, &FOld, nullptr);
  }
  TBlockSigpipe(const TBlockSigpipe&) = delete;
  TBlockSigpipe& operator=(const TBlockSigpipe&) = delete;

 private:
  sigset_t FPipe;
  sigset_t FOld;
  bool FWasPending;  // one was waiting already (blocked before): it is not ours to take
};

/// Runs a writing tool with `bytes` on its standard input; true when it took them within
/// `timeLimit`.
bool RunWriter(const TCommand& command, TTime timeLimit, const std::string& bytes) {
  TPipe pipe;
  if (!pipe.Open()) return false;
  TChild child;
  // The tools stay behind to serve the clipboard: they must not hold our standard output.
  if (!child.Start(command, pipe.Read.Get(), -1)) return false;
  pipe.Read.Close();
  TBlockSigpipe guard;
  ::fcntl(pipe.Write.Get(), F_SETFL, O_NONBLOCK);
  auto deadline = Now() + timeLimit;
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
  TToolClipboard(TTextBoundary& text, TTime timeLimit) : FText(text), FTimeLimit(timeLimit) {}

  std::string GetClipboardText() override {
    if (Choice().Kind == posix::TClipboardKind::None) return {};
    std::string bytes;
    if (!RunReader(ReadCommand(Choice()), FTimeLimit, bytes)) return {};
    bytes.resize(std::strlen(bytes.c_str()));  // the text ends at its first zero byte
    return FText.ImportText(bytes, "clipboard");
  }

  bool SetClipboardText(const std::string& text) override {
    if (Choice().Kind == posix::TClipboardKind::None) return false;
    return RunWriter(WriteCommand(Choice()), FTimeLimit, FText.ExportText(text));
  }

  std::string MissingTool() override { return Choice().Missing; }

 private:
  /// The choice for this clipboard's life, made at the first use.
  const posix::TClipboardChoice& Choice() {
    if (!FChoice) FChoice = posix::ChooseClipboard();
    return *FChoice;
  }

  TTextBoundary& FText;
  TTime FTimeLimit;  // how long a tool may take before it is given up
  std::optional<posix::TClipboardChoice> FChoice;
};

}  // namespace

std::unique_ptr<TClipboard> posix::NewToolClipboard(TTextBoundary& text, long long timeLimit) {
  return std::make_unique<TToolClipboard>(text, timeLimit);
}

std::unique_ptr<TClipboard> NewSystemClipboard(TTextBoundary& text) {
  return posix::NewToolClipboard(text, 10000);
}

}  // namespace platform
