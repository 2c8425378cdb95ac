#include "engine/PrFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "scan/Exceptions.h"
#include "scan/ExtendedFloat80.h"
#include "scan/Float80Decimal.h"

namespace engine {

using scan::Extended;

namespace {

struct TSpecifier {
  bool LeftAlign = false;
  int Width = 0;
  int Precision = -1;  // none given
  char Type = 0;       // lower case
};

[[noreturn]] void BadFormat(const std::string& format) {
  throw scan::EConvertError("書式 '" + format + "' が無効か、引数と互換性がありません");
}

// x with `precision` decimals; and d.ddd...E+XX with `precision` digits after the point.
std::string Fixed(Extended x, int precision) {
  return scan::FormatFixed(scan::ToFloat80(x), precision);
}
std::string Exponential(Extended x, int precision) {
  return scan::FormatScientific(scan::ToFloat80(x), precision, true);
}

// d.ddd...E+ddd: `precision` significant digits, an exponent of at least three digits.
std::string Scientific(Extended x, int precision) {
  std::string text = Exponential(x, std::max(precision, 1) - 1);
  size_t e = text.find('E');
  int exponent = std::atoi(text.c_str() + e + 1);
  char tail[16];
  std::snprintf(tail, sizeof tail, "E%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
  return text.substr(0, e) + tail;
}

// The shortest text of at most `precision` significant digits: fixed while the exponent lies in
// -4..precision-1, else d.dddE[-]x.
std::string General(Extended x, int precision) {
  if (x == 0) return "0";
  precision = std::clamp(precision, 1, 18);
  std::string digits = Exponential(x, precision - 1);
  size_t e = digits.find('E');
  int exponent = std::atoi(digits.c_str() + e + 1);
  if (exponent >= -4 && exponent < precision) {
    std::string text = Fixed(x, std::max(precision - 1 - exponent, 0));
    if (text.find('.') != std::string::npos) {
      text.erase(text.find_last_not_of('0') + 1);
      if (text.back() == '.') text.pop_back();
    }
    return text;
  }
  std::string mantissa = digits.substr(0, e);
  if (mantissa.find('.') != std::string::npos) {
    mantissa.erase(mantissa.find_last_not_of('0') + 1);
    if (mantissa.back() == '.') mantissa.pop_back();
  }
  return mantissa + "E" + std::to_string(exponent);
}

// Fixed with thousands separators.
std::string Number(Extended x, int precision) {
  std::string text = Fixed(x, precision);
  size_t start = text[0] == '-' ? 1 : 0;
  size_t point = text.find('.');
  size_t end = point == std::string::npos ? text.size() : point;
  std::string grouped = text.substr(0, start);
  for (size_t i = start; i < end; ++i) {
    grouped += text[i];
    size_t left = end - i - 1;
    if (left > 0 && left % 3 == 0) grouped += ',';
  }
  grouped += text.substr(end);
  return grouped;
}

// The value's text with '.' as the point (the only '.' it holds).
std::string FormatOne(const TSpecifier& specifier, Extended x) {
  switch (specifier.Type) {
    case 'e': return Scientific(x, specifier.Precision < 0 ? 15 : specifier.Precision);
    case 'f': return Fixed(x, specifier.Precision < 0 ? 2 : specifier.Precision);
    case 'g': return General(x, specifier.Precision < 0 ? 15 : specifier.Precision);
    case 'n': return Number(x, specifier.Precision < 0 ? 2 : specifier.Precision);
    default: {  // 'm': the currency sign of code page 932 and no decimals unless asked for
      std::string text = Number(x.Abs(), specifier.Precision < 0 ? 0 : specifier.Precision);
      return (x < 0 ? "-\\" : "\\") + text;
    }
  }
}

int ReadCount(const char*& p) {
  int n = 0;
  while (*p >= '0' && *p <= '9') {
    if (n < 100000) n = n * 10 + (*p - '0');
    ++p;
  }
  return n;
}

}  // namespace

std::string PrFormat(const std::string& format, std::span<const Extended> values,
                     const scan::TFormatSettings& settings) {
  std::string out;
  size_t next = 0;
  const char* p = format.c_str();
  while (*p != '\0') {
    if (*p != '%') {
      out += *p++;
      continue;
    }
    ++p;
    if (*p == '%') {
      out += *p++;
      continue;
    }
    TSpecifier specifier;
    const char* start = p;
    int first = ReadCount(p);
    if (*p == ':' && p > start) {
      next = static_cast<size_t>(first);
      ++p;
    } else {
      p = start;
    }
    if (*p == '-') {
      specifier.LeftAlign = true;
      ++p;
    }
    if (*p == '*') BadFormat(format);
    specifier.Width = ReadCount(p);
    if (*p == '.') {
      ++p;
      if (*p == '*') BadFormat(format);
      specifier.Precision = ReadCount(p);
    }
    char type = scan::LowerAscii(*p);
    if (type != 'e' && type != 'f' && type != 'g' && type != 'n' && type != 'm') BadFormat(format);
    ++p;
    if (next >= values.size()) BadFormat(format);
    specifier.Type = type;
    std::string text = FormatOne(specifier, values[next++]);
    for (char& c : text)
      if (c == '.') c = settings.DecimalSeparator;
    if (static_cast<int>(text.size()) < specifier.Width) {
      std::string pad(specifier.Width - text.size(), ' ');
      text = specifier.LeftAlign ? text + pad : pad + text;
    }
    out += text;
  }
  return out;
}

}  // namespace engine
