#pragma once
// The system boundary for text. Inside, every text is code page 932 with CR LF line ends; outside
// (on POSIX) it is UTF-8 with LF line ends. On Windows both directions are the identity.

#include <string>
#include <string_view>

namespace platform {

/// Outside text -> inside text: UTF-8 to code page 932, LF to CR LF (CR LF and a lone CR stay);
/// a leading UTF-8 byte order mark is dropped. Bytes that are not UTF-8, or a character that code
/// page 932 cannot represent, raise scan::EEncodingError naming `source` (a file name, "standard
/// input", "clipboard"; itself outside text) and the line and column (columns in characters,
/// counted from 1; lines counted from `firstLine`).
std::string ImportText(std::string_view outside, std::string_view source, long firstLine = 1);

/// Inside text -> outside text: code page 932 to UTF-8, CR LF to LF. Bytes that are not code
/// page 932 become U+FFFD; never fails.
std::string ExportText(std::string_view inside);

/// Text that is UTF-8 on every system (the language server's documents) -> inside text. POSIX:
/// ImportText. Windows: UTF-8 to code page 932, line ends as they are; bytes that are not UTF-8
/// or a character that code page 932 cannot represent raise scan::EEncodingError naming `source`.
std::string ImportUtf8Text(std::string_view utf8, std::string_view source);

/// Inside text -> UTF-8 on every system. POSIX: ExportText. Windows: code page 932 to UTF-8, line
/// ends as they are; never fails.
std::string ExportUtf8Text(std::string_view inside);

/// A name from outside (a command-line argument, a path) as inside text. Characters that code page
/// 932 cannot represent raise scan::EEncodingError naming `source`.
std::string ImportName(std::string_view outside, std::string_view source);

/// An inside name (a file name from a sheet) as the operating system spells it.
std::string ExportName(std::string_view inside);

}  // namespace platform
