#pragma once
// What the fuzz targets share: the host's services replaced by in-memory fakes, so that no input
// reaches the clipboard, the file system or the system colours, and a sheet run the way the host
// runs a sheet from standard input.

#include <string>

#include "AdditionFakes.h"
#include "PlatformFakes.h"
#include "engine/CalcAnsiScript.h"
#include "host/StandardAdditions.h"
#include "pas2js/Pas2JavaScCalc.h"
#include "scan/Exceptions.h"

namespace fuzz {

/// Every service an engine or an addition can reach, faked.
using TFakeWorld = fakes::TFakeServices;

/// True when the text would be taken over by #P2Js with the option word "Debug", which echoes the
/// conversion on the terminal: the run would only be slower, so the targets leave that route out.
inline bool EchoesToTerminal(const std::string& text) {
  const char* p = text.c_str();
  if (!scan::SkipPastAnySeparator(p, {"#P2Js"})) return false;
  return pas2js::ReadOptionLine(p, true).Word == "Debug";
}

/// The sheet as the host's file mode runs it: offered to the additions, else evaluated. The
/// program's own error families end the run as the host's fatal-error report would; every other
/// exception escapes and is a finding.
inline void RunSheet(std::string text, bool offerFile) {
  TFakeWorld world;
  const bool offer = offerFile && !EchoesToTerminal(text);
  engine::TAnsiCalculate calc(std::move(text), world.Services, host::StandardAdditions());
  try {
    if (!offer || !calc.OfferFile("-")) calc.Calculate();
  } catch (const scan::Exception&) {
    // A directive error or a conversion error: reported by the host, the run ends.
  }
}

}  // namespace fuzz
