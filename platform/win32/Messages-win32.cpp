// The program's messages on Windows: the Japanese catalog (po/ja.po compiled by msgfmt) is a
// resource of the program file, used when the user's UI language is Japanese; English otherwise.

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

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

uint32_t Word(std::string_view mo, size_t at) {
  uint32_t w = 0;
  if (at + 4 <= mo.size()) std::memcpy(&w, mo.data() + at, 4);
  return w;
}

/// The string that the table entry at `at` (length, offset) describes; empty when out of range.
std::string_view Entry(std::string_view mo, size_t at) {
  const uint32_t length = Word(mo, at), offset = Word(mo, at + 4);
  if (offset > mo.size() || length > mo.size() - offset) return {};
  return mo.substr(offset, length);
}

/// The translation of `message` in the .mo catalog (little-endian, as msgfmt writes it here).
std::string_view Look(std::string_view mo, std::string_view message) {
  if (Word(mo, 0) != 0x950412de) return {};
  const uint32_t count = Word(mo, 8), originals = Word(mo, 12), translations = Word(mo, 16);
  for (uint32_t i = 0; i < count; ++i)
    if (Entry(mo, originals + 8 * size_t{i}) == message)
      return Entry(mo, translations + 8 * size_t{i});
  return {};
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

}  // namespace

std::string Translate(const char* message) {
  if (PRIMARYLANGID(::GetUserDefaultUILanguage()) != LANG_JAPANESE) return message;
  static const std::string_view catalog = CatalogBytes();
  std::string translated = AnsiOf(Look(catalog, message));
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
