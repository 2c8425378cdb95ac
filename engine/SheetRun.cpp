#include "engine/SheetRun.h"

namespace engine {

bool EndsWithLineBreak(const std::string& text) {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

void DropFinalEmptyLine(std::string& output) {
  if (output.ends_with("\r\n\r\n")) output.resize(output.size() - 2);
}

void FitLineEnd(std::string& output, bool inputEndsWithLineBreak) {
  if (inputEndsWithLineBreak) return DropFinalEmptyLine(output);
  if (output.ends_with("\r\n")) output.resize(output.size() - 2);
}

bool RunSheet(TAnsiCalculate& engine, const std::string& name) {
  if (engine.OfferFile(name)) return true;
  engine.Calculate();
  return false;
}

bool FilterSheet(TAnsiCalculate& engine) {
  const bool endsWithLineBreak = EndsWithLineBreak(engine.Text());
  if (RunSheet(engine, StandardInputName)) return !engine.Output().empty();
  FitLineEnd(engine.Output(), endsWithLineBreak);
  return true;
}

}  // namespace engine
