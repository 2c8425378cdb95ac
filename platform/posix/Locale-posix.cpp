#include <clocale>

#include "platform/Locale.h"

namespace platform {

char UserDecimalSeparator() {
  // The locale is switched on only for this one question and back to "C" at once, so that no
  // conversion anywhere else depends on it.
  char separator = '.';
  if (std::setlocale(LC_NUMERIC, "")) {
    const char* point = std::localeconv()->decimal_point;
    if (point && point[0] && !point[1] && static_cast<unsigned char>(point[0]) < 0x80)
      separator = point[0];
  }
  std::setlocale(LC_NUMERIC, "C");
  return separator;
}

}  // namespace platform
