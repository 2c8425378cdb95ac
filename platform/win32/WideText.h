#pragma once
// UTF-16 text (the clipboard's CF_UNICODETEXT) across the encoding boundary on Windows, with the
// run's stand-ins (`table`, the run's text boundary's own) for what code page 932 lacks.

#include <string>
#include <string_view>
#include <vector>

#include "platform/StandIns.h"

namespace platform::win32 {

/// The code page of the text inside.
constexpr unsigned CodePage932 = 932;

/// UTF-16 -> inside text (code page 932, line ends as they are). A character code page 932 has no
/// code for, or that would come back as another character, and a lone surrogate become stand-ins;
/// private-use characters keep their own codes unless those stand for something else. Raises
/// scan::EEncodingError naming `source`, the line and the column only when no stand-in is left.
/// Text that code page 932 represents gives exactly the bytes the code page gives it.
std::string ImportWideText(TStandIns& table, std::wstring_view outside, std::string_view source);

/// The same for text decoded from bytes: a unit marked in `stray` is a byte that was no
/// character, and gets a stand-in that export turns back into the byte.
std::string ImportWideText(TStandIns& table, std::wstring_view outside,
                           const std::vector<bool>* stray, std::string_view source);

/// Inside text -> UTF-16: a stand-in gives back what it stands for; a pair that is not code page
/// 932 becomes one U+FFFD, a lead byte without a trail byte another. Never fails.
std::wstring ExportWideText(const TStandIns& table, std::string_view inside);

}  // namespace platform::win32
