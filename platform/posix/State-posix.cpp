// The state folder on POSIX, after the XDG base directory rules: $XDG_STATE_HOME when it is an
// absolute path (relative ones are to be ignored), else ~/.local/state; then "sheetcalc".

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Encoding.h"
#include "platform/State.h"
#include "platform/Messages.h"
#include "platform/posix/PosixIo.h"
#include "scan/Exceptions.h"

namespace platform {
namespace {

[[noreturn]] void RaiseStateError(TTextBoundary& text, const char* what, const std::string& path,
                                  int err) {
  std::string name = path;  // as it is when it has no inside spelling
  try {
    name = text.ImportName(path, path);
  } catch (const scan::Exception&) {
  }
  throw scan::EInOutError(TranslateInside(what) + " " + name + ": " + std::strerror(err));
}

class TPosixStateStore final : public TStateStore {
 public:
  explicit TPosixStateStore(TTextBoundary& text) : FText(text) {}

  std::string StateFolder(bool create) override {
    const char* xdg = std::getenv("XDG_STATE_HOME");
    std::string folder;
    if (xdg && xdg[0] == '/') {
      folder = std::string(xdg) + "/sheetcalc/";
    } else {
      const char* home = std::getenv("HOME");
      folder = std::string(home && home[0] ? home : ".") + "/.local/state/sheetcalc/";
    }
    if (create && !posix::MakeFolders(folder)) RaiseStateError(FText, "cannot create the folder:", folder, errno);
    return folder;
  }

  std::optional<std::string> LoadState(const std::string& name) override {
    posix::TFd fd(::open((StateFolder(false) + name).c_str(), O_RDONLY | O_CLOEXEC));
    std::string bytes;
    if (fd.Get() < 0 || !posix::ReadAll(fd.Get(), bytes)) return std::nullopt;
    return bytes;
  }

  void SaveState(const std::string& name, const std::string& bytes) override {
    std::string path = StateFolder(true) + name;
    if (!posix::ReplaceFile(path, bytes, 0600)) RaiseStateError(FText, "cannot write the file:", path, errno);
  }

 private:
  TTextBoundary& FText;
};

}  // namespace

std::unique_ptr<TStateStore> NewSystemStateStore(TTextBoundary& text) {
  return std::make_unique<TPosixStateStore>(text);
}

}  // namespace platform
