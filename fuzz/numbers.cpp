// The number readers and the two number formatters of the scanning toolkit. The input is the text
// the readers walk; its first ten bytes are also taken as an 80-bit value for the formatters.
// Checked beyond the sanitizers: a failed read leaves the cursor where it was, a read never walks
// past the terminating zero byte, and a formatted value reads back as (nearly) the same value.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "scan/Exceptions.h"
#include "scan/uAnsiCharTools.h"

namespace {

using scan::Extended;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "numbers: %s\n", what);
  std::abort();
}

template <class TValue, class TReader>
void CheckReader(TReader reader, const char* begin, const char* end, const char* name) {
  const char* p = begin;
  TValue value{};
  try {
    const bool ok = reader(p, value);
    if (!ok && p != begin) Fail(name);
  } catch (const scan::Exception&) {
    // A number text that does not convert, or a scale factor that overflows: documented errors.
  }
  if (p < begin || p > end) Fail(name);
}

/// The 80-bit pattern of the first ten bytes, with the explicit integer bit made consistent with
/// the exponent: the engine's arithmetic never yields the other (unsupported) encodings.
bool ValueOf(const uint8_t* data, size_t size, Extended& x) {
  if (size < 10) return false;
  uint64_t significand;
  uint16_t signAndExponent;
  std::memcpy(&significand, data, 8);
  std::memcpy(&signAndExponent, data + 8, 2);
  const uint64_t top = uint64_t{1} << 63;
  significand = (signAndExponent & 0x7FFF) == 0 ? significand & ~top : significand | top;
  x = Extended::FromBits(signAndExponent, significand);
  return true;
}

/// A formatted number in the C locale's spelling.
std::string Plain(std::string text, const scan::TFormatSettings& settings) {
  for (char& c : text)
    if (c == settings.DecimalSeparator) c = '.';
  return text;
}

void CheckSane(const std::string& text, const char* name) {
  if (text.empty() || text.size() > 64) Fail(name);
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20) Fail(name);
}

void CheckFormatters(Extended x, const scan::TFormatSettings& settings) {
  std::string text, prefix;
  scan::FormatPrefixed(x, text, prefix, settings);
  CheckSane(text, "FormatPrefixed text");
  if (prefix.size() > 2) Fail("FormatPrefixed prefix");
  const std::string general = scan::FormatGeneral(x, settings);
  CheckSane(general, "FormatGeneral");
  if (!x.IsFinite()) return;
  const long double back = std::strtold(Plain(general, settings).c_str(), nullptr);
  if (std::isinf(back)) return;
  // Fifteen significant digits: the relative error of the text is below 5E-15.
  const long double v = scan::ToLongDouble(x);
  if (std::fabs(back - v) > 1e-14L * std::fabs(v) + 1e-4940L) Fail("FormatGeneral reads back");
}

void RunOnce(const uint8_t* data, size_t size, const scan::TFormatSettings& settings) {
  // An exact-size copy: a read past the zero byte is an overflow the sanitizer sees.
  std::unique_ptr<char[]> text(new char[size + 1]);
  std::memcpy(text.get(), data, size);
  text[size] = '\0';
  const char* begin = text.get();
  const char* end = begin + std::strlen(begin);

  CheckReader<int64_t>(scan::ReadDecimal, begin, end, "ReadDecimal");
  CheckReader<int64_t>(scan::ReadPrefixedInteger, begin, end, "ReadPrefixedInteger");
  CheckReader<int64_t>(scan::ReadHexSuffixed, begin, end, "ReadHexSuffixed");
  CheckReader<int64_t>(scan::ReadBinarySuffixed, begin, end, "ReadBinarySuffixed");
  CheckReader<Extended>(
      [&](const char*& q, Extended& v) { return scan::ReadReal(q, v, settings); }, begin, end,
      "ReadReal");
  CheckReader<Extended>(
      [&](const char*& q, Extended& v) { return scan::ReadScaledReal(q, v, settings); }, begin,
      end, "ReadScaledReal");

  const char* p = begin;
  Extended value = 0;
  try {
    if (scan::ReadScaledReal(p, value, settings)) CheckFormatters(value, settings);
  } catch (const scan::Exception&) {
  }
  if (ValueOf(data, size, value)) CheckFormatters(value, settings);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Both decimal separators the user's settings may give.
  RunOnce(data, size, scan::TFormatSettings{'.'});
  RunOnce(data, size, scan::TFormatSettings{','});
  return 0;
}
