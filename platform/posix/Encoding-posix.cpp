// The encoding boundary on POSIX: iconv between UTF-8 and code page 932, one call over the whole
// text where it can, and one pass for the line ends.

#include <errno.h>
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/Encoding.h"
#include "scan/Errors.h"

namespace platform {
namespace {

// A conversion descriptor, opened on first use (the gconv module is loaded only for text that is
// not plain ASCII) and kept for the life of the process.
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
        throw scan::EEncodingError(std::string("文字コード変換 ") + FFrom + " -> " + FTo +
                                   " が使えません: " + std::strerror(errno));
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

TIconv& ToCp932() {
  static TIconv conv("CP932", "UTF-8");
  return conv;
}

TIconv& ToUtf8() {
  static TIconv conv("UTF-8", "CP932");
  return conv;
}

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
  if (n == 0) return -1;
  unsigned c = p[0];
  if (c < 0x80) return c;
  int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
  if (len == 0 || c > 0xF4 || static_cast<size_t>(len) > n) return -1;
  long cp = c & (0x7F >> len);
  for (int i = 1; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  static const long kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  return cp;
}

/// The source name as inside text, for a message: what does not convert becomes '?'.
std::string SourceForMessage(std::string_view source) {
  try {
    return ImportName(source, "");
  } catch (const scan::EEncodingError&) {
    std::string s(source);
    for (char& c : s)
      if (static_cast<unsigned char>(c) >= 0x80) c = '?';
    return s;
  }
}

[[noreturn]] void RaiseEncodingError(std::string_view text, size_t at, std::string_view source,
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
  std::string where = SourceForMessage(source) + " の " + std::to_string(line) + " 行 " +
                      std::to_string(column) + " 桁目: ";
  if (text[at] == '\0')
    throw scan::EEncodingError(where + "NUL バイト (0x00) はテキストに使えません");
  long cp = DecodeUtf8(reinterpret_cast<const unsigned char*>(text.data() + at), text.size() - at);
  if (cp < 0) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(text[at]));
    throw scan::EEncodingError(where + "UTF-8 として正しくないバイト 0x" + hex + " があります");
  }
  char name[24];
  std::snprintf(name, sizeof name, "U+%04lX", cp);
  throw scan::EEncodingError(where + "文字 " + name + " はコード ページ 932 で表せません");
}

/// Where the run of non-ASCII characters starting at `i` ends: at the next ASCII byte that starts
/// a character. In UTF-8 every byte of a multibyte character is >= 0x80; in code page 932 a trail
/// byte may be ASCII, so a lead byte takes the byte behind it whatever it is (iconv reads the
/// pair as one character, valid or not, and so does the lenient recovery below).
size_t ForeignRunEnd(std::string_view s, size_t i, bool fromCp932) {
  const size_t n = s.size();
  while (i < n && static_cast<unsigned char>(s[i]) >= 0x80) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const bool lead = fromCp932 && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC));
    i += lead && i + 1 < n ? 2 : 1;
  }
  return i;
}

/// Converts one run of non-ASCII characters (`in`, at `base` in `whole`) with `conv` and appends
/// it to `out`, whose size is `used` on entry and on return. Errors as for Convert.
void ConvertRun(iconv_t h, std::string_view in, std::string& out, size_t& used,
                std::string_view whole, size_t base, const std::string_view* source,
                long firstLine) {
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  while (srcLeft > 0) {
    if (out.size() - used < 16) out.resize(out.size() * 2 + 16);
    char* dst = out.data() + used;
    size_t dstLeft = out.size() - used;
    size_t r = iconv(h, &src, &srcLeft, &dst, &dstLeft);
    used = out.size() - dstLeft;
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    if (source) RaiseEncodingError(whole, base + (src - in.data()), *source, firstLine);
    // A lead byte with a byte behind it is one bad character; anything else one bad byte.
    unsigned char c = static_cast<unsigned char>(*src);
    bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    size_t skip = (errno == EILSEQ && lead && srcLeft >= 2) ? 2 : 1;
    if (out.size() - used < 3) out.resize(out.size() * 2 + 3);
    std::memcpy(out.data() + used, "\xEF\xBF\xBD", 3);
    used += 3;
    src += skip;
    srcLeft -= skip;
    iconv(h, nullptr, nullptr, nullptr, nullptr);
  }
}

/// Converts `in` with `conv` and appends to `out`. Strict: the first fault raises the encoding
/// error for `whole` (of which `in` is the tail from `base` on). Lenient (`source` null): a fault
/// becomes U+FFFD and the conversion goes on behind the faulty character.
/// Only the runs of non-ASCII characters go through iconv: both encodings keep ASCII as it is,
/// and iconv takes many times longer per byte than a copy (source text is mostly ASCII). Neither
/// encoding has shift states, so converting run by run gives what one call over all would give.
void Convert(TIconv& conv, std::string_view in, std::string& out, std::string_view whole,
             size_t base, const std::string_view* source, long firstLine = 1) {
  iconv_t h = conv.Get();
  const bool fromCp932 = &conv == &ToUtf8();
  size_t used = out.size();
  // Code page 932 never takes more bytes than UTF-8; the other way round it takes up to 3/2.
  out.resize(used + in.size() + (source ? 0 : in.size() / 2) + 16);
  size_t i = 0;
  while (i < in.size()) {
    const size_t ascii = i + AsciiPrefix(in.substr(i));
    if (out.size() - used < ascii - i) out.resize(used + (ascii - i) + in.size() / 2 + 16);
    std::memcpy(out.data() + used, in.data() + i, ascii - i);
    used += ascii - i;
    if (ascii == in.size()) break;
    const size_t runEnd = ForeignRunEnd(in, ascii, fromCp932);
    ConvertRun(h, in.substr(ascii, runEnd - ascii), out, used, whole, base + ascii, source,
               firstLine);
    i = runEnd;
  }
  out.resize(used);
}

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

std::string ImportText(std::string_view outside, std::string_view source, long firstLine) {
  size_t skip = outside.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  std::string_view body = outside.substr(skip);
  size_t ascii = AsciiPrefix(body);
  // Inside, a zero byte ends the text: everything behind it would silently go missing.
  if (const void* nul = std::memchr(body.data(), '\0', body.size()))
    RaiseEncodingError(outside, static_cast<const char*>(nul) - outside.data(), source, firstLine);
  size_t missing = BareLineFeeds(body);
  std::string out;
  out.reserve(body.size() + missing + 16);
  out.append(body.substr(0, ascii));
  if (ascii < body.size())
    Convert(ToCp932(), body.substr(ascii), out, outside, skip + ascii, &source, firstLine);
  ExpandLineEnds(out, missing);
  return out;
}

std::string ExportText(std::string_view inside) {
  std::string out = ExportName(inside);
  CollapseLineEnds(out);
  return out;
}

std::string ImportName(std::string_view outside, std::string_view source) {
  size_t ascii = AsciiPrefix(outside);
  std::string out(outside.substr(0, ascii));
  if (ascii < outside.size())
    Convert(ToCp932(), outside.substr(ascii), out, outside, ascii, &source);
  return out;
}

std::string ExportName(std::string_view inside) {
  size_t ascii = AsciiPrefix(inside);
  std::string out(inside.substr(0, ascii));
  if (ascii < inside.size()) Convert(ToUtf8(), inside.substr(ascii), out, inside, ascii, nullptr);
  return out;
}

std::string ImportUtf8Text(std::string_view utf8, std::string_view source) {
  return ImportText(utf8, source);
}

std::string ExportUtf8Text(std::string_view inside) { return ExportText(inside); }

}  // namespace platform
