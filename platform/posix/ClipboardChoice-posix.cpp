// The choice of the desktop's clipboard. It costs a connect() and a few stat() calls, so that a
// run never starts a tool only to learn that it cannot work: a WAYLAND_DISPLAY left over from
// another session names a socket that is gone or refuses connections, and then X11 is used.

#include "platform/posix/ClipboardChoice.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/posix/PosixIo.h"

namespace platform::posix {
namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

/// The search path a program started by name sees; the system's default when PATH is unset.
std::string SearchPath() {
  if (const char* path = std::getenv("PATH")) return path;
  char fallback[256];
  size_t n = ::confstr(_CS_PATH, fallback, sizeof fallback);
  return n > 0 && n <= sizeof fallback ? fallback : "/bin:/usr/bin";
}

}  // namespace

std::string WaylandSocketPath() {
  std::string display = Variable("WAYLAND_DISPLAY");
  if (display.empty() || display[0] == '/') return display;
  std::string runtime = Variable("XDG_RUNTIME_DIR");
  if (runtime.empty()) return {};
  return runtime + "/" + display;
}

bool SocketAccepts(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  TFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (fd.Get() < 0) return false;
  int rc;
  do rc = ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
  while (rc != 0 && errno == EINTR);
  // EAGAIN: a server is there, only its queue of new connections is full for the moment.
  return rc == 0 || errno == EAGAIN;
}

std::string FindOnPath(const std::string& tool) {
  std::string path = SearchPath();
  size_t start = 0;
  for (;;) {
    size_t end = path.find(':', start);
    std::string folder = path.substr(start, end == std::string::npos ? end : end - start);
    // An empty entry stands for the current folder.
    std::string file = (folder.empty() ? std::string(".") : folder) + "/" + tool;
    if (IsExecutableFile(file)) return file;
    if (end == std::string::npos) return {};
    start = end + 1;
  }
}

TClipboardChoice ChooseClipboard() {
  TClipboardChoice choice;
  bool wayland = SocketAccepts(WaylandSocketPath());
  if (wayland) {
    choice.Reader = FindOnPath("wl-paste");
    choice.Writer = FindOnPath("wl-copy");
    if (!choice.Reader.empty() && !choice.Writer.empty()) {
      choice.Kind = TClipboardKind::Wayland;
      return choice;
    }
  }
  if (!Variable("DISPLAY").empty()) {
    for (auto [kind, tool] : {std::pair{TClipboardKind::Xclip, "xclip"},
                              std::pair{TClipboardKind::Xsel, "xsel"}}) {
      std::string file = FindOnPath(tool);
      if (file.empty()) continue;
      return {kind, file, file, {}};
    }
  }
  // Under Wayland its own tools are the ones to install, even where X11 programs run as well.
  if (wayland)
    choice = {TClipboardKind::None, {}, {}, "wl-clipboard"};
  else if (!Variable("DISPLAY").empty())
    choice = {TClipboardKind::None, {}, {}, "xclip or xsel"};
  return choice;
}

}  // namespace platform::posix
