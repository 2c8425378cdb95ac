#pragma once
// Files, as the program sees them: whole texts in code page 932 with CR LF line ends. The bytes on
// disk pass through the encoding boundary: on POSIX UTF-8 with LF line ends, on Windows UTF-8 or
// the ANSI code page, written back in the encoding the run's texts came in. File names are
// inside text as well (code page 932); the implementation spells them as the system wants.

#include <memory>
#include <string>

namespace platform {

class TTextBoundary;

class TFileSystem {
 public:
  virtual ~TFileSystem() = default;
  virtual bool FileExists(const std::string& name) = 0;
  /// Why `name` is not a file that can be read ("No such file or directory", "Is a directory"),
  /// for a warning about a skipped argument; empty where such arguments are skipped in silence.
  virtual std::string WhyNotAFile(const std::string& name) {
    (void)name;
    return {};
  }
  /// The file's text; empty when it cannot be opened. What code page 932 lacks comes in as
  /// stand-ins (platform/StandIns.h); only a text that needs more stand-ins than are left raises
  /// scan::EEncodingError naming the file, line and column.
  virtual std::string LoadTextFile(const std::string& name) = 0;
  /// Writes the whole text, replacing the file in one step: a temporary file in the same folder,
  /// renamed over the target (a symbolic link there is replaced itself, never written through).
  /// POSIX: a file there keeps its mode, a new one gets 0644 less the umask. Failure raises
  /// scan::EInOutError naming the file and the reason, and leaves the old file as it was.
  virtual void SaveTextFile(const std::string& name, const std::string& text) = 0;
  /// Deletes the file; false when it could not be deleted.
  virtual bool DeleteFile(const std::string& name) = 0;
  /// The folder that holds `name` (which need not exist): absolute, every symbolic link resolved,
  /// ending in a path separator, so that `RealFolderOf(x) + "a.js"` names a file in it. A name
  /// without a folder part is in the current folder. Empty when that folder does not exist.
  virtual std::string RealFolderOf(const std::string& name) = 0;
  /// The folder for colour schemes, ending in a path separator (created when `create`).
  virtual std::string ProgramFolder(bool create) = 0;
};

/// The system's file system; the texts it takes in and hands out cross `text`, which outlives it.
std::unique_ptr<TFileSystem> NewSystemFileSystem(TTextBoundary& text);

}  // namespace platform
