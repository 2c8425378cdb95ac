// The report of an error that ends the process, and of a warning: a task-modal message box, which
// waits for the user before the process goes on or ends.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <string>

#include "platform/ErrorReport.h"

namespace platform {
namespace {

class TMessageBoxReport : public TErrorReport {
 public:
  void ShowFatalError(const TFatalError& error) override {
    ::MessageBoxA(nullptr, error.Text.c_str(), error.Caption.c_str(),
                  MB_OK | MB_ICONERROR | MB_TASKMODAL);
  }
  void ShowUsageError(const std::string& text) override {
    ::MessageBoxA(nullptr, text.c_str(), "sheetcalc", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  }
  void ShowWarning(const std::string& text) override {
    ::MessageBoxA(nullptr, text.c_str(), "sheetcalc", MB_OK | MB_ICONWARNING | MB_TASKMODAL);
  }
};

}  // namespace

std::unique_ptr<TErrorReport> NewSystemErrorReport(TTextBoundary& /*text*/) {
  return std::make_unique<TMessageBoxReport>();
}

}  // namespace platform
