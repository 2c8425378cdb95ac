// The code page addition and its report line.

#include "additions/uScrExt.h"

#include <cstdio>

#include "engine/FloatOps.h"
#include "platform/Services.h"
#include "scan/uAnsiCharTools.h"

namespace additions {
namespace {

constexpr std::string_view HelpText = "#cp のみで現在のコードページ情報 *で一覧 数字で指定\r\n";

// Bytes that open the one-code-page form: an expression that starts with '+', a digit, a letter
// or '@'.
constexpr scan::CharSet ExpressionStart =
    scan::CharSet{'+', '@'} + scan::DigitChars + scan::LetterChars;

constexpr uint32_t LastCodePage = 65535;

std::string Formatted(const char* format, long long value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::string CodePageReport(std::string_view label, const platform::TCodePageInfo& info) {
  std::string line(label);
  line += Formatted("%8lld,", info.CodePage);
  line += Formatted("%2lld,", info.MaxCharSize);
  line += "\"[";
  for (size_t i = 0; i + 1 < info.LeadByte.size(); i += 2) {
    uint8_t first = info.LeadByte[i], last = info.LeadByte[i + 1];
    if (first == 0 && last == 0) break;
    char pair[16];
    std::snprintf(pair, sizeof pair, "#$%2.2X..#$%2.2X", static_cast<unsigned>(first), static_cast<unsigned>(last));
    if (i > 0) line += ',';
    line += pair;
  }
  line += "]\",";
  line += info.CodePageName;
  return line;
}

void TuScrExt::Report(uint32_t codePage, std::string_view label) {
  platform::TCodePageInfo info;
  if (FServices.CodePages.GetCodePageInfo(codePage, info))
    FEngine->WriteNote(CodePageReport(label, info));
}

bool TuScrExt::Directive(const std::string& name, const char*& cursor) {
  if (name.empty() || scan::SameTextAscii(name, "h")) FEngine->WriteNote(HelpText);
  if (!scan::SameTextAscii(name, DirectiveName)) return false;
  scan::SkipCharSet(cursor, scan::BlankChars);
  if (*cursor == '*') {
    for (uint32_t cp = 0; cp <= LastCodePage; ++cp) Report(cp, Formatted(",%5lld,", cp));
  } else if (ExpressionStart.Has(*cursor)) {
    int64_t number = engine::RoundToInt64(FEngine->EvaluateAt(cursor));
    // A number that is no 32-bit code page identifier names no code page.
    if (number >= 0 && number <= static_cast<int64_t>(UINT32_MAX))
      Report(static_cast<uint32_t>(number), Formatted("cp %5lld:", number));
  } else {
    Report(platform::AnsiCodePage, "CP_ACP  :");
    Report(platform::OemCodePage, "CP_OEMCP:");
  }
  return true;
}

}  // namespace additions
