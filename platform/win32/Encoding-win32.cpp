// The encoding boundary on Windows: the ANSI code page is 932 and line ends are CR LF outside as
// well as inside, so every text and name passes unchanged.

#include <string>
#include <string_view>

#include "platform/Encoding.h"

namespace platform {

std::string ImportText(std::string_view outside, std::string_view /*source*/,
                       long /*firstLine*/) {
  return std::string(outside);
}

std::string ExportText(std::string_view inside) { return std::string(inside); }

std::string ImportName(std::string_view outside, std::string_view /*source*/) {
  return std::string(outside);
}

std::string ExportName(std::string_view inside) { return std::string(inside); }

}  // namespace platform
