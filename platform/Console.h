#pragma once
// The console: one typed line at a time in, lines out. On POSIX it is the terminal (with line
// editing, a prompt, history kept between runs and Tab completion when standard input is one) or
// plain standard input and output.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class TConsole {
 public:
  virtual ~TConsole() = default;
  /// Makes the console ready (Windows allocates one); called once before the first line.
  virtual void Open() = 0;
  /// One typed line with its line end; nothing at the end of input or on a failed read.
  virtual std::optional<std::string> ReadConsoleLine() = 0;
  /// The text and a line end.
  virtual void WriteConsoleLine(const std::string& text) = 0;
  /// Where Tab completion takes its candidates from (inside text), asked at each Tab; consoles
  /// without line editing ignore it.
  virtual void SetCompletion(std::function<std::vector<std::string>()> names) { (void)names; }
  /// False when nobody can type at the console: the program was started from a launcher or a
  /// hotkey (no terminal on standard input or standard error, and no text piped in).
  virtual bool Attended() const { return true; }
};

/// The converter's echo of its work ("Debug" option).
class TDebugEcho {
 public:
  virtual ~TDebugEcho() = default;
  /// Shows the text (inside text) to whoever watches the run.
  virtual void WriteDebugEcho(const std::string& text) = 0;
};

class TErrorReport;
class TStateStore;
class TTextBoundary;

/// The system's console; the history of typed lines is kept in `state`, its texts cross `text`,
/// and its warnings go to `report`; all three outlive it.
std::unique_ptr<TConsole> NewSystemConsole(TStateStore& state, TTextBoundary& text,
                                           TErrorReport& report);

/// The system's echo: the terminal when there is one, else standard error; never standard output,
/// which may carry the result. Its texts cross `text`, which outlives it.
std::unique_ptr<TDebugEcho> NewSystemDebugEcho(TTextBoundary& text);

}  // namespace platform
