#include <unistd.h>

#include <string>

#include "platform/Encoding.h"
#include "platform/ErrorReport.h"
#include "platform/posix/PosixIo.h"

namespace platform {
namespace {

class TStderrReport : public TErrorReport {
 public:
  void ShowFatalError(const std::string& caption, const std::string& text) override {
    std::string out = ExportText(caption + "\r\n" + text);
    if (out.empty() || out.back() != '\n') out += '\n';
    posix::WriteAll(STDERR_FILENO, out.data(), out.size());
  }
  void ShowWarning(const std::string& text) override {
    std::string out = "sheetcalc: " + ExportText(text) + "\n";
    posix::WriteAll(STDERR_FILENO, out.data(), out.size());
  }
};

TErrorReport* gFake = nullptr;

}  // namespace

TErrorReport& ErrorReport() {
  static TStderrReport real;
  return gFake ? *gFake : real;
}

void SetErrorReport(TErrorReport* fake) { gFake = fake; }

}  // namespace platform
