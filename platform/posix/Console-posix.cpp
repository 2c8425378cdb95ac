// The console on POSIX: the terminal, with line editing from libedit when standard input is a
// terminal (a "> " prompt, history kept between runs in the state folder, Tab completion of the
// names the engine knows), plain line reads otherwise. libedit is loaded only when a console
// opens on a terminal, so that the other modes start without it.

#include <dlfcn.h>
#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <string>

#include "platform/Console.h"
#include "platform/Encoding.h"
#include "platform/ErrorReport.h"
#include "platform/State.h"
#include "platform/posix/PosixIo.h"
#include "scan/Exceptions.h"

namespace platform {
namespace {

constexpr const char* Prompt = "> ";
constexpr const char* HistoryName = "history";
constexpr size_t HistoryLines = 1000;
// A name ends at a blank, an operator or a bracket, so "2*si" completes "si". '#' is a break as
// well: libedit escapes it in a completed word, so a directive is completed behind it.
constexpr const char* WordBreaks = " \t\n\"'`@$><=;|&{}()[]+-*/^~!%,:?#";

using TGenerator = char* (*)(const char* text, int state);

/// The few libedit entries the console uses; all null when libedit is not there.
struct TLineEditor {
  char* (*ReadLine)(const char* prompt) = nullptr;
  int (*AddHistory)(const char* line) = nullptr;
  char** LineBuffer = nullptr;  // the line being edited (rl_copy_text's copy may lack its end)
  int* Point = nullptr;                            // where the cursor is in that line

  bool Load(TGenerator complete) {
    void* lib = ::dlopen("libedit.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!lib) lib = ::dlopen("libedit.so", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return false;
    ReadLine = reinterpret_cast<char* (*)(const char*)>(::dlsym(lib, "readline"));
    AddHistory = reinterpret_cast<int (*)(const char*)>(::dlsym(lib, "add_history"));
    if (auto usingHistory = reinterpret_cast<void (*)()>(::dlsym(lib, "using_history")))
      usingHistory();
    if (auto stifle = reinterpret_cast<void (*)(int)>(::dlsym(lib, "stifle_history")))
      stifle(static_cast<int>(HistoryLines));
    LineBuffer = static_cast<char**>(::dlsym(lib, "rl_line_buffer"));
    Point = static_cast<int*>(::dlsym(lib, "rl_point"));
    Set<TGenerator>(lib, "rl_completion_entry_function", complete);
    Set<const char*>(lib, "rl_basic_word_break_characters", WordBreaks);
    Set<const char*>(lib, "rl_completer_word_break_characters", WordBreaks);
    Set<int>(lib, "rl_completion_append_character", 0);
    return ReadLine != nullptr;
  }

  /// True when the word `text` that ends at the cursor follows a '#'. libedit gives the cursor
  /// as a count of characters, and the line as UTF-8.
  bool AfterHash(const char* text) const {
    if (!LineBuffer || !*LineBuffer || !Point) return false;
    long at = *Point - CharacterCount(text) - 1;  // the character before the word
    if (at < 0) return false;
    const char* p = *LineBuffer;
    for (long n = 0; *p != '\0'; ++p) {
      if ((static_cast<unsigned char>(*p) & 0xC0) == 0x80) continue;  // a continuation byte
      if (n++ == at) break;
    }
    return *p == '#';
  }

  static long CharacterCount(const char* utf8) {
    long n = 0;
    for (const char* p = utf8; *p != '\0'; ++p)
      if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80) ++n;
    return n;
  }

  template <class T>
  static void Set(void* lib, const char* name, T value) {
    if (void* p = ::dlsym(lib, name)) *static_cast<T*>(p) = value;
  }
};

bool IsUtf8Codeset() {
  const char* codeset = ::nl_langinfo(CODESET);
  return codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

/// The character-type locale from the environment, or C.UTF-8 when that one is not UTF-8: the
/// line editor takes multibyte input only in a UTF-8 locale. Nothing else in the program looks at
/// LC_CTYPE. Gives the setting it replaced.
std::string UseUtf8CharacterTypes() {
  const char* before = std::setlocale(LC_CTYPE, nullptr);
  std::string replaced = before ? before : "C";
  if (std::setlocale(LC_CTYPE, "") && IsUtf8Codeset()) return replaced;
  std::setlocale(LC_CTYPE, "C.UTF-8");
  return replaced;
}

void WriteOut(const std::string& bytes) { posix::WriteAll(STDOUT_FILENO, bytes.data(), bytes.size()); }

/// True when `name` starts with `prefix`, ASCII letters compared without case.
bool StartsWithFolded(const std::string& name, const char* prefix) {
  size_t i = 0;
  for (; prefix[i] != '\0'; ++i) {
    if (i >= name.size()) return false;
    char a = name[i], b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

class TPosixConsole : public TConsole {
 public:
  TPosixConsole(TStateStore& state, TTextBoundary& text, TErrorReport& report)
      : FState(state), FText(text), FReport(report) {}
  ~TPosixConsole() override {
    if (gActive == this) gActive = nullptr;
    // What Open changed of the process goes back as it was.
    if (FCharacterTypesBefore) std::setlocale(LC_CTYPE, FCharacterTypesBefore->c_str());
  }
  TPosixConsole(const TPosixConsole&) = delete;
  TPosixConsole& operator=(const TPosixConsole&) = delete;

  void Open() override {
    if (FOpen) return;
    FOpen = true;
    FTerminal = ::isatty(STDIN_FILENO);
    if (!FTerminal) return;
    FCharacterTypesBefore = UseUtf8CharacterTypes();
    gActive = this;
    FEditing = FEditor.Load(&Complete);
    if (FEditing) LoadHistory();
  }

  std::optional<std::string> ReadConsoleLine() override {
    std::string line;
    if (FEditing ? !ReadEdited(line) : !ReadPlain(line)) {
      if (FTerminal) WriteOut("\n");  // Ctrl-D leaves the cursor behind the prompt
      return std::nullopt;
    }
    ++FLine;
    return FText.ImportText(line, "standard input", FLine);
  }

  void WriteConsoleLine(const std::string& text) override {
    WriteOut(FText.ExportText(text) + "\n");
  }

  void SetCompletion(std::function<std::vector<std::string>()> names) override {
    FNames = std::move(names);
  }

  bool Attended() const override {
    if (::isatty(STDIN_FILENO) || ::isatty(STDERR_FILENO)) return true;
    // A launcher gives standard input /dev/null (a character device) or none at all; a pipe or a
    // file carries lines someone means the console to read.
    struct stat st;
    if (::fstat(STDIN_FILENO, &st) != 0) return false;
    return !S_ISCHR(st.st_mode);
  }

 private:
  bool ReadEdited(std::string& line) {
    char* typed = FEditor.ReadLine(Prompt);
    if (!typed) return false;
    line = typed;
    std::free(typed);
    if (!line.empty()) Remember(line);
    line += '\n';
    return true;
  }

  // Standard input is read through stdio's buffer; nothing else in the program reads it in
  // console mode.
  bool ReadPlain(std::string& line) {
    if (FTerminal) WriteOut(Prompt);
    char* buf = nullptr;
    size_t size = 0;
    ssize_t n = ::getline(&buf, &size, stdin);
    if (n > 0) line.assign(buf, static_cast<size_t>(n));
    std::free(buf);
    return n > 0;
  }

  void LoadHistory() {
    std::optional<std::string> bytes = FState.LoadState(HistoryName);
    if (!bytes) return;
    size_t from = 0;
    while (from < bytes->size()) {
      size_t end = bytes->find('\n', from);
      if (end == std::string::npos) end = bytes->size();
      if (end > from) Keep(bytes->substr(from, end - from));
      from = end + 1;
    }
    if (FEditor.AddHistory)
      for (const std::string& line : FHistory) FEditor.AddHistory(line.c_str());
  }

  void Keep(std::string line) {
    FHistory.push_back(std::move(line));
    if (FHistory.size() > HistoryLines) FHistory.pop_front();
  }

  /// Adds a typed line to the history and saves the history at once, so that a run ended by a
  /// signal or a closed terminal keeps it. A failed save is a warning, once.
  void Remember(const std::string& line) {
    if (FEditor.AddHistory) FEditor.AddHistory(line.c_str());
    Keep(line);
    std::string bytes;
    for (const std::string& l : FHistory) bytes += l + "\n";
    try {
      FState.SaveState(HistoryName, bytes);
    } catch (const scan::Exception& e) {
      if (FHistoryWarned) return;
      FHistoryWarned = true;
      FReport.ShowWarning(e.Message());
    }
  }

  /// libedit's generator: the `state`-th candidate that starts with `text` (malloc'ed UTF-8), or
  /// null after the last one.
  static char* Complete(const char* text, int state) {
    if (!gActive) return nullptr;
    std::vector<std::string>& matches = gActive->FMatches;
    if (state == 0) {
      matches.clear();
      // Behind a '#' only the directives, without their '#'; elsewhere everything else.
      const bool directive = gActive->FEditor.AfterHash(text);
      if (gActive->FNames)
        for (const std::string& name : gActive->FNames()) {
          if (name.empty() || (name[0] == '#') != directive) continue;
          std::string outside = gActive->FText.ExportText(directive ? name.substr(1) : name);
          if (StartsWithFolded(outside, text)) matches.push_back(std::move(outside));
        }
    }
    return static_cast<size_t>(state) < matches.size() ? ::strdup(matches[state].c_str()) : nullptr;
  }

  // libedit's generator is a plain function: this is the one way back to the open console.
  static inline TPosixConsole* gActive = nullptr;

  TStateStore& FState;
  TTextBoundary& FText;
  TErrorReport& FReport;
  std::optional<std::string> FCharacterTypesBefore;  // LC_CTYPE before Open set it
  std::vector<std::string> FMatches;  // the candidates of the Tab being completed

  bool FOpen = false;
  bool FTerminal = false;
  bool FEditing = false;
  bool FHistoryWarned = false;
  long FLine = 0;
  TLineEditor FEditor;
  std::deque<std::string> FHistory;  // the last lines typed, oldest first (outside text)
  std::function<std::vector<std::string>()> FNames;
};

/// The terminal, opened at the first echo, else standard error.
class TTerminalEcho : public TDebugEcho {
 public:
  explicit TTerminalEcho(TTextBoundary& text) : FText(text) {}

  void WriteDebugEcho(const std::string& text) override {
    if (!FOpened) {
      FOpened = true;
      FTerminal = posix::TFd(::open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC));
    }
    std::string out = FText.ExportText(text);
    if (FTerminal.Get() >= 0)
      posix::WriteAll(FTerminal.Get(), out.data(), out.size());
    else
      posix::WriteStandardError(out.data(), out.size());
  }

 private:
  TTextBoundary& FText;
  bool FOpened = false;
  posix::TFd FTerminal;
};

}  // namespace

std::unique_ptr<TConsole> NewSystemConsole(TStateStore& state, TTextBoundary& text,
                                           TErrorReport& report) {
  return std::make_unique<TPosixConsole>(state, text, report);
}

std::unique_ptr<TDebugEcho> NewSystemDebugEcho(TTextBoundary& text) {
  return std::make_unique<TTerminalEcho>(text);
}

}  // namespace platform
