// The encoding boundary on Windows: the ANSI code page is 932 and line ends are CR LF outside as
// well as inside, so every text and name passes unchanged.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <climits>
#include <string>
#include <string_view>

#include "platform/Encoding.h"
#include "scan/Errors.h"

namespace platform {
namespace {

constexpr UINT Cp932 = 932;

[[noreturn]] void RaiseEncoding(std::string_view source, const char* what) {
  throw scan::EEncodingError(std::string(source) + ": " + what);
}

/// The text in UTF-16; false when it is not valid in code page `cp` (with `strict`) or too long.
bool Widen(std::string_view text, UINT cp, bool strict, std::wstring& wide) {
  wide.clear();
  if (text.empty()) return true;
  if (text.size() > INT_MAX) return false;
  const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
  const int n = ::MultiByteToWideChar(cp, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return false;
  wide.resize(static_cast<size_t>(n));
  return ::MultiByteToWideChar(cp, flags, text.data(), static_cast<int>(text.size()), wide.data(), n) == n;
}

/// UTF-16 in code page `cp`; false when a character has no code there (with `strict`).
bool Narrow(const std::wstring& wide, UINT cp, bool strict, std::string& text) {
  text.clear();
  if (wide.empty()) return true;
  BOOL usedDefault = FALSE;
  BOOL* used = strict ? &usedDefault : nullptr;
  const DWORD flags = strict ? WC_NO_BEST_FIT_CHARS : 0;
  const int size = static_cast<int>(wide.size());
  const int n = ::WideCharToMultiByte(cp, flags, wide.data(), size, nullptr, 0, nullptr, used);
  if (n <= 0) return false;
  text.resize(static_cast<size_t>(n));
  ::WideCharToMultiByte(cp, flags, wide.data(), size, text.data(), n, nullptr, used);
  return !usedDefault;
}

}  // namespace

std::string ImportText(std::string_view outside, std::string_view /*source*/,
                       long /*firstLine*/) {
  return std::string(outside);
}

std::string ExportText(std::string_view inside) { return std::string(inside); }

std::string ImportName(std::string_view outside, std::string_view /*source*/) {
  return std::string(outside);
}

std::string ExportName(std::string_view inside) { return std::string(inside); }

std::string ImportUtf8Text(std::string_view utf8, std::string_view source) {
  std::wstring wide;
  std::string inside;
  if (!Widen(utf8, CP_UTF8, true, wide)) RaiseEncoding(source, "UTF-8 として正しくないバイトがあります");
  if (!Narrow(wide, Cp932, true, inside)) RaiseEncoding(source, "コード ページ 932 で表せない文字があります");
  return inside;
}

std::string ExportUtf8Text(std::string_view inside) {
  std::wstring wide;
  std::string utf8;
  Widen(inside, Cp932, false, wide);
  Narrow(wide, CP_UTF8, false, utf8);
  return utf8;
}

}  // namespace platform
