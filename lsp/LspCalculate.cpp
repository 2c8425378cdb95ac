#include "lsp/LspCalculate.h"

#include <exception>
#include <string_view>
#include <utility>

#include "host/Host.h"
#include "platform/Encoding.h"
#include "scan/Errors.h"

namespace lsp {
namespace {

constexpr std::string_view ErrorMark = "!Err:";

/// Line breaks in [p, end): LF, CR LF and a lone CR, as the editor counts them.
int64_t CountLineBreaks(const char* p, const char* end) {
  int64_t n = 0;
  for (; p < end; ++p)
    if (*p == '\n' || (*p == '\r' && p[1] != '\n')) ++n;
  return n;
}

/// Inside text to outside text in place; ASCII without a CR is the same in both.
void Export(std::string& text, platform::TTextBoundary& boundary) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80 || c == '\r')
      return void(text = boundary.ExportUtf8Text(text));
}

void CollectResults(TLspCalculate& engine, TEvaluation& result) {
  platform::TTextBoundary& boundary = engine.Services().Text;
  for (TLineResult& line : engine.FLines) {
    Export(line.Annotation, boundary);
    const size_t mark = line.Annotation.find(ErrorMark);
    if (mark != std::string::npos)
      result.Errors.push_back({line.Line, line.Annotation.substr(mark + ErrorMark.size())});
  }
  result.Lines = std::move(engine.FLines);
  for (TLabelEvent& event : engine.FLabelEvents) Export(event.Name, boundary);
  result.Labels = std::move(engine.FLabelEvents);
}

}  // namespace

int64_t TLspCalculate::CurrentLine() {
  const char* text = Text().c_str();
  const char* end = text + Text().size();
  const char* lineStart = LineStart();
  if (lineStart < text || lineStart > end) return FCountedLines;  // not in this sheet's text
  if (FCountedTo == nullptr || FCountedTo < text || FCountedTo > lineStart) {
    FCountedTo = text;
    FCountedLines = 0;
  }
  FCountedLines += CountLineBreaks(FCountedTo, lineStart);
  FCountedTo = lineStart;
  return FCountedLines;
}

void TLspCalculate::PutLine(const std::string& annotation) {
  if (!annotation.empty()) FLines.push_back({CurrentLine(), annotation});
  TAnsiCalculate::PutLine(annotation);
}

bool TLspCalculate::AccessLabel(std::string_view name, scan::Extended& value,
                                engine::TLabelMode mode) {
  const bool known = TAnsiCalculate::AccessLabel(name, value, mode);
  if (known && mode != engine::TLabelMode::Read) {
    // An addition may have taken the access over: only the sheet's own labels are recorded.
    if (const engine::TMyCalLabel* label = Labels().Find(name))
      FLabelEvents.push_back({CurrentLine(), std::string(name), label->Value});
  }
  return known;
}

std::string FormatLabelValue(scan::Extended value, const platform::TServices& services) {
  engine::TAnsiCalculate formatter{std::string(), services};
  return services.Text.ExportUtf8Text(formatter.FormatValue(value));
}

TEvaluation Evaluate(const std::string& outsideText, const platform::TServices& services) {
  TEvaluation result;
  std::string text;
  try {
    text = services.Text.ImportUtf8Text(outsideText, "document");
  } catch (const scan::EEncodingError& e) {
    result.Errors.push_back({0, services.Text.ExportUtf8Text(e.Message())});
    return result;
  }
  TLspCalculate engine(std::move(text), services);
  try {
    if (host::FilterSheet(engine)) result.FilterText = std::move(engine.Output());
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    // An error that ends the pass, on the line where it stopped; the lines after it are not
    // evaluated, as the filter would not evaluate them.
    result.Errors.push_back({engine.CurrentLine(), services.Text.ExportUtf8Text(e.what())});
  }
  CollectResults(engine, result);
  return result;
}

}  // namespace lsp
