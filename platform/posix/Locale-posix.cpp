#include <langinfo.h>
#include <locale.h>

#include "platform/Locale.h"

namespace platform {

char UserDecimalSeparator() {
  // Asked of a locale object of its own, so that no conversion anywhere depends on the process
  // locale, which stays "C" throughout.
  char separator = '.';
  const locale_t user = ::newlocale(LC_NUMERIC_MASK, "", locale_t{});
  if (!user) return separator;
  const char* point = ::nl_langinfo_l(RADIXCHAR, user);
  if (point && point[0] && !point[1] && static_cast<unsigned char>(point[0]) < 0x80)
    separator = point[0];
  ::freelocale(user);
  return separator;
}

}  // namespace platform
