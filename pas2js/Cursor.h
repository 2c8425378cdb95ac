#pragma once
// Cursor steps shared by the converter's rules: each hands back what it passed over as a view
// into the text.

#include <string_view>

#include "scan/uAnsiCharTools.h"

namespace pas2js {

/// The bytes of the set (no multibyte awareness).
inline std::string_view SkipWhile(const char*& p, const scan::CharSet& set) {
  const char* start = p;
  while (set.Has(*p)) ++p;
  return std::string_view(start, static_cast<size_t>(p - start));
}

/// Whole characters up to the zero byte or a byte of the set (which stays).
inline std::string_view SkipUntil(const char*& p, const scan::CharSet& set) {
  const char* start = p;
  while (*p != '\0' && !set.Has(*p)) p += (scan::IsLeadByte(*p) && p[1] != '\0') ? 2 : 1;
  return std::string_view(start, static_cast<size_t>(p - start));
}

/// Whole characters up to the zero byte, `a` or `b` (which stays). `end` is the text's
/// terminator, or nullptr when unknown; with it plain ASCII goes eight bytes at a time.
inline std::string_view SkipUntilByte(const char*& p, const char* end, char a, char b) {
  const char* start = p;
  p = scan::FindCharStart(p, end, a, b);
  return std::string_view(start, static_cast<size_t>(p - start));
}

}  // namespace pas2js
