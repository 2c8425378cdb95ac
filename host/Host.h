#pragma once
// The program's run: the command line, the choice of mode (file, clipboard, console), the modes
// themselves and the report of an error that ends the process. Everything outside goes through
// the platform services, so tests run it against fakes.

#include <exception>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace engine {
class TAnsiCalculate;
}

namespace platform {
struct TServices;
class TErrorReport;
}

namespace host {

/// What the command line asks for.
struct TCommandLine {
  bool Help = false;                // -h, --help
  bool Version = false;             // -V, --version
  bool ToStdout = false;            // --stdout: results to standard output, not the clipboard
  bool Undo = false;                // --undo: the clipboard text the last run replaced, back
  bool Lsp = false;                 // --lsp: a language server on standard input and output
  std::vector<std::string> Files;  // file arguments in order (outside text); "-" is standard input
  std::string UnknownOption;       // the first argument that looks like an option and is none
};

/// Reads the arguments (the program name left out). Options are the exact words above; "-" alone
/// is standard input; after "--" every argument is a file name; any other argument that starts
/// with '-' (also "--stdout=yes") is an unknown option.
TCommandLine ParseCommandLine(std::span<const std::string> args);

/// The two lines (outside text, each ending in LF) that answer an unknown option.
std::string UnknownOptionText(const std::string& option);

/// The --help text (inside text, CR LF line ends) in the user's language; with `withNames` it
/// also lists the built-in functions and constants. The folders it names come from `services`.
std::string HelpText(bool withNames, const platform::TServices& services);

/// One sheet as file mode runs it: offered to the additions first (under `name`), else evaluated;
/// the output is the engine's Output(). True when an addition took the sheet over. An error that
/// ends the pass passes through.
bool RunSheet(engine::TAnsiCalculate& engine, const std::string& name);

/// The filter's run of the sheet in the engine's Text() (`sheetcalc -`): false when the filter
/// gives its input back unchanged (an addition took the sheet over and wrote nothing); otherwise
/// the engine's Output() is exactly the text the filter writes (inside text). An error that ends
/// the pass passes through (the filter then gives its input back as well).
bool FilterSheet(engine::TAnsiCalculate& engine);

/// One run of the program over the platform services it is handed (they outlive it).
class THost {
 public:
  THost(TCommandLine commandLine, const platform::TServices& services);
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
  /// Names a file argument that is skipped, and why, on standard error (where the system says).
  void WarnSkipped(const std::string& name);
  /// Puts the text where results go: the clipboard, or standard output with --stdout, with
  /// standard input, or when the clipboard cannot be written.
  void Deliver(const std::string& text);
  /// Inside text to standard output; a failed write raises scan::EInOutError.
  void WriteStandardOutput(const std::string& text);
  /// Outside bytes to standard output, as they are; a failed write raises scan::EInOutError.
  void WriteRaw(const std::string& bytes);

  TCommandLine FCommandLine;
  const platform::TServices& FServices;
  bool FToStdout;
  bool FWarned = false;  // the clipboard warning is given once
  // The clipboard's text before this run first replaced it, while it waits to be kept; the
  // keeping is settled once that replacement succeeded or the text could not be had.
  std::optional<std::string> FBefore;
  bool FBeforeSettled = false;
  bool FReadStandardInput = false;
  std::string FStandardInput;  // kept only when it cannot be read again
};

/// The caption of the fatal-error report.
extern const char* const FatalErrorCaption;

/// The fatal-error text: "<kind>がモジュール <module> の <address> で発生しました。", a line
/// feed, and the message with a '.' behind it unless it ends with one.
std::string FatalErrorText(const std::exception* error, const std::string& module,
                           const void* where);

/// The fatal error in one line: "<source>:<line>:<column>: <detail>" for text that did not pass
/// the encoding boundary at a known place, else the message (the kind when there is none).
std::string FatalErrorLine(const std::exception* error);

/// Reports an error that ended the run (`error` null for one that is no std::exception) through
/// `report`; `toClipboard`: the results were headed for the clipboard.
void ReportFatalError(const std::exception* error, const std::string& programName,
                      bool toClipboard, platform::TErrorReport& report);

/// The eleven lines that console mode shows first when it starts for want of a sheet.
std::span<const char* const> ConsoleHelpLines();

/// True when the typed line's first four bytes are "exit" in any ASCII letter case.
bool IsExitLine(const std::string& line);

/// The whole program for the arguments over `services`: runs it, reports an error that ends it
/// (standard input, when it was read, then goes to standard output unchanged); the exit code.
int Main(const std::string& programName, std::span<const std::string> args,
         const platform::TServices& services);

}  // namespace host
