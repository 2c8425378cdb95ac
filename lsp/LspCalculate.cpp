#include "lsp/LspCalculate.h"

#include <exception>
#include <string_view>
#include <utility>

#include "engine/SheetRun.h"
#include "platform/Encoding.h"
#include "scan/Exceptions.h"

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

}  // namespace

void CollectResults(TLspCalculate& engine, TEvaluation& result) {
  platform::TTextBoundary& boundary = engine.Services().Text;
  for (TLineResult& line : engine.FLines) {
    Export(line.Annotation, boundary);
    const size_t mark = line.Annotation.find(ErrorMark);
    if (mark != std::string::npos)
      result.Errors.push_back({line.Line, line.Annotation.substr(mark + ErrorMark.size())});
    result.Lines.push_back(std::move(line));
  }
  engine.FLines.clear();
  for (TLabelRecord& event : engine.FLabelEvents) {
    Export(event.Name, boundary);
    const auto [known, added] =
        result.LabelNumbers.try_emplace(event.Name, static_cast<uint32_t>(result.LabelNames.size()));
    if (added) result.LabelNames.push_back(std::move(event.Name));
    result.Labels.push_back({event.Line, known->second, event.Value});
  }
  engine.FLabelEvents.clear();
  for (TLineResult& listing : engine.FListings) result.Listings.push_back(std::move(listing));
  engine.FListings.clear();
}

int64_t TLspCalculate::LineOf(const char* p) {
  const char* text = Text().c_str();
  const char* end = text + Text().size();
  if (p < text || p > end) return FCountedLines;  // not in this sheet's text
  if (FCountedTo == nullptr || FCountedTo < text || FCountedTo > p) {
    FCountedTo = text;
    FCountedLines = 0;
  }
  FCountedLines += CountLineBreaks(FCountedTo, p);
  FCountedTo = p;
  return FCountedLines;
}

int64_t TLspCalculate::CurrentLine() { return LineOf(LineStart()); }

void TLspCalculate::CountFrom(int64_t line) {
  FCountedTo = Cursor();
  FCountedLines = line;
}

void TLspCalculate::PutLine(const std::string& annotation) {
  if (!annotation.empty()) FLines.push_back({CurrentLine(), annotation});
  if (FWriteOutput) TAnsiCalculate::PutLine(annotation);
}

void TLspCalculate::Write(std::string_view text) {
  const int64_t line = CurrentLine();
  if (FListings.empty() || FListings.back().Line != line) FListings.push_back({line, std::string()});
  FListings.back().Annotation += text;
  // Written either way: the engine compares a listing with the lines below it in the output.
  TAnsiCalculate::Write(text);
}

bool TLspCalculate::AccessLabel(std::string_view name, scan::Extended& value,
                                engine::TLabelMode mode) {
  if (mode == engine::TLabelMode::Read) return TAnsiCalculate::AccessLabel(name, value, mode);
  engine::TMyCalLabel* before = LabelTable().Find(name);
  const scan::Extended old = before ? before->Value : scan::Extended(0);
  const bool known = TAnsiCalculate::AccessLabel(name, value, mode);
  if (!known) return known;
  // An addition may have taken the access over: only the sheet's own labels are recorded.
  if (const engine::TMyCalLabel* label = before ? before : LabelTable().Find(name)) {
    if (before && FUndone.insert(before).second) FUndo.push_back({before, old});
    FLabelEvents.push_back({CurrentLine(), std::string(name), label->Value});
  } else {
    FAdditionAssigned = true;
  }
  return known;
}

void TLspCalculate::UndoLabels(size_t undoCount, size_t labelCount) {
  while (FUndo.size() > undoCount) {
    FUndo.back().Label->Value = FUndo.back().Value;
    FUndo.pop_back();
  }
  FUndone.clear();
  LabelTable().Truncate(labelCount);
}

std::string FormatLabelValue(scan::Extended value, const platform::TServices& services) {
  engine::TAnsiCalculate formatter{std::string(), services, {}};
  return services.Text.ExportUtf8Text(formatter.FormatValue(value));
}

TEvaluation Evaluate(const std::string& outsideText, const platform::TServices& services,
                     engine::TAdditionList additions) {
  TEvaluation result;
  std::string text;
  try {
    text = services.Text.ImportUtf8Text(outsideText, "document");
  } catch (const scan::EEncodingError& e) {
    result.Errors.push_back({0, services.Text.ExportUtf8Text(e.Message())});
    return result;
  }
  services.Text.TakeByteOrderMark(text);
  TLspCalculate engine(std::move(text), services, additions);
  try {
    // Only a text an addition made is kept: the lines' own results are in the records.
    if (engine.OfferFile("-")) {
      if (!engine.Output().empty()) result.FilterText = std::move(engine.Output());
    } else {
      engine.Calculate();
    }
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    // An error that ends the pass, on the line where it stopped; the lines after it are not
    // evaluated, as the filter would not evaluate them.
    CollectResults(engine, result);
    result.Errors.push_back({engine.CurrentLine(), services.Text.ExportUtf8Text(e.what())});
    result.Aborted = true;
    return result;
  }
  CollectResults(engine, result);
  return result;
}

}  // namespace lsp
