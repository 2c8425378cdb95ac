// The POSIX encoding boundary. Inside text may hold any bytes and always goes out; outside text
// goes in (what code page 932 lacks as stand-ins) and comes out again as it was. Checked beyond
// the sanitizers: inside bytes go out as valid UTF-8 while no stand-in exists, and import then
// export is the identity (line ends aside).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Encoding.h"
#include "platform/StandIns.h"
#include "scan/Exceptions.h"

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

/// What a round trip gives back for outside text: every CR LF becomes LF (import keeps a line
/// end as CR LF, export writes every CR LF as LF); everything else comes back byte for byte.
std::string WithoutCrLf(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i)
    if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  platform::TTextBoundary text;  // each input is a run of its own

  // The bytes as inside text, before any stand-in exists: export never fails and gives UTF-8.
  if (!IsUtf8(text.ExportText(bytes))) Fail("ExportText is not UTF-8");
  (void)text.ExportName(std::string(bytes));

  // The bytes as outside text: import then export gives them back.
  try {
    const std::string inside = text.ImportText(bytes, "fuzz", 1);
    if (text.ExportText(inside) != WithoutCrLf(bytes)) Fail("text round trip changed it");
    if (text.ExportName(text.ImportName(bytes, "fuzz")) != bytes)
      Fail("name round trip changed it");
    // The same text once more: the same stand-ins, the same result.
    if (text.ImportText(bytes, "fuzz", 1) != inside) Fail("second import differs");
  } catch (const scan::EEncodingError&) {
    // More distinct carried characters than stand-ins: the documented refusal.
  }
  return 0;
}
