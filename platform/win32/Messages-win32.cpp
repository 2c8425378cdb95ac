// The command line's messages on Windows: English, as written.

#include <string>

#include "platform/Messages.h"

namespace platform {

std::string Translate(const char* message) { return message; }

}  // namespace platform
