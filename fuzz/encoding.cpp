// The POSIX encoding boundary. Inside text may hold any bytes and always goes out; outside text
// goes in or raises the encoding error. Checked beyond the sanitizers: whatever goes out is valid
// UTF-8, and text that came in goes out and in again to the same text.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "platform/Encoding.h"
#include "scan/Errors.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "encoding: %s\n", what);
  std::abort();
}

/// True when the bytes are well-formed UTF-8 (no surrogates, no overlong forms).
bool IsUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n;
    uint32_t cp;
    if (c < 0x80) { ++i; continue; }
    if (c >= 0xC2 && c <= 0xDF) { n = 1; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { n = 2; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { n = 3; cp = c & 0x07; }
    else return false;
    for (size_t k = 1; k <= n; ++k) {
      if (i + k >= s.size()) return false;
      const unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += n + 1;
  }
  return true;
}

/// The text without its line ends, and the number of its LFs: what a round trip keeps. (The line
/// ends themselves are not kept byte for byte: an outside CR LF comes back as LF.)
std::pair<std::string, size_t> Content(const std::string& inside) {
  std::string text;
  size_t lineFeeds = 0;
  for (char c : inside) {
    if (c == '\n') ++lineFeeds;
    if (c != '\r' && c != '\n') text += c;
  }
  return {text, lineFeeds};
}

void CheckRoundTrip(const std::string& inside) {
  const std::string out = platform::ExportText(inside);
  if (!IsUtf8(out)) Fail("ExportText of imported text is not UTF-8");
  std::string again;
  try {
    again = platform::ImportText(out, "round trip");
  } catch (const scan::EEncodingError&) {
    Fail("exported text does not import");
  }
  if (Content(again) != Content(inside)) Fail("round trip changed the text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // The bytes as inside text: export never fails and gives UTF-8.
  if (!IsUtf8(platform::ExportText(bytes))) Fail("ExportText is not UTF-8");
  (void)platform::ExportName(std::string(bytes));

  // The bytes as outside text.
  try {
    CheckRoundTrip(platform::ImportText(bytes, "fuzz", 1));
  } catch (const scan::EEncodingError&) {
    // Not UTF-8, or a character code page 932 lacks: the documented error.
  }
  try {
    (void)platform::ImportName(bytes, "fuzz");
  } catch (const scan::EEncodingError&) {
  }
  return 0;
}
