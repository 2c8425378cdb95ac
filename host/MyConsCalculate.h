#pragma once
// The engine of console mode: results go to the console as they come, and labels live from one
// typed line to the next.

#include <string>
#include <string_view>

#include "engine/CalcAnsiScript.h"

namespace host {

class TMyConsCalculate : public engine::TAnsiCalculate {
 public:
  using TAnsiCalculate::TAnsiCalculate;

  /// Rewinds to the start of the text with output and note emptied; the labels survive.
  void Reset() override;
  /// A non-empty annotation goes to the console as one line; the source line is not echoed.
  void PutLine(const std::string& annotation) override;
  /// The text goes to the console as one line; Output() is not touched.
  void WriteLine(std::string_view text) override;
};

}  // namespace host
