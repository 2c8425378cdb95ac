// The number readers: 64-bit integers in decimal, hexadecimal and binary notation, and extended
// values with fraction, exponent and a scale suffix. Every reader works on a copy of the cursor
// and hands the new position back only on success.

#include <cmath>

#include "scan/Exceptions.h"
#include "scan/ExtendedFloat80.h"
#include "scan/Float80Decimal.h"
#include "scan/PowersOfTen.h"
#include "scan/uAnsiCharTools.h"

namespace scan {

namespace {

constexpr CharSet HexDigitChars = DigitChars + CharSet::Range('A', 'F') + CharSet::Range('a', 'f');
constexpr CharSet IdentChars = NameStartChars + DigitChars;

constexpr Extended Pi = Extended::FromBits(0x4000, 0xC90FDAA22168C235u);  // 3.14159265358979323846

[[noreturn]] void RaiseNotInteger(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' は整数ではありません");
}

[[noreturn]] void RaiseNotFloat(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' は浮動小数点数ではありません");
}

inline unsigned HexValue(char c) {
  if (c <= '9') return static_cast<unsigned>(c - '0');
  return static_cast<unsigned>((c | 0x20) - 'a' + 10);
}

/// Hexadecimal digits from `p` on, wrapping modulo 2^64; returns how many were taken.
int AccumulateHex(const char*& p, uint64_t& value) {
  int count = 0;
  for (; HexDigitChars.Has(*p); ++p, ++count) value = value * 16 + HexValue(*p);
  return count;
}

/// Binary digits and '_' from `p` on, wrapping modulo 2^64; returns how many digits were taken.
int AccumulateBinary(const char*& p, uint64_t& value) {
  int count = 0;
  for (; *p == '0' || *p == '1' || *p == '_'; ++p) {
    if (*p == '_') continue;
    value = value * 2 + static_cast<unsigned>(*p - '0');
    ++count;
  }
  return count;
}

/// Skips blanks and an optional sign with the blanks behind it; true when the sign was '-'.
bool SkipSign(const char*& p) {
  SkipCharSet(p, BlankChars);
  if (*p != '+' && *p != '-') return false;
  const bool negative = *p == '-';
  ++p;
  SkipCharSet(p, BlankChars);
  return negative;
}

/// True when the cursor stands on '0' followed by one of the prefix letters in `letters`.
bool StandsOnZeroPrefix(const char* p, std::string_view letters) {
  if (p[0] != '0' || p[1] == '\0') return false;
  for (const char letter : letters) {
    if (p[1] == letter) return true;
  }
  return false;
}

/// The decimal number text (digits, '.', exponent letter, exponent '-') that starts at `p`.
std::string_view CollectDecimalText(const char* p) {
  const char* start = p;
  bool point = false;
  bool exponent = false;
  bool digit = false;
  for (;; ++p) {
    const char c = *p;
    if (IsDigit(c)) {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else if ((c == 'E' || c == 'e') && digit && !exponent) {
      exponent = true;
    } else if (c == '-' && exponent && (p[-1] == 'E' || p[-1] == 'e')) {
      // only directly behind the exponent letter
    } else {
      break;
    }
  }
  return std::string_view(start, static_cast<size_t>(p - start));
}

/// Converts a collected decimal text to the correctly rounded extended value. False when the
/// text does not convert: a character left over, a point other than the settings' separator, or
/// a value beyond the extended range.
bool ConvertDecimalText(std::string_view text, char separator, Extended& value) {
  // The significant digits without the point; short numbers stay on the stack.
  char small[96];
  std::string large;
  char* digits = small;
  if (text.size() > sizeof small) {
    large.resize(text.size());
    digits = large.data();
  }
  size_t n = 0;
  int64_t scale = 0;  // fraction digits taken
  bool inFraction = false;
  size_t i = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      if (inFraction) ++scale;
      if (c != '0' || n != 0) digits[n++] = c;
    } else if (c == '.' && !inFraction) {
      if (separator != '.') return false;
      inFraction = true;
    } else {
      break;
    }
  }
  int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (negative) ++i;
    // Exponent digits are taken while the exponent is below 500; a further one is left over.
    for (; i < text.size() && IsDigit(text[i]) && exponent < 500; ++i) {
      exponent = exponent * 10 + (text[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  if (i != text.size()) return false;
  if (n == 0) {
    value = 0;
    return true;
  }
  const int64_t power = exponent - scale;
  if (n <= 19 && power >= -ExactPowers && power <= ExactPowers) {
    // The digits and the power of ten are both exact extended values, so one multiplication or
    // division rounds the result correctly (the x87 unit computes with a 64-bit mantissa).
    uint64_t mantissa = 0;
    for (size_t k = 0; k < n; ++k) mantissa = mantissa * 10 + static_cast<unsigned>(digits[k] - '0');
    const Extended m = static_cast<Extended>(mantissa);
    value = power >= 0 ? m * PowerOfTen[power] : m / PowerOfTen[-power];
    return true;
  }
  const TFloat80 result = DecimalToFloat80(std::string_view(digits, n), power);
  if (result.IsInf()) return false;
  value = FromFloat80(result);
  return true;
}

/// One pass over the common decimal text: a digit first, at most 19 significant digits, at most
/// three exponent digits, and a power of ten within the exact table. Reads what
/// CollectDecimalText and ConvertDecimalText would and yields the same value; false, cursor
/// unmoved, for any other text, which the general path then takes. Inline: ReadScaledReal, which
/// nearly every number of a sheet comes through, then reads it without a call.
inline bool ReadShortDecimal(const char*& p, char separator, Extended& value) {
  const char* q = p;
  if (!IsDigit(*q)) return false;
  uint64_t mantissa = 0;
  int significant = 0;
  int64_t scale = 0;
  auto takeDigits = [&](bool fraction) {
    for (; IsDigit(*q); ++q) {
      if (fraction) ++scale;
      if (*q == '0' && significant == 0) continue;
      if (++significant > 19) return false;
      mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
    }
    return true;
  };
  if (!takeDigits(false)) return false;
  const bool point = *q == '.';
  if (point) {
    if (separator != '.') return false;
    ++q;
    if (!takeDigits(true)) return false;
  }
  int64_t exponent = 0;
  if (*q == 'E' || *q == 'e') {
    ++q;
    const bool negative = *q == '-';
    if (negative) ++q;
    for (int count = 0; IsDigit(*q); ++q, ++count) {
      if (count == 3) return false;
      exponent = exponent * 10 + (*q - '0');
    }
    if (negative) exponent = -exponent;
  }
  // A point the collected text would still take makes it one that does not convert.
  if (*q == '.' && !point) return false;
  const int64_t power = exponent - scale;
  if (significant == 0) {
    value = 0;
  } else if (power >= -ExactPowers && power <= ExactPowers) {
    const Extended m = static_cast<Extended>(mantissa);
    value = power >= 0 ? m * PowerOfTen[power] : m / PowerOfTen[-power];
  } else {
    return false;
  }
  p = q;
  return true;
}

/// ReadShortDecimal where the cursor stands on a plain decimal: a digit with no 0B or 0X prefix.
/// Most numbers are such, with no blank, sign or prefix before them. Failure: cursor unmoved.
bool ReadPlainDecimal(const char*& p, char separator, Extended& value) {
  static constexpr CharSet PrefixLetters{'B', 'X', 'b', 'x'};  // static: not built per call
  if (!IsDigit(*p) || (p[0] == '0' && PrefixLetters.Has(p[1]))) return false;
  return ReadShortDecimal(p, separator, value);
}

/// The first bytes of the scale suffixes ApplyScaleSuffix knows (μ and π open with 0x83): behind
/// any other byte no suffix begins.
constexpr CharSet ScaleSuffixStart{0x83, '%', 'G', 'M', 'P', 'T', 'f', 'k', 'm', 'n', 'p', 'u'};

/// Applies the scale suffix behind a number, if there is one, and consumes it.
Extended ApplyScaleSuffix(const char*& p, Extended v, bool standard) {
  const unsigned char c0 = static_cast<unsigned char>(p[0]);
  if (c0 == 0) return v;
  const unsigned char c1 = static_cast<unsigned char>(p[1]);
  if (c0 == 0x83 && c1 == 0xCA) {  // μ
    p += 2;
    return v / PowerOfTen[6];
  }
  if (c0 == 0x83 && c1 == 0xCE) {  // π
    p += 2;
    return v * Pi;
  }
  if (c0 == 'P' && c1 == 'I') {
    p += 2;
    return v * Pi;
  }
  if (standard) {
    switch (c0) {
      case 'G': ++p; return v * PowerOfTen[9];
      case 'T': ++p; return v * PowerOfTen[12];
      case 'P': ++p; return v * PowerOfTen[15];
      case 'n': ++p; return v / PowerOfTen[9];
      case 'p': ++p; return v / PowerOfTen[12];
      case 'f': ++p; return v / PowerOfTen[15];
      default: break;
    }
  }
  switch (c0) {
    case '%': ++p; return v / PowerOfTen[2];
    case 'M': ++p; return v * PowerOfTen[6];
    case 'P': ++p; return v * PowerOfTen[12];
    case 'T': ++p; return v * PowerOfTen[9];
    case 'f': ++p; return v / PowerOfTen[12];
    case 'k': ++p; return v * PowerOfTen[3];
    case 'm': ++p; return v / PowerOfTen[3];
    case 'p': ++p; return v / PowerOfTen[9];
    case 'u': ++p; return v / PowerOfTen[6];
    default: return v;
  }
}

}  // namespace

bool ReadDecimal(const char*& p, int64_t& value) {
  const char* q = p;
  SkipCharSet(q, BlankChars);
  if (!IsDigit(*q)) return false;
  uint64_t v = 0;
  for (; IsDigit(*q); ++q) v = v * 10 + static_cast<unsigned>(*q - '0');
  value = static_cast<int64_t>(v);
  p = q;
  return true;
}

bool ReadPrefixedInteger(const char*& p, int64_t& value) {
  const char* q = p;
  const bool negative = SkipSign(q);
  uint64_t v = 0;
  int digits = 0;
  if (*q == '$') {
    ++q;
    digits = AccumulateHex(q, v);
  } else if (StandsOnZeroPrefix(q, "Xx")) {
    q += 2;
    digits = AccumulateHex(q, v);
  } else if (StandsOnZeroPrefix(q, "Bb")) {
    q += 2;
    digits = AccumulateBinary(q, v);
  } else {
    int64_t d;
    if (!ReadDecimal(q, d)) return false;
    v = static_cast<uint64_t>(d);
    digits = 1;
  }
  if (digits == 0) return false;
  value = static_cast<int64_t>(negative ? 0 - v : v);
  p = q;
  return true;
}

bool ReadHexSuffixed(const char*& p, int64_t& value) {
  const char* q = p;
  if (!IsDigit(*q)) return false;
  const char* digits = q;
  while (HexDigitChars.Has(*q)) {
    if (q - digits == 16) return false;
    ++q;
  }
  if (*q != 'H' && *q != 'h') return false;
  const std::string_view text(digits, static_cast<size_t>(q - digits));
  const size_t significant = text.find_first_not_of('0');
  if (significant != std::string_view::npos && text.size() - significant > 8) {
    RaiseNotInteger("$" + std::string(text));
  }
  uint64_t v = 0;
  AccumulateHex(digits, v);
  // The digits are a 32-bit integer: 80000000H and above are negative.
  value = static_cast<int32_t>(static_cast<uint32_t>(v));
  p = q + 1;
  return true;
}

bool ReadBinarySuffixed(const char*& p, int64_t& value) {
  const char* q = p;
  if (*q != '0' && *q != '1') return false;
  uint64_t v = 0;
  int count = 0;
  for (; *q == '0' || *q == '1' || *q == '_'; ++q) {
    if (*q == '_') continue;
    if (++count > 64) return false;
    v = v * 2 + static_cast<unsigned>(*q - '0');
  }
  if (*q != 'B' && *q != 'b') return false;
  if (IdentChars.Has(q[1])) return false;
  value = static_cast<int64_t>(v);
  p = q + 1;
  return true;
}

namespace {

/// ReadReal for what ReadPlainDecimal has turned away: blanks, a sign, a prefixed integer, a long
/// or unusual decimal.
bool ReadOtherReal(const char*& p, Extended& value, const TFormatSettings& settings) {
  const char* q = p;
  SkipCharSet(q, BlankChars);
  if (*q == '\0') return false;
  const bool negative = SkipSign(q);
  if (*q == '$' || StandsOnZeroPrefix(q, "BXbx")) {
    int64_t integer;
    if (ReadPrefixedInteger(q, integer)) {
      value = negative ? -static_cast<Extended>(integer) : static_cast<Extended>(integer);
      p = q;
      return true;
    }
  }
  Extended v;
  if (ReadShortDecimal(q, settings.DecimalSeparator, v)) {
    value = negative ? -v : v;
    p = q;
    return true;
  }
  const std::string_view text = CollectDecimalText(q);
  if (text.empty()) return false;
  p = q + text.size();
  if (!ConvertDecimalText(text, settings.DecimalSeparator, v)) RaiseNotFloat(text);
  value = negative ? -v : v;
  return true;
}

}  // namespace

bool ReadReal(const char*& p, Extended& value, const TFormatSettings& settings) {
  return ReadPlainDecimal(p, settings.DecimalSeparator, value) || ReadOtherReal(p, value, settings);
}

bool ReadScaledReal(const char*& p, Extended& value, const TFormatSettings& settings) {
  // The common number is read here, without the call ReadReal would add.
  Extended v;
  if (!ReadPlainDecimal(p, settings.DecimalSeparator, v) && !ReadOtherReal(p, v, settings))
    return false;
  // Most numbers carry no suffix: one byte test spares the suffix reader and the range check.
  if (!ScaleSuffixStart.Has(*p)) {
    value = v;
    return true;
  }
  const Extended scaled = ApplyScaleSuffix(p, v, settings.StandardPrefixes);
  // A suffix can carry a value that is still in range beyond it (1e4932M).
  if (scaled.IsInf() && !v.IsInf()) RaiseOverflow();
  value = scaled;
  return true;
}

}  // namespace scan
