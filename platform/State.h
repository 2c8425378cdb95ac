#pragma once
// What the program keeps between runs: the clipboard text a run replaced (so it can be put back)
// and the console's history. POSIX: $XDG_STATE_HOME/sheetcalc/ (default ~/.local/state/sheetcalc/);
// Windows: %LOCALAPPDATA%\sheetcalc\. Files are readable by their user alone and are replaced in
// one step, so a reader never sees half a file. Contents are bytes as they are: the caller decides
// their encoding.

#include <memory>
#include <optional>
#include <string>

namespace platform {

class TTextBoundary;

class TStateStore {
 public:
  virtual ~TStateStore() = default;
  /// The state folder as a path the system takes as it is (outside text), ending in a separator.
  /// With `create` the folder and its parents are made (readable by the user alone) and a failure
  /// raises scan::EInOutError naming the folder and the reason.
  virtual std::string StateFolder(bool create) = 0;
  /// The bytes of the state file `name`; nothing when there is no such file or it cannot be read.
  virtual std::optional<std::string> LoadState(const std::string& name) = 0;
  /// Replaces the state file `name` with `bytes` in one step, creating the folder first; a failure
  /// raises scan::EInOutError naming the file and the reason.
  virtual void SaveState(const std::string& name, const std::string& bytes) = 0;
};

/// The system's store; the texts it takes in and hands out cross `text`, which outlives it.
std::unique_ptr<TStateStore> NewSystemStateStore(TTextBoundary& text);

}  // namespace platform
