// The encoding boundary on Windows. Line ends are CR LF outside as well as inside. A text from a
// file or a pipe is UTF-8 when it starts with the byte order mark or is valid UTF-8 with a byte
// above 0x7F, else the system's ANSI code page (platform/TextKind.h). With the ANSI code page 932
// such a text passes unchanged, byte for byte; UTF-8 and other code pages are converted through
// UTF-16, with the run's stand-ins for what code page 932 lacks. Text goes out in the encoding of
// the last text that came in (plain ASCII says nothing), the ANSI code page before that; what that
// code page cannot hold goes out as UTF-8 from then on, so that nothing is lost.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <climits>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Messages.h"
#include "platform/Encoding.h"
#include "platform/StandIns.h"
#include "platform/TextKind.h"
#include "platform/win32/WideText.h"
#include "scan/Exceptions.h"

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

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

/// True when `inside` holds a code that stands for something only this run can spell.
bool HoldsStandIn(const TStandIns& table, std::string_view inside) {
  if (table.Empty()) return false;
  TCarried carried;
  for (size_t i = 0; i + 1 < inside.size(); ++i) {
    const auto lead = static_cast<unsigned char>(inside[i]);
    if (!IsLeadByte(lead)) continue;
    const int k = UserAreaIndex(lead, static_cast<unsigned char>(inside[i + 1]));
    if (k >= 0 && table.Find(k, carried)) return true;
    ++i;
  }
  return false;
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

/// Code page 932 text as it is, except a code of the user-defined area that this run already
/// gave out as a stand-in: that character of the text gets a stand-in of its own.
std::string KeepCodePage932(TStandIns& table, std::string_view outside, std::string_view source) {
  std::string inside(outside);
  for (size_t i = 0; i + 1 < inside.size(); ++i) {
    const auto lead = static_cast<unsigned char>(inside[i]);
    if (!IsLeadByte(lead)) continue;
    const int k = UserAreaIndex(lead, static_cast<unsigned char>(inside[i + 1]));
    if (k >= 0) {
      const int code = table.PrivateUse(k);
      if (code < 0)
        throw scan::EEncodingError(std::string(source) +
                                   ": 外字を代わりに使えません (代わりに使える外字が残っていません)");
      inside[i] = static_cast<char>(UserAreaLead(code));
      inside[i + 1] = static_cast<char>(UserAreaTrail(code));
    }
    ++i;
  }
  return inside;
}

/// Text in code page `cp` as UTF-16; a byte that is no character there stays as its own value,
/// marked in `stray`.
std::wstring DecodeCodePage(std::string_view text, UINT cp, std::vector<bool>& stray) {
  std::wstring wide(text.size(), L'\0');
  if (text.size() > INT_MAX) throw scan::EInOutError("テキストが大きすぎます");
  const int n = text.empty() ? 0
                             : ::MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, text.data(),
                                                     static_cast<int>(text.size()), wide.data(),
                                                     static_cast<int>(wide.size()));
  if (n > 0 || text.empty()) {
    wide.resize(static_cast<size_t>(n));
    stray.assign(wide.size(), false);
    return wide;
  }
  wide.clear();
  stray.clear();
  for (size_t i = 0; i < text.size();) {
    const bool lead = ::IsDBCSLeadByteEx(cp, static_cast<BYTE>(text[i]));
    const size_t size = lead && i + 1 < text.size() ? 2 : 1;
    wchar_t w[2];
    const int one = ::MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, text.data() + i,
                                          static_cast<int>(size), w, 2);
    if (one > 0) {
      wide.append(w, static_cast<size_t>(one));
      stray.insert(stray.end(), static_cast<size_t>(one), false);
      i += size;
    } else {
      wide += static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
      stray.push_back(true);
      ++i;
    }
  }
  return wide;
}

/// Appends UTF-16 in code page `cp` to `out`; false when a character has no code there (or would
/// come back as another one). UTF-8 holds every character.
bool AppendNarrow(const std::wstring& wide, UINT cp, std::string& out) {
  if (wide.empty()) return true;
  if (wide.size() > INT_MAX) throw scan::EInOutError("テキストが大きすぎます");
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const DWORD flags = cp == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL* used = cp == CP_UTF8 ? nullptr : &usedDefault;
  const int n = ::WideCharToMultiByte(cp, flags, wide.data(), size, nullptr, 0, nullptr, used);
  if (n <= 0 || usedDefault) return false;
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(n));
  ::WideCharToMultiByte(cp, flags, wide.data(), size, out.data() + at, n, nullptr, used);
  if (cp == CP_UTF8) return true;
  return !usedDefault && Widen(std::string_view(out).substr(at), cp) == wide;
}

/// Inside text in code page `cp` (or UTF-8): a stand-in gives back what it stands for, a byte
/// that was no character where it came from comes back as that byte. False when `cp` lacks a
/// character of the text.
bool ExportBytes(const TStandIns& table, std::string_view inside, UINT cp, std::string& out) {
  size_t piece = 0;
  TCarried carried;
  for (size_t i = 0; i + 1 < inside.size() && !table.Empty(); ++i) {
    const auto lead = static_cast<unsigned char>(inside[i]);
    if (!IsLeadByte(lead)) continue;
    const int k = UserAreaIndex(lead, static_cast<unsigned char>(inside[i + 1]));
    if (k >= 0 && table.Find(k, carried) && carried >= StrayByte) {
      if (!AppendNarrow(win32::ExportWideText(table, inside.substr(piece, i - piece)), cp, out))
        return false;
      out += static_cast<char>(carried - StrayByte);
      piece = i + 2;
    }
    ++i;
  }
  return AppendNarrow(win32::ExportWideText(table, inside.substr(piece)), cp, out);
}

}  // namespace

// The system's ANSI code page, and the encoding text goes out in (CP_UTF8 or the ANSI code page).
struct TTextBoundary::TConverters {
  UINT Ansi = ::GetACP();
  UINT Out = Ansi;
};

TTextBoundary::TTextBoundary() : FConverters(std::make_unique<TConverters>()) {}

TTextBoundary::~TTextBoundary() = default;

std::string TTextBoundary::ImportText(std::string_view outside, std::string_view source,
                                      long /*firstLine*/) {
  switch (KindOfText(outside)) {
    case TTextKind::Ascii:
      return std::string(outside);
    case TTextKind::Utf8: {
      FConverters->Out = CP_UTF8;
      const TUtf16Text decoded = DecodeUtf8(outside);
      const std::wstring wide(decoded.Units.begin(), decoded.Units.end());
      return win32::ImportWideText(FStandIns, wide, &decoded.Stray, source);
    }
    case TTextKind::CodePage:
      break;
  }
  FConverters->Out = FConverters->Ansi;
  if (FConverters->Ansi == win32::CodePage932) return KeepCodePage932(FStandIns, outside, source);
  std::vector<bool> stray;
  const std::wstring wide = DecodeCodePage(outside, FConverters->Ansi, stray);
  return win32::ImportWideText(FStandIns, wide, &stray, source);
}

std::string TTextBoundary::ExportText(std::string_view inside) {
  UINT& out = FConverters->Out;
  if (out == win32::CodePage932 && !HoldsStandIn(FStandIns, inside)) return std::string(inside);
  std::string bytes;
  if (out != CP_UTF8 && out != win32::CodePage932) {
    if (IsAscii(inside)) return std::string(inside);
    if (ExportBytes(FStandIns, inside, out, bytes)) return bytes;
    bytes.clear();
  }
  out = CP_UTF8;
  ExportBytes(FStandIns, inside, out, bytes);
  return bytes;
}

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

constexpr UINT CodePage = CodePage932;

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
  TWideImporter(TStandIns& table, std::wstring_view whole, const std::vector<bool>* stray,
                std::string_view source)
      : FTable(table), FWhole(whole), FStray(stray), FSource(source) {}

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
    bool special = false;
    for (size_t i = from; i < to; ++i) special = special || IsPrivateUse(FWhole[i]) || IsStray(i);
    if (!special && AppendExactly(line, FOut)) return;
    for (size_t i = from; i < to;) {
      const size_t units = UnitsAt(FWhole, i);
      Character(i, units);
      i += units;
    }
  }

  bool IsStray(size_t i) const { return FStray && (*FStray)[i]; }

  void Character(size_t i, size_t units) {
    const char32_t cp = CodePointAt(FWhole, i, units);
    if (IsStray(i))
      Put(FTable.StandInFor(StrayByte + FWhole[i]), i);
    else if (IsPrivateUse(cp))
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
    // A byte that is no character counts as one column.
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
    std::string detail;
    if (IsStray(at)) {
      std::snprintf(name, sizeof name, "%02X", static_cast<unsigned>(FWhole[at]));
      detail = Substitute(TranslateInside("the byte 0x%1 is not valid UTF-8"), {name});
    } else {
      std::snprintf(name, sizeof name, "U+%04lX",
                    static_cast<unsigned long>(CodePointAt(FWhole, at, UnitsAt(FWhole, at))));
      detail = Substitute(TranslateInside("the character %1 has no code in code page 932"), {name});
    }
    throw scan::EEncodingError(
        Substitute(TranslateInside("%1, line %2, column %3: "),
                   {FSource, std::to_string(line), std::to_string(column)}) +
        detail + TranslateInside(" (no stand-ins are left for it)"));
  }

  TStandIns& FTable;
  std::wstring_view FWhole;
  const std::vector<bool>* FStray;  // the units that are bytes, not characters (none: nullptr)
  std::string_view FSource;
  std::string FOut;
};

void AppendCarried(TCarried carried, std::wstring& out) {
  if (carried >= StrayByte) {
    out += L'\xFFFD';  // a byte that was no character in its file has no UTF-16 form
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
  return TWideImporter(table, outside, nullptr, source).Run();
}

std::string ImportWideText(TStandIns& table, std::wstring_view outside,
                           const std::vector<bool>* stray, std::string_view source) {
  return TWideImporter(table, outside, stray, source).Run();
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
