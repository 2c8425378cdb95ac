#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Locale.h"

namespace platform {
namespace {

TEST(PosixLocale, DecimalSeparatorIsReadAndTheProcessStaysInC) {
  // Only C and ja_JP may be installed; both use '.'. What matters besides the answer is that the
  // process locale is "C" again afterwards, whatever the environment says.
  for (const char* lang : {"C", "ja_JP.UTF-8", "xx_NOWHERE.UTF-8"}) {
    ::setenv("LC_ALL", lang, 1);
    EXPECT_EQ(UserDecimalSeparator(), '.') << lang;
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C") << lang;
  }
  ::unsetenv("LC_ALL");
}

TEST(PosixLocale, CommaLocaleGivesACommaSeparator) {
  // A German locale compiled into a private folder (package "locales" has the sources).
  char dir[] = "/tmp/sheetcalc-locale-XXXXXX";
  ASSERT_NE(::mkdtemp(dir), nullptr);
  std::string command = std::string("localedef -i de_DE -f UTF-8 ") + dir + "/de_DE.UTF-8 2>/dev/null";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "localedef or de_DE sources missing";
  ::setenv("LOCPATH", dir, 1);
  ::setenv("LC_ALL", "de_DE.UTF-8", 1);
  EXPECT_EQ(UserDecimalSeparator(), ',');
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  ::unsetenv("LC_ALL");
  ::unsetenv("LOCPATH");
  std::system((std::string("rm -rf ") + dir).c_str());
}

}  // namespace
}  // namespace platform
