#pragma once
// The user's number format, read once at start-up; afterwards nothing depends on the process
// locale.

namespace platform {

/// The user's decimal separator (a single byte; '.' when the user's choice is not one byte).
char UserDecimalSeparator();

/// Reads the user's number format once and hands it to the number readers and the formatter
/// (scan::FormatSettings).
void ApplyUserNumberFormat();

}  // namespace platform
