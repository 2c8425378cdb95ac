#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/LargeBuffer.h"
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
  ReserveLarge(bytes, used + want);
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

bool MakeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

bool ReplaceFile(const std::string& path, const std::string& bytes, unsigned mode) {
  std::string temp = path + ".XXXXXX";
  TFd fd(::mkstemp(temp.data()));
  if (fd.Get() < 0) return false;
  bool ok = ::fchmod(fd.Get(), static_cast<mode_t>(mode)) == 0 &&
            WriteAll(fd.Get(), bytes.data(), bytes.size()) && ::fsync(fd.Get()) == 0;
  ok = fd.Close() && ok;
  if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
  int err = errno;
  ::unlink(temp.c_str());
  errno = err;
  return false;
}

}  // namespace platform::posix
