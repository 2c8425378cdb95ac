// The system colours on POSIX: a per-user colour store, the text file
// $XDG_CONFIG_HOME/sheetcalc/syscolors (default ~/.config/sheetcalc/syscolors). Elements the file
// does not name keep the Windows default palette. The file is replaced atomically (a temporary
// file in the same folder, then rename), so a reader never sees half a store.
//
// Format: one line per element, "index $BBGGRR" (decimal index, '$' and hexadecimal colour);
// lines starting with '#' and lines that do not parse are passed over.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/Encoding.h"
#include "platform/SysColors.h"
#include "platform/posix/PosixIo.h"
#include "scan/Exceptions.h"

namespace platform {
namespace {

using TPalette = std::array<uint32_t, SysColorIndexCount>;

constexpr TPalette DefaultPalette = DefaultSysColors;

// The store's folder, the same as the scheme folder: $XDG_CONFIG_HOME when it is an absolute path
// (the XDG rule for relative ones is to ignore them), else ~/.config; then "sheetcalc".
std::string StoreFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/sheetcalc";
  const char* home = std::getenv("HOME");
  return std::string(home && home[0] ? home : ".") + "/.config/sheetcalc";
}

// A file name for a message: inside text where it converts, else its bytes as they are.
std::string NameForMessage(TTextBoundary& text, const std::string& name) {
  try {
    return text.ImportName(name, name);
  } catch (const scan::Exception&) {
    return name;
  }
}

[[noreturn]] void StoreError(TTextBoundary& text, const char* what, const std::string& name,
                             int err) {
  throw scan::EInOutError(std::string(what) + " " + NameForMessage(text, name) + ": " +
                          std::strerror(err));
}

// One "index $BBGGRR" line into `palette`; a line that does not parse changes nothing.
void ParseStoreLine(std::string_view line, TPalette& palette) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  int index = -1;
  uint32_t value = 0;
  const char* p = line.data();
  const char* end = p + line.size();
  auto [afterIndex, e1] = std::from_chars(p, end, index);
  if (e1 != std::errc() || afterIndex == end || *afterIndex != ' ') return;
  p = afterIndex + 1;
  if (p == end || *p != '$') return;
  auto [afterValue, e2] = std::from_chars(p + 1, end, value, 16);
  if (e2 != std::errc() || afterValue != end) return;
  if (index < 0 || index >= SysColorIndexCount || value > 0xFFFFFF) return;
  palette[static_cast<size_t>(index)] = value;
}

void ParseStore(std::string_view text, TPalette& palette) {
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line[0] != '#') ParseStoreLine(line, palette);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
}

std::string FormatStore(const TPalette& palette) {
  std::string text = "# sheetcalc system colours: element index, then $BBGGRR\n";
  char line[32];
  for (int i = 0; i < SysColorIndexCount; ++i) {
    std::snprintf(line, sizeof line, "%d $%6.6X\n", i, static_cast<unsigned>(palette[static_cast<size_t>(i)]));
    text += line;
  }
  return text;
}

// The whole file, or false when it cannot be read (a missing store is the default palette).
bool ReadWholeFile(const std::string& name, std::string& text) {
  posix::TFd fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
  return fd.Get() >= 0 && posix::ReadAll(fd.Get(), text);
}

// Writes `text` to a temporary file beside `name` and renames it over `name`.
void ReplaceFileAtomically(TTextBoundary& boundary, const std::string& folder,
                           const std::string& name, const std::string& text) {
  if (!posix::MakeFolders(folder)) StoreError(boundary, "フォルダを作れません:", folder, errno);
  if (!posix::ReplaceFile(name, text, 0600)) StoreError(boundary, "ファイルを書けません:", name, errno);
}

class TPosixSysColors final : public TSysColorStore {
 public:
  explicit TPosixSysColors(TTextBoundary& text) : FText(text) {}

  uint32_t GetSysColor(int32_t index) override {
    if (index < 0 || index >= SysColorIndexCount) return 0;
    return Current()[static_cast<size_t>(index)];
  }

  void SetSysColors(std::span<const int32_t> elements, std::span<const uint32_t> values) override {
    std::string folder = StoreFolder();
    TPalette palette = Current();
    for (size_t i = 0; i < elements.size() && i < values.size(); ++i) {
      if (elements[i] >= 0 && elements[i] < SysColorIndexCount)
        palette[static_cast<size_t>(elements[i])] = values[i] & 0xFFFFFF;
    }
    ReplaceFileAtomically(FText, folder, folder + "/syscolors", FormatStore(palette));
  }

 private:
  // The store as it is now on disk; another process may have changed it since the last call.
  static TPalette Current() {
    TPalette palette = DefaultPalette;
    std::string text;
    if (ReadWholeFile(StoreFolder() + "/syscolors", text)) ParseStore(text, palette);
    return palette;
  }

  TTextBoundary& FText;
};

}  // namespace

std::unique_ptr<TSysColorStore> NewSystemSysColorStore(TTextBoundary& text) {
  return std::make_unique<TPosixSysColors>(text);
}

}  // namespace platform
