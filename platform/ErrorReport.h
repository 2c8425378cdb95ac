#pragma once
// The report of an error that ends the process: Windows shows a task-modal message box, POSIX
// writes the caption and the text to standard error.

#include <string>

namespace platform {

class TErrorReport {
 public:
  virtual ~TErrorReport() = default;
  /// Shows `text` under `caption` (both inside text) and returns when the user has seen it.
  virtual void ShowFatalError(const std::string& caption, const std::string& text) = 0;
};

/// The report in force: the real one unless a test has put a fake in its place.
TErrorReport& ErrorReport();
void SetErrorReport(TErrorReport* fake);

}  // namespace platform
