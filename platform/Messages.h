#pragma once
// The program's own messages to the person in the user's language. They are written in English;
// POSIX looks the user's language up in the message catalogs installed beside the program (and in
// the build tree, for tests); Windows finds the Japanese catalog in the program file itself and
// uses it when the user's UI language is Japanese.

#include <initializer_list>
#include <string>
#include <string_view>

namespace platform {

/// Chooses the message catalog of the user's language (POSIX: from LANGUAGE, LC_ALL, LC_MESSAGES
/// and LANG as gettext reads them; Windows: the user's UI language) and reads it. The first
/// message a run looks up does this, once for the run (a run that says nothing reads no catalog);
/// a test that changes the environment calls it again. No locale setting of the process changes.
void ChooseMessageCatalog();

/// The user's language's form of an English message, as outside text (UTF-8 on POSIX); the
/// message itself when there is no catalog for that language or no entry for it. The process
/// locale is left as it was.
std::string Translate(const char* message);

/// Translate's text as inside text (code page 932, CR LF line ends); the English message when the
/// translation has a character code page 932 lacks.
std::string TranslateInside(const char* message);

/// `text` with its first "%1" replaced by the first argument, its first "%2" by the second, ...
std::string Substitute(std::string text, std::initializer_list<std::string_view> args);

}  // namespace platform
