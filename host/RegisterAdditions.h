#pragma once

namespace host {

/// Registers the built-in additions in their fixed order; called first thing in main, before the
/// first engine exists.
void RegisterAdditions();

}  // namespace host
