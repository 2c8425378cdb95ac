#include "platform/MessageCatalog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {
namespace {

/// A catalog as msgfmt lays it out: the header, the two tables, then the strings; `swap` writes
/// the words in the other byte order.
std::string Catalog(const std::vector<std::pair<std::string, std::string>>& entries,
                    bool swap = false) {
  std::string strings, tables[2];
  const uint32_t count = static_cast<uint32_t>(entries.size());
  const uint32_t stringsAt = 28 + 16 * count;
  auto word = [swap](std::string& out, uint32_t w) {
    if (swap) w = __builtin_bswap32(w);
    out.append(reinterpret_cast<const char*>(&w), 4);
  };
  for (const auto& entry : entries) {
    for (int t = 0; t < 2; ++t) {
      const std::string& s = t == 0 ? entry.first : entry.second;
      word(tables[t], static_cast<uint32_t>(s.size()));
      word(tables[t], stringsAt + static_cast<uint32_t>(strings.size()));
      strings += s;
      strings += '\0';
    }
  }
  std::string mo;
  for (uint32_t w : {0x950412deu, 0u, count, 28u, 28 + 8 * count, 0u, 0u}) word(mo, w);
  return mo + tables[0] + tables[1] + strings;
}

const std::pair<std::string, std::string> Header{"", "Content-Type: text/plain; charset=UTF-8\n"};

TEST(MessageCatalog, FindsTheTranslationsOfAWellFormedCatalog) {
  for (const bool swap : {false, true}) {
    const TMessageCatalog catalog(Catalog({Header, {"cancel", "取消"}, {"empty", ""}}, swap));
    EXPECT_EQ(catalog.Find("cancel"), "取消") << swap;
    EXPECT_EQ(catalog.Find("empty"), "") << swap;  // untranslated: the caller keeps the message
    EXPECT_EQ(catalog.Find("other"), "") << swap;
    EXPECT_EQ(catalog.Find(""), "") << swap;  // the header is no message
  }
}

TEST(MessageCatalog, RefusesWhatIsNoUtf8Catalog) {
  std::string badMagic = Catalog({Header, {"a", "b"}});
  badMagic[0] = 'x';
  std::string cutShort = Catalog({Header, {"a", "b"}});
  cutShort.resize(cutShort.size() - 3);  // the last string runs past the end
  const std::string cases[] = {
      "", "\xde\x12\x04", badMagic, cutShort,
      Catalog({{"", "Content-Type: text/plain; charset=EUC-JP\n"}, {"a", "b"}}),
  };
  for (const std::string& bytes : cases) EXPECT_TRUE(TMessageCatalog(bytes).Empty()) << bytes.size();
  EXPECT_FALSE(TMessageCatalog(Catalog({{"a", "b"}})).Empty());  // no header: taken as it is
}

TEST(MessageCatalog, LanguagesAsGettextTriesThem) {
  using TNames = std::vector<std::string>;
  const struct {
    const char* Locale;
    const char* Languages;
    TNames Names;
  } cases[] = {
      {"C", "ja", {}},  // LANGUAGE counts for nothing in the C locale
      {"POSIX", "", {}},
      {"ja_JP.UTF-8", "", {"ja_JP.UTF-8", "ja_JP.utf8", "ja_JP", "ja.UTF-8", "ja.utf8", "ja"}},
      {"ja_JP.utf8", "", {"ja_JP.utf8", "ja_JP", "ja.utf8", "ja"}},
      {"de_DE@euro", "", {"de_DE@euro", "de@euro", "de_DE", "de"}},  // the modifier outranks the territory
      {"ja_JP.8859-1", "", {"ja_JP.8859-1", "ja_JP.iso88591", "ja_JP", "ja.8859-1", "ja.iso88591", "ja"}},
      {"en_US.UTF-8", "fr:ja", {"fr", "ja"}},
      {"en_US.UTF-8", "ja_JP::C:fr", {"ja_JP", "ja"}},  // up to a C in the list
      {"en_US.UTF-8", "../x:ja", {"ja"}},
      {"C.UTF-8", "", {"C.UTF-8", "C.utf8", "C"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CatalogLanguages(c.Locale, c.Languages), c.Names) << c.Locale << " " << c.Languages;
}

}  // namespace
}  // namespace platform
