#pragma once
// The character cursor and its primitives: every reader of the program walks a zero-terminated
// code page 932 text with these. A cursor is a `const char*` passed by reference; a primitive
// leaves it behind what it consumed and never moves it past the terminating zero byte.

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <span>
#include <string>
#include <string_view>

namespace scan {

using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits == 64, "Extended must be the 80-bit format");

/// A set of byte values, one bit each.
class CharSet {
 public:
  constexpr CharSet() = default;
  constexpr CharSet(std::initializer_list<unsigned char> bytes) {
    for (unsigned char b : bytes) Add(b);
  }
  static constexpr CharSet Range(unsigned char lo, unsigned char hi) {
    CharSet s;
    for (unsigned v = lo; v <= hi; ++v) s.Add(static_cast<unsigned char>(v));
    return s;
  }
  constexpr CharSet& Add(unsigned char b) {
    FBits[b >> 3] = static_cast<uint8_t>(FBits[b >> 3] | (1u << (b & 7)));
    return *this;
  }
  constexpr bool Has(unsigned char b) const { return (FBits[b >> 3] >> (b & 7)) & 1u; }
  constexpr bool Has(char c) const { return Has(static_cast<unsigned char>(c)); }
  constexpr CharSet operator+(const CharSet& o) const {
    CharSet s;
    for (int i = 0; i < 32; ++i) s.FBits[i] = static_cast<uint8_t>(FBits[i] | o.FBits[i]);
    return s;
  }
  constexpr CharSet operator-(const CharSet& o) const {
    CharSet s;
    for (int i = 0; i < 32; ++i) s.FBits[i] = static_cast<uint8_t>(FBits[i] & ~o.FBits[i]);
    return s;
  }

 private:
  std::array<uint8_t, 32> FBits{};
};

/// Which bytes open a multibyte character, and how long it is.
struct TLeadByteTable {
  CharSet Lead;   // any lead byte
  CharSet Two;    // opens a two-byte character
  CharSet Three;  // opens a three-byte character
  CharSet Four;   // opens a four-byte character
};

inline constexpr TLeadByteTable LeadByteTable{
    CharSet::Range(0x81, 0x9F) + CharSet::Range(0xE0, 0xFC),
    CharSet::Range(0x81, 0x9F) + CharSet::Range(0xE0, 0xFC),
    CharSet{},
    CharSet{},
};

inline constexpr CharSet BlankChars{'\t', ' '};
inline constexpr CharSet WhiteChars{'\t', '\n', '\r', ' '};
inline constexpr CharSet LineEndChars{'\0', '\n', '\r'};
inline constexpr CharSet LineBreakChars{'\n', '\r'};
inline constexpr CharSet WordChars =
    CharSet::Range('0', '9') + CharSet::Range(0x40, 0x5A) + CharSet{'_'} + CharSet::Range('a', 'z');

/// True when `c` opens a multibyte character.
inline bool IsLeadByte(char c) { return LeadByteTable.Lead.Has(c); }

/// True when `a` and `b` are equal with ASCII letters compared without regard to case; every
/// other byte (multibyte characters included) must match exactly.
constexpr bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

/// Consumes one multibyte character if the cursor stands on a lead byte (a lead byte directly
/// before the terminator counts as one byte). Failure: cursor unmoved, false.
bool SkipMultiByteChar(const char*& p);
/// The first character start at or behind `p` whose byte is the terminator, `a` or `b`
/// (multibyte characters are stepped over whole, so their trail bytes never match). `end` is the
/// text's terminating zero byte, or nullptr when unknown: with it, plain ASCII is passed eight
/// bytes at a time, reading nothing beyond `end`.
inline const char* FindCharStart(const char* p, const char* end, char a, char b) {
  static_assert(std::endian::native == std::endian::little, "the first byte is the lowest");
  constexpr uint64_t Ones = 0x0101010101010101ull, Highs = 0x8080808080808080ull;
  const uint64_t wantA = Ones * static_cast<unsigned char>(a);
  const uint64_t wantB = Ones * static_cast<unsigned char>(b);
  // A zero byte in x sets the high bit of its byte (and maybe of later ones, never earlier ones).
  auto zeros = [](uint64_t x) { return (x - Ones) & ~x & Highs; };
  for (;;) {
    while (end != nullptr && end - p >= 8) {
      uint64_t v;
      std::memcpy(&v, p, 8);
      const uint64_t hits = (v & Highs) | zeros(v) | zeros(v ^ wantA) | zeros(v ^ wantB);
      if (hits == 0) {
        p += 8;
        continue;
      }
      // The lowest flagged byte is exact: bytes before it are plain ASCII that matched nothing.
      p += std::countr_zero(hits) >> 3;
      break;
    }
    const char c = *p;
    if (c == '\0' || c == a || c == b) return p;
    if (!SkipMultiByteChar(p)) ++p;
  }
}
/// Consumes the bytes that are in `set` (byte by byte); returns their count.
inline int SkipCharSet(const char*& p, const CharSet& set) {
  const char* start = p;
  while (*p != '\0' && set.Has(*p)) ++p;
  return static_cast<int>(p - start);
}
/// Consumes TAB and space, and CR and LF as well when `withLineBreaks`; returns the count.
inline int SkipBlanks(const char*& p, bool withLineBreaks) {
  return SkipCharSet(p, withLineBreaks ? WhiteChars : BlankChars);
}
/// True when the text at `pos` starts with `s` (exact bytes); an empty `s` always matches.
inline bool TextStartsWith(const char* pos, std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    // The terminator never matches, so the comparison reads no further than the text.
    if (pos[i] == '\0' || pos[i] != s[i]) return false;
  }
  return true;
}
/// Consumes characters (multibyte ones whole) up to the terminator or a byte of `set`, which
/// stays under the cursor; `text` receives what was passed over.
void ReadUntilCharSet(const char*& p, const CharSet& set, std::string& text);
/// Consumes through the next `separator` (tested at character starts); `text` receives what stood
/// before it. No separator: cursor unmoved, `text` empty. An empty separator raises EAbort.
void ReadToSeparator(const char*& p, std::string_view separator, std::string& text);
/// Index of the first entry of `list` that the text at `pos` starts with. Nothing is consumed.
bool MatchAnyText(const char* pos, std::span<const std::string_view> list, int* index = nullptr);
bool MatchAnyText(const char* pos, std::initializer_list<std::string_view> list, int* index = nullptr);
/// Consumes through the first occurrence of any non-empty entry (at character starts). At the
/// terminator an empty entry matches there (index not written); otherwise cursor unmoved, false.
/// An empty list raises EAbort.
bool SkipPastAnySeparator(const char*& p, std::span<const std::string_view> list, int* index = nullptr);
bool SkipPastAnySeparator(const char*& p, std::initializer_list<std::string_view> list,
                          int* index = nullptr);
/// Consumes the bytes of `set` (no multibyte awareness); `text` receives them.
void ReadWhileCharSet(const char*& p, const CharSet& set, std::string& text);
/// Like ReadWhileCharSet, but a lead byte is always taken with the byte that follows it.
void ReadWhileCharSetMB(const char*& p, const CharSet& set, std::string& text);
/// Consumes bytes of `set`, "//" comments (up to the line break) and "/*...*/" comments, repeatedly.
/// An unterminated "/*" comment runs to the end of the text.
void SkipBlanksAndComments(const char*& p, const CharSet& set);

// ---- Numbers --------------------------------------------------------------------------------

/// The number format settings, read once at start-up; the readers and the formatter use them and
/// nothing else depends on the process locale.
struct TFormatSettings {
  char DecimalSeparator = '.';
};
extern TFormatSettings FormatSettings;

/// Blanks, then decimal digits (64-bit, wrapping). Failure: cursor unmoved (blanks too).
bool ReadDecimal(const char*& p, int64_t& value);
/// Blanks, optional sign, then $hex, 0x hex, 0b binary or decimal. Failure: cursor unmoved.
bool ReadPrefixedInteger(const char*& p, int64_t& value);
/// The form 0FFH: a decimal digit, up to 16 hex digits in all, 'H' or 'h'; a 32-bit value
/// widened with its sign. Failure: cursor unmoved. More than eight significant digits raises
/// EConvertError.
bool ReadHexSuffixed(const char*& p, int64_t& value);
/// The form 1010B: at most 64 binary digits ('_' between), 'B' or 'b', and no word byte behind.
/// Failure: cursor unmoved.
bool ReadBinarySuffixed(const char*& p, int64_t& value);
/// Blanks, optional sign, then a prefixed integer or a decimal number with fraction and exponent.
/// Failure: cursor unmoved. A collected text that does not convert raises EConvertError with the
/// cursor already behind it.
bool ReadReal(const char*& p, Extended& value);
/// ReadReal, then at most one scale suffix (μ π PI % M P T f k m p u) directly behind it.
bool ReadScaledReal(const char*& p, Extended& value);
/// The value with an engineering prefix letter and just the decimals it needs ("%3.*f" form);
/// `prefix` receives the letter alone (empty when none was chosen). A scaled value of 10^18 or
/// more is shown in the FormatGeneral form before its letter (1E18P); NaN and infinities give
/// "NAN", "INF", "-INF" without a letter.
void FormatPrefixed(Extended x, std::string& text, std::string& prefix);

/// The value in the "%g" form of the annotations: at most 15 significant digits, no trailing
/// zeros, fixed for 0.0001 <= |x| < 1e15 (after rounding) and 0, else d.dddE[-]x.
std::string FormatGeneral(Extended x);

}  // namespace scan
