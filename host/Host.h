#pragma once
// One run of the program: the choice of mode (file, clipboard, console, --undo) and the modes
// themselves (THost's undo in Undo.cpp, the rest in Host.cpp). Everything outside goes through
// the platform services it is handed, so tests run it against fakes.

#include <optional>
#include <string>
#include <vector>

#include "engine/CalcAnsiScript.h"
#include "host/CommandLine.h"

namespace platform {
struct TServices;
}

namespace host {

/// One run of the program over the platform services it is handed, its engines built with the
/// additions it is handed (both outlive it).
class THost {
 public:
  THost(TCommandLine commandLine, const platform::TServices& services,
        engine::TAdditionList additions);
  /// Runs what the command line and the clipboard choose; the exit code. An error that escapes
  /// an engine's pass passes through.
  int Run();
  /// Writes standard input back to standard output as it came, when the run has read it (a filter
  /// whose run failed or produced nothing gives its text back unchanged); false otherwise.
  bool HandBackStandardInput();
  /// True when the run's results were headed for the clipboard rather than a stream.
  bool ResultsToClipboard() const { return !FToStdout; }

 private:
  int FileMode();
  /// Evaluates the clipboard's sheet; `mark` (a byte order mark's stand-in, or empty) goes in
  /// front of the output.
  int ClipboardMode(std::string text, const std::string& mark);
  int ConsoleMode(bool withHelp);
  /// --undo: the kept text back on the clipboard, the text it replaces kept in its place.
  int UndoMode();
  /// Puts the text (inside text) on the clipboard; false when it cannot be written. The first
  /// replacement of the run keeps the text it replaced (FBefore, else read now) for --undo.
  bool ReplaceClipboard(const std::string& text);
  /// A file argument as an inside name; false (with a warning) when it has no such name.
  bool InsideName(const std::string& arg, std::string& name);
  /// Names a file argument that is skipped, and why, in a warning (where the system says).
  void WarnSkipped(const std::string& name);
  /// The name of a missing clipboard tool (Clipboard's MissingTool) in the user's language.
  std::string Tool(const std::string& missing) const;
  /// Puts the text where results go: the clipboard, or standard output with --stdout, with
  /// standard input, or when the clipboard cannot be written.
  void Deliver(const std::string& text);
  /// Inside text to standard output; a failed write raises scan::EInOutError.
  void WriteStandardOutput(const std::string& text);
  /// Outside bytes to standard output, as they are; a failed write raises scan::EInOutError.
  void WriteRaw(const std::string& bytes);

  TCommandLine FCommandLine;
  const platform::TServices& FServices;
  engine::TAdditionList FAdditions;
  bool FToStdout;
  bool FWarned = false;  // the clipboard warning is given once
  bool FSkipped = false;  // a file argument could not be read
  // The clipboard's text before this run first replaced it, while it waits to be kept; the
  // keeping is settled once that replacement succeeded or the text could not be had.
  std::optional<std::string> FBefore;
  bool FBeforeSettled = false;
  bool FReadStandardInput = false;
  std::string FStandardInput;  // kept only when it cannot be read again
};

/// The lines (inside text) that console mode shows first when it starts for want of a sheet: in
/// the user's language, eleven in Japanese.
std::vector<std::string> ConsoleHelpLines();

/// True when the typed line's first four bytes are "exit" in any ASCII letter case.
bool IsExitLine(const std::string& line);

}  // namespace host
