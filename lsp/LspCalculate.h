#pragma once
// The engine of the language server: a whole pass as the filter runs it, recording for each line
// it writes the source line it came from and its annotation, and every assignment to a label, so
// that results map back to the editor's lines without reading the text a second time.

#include <cstdint>
#include <deque>
#include <optional>
#include <unordered_set>
#include <unordered_map>
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
struct TLabelRecord {
  int64_t Line = 0;
  std::string Name;
  scan::Extended Value = 0;
};

/// A TLabelRecord as the results keep it: the name as its number in TEvaluation::LabelNames,
/// which a document's many assignments to a few labels share.
struct TLabelEvent {
  int64_t Line = 0;
  uint32_t Name = 0;
  scan::Extended Value = 0;
};

/// A label's value before an assignment changed it, to put back when a pass is resumed at a
/// line above the assignment.
struct TLabelUndo {
  engine::TMyCalLabel* Label = nullptr;
  scan::Extended Value = 0;
};

class TLspCalculate : public engine::TAnsiCalculate {
 public:
  /// `writeOutput`: whether the lines go into Output() too (a pass the filter's text is wanted
  /// from); the records are made either way.
  TLspCalculate(std::string text, const platform::TServices& services,
                engine::TAdditionList additions, bool writeOutput = true)
      : TAnsiCalculate(std::move(text), services, additions), FWriteOutput(writeOutput) {}

  /// Records the line and its annotation (when not empty), then writes it as the engine does.
  void PutLine(const std::string& annotation) override;
  /// Records what is written below the line being evaluated (a directive's listing).
  void Write(std::string_view text) override;
  /// Records an assignment or an increment of a label of the sheet's own table.
  bool AccessLabel(std::string_view name, scan::Extended& value, engine::TLabelMode mode) override;

  /// The source line (from 0) of the line being evaluated.
  int64_t CurrentLine();
  /// The source line (from 0) that holds `p`, a place at or after the line being evaluated.
  int64_t LineOf(const char* p);
  /// After ResumeAt: the cursor stands on source line `line`, so counting goes on from there.
  void CountFrom(int64_t line);
  /// The pass resumed or begun since, at the place of this state: the labels as they stood.
  void UndoLabels(size_t undoCount, size_t labelCount);
  /// The first byte of the line evaluated last.
  char LastLineFirstByte() const { return *LineStart(); }

  std::vector<TLineResult> FLines;        // inside text, in the order written
  std::vector<TLabelRecord> FLabelEvents;  // inside text, in the order of evaluation
  std::vector<TLineResult> FListings;     // inside text: what lines wrote below themselves
  std::deque<TLabelUndo> FUndo;           // in the order of evaluation
  /// A checkpoint was taken: from here on each label's first change is recorded again (the value
  /// at the checkpoint is all that a resumed pass needs, not every value in between).
  void StartUndoInterval() { FUndone.clear(); }
  /// An addition took an assignment over (a display element's colour): its state is outside
  /// what a line state holds.
  bool FAdditionAssigned = false;

 private:
  std::unordered_set<const engine::TMyCalLabel*> FUndone;  // labels in FUndo since the last checkpoint
  const bool FWriteOutput;
  const char* FCountedTo = nullptr;  // line breaks before here are counted in FCountedLines
  int64_t FCountedLines = 0;
};

/// An error to show on a line: "!Err:" annotations and the error that ended a pass.
struct TLineError {
  int64_t Line = 0;
  std::string Message;
};

/// What one pass over a document gives, in outside text (UTF-8), in the order of the lines.
struct TEvaluation {
  // Deques: a large document's results grow without the copy, and the room, of a doubling array.
  std::deque<TLineResult> Lines;
  std::deque<TLabelEvent> Labels;
  /// The labels' names (outside text), each once, and the number of each.
  std::vector<std::string> LabelNames;
  std::unordered_map<std::string, uint32_t> LabelNumbers;
  std::vector<TLineError> Errors;
  /// An error ended the pass (the last of Errors): the filter would give the text back unchanged.
  bool Aborted = false;
  /// What lines wrote below themselves, lines joined by CR LF (inside text).
  std::vector<TLineResult> Listings;
  /// The text that an addition which took the whole document over gives (inside text; exported
  /// only when asked for); nothing when no addition took it or it gives nothing.
  std::optional<std::string> FilterText;
};

/// Moves what the engine recorded into `result`, in outside text; the engine's records are left
/// empty.
void CollectResults(TLspCalculate& engine, TEvaluation& result);

/// A label's value as an engine over `services` annotates it, in outside text.
std::string FormatLabelValue(scan::Extended value, const platform::TServices& services);

/// A fresh engine's pass over the document's text, as `sheetcalc -` runs it (a byte order mark at
/// its start is no part of the sheet), the engine built with `additions`. Never throws but for a
/// lack of memory.
TEvaluation Evaluate(const std::string& outsideText, const platform::TServices& services,
                     engine::TAdditionList additions);

}  // namespace lsp
