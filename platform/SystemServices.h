#pragma once
// The system's own platform services, made once in main and handed down from there.

#include <memory>

#include "platform/Encoding.h"
#include "platform/Services.h"

namespace platform {

/// Owns the run's text boundary and the real implementation of every service; the user's number
/// format is read when it is made.
class TSystemServices {
 public:
  TSystemServices();
  ~TSystemServices();
  TSystemServices(const TSystemServices&) = delete;
  TSystemServices& operator=(const TSystemServices&) = delete;

  const TServices& Services() const { return FServices; }

 private:
  TTextBoundary FText;  // first: every service below takes its texts across it
  std::unique_ptr<TClipboard> FClipboard;
  std::unique_ptr<TFileSystem> FFiles;
  std::unique_ptr<TStateStore> FState;
  std::unique_ptr<TErrorReport> FErrorReport;  // before the console, which warns through it
  std::unique_ptr<TConsole> FConsole;
  std::unique_ptr<TStdStreams> FStdStreams;
  std::unique_ptr<TSysColorStore> FSysColors;
  std::unique_ptr<TCodePages> FCodePages;
  std::unique_ptr<TDebugEcho> FDebugEcho;
  TServices FServices;
};

}  // namespace platform
