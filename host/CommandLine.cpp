#include <string>

#include "host/CommandLine.h"

namespace host {

TCommandLine ParseCommandLine(std::span<const std::string> args) {
  TCommandLine cl;
  bool options = true;
  for (const std::string& a : args) {
    if (!options || a == "-" || !a.starts_with("-")) {
      cl.Files.push_back(a);
    } else if (a == "--") {
      options = false;
    } else if (a == "--help" || a == "-h") {
      cl.Help = true;
      cl.FullHelp = cl.FullHelp || a == "--help";
    } else if (a == "--version" || a == "-V") {
      cl.Version = true;
    } else if (a == "--stdout") {
      cl.ToStdout = true;
    } else if (a == "--undo") {
      cl.Undo = true;
    } else if (a == "--lsp") {
      cl.Lsp = true;
    } else if (cl.UnknownOption.empty()) {
      cl.UnknownOption = a;
    }
  }
  return cl;
}

std::string UnknownOptionText(const std::string& option) {
  return "sheetcalc: unknown option '" + option +
         "'\nTry 'sheetcalc --help' for more information.\n";
}

}  // namespace host
