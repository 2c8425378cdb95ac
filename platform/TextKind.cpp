// The kind of an outside text, and UTF-8 decoding that keeps the bytes it cannot read.

#include "platform/TextKind.h"

namespace platform {

size_t Utf8SequenceAt(std::string_view s, size_t i, char32_t& cp) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t length;
  char32_t least;  // the smallest code point this length may carry
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2, least = 0x80, cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3, least = 0x800, cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4, least = 0x10000, cp = c & 0x07;
  } else {
    return 0;
  }
  if (s.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (t & 0x3F);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

TTextKind KindOfText(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return TTextKind::Utf8;
  bool ascii = true;
  char32_t cp;
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = Utf8SequenceAt(bytes, i, cp);
    if (length == 0) return TTextKind::CodePage;
    ascii = ascii && length == 1;
    i += length;
  }
  return ascii ? TTextKind::Ascii : TTextKind::Utf8;
}

TUtf16Text DecodeUtf8(std::string_view bytes) {
  TUtf16Text text;
  text.Units.reserve(bytes.size());
  text.Stray.reserve(bytes.size());
  char32_t cp;
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = Utf8SequenceAt(bytes, i, cp);
    if (length == 0) {
      text.Units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
      text.Stray.push_back(true);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      text.Units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      text.Units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      text.Stray.insert(text.Stray.end(), 2, false);
    } else {
      text.Units += static_cast<char16_t>(cp);
      text.Stray.push_back(false);
    }
    i += length;
  }
  return text;
}

}  // namespace platform
