#pragma once
// Where a #P2Js output file may go. A sheet's text may come from anywhere, so the name it gives
// for its output is held to a place: beside the sheet, or in a folder the user allowed.

#include <string_view>

namespace pas2js {

enum class TOutputPlace {
  Refused,   // no sheet may use the name
  Beside,    // a relative name without "..": a file in the sheet's folder or below it
  Elsewhere  // absolute, a drive or a ".." part: only a folder the user allowed takes it
};

/// What an output file name (inside text) allows. Refused: empty, a control character, no
/// ".js", ".mjs" or ".cjs" ending (ASCII case ignored), a device name (CON, NUL, COM1, ... with
/// any extension), a ':' other than a leading drive letter's, or a part ending in '.' or ' '
/// other than "." and "..". Parts are separated by '/' and '\' (never a double-byte character's
/// trail byte), the same on every system, so a sheet means the same file everywhere.
TOutputPlace ClassifyOutputName(std::string_view name);

/// True for a name that does not start from the sheet's folder: a leading '/' or '\', or a
/// drive letter and ':'.
bool IsRootedName(std::string_view name);

}  // namespace pas2js
