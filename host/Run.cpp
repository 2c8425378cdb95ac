// The program's run behind main: the command line, usage and version, the host, and what happens
// to an error that ends the run.

#include <string>

#include "host/Run.h"

#include "host/FatalError.h"
#include "host/Help.h"
#include "host/Host.h"
#include "platform/Encoding.h"
#include "platform/Services.h"

#ifndef SHEETCALC_VERSION
#define SHEETCALC_VERSION "0"
#endif

namespace host {

int Main(const std::string& programName, std::span<const std::string> args,
         const platform::TServices& services) {
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
  THost host(std::move(commandLine), services);
  try {
    return host.Run();
  } catch (const std::exception& e) {
    ReportFatalError(&e, programName, host.ResultsToClipboard(), services);
  } catch (...) {
    ReportFatalError(nullptr, programName, host.ResultsToClipboard(), services);
  }
  host.HandBackStandardInput();
  return 1;
}

}  // namespace host
