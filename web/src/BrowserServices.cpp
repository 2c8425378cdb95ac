#include "BrowserServices.h"

#include <optional>
#include <span>
#include <string>

#include "scan/Exceptions.h"

namespace web {
namespace {

// The folders of the command-line tool as its help names them where it cannot tell the real ones:
// the page's help reads as the tool's, and what an evaluation saves goes there in memory.
constexpr const char* ConfigFolder = "$XDG_CONFIG_HOME/sheetcalc/";
constexpr const char* StateFolder = "$XDG_STATE_HOME/sheetcalc/";

/// No file exists; the quiet services above keep what an evaluation writes.
class TNoFiles final : public platform::TFileSystem {
 public:
  bool FileExists(const std::string&) override { return false; }
  std::string LoadTextFile(const std::string&) override { return std::string(); }
  void SaveTextFile(const std::string& name, const std::string&) override {
    throw scan::EInOutError("ファイルを書けません: " + name);
  }
  bool DeleteFile(const std::string&) override { return false; }
  // Every name is in the one folder the page has.
  std::string RealFolderOf(const std::string&) override { return "/"; }
  std::string ProgramFolder(bool) override { return ConfigFolder; }
};

class TNoState final : public platform::TStateStore {
 public:
  std::string StateFolder(bool) override { return web::StateFolder; }
  std::optional<std::string> LoadState(const std::string&) override { return std::nullopt; }
  void SaveState(const std::string&, const std::string&) override {}
};

/// The console's end of input at once: a sheet is never run in console mode here.
class TNoConsole final : public platform::TConsole {
 public:
  void Open() override {}
  std::optional<std::string> ReadConsoleLine() override { return std::nullopt; }
  void WriteConsoleLine(const std::string&) override {}
  bool Attended() const override { return false; }
};

class TNoStdStreams final : public platform::TStdStreams {
 public:
  std::string ReadStandardInput() override { return std::string(); }
  bool WriteStandardOutput(std::string_view) override { return false; }
};

/// The Windows default palette; changes go to the quiet services' memory above it.
class TDefaultSysColors final : public platform::TSysColorStore {
 public:
  uint32_t GetSysColor(int32_t index) override {
    return index >= 0 && index < platform::SysColorIndexCount
               ? platform::DefaultSysColors[static_cast<size_t>(index)]
               : 0;
  }
  void SetSysColors(std::span<const int32_t>, std::span<const uint32_t>) override {}
};

/// The page shows an error that ends a pass on its line (web/src/SheetModule.cpp).
class TNoErrorReport final : public platform::TErrorReport {
 public:
  void ShowFatalError(const platform::TFatalError&) override {}
  void ShowUsageError(const std::string&) override {}
  void ShowWarning(const std::string&) override {}
};

}  // namespace

struct TBrowserServices::TParts {
  TParts() : CodePages(platform::NewSystemCodePages()) {}
  TNoFiles Files;
  TNoState State;
  TNoConsole Console;
  TNoStdStreams Streams;
  TNoErrorReport Report;
  TDefaultSysColors Colors;
  std::unique_ptr<platform::TCodePages> CodePages;
  lsp::TNoClipboard Clipboard;
  lsp::TNoDebugEcho Echo;
};

TBrowserServices::TBrowserServices()
    : FParts(std::make_unique<TParts>()),
      FBase(std::make_unique<platform::TServices>(platform::TServices{
          FParts->Clipboard, FParts->Files, FParts->State, FParts->Console, FParts->Streams,
          FParts->Report, FParts->Colors, *FParts->CodePages, FParts->Echo, FText, {}, {}})),
      FQuiet(std::make_unique<lsp::TQuietServices>(*FBase)) {}

TBrowserServices::~TBrowserServices() = default;

}  // namespace web
