// The console on POSIX: the terminal, with line editing and history from libedit when standard
// input is a terminal, plain line reads otherwise. libedit is loaded only when a console opens,
// so that the other modes start without it.

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Console.h"
#include "platform/Encoding.h"
#include "platform/posix/PosixIo.h"

namespace platform {
namespace {

/// The few libedit entries the console uses; all null when libedit is not there.
struct TLineEditor {
  char* (*ReadLine)(const char* prompt) = nullptr;
  int (*AddHistory)(const char* line) = nullptr;

  bool Load() {
    void* lib = ::dlopen("libedit.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!lib) lib = ::dlopen("libedit.so", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return false;
    ReadLine = reinterpret_cast<char* (*)(const char*)>(::dlsym(lib, "readline"));
    AddHistory = reinterpret_cast<int (*)(const char*)>(::dlsym(lib, "add_history"));
    if (auto usingHistory = reinterpret_cast<void (*)()>(::dlsym(lib, "using_history")))
      usingHistory();
    return ReadLine != nullptr;
  }
};

class TPosixConsole : public TConsole {
 public:
  void Open() override {
    if (FOpen) return;
    FOpen = true;
    if (::isatty(STDIN_FILENO)) FEditing = FEditor.Load();
  }

  std::optional<std::string> ReadConsoleLine() override {
    std::string line;
    if (FEditing ? !ReadEdited(line) : !ReadPlain(line)) return std::nullopt;
    ++FLine;
    return ImportText(line, "standard input", FLine);
  }

  void WriteConsoleLine(const std::string& text) override {
    std::string out = ExportText(text) + "\n";
    posix::WriteAll(STDOUT_FILENO, out.data(), out.size());
  }

 private:
  bool ReadEdited(std::string& line) {
    char* typed = FEditor.ReadLine("");
    if (!typed) return false;
    line = typed;
    if (!line.empty() && FEditor.AddHistory) FEditor.AddHistory(typed);
    std::free(typed);
    line += '\n';
    return true;
  }

  // Standard input is read through stdio's buffer; nothing else in the program reads it in
  // console mode.
  bool ReadPlain(std::string& line) {
    char* buf = nullptr;
    size_t size = 0;
    ssize_t n = ::getline(&buf, &size, stdin);
    if (n > 0) line.assign(buf, static_cast<size_t>(n));
    std::free(buf);
    return n > 0;
  }

  bool FOpen = false;
  bool FEditing = false;
  long FLine = 0;
  TLineEditor FEditor;
};

TConsole* gFake = nullptr;

}  // namespace

TConsole& Console() {
  static TPosixConsole real;
  return gFake ? *gFake : real;
}

void SetConsole(TConsole* fake) { gFake = fake; }

namespace {
bool gDebugEchoOff = false;
}  // namespace

void SetDebugEchoOff(bool off) { gDebugEchoOff = off; }

void WriteDebugEcho(const std::string& text) {
  if (gDebugEchoOff) return;
  static const int tty = ::open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
  std::string out = ExportText(text);
  posix::WriteAll(tty >= 0 ? tty : STDERR_FILENO, out.data(), out.size());
}

}  // namespace platform
