#include "lsp/Sheet.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

#include "platform/Encoding.h"
#include "scan/Exceptions.h"
#include "scan/uAnsiCharTools.h"

namespace lsp {
namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

/// Appends the starts of the lines that begin in text[from, to) after a line break, as offsets
/// plus `base`: LF, CR LF and a lone CR, as TTextDocument counts them.
void AppendLineStarts(std::string_view text, size_t from, size_t to, size_t base,
                      std::vector<uint32_t>& starts) {
  for (size_t i = from; i < to; ++i)
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
      starts.push_back(static_cast<uint32_t>(base + i + 1));
}

/// The directives of the additions that keep a state of their own across lines: every one an
/// addition names but the code page report, and the converter's, which takes the text over.
std::vector<std::string> StatefulDirectives(const engine::TAnsiCalculate& engine) {
  std::vector<std::string> names = {"P2Js"};
  for (const auto& addition : engine.Additions())
    for (std::string& name : addition->DirectiveNames())
      if (!scan::SameTextAscii(name, "cp")) names.push_back(std::move(name));
  return names;
}

}  // namespace

TSheet::TSheet(std::string text, TQuietServices& quiet, engine::TAdditionList additions)
    : FQuiet(quiet), FAdditions(additions) {
  Replace(std::move(text));
}

TSheet::~TSheet() = default;

void TSheet::Replace(std::string text) {
  FText.Replace(std::move(text));
  ImportWhole();
  FFirstChanged = 0;
}

std::string& TSheet::InsideToEdit() {
  if (FEngine && !FEngineTextStale) {
    FFrontier = FEngine->LineState();
    FInside = FEngine->TakeText();
    FEngineTextStale = true;
  }
  return FInside;
}

const std::string& TSheet::Inside() const {
  return FEngine && !FEngineTextStale ? FEngine->Text() : FInside;
}

void TSheet::ImportWhole() {
  InsideToEdit();
  std::string_view outside = FText.Text();
  if (outside.starts_with(ByteOrderMark)) outside.remove_prefix(ByteOrderMark.size());
  FImportFailed = false;
  try {
    FInside = FQuiet.Services().Text.ImportUtf8Text(outside, "document");
  } catch (const scan::EEncodingError&) {
    FImportFailed = true;  // the pass from the top says why
    FInside.clear();
  }
  FInsideStarts.assign(1, 0);
  AppendLineStarts(FInside, 0, FInside.size(), 0, FInsideStarts);
  FInsideStarts.shrink_to_fit();
  if (FInsideStarts.size() != static_cast<size_t>(FText.LineCount())) FImportFailed = true;
  FEngineTextStale = true;
}

void TSheet::Edit(TPosition start, TPosition end, std::string_view newText, TPositionEncoding enc) {
  const int64_t oldLines = FText.LineCount();
  const int64_t startLine = std::clamp<int64_t>(start.Line, 0, oldLines - 1);
  // The lines the edit touches are imported again, with the one before and the one after: a CR
  // and an LF may join or part across the edit's ends.
  const int64_t first = std::max<int64_t>(startLine - 1, 0);
  const int64_t last = std::min(std::max(start.Line, end.Line) + 1, oldLines - 1);
  InsideToEdit();
  FText.Edit(start, end, newText, enc);
  FFirstChanged = std::min(FFirstChanged, startLine);
  if (FImportFailed) return ImportWhole();
  const int64_t newLast = last + FText.LineCount() - oldLines;
  const size_t from = FText.LineStart(first);
  std::string_view piece = std::string_view(FText.Text()).substr(from, FText.LineStart(newLast + 1) - from);
  if (from == 0 && piece.starts_with(ByteOrderMark)) piece.remove_prefix(ByteOrderMark.size());
  std::string inside;
  try {
    inside = FQuiet.Services().Text.ImportUtf8Text(piece, "document");
  } catch (const scan::EEncodingError&) {
    return ImportWhole();
  }
  const size_t insideFrom = FInsideStarts[static_cast<size_t>(first)];
  const size_t insideTo = last + 1 < oldLines ? FInsideStarts[static_cast<size_t>(last) + 1] : FInside.size();
  FInside.replace(insideFrom, insideTo - insideFrom, inside);
  std::vector<uint32_t> starts;
  AppendLineStarts(FInside, insideFrom, insideFrom + inside.size(), 0, starts);
  // A start at the piece's end is the next line's, which follows among the moved ones.
  if (!starts.empty() && starts.back() == insideFrom + inside.size() && last + 1 < oldLines) starts.pop_back();
  const auto tail = FInsideStarts.begin() + last + 1;
  for (auto it = tail; it != FInsideStarts.end(); ++it) *it = *it - insideTo + insideFrom + inside.size();
  FInsideStarts.erase(FInsideStarts.begin() + first + 1, tail);
  FInsideStarts.insert(FInsideStarts.begin() + first + 1, starts.begin(), starts.end());
  if (FInsideStarts.size() != static_cast<size_t>(FText.LineCount())) ImportWhole();
}

bool TSheet::UsesAdditionDirective() {
  if (FStatefulDirectives.empty()) {
    const engine::TAnsiCalculate names{std::string(), FQuiet.Services(), FAdditions};
    FStatefulDirectives = StatefulDirectives(names);
  }
  const char* p = Inside().c_str();
  for (const size_t start : FInsideStarts) {
    const char* q = p + start;
    scan::SkipCharSet(q, scan::BlankChars);
    if (*q != '#') continue;
    ++q;
    std::string name;
    scan::ReadWhileCharSetMB(q, scan::WordChars, name);
    for (const std::string& stateful : FStatefulDirectives)
      if (scan::SameTextAscii(name, stateful)) return true;
  }
  return false;
}

void TSheet::RunWhole() {
  FQuiet.Reset();
  FResults = Evaluate(FText.Text(), FQuiet.Services(), FAdditions);
  FQuiet.Reset();
  FEnded = true;
  FDone = FText.LineCount();
  FFirstChanged = NoChange;
}

void TSheet::TruncateResults(int64_t done) {
  auto cut = [done](auto& items) {
    while (!items.empty() && items.back().Line >= done) items.pop_back();
  };
  cut(FResults.Lines);
  cut(FResults.Labels);
  cut(FResults.Errors);
  cut(FResults.Listings);
  FResults.FilterText.reset();
  FResults.Aborted = false;
}

void TSheet::Restore(const TCheckpoint& checkpoint) {
  if (checkpoint.Done == 0) {
    FEngine->BeginPass();
    FEngine->ResumeAt({});  // the value and the mode word of a fresh engine
    FEngine->FUndo.clear();
    FEngine->StartUndoInterval();
    FEngine->CountFrom(0);
  } else {
    FEngine->UndoLabels(checkpoint.Undo, checkpoint.LabelCount);
    FEngine->ResumeAt(checkpoint.State);
    FEngine->CountFrom(checkpoint.Done - 1);
  }
  TruncateResults(checkpoint.Done);
  FDone = checkpoint.Done;
  FEnded = false;
}

void TSheet::Rewind() {
  if (FFirstChanged == NoChange && !FEngineTextStale) return;
  const bool whole = FImportFailed || FAdditionAssigned || UsesAdditionDirective();
  if (whole || FWhole) {
    FWhole = whole;
    InsideToEdit();
    FEngine.reset();
    FCheckpoints.clear();
    FResults = TEvaluation();
    FEnded = false;
    FDone = 0;
    if (FWhole) return;
  }
  if (!FEngine) {
    FEngine = std::make_unique<TLspCalculate>(std::string(), FQuiet.Services(), FAdditions, false);
    FEngineTextStale = true;
    FFrontier = {};
    FCheckpoints.assign(1, TCheckpoint{});
  }
  const engine::TAnsiCalculate::TLineState frontier =
      FEngineTextStale ? FFrontier : FEngine->LineState();
  if (FEngineTextStale) {
    FEngine->SetText(std::move(FInside));
    FInside = std::string();
    FEngineTextStale = false;
  }
  if (FFirstChanged < FDone || FDone == 0) {
    while (FCheckpoints.size() > 1 && FCheckpoints.back().Done > FFirstChanged) FCheckpoints.pop_back();
    Restore(FCheckpoints.back());
  } else {
    // The pass stopped above the edit: it goes on where it stopped, in the new text.
    FEngine->ResumeAt(frontier);
    FEngine->CountFrom(FDone - 1);
  }
  FFirstChanged = NoChange;
}

void TSheet::Step(int64_t targetLine) {
  const int64_t lines = FText.LineCount();
  const int64_t boundary = (FDone / CheckpointLines + 1) * CheckpointLines;
  const int64_t stopLine = std::min(boundary, targetLine + 1);
  // A line's evaluation leaves the cursor at its end: the pass stops at the end of the line
  // before stopLine, the place of its line break.
  const char* stop = nullptr;
  if (stopLine < lines) {
    const char* text = FEngine->Text().c_str();
    stop = text + FInsideStarts[static_cast<size_t>(stopLine)];
    if (stop[-1] == '\n') --stop;
    if (stop[-1] == '\r' && stop > text + FInsideStarts[static_cast<size_t>(stopLine) - 1]) --stop;
  }
  bool ended = false;
  int64_t errorLine = -1;
  std::string error;
  try {
    ended = FEngine->RunLines(stop);
    if (ended) FEngine->EndPass();
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    // An error that ends the pass, as in a pass from the top.
    errorLine = FEngine->CurrentLine();
    error = FQuiet.Services().Text.ExportUtf8Text(e.what());
  }
  CollectResults(*FEngine, FResults);
  FEngine->Output().clear();
  if (FEngine->FAdditionAssigned) {
    FAdditionAssigned = true;
    FFirstChanged = 0;
    return Rewind();
  }
  if (errorLine >= 0) {
    FResults.Errors.push_back({errorLine, std::move(error)});
    FResults.Aborted = true;
    FEnded = true;
    FDone = errorLine + 1;
    return;
  }
  if (ended) {
    FEnded = true;
    FDone = lines;
    return;
  }
  FDone = FEngine->LineOf(FEngine->Text().c_str() + FEngine->LineState().Offset) + 1;
  // A directive compares its listing with the lines below it: no checkpoint right behind one.
  if (FDone >= boundary && FEngine->LastLineFirstByte() != '#') {
    FCheckpoints.push_back({FDone, FEngine->LineState(), FEngine->Labels().Count(), FEngine->FUndo.size()});
    FEngine->StartUndoInterval();
  }
}

void TSheet::EvaluateThrough(int64_t line) {
  line = std::min(line, FText.LineCount());
  Rewind();
  if (FWhole) {
    if (!FEnded) RunWhole();
    return;
  }
  while (!FEnded && FDone <= line) {
    Step(line);
    if (FWhole) return EvaluateThrough(line);
  }
}

bool TSheet::EvaluateSome() {
  Rewind();
  if (FWhole) {
    if (!FEnded) RunWhole();
    return true;
  }
  if (!FEnded) Step(INT64_MAX - 1);
  if (FWhole) return EvaluateSome();
  return FEnded;
}

}  // namespace lsp
