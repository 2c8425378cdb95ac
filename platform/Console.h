#pragma once
// The console: one typed line at a time in, lines out. On POSIX it is the terminal (with line
// editing, a prompt, history kept between runs and Tab completion when standard input is one) or
// plain standard input and output.

#include <functional>
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
};

/// The console in force: the real one unless a test has put a fake in its place.
TConsole& Console();
void SetConsole(TConsole* fake);

/// The converter's echo of its work ("Debug" option): the terminal when there is one, else
/// standard error; never standard output, which may carry the result.
void WriteDebugEcho(const std::string& text);
/// With `off`, the echo is dropped from then on (the language server: the terminal, if any, is the
/// editor's own).
void SetDebugEchoOff(bool off);

}  // namespace platform
