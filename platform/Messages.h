#pragma once
// The command line's own messages in the user's language. They are written in English; POSIX
// looks the user's language up in the message catalogs installed beside the program (and in the
// build tree, for tests); Windows shows them in English.

#include <string>

namespace platform {

/// The user's language's form of an English message, as outside text (UTF-8 on POSIX); the
/// message itself when there is no catalog for that language or no entry for it. The process
/// locale is left as it was.
std::string Translate(const char* message);

}  // namespace platform
