// UTF-8 and code page 932 through the tables the build made from the native iconv: the converter
// behind the text boundary in the browser.

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "Cp932Iconv.h"
#include "Cp932Tables.h"

struct TWebIconv {
  bool ToCp932;
};

namespace {

TWebIconv ToCp932{true};
TWebIconv ToUtf8{false};

bool IsUtf8(const char* name) { return std::strcmp(name, "UTF-8") == 0; }
bool IsCp932(const char* name) { return std::strcmp(name, "CP932") == 0; }

/// The code of a character above ASCII, or -1.
long CodeOf(uint32_t cp) {
  const uint16_t* begin = web::Cp932EncodedCharacters;
  const uint16_t* end = begin + web::Cp932EncodedCount;
  if (cp > 0xFFFF) return -1;
  const uint16_t* at = std::lower_bound(begin, end, static_cast<uint16_t>(cp));
  return at != end && *at == cp ? web::Cp932EncodedCodes[at - begin] : -1;
}

/// The UTF-8 sequence at `p` (`n` bytes left): its length and code point; 0 when it is not valid
/// (overlong forms, surrogates, past U+10FFFF), -1 when the input ends inside it.
int DecodeUtf8(const unsigned char* p, size_t n, uint32_t& cp) {
  const unsigned char c = p[0];
  int len;
  uint32_t min;
  if (c < 0x80) return cp = c, 1;
  if (c >= 0xC2 && c <= 0xDF) len = 2, min = 0x80, cp = c & 0x1F;
  else if (c >= 0xE0 && c <= 0xEF) len = 3, min = 0x800, cp = c & 0x0F;
  else if (c >= 0xF0 && c <= 0xF4) len = 4, min = 0x10000, cp = c & 0x07;
  else return 0;
  for (int i = 1; i < len; ++i) {
    if (static_cast<size_t>(i) >= n) return -1;
    if ((p[i] & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (p[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

/// The character of the code page 932 bytes at `p` (`n` bytes left): the bytes it takes, 0 when
/// they are none, -1 when the input ends after a lead byte.
int DecodeCp932(const unsigned char* p, size_t n, uint32_t& cp) {
  const unsigned char c = p[0];
  if (c < 0x80) return cp = c, 1;
  const int lead = c >= 0x81 && c <= 0x9F ? c - 0x81 : c >= 0xE0 && c <= 0xFC ? c - 0xE0 + 31 : -1;
  if (lead < 0) return (cp = web::Cp932SingleBytes[c - 0x80]) != 0 ? 1 : 0;
  if (n < 2) return -1;
  if (p[1] < 0x40 || p[1] > 0xFC) return 0;
  cp = web::Cp932Pairs[lead * web::Cp932TrailCount + (p[1] - 0x40)];
  return cp != 0 ? 2 : 0;
}

size_t Fail(int error) {
  errno = error;
  return static_cast<size_t>(-1);
}

void PutUtf8(uint32_t cp, char*& out) {
  if (cp < 0x80) {
    *out++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out++ = static_cast<char>(0xC0 | cp >> 6);
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out++ = static_cast<char>(0xE0 | cp >> 12);
    *out++ = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

TWebIconv* SheetcalcIconvOpen(const char* to, const char* from) {
  if (IsCp932(to) && IsUtf8(from)) return &ToCp932;
  if (IsUtf8(to) && IsCp932(from)) return &ToUtf8;
  errno = EINVAL;
  return reinterpret_cast<TWebIconv*>(-1);
}

size_t SheetcalcIconv(TWebIconv* cd, char** in, size_t* inLeft, char** out, size_t* outLeft) {
  if (in == nullptr || *in == nullptr) return 0;  // no shift states to return to
  while (*inLeft > 0) {
    const auto* p = reinterpret_cast<const unsigned char*>(*in);
    uint32_t cp = 0;
    const int taken = cd->ToCp932 ? DecodeUtf8(p, *inLeft, cp) : DecodeCp932(p, *inLeft, cp);
    if (taken < 0) return Fail(EINVAL);
    if (taken == 0) return Fail(EILSEQ);
    if (cd->ToCp932) {
      const long code = cp < 0x80 ? static_cast<long>(cp) : CodeOf(cp);
      if (code < 0) return Fail(EILSEQ);
      const size_t size = code > 0xFF ? 2 : 1;
      if (*outLeft < size) return Fail(E2BIG);
      if (size == 2) *(*out)++ = static_cast<char>(code >> 8);
      *(*out)++ = static_cast<char>(code & 0xFF);
      *outLeft -= size;
    } else {
      const size_t size = cp < 0x80 ? 1 : cp < 0x800 ? 2 : 3;
      if (*outLeft < size) return Fail(E2BIG);
      PutUtf8(cp, *out);
      *outLeft -= size;
    }
    *in += taken;
    *inLeft -= static_cast<size_t>(taken);
  }
  return 0;
}

int SheetcalcIconvClose(TWebIconv*) { return 0; }
