#pragma once
// The report of an error that ends the process, and of a warning that a user who never looks at a
// terminal must still see: Windows shows a task-modal message box, POSIX writes to standard error.

#include <string>

namespace platform {

class TErrorReport {
 public:
  virtual ~TErrorReport() = default;
  /// Shows `text` under `caption` (both inside text) and returns when the user has seen it.
  virtual void ShowFatalError(const std::string& caption, const std::string& text) = 0;
  /// Shows `text` (inside text) as a warning, "sheetcalc: <text>" on POSIX, and returns when the
  /// user has seen it; the run goes on.
  virtual void ShowWarning(const std::string& text) = 0;
};

/// The report in force: the real one unless a test has put a fake in its place.
TErrorReport& ErrorReport();
void SetErrorReport(TErrorReport* fake);

}  // namespace platform
