// The program's messages on Windows: the Japanese catalog (po/ja.po compiled by msgfmt) is a
// resource of the program file, used when the user's UI language is Japanese; English otherwise.

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/MessageCatalog.h"
#include "platform/Messages.h"

namespace platform {
namespace {

/// The resource's number, as host/sheetcalc.rc names it.
constexpr int JapaneseCatalog = 101;

/// The catalog's bytes; empty when the program file holds none.
std::string_view CatalogBytes() {
  HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(JapaneseCatalog), MAKEINTRESOURCEA(10));
  if (!found) return {};
  HGLOBAL loaded = ::LoadResource(nullptr, found);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return {static_cast<const char*>(bytes), ::SizeofResource(nullptr, found)};
}

/// UTF-8 -> the ANSI code page; empty when a character has no code there.
std::string AnsiOf(std::string_view utf8) {
  const int n = static_cast<int>(utf8.size());
  int wide = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), n, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring w(static_cast<size_t>(wide), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, w.data(), wide);
  BOOL lost = FALSE;
  int size = ::WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, nullptr, &lost);
  if (size <= 0 || lost) return {};
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, w.data(), wide, out.data(), size, nullptr, nullptr);
  return out;
}

struct TChoice {
  bool Made = false;
  TMessageCatalog Catalog;
};

TChoice& Choice() {
  static TChoice choice;
  return choice;
}

}  // namespace

void ChooseMessageCatalog() {
  TChoice& choice = Choice();
  choice.Made = true;
  choice.Catalog = PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE
                       ? TMessageCatalog(CatalogBytes())
                       : TMessageCatalog();
}

std::string Translate(const char* message) {
  if (!Choice().Made) ChooseMessageCatalog();
  std::string translated = AnsiOf(Choice().Catalog.Find(message));
  return translated.empty() ? std::string(message) : translated;
}

std::string TranslateInside(const char* message) {
  std::string lines;
  for (char c : Translate(message)) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  return lines;
}

}  // namespace platform
