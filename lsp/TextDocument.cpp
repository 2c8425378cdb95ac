#include "lsp/TextDocument.h"

#include <algorithm>
#include <utility>

namespace lsp {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the UTF-8 character at p (at most `left` bytes) and its UTF-16 units. A byte that
// does not start a well-formed character counts as a character of its own, one unit long.
size_t CharLength(const unsigned char* p, size_t left, int& units) {
  units = 1;
  const unsigned char c = p[0];
  size_t n = c < 0xC2 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 1;
  if (n > left) return 1;
  for (size_t i = 1; i < n; ++i)
    if (!IsContinuation(p[i])) return 1;
  if (n == 4) units = 2;
  return n;
}

}  // namespace

size_t UnitsToBytes(std::string_view line, int64_t units, TPositionEncoding enc) {
  if (units <= 0) return 0;
  if (enc == TPositionEncoding::Utf8) return std::min(line.size(), static_cast<size_t>(units));
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  size_t at = 0;
  while (at < line.size() && units > 0) {
    int u;
    at += CharLength(p + at, line.size() - at, u);
    units -= u;
  }
  return at;
}

int64_t BytesToUnits(std::string_view line, size_t bytes, TPositionEncoding enc) {
  bytes = std::min(bytes, line.size());
  if (enc == TPositionEncoding::Utf8) return static_cast<int64_t>(bytes);
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  int64_t units = 0;
  for (size_t at = 0; at < bytes;) {
    int u;
    at += CharLength(p + at, line.size() - at, u);
    units += u;
  }
  return units;
}

TTextDocument::TTextDocument(std::string text) : FText(std::move(text)) { Index(); }

void TTextDocument::Replace(std::string text) {
  FText = std::move(text);
  Index();
}

void TTextDocument::Index() {
  FLineStarts.assign(1, 0);
  const char* p = FText.data();
  const size_t n = FText.size();
  for (size_t i = 0; i < n; ++i) {
    if (p[i] == '\n' || (p[i] == '\r' && (i + 1 == n || p[i + 1] != '\n')))
      FLineStarts.push_back(static_cast<uint32_t>(i + 1));
  }
  FLineStarts.shrink_to_fit();  // a large document's index holds no room to spare
}

std::string_view TTextDocument::Line(int64_t line) const {
  if (line < 0 || line >= LineCount()) return {};
  const size_t start = FLineStarts[static_cast<size_t>(line)];
  size_t end = line + 1 < LineCount() ? FLineStarts[static_cast<size_t>(line) + 1] : FText.size();
  // The break: LF, CR LF or CR.
  if (end > start && FText[end - 1] == '\n') --end;
  if (end > start && FText[end - 1] == '\r') --end;
  return std::string_view(FText).substr(start, end - start);
}

size_t TTextDocument::Offset(TPosition position, TPositionEncoding enc) const {
  if (position.Line < 0) return 0;
  if (position.Line >= LineCount()) return FText.size();
  const size_t start = FLineStarts[static_cast<size_t>(position.Line)];
  return start + UnitsToBytes(Line(position.Line), position.Character, enc);
}

TPosition TTextDocument::PositionOf(size_t offset, TPositionEncoding enc) const {
  offset = std::min(offset, FText.size());
  auto after = std::upper_bound(FLineStarts.begin(), FLineStarts.end(), offset);
  const auto line = static_cast<int64_t>(after - FLineStarts.begin()) - 1;
  const size_t start = FLineStarts[static_cast<size_t>(line)];
  return {line, BytesToUnits(Line(line), offset - start, enc)};
}

TPosition TTextDocument::LineEnd(int64_t line, TPositionEncoding enc) const {
  std::string_view text = Line(line);
  return {line, BytesToUnits(text, text.size(), enc)};
}

size_t TTextDocument::LineStart(int64_t line) const {
  if (line <= 0) return 0;
  if (line >= LineCount()) return FText.size();
  return FLineStarts[static_cast<size_t>(line)];
}

void TTextDocument::Edit(TPosition start, TPosition end, std::string_view newText,
                         TPositionEncoding enc) {
  const size_t from = Offset(start, enc);
  const size_t to = std::max(from, Offset(end, enc));
  // A line start depends on the two bytes around it: those from the line before the edit's up to
  // the byte behind the new text are indexed again, the later ones only move.
  const auto after = std::upper_bound(FLineStarts.begin(), FLineStarts.end(), from);
  const size_t first = std::max<ptrdiff_t>(after - FLineStarts.begin() - 2, 0);
  const size_t tail = static_cast<size_t>(std::upper_bound(FLineStarts.begin(), FLineStarts.end(), to) - FLineStarts.begin());
  FText.replace(from, to - from, newText);
  const size_t newTo = from + newText.size();
  std::vector<uint32_t> starts;
  const char* p = FText.data();
  const size_t n = FText.size();
  for (size_t i = FLineStarts[first]; i < newTo; ++i)
    if (p[i] == '\n' || (p[i] == '\r' && (i + 1 == n || p[i + 1] != '\n'))) starts.push_back(i + 1);
  for (size_t i = tail; i < FLineStarts.size(); ++i) FLineStarts[i] = FLineStarts[i] - to + newTo;
  FLineStarts.erase(FLineStarts.begin() + static_cast<ptrdiff_t>(first) + 1, FLineStarts.begin() + static_cast<ptrdiff_t>(tail));
  FLineStarts.insert(FLineStarts.begin() + static_cast<ptrdiff_t>(first) + 1, starts.begin(), starts.end());
}

}  // namespace lsp
