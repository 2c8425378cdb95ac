#pragma once
// The code page addition: the directive #cp reports the current ANSI and OEM code pages, one code
// page chosen by an expression, or every code page the system knows.

#include <string>
#include <string_view>

#include "engine/CalcAnsiScript.h"
#include "platform/CodePages.h"

namespace additions {

/// The report line: label, code page ("%8d,"), longest character ("%2d,"), the lead-byte ranges
/// as a quoted set literal ("[#$81..#$9F,#$E0..#$FC]") and a comma, then the code page's name.
std::string CodePageReport(std::string_view label, const platform::TCodePageInfo& info);

class TuScrExt : public engine::TCalcuAddition {
 public:
  using TCalcuAddition::TCalcuAddition;
  bool Directive(const std::string& name, const char*& cursor) override;
  std::vector<std::string> DirectiveNames() const override { return {DirectiveName}; }
  bool HandlesFunctions() const override { return false; }
  bool HandlesLabels() const override { return false; }
  static constexpr const char* DirectiveName = "cp";

 private:
  /// Writes the report line of `codePage` with `label` when the code page is known.
  void Report(uint32_t codePage, std::string_view label);
};

}  // namespace additions
