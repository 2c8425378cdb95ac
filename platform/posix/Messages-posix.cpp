// The command line's messages on POSIX, from the compiled catalogs (po/). The catalog is looked
// for where an installed program keeps it (share/locale beside the program's bin folder, then the
// install prefix given at build time) and in the build tree, so that tests find it before
// installation. It is chosen from the environment as gettext would, once; no locale category of
// the process is ever switched for it, so the system's error texts stay in the form the program
// quotes them.

#include <fcntl.h>
#include <iconv.h>
#include <locale.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/MessageCatalog.h"
#include "platform/Messages.h"
#include "platform/posix/PosixIo.h"

#ifndef SHEETCALC_LOCALEDIR
#define SHEETCALC_LOCALEDIR ""
#endif
#ifndef SHEETCALC_BUILD_LOCALEDIR
#define SHEETCALC_BUILD_LOCALEDIR ""
#endif

namespace platform {
namespace {

constexpr const char* CatalogFile = "/LC_MESSAGES/sheetcalc.mo";

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

/// The message locale's name as the C library takes it from the environment (the first of
/// LC_ALL, LC_MESSAGES and LANG that is set); "C" when it names no locale the system has.
std::string MessagesLocale() {
  const char* name = nullptr;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      name = value;
      break;
    }
  }
  if (!name) return "C";
  // A locale object of its own answers: the process's settings stay as they are.
  const locale_t probe = ::newlocale(LC_MESSAGES_MASK, name, locale_t{});
  if (!probe) return "C";
  ::freelocale(probe);
  return name;
}

bool ReadCatalogFile(const std::string& path, std::string& bytes) {
  posix::TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  return fd.Get() >= 0 && posix::ReadAll(fd.Get(), bytes);
}

struct TChoice {
  bool Made = false;
  std::vector<TMessageCatalog> Catalogs;  // best first
};

TChoice& Choice() {
  static TChoice choice;
  return choice;
}

}  // namespace

void ChooseMessageCatalog() {
  TChoice& choice = Choice();
  choice.Made = true;
  choice.Catalogs.clear();
  const char* languages = std::getenv("LANGUAGE");
  const std::vector<std::string> names = CatalogLanguages(MessagesLocale(), languages ? languages : "");
  if (names.empty()) return;
  // The first folder that holds a catalog of the user's language is the only one asked.
  for (const std::string& dir : {LocaleDirBesideProgram(), std::string(SHEETCALC_LOCALEDIR),
                                std::string(SHEETCALC_BUILD_LOCALEDIR)}) {
    if (dir.empty()) continue;
    for (const std::string& name : names) {
      std::string bytes;
      if (!ReadCatalogFile(dir + "/" + name + CatalogFile, bytes)) continue;
      TMessageCatalog catalog(std::move(bytes));
      if (!catalog.Empty()) choice.Catalogs.push_back(std::move(catalog));
    }
    if (!choice.Catalogs.empty()) return;
  }
}

std::string Translate(const char* message) {
  if (!Choice().Made) ChooseMessageCatalog();
  for (const TMessageCatalog& catalog : Choice().Catalogs) {
    const std::string_view translated = catalog.Find(message);
    if (!translated.empty()) return std::string(translated);
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
