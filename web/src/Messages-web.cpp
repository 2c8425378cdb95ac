// The program's messages in the page: the English they are written in (the page has no message
// catalogs).

#include <string>

#include "platform/Messages.h"

namespace platform {

std::string Translate(const char* message) { return message; }

std::string TranslateInside(const char* message) {
  std::string lines;
  for (const char* p = message; *p; ++p) {
    if (*p == '\n') lines += '\r';
    lines += *p;
  }
  return lines;
}

}  // namespace platform
