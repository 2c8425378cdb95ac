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

#include "scan/Extended.h"

namespace scan {

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
    FWords[b >> 6] |= uint64_t{1} << (b & 63);
    return *this;
  }
  // The bits sit in 64-bit words: a test is one load and one bit test, where bytes needed more.
  constexpr bool Has(unsigned char b) const { return (FWords[b >> 6] >> (b & 63)) & 1u; }
  constexpr bool Has(char c) const { return Has(static_cast<unsigned char>(c)); }
  constexpr CharSet operator+(const CharSet& o) const {
    CharSet s;
    for (int i = 0; i < 4; ++i) s.FWords[i] = FWords[i] | o.FWords[i];
    return s;
  }
  constexpr CharSet operator-(const CharSet& o) const {
    CharSet s;
    for (int i = 0; i < 4; ++i) s.FWords[i] = FWords[i] & ~o.FWords[i];
    return s;
  }

 private:
  std::array<uint64_t, 4> FWords{};
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
inline constexpr CharSet DigitChars = CharSet::Range('0', '9');
inline constexpr CharSet LetterChars = CharSet::Range('A', 'Z') + CharSet::Range('a', 'z');
/// The bytes that open a plain ASCII name (the evaluator's names add '@' and lead bytes).
inline constexpr CharSet NameStartChars = LetterChars + CharSet{'_'};

/// True for the decimal digits '0' to '9'.
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
/// True when `c` opens a multibyte character.
inline bool IsLeadByte(char c) { return LeadByteTable.Lead.Has(c); }

// ---- ASCII case fold ------------------------------------------------------------------------
// Names and keywords are compared without regard to the case of ASCII letters only; bytes of
// multibyte characters (and every byte from 0x80 up) are never folded.

/// `c` with an ASCII capital turned into its small letter; any other byte as it is.
constexpr char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

/// LowerAscii on each of the eight bytes of `v` at once.
constexpr uint64_t LowerAscii8(uint64_t v) {
  constexpr uint64_t Ones = 0x0101010101010101ull, Highs = 0x8080808080808080ull;
  const uint64_t low = v & ~Highs;                        // each byte below 0x80
  const uint64_t atLeastA = low + Ones * (0x80 - 'A');    // high bit: byte >= 'A'
  const uint64_t aboveZ = low + Ones * (0x80 - 'Z' - 1);  // high bit: byte > 'Z'
  const uint64_t upper = atLeastA & ~aboveZ & ~v & Highs;
  return v | (upper >> 2);
}

/// True when `a` and `b` are equal with ASCII letters compared without regard to case; every
/// other byte (multibyte characters included) must match exactly.
constexpr bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

/// The `n` bytes at `p` (1 to 8) as one number, in the machine's byte order, the rest zero; with
/// a constant `n` one load. For hashing and comparing short names.
inline uint64_t LoadBytes(const char* p, size_t n) {
  uint64_t v = 0;
  std::memcpy(&v, p, n);
  return v;
}

/// The `n` bytes at `p` (0 to 8, not known in advance) as one number, the first byte lowest, the
/// rest zero; a few loads and no call, and no byte read outside them.
inline uint64_t LoadFewBytes(const char* p, size_t n) {
  if (n == 8) return LoadBytes(p, 8);
  if (n >= 4) {  // two loads that may overlap; the shared bytes are the same
    return LoadBytes(p, 4) | (LoadBytes(p + n - 4, 4) << (8 * (n - 4)));
  }
  if (n == 0) return 0;
  const auto byte = [p](size_t i) {
    return static_cast<uint64_t>(static_cast<unsigned char>(p[i]));
  };
  return byte(0) | (byte(n / 2) << (8 * (n / 2))) | (byte(n - 1) << (8 * (n - 1)));
}

/// True when `a` and `b` hold the same bytes. Texts of four to eight bytes are compared as their
/// first four and their last four, which overlap and so cover every byte: two loads each
/// instead of a call of memcmp.
inline bool SameBytes(std::string_view a, std::string_view b) {
  const size_t n = a.size();
  if (n != b.size()) return false;
  if (n > 8) return std::memcmp(a.data(), b.data(), n) == 0;
  if (n >= 4) {
    return LoadBytes(a.data(), 4) == LoadBytes(b.data(), 4) &&
           LoadBytes(a.data() + n - 4, 4) == LoadBytes(b.data() + n - 4, 4);
  }
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

// ---- Cursor steps ---------------------------------------------------------------------------

/// Consumes one multibyte character if the cursor stands on a lead byte (a lead byte directly
/// before the terminator counts as one byte). Failure: cursor unmoved, false.
bool SkipMultiByteChar(const char*& p);
/// Consumes one character: a multibyte character whole, any other byte singly. The cursor must
/// not stand on the terminator.
inline void StepChar(const char*& p) {
  if (!IsLeadByte(*p)) {
    ++p;  // the common case stays inline; multibyte characters take the call
  } else {
    SkipMultiByteChar(p);
  }
}
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
    StepChar(p);
  }
}
/// Consumes the bytes that are in `set` (byte by byte, never the terminator); returns what it
/// passed over as a view into the text.
inline std::string_view SkipWhileCharSet(const char*& p, const CharSet& set) {
  const char* const start = p;
  const char* q = p;  // a local copy, see SkipWhileCharSetMB
  while (*q != '\0' && set.Has(*q)) ++q;
  p = q;
  return std::string_view(start, static_cast<size_t>(q - start));
}
/// Consumes characters (multibyte ones whole) up to the terminator or a byte of `set`, which
/// stays under the cursor; returns what it passed over as a view into the text.
inline std::string_view SkipUntilCharSet(const char*& p, const CharSet& set) {
  const char* start = p;
  while (*p != '\0' && !set.Has(*p)) StepChar(p);
  return std::string_view(start, static_cast<size_t>(p - start));
}
/// Consumes characters up to the terminator, `a` or `b` (which stays), as FindCharStart finds
/// them; returns what it passed over as a view into the text.
inline std::string_view SkipUntilByte(const char*& p, const char* end, char a, char b) {
  const char* start = p;
  p = FindCharStart(p, end, a, b);
  return std::string_view(start, static_cast<size_t>(p - start));
}
/// Consumes the bytes of `set`, a lead byte always with the byte that follows it (unless that is
/// the terminator); returns what it passed over as a view into the text.
inline std::string_view SkipWhileCharSetMB(const char*& p, const CharSet& set) {
  const char* const start = p;
  // The steps go on a local copy: a byte read may alias the caller's cursor (a char may alias
  // anything), so stepping that one would store it back at every byte.
  const char* q = p;
  for (;;) {
    const char c = *q;
    // Plain ASCII opens no multibyte character: one set test settles it.
    if (static_cast<signed char>(c) > 0 && set.Has(c)) {
      ++q;
    } else if (c == '\0') {
      break;
    } else if (IsLeadByte(c)) {
      q += (q[1] != '\0') ? 2 : 1;
    } else if (set.Has(c)) {
      ++q;
    } else {
      break;
    }
  }
  p = q;
  return std::string_view(start, static_cast<size_t>(q - start));
}
/// Consumes the bytes that are in `set` (byte by byte); returns their count.
inline int SkipCharSet(const char*& p, const CharSet& set) {
  return static_cast<int>(SkipWhileCharSet(p, set).size());
}
/// Consumes TAB and space, and CR and LF as well when `withLineBreaks`; returns the count.
inline int SkipBlanks(const char*& p, bool withLineBreaks) {
  if (withLineBreaks) return SkipCharSet(p, WhiteChars);
  // The evaluator skips blanks around every operand: two byte compares beat a set look-up.
  const char* q = p;  // a local copy, see SkipWhileCharSetMB
  while (*q == ' ' || *q == '\t') ++q;
  const int count = static_cast<int>(q - p);
  p = q;
  return count;
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
/// SkipPastAnySeparator with one non-empty `separator`, passing plain ASCII eight bytes at a time;
/// `end` is the text's terminating zero byte. Not found: cursor unmoved, false.
bool SkipPastText(const char*& p, const char* end, std::string_view separator);
/// Consumes the bytes of `set` (no multibyte awareness); `text` receives them.
void ReadWhileCharSet(const char*& p, const CharSet& set, std::string& text);
/// Like ReadWhileCharSet, but a lead byte is always taken with the byte that follows it.
void ReadWhileCharSetMB(const char*& p, const CharSet& set, std::string& text);
/// Consumes bytes of `set`, "//" comments (up to the line break) and "/*...*/" comments, repeatedly.
/// An unterminated "/*" comment runs to the end of the text.
void SkipBlanksAndComments(const char*& p, const CharSet& set);

// ---- Numbers --------------------------------------------------------------------------------

/// The number format: read once at start-up and handed to the readers and the formatter, so
/// nothing depends on the process locale.
struct TFormatSettings {
  char DecimalSeparator = '.';
  /// The prefix letters' standard scale (G 10^9, T 10^12, P 10^15, n 10^-9, p 10^-12,
  /// f 10^-15) instead of the program's own (T 10^9, P 10^12, p 10^-9, f 10^-12; no G, no n).
  bool StandardPrefixes = false;
};

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
/// A text with a '.' converts only while the settings' separator is '.'.
bool ReadReal(const char*& p, Extended& value, const TFormatSettings& settings);
/// ReadReal, then at most one scale suffix (μ π PI % M P T f k m p u) directly behind it.
bool ReadScaledReal(const char*& p, Extended& value, const TFormatSettings& settings);
/// The value with an engineering prefix letter and just the decimals it needs ("%3.*f" form);
/// `prefix` receives the letter alone (empty when none was chosen). A scaled value of 10^18 or
/// more is shown in the FormatGeneral form before its letter (1E18P); NaN and infinities give
/// "NAN", "INF", "-INF" without a letter. The point is the settings' separator.
void FormatPrefixed(Extended x, std::string& text, std::string& prefix,
                    const TFormatSettings& settings);

/// The value in the "%g" form of the annotations: at most 15 significant digits, no trailing
/// zeros, fixed for 0.0001 <= |x| < 1e15 (after rounding) and 0, else d.dddE[-]x.
/// The point is the settings' separator.
std::string FormatGeneral(Extended x, const TFormatSettings& settings);
/// FormatGeneral's text appended to `text`.
void AppendGeneral(Extended x, std::string& text, const TFormatSettings& settings);

}  // namespace scan
