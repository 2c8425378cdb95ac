#include "platform/SystemServices.h"

#include "platform/Locale.h"

namespace platform {

TSystemServices::TSystemServices()
    : FClipboard(NewSystemClipboard()),
      FFiles(NewSystemFileSystem()),
      FState(NewSystemStateStore()),
      FConsole(NewSystemConsole(*FState)),
      FStdStreams(NewSystemStdStreams()),
      FErrorReport(NewSystemErrorReport()),
      FSysColors(NewSystemSysColorStore()),
      FCodePages(NewSystemCodePages()),
      FDebugEcho(NewSystemDebugEcho()),
      FServices{*FClipboard,   *FFiles,     *FState,     *FConsole,  *FStdStreams,
                *FErrorReport, *FSysColors, *FCodePages, *FDebugEcho, {UserDecimalSeparator()}} {}

TSystemServices::~TSystemServices() = default;

}  // namespace platform
