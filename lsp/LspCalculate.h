#pragma once
// The engine of the language server: a whole pass as the filter runs it, recording for each line
// it writes the source line it came from and its annotation, and every assignment to a label, so
// that results map back to the editor's lines without reading the text a second time.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/CalcAnsiScript.h"
#include "platform/Services.h"

namespace lsp {

/// A line the engine wrote with an annotation: its source line (from 0) and the annotation.
struct TLineResult {
  int64_t Line = 0;
  std::string Annotation;
};

/// A label given a value on a source line, and the value it then held.
struct TLabelEvent {
  int64_t Line = 0;
  std::string Name;
  scan::Extended Value = 0;
};

class TLspCalculate : public engine::TAnsiCalculate {
 public:
  using TAnsiCalculate::TAnsiCalculate;

  /// Records the line and its annotation (when not empty), then writes it as the engine does.
  void PutLine(const std::string& annotation) override;
  /// Records an assignment or an increment of a label of the sheet's own table.
  bool AccessLabel(std::string_view name, scan::Extended& value, engine::TLabelMode mode) override;

  /// The source line (from 0) of the line being evaluated.
  int64_t CurrentLine();

  std::vector<TLineResult> FLines;        // inside text, in the order written
  std::vector<TLabelEvent> FLabelEvents;  // inside text, in the order of evaluation

 private:
  const char* FCountedTo = nullptr;  // line breaks before here are counted in FCountedLines
  int64_t FCountedLines = 0;
};

/// An error to show on a line: "!Err:" annotations and the error that ended a pass.
struct TLineError {
  int64_t Line = 0;
  std::string Message;
};

/// What one pass over a document gives, in outside text (UTF-8).
struct TEvaluation {
  std::vector<TLineResult> Lines;
  std::vector<TLabelEvent> Labels;
  std::vector<TLineError> Errors;
  /// The filter's text for the document, inside text (exported only when asked for); nothing when
  /// the filter would give its input back.
  std::optional<std::string> FilterText;
};

/// A label's value as an engine over `services` annotates it, in outside text.
std::string FormatLabelValue(scan::Extended value, const platform::TServices& services);

/// A fresh engine's pass over the document's text, as `sheetcalc -` runs it. Never throws but for
/// a lack of memory.
TEvaluation Evaluate(const std::string& outsideText, const platform::TServices& services);

}  // namespace lsp
