#pragma once
// An open document and its evaluation, kept up to date a piece at a time. The pass leaves a
// checkpoint of the engine's state every CheckpointLines lines; after an edit the lines above it
// keep their results, and the pass goes on from the last checkpoint above the edit, only as far
// as it is asked to. A sheet whose state a checkpoint cannot hold (a directive of an addition, a
// colour assigned, a text that could not be read piece by piece) is evaluated from the top in one
// pass, as the filter would. Either way the results are those of a whole pass over the text.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/LspCalculate.h"
#include "lsp/QuietServices.h"
#include "lsp/TextDocument.h"

namespace lsp {

/// Lines between two checkpoints of a pass.
inline constexpr int64_t CheckpointLines = 1024;

class TSheet {
 public:
  /// `quiet` and `additions` (what the sheet's engines are built with) outlive the sheet; the
  /// state of `quiet` is reset around every pass from the top.
  TSheet(std::string text, TQuietServices& quiet, engine::TAdditionList additions);
  ~TSheet();
  TSheet(const TSheet&) = delete;
  TSheet& operator=(const TSheet&) = delete;

  const TTextDocument& Text() const { return FText; }
  /// The whole text replaced.
  void Replace(std::string text);
  /// As TTextDocument::Edit; the results from the edit's line on are no longer final.
  void Edit(TPosition start, TPosition end, std::string_view newText, TPositionEncoding enc);

  /// Evaluates until every line up to `line` has its final results.
  void EvaluateThrough(int64_t line);
  /// Evaluates a piece of what is left; true when the whole document is evaluated.
  bool EvaluateSome();
  /// True when the whole document is evaluated.
  bool Evaluated() const { return FEnded && FFirstChanged == NoChange; }
  /// The results so far: final for the lines that EvaluateThrough asked for, in line order.
  const TEvaluation& Results() const { return FResults; }
  /// True when the pass runs from the top in one piece (see above).
  bool WholePasses() const { return FWhole; }

 private:
  struct TCheckpoint {
    int64_t Done = 0;  // the lines above this one were evaluated
    engine::TAnsiCalculate::TLineState State;
    size_t LabelCount = 0;
    size_t Undo = 0;
  };
  static constexpr int64_t NoChange = INT64_MAX;

  void ImportWhole();
  /// The inside text to edit: taken back from the engine (and where its pass stood kept) when the
  /// engine holds it, so that the text is never held twice.
  std::string& InsideToEdit();
  /// The inside text, wherever it is held.
  const std::string& Inside() const;
  /// After edits: the pass put back to the last checkpoint above the first changed line, its text
  /// renewed.
  void Rewind();
  void Step(int64_t targetLine);
  void RunWhole();
  void Restore(const TCheckpoint& checkpoint);
  void TruncateResults(int64_t done);
  bool UsesAdditionDirective();

  TQuietServices& FQuiet;
  engine::TAdditionList FAdditions;
  TTextDocument FText;
  // The sheet as the engine reads it, without a byte order mark: FInside while it is edited, the
  // engine's own text while the engine holds it (FEngineTextStale false).
  std::string FInside;
  std::vector<uint32_t> FInsideStarts;  // its line starts: one per line of FText (4 GiB at most)
  bool FImportFailed = false;
  bool FWhole = false;
  bool FAdditionAssigned = false;  // a pass met a colour assigned: from the top from now on
  std::unique_ptr<TLspCalculate> FEngine;
  bool FEngineTextStale = true;
  engine::TAnsiCalculate::TLineState FFrontier;  // where the pass stood when its text was taken
  std::vector<TCheckpoint> FCheckpoints;
  int64_t FDone = 0;     // the lines above this one have their final results
  bool FEnded = false;   // the pass has ended: at the end of the text or in an error
  int64_t FFirstChanged = 0;
  TEvaluation FResults;
  std::vector<std::string> FStatefulDirectives;  // inside text
};

}  // namespace lsp
