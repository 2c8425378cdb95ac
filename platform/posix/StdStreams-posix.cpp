#include <sys/stat.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/Encoding.h"
#include "platform/StdStreams.h"
#include "platform/posix/PosixIo.h"

namespace platform {
namespace {

class TPosixStdStreams : public TStdStreams {
 public:
  explicit TPosixStdStreams(TTextBoundary& text) : FText(text) {}

  std::string ReadStandardInput() override {
    struct stat st;
    FStart = -1;
    if (::fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode))
      FStart = ::lseek(STDIN_FILENO, 0, SEEK_CUR);
    std::string bytes;
    posix::ReadAll(STDIN_FILENO, bytes);
    return bytes;
  }
  bool CanRereadStandardInput() const override { return FStart >= 0; }
  bool RereadStandardInput(std::string& bytes) override {
    if (FStart < 0 || ::lseek(STDIN_FILENO, FStart, SEEK_SET) != FStart) return false;
    bytes.clear();
    return posix::ReadAll(STDIN_FILENO, bytes);
  }
  size_t ReadStandardInputSome(char* buffer, size_t size) override {
    for (;;) {
      ssize_t got = ::read(STDIN_FILENO, buffer, size);
      if (got >= 0) return static_cast<size_t>(got);
      if (errno != EINTR) return 0;
    }
  }
  bool StandardInputWaiting() override {
    pollfd in{STDIN_FILENO, POLLIN, 0};
    return ::poll(&in, 1, 0) > 0;
  }
  bool WriteStandardOutput(std::string_view bytes) override {
    return posix::WriteAll(STDOUT_FILENO, bytes.data(), bytes.size());
  }

 private:
  TTextBoundary& FText;
  off_t FStart = -1;  // where a regular file on standard input was first read from
};

}  // namespace

std::unique_ptr<TStdStreams> NewSystemStdStreams(TTextBoundary& text) {
  return std::make_unique<TPosixStdStreams>(text);
}

}  // namespace platform
