// The encoding boundary on Windows: the ANSI code page is 932 and line ends are CR LF outside as
// well as inside, so every text and name passes unchanged. Only UTF-16 text (the clipboard's
// CF_UNICODETEXT) is converted, with the run's stand-ins.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <climits>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/Encoding.h"
#include "platform/StandIns.h"
#include "platform/win32/WideText.h"
#include "scan/Errors.h"

namespace platform {
namespace {

/// The text in UTF-16; what is not valid in code page `cp` becomes U+FFFD.
std::wstring Widen(std::string_view text, UINT cp) {
  std::wstring wide;
  if (text.empty() || text.size() > INT_MAX) return wide;
  const int size = static_cast<int>(text.size());
  const int n = ::MultiByteToWideChar(cp, 0, text.data(), size, nullptr, 0);
  if (n <= 0) return wide;
  wide.resize(static_cast<size_t>(n));
  ::MultiByteToWideChar(cp, 0, text.data(), size, wide.data(), n);
  return wide;
}

/// UTF-16 in code page `cp` (UTF-8 represents every character).
std::string Narrow(const std::wstring& wide, UINT cp) {
  std::string text;
  if (wide.empty() || wide.size() > INT_MAX) return text;
  const int size = static_cast<int>(wide.size());
  const int n = ::WideCharToMultiByte(cp, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return text;
  text.resize(static_cast<size_t>(n));
  ::WideCharToMultiByte(cp, 0, wide.data(), size, text.data(), n, nullptr, nullptr);
  return text;
}

/// True when `inside` holds a code that stands for something only this run can spell.
bool HoldsStandIn(const TStandIns& table, std::string_view inside) {
  if (table.Empty()) return false;
  TCarried carried;
  for (size_t i = 0; i + 1 < inside.size(); ++i) {
    const auto lead = static_cast<unsigned char>(inside[i]);
    if (!((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC))) continue;
    const int k = UserAreaIndex(lead, static_cast<unsigned char>(inside[i + 1]));
    if (k >= 0 && table.Find(k, carried)) return true;
    ++i;
  }
  return false;
}

}  // namespace

// Nothing to open on this system: the code page converters are the system's own.
struct TTextBoundary::TConverters {};

TTextBoundary::TTextBoundary() = default;

TTextBoundary::~TTextBoundary() = default;

std::string TTextBoundary::ImportText(std::string_view outside, std::string_view /*source*/,
                                      long /*firstLine*/) {
  return std::string(outside);
}

std::string TTextBoundary::ExportText(std::string_view inside) { return std::string(inside); }

std::string TTextBoundary::ImportName(std::string_view outside, std::string_view /*source*/) {
  return std::string(outside);
}

std::string TTextBoundary::ExportName(std::string_view inside) { return std::string(inside); }

std::string TTextBoundary::ExportKeptText(std::string_view inside) {
  if (!HoldsStandIn(FStandIns, inside)) return 'A' + std::string(inside);
  const std::wstring wide = win32::ExportWideText(FStandIns, inside);
  std::string kept(1 + wide.size() * 2, 'W');
  for (size_t i = 0; i < wide.size(); ++i) {
    kept[1 + 2 * i] = static_cast<char>(wide[i] & 0xFF);
    kept[2 + 2 * i] = static_cast<char>(wide[i] >> 8);
  }
  return kept;
}

std::string TTextBoundary::ImportKeptText(std::string_view kept, std::string_view source) {
  if (kept.empty() || kept[0] != 'W') return std::string(kept.substr(kept.empty() ? 0 : 1));
  std::wstring wide((kept.size() - 1) / 2, L'\0');
  for (size_t i = 0; i < wide.size(); ++i)
    wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(kept[1 + 2 * i]) |
                                   static_cast<unsigned char>(kept[2 + 2 * i]) << 8);
  return win32::ImportWideText(FStandIns, wide, source);
}

std::string TTextBoundary::ImportUtf8Text(std::string_view utf8, std::string_view source) {
  // A document reaches the server as JSON, so it is valid Unicode; a byte that is not UTF-8
  // becomes U+FFFD all the same.
  return win32::ImportWideText(FStandIns, Widen(utf8, CP_UTF8), source);
}

std::string TTextBoundary::ExportUtf8Text(std::string_view inside) {
  return Narrow(win32::ExportWideText(FStandIns, inside), CP_UTF8);
}

}  // namespace platform

namespace platform::win32 {
namespace {

constexpr UINT CodePage = 932;

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }
bool IsSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDFFF; }
bool IsPrivateUse(char32_t u) { return u >= UserAreaFirst && u < UserAreaFirst + UserAreaSize; }

/// The number of UTF-16 units of the character at `i`: 2 for a surrogate pair, else 1.
size_t UnitsAt(std::wstring_view s, size_t i) {
  return s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
                 s[i + 1] <= 0xDFFF
             ? 2
             : 1;
}

char32_t CodePointAt(std::wstring_view s, size_t i, size_t units) {
  if (units == 1) return s[i];
  return 0x10000 + ((static_cast<char32_t>(s[i]) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
}

/// Appends the code page 932 form of `w` to `out` when it converts without a default character
/// and converts back to the same text; false (nothing appended) otherwise.
bool AppendExactly(std::wstring_view w, std::string& out) {
  if (w.empty()) return true;
  const int n = static_cast<int>(w.size());
  BOOL usedDefault = FALSE;
  const int len = ::WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, w.data(), n, nullptr, 0,
                                        nullptr, &usedDefault);
  if (len <= 0 || usedDefault) return false;
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(len));
  ::WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, w.data(), n, out.data() + at, len,
                        nullptr, &usedDefault);
  std::wstring back(w.size() + 1, L'\0');
  const int backLen = ::MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, out.data() + at, len,
                                            back.data(), static_cast<int>(back.size()));
  if (usedDefault || backLen != n || std::wstring_view(back.data(), w.size()) != w) {
    out.resize(at);
    return false;
  }
  return true;
}

class TWideImporter {
 public:
  TWideImporter(TStandIns& table, std::wstring_view whole, std::string_view source)
      : FTable(table), FWhole(whole), FSource(source) {}

  std::string Run() {
    FOut.reserve(FWhole.size() * 2);
    for (wchar_t u : FWhole)
      if (IsPrivateUse(u)) FTable.Reserve(static_cast<int>(u - UserAreaFirst));
    // Line by line: a line that converts exactly goes in one call, others a character at a time.
    size_t from = 0;
    while (from < FWhole.size()) {
      size_t to = FWhole.find(L'\n', from);
      to = to == std::wstring_view::npos ? FWhole.size() : to + 1;
      Line(from, to);
      from = to;
    }
    return std::move(FOut);
  }

 private:
  void Line(size_t from, size_t to) {
    const std::wstring_view line = FWhole.substr(from, to - from);
    bool privateUse = false;
    for (wchar_t u : line) privateUse = privateUse || IsPrivateUse(u);
    if (!privateUse && AppendExactly(line, FOut)) return;
    for (size_t i = from; i < to;) {
      const size_t units = UnitsAt(FWhole, i);
      Character(i, units);
      i += units;
    }
  }

  void Character(size_t i, size_t units) {
    const char32_t cp = CodePointAt(FWhole, i, units);
    if (IsPrivateUse(cp))
      Put(FTable.PrivateUse(static_cast<int>(cp - UserAreaFirst)), i);
    else if (IsSurrogate(cp) || IsOneWayCharacter(cp) || !AppendExactly(FWhole.substr(i, units), FOut))
      Put(FTable.StandInFor(cp), i);
  }

  void Put(int k, size_t at) {
    if (k < 0) Refuse(at);
    AppendUserAreaCode(FOut, k);
  }

  /// The refusal of a text that needs more stand-ins than are left (columns in characters).
  [[noreturn]] void Refuse(size_t at) {
    long line = 1, column = 1;
    for (size_t i = 0; i < at; i += UnitsAt(FWhole, i)) {
      const wchar_t u = FWhole[i];
      if (u == L'\n' || (u == L'\r' && (i + 1 >= FWhole.size() || FWhole[i + 1] != L'\n'))) {
        ++line;
        column = 1;
      } else if (u != L'\r') {
        ++column;
      }
    }
    char name[24];
    std::snprintf(name, sizeof name, "U+%04lX",
                  static_cast<unsigned long>(CodePointAt(FWhole, at, UnitsAt(FWhole, at))));
    throw scan::EEncodingError(std::string(FSource) + " の " + std::to_string(line) + " 行 " +
                               std::to_string(column) + " 桁目: 文字 " + name +
                               " はコード ページ 932 で表せません (代わりに使える外字が残っていません)");
  }

  TStandIns& FTable;
  std::wstring_view FWhole;
  std::string_view FSource;
  std::string FOut;
};

void AppendCarried(TCarried carried, std::wstring& out) {
  if (carried >= StrayByte) {
    out += L'\xFFFD';  // a byte from a UTF-8 text: none is ever read here
  } else if (carried < 0x10000) {
    out += static_cast<wchar_t>(carried);  // a lone surrogate comes back as itself
  } else {
    out += static_cast<wchar_t>(0xD800 + ((carried - 0x10000) >> 10));
    out += static_cast<wchar_t>(0xDC00 + ((carried - 0x10000) & 0x3FF));
  }
}

/// Code page 932 -> UTF-16 for a piece without stand-ins; a byte that starts no code page 932
/// character becomes U+FFFD, and the byte behind it is converted on its own.
void AppendPiece(std::string_view piece, std::wstring& out) {
  if (piece.empty()) return;
  const int n = static_cast<int>(piece.size());
  const size_t at = out.size();
  out.resize(at + piece.size());
  const int len = ::MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, piece.data(), n,
                                        out.data() + at, n);
  if (len > 0) {
    out.resize(at + static_cast<size_t>(len));
    return;
  }
  out.resize(at);
  for (size_t i = 0; i < piece.size();) {
    const auto c = static_cast<unsigned char>(piece[i]);
    const size_t size =
        IsLead(c) && i + 1 < piece.size() && IsTrail(static_cast<unsigned char>(piece[i + 1])) ? 2 : 1;
    wchar_t w[2];
    const int one = ::MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, piece.data() + i,
                                          static_cast<int>(size), w, 2);
    if (one > 0) {
      out.append(w, static_cast<size_t>(one));
      i += size;
    } else {
      out += L'\xFFFD';  // the byte behind a lead byte that makes no character is one of its own
      ++i;
    }
  }
}

}  // namespace

std::string ImportWideText(TStandIns& table, std::wstring_view outside, std::string_view source) {
  return TWideImporter(table, outside, source).Run();
}

std::wstring ExportWideText(const TStandIns& table, std::string_view inside) {
  std::wstring out;
  out.reserve(inside.size());
  const bool none = table.Empty();
  size_t piece = 0;
  for (size_t i = 0; i < inside.size();) {
    const auto c = static_cast<unsigned char>(inside[i]);
    const bool pair =
        IsLead(c) && i + 1 < inside.size() && IsTrail(static_cast<unsigned char>(inside[i + 1]));
    TCarried carried;
    const int k = pair && !none ? UserAreaIndex(c, static_cast<unsigned char>(inside[i + 1])) : -1;
    if (k >= 0 && table.Find(k, carried)) {
      AppendPiece(inside.substr(piece, i - piece), out);
      AppendCarried(carried, out);
      piece = i + 2;
    }
    i += pair ? 2 : 1;
  }
  AppendPiece(inside.substr(piece), out);
  return out;
}

}  // namespace platform::win32
