#pragma once
// The command line: the options the program takes and the answer to one it does not.
#include <span>
#include <string>
#include <vector>

namespace host {

/// What the command line asks for.
struct TCommandLine {
  bool Help = false;                // -h, --help
  bool FullHelp = false;            // --help: the usage with the functions and constants
  bool Version = false;             // -V, --version
  bool ToStdout = false;            // --stdout: results to standard output, not the clipboard
  bool Undo = false;                // --undo: the clipboard text the last run replaced, back
  bool Lsp = false;                 // --lsp: a language server on standard input and output
  std::vector<std::string> AllowWrite;  // --allow-write DIR: folders #P2Js may write into
  std::vector<std::string> Files;  // file arguments in order (outside text); "-" is standard input
  std::string UnknownOption;       // the first argument that looks like an option and is none
};

/// Reads the arguments (the program name left out). Options are the exact words above;
/// --allow-write takes the next argument as its folder (or "--allow-write=DIR"; without a folder
/// it is an unknown option); "-" alone is standard input; after "--" every argument is a file
/// name; any other argument that starts with '-' (also "--stdout=yes") is an unknown option.
TCommandLine ParseCommandLine(std::span<const std::string> args);

/// The two lines (outside text, each ending in LF) that answer an unknown option.
std::string UnknownOptionText(const std::string& option);
/// The two lines (outside text, each ending in LF) that answer --allow-write with a folder that
/// does not exist.
std::string NoFolderText(const std::string& folder);

}  // namespace host
