// The command line's messages on POSIX through gettext. The catalog is looked for where an
// installed program keeps it (share/locale beside the program's bin folder, then the install
// prefix given at build time) and in the build tree, so that tests find it before installation.

#include <libintl.h>
#include <unistd.h>

#include <clocale>
#include <string>
#include <vector>

#include "platform/Messages.h"

#ifndef SHEETCALC_LOCALEDIR
#define SHEETCALC_LOCALEDIR ""
#endif
#ifndef SHEETCALC_BUILD_LOCALEDIR
#define SHEETCALC_BUILD_LOCALEDIR ""
#endif

namespace platform {
namespace {

constexpr const char* Domain = "sheetcalc";

/// share/locale beside the folder of the running program file.
std::string LocaleDirBesideProgram() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return {};
  path.resize(static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  path.resize(slash);  // the bin folder
  slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash) + "/share/locale";
}

/// Sets LC_MESSAGES from the environment for one look-up and puts back "C" afterwards: the
/// system's error texts elsewhere stay in the form the program quotes them.
class TMessagesLocale {
 public:
  TMessagesLocale() { std::setlocale(LC_MESSAGES, ""); }
  ~TMessagesLocale() { std::setlocale(LC_MESSAGES, "C"); }
  TMessagesLocale(const TMessagesLocale&) = delete;
  TMessagesLocale& operator=(const TMessagesLocale&) = delete;
};

}  // namespace

std::string Translate(const char* message) {
  static std::vector<std::string> dirs = {LocaleDirBesideProgram(), SHEETCALC_LOCALEDIR,
                                          SHEETCALC_BUILD_LOCALEDIR};
  TMessagesLocale locale;
  bind_textdomain_codeset(Domain, "UTF-8");
  // The first folder whose catalog knows the message stays the only one asked afterwards.
  for (size_t i = 0; i < dirs.size(); ++i) {
    if (dirs[i].empty() || !bindtextdomain(Domain, dirs[i].c_str())) continue;
    const char* translated = dgettext(Domain, message);
    if (translated != message) {
      dirs = {dirs[i]};
      return translated;
    }
  }
  return message;
}

}  // namespace platform
