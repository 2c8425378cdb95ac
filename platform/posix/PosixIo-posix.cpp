#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/PosixIo.h"

namespace platform::posix {

TFd::~TFd() {
  if (FFd >= 0) ::close(FFd);
}

TFd& TFd::operator=(TFd&& o) noexcept {
  if (this != &o) {
    if (FFd >= 0) ::close(FFd);
    FFd = o.FFd;
    o.FFd = -1;
  }
  return *this;
}

bool TFd::Close() {
  int fd = FFd;
  FFd = -1;
  return fd < 0 || ::close(fd) == 0;
}

bool ReadAll(int fd, std::string& bytes) {
  // Read straight into the string; a regular file tells its size, so it usually takes one read.
  size_t used = bytes.size();
  struct stat st;
  size_t want = 65536;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    want = static_cast<size_t>(st.st_size) + 1;
  bytes.resize(used + want);
  for (;;) {
    if (used == bytes.size()) bytes.resize(bytes.size() * 2);
    ssize_t r = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (r == 0) break;
    if (r < 0) {
      if (errno == EINTR) continue;
      bytes.resize(used);
      return false;
    }
    used += static_cast<size_t>(r);
  }
  bytes.resize(used);
  return true;
}

bool WriteAll(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

}  // namespace platform::posix
