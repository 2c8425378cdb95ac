#pragma once
// In-memory stand-ins for the host's services: clipboard, console, standard streams, the
// fatal-error report, the state store and the converter's echo (files, colours and code pages:
// AdditionFakes.h), and TFakeServices, every one of them gathered for handing in. Texts are kept
// as the program hands them over (inside text), except standard input and output, which are
// outside text.

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "AdditionFakes.h"
#include "platform/Encoding.h"
#include "platform/Services.h"

namespace fakes {

/// A clipboard holding one text; `FWritable` false makes every write fail. Reads are counted,
/// writes recorded. `FMissing` is what it reports as missing to reach it.
class TFakeClipboard final : public platform::TClipboard {
 public:
  TFakeClipboard() = default;
  TFakeClipboard(const TFakeClipboard&) = delete;
  TFakeClipboard& operator=(const TFakeClipboard&) = delete;

  std::string GetClipboardText() override {
    ++FReads;
    return FText;
  }
  bool SetClipboardText(const std::string& text) override {
    FWrites.push_back(text);
    if (FWritable) FText = text;
    return FWritable;
  }
  std::string MissingTool() override { return FMissing; }

  std::string FText;
  bool FWritable = true;
  std::string FMissing;
  int FReads = 0;
  std::vector<std::string> FWrites;
};

/// A console that types the queued lines (a line end is added to each) and records what is
/// written; the end of the queue is the end of input.
class TFakeConsole final : public platform::TConsole {
 public:
  TFakeConsole() = default;
  TFakeConsole(const TFakeConsole&) = delete;
  TFakeConsole& operator=(const TFakeConsole&) = delete;

  void Open() override { ++FOpened; }
  std::optional<std::string> ReadConsoleLine() override {
    if (FCompletion) FNames = FCompletion();  // what Tab would offer at this prompt
    if (FInput.empty()) return std::nullopt;
    std::string line = FInput.front() + "\r\n";
    FInput.pop_front();
    return line;
  }
  void WriteConsoleLine(const std::string& text) override { FOutput += text + "\r\n"; }
  void SetCompletion(std::function<std::vector<std::string>()> names) override {
    FCompletion = std::move(names);
  }
  bool Attended() const override { return FAttended; }

  bool FAttended = true;
  std::deque<std::string> FInput;
  std::string FOutput;
  int FOpened = 0;
  std::function<std::vector<std::string>()> FCompletion;
  std::vector<std::string> FNames;  // the completion candidates at the last prompt
};

/// Standard input from `FInput`; standard output and warnings collected.
class TFakeStdStreams final : public platform::TStdStreams {
 public:
  TFakeStdStreams() = default;
  TFakeStdStreams(const TFakeStdStreams&) = delete;
  TFakeStdStreams& operator=(const TFakeStdStreams&) = delete;

  std::string ReadStandardInput() override {
    ++FReads;
    if (FRereadable) FFile = FInput;
    return std::exchange(FInput, std::string());
  }
  bool CanRereadStandardInput() const override { return FRereadable; }
  bool RereadStandardInput(std::string& bytes) override {
    if (!FRereadable) return false;
    bytes = FFile;
    return true;
  }
  bool WriteStandardOutput(std::string_view bytes) override {
    if (FOutputFails) return false;
    FOutput += bytes;
    return true;
  }

  std::string FInput;
  std::string FOutput;
  int FReads = 0;
  bool FOutputFails = false;  // every write to standard output fails (a full disk)
  bool FRereadable = false;   // standard input is a file that can be read again
  std::string FFile;          // what a second read of it gives
};

/// Records every fatal-error report and every warning.
class TFakeErrorReport final : public platform::TErrorReport {
 public:
  TFakeErrorReport() = default;
  TFakeErrorReport(const TFakeErrorReport&) = delete;
  TFakeErrorReport& operator=(const TFakeErrorReport&) = delete;

  void ShowFatalError(const platform::TFatalError& error) override {
    if (FFailing) throw scan::EEncodingError("no converter");
    FReports.push_back(error.Caption + "|" + error.Text);
    FLines.push_back(error.Line);
    FNotify.push_back(error.Notify);
  }
  void ShowUsageError(const std::string& text) override { FUsageErrors.push_back(text); }
  void ShowWarning(const std::string& text) override { FWarnings.push_back(text); }

  bool FFailing = false;              // the report itself fails, as without a text converter
  std::vector<std::string> FReports;  // the message box form: "<caption>|<text>"
  std::vector<std::string> FLines;    // the one-line form
  std::vector<bool> FNotify;
  std::vector<std::string> FUsageErrors;
  std::vector<std::string> FWarnings;
};

/// State files kept in memory; `FWritable` false makes every save fail as a full disk would.
class TFakeState final : public platform::TStateStore {
 public:
  TFakeState() = default;
  TFakeState(const TFakeState&) = delete;
  TFakeState& operator=(const TFakeState&) = delete;

  std::string StateFolder(bool /*create*/) override { return "/state/"; }
  std::optional<std::string> LoadState(const std::string& name) override {
    auto it = FFiles.find(name);
    if (it == FFiles.end()) return std::nullopt;
    return it->second;
  }
  void SaveState(const std::string& name, const std::string& bytes) override {
    if (!FWritable) throw scan::EInOutError("ファイルを書けません: /state/" + name + ": No space left on device");
    FFiles[name] = bytes;
  }

  std::map<std::string, std::string> FFiles;
  bool FWritable = true;
};

/// Records what the converter echoes.
class TFakeDebugEcho final : public platform::TDebugEcho {
 public:
  void WriteDebugEcho(const std::string& text) override { FText += text; }

  std::string FText;
};

/// Every service faked at once; `Services` hands them in (its number format: '.').
struct TFakeServices {
  TFakeServices() = default;
  TFakeServices(const TFakeServices&) = delete;
  TFakeServices& operator=(const TFakeServices&) = delete;

  TMemoryFiles Files;
  TFakeClipboard Clipboard;
  TFakeConsole Console;
  TFakeStdStreams Streams;
  TFakeErrorReport Report;
  TFakeState State;
  TFakeSysColors Colors;
  TFakeCodePages Pages;
  TFakeDebugEcho Echo;
  platform::TTextBoundary Text;  // a run's own: a fresh table of stand-ins
  platform::TServices Services{Clipboard, Files, State, Console, Streams, Report,
                               Colors,    Pages, Echo,  Text,    {},   {}};
};

}  // namespace fakes
