// The encoding boundary on POSIX: iconv between UTF-8 and code page 932 over the runs of non-ASCII
// characters, the run's stand-ins for whatever code page 932 lacks, and one pass for the line ends.

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Encoding.h"
#include "platform/LargeBuffer.h"
#include "platform/Messages.h"
#include "platform/StandIns.h"
#include "platform/TextKind.h"
#include "scan/Exceptions.h"

namespace platform {
namespace {

// A conversion descriptor, opened on first use (the gconv module is loaded only for text that is
// not plain ASCII) and kept for the life of the boundary.
class TIconv {
 public:
  TIconv(const char* to, const char* from) : FTo(to), FFrom(from) {}
  ~TIconv() {
    if (FHandle != kClosed) iconv_close(FHandle);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  /// The descriptor in its initial shift state.
  iconv_t Get() {
    if (FHandle == kClosed) {
      FHandle = iconv_open(FTo, FFrom);
      if (FHandle == kClosed)
        throw scan::EEncodingError(Substitute(TranslateInside("no conversion from %1 to %2: %3"),
                                              {FFrom, FTo, std::strerror(errno)}));
    }
    iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
    return FHandle;
  }

 private:
  static inline const iconv_t kClosed = reinterpret_cast<iconv_t>(-1);
  const char* FTo;
  const char* FFrom;
  iconv_t FHandle = kClosed;
};

size_t AsciiPrefix(std::string_view s) {
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if (w & 0x8080808080808080ull) break;
  }
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i;
}

/// The number of LFs that have no CR before them.
size_t BareLineFeeds(std::string_view s) {
  size_t missing = 0;
  const char* b = s.data();
  size_t n = s.size();
  for (const char* q = b; (q = static_cast<const char*>(std::memchr(q, '\n', n - (q - b))));
       ++q)
    if (q == b || q[-1] != '\r') ++missing;
  return missing;
}

/// The code point of the UTF-8 sequence at `p` (at most `n` bytes), or -1 when it is not valid
/// UTF-8 (overlong forms, surrogates and values above U+10FFFF included).
long DecodeUtf8(const unsigned char* p, size_t n) {
  char32_t cp;
  const std::string_view s(reinterpret_cast<const char*>(p), n);
  return n > 0 && Utf8SequenceAt(s, 0, cp) > 0 ? static_cast<long>(cp) : -1;
}

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

size_t Utf8Length(long cp) { return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4; }

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

/// The refusal of a text that needs more stand-ins than are left: names the source (`where`,
/// inside text), the line and column (characters, from 1) of the first item that found none, and
/// what that item is.
[[noreturn]] void RaiseEncodingError(std::string_view text, size_t at, const std::string& where,
                                     long line) {
  long column = 1;
  for (size_t i = 0; i < at; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++line;
      column = 1;
    } else if ((c & 0xC0) != 0x80 && c != '\r') {
      ++column;
    }
  }
  const std::string why = TranslateInside(" (no stand-ins are left for it)");
  if (text[at] == '\0')
    throw scan::EEncodingError(where, line, column,
                               TranslateInside("a NUL byte (0x00) cannot be used in text") + why);
  long cp = DecodeUtf8(reinterpret_cast<const unsigned char*>(text.data() + at), text.size() - at);
  if (cp < 0) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(text[at]));
    throw scan::EEncodingError(
        where, line, column, Substitute(TranslateInside("the byte 0x%1 is not valid UTF-8"), {hex}) + why);
  }
  char name[24];
  std::snprintf(name, sizeof name, "U+%04lX", cp);
  throw scan::EEncodingError(where, line, column,
                             Substitute(TranslateInside("the character %1 has no code in code page 932"),
                                        {name}) + why);
}

/// Output grown in steps and cut to size at the end.
class TSink {
 public:
  /// Room for `expected` bytes at once, and capacity for `extra` more (line ends added later).
  explicit TSink(size_t expected, size_t extra = 0) {
    ReserveLarge(FOut, expected + extra + 16);
    FOut.resize(expected + 16);
  }
  /// Room for `n` more bytes at Tail().
  void Room(size_t n) {
    if (FOut.size() - FUsed < n) FOut.resize(std::max(FOut.size() * 2, FUsed + n) + 16);
  }
  char* Tail() { return FOut.data() + FUsed; }
  size_t Left() const { return FOut.size() - FUsed; }
  void Advance(size_t n) { FUsed += n; }
  void Append(const char* p, size_t n) {
    Room(n);
    std::memcpy(Tail(), p, n);
    FUsed += n;
  }
  std::string Take() {
    FOut.resize(FUsed);
    return std::move(FOut);
  }

 private:
  std::string FOut;
  size_t FUsed = 0;
};

/// One run of text through the converter `h` into `out`. `room(left)`: the most bytes the `left`
/// bytes still to convert can become. Where the converter stops at bytes it cannot take,
/// `stuck(at, left)` appends what they stand for and gives how many of them it took; the
/// converter goes on behind them from its initial shift state. Both directions go through here;
/// inlined into each, as the loops it replaced were.
template <class TRoom, class TStuck>
[[gnu::always_inline]] inline void ConvertRun(iconv_t h, std::string_view run, TSink& out, TRoom room, TStuck stuck) {
  char* src = const_cast<char*>(run.data());
  size_t srcLeft = run.size();
  while (srcLeft > 0) {
    out.Room(room(srcLeft));
    char* dst = out.Tail();
    size_t dstLeft = out.Left();
    const size_t r = iconv(h, &src, &srcLeft, &dst, &dstLeft);
    out.Advance(out.Left() - dstLeft);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    const size_t taken = stuck(src, srcLeft);
    src += taken;
    srcLeft -= taken;
    iconv(h, nullptr, nullptr, nullptr, nullptr);
  }
}

bool IsPrivateUse(long cp) { return cp >= 0xE000 && cp < 0xE000 + UserAreaSize; }

/// The lead bytes of the characters WatchedAt looks for. No byte >= C0 is ever a continuation
/// byte, so a match is a character wherever it stands.
bool IsWatchedLead(unsigned char c) {
  return c == 0xC2 || c == 0xE2 || c == 0xE3 || c == 0xEE || c == 0xF3;
}

/// The code point of a private-use or one-way character at `p` (at most `n` bytes), else -1.
long WatchedAt(const unsigned char* p, size_t n) {
  const long cp = DecodeUtf8(p, n);
  return IsPrivateUse(cp) || (cp > 0 && IsOneWayCharacter(static_cast<char32_t>(cp))) ? cp : -1;
}

/// UTF-8 -> code page 932 with stand-ins. Only the runs of non-ASCII characters go through iconv:
/// both encodings keep ASCII as it is, and iconv takes many times longer per byte than a copy
/// (source text is mostly ASCII). Neither encoding has shift states, so converting run by run
/// gives what one call over all would give.
class TImporter {
 public:
  /// `extra`: capacity to keep for what the caller adds afterwards (the CRs of line ends).
  TImporter(std::string_view whole, std::string_view source, long firstLine, TStandIns& table,
            TIconv& iconv, size_t extra = 0)
      : FWhole(whole),
        FSource(source),
        FFirstLine(firstLine),
        FTable(table),
        FIconv(iconv),
        FOut(whole.size(), extra) {
    FHasNul = std::memchr(whole.data(), '\0', whole.size()) != nullptr;
    ReserveOwnCodes();
  }

  std::string Run() {
    const size_t n = FWhole.size();
    size_t i = 0;
    while (i < n) {
      const size_t ascii = i + AsciiPrefix(FWhole.substr(i));
      CopyAscii(i, ascii);
      if (ascii == n) break;
      size_t end = ascii;
      while (end < n && static_cast<unsigned char>(FWhole[end]) >= 0x80) ++end;
      Foreign(ascii, end);
      i = end;
    }
    return FOut.Take();
  }

 private:
  /// The private-use characters of the whole text keep their own codes (unless given out before
  /// this text came), so no character of this text is given one of them as its stand-in.
  void ReserveOwnCodes() {
    const char* p = FWhole.data();
    const char* end = p + FWhole.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\xEE', end - p)))) {
      long cp = DecodeUtf8(reinterpret_cast<const unsigned char*>(p), end - p);
      if (IsPrivateUse(cp)) FTable.Reserve(static_cast<int>(cp - 0xE000));
      ++p;
    }
  }

  void CopyAscii(size_t from, size_t to) {
    while (FHasNul && from < to) {
      const void* nul = std::memchr(FWhole.data() + from, '\0', to - from);
      if (!nul) break;
      const size_t at = static_cast<const char*>(nul) - FWhole.data();
      FOut.Append(FWhole.data() + from, at - from);
      Put(FTable.StandInFor(0), at);
      from = at + 1;
    }
    FOut.Append(FWhole.data() + from, to - from);
  }

  /// A run of bytes >= 0x80: it goes to iconv in pieces between the characters iconv would convert
  /// into something else (private-use characters are given their code, one-way characters are
  /// carried); what iconv finds no code for is carried by Piece.
  void Foreign(size_t from, size_t to) {
    size_t piece = from;
    const auto* p = reinterpret_cast<const unsigned char*>(FWhole.data());
    for (size_t i = from; i < to;) {
      const long cp = IsWatchedLead(p[i]) ? WatchedAt(p + i, to - i) : -1;
      if (cp < 0) {
        ++i;
        continue;
      }
      Piece(piece, i);
      if (IsPrivateUse(cp))
        Put(FTable.PrivateUse(static_cast<int>(cp - 0xE000)), i);
      else
        Put(FTable.StandInFor(static_cast<TCarried>(cp)), i);
      i += Utf8Length(cp);
      piece = i;
    }
    Piece(piece, to);
  }

  /// Valid UTF-8 through iconv; a character it has no code for is carried.
  void Piece(size_t from, size_t to) {
    if (from == to) return;
    if (!FConv) FConv = FIconv.Get();
    ConvertRun(
        FConv, std::string_view(FWhole.data() + from, to - from), FOut,
        [](size_t left) { return left + 16; },  // code page 932 never takes more bytes than UTF-8
        [this](const char* at, size_t left) {
          const auto* p = reinterpret_cast<const unsigned char*>(at);
          const long cp = DecodeUtf8(p, left);
          const TCarried carried = cp < 0 ? StrayByte + *p : static_cast<TCarried>(cp);
          Put(FTable.StandInFor(carried), static_cast<size_t>(at - FWhole.data()));
          return cp < 0 ? size_t{1} : Utf8Length(cp);
        });
  }

  /// Appends the code of area index `k`; -1 (no stand-in left) refuses the text at `at`.
  void Put(int k, size_t at) {
    if (k < 0) RaiseEncodingError(FWhole, at, SourceForMessage(), FFirstLine);
    const char code[2] = {static_cast<char>(UserAreaLead(k)), static_cast<char>(UserAreaTrail(k))};
    FOut.Append(code, 2);
  }

  /// The source name as inside text, for a message: what does not convert becomes '?'.
  std::string SourceForMessage() {
    try {
      return TImporter(FSource, "", 1, FTable, FIconv).Run();
    } catch (const scan::EEncodingError&) {
      std::string s(FSource);
      for (char& c : s)
        if (static_cast<unsigned char>(c) >= 0x80) c = '?';
      return s;
    }
  }

  std::string_view FWhole;
  std::string_view FSource;
  long FFirstLine;
  TStandIns& FTable;
  TIconv& FIconv;
  TSink FOut;
  bool FHasNul;
  iconv_t FConv = nullptr;  // taken on first use: plain ASCII never loads the converter
};

/// Where the run of non-ASCII characters starting at `i` ends: at the next ASCII byte that starts
/// a character. In code page 932 a trail byte may be ASCII, so an ASCII byte that can be a trail
/// byte stays in the run behind any byte that can be a lead byte (also one that turns out to be
/// a trail byte itself, or a lead byte that makes no character with it: the converter then takes
/// the ASCII byte on its own).
size_t ForeignRunEnd(std::string_view s, size_t i) {
  const size_t start = i, n = s.size();
  while (i < n) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80 && !(i > start && IsLead(static_cast<unsigned char>(s[i - 1])) && IsTrail(c)))
      break;
    ++i;
  }
  return i;
}

/// Code page 932 -> UTF-8, never failing: a stand-in gives back what it carries, a byte that
/// starts no code page 932 character gives U+FFFD, and the byte behind it is converted on its own.
class TExporter {
 public:
  TExporter(std::string_view in, const TStandIns& table, TIconv& iconv)
      : FIn(in), FTable(table), FIconv(iconv), FOut(in.size() + in.size() / 2) {}

  std::string Run() {
    const size_t n = FIn.size();
    size_t i = 0;
    while (i < n) {
      const size_t ascii = i + AsciiPrefix(FIn.substr(i));
      FOut.Append(FIn.data() + i, ascii - i);
      if (ascii == n) break;
      const size_t end = ForeignRunEnd(FIn, ascii);
      if (FTable.Empty())
        Piece(ascii, end);
      else
        Foreign(ascii, end);
      i = end;
    }
    return FOut.Take();
  }

 private:
  void Foreign(size_t from, size_t to) {
    size_t piece = from, i = from;
    while (i < to) {
      const auto c = static_cast<unsigned char>(FIn[i]);
      const bool pair = IsLead(c) && i + 1 < to && IsTrail(static_cast<unsigned char>(FIn[i + 1]));
      TCarried carried;
      const int k = pair ? UserAreaIndex(c, static_cast<unsigned char>(FIn[i + 1])) : -1;
      if (k >= 0 && FTable.Find(k, carried)) {
        Piece(piece, i);
        AppendCarried(carried);
        piece = i + 2;
      }
      i += pair ? 2 : 1;
    }
    Piece(piece, to);
  }

  void AppendCarried(TCarried carried) {
    std::string bytes;
    if (carried >= StrayByte)
      bytes += static_cast<char>(carried - StrayByte);
    else if (carried >= 0xD800 && carried <= 0xDFFF)
      bytes = "\xEF\xBF\xBD";  // a lone surrogate (from a UTF-16 text) has no UTF-8 form
    else
      AppendUtf8(bytes, static_cast<char32_t>(carried));
    FOut.Append(bytes.data(), bytes.size());
  }

  void Piece(size_t from, size_t to) {
    if (from == to) return;
    if (!FConv) FConv = FIconv.Get();
    ConvertRun(
        FConv, std::string_view(FIn.data() + from, to - from), FOut,
        [](size_t left) { return left / 2 * 3 + 16; },
        [this](const char*, size_t) {
          // One bad byte: a lead byte that makes no character with the byte behind it stands
          // alone, and that byte (an ASCII letter, say) is converted on its own.
          FOut.Append("\xEF\xBF\xBD", 3);
          return size_t{1};
        });
  }

  std::string_view FIn;
  const TStandIns& FTable;
  TIconv& FIconv;
  TSink FOut;
  iconv_t FConv = nullptr;
};

/// Every LF that has no CR before it gets one; one pass from the back, in place.
void ExpandLineEnds(std::string& s, size_t missing) {
  if (missing == 0) return;
  size_t n = s.size();
  size_t src = n;
  s.resize(n + missing);
  char* d = s.data();
  size_t dst = n + missing;
  while (missing > 0) {
    size_t pos = static_cast<const char*>(memrchr(d, '\n', src)) - d;
    size_t tail = src - pos;
    dst -= tail;
    std::memmove(d + dst, d + pos, tail);
    src = pos;
    if (pos == 0 || d[pos - 1] != '\r') {
      d[--dst] = '\r';
      --missing;
    }
  }
}

/// CR LF -> LF, in place; a lone CR stays.
void CollapseLineEnds(std::string& s) {
  char* d = s.data();
  size_t n = s.size(), r = 0, w = 0;
  while (r < n) {
    const char* q = static_cast<const char*>(std::memchr(d + r, '\r', n - r));
    size_t end = q ? static_cast<size_t>(q - d) : n;
    if (w != r) std::memmove(d + w, d + r, end - r);
    w += end - r;
    r = end;
    if (r >= n) break;
    if (r + 1 >= n || d[r + 1] != '\n') d[w++] = '\r';  // a lone CR stays
    ++r;                                               // the LF of a CR LF is copied next round
  }
  s.resize(w);
}

}  // namespace

struct TTextBoundary::TConverters {
  TIconv ToCp932{"CP932", "UTF-8"};
  TIconv ToUtf8{"UTF-8", "CP932"};
};

TTextBoundary::TTextBoundary() : FConverters(std::make_unique<TConverters>()) {}

TTextBoundary::~TTextBoundary() = default;

std::string TTextBoundary::ImportText(std::string_view outside, std::string_view source,
                                      long firstLine) {
  const size_t missing = BareLineFeeds(outside);
  std::string out =
      TImporter(outside, source, firstLine, FStandIns, FConverters->ToCp932, missing).Run();
  ExpandLineEnds(out, missing);
  return out;
}

std::string TTextBoundary::ExportText(std::string_view inside) {
  std::string out = ExportName(inside);
  CollapseLineEnds(out);
  return out;
}

std::string TTextBoundary::ImportName(std::string_view outside, std::string_view source) {
  return TImporter(outside, source, 1, FStandIns, FConverters->ToCp932).Run();
}

std::string TTextBoundary::ExportName(std::string_view inside) {
  return TExporter(inside, FStandIns, FConverters->ToUtf8).Run();
}

std::string TTextBoundary::ExportKeptText(std::string_view inside) { return ExportText(inside); }

std::string TTextBoundary::ImportKeptText(std::string_view kept, std::string_view source) {
  return ImportText(kept, source);
}

std::string TTextBoundary::ImportUtf8Text(std::string_view utf8, std::string_view source) {
  return ImportText(utf8, source);
}

std::string TTextBoundary::ExportUtf8Text(std::string_view inside) { return ExportText(inside); }

}  // namespace platform
