#include <string>
#include <vector>

#include "host/CommandLine.h"
#include "host/Run.h"
#include "host/StandardAdditions.h"
#include "lsp/LspServer.h"
#include "platform/SystemServices.h"

int main(int argc, char** argv) {
  const platform::TSystemServices system;
  const engine::TAdditionList additions = host::StandardAdditions();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (host::ParseCommandLine(args).Lsp) return lsp::RunServer(system.Services(), additions);
  return host::Main(argc > 0 ? argv[0] : "sheetcalc", args, system.Services(), additions);
}
