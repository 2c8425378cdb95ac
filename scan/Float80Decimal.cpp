#include "scan/Float80Decimal.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace scan {

namespace {

constexpr int Bias = 16383;
constexpr uint16_t MaxField = 0x7FFF;
constexpr uint64_t Top = uint64_t{1} << 63;

// 5^0 .. 5^27, every power of five within 64 bits.
constexpr std::array<uint64_t, 28> PowersOfFive = [] {
  std::array<uint64_t, 28> p{};
  p[0] = 1;
  for (size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 5;
  return p;
}();

// ---- Natural numbers of any size ----------------------------------------------------------

// In binary, least significant 32-bit limb first, no zero limb on top (zero is empty).
using TBig = std::vector<uint32_t>;

TBig BigOf(uint64_t n) {
  TBig a;
  for (; n != 0; n >>= 32) a.push_back(static_cast<uint32_t>(n));
  return a;
}

void MultiplyAdd(TBig& a, uint32_t f, uint32_t add) {
  uint64_t carry = add;
  for (uint32_t& limb : a) {
    const uint64_t t = uint64_t{limb} * f + carry;
    limb = static_cast<uint32_t>(t);
    carry = t >> 32;
  }
  if (carry != 0) a.push_back(static_cast<uint32_t>(carry));
}

void MultiplyByPowerOfFive(TBig& a, int64_t n) {
  for (; n >= 13; n -= 13) MultiplyAdd(a, static_cast<uint32_t>(PowersOfFive[13]), 0);
  if (n > 0) MultiplyAdd(a, static_cast<uint32_t>(PowersOfFive[static_cast<size_t>(n)]), 0);
}

TBig Multiply(const TBig& a, const TBig& b) {
  if (a.empty() || b.empty()) return {};
  TBig product(a.size() + b.size(), 0);
  for (size_t i = 0; i < a.size(); ++i) {
    uint64_t carry = 0;
    for (size_t j = 0; j < b.size(); ++j) {
      const uint64_t t = uint64_t{a[i]} * b[j] + product[i + j] + carry;  // below 2^64
      product[i + j] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    product[i + b.size()] = static_cast<uint32_t>(carry);
  }
  if (product.back() == 0) product.pop_back();
  return product;
}

// 5^n. The large powers start from a table of 5^(512 i) up to 5^16896, beyond every power the
// conversions take (5^16552); it is built once, on first use.
TBig PowerOfFive(int64_t n) {
  constexpr int64_t Step = 512;
  constexpr size_t Steps = 34;
  TBig p = BigOf(1);
  if (n >= Step) {
    static const std::vector<TBig> table = [] {
      std::vector<TBig> t{BigOf(1)};
      while (t.size() < Steps) {
        t.push_back(t.back());
        MultiplyByPowerOfFive(t.back(), Step);
      }
      return t;
    }();
    const auto i = std::min(static_cast<size_t>(n / Step), Steps - 1);
    p = table[i];
    n -= static_cast<int64_t>(i) * Step;
  }
  MultiplyByPowerOfFive(p, n);
  return p;
}

int BitLength(const TBig& a) {
  if (a.empty()) return 0;
  return static_cast<int>(32 * a.size()) - std::countl_zero(a.back());
}

bool BitAt(const TBig& a, int bit) {
  const auto word = static_cast<size_t>(bit / 32);
  return word < a.size() && ((a[word] >> (bit % 32)) & 1) != 0;
}

void ShiftLeft(TBig& a, int bits) {
  if (a.empty() || bits == 0) return;
  const int rest = bits % 32;
  if (rest != 0) {
    uint32_t carry = 0;
    for (uint32_t& limb : a) {
      const uint32_t out = limb >> (32 - rest);
      limb = (limb << rest) | carry;
      carry = out;
    }
    if (carry != 0) a.push_back(carry);
  }
  a.insert(a.begin(), static_cast<size_t>(bits / 32), 0);
}

void ShiftRight(TBig& a, int bits) {
  const auto words = static_cast<size_t>(bits / 32);
  if (words >= a.size()) {
    a.clear();
    return;
  }
  a.erase(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(words));
  const int rest = bits % 32;
  if (rest != 0) {
    for (size_t i = 0; i + 1 < a.size(); ++i) a[i] = (a[i] >> rest) | (a[i + 1] << (32 - rest));
    a.back() >>= rest;
  }
  if (a.back() == 0) a.pop_back();
}

int Compare(const TBig& a, const TBig& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = a.size(); i-- > 0;)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

// What a whole part leaves below its last digit or bit.
enum class TRest { None, BelowHalf, Half, AboveHalf };

// A rational number's whole part and the fraction it leaves.
struct TWholeAndRest {
  TBig Whole;
  TRest Rest;
};

TRest RestOf(bool half, bool beyond) {
  if (half) return beyond ? TRest::AboveHalf : TRest::Half;
  return beyond ? TRest::BelowHalf : TRest::None;
}

// a / 2^bits.
TWholeAndRest ShiftOut(TBig a, int bits) {
  bool beyond = false;
  for (size_t i = 0; i < a.size() && static_cast<int>(32 * i) < bits - 1 && !beyond; ++i) {
    const int below = bits - 1 - static_cast<int>(32 * i);  // bits of limb i under the half bit
    beyond = (below >= 32 ? a[i] : a[i] & ((uint32_t{1} << below) - 1)) != 0;
  }
  const bool half = BitAt(a, bits - 1);
  ShiftRight(a, bits);
  return {std::move(a), RestOf(half, beyond)};
}

// The fraction r / d (r < d) as against one half.
TRest RestOf(TBig r, const TBig& d) {
  if (r.empty()) return TRest::None;
  ShiftLeft(r, 1);
  const int c = Compare(r, d);
  return c < 0 ? TRest::BelowHalf : c == 0 ? TRest::Half : TRest::AboveHalf;
}

// n / d (d non-zero), by long division a 32-bit digit at a time (Knuth's algorithm D): each
// quotient digit is estimated from the leading digits, at most two too large, and corrected.
TWholeAndRest Divide(TBig n, TBig d) {
  if (Compare(n, d) < 0) return {{}, RestOf(std::move(n), d)};
  // Scaled so that the divisor's leading digit has its top bit set; the rest is then scaled too,
  // which the comparison with half the divisor does not mind.
  const int scale = std::countl_zero(d.back());
  ShiftLeft(d, scale);
  ShiftLeft(n, scale);
  n.push_back(0);
  const size_t size = d.size();
  TBig q(n.size() - size, 0);
  const uint64_t lead = d[size - 1], next = size >= 2 ? d[size - 2] : 0;
  for (size_t j = q.size(); j-- > 0;) {
    const uint64_t top = (uint64_t{n[j + size]} << 32) | n[j + size - 1];
    uint64_t digit = top / lead, rest = top % lead;
    while (digit > UINT32_MAX ||
           (size >= 2 && digit * next > ((rest << 32) | n[j + size - 2]))) {
      --digit;
      rest += lead;
      if (rest > UINT32_MAX) break;
    }
    // n[j ..] -= digit x d
    int64_t borrow = 0;
    uint64_t carry = 0;
    for (size_t i = 0; i < size; ++i) {
      const uint64_t product = digit * d[i] + carry;
      carry = product >> 32;
      const int64_t t = int64_t{n[i + j]} - static_cast<int64_t>(product & UINT32_MAX) + borrow;
      n[i + j] = static_cast<uint32_t>(t);
      borrow = t >> 32;
    }
    const int64_t t = int64_t{n[j + size]} - static_cast<int64_t>(carry) + borrow;
    n[j + size] = static_cast<uint32_t>(t);
    if (t < 0) {  // one too large: d goes back once
      --digit;
      uint64_t sum = 0;
      for (size_t i = 0; i < size; ++i) {
        sum = uint64_t{n[i + j]} + d[i] + (sum >> 32);
        n[i + j] = static_cast<uint32_t>(sum);
      }
      n[j + size] += static_cast<uint32_t>(sum >> 32);
    }
    q[j] = static_cast<uint32_t>(digit);
  }
  while (!q.empty() && q.back() == 0) q.pop_back();
  while (!n.empty() && n.back() == 0) n.pop_back();
  return {std::move(q), RestOf(std::move(n), d)};
}

// ---- From the number to its digits --------------------------------------------------------

// |x| of a finite x as Significand x 2^Exponent, the significand odd (zero: both 0).
struct TBinary {
  uint64_t Significand;
  int Exponent;
};

TBinary BinaryOf(TFloat80 x) {
  const uint64_t sig = x.Significand();
  if (sig == 0) return {0, 0};
  const int field = x.SignAndExponent() & MaxField;
  const int zeros = std::countr_zero(sig);
  // A subnormal (field 0) has the scale of the least normal exponent.
  return {sig >> zeros, std::max(field, 1) - Bias - 63 + zeros};
}

void AppendDecimal(uint64_t n, std::string& text) {
  char buffer[20];
  char* first = std::end(buffer);
  do {
    *--first = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  text.append(first, std::end(buffer));
}

constexpr uint32_t LimbBase = 1000000000;  // nine decimal digits a limb

// Appends nine digits a limb, the first limb without its leading zeros.
void AppendLimbs(const std::vector<uint32_t>& limbs, std::string& text) {
  AppendDecimal(limbs.back(), text);
  text.reserve(text.size() + 9 * (limbs.size() - 1));
  for (size_t i = limbs.size() - 1; i-- > 0;) {
    char nine[9];
    uint32_t v = limbs[i];
    for (int k = 8; k >= 0; --k, v /= 10) nine[k] = static_cast<char>('0' + v % 10);
    text.append(nine, 9);
  }
}

// The decimal digits of a, without leading zeros ("0" for zero).
std::string DecimalOf(TBig a) {
  if (a.size() <= 2) {
    std::string text;
    AppendDecimal(a.empty() ? 0 : a.size() == 1 ? a[0] : (uint64_t{a[1]} << 32) | a[0], text);
    return text;
  }
  std::vector<uint32_t> limbs;  // base 10^9, least significant first
  while (!a.empty()) {
    uint64_t remainder = 0;
    for (size_t i = a.size(); i-- > 0;) {
      const uint64_t t = (remainder << 32) | a[i];
      a[i] = static_cast<uint32_t>(t / LimbBase);
      remainder = t % LimbBase;
    }
    while (!a.empty() && a.back() == 0) a.pop_back();
    limbs.push_back(static_cast<uint32_t>(remainder));
  }
  std::string text;
  AppendLimbs(limbs, text);
  return text;
}

// A number in base 10^9 times f (< 2^32: a limb times f and the carry stay below 2^63).
void MultiplyDecimal(std::vector<uint32_t>& limbs, uint32_t f) {
  uint64_t carry = 0;
  for (uint32_t& limb : limbs) {
    const uint64_t t = uint64_t{limb} * f + carry;
    limb = static_cast<uint32_t>(t % LimbBase);
    carry = t / LimbBase;
  }
  for (; carry != 0; carry /= LimbBase) limbs.push_back(static_cast<uint32_t>(carry % LimbBase));
}

// The exact decimal expansion of b: its digits without a leading zero ("0" for zero), of which
// the last max(0, -Exponent) stand after the point. A binary fraction m / 2^k is m x 5^k / 10^k.
std::string ExactDigits(TBinary b) {
  const int decimals = std::max(0, -b.Exponent);
  std::string digits;
  // Whole numbers below 2^64, and fractions whose digits fit 64 bits (ties such as 2.5 or 0.125
  // among them), without the long multiplication.
  if (b.Exponent >= 0 && b.Exponent < std::countl_zero(b.Significand)) {
    AppendDecimal(b.Significand << b.Exponent, digits);
    return digits;
  }
  if (b.Exponent < 0 && static_cast<size_t>(decimals) < PowersOfFive.size() &&
      b.Significand <= UINT64_MAX / PowersOfFive[static_cast<size_t>(decimals)]) {
    AppendDecimal(b.Significand * PowersOfFive[static_cast<size_t>(decimals)], digits);
    return digits;
  }
  const bool whole = b.Exponent >= 0;
  int count = whole ? b.Exponent : decimals;
  std::vector<uint32_t> limbs;
  limbs.reserve(static_cast<size_t>(count) * (whole ? 31 : 70) / 900 + 4);
  for (uint64_t s = b.Significand; s != 0; s /= LimbBase)
    limbs.push_back(static_cast<uint32_t>(s % LimbBase));
  const int stepPower = whole ? 31 : 13;
  const auto step = static_cast<uint32_t>(whole ? uint64_t{1} << 31 : PowersOfFive[13]);
  for (; count >= stepPower; count -= stepPower) MultiplyDecimal(limbs, step);
  if (count > 0)
    MultiplyDecimal(limbs,
                    static_cast<uint32_t>(whole ? uint64_t{1} << count : PowersOfFive[static_cast<size_t>(count)]));
  AppendLimbs(limbs, digits);
  return digits;
}

// b x 10^k split into its whole part and the fraction left: b x 5^k x 2^(Exponent + k).
TWholeAndRest Scale(TBinary b, int k) {
  TBig n = BigOf(b.Significand);
  const int twos = b.Exponent + k;
  if (k >= 0) {
    n = Multiply(n, PowerOfFive(k));
    if (twos < 0) return ShiftOut(std::move(n), -twos);
    ShiftLeft(n, twos);
    return {std::move(n), TRest::None};
  }
  TBig d = PowerOfFive(-k);
  ShiftLeft(twos >= 0 ? n : d, std::abs(twos));
  return Divide(std::move(n), std::move(d));
}

// Adds one to the digits; a carry out of the first puts a '1' before them.
void Increment(std::string& digits) {
  size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i == 0) {
    digits.insert(digits.begin(), '1');
  } else {
    ++digits[i - 1];
  }
}

// Rounds digits that a fraction `rest` follows: half to even.
void RoundUpIf(std::string& digits, TRest rest) {
  const bool odd = (digits.back() & 1) != 0;  // '0' is even in ASCII
  if (rest == TRest::AboveHalf || (rest == TRest::Half && odd)) Increment(digits);
}

// Cuts `digits` to their first `keep` (at least one, fewer than there are), rounding half to even on the exact
// digits cut off. A carry out of the first digit puts a '1' before them: keep + 1 digits remain.
void RoundDigits(std::string& digits, size_t keep) {
  const char next = digits[keep];
  const bool beyond = digits.find_first_not_of('0', keep + 1) != std::string::npos;
  const TRest rest = next == '5' ? RestOf(true, beyond)
                     : next > '5' ? TRest::AboveHalf
                                  : RestOf(false, next != '0' || beyond);
  digits.resize(keep);
  RoundUpIf(digits, rest);
}

// Scientific digits are worked out from the exact value scaled by a power of ten up to this
// many; more come from the whole expansion.
constexpr int MaxScaledDigits = 120;

// `count` digits of b (non-zero) rounded, and the decimal exponent of the first.
void ScaledDigits(TBinary b, int count, std::string& digits, int& exponent) {
  const int bits = 64 - std::countl_zero(b.Significand) + b.Exponent;  // b < 2^bits
  // floor(log10 b) is this or one more.
  exponent = static_cast<int>(std::floor((bits - 1) * 0.30102999566398120));
  for (;;) {
    TWholeAndRest scaled = Scale(b, count - 1 - exponent);
    digits = DecimalOf(std::move(scaled.Whole));
    if (digits.size() < static_cast<size_t>(count)) {  // the estimate was high
      --exponent;
      continue;
    }
    TRest rest = scaled.Rest;
    if (digits.size() > static_cast<size_t>(count)) {  // one digit more: it joins the fraction
      const char last = digits.back();
      digits.pop_back();
      ++exponent;
      rest = last == '5' ? RestOf(true, rest != TRest::None)
             : last > '5' ? TRest::AboveHalf
                          : RestOf(false, last != '0' || rest != TRest::None);
    }
    RoundUpIf(digits, rest);
    if (digits.size() > static_cast<size_t>(count)) {  // rounded up to the next power of ten
      digits.pop_back();
      ++exponent;
    }
    return;
  }
}

std::string NonFiniteText(TFloat80 x, bool upper) {
  std::string text = x.SignBit() ? "-" : "";
  if (x.IsNan()) return text + (upper ? "NAN" : "nan");
  return text + (upper ? "INF" : "inf");
}

// ---- From digits to the number ------------------------------------------------------------

TBig BigOfDigits(std::string_view digits) {
  TBig a;
  a.reserve(digits.size() / 9 + 2);
  for (size_t i = 0; i < digits.size(); i += 9) {
    uint32_t chunk = 0, scale = 1;
    for (size_t k = i; k < std::min(i + 9, digits.size()); ++k, scale *= 10)
      chunk = chunk * 10 + static_cast<uint32_t>(digits[k] - '0');
    MultiplyAdd(a, scale, chunk);
  }
  return a;
}

// q x 2^exponent (2^63 <= q < 2^64) and the fraction of q's last bit beyond it, rounded to the
// nearest value.
TFloat80 RoundToFloat80(uint64_t q, TRest rest, int exponent) {
  int field = exponent + 63 + Bias;
  if (field >= 1) {
    if (rest == TRest::AboveHalf || (rest == TRest::Half && (q & 1) != 0)) {
      if (++q == 0) {
        q = Top;
        ++field;
      }
    }
    if (field >= MaxField) return TFloat80::FromBits(MaxField, Top);
    return TFloat80::FromBits(static_cast<uint16_t>(field), q);
  }
  // A subnormal: the last 1 - field bits of q fall below the least subnormal and round it.
  const int shift = 1 - field;
  if (shift > 64) return TFloat80();  // below half the least subnormal
  const uint64_t kept = shift == 64 ? 0 : q >> shift;
  const uint64_t dropped = shift == 64 ? q : q & ((uint64_t{1} << shift) - 1);
  const uint64_t half = uint64_t{1} << (shift - 1);
  const bool up = dropped > half || (dropped == half && (rest != TRest::None || (kept & 1) != 0));
  const uint64_t sig = kept + (up ? 1 : 0);
  // Rounded up to 2^63, it is the least normal value.
  return TFloat80::FromBits(sig >= Top ? 1 : 0, sig);
}

// Every value of the format, and every midpoint between two neighbours, has fewer significant
// digits than this (the longest, an odd 65-bit number times 2^-16446, has 11,515): digits beyond
// it only need to say that they are not all zero.
constexpr size_t KeptDigits = 11600;
// Every value at least 10^4933 is infinite; every value below 10^-4951 rounds to zero.
constexpr int64_t AboveLargest = 4933;
constexpr int64_t BelowLeast = -4951;

}  // namespace

std::string FormatFixed(TFloat80 x, int decimals) {
  if (x.IsNan() || x.IsInf()) return NonFiniteText(x, false);
  const auto places = static_cast<size_t>(std::max(decimals, 0));
  const TBinary b = BinaryOf(x);
  // |x| x 10^places rounded.
  std::string digits;
  if (b.Exponent >= 0 || static_cast<size_t>(-b.Exponent) <= places) {
    digits = ExactDigits(b);
    digits.append(places - static_cast<size_t>(std::max(0, -b.Exponent)), '0');
  } else if ((64 - std::countl_zero(b.Significand) + b.Exponent + 1) * 0.30102 <
             -static_cast<double>(places)) {
    digits = "0";  // below 2^-1 x 10^-places: nothing shows
  } else {
    TWholeAndRest scaled = Scale(b, static_cast<int>(places));
    digits = DecimalOf(std::move(scaled.Whole));
    RoundUpIf(digits, scaled.Rest);
  }
  if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
  const size_t whole = digits.size() - places;
  std::string text;
  text.reserve(digits.size() + 2);
  if (x.SignBit()) text += '-';
  text.append(digits, 0, whole);
  if (places > 0) {
    text += '.';
    text.append(digits, whole, std::string::npos);
  }
  return text;
}

std::string FormatScientific(TFloat80 x, int decimals, bool upper) {
  if (x.IsNan() || x.IsInf()) return NonFiniteText(x, upper);
  const int count = std::max(decimals, 0) + 1;
  const TBinary b = BinaryOf(x);
  std::string digits;
  int exponent = 0;
  if (b.Significand == 0) {
    digits = "0";
  } else if (count <= MaxScaledDigits) {
    ScaledDigits(b, count, digits, exponent);
  } else {
    digits = ExactDigits(b);
    exponent = static_cast<int>(digits.size()) - 1 - std::max(0, -b.Exponent);
    if (digits.size() > static_cast<size_t>(count)) {
      RoundDigits(digits, static_cast<size_t>(count));
      if (digits.size() > static_cast<size_t>(count)) {  // rounded up to the next power of ten
        digits.pop_back();
        ++exponent;
      }
    }
  }
  digits.resize(static_cast<size_t>(count), '0');
  std::string text;
  text.reserve(digits.size() + 9);
  if (x.SignBit()) text += '-';
  text += digits[0];
  if (count > 1) {
    text += '.';
    text.append(digits, 1, std::string::npos);
  }
  text += upper ? 'E' : 'e';
  text += exponent < 0 ? '-' : '+';
  const int magnitude = std::abs(exponent);
  if (magnitude < 10) text += '0';
  AppendDecimal(static_cast<uint64_t>(magnitude), text);
  return text;
}

TFloat80 DecimalToFloat80(std::string_view digits, int64_t power) {
  const size_t first = digits.find_first_not_of('0');
  if (first == std::string_view::npos) return TFloat80();
  const size_t last = digits.find_last_not_of('0');
  std::string_view significant = digits.substr(first, last + 1 - first);
  // Far beyond the range either way; the clamp keeps the sums below from overflowing.
  power = std::clamp<int64_t>(power, -(int64_t{1} << 60), int64_t{1} << 60);
  power += static_cast<int64_t>(digits.size() - 1 - last);
  // The value lies in [10^(top - 1), 10^top).
  const int64_t top = static_cast<int64_t>(significant.size()) + power;
  if (top > AboveLargest) return TFloat80::FromBits(MaxField, Top);
  if (top < BelowLeast) return TFloat80();
  const bool cut = significant.size() > KeptDigits;
  if (cut) {
    power += static_cast<int64_t>(significant.size() - KeptDigits);
    significant = significant.substr(0, KeptDigits);
  }
  // digits x 10^power = a / b x 2^exponent, with a and b whole.
  TBig a = BigOfDigits(significant);
  if (cut) {  // the digits cut off are not all zeros: a digit 1 behind the rest says so
    MultiplyAdd(a, 10, 1);
    --power;
  }
  TBig b = BigOf(1);
  if (power >= 0) {
    a = Multiply(a, PowerOfFive(power));
  } else {
    b = PowerOfFive(-power);
  }
  auto exponent = static_cast<int>(power);
  // Scaled by powers of two so that 2^63 <= a / b < 2^64.
  int shift = 63 - (BitLength(a) - BitLength(b));
  ShiftLeft(shift > 0 ? a : b, std::abs(shift));
  TBig limit = b;
  ShiftLeft(limit, 63);
  if (Compare(a, limit) < 0) {
    ShiftLeft(a, 1);
    ++shift;
  }
  exponent -= shift;
  const TWholeAndRest q = Divide(std::move(a), std::move(b));
  return RoundToFloat80((uint64_t{q.Whole[1]} << 32) | q.Whole[0], q.Rest, exponent);
}

}  // namespace scan
