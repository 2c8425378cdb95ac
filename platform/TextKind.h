#pragma once
// What a text from outside is written in, where the system cannot say (a file on Windows: Notepad
// writes UTF-8, older programs the system's ANSI code page, and neither marks it). The rule is
// the same everywhere; only the Windows boundary needs it, but it is plain logic and tested here.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class TTextKind {
  Ascii,     // no byte above 0x7F: every code page the program meets reads it alike
  Utf8,      // starts with the UTF-8 byte order mark, or is valid UTF-8 with a byte above 0x7F
  CodePage,  // anything else: the system's ANSI code page
};

/// The length of the valid UTF-8 sequence at s[i], with its code point in `cp`; 0 when the bytes
/// there are no valid sequence (a lone continuation byte, an overlong form, a surrogate, a code
/// point past U+10FFFF, a sequence cut short). The one UTF-8 reader of both boundaries.
size_t Utf8SequenceAt(std::string_view s, size_t i, char32_t& cp);

/// The kind of `bytes` by the rule above. Valid UTF-8 is the shortest form of a code point up to
/// U+10FFFF that is no surrogate.
TTextKind KindOfText(std::string_view bytes);

/// UTF-8 as UTF-16 code units, and which of them are no character: a byte that is not part of
/// valid UTF-8 becomes one unit holding the byte's value, marked in `Stray`.
struct TUtf16Text {
  std::u16string Units;
  std::vector<bool> Stray;  // one entry per unit
};

/// `bytes` decoded as UTF-8; never fails (see TUtf16Text).
TUtf16Text DecodeUtf8(std::string_view bytes);

}  // namespace platform
