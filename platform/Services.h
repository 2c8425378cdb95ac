#pragma once
// The platform services one run works with, handed to everything that reaches outside: main makes
// the system's own (platform/SystemServices.h), tests and the language server make their own. Only
// interfaces here, so the engine may carry the object without knowing any implementation.

#include <string>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/CodePages.h"
#include "platform/Console.h"
#include "platform/ErrorReport.h"
#include "platform/Files.h"
#include "platform/State.h"
#include "platform/StdStreams.h"
#include "platform/SysColors.h"
#include "scan/uAnsiCharTools.h"

namespace platform {

class TTextBoundary;  // platform/Encoding.h

/// The services by reference; whoever makes the object keeps the services alive longer than it.
struct TServices {
  TClipboard& Clipboard;
  TFileSystem& Files;
  TStateStore& State;
  TConsole& Console;
  TStdStreams& StdStreams;
  TErrorReport& ErrorReport;
  TSysColorStore& SysColors;
  TCodePages& CodePages;
  TDebugEcho& DebugEcho;
  /// The run's text boundary: every text that crosses it shares its stand-ins.
  TTextBoundary& Text;
  /// The user's number format, read once at start-up; the engine keeps a copy.
  scan::TFormatSettings Format;
  /// Folders besides a sheet's own where its #P2Js output files may go (--allow-write), as
  /// RealFolderOf gives them; empty unless the user named some.
  std::vector<std::string> WriteFolders;
};

}  // namespace platform
