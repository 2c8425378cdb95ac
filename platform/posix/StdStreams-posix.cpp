#include <unistd.h>

#include <string>

#include "platform/Encoding.h"
#include "platform/StdStreams.h"
#include "platform/posix/PosixIo.h"

namespace platform {
namespace {

class TPosixStdStreams : public TStdStreams {
 public:
  std::string ReadStandardInput() override {
    std::string bytes;
    posix::ReadAll(STDIN_FILENO, bytes);
    return bytes;
  }
  bool WriteStandardOutput(std::string_view bytes) override {
    return posix::WriteAll(STDOUT_FILENO, bytes.data(), bytes.size());
  }
  void WriteWarning(const std::string& text) override {
    std::string out = ExportText(text) + "\n";
    posix::WriteAll(STDERR_FILENO, out.data(), out.size());
  }
};

TStdStreams* gFake = nullptr;

}  // namespace

TStdStreams& StdStreams() {
  static TPosixStdStreams real;
  return gFake ? *gFake : real;
}

void SetStdStreams(TStdStreams* fake) { gFake = fake; }

}  // namespace platform
