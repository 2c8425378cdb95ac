#pragma once
// The whole program behind main.
#include <span>
#include <string>

#include "engine/CalcAnsiScript.h"

namespace platform {
struct TServices;
}

namespace host {

/// The whole program for the arguments over `services`, its engines built with `additions`: runs
/// it, reports an error that ends it (standard input, when it was read, then goes to standard
/// output unchanged); the exit code.
int Main(const std::string& programName, std::span<const std::string> args,
         const platform::TServices& services, engine::TAdditionList additions);

}  // namespace host
