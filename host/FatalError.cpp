// The report of an error that ends the run: the message box text, the one-line form, and where
// each goes.

#include <cinttypes>
#include <cstdio>
#include <new>
#include <string>

#include "host/FatalError.h"
#include "platform/Encoding.h"
#include "platform/ErrorReport.h"
#include "platform/Messages.h"
#include "platform/Services.h"
#include "scan/Exceptions.h"
#include "scan/uAnsiCharTools.h"

namespace host {
namespace {

// The engine's and the converter's messages are their own Japanese texts, which a sheet shows as
// they are wherever it is evaluated; a report to the person gives them in the person's language.
// Each row: a message, its variable part as %1, and the catalog's English text of it.
struct TMessageForm {
  std::string_view Inside;
  const char* English;
};
constexpr TMessageForm MessageForms[] = {
    {"ScriptFileの後に=が無い", "'=' is missing after #ScriptFile"},
    {"fmtの後に=が無い", "'=' is missing after #fmt"},
    {"式の入れ子が深すぎます", "the expression is nested too deeply"},
    {"浮動小数点数の無効な演算です", "invalid floating-point operation"},
    {"浮動小数点数の 0 による除算です", "floating-point division by zero"},
    {"浮動小数点数のオーバーフローです", "floating-point overflow"},
    {"'%1' は整数ではありません", "'%1' is not an integer"},
    {"'%1' は浮動小数点数ではありません", "'%1' is not a floating-point number"},
    {"書式 '%1' が無効か、引数と互換性がありません", "the format '%1' is not valid or does not fit its arguments"},
    {"#P2Js: 入れ子が深すぎます（%1 段）。変換を中止しました",
     "#P2Js: nested too deeply (%1 levels); the conversion stopped"},
    {"#P2Js: 文字コード '#%1' は大きすぎて変換できません",
     "#P2Js: the character code '#%1' is too large to convert"},
    {"ファイルを書けません: %1", "cannot write the file: %1"},
    {"フォルダを作れません: %1", "cannot create the folder: %1"},
};

/// The message in the person's language when it is one of the known forms, else as it is.
std::string ForThePerson(const std::string& message) {
  for (const TMessageForm& form : MessageForms) {
    const size_t mark = form.Inside.find("%1");
    if (mark == std::string_view::npos) {
      if (message == form.Inside) return platform::TranslateInside(form.English);
      continue;
    }
    const std::string_view before = form.Inside.substr(0, mark), after = form.Inside.substr(mark + 2);
    if (message.size() >= before.size() + after.size() && message.starts_with(before) &&
        message.ends_with(after)) {
      const std::string part =
          message.substr(before.size(), message.size() - before.size() - after.size());
      return platform::Substitute(platform::TranslateInside(form.English), {part});
    }
  }
  return message;
}

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
                      const void* where, bool toClipboard, const platform::TServices& services) {
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
  std::string message = error ? ForThePerson(error->what()) : "";
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
  std::string message = error ? ForThePerson(error->what()) : "";
  return message.empty() ? KindOf(error) : message;
}

}  // namespace host
