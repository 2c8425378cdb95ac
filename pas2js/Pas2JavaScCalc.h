#pragma once
// The #P2Js addition: converts the Pascal source below the directive's line into JavaScript,
// into the engine's output or into a file named in the directive.

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/CalcAnsiScript.h"

namespace pas2js {

/// The option line of #P2Js: an optional quoted output file name (files only), an option word.
struct TP2JsOptions {
  std::string FileName;
  std::string Word;
};

/// Reads the rest of the directive's line and the line breaks below it; the cursor ends where the
/// conversion starts. With `withFileName`, a quoted name first (its closing quote is looked for
/// through the whole rest of the text).
TP2JsOptions ReadOptionLine(const char*& p, bool withFileName);

class TPas2JavaScCalc : public engine::TCalcuAddition {
 public:
  using TCalcuAddition::TCalcuAddition;
  /// A text holding "#P2Js" (exact case) anywhere is converted from behind that directive's line;
  /// true then, whatever became of the output.
  bool TakeFile(const std::string& fileName, const char* text) override;
  /// #P2Js (any case) converts the rest of the sheet into the engine's output; "#h" and "#" write
  /// the help lines.
  bool Directive(const std::string& name, const char*& cursor) override;
  std::vector<std::string> DirectiveNames() const override { return {DirectiveName}; }
  static constexpr const char* DirectiveName = "P2Js";
  void Notify(engine::TNotifyPhase phase) override;
  bool HandlesFunctions() const override { return false; }
  bool HandlesLabels() const override { return false; }

  /// Writes the text as the whole file (the engine's file system); failure raises
  /// scan::EInOutError naming the file.
  void SaveToFile(const std::string& fileName, const std::string& text);

  std::string FConverted;

 private:
  /// Where the output file `name` of the sheet `sheetName` ("-": standard input, in the current
  /// folder) is written: in the sheet's folder or below it, or in a folder the user allowed.
  /// Any other name raises scan::EInOutError naming it and the rule.
  std::string OutputPath(const std::string& sheetName, const std::string& name);
  [[noreturn]] void RefuseOutputFile(const std::string& name);
  /// Makes room in the engine's output for a conversion of that much source.
  void ReserveOutput(ptrdiff_t sourceLength);
};

}  // namespace pas2js
