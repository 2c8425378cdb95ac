// The program's entry behind main: the run, and the report of an error that ends it.

#include <cinttypes>
#include <cstdio>
#include <new>
#include <string>

#include "host/Host.h"
#include "platform/Encoding.h"
#include "platform/ErrorReport.h"
#include "platform/StdStreams.h"
#include "scan/Errors.h"
#include "scan/uAnsiCharTools.h"

#ifndef SHEETCALC_VERSION
#define SHEETCALC_VERSION "0"
#endif

namespace host {
namespace {

const char* const Usage[] = {
    "使い方: sheetcalc [--stdout] [ファイル...]",
    "        sheetcalc --undo",
    "  引数なし     クリップボードの計算シートを計算し、結果をクリップボードに返します",
    "               (クリップボードに計算シートがなければコンソールモード)",
    "  ファイル...  存在するファイルを順に計算し、結果をまとめてクリップボードに置きます",
    "  -            計算シートを標準入力から読み、結果を標準出力に書きます",
    "  --stdout     結果をクリップボードではなく標準出力に書きます",
    "  --undo       直前の実行が置き換える前のクリップボードの内容を戻します(もう一度でやり直し)",
    "  --help       この説明を出して終わります",
    "  --version    版を出して終わります",
    "  --           これより後の引数はすべてファイル名です",
};

std::string KindOf(const std::exception* error) {
  if (auto e = dynamic_cast<const scan::Exception*>(error)) return e->ClassName();
  if (dynamic_cast<const std::bad_alloc*>(error)) return "EOutOfMemory";
  return "Exception";
}

// The program file's name without its folder. The path is cut at the last '/' or '\\' that is
// not the trail byte of a double-byte character.
std::string ModuleName(const std::string& programName) {
  std::string name;
  try {
    name = platform::ImportName(programName, programName);
  } catch (const scan::EEncodingError&) {
    return "sheetcalc";
  }
  const char* base = name.c_str();
  for (const char* p = base; *p != '\0';) {
    if (scan::SkipMultiByteChar(p)) continue;
    char c = *p++;
    if (c == '/' || c == '\\') base = p;
  }
  return *base == '\0' ? std::string("sheetcalc") : std::string(base);
}

void PrintLines(std::span<const char* const> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  platform::StdStreams().WriteStandardOutput(platform::ExportText(text));
}

}  // namespace

const char* const FatalErrorCaption = "アプリケーション エラー";

std::string FatalErrorText(const std::exception* error, const std::string& module,
                           const void* where) {
  char address[2 * sizeof(void*) + 1];
  std::snprintf(address, sizeof address, "%0*" PRIXPTR, static_cast<int>(2 * sizeof(void*)),
                reinterpret_cast<uintptr_t>(where));
  std::string message = error ? error->what() : "";
  std::string text = KindOf(error) + "がモジュール " + module + " の " + address +
                     " で発生しました。\n" + message;
  if (message.empty() || message.back() != '.') text += '.';
  return text;
}

int Main(const std::string& programName, std::span<const std::string> args) {
  TCommandLine commandLine = ParseCommandLine(args);
  if (commandLine.Help) {
    PrintLines(Usage);
    return 0;
  }
  if (commandLine.Version) {
    const char* line = "sheetcalc " SHEETCALC_VERSION;
    PrintLines({&line, 1});
    return 0;
  }
  THost host(std::move(commandLine));
  // A C++ exception does not carry the place it was raised; the report names the entry of the
  // run that it escaped from.
  const void* where = reinterpret_cast<const void*>(&Main);
  try {
    return host.Run();
  } catch (const std::exception& e) {
    platform::ErrorReport().ShowFatalError(FatalErrorCaption,
                                           FatalErrorText(&e, ModuleName(programName), where));
  } catch (...) {
    platform::ErrorReport().ShowFatalError(FatalErrorCaption,
                                           FatalErrorText(nullptr, ModuleName(programName), where));
  }
  host.HandBackStandardInput();
  return 1;
}

}  // namespace host
