// Number texts for the annotations: the prefixed form with just the decimals a value needs, and
// the general form with fifteen significant digits. Scaled integer arithmetic gives the digits of
// nearly every value; the exact routines of Float80Decimal.h give the rest. The layout and the
// decimal separator are ours, so no text depends on the locale.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "scan/ExtendedBits.h"
#include "scan/ExtendedFloat80.h"
#include "scan/Float80Decimal.h"
#include "scan/PowersOfTen.h"
#include "scan/uAnsiCharTools.h"

namespace scan {

namespace {

constexpr int MaxDecimals = 9;
constexpr int GeneralDigits = 15;
// Scaled values from here on have more than 18 digits before the point and are shown with an
// exponent instead.
constexpr Extended LargestFixed = PowerOfTen[18];
constexpr Extended Hundredth = Extended::FromBits(0x3FF8, 0xA3D70A3D70A3D70Au);  // 0.01
constexpr Extended Half(0.5);

std::string NonFiniteText(Extended x) {
  if (x.IsNan()) return "NAN";
  return x.SignBit() ? "-INF" : "INF";
}

struct TScaled {
  Extended Value;
  char Letter;  // '\0' for none
};

/// ChoosePrefix with the standard scale: one letter more at either end, each 10^3 apart.
TScaled ChooseStandardPrefix(Extended a) {
  if (a > PowerOfTen[15] && a / PowerOfTen[15] > 1) return {a / PowerOfTen[15], 'P'};
  if (a > PowerOfTen[12] && a / PowerOfTen[12] > 1) return {a / PowerOfTen[12], 'T'};
  if (a > PowerOfTen[9] && a / PowerOfTen[9] > 1) return {a / PowerOfTen[9], 'G'};
  if (a > PowerOfTen[6] && a / PowerOfTen[6] > 1) return {a / PowerOfTen[6], 'M'};
  if (a > PowerOfTen[5] && a / PowerOfTen[3] > 100) return {a / PowerOfTen[3], 'k'};
  if (a > Hundredth || a == 0) return {a, '\0'};
  if (a * PowerOfTen[3] > 1) return {a * PowerOfTen[3], 'm'};
  if (a * PowerOfTen[6] > 1) return {a * PowerOfTen[6], 'u'};
  if (a * PowerOfTen[9] > 1) return {a * PowerOfTen[9], 'n'};
  if (a * PowerOfTen[12] > 1) return {a * PowerOfTen[12], 'p'};
  return {a * PowerOfTen[15], 'f'};
}

/// The engineering prefix letter for a = |x| and a scaled by it; the tests run in this order.
/// Each quotient test comes after a comparison that it implies, which spares the division for
/// nearly every value: a quotient rounds to above its bound only when the exact one is above it.
TScaled ChoosePrefix(Extended a, bool standard) {
  if (standard) return ChooseStandardPrefix(a);
  if (a > PowerOfTen[12] && a / PowerOfTen[12] > 1) return {a / PowerOfTen[12], 'P'};
  if (a > PowerOfTen[9] && a / PowerOfTen[9] > 1) return {a / PowerOfTen[9], 'T'};
  if (a > PowerOfTen[6] && a / PowerOfTen[6] > 1) return {a / PowerOfTen[6], 'M'};
  if (a > PowerOfTen[5] && a / PowerOfTen[3] > 100) return {a / PowerOfTen[3], 'k'};  // "k" only above 100,000
  if (a > Hundredth || a == 0) return {a, '\0'};
  if (a * PowerOfTen[3] > 1) return {a * PowerOfTen[3], 'm'};
  if (a * PowerOfTen[6] > 1) return {a * PowerOfTen[6], 'u'};
  if (a * PowerOfTen[9] > 1) return {a * PowerOfTen[9], 'p'};
  return {a * PowerOfTen[12], 'f'};
}

/// The integer nearest to v when it is surely the integer nearest to the exact product that v
/// rounds (v within half a unit in its last place of it): |v| below 2^62 and its fraction clear
/// of one half by more than that unit. Otherwise false, and the exact routines do the digits.
bool SafeRound(Extended v, int64_t& n) {
  const Extended a = v.Abs();
  if (!(a < Extended(0x1p62))) return false;
  const uint64_t whole = WholePart(a);
  const Extended fraction = a - static_cast<Extended>(whole);
  if ((fraction - Half).Abs() <= a * Extended(0x1p-62) + Extended(0x1p-64)) return false;
  // Half away from zero, as llroundl; an exact half never gets here.
  const auto magnitude = static_cast<int64_t>(whole + (fraction > Half ? 1 : 0));
  n = v < 0 ? -magnitude : magnitude;
  return true;
}

/// Whether v is farther than 2^-62 of its size from the nearest whole number (false from 2^62 up).
bool FarFromWhole(Extended v) {
  const Extended a = v.Abs();
  if (!(a < Extended(0x1p62))) return false;
  const Extended fraction = a - static_cast<Extended>(WholePart(a));
  return std::min(fraction, 1 - fraction) > a * Extended(0x1p-62);
}

/// The fewest decimals (0..9) after which y is whole; 9 when there is none. When y is whole after
/// them, `whole` receives y x 10^decimals as an integer.
int NeededDecimals(Extended y, int64_t& whole, bool& isWhole) {
  isWhole = true;
  if (WholeInt64(y, whole)) return 0;
  isWhole = false;
  // Most values never come out whole. Were y x 10^d whole for some d up to 8, y x 10^8 would be
  // within 2^-63 of its size of a whole number (one rounding of the product with 10^d, one of
  // the product with 10^8); farther than twice that, none of them is, and the search is over.
  if (FarFromWhole(y * PowerOfTen[MaxDecimals - 1])) return MaxDecimals;
  for (int d = 1; d < MaxDecimals; ++d) {
    // A product beyond the 64-bit range cannot be rounded to an integer, so it counts as not whole.
    if (WholeInt64(y * PowerOfTen[d], whole)) {
      isWhole = true;
      return d;
    }
  }
  return MaxDecimals;
}

/// The digits of `whole` with a point before the last `decimals` of them, and a minus sign when
/// `negative`: the fixed-point text of a value that rounds to whole / 10^decimals. A negative
/// value too small to show a digit still shows its sign, as "%f" does (-0.000000000). Exact, since a product that is whole after rounding lies within half a
/// unit in the last place of that integer, far closer than the half unit that rounds the text.
std::string WholeText(int64_t whole, bool negative, int decimals, char separator) {
  static constexpr char Pairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  // The digits from the last, two at a time, then zeros up to one before the point.
  char digits[24];
  char* first = std::end(digits);
  uint64_t u = whole < 0 ? 0 - static_cast<uint64_t>(whole) : static_cast<uint64_t>(whole);
  for (; u >= 100; u /= 100) std::memcpy(first -= 2, Pairs + 2 * (u % 100), 2);
  if (u >= 10) {
    std::memcpy(first -= 2, Pairs + 2 * u, 2);
  } else {
    *--first = static_cast<char>('0' + u);
  }
  while (std::end(digits) - first <= decimals) *--first = '0';
  const int count = static_cast<int>(std::end(digits) - first);
  // Laid out in a buffer and copied once: this runs for nearly every annotated value.
  char buffer[32];
  char* out = buffer;
  if (negative) *out++ = '-';
  out = std::copy_n(first, count - decimals, out);
  if (decimals > 0) {
    *out++ = separator;
    out = std::copy_n(first + count - decimals, decimals, out);
  }
  return std::string(buffer, out);
}

/// y with `decimals` decimals and `separator` as the point; |y| < LargestFixed.
std::string FixedText(Extended y, int decimals, char separator) {
  std::string text = FormatFixed(ToFloat80(y), decimals);
  if (decimals > 0) text[text.size() - static_cast<size_t>(decimals) - 1] = separator;
  return text;
}

/// floor(log10(a)) for finite a > 0, or one less (only far below 10^-27): from the binary
/// exponent, then one comparison with the power of ten above.
int DecimalExponent(Extended a) {
  // floor(binary exponent x log10 2); 646456993 / 2^31 is log10 2 to ten digits.
  int e = static_cast<int>((static_cast<int64_t>(SplitExtended(a).Exponent) * 646456993) >> 31);
  const int next = e + 1;
  if (next >= 0 ? next <= ExactPowers && a >= PowerOfTen[next]
                : -next <= ExactPowers && a * PowerOfTen[-next] >= 1)
    ++e;
  return e;
}

/// The fifteen correctly rounded significant digits of a > 0 as "%.14Le" gives them, without
/// their trailing zeros, into `digits` (room for 16); returns how many. `exponent` receives the
/// decimal exponent of the rounded value.
int SignificantDigits(Extended a, char* digits, int& exponent) {
  int e = DecimalExponent(a);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int p = GeneralDigits - 1 - e;
    if (p < -ExactPowers || p > ExactPowers) break;
    const Extended v = p >= 0 ? a * PowerOfTen[p] : a / PowerOfTen[-p];
    int64_t n;
    if (!SafeRound(v, n)) break;
    if (n < 100000000000000) {  // the estimate of e was one too high
      --e;
      continue;
    }
    if (n > 999999999999999) {  // one too low, or rounded up to the next power of ten
      if (n != 1000000000000000) {
        ++e;
        continue;
      }
      n = 100000000000000;
      ++e;
    }
    exponent = e;
    while (n % 10 == 0) n /= 10;
    char reversed[16];
    int count = 0;
    for (; n != 0; n /= 10) reversed[count++] = static_cast<char>('0' + n % 10);
    for (int i = 0; i < count; ++i) digits[i] = reversed[count - 1 - i];
    return count;
  }
  const std::string printed = FormatScientific(ToFloat80(a), GeneralDigits - 1, false);
  int count = 0;
  const char* q = printed.c_str();
  for (; *q != 'e' && *q != '\0'; ++q) {
    if (*q >= '0' && *q <= '9' && count < GeneralDigits) digits[count++] = *q;
  }
  exponent = *q == 'e' ? std::atoi(q + 1) : 0;
  while (count > 1 && digits[count - 1] == '0') --count;
  return count;
}

}  // namespace

void FormatPrefixed(Extended x, std::string& text, std::string& prefix,
                    const TFormatSettings& settings) {
  prefix.clear();
  if (!x.IsFinite()) {
    text = NonFiniteText(x);
    return;
  }
  const TScaled scaled = ChoosePrefix(x.Abs(), settings.StandardPrefixes);
  const char letter = scaled.Letter;
  const Extended y = x < 0 ? -scaled.Value : scaled.Value;
  if (y.Abs() >= LargestFixed) {
    text = FormatGeneral(y, settings);
  } else {
    int64_t whole = 0;
    bool isWhole = false;
    const int decimals = NeededDecimals(y, whole, isWhole);
    if (!isWhole) isWhole = SafeRound(y * PowerOfTen[decimals], whole);
    const char separator = settings.DecimalSeparator;
    text = isWhole ? WholeText(whole, y < 0, decimals, separator)
                   : FixedText(y, decimals, separator);
    if (text.size() < 3) text.insert(0, 3 - text.size(), ' ');
  }
  if (letter != '\0') {
    text += letter;
    prefix.assign(1, letter);
  }
}

void AppendGeneral(Extended x, std::string& text, const TFormatSettings& settings) {
  if (!x.IsFinite()) {
    text += NonFiniteText(x);
    return;
  }
  if (x == 0) {
    text += '0';
    return;
  }
  char digits[16];
  int exponent = 0;
  const auto count = static_cast<size_t>(SignificantDigits(x.Abs(), digits, exponent));
  // Laid out in a buffer and appended once: sign, at most 19 places before the digits, the
  // digits, the point and an exponent of at most five digits.
  char buffer[64];
  char* out = buffer;
  if (x < 0) *out++ = '-';
  if (exponent >= -4 && exponent < GeneralDigits) {
    if (exponent < 0) {
      *out++ = '0';
      *out++ = settings.DecimalSeparator;
      out = std::fill_n(out, -exponent - 1, '0');
      out = std::copy_n(digits, count, out);
    } else {
      const auto intDigits = static_cast<size_t>(exponent) + 1;
      if (count <= intDigits) {
        out = std::copy_n(digits, count, out);
        out = std::fill_n(out, intDigits - count, '0');
      } else {
        out = std::copy_n(digits, intDigits, out);
        *out++ = settings.DecimalSeparator;
        out = std::copy(digits + intDigits, digits + count, out);
      }
    }
  } else {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = settings.DecimalSeparator;
      out = std::copy(digits + 1, digits + count, out);
    }
    *out++ = 'E';
    if (exponent < 0) *out++ = '-';
    out += std::snprintf(out, 8, "%d", std::abs(exponent));
  }
  text.append(buffer, out);
}

std::string FormatGeneral(Extended x, const TFormatSettings& settings) {
  std::string text;
  AppendGeneral(x, text, settings);
  return text;
}

}  // namespace scan
