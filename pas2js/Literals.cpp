// Number and string literals: Pascal radix marks become JavaScript prefixes; quoted parts and
// character codes that touch become one JavaScript string in double quotes.
#include <cstdio>
#include <string>

#include "pas2js/Pas2JavaSc.h"
#include "scan/Exceptions.h"

namespace pas2js {

namespace {

constexpr scan::CharSet AlnumChars = scan::LetterChars + scan::DigitChars;

using scan::IsDigit;
inline bool IsAlnum(char c) { return AlnumChars.Has(c); }

// The code after "#" as a 32-bit signed decimal; a larger one ends the conversion.
int32_t CharCode(std::string_view digits) {
  int64_t v = 0;
  for (char c : digits) {
    v = v * 10 + (c - '0');
    if (v > INT32_MAX) {
      throw scan::EConvertError("#P2Js: 文字コード '#" + std::string(digits) +
                                "' は大きすぎて変換できません");
    }
  }
  return static_cast<int32_t>(v);
}

void AppendCharCode(std::string& s, int32_t v) {
  switch (v) {
    case 9: s += "\\t"; return;
    case 10: s += "\\n"; return;
    case 12: s += "\\f"; return;
    case 13: s += "\\r"; return;
    default: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "\\x%2.2X", static_cast<unsigned>(v));
      s += buf;
    }
  }
}

// One quoted part; the cursor stands behind the opening quote.
void AppendQuoted(const char*& p, std::string& s) {
  for (;;) {
    const char c = *p;
    switch (c) {
      case '\'':
        if (p[1] == '\'') {
          s += "\\'";
          p += 2;
          continue;
        }
        ++p;
        return;
      case '"':
        s += "\\\"";
        ++p;
        continue;
      case '\0': case '\n': case '\v': case '\f': case '\r':
        return;  // an unterminated part ends at its line end
      default:
        s += c;
        ++p;
    }
  }
}

}  // namespace

// 123  3.14  1.5e-3  $1F  %1010  &17  ->  123  3.14  1.5e-3  0X1F  0b1010  0o17
void TuPas2JavaSc::NumberLiteral(const char*& p) {
  const char* start = p;
  const char c = *p++;
  std::string text;
  switch (c) {
    case '$':
      text = "0X";
      while (IsAlnum(*p)) text += *p++;
      Write(text);
      return;
    case '%':
      text = "0b";
      while (*p == '0' || *p == '1') text += *p++;
      Write(text);
      return;
    case '&':
      text = "0o";
      while (*p >= '0' && *p <= '7') text += *p++;
      Write(text);
      return;
    default:
      break;
  }
  // A decimal number is written exactly as it stands.
  while (IsDigit(*p)) ++p;
  if (*p == '.') {
    ++p;
    while (IsDigit(*p)) ++p;
  }
  if (*p == 'E' || *p == 'e') {
    ++p;
    if (*p == '+' || *p == '-') ++p;
    while (IsDigit(*p)) ++p;
  }
  Write(std::string_view(start, static_cast<size_t>(p - start)));
}

// 'It''s'  'a'#13#10'b'  #27'[0m'  ->  "It\'s"  "a\r\nb"  "\x1B[0m"
void TuPas2JavaSc::StringLiteral(const char*& p) {
  std::string s;
  for (;;) {
    if (*p == '#') {
      ++p;
      const char* digits = p;
      while (IsDigit(*p)) ++p;
      AppendCharCode(s, CharCode(std::string_view(digits, static_cast<size_t>(p - digits))));
    } else if (*p == '\'') {
      ++p;
      AppendQuoted(p, s);
    } else {
      break;
    }
  }
  Write("\"");
  Write(s);
  Write("\"");
}

}  // namespace pas2js
