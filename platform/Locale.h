#pragma once
// The user's number format, read once at start-up; afterwards nothing depends on the process
// locale.

namespace platform {

/// The user's decimal separator (a single byte; '.' when the user's choice is not one byte).
char UserDecimalSeparator();

}  // namespace platform
