// The report of an error that ends the run: the message box text, the one-line form, and where
// each goes.

#include <cinttypes>
#include <cstdio>
#include <new>
#include <string>

#include "host/FatalError.h"
#include "host/Run.h"
#include "platform/Encoding.h"
#include "platform/ErrorReport.h"
#include "platform/Messages.h"
#include "platform/Services.h"
#include "scan/Errors.h"
#include "scan/uAnsiCharTools.h"

namespace host {
namespace {

std::string KindOf(const std::exception* error) {
  if (auto e = dynamic_cast<const scan::Exception*>(error)) return e->ClassName();
  if (dynamic_cast<const std::bad_alloc*>(error)) return "EOutOfMemory";
  return "Exception";
}

// The program file's name without its folder. The path is cut at the last '/' or '\\' that is
// not the trail byte of a double-byte character.
std::string ModuleName(const std::string& programName, platform::TTextBoundary& text) {
  std::string name;
  try {
    name = text.ImportName(programName, programName);
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

}  // namespace

void ReportFatalError(const std::exception* error, const std::string& programName,
                      bool toClipboard, const platform::TServices& services) {
  // A C++ exception does not carry the place it was raised; the report names the entry of the
  // run that it escaped from.
  const void* where = reinterpret_cast<const void*>(&Main);
  platform::TFatalError report;
  report.Caption = platform::TranslateInside(FatalErrorCaption);
  report.Text = FatalErrorText(error, ModuleName(programName, services.Text), where);
  report.Line = FatalErrorLine(error);
  report.Notify = toClipboard;
  services.ErrorReport.ShowFatalError(report);
}

const char* const FatalErrorCaption = "Application Error";

std::string FatalErrorText(const std::exception* error, const std::string& module,
                           const void* where) {
  char address[2 * sizeof(void*) + 1];
  std::snprintf(address, sizeof address, "%0*" PRIXPTR, static_cast<int>(2 * sizeof(void*)),
                reinterpret_cast<uintptr_t>(where));
  std::string message = error ? error->what() : "";
  std::string text =
      platform::Substitute(platform::TranslateInside("%1 in module %2 at %3."),
                           {KindOf(error), module, address}) +
      "\n" + message;
  if (message.empty() || message.back() != '.') text += '.';
  return text;
}

std::string FatalErrorLine(const std::exception* error) {
  auto encoding = dynamic_cast<const scan::EEncodingError*>(error);
  if (encoding && !encoding->Source().empty())
    return encoding->Source() + ":" + std::to_string(encoding->Line()) + ":" +
           std::to_string(encoding->Column()) + ": " + encoding->Detail();
  std::string message = error ? error->what() : "";
  return message.empty() ? KindOf(error) : message;
}

}  // namespace host
