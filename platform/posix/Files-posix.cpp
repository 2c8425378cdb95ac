// Files on POSIX: UTF-8 text with LF line ends on disk, code page 932 with CR LF inside.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Encoding.h"
#include "platform/Files.h"
#include "platform/posix/PosixIo.h"
#include "scan/Exceptions.h"

namespace platform {
namespace {

using posix::ReadAll;
using posix::TFd;
using posix::WriteAll;

[[noreturn]] void RaiseIoError(const std::string& what, const std::string& name, int err) {
  throw scan::EInOutError(what + " " + name + ": " + std::strerror(err));
}

/// Creates every missing folder of `path` (which ends in '/'); false with errno on failure.
bool MakeFolders(const std::string& path) {
  for (size_t i = 1; i < path.size(); ++i) {
    if (path[i] != '/') continue;
    std::string part = path.substr(0, i);
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  return true;
}

class TPosixFileSystem : public TFileSystem {
 public:
  explicit TPosixFileSystem(TTextBoundary& text) : FText(text) {}

  bool FileExists(const std::string& name) override {
    struct stat st;
    return ::stat(FText.ExportName(name).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }

  std::string WhyNotAFile(const std::string& name) override {
    struct stat st;
    if (::stat(FText.ExportName(name).c_str(), &st) != 0) return std::strerror(errno);
    return S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : std::string();
  }

  std::string LoadTextFile(const std::string& name) override {
    std::string path = FText.ExportName(name);
    TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) return {};
    std::string bytes;
    if (!ReadAll(fd.Get(), bytes)) return {};
    return FText.ImportText(bytes, path);
  }

  void SaveTextFile(const std::string& name, const std::string& text) override {
    std::string path = FText.ExportName(name);
    std::string bytes = FText.ExportText(text);
    // rename() replaces a link at the target itself, so nothing is written where it points; a
    // file that is there keeps the mode its owner gave it, never one taken through a link.
    struct stat st;
    const mode_t mode = ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)
                            ? st.st_mode & 07777
                            : 0644 & ~CurrentUmask();
    if (!posix::ReplaceFile(path, bytes, mode)) RaiseIoError("ファイルを書けません:", name, errno);
  }

  bool DeleteFile(const std::string& name) override {
    return ::unlink(FText.ExportName(name).c_str()) == 0;
  }

  std::string RealFolderOf(const std::string& name) override {
    std::string path = FText.ExportName(name);
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    char* resolved = ::realpath(folder.c_str(), nullptr);
    if (!resolved) return {};
    std::string real(resolved);
    std::free(resolved);
    struct stat st;
    if (::stat(real.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    if (real.back() != '/') real += '/';
    return FText.ImportName(real, real);
  }

  std::string ProgramFolder(bool create) override {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && xdg[0] == '/') {
      base = xdg;
    } else {
      const char* home = std::getenv("HOME");
      base = std::string(home && home[0] ? home : ".") + "/.config";
    }
    std::string folder = base + "/sheetcalc/";
    if (create && !MakeFolders(folder)) RaiseIoError("フォルダを作れません:", folder, errno);
    return FText.ImportName(folder, "HOME");
  }

 private:
  static mode_t CurrentUmask() {
    mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }

  TTextBoundary& FText;
};

}  // namespace

std::unique_ptr<TFileSystem> NewSystemFileSystem(TTextBoundary& text) {
  return std::make_unique<TPosixFileSystem>(text);
}

}  // namespace platform
