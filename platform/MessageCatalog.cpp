// Reading a compiled message catalog, and gettext's choice of the catalogs for a language.

#include "platform/MessageCatalog.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace platform {
namespace {

constexpr uint32_t Magic = 0x950412de;
constexpr uint32_t SwappedMagic = 0xde120495;

/// The catalog's 32-bit word at `at`, in the byte order it was written in; 0 past the end.
uint32_t Word(std::string_view mo, uint64_t at, bool swapped) {
  uint32_t w = 0;
  if (at <= mo.size() && mo.size() - at >= 4) std::memcpy(&w, mo.data() + at, 4);
  return swapped ? __builtin_bswap32(w) : w;
}

/// The string that the table entry at `at` (length, offset) describes; false when it is out of
/// range.
bool Entry(std::string_view mo, uint64_t at, bool swapped, std::string_view& text) {
  const uint64_t length = Word(mo, at, swapped), offset = Word(mo, at + 4, swapped);
  if (at + 8 > mo.size() || offset > mo.size() || length > mo.size() - offset) return false;
  text = mo.substr(offset, length);
  return true;
}

/// True when the catalog's header (the translation of "") names no character set but UTF-8.
bool HeaderSaysUtf8(std::string_view header) {
  const size_t at = header.find("charset=");
  if (at == std::string_view::npos) return true;
  std::string_view charset = header.substr(at + 8, 5);
  return charset.size() == 5 && (charset[0] | 0x20) == 'u' && (charset[1] | 0x20) == 't' &&
         (charset[2] | 0x20) == 'f' && charset[3] == '-' && charset[4] == '8';
}

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiAlnum(char c) { return IsAsciiDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }

/// The character set's name as gettext normalises it: letters in lower case, digits, nothing
/// else; "iso" in front of one made of digits only (UTF-8: utf8, 8859-1: iso88591).
std::string NormalisedCodeset(std::string_view codeset) {
  std::string out;
  bool onlyDigits = true;
  for (char c : codeset) {
    if (!IsAsciiAlnum(c)) continue;
    if (!IsAsciiDigit(c)) onlyDigits = false;
    out += IsAsciiDigit(c) ? c : static_cast<char>(c | 0x20);
  }
  return onlyDigits && !out.empty() ? "iso" + out : out;
}

/// Appends the forms of a locale name language[_territory][.codeset][@modifier], longest first,
/// in gettext's order.
void AppendForms(std::string_view name, std::vector<std::string>& out) {
  const size_t languageEnd = std::min(name.find_first_of("_.@"), name.size());
  const std::string_view language = name.substr(0, languageEnd);
  std::string_view rest = name.substr(languageEnd), territory, codeset, modifier;
  if (rest.starts_with('_')) {
    territory = rest.substr(0, std::min(rest.find_first_of(".@"), rest.size()));
    rest.remove_prefix(territory.size());
  }
  if (rest.starts_with('.')) {
    codeset = rest.substr(1, std::min(rest.find('@'), rest.size()) - 1);
    rest.remove_prefix(codeset.size() + 1);
  }
  if (rest.size() > 1) modifier = rest;  // '@' and the modifier
  const std::string normalised = NormalisedCodeset(codeset);
  enum : int { Normalised = 1, Codeset = 2, Territory = 4, Modifier = 8 };
  const int mask = (territory.empty() ? 0 : Territory) | (codeset.empty() ? 0 : Codeset) |
                   (codeset.empty() || normalised == codeset ? 0 : Normalised) |
                   (modifier.empty() ? 0 : Modifier);
  for (int parts = mask; parts >= 0; --parts) {
    if ((parts & ~mask) != 0 || ((parts & Codeset) && (parts & Normalised))) continue;
    std::string form(language);
    if (parts & Territory) form += territory;
    if (parts & Codeset) (form += '.') += codeset;
    if (parts & Normalised) (form += '.') += normalised;
    if (parts & Modifier) form += modifier;
    out.push_back(std::move(form));
  }
}

}  // namespace

void TMessageCatalog::Read(std::string_view mo) {
  bool swapped;
  if (Word(mo, 0, false) == Magic)
    swapped = false;
  else if (Word(mo, 0, false) == SwappedMagic)
    swapped = true;
  else
    return;
  const uint64_t count = Word(mo, 8, swapped), originals = Word(mo, 12, swapped),
                 translations = Word(mo, 16, swapped);
  for (uint64_t i = 0; i < count; ++i) {
    std::string_view message, translation;
    if (!Entry(mo, originals + 8 * i, swapped, message) ||
        !Entry(mo, translations + 8 * i, swapped, translation)) {
      FTranslations.clear();
      return;
    }
    FTranslations.emplace(message, translation);
  }
  const auto header = FTranslations.find("");
  if (header != FTranslations.end() && !HeaderSaysUtf8(header->second)) FTranslations.clear();
  FTranslations.erase("");
}

std::string_view TMessageCatalog::Find(std::string_view message) const {
  const auto found = FTranslations.find(message);
  return found == FTranslations.end() ? std::string_view() : found->second;
}

std::vector<std::string> CatalogLanguages(std::string_view locale, std::string_view languages) {
  std::vector<std::string> names;
  if (locale == "C" || locale == "POSIX") return names;
  std::string_view list = languages.empty() ? locale : languages;
  while (!list.empty()) {
    const size_t colon = list.find(':');
    const std::string_view name = list.substr(0, colon);
    list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    if (name == "C" || name == "POSIX") break;
    // A name is a folder of its own: one that could lead elsewhere is none.
    if (name.empty() || name.find('/') != std::string_view::npos || name.starts_with('.')) continue;
    AppendForms(name, names);
  }
  return names;
}

}  // namespace platform
