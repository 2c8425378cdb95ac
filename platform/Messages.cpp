// Placing the parts of a message.

#include "platform/Messages.h"

namespace platform {

std::string Substitute(std::string text, std::initializer_list<std::string_view> args) {
  // One pass, so that an argument holding "%2" stays as it is.
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t n = i + 1 < text.size() ? static_cast<size_t>(text[i + 1] - '1') : args.size();
    if (text[i] == '%' && n < args.size()) {
      out += args.begin()[n];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace platform
