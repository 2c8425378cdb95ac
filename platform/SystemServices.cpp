#include "platform/SystemServices.h"

#include "platform/Locale.h"

namespace platform {

TSystemServices::TSystemServices()
    : FClipboard(NewSystemClipboard(FText)),
      FFiles(NewSystemFileSystem(FText)),
      FState(NewSystemStateStore(FText)),
      FErrorReport(NewSystemErrorReport(FText)),
      FConsole(NewSystemConsole(*FState, FText, *FErrorReport)),
      FStdStreams(NewSystemStdStreams(FText)),
      FSysColors(NewSystemSysColorStore(FText)),
      FCodePages(NewSystemCodePages()),
      FDebugEcho(NewSystemDebugEcho(FText)),
      FServices{*FClipboard,   *FFiles,     *FState,      *FConsole, *FStdStreams,
                *FErrorReport, *FSysColors, *FCodePages,  *FDebugEcho,
                FText,         {UserDecimalSeparator()}, {}} {}

TSystemServices::~TSystemServices() = default;

}  // namespace platform
