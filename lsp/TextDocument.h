#pragma once
// An open document as the editor sees it: outside text (UTF-8 bytes as the editor sent them), with
// the line starts indexed, and positions in the client's units (UTF-16 code units or UTF-8 bytes).
// Line breaks are LF, CR LF and a lone CR, as the protocol counts them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lsp {

enum class TPositionEncoding { Utf16, Utf8 };

/// A place in a document: line and character, both counted from 0.
struct TPosition {
  int64_t Line = 0;
  int64_t Character = 0;
  bool operator==(const TPosition&) const = default;
};

class TTextDocument {
 public:
  explicit TTextDocument(std::string text = std::string());

  const std::string& Text() const { return FText; }
  /// The whole text replaced.
  void Replace(std::string text);
  /// The text from `start` to `end` replaced by `newText`; positions past a line's end or past the
  /// text's end stand for that end, and an end before its start for the start.
  void Edit(TPosition start, TPosition end, std::string_view newText, TPositionEncoding enc);

  int64_t LineCount() const { return static_cast<int64_t>(FLineStarts.size()); }
  /// The line's text without its line break; empty for a line past the end.
  std::string_view Line(int64_t line) const;
  /// The byte offset of a position (clamped as Edit says).
  size_t Offset(TPosition position, TPositionEncoding enc) const;
  /// The position of a byte offset (clamped to the text).
  TPosition PositionOf(size_t offset, TPositionEncoding enc) const;
  /// The byte offset where the line starts; the text's size for a line past the end.
  size_t LineStart(int64_t line) const;
  /// The position at the end of the line's text.
  TPosition LineEnd(int64_t line, TPositionEncoding enc) const;

 private:
  void Index();

  std::string FText;
  std::vector<uint32_t> FLineStarts;  // at least one entry, 0 for the first line; 4 GiB at most
};

/// The bytes of the first `units` characters of a line (UTF-8 text); a count past the end gives
/// the line's length, one inside a character (half of a surrogate pair) its end.
size_t UnitsToBytes(std::string_view line, int64_t units, TPositionEncoding enc);
/// The units that the first `bytes` bytes of a line take.
int64_t BytesToUnits(std::string_view line, size_t bytes, TPositionEncoding enc);

}  // namespace lsp
