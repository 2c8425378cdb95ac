#pragma once
// The --help text.
#include <string>

namespace platform {
struct TServices;
}

namespace host {

/// The --help text (inside text, CR LF line ends) in the user's language; with `withNames` it
/// also lists the built-in functions and constants. The folders it names come from `services`.
std::string HelpText(bool withNames, const platform::TServices& services);

}  // namespace host
