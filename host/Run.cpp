// The program's run behind main: the command line, usage and version, the host, and what happens
// to an error that ends the run.

#include <string>

#include "host/Run.h"

#include "host/FatalError.h"
#include "host/Help.h"
#include "host/Host.h"
#include "platform/Encoding.h"
#include "platform/Services.h"
#include "scan/Exceptions.h"

#ifndef SHEETCALC_VERSION
#define SHEETCALC_VERSION "0"
#endif

namespace host {

namespace {
// The fatal report, which must not end the process itself: where even it fails (no text
// converter on the system, say), the exit status and the handed-back input still tell.
void ReportSafely(const std::exception* error, const std::string& programName, bool toClipboard,
                  const platform::TServices& services) {
  try {
    ReportFatalError(error, programName, reinterpret_cast<const void*>(&Main), toClipboard,
                     services);
  } catch (...) {
  }
}
}  // namespace

int Main(const std::string& programName, std::span<const std::string> args,
         const platform::TServices& services, engine::TAdditionList additions) {
  TCommandLine commandLine = ParseCommandLine(args);
  if (!commandLine.UnknownOption.empty()) {
    services.ErrorReport.ShowUsageError(UnknownOptionText(commandLine.UnknownOption));
    return 2;
  }
  if (commandLine.Help) {
    const bool withNames = commandLine.FullHelp;  // --help; -h is the short usage
    const std::string help = HelpText(withNames, services);
    services.StdStreams.WriteStandardOutput(services.Text.ExportText(help));
    return 0;
  }
  if (commandLine.Version) {
    const char* line = "sheetcalc " SHEETCALC_VERSION "\r\n";
    services.StdStreams.WriteStandardOutput(services.Text.ExportText(line));
    return 0;
  }
  // The allowed folders as the output files' folders will be compared with them.
  platform::TServices runServices = services;
  for (const std::string& folder : commandLine.AllowWrite) {
    std::string real;
    try {
      real = services.Files.RealFolderOf(services.Text.ImportName(folder, folder) + "/");
    } catch (const scan::EEncodingError&) {
    }
    if (real.empty()) {
      services.ErrorReport.ShowUsageError(NoFolderText(folder));
      return 2;
    }
    runServices.WriteFolders.push_back(real);
  }
  THost host(std::move(commandLine), runServices, additions);
  try {
    return host.Run();
  } catch (const std::exception& e) {
    ReportSafely(&e, programName, host.ResultsToClipboard(), runServices);
  } catch (...) {
    ReportSafely(nullptr, programName, host.ResultsToClipboard(), runServices);
  }
  host.HandBackStandardInput();
  return 1;
}

}  // namespace host
