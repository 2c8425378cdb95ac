#pragma once
// Small helpers shared by the POSIX twins: a self-closing descriptor, whole reads and writes.

#include <string>

namespace platform::posix {

/// A file descriptor that closes itself; move-only.
class TFd {
 public:
  explicit TFd(int fd = -1) : FFd(fd) {}
  ~TFd();
  TFd(TFd&& o) noexcept : FFd(o.FFd) { o.FFd = -1; }
  TFd& operator=(TFd&& o) noexcept;
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return FFd; }
  /// Closes now; false (errno set) when the close reports a failure.
  bool Close();

 private:
  int FFd;
};

/// Appends everything up to the end of input to `bytes`; false (errno set) on a read error.
bool ReadAll(int fd, std::string& bytes);
/// Writes all `n` bytes; false (errno set) on a write error.
bool WriteAll(int fd, const char* p, size_t n);
/// Writes all `n` bytes to standard error. Standard error has one writer, the error report
/// (ErrorReport-posix.cpp, where this lives); everything else reaches it through that service,
/// but for the converter's echo when there is no terminal.
bool WriteStandardError(const char* p, size_t n);

/// Makes `folder` and its missing parents, new ones with mode 0700 (the XDG rules ask for it);
/// false with errno set.
bool MakeFolders(const std::string& folder);
/// Replaces the file `path` with `bytes` in one step: a temporary file beside it with mode `mode`,
/// written and synced, then renamed over it, so a failure half-way never leaves a truncated file.
/// False with errno set (the temporary file removed).
bool ReplaceFile(const std::string& path, const std::string& bytes, unsigned mode);

}  // namespace platform::posix
