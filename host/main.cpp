#include <string>
#include <vector>

#include "host/CommandLine.h"
#include "host/Run.h"
#include "host/RegisterAdditions.h"
#include "lsp/LspServer.h"
#include "platform/SystemServices.h"

int main(int argc, char** argv) {
  host::RegisterAdditions();
  const platform::TSystemServices system;
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (host::ParseCommandLine(args).Lsp) return lsp::RunServer(system.Services());
  return host::Main(argc > 0 ? argv[0] : "sheetcalc", args, system.Services());
}
