#include <string>
#include <string_view>

#include "host/CommandLine.h"

namespace host {

TCommandLine ParseCommandLine(std::span<const std::string> args) {
  TCommandLine cl;
  bool options = true;
  constexpr std::string_view AllowWrite = "--allow-write";
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
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
    } else if (a == AllowWrite && i + 1 < args.size()) {
      cl.AllowWrite.push_back(args[++i]);
    } else if (a.starts_with(AllowWrite) && a.size() > AllowWrite.size() + 1 &&
               a[AllowWrite.size()] == '=') {
      cl.AllowWrite.push_back(a.substr(AllowWrite.size() + 1));
    } else if (cl.UnknownOption.empty()) {
      cl.UnknownOption = a;
    }
  }
  return cl;
}

namespace {
const char* const HelpHint = "Try 'sheetcalc --help' for more information.\n";
}

std::string UnknownOptionText(const std::string& option) {
  return "sheetcalc: unknown option '" + option + "'\n" + HelpHint;
}

std::string NoFolderText(const std::string& folder) {
  return "sheetcalc: --allow-write: no such folder '" + folder + "'\n" + HelpHint;
}

}  // namespace host
