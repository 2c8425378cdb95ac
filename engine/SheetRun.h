#pragma once
// A sheet run as a whole, below every host that runs sheets: file mode, the filter and the
// language server.

#include <string>

#include "engine/CalcAnsiScript.h"

namespace engine {

/// The name a sheet from standard input goes by (the filter's "-").
inline constexpr const char* StandardInputName = "-";

/// True when the text's last byte is a line break (LF, or CR on its own).
bool EndsWithLineBreak(const std::string& text);
/// Drops the empty line that the line driver writes for the end of a text that ends with a line
/// break, so that a filtered range comes back with as many line ends as it went out with.
void DropFinalEmptyLine(std::string& output);
/// Makes the output end with a line break exactly when its input did: a part of a line filtered
/// by an editor comes back without one.
void FitLineEnd(std::string& output, bool inputEndsWithLineBreak);

/// One sheet as file mode runs it: offered to the additions first (under `name`), else evaluated;
/// the output is the engine's Output(). True when an addition took the sheet over. An error that
/// ends the pass passes through.
bool RunSheet(TAnsiCalculate& engine, const std::string& name);

/// The filter's run of the sheet in the engine's Text() (`sheetcalc -`): false when the filter
/// gives its input back unchanged (an addition took the sheet over and wrote nothing); otherwise
/// the engine's Output() is exactly the text the filter writes (inside text). An error that ends
/// the pass passes through (the filter then gives its input back as well).
bool FilterSheet(TAnsiCalculate& engine);

}  // namespace engine
