// The command line's messages on POSIX through gettext. The catalog is looked for where an
// installed program keeps it (share/locale beside the program's bin folder, then the install
// prefix given at build time) and in the build tree, so that tests find it before installation.

#include <iconv.h>
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

std::string TranslateInside(const char* message) {
  const std::string outside = Translate(message);
  std::string inside;
  if (outside != message) {
    // A catalog's text is plain code page 932 text: no stand-ins, so no boundary is needed.
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd != reinterpret_cast<iconv_t>(-1)) {
      std::string out(outside.size() * 2 + 1, '\0');
      char* in = const_cast<char*>(outside.data());
      size_t inLeft = outside.size();
      char* to = out.data();
      size_t toLeft = out.size();
      if (iconv(cd, &in, &inLeft, &to, &toLeft) != static_cast<size_t>(-1) && inLeft == 0)
        inside.assign(out.data(), out.size() - toLeft);
      iconv_close(cd);
    }
  }
  const std::string& text = inside.empty() ? std::string(message) : inside;
  std::string lines;
  for (char c : text) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  return lines;
}

}  // namespace platform
