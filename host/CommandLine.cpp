#include <string>

#include "host/Host.h"

namespace host {

TCommandLine ParseCommandLine(std::span<const std::string> args) {
  TCommandLine cl;
  bool options = true;
  for (const std::string& a : args) {
    if (options && a == "--") {
      options = false;
    } else if (options && a == "--help") {
      cl.Help = true;
    } else if (options && a == "--version") {
      cl.Version = true;
    } else if (options && a == "--stdout") {
      cl.ToStdout = true;
    } else if (options && a == "--lsp") {
      cl.Lsp = true;
    } else {
      cl.Files.push_back(a);
    }
  }
  return cl;
}

}  // namespace host
