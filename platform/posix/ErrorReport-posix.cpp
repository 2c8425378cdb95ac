// The report of an error that ends the process on POSIX: one line on standard error, in the form
// editors and terminals expect ("sheetcalc: file:line:column: message"), and a desktop
// notification when the results were headed for the clipboard and standard error is no terminal
// (the program was started from a launcher or a hotkey, and nobody reads that stream). Warnings
// are one line "sheetcalc: <warning>". Nothing else in the program writes to standard error.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/Encoding.h"
#include "platform/ErrorReport.h"
#include "platform/posix/PosixIo.h"

extern char** environ;

namespace platform {
namespace {

/// How long notify-send may take before it is ended, in milliseconds.
constexpr long long NotifyTimeLimit = 5000;

long long Now() {
  timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

/// Runs notify-send from PATH without a shell, its streams on /dev/null, and waits for it up to
/// the time limit; a missing tool, a failure or a delay is no error.
void Notify(const std::string& body) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const char* argv[] = {"notify-send", "-u", "critical", "--", "sheetcalc", body.c_str(), nullptr};
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return;
  const long long deadline = Now() + NotifyTimeLimit;
  for (;;) {
    pid_t r = ::waitpid(pid, nullptr, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) return;
    if (Now() >= deadline) break;
    ::usleep(5000);
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

}  // namespace

bool posix::WriteStandardError(const char* p, size_t n) { return WriteAll(STDERR_FILENO, p, n); }

namespace {

class TStderrReport : public TErrorReport {
 public:
  explicit TStderrReport(TTextBoundary& text) : FText(text) {}

  void ShowFatalError(const TFatalError& error) override {
    std::string line = FText.ExportText(error.Line);
    for (char& c : line)
      if (c == '\n' || c == '\r') c = ' ';
    std::string out = "sheetcalc: " + line + "\n";
    posix::WriteStandardError(out.data(), out.size());
    if (error.Notify && !::isatty(STDERR_FILENO)) Notify(line);
  }

  void ShowUsageError(const std::string& text) override {
    posix::WriteStandardError(text.data(), text.size());
  }
  void ShowWarning(const std::string& text) override {
    std::string out = "sheetcalc: " + FText.ExportText(text) + "\n";
    posix::WriteStandardError(out.data(), out.size());
  }

 private:
  TTextBoundary& FText;
};

}  // namespace

std::unique_ptr<TErrorReport> NewSystemErrorReport(TTextBoundary& text) {
  return std::make_unique<TStderrReport>(text);
}

}  // namespace platform
