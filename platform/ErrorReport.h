#pragma once
// The report of an error that ends the process, and of every warning: Windows shows a task-modal
// message box; POSIX writes one line to standard error and, for an error when nobody may be
// reading it, a desktop notification. On POSIX it is the one writer of standard error.

#include <memory>
#include <string>

namespace platform {

class TTextBoundary;

/// An error that ends the process, in the forms the two systems show it (all inside text).
struct TFatalError {
  std::string Caption;  // the message box's caption
  std::string Text;     // the message box's text: the kind, module, address and message
  std::string Line;     // one line: "<source>:<line>:<column>: <message>", or the message
  bool Notify = false;  // the results were headed for the clipboard, not to a reader of a stream
};

class TErrorReport {
 public:
  virtual ~TErrorReport() = default;
  /// Shows the error and returns when the user has seen it.
  virtual void ShowFatalError(const TFatalError& error) = 0;
  /// A command line the program does not take: `text` is outside text, lines ending in LF.
  virtual void ShowUsageError(const std::string& text) = 0;
  /// Shows `text` (inside text, one line) as a warning, "sheetcalc: <text>" on POSIX, and returns
  /// when the user has seen it; the run goes on. The one route of every warning.
  virtual void ShowWarning(const std::string& text) = 0;
};

/// The system's report; the texts it takes in and hands out cross `text`, which outlives it.
std::unique_ptr<TErrorReport> NewSystemErrorReport(TTextBoundary& text);

}  // namespace platform
