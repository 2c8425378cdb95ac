#pragma once
// The program's message catalogs as msgfmt compiles them (.mo), read by the program itself on
// both systems: POSIX finds them in the locale folders, Windows inside the program file. Which
// catalog a run uses is chosen once per run from the user's language (platform/Messages.h);
// looking a message up touches no locale setting of the process.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

/// The translations of one compiled catalog, by message.
class TMessageCatalog {
 public:
  TMessageCatalog() = default;
  /// The catalog in `bytes`, which outlive it; empty when the bytes are no catalog (a wrong magic
  /// number, a table out of range) or one whose texts are not UTF-8.
  explicit TMessageCatalog(std::string_view bytes) { Read(bytes); }
  /// The same over bytes it keeps.
  explicit TMessageCatalog(std::string&& bytes)
      : FOwned(std::make_unique<const std::string>(std::move(bytes))) {
    Read(*FOwned);
  }
  TMessageCatalog(const TMessageCatalog&) = delete;
  TMessageCatalog& operator=(const TMessageCatalog&) = delete;
  TMessageCatalog(TMessageCatalog&&) = default;
  TMessageCatalog& operator=(TMessageCatalog&&) = default;

  /// The translation of `message` (UTF-8); empty when the catalog has none.
  std::string_view Find(std::string_view message) const;
  bool Empty() const { return FTranslations.empty(); }

 private:
  void Read(std::string_view bytes);
  std::unique_ptr<const std::string> FOwned;  // the bytes, when handed over
  std::unordered_map<std::string_view, std::string_view> FTranslations;
};

/// The names of the catalogs to look for, best first, as gettext chooses them: none for the "C"
/// and "POSIX" locales; otherwise each name of the colon-separated `languages` list (the LANGUAGE
/// variable; `locale` when that is empty) up to a "C" or "POSIX" in it, each followed by its
/// shorter forms (ja_JP.UTF-8: ja_JP.UTF-8, ja_JP.utf8, ja_JP, ja.UTF-8, ja.utf8, ja).
/// `locale`: the message locale's name (LC_ALL, LC_MESSAGES or LANG), "C" when none is usable.
std::vector<std::string> CatalogLanguages(std::string_view locale, std::string_view languages);

}  // namespace platform
