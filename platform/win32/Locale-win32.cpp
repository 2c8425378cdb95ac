// The user's number format on Windows: the decimal separator of the user's locale settings.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "platform/Locale.h"

namespace platform {

char UserDecimalSeparator() {
  char buffer[8] = {};
  int n = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer);
  // n counts the terminating zero: exactly one byte before it, and a plain ASCII one (a lead
  // byte on its own would split a double-byte character).
  if (n == 2 && static_cast<unsigned char>(buffer[0]) < 0x80 && buffer[0] > ' ') return buffer[0];
  return '.';
}

}  // namespace platform
