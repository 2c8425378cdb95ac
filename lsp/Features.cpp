// What the server shows of an evaluation: diagnostics, inlay hints, hovers (a label's value, a
// function's call form and what it gives) and completions.

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_set>

#include "engine/CalcAnsiScript.h"
#include "lsp/JsonParams.h"
#include "lsp/LspServer.h"
#include "platform/Encoding.h"
#include "platform/Messages.h"
#include "scan/uAnsiCharTools.h"

namespace lsp {
namespace {

enum TCompletionKind : int { ckFunction = 3, ckVariable = 6, ckKeyword = 14, ckConstant = 21 };

/// A byte of a name: an ASCII letter or digit, '_', or any byte of a non-ASCII character.
bool IsNameByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_' ||
         b >= 0x80;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && scan::SameTextAscii(text.substr(0, prefix.size()), prefix);
}

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

/// The name around byte `at` of the line: [start, end).
std::pair<size_t, size_t> NameAround(std::string_view line, size_t at) {
  size_t start = at, end = at;
  while (start > 0 && IsNameByte(line[start - 1])) --start;
  while (end < line.size() && IsNameByte(line[end])) ++end;
  return {start, end};
}

/// The value text of the label's latest assignment on or above the line; empty when none.
std::string LabelValue(const TEvaluation& results, std::string_view name, int64_t line,
                       const platform::TServices& services) {
  const auto number = results.LabelNumbers.find(std::string(name));
  if (number == results.LabelNumbers.end()) return std::string();
  const TLabelEvent* latest = nullptr;
  for (const TLabelEvent& event : results.Labels) {
    if (event.Line > line) break;
    if (event.Name == number->second) latest = &event;
  }
  return latest ? FormatLabelValue(latest->Value, services) : std::string();
}

}  // namespace

void TLspServer::PublishDiagnostics(const std::string& uri, const TOpenDocument* document) {
  json diagnostics = json::array();
  if (document) {
    for (const TLineError& error : document->Sheet.Results().Errors) {
      const TPosition end = document->Sheet.Text().LineEnd(error.Line, FEncoding);
      diagnostics.push_back({{"range", RangeJson({error.Line, 0}, end)},
                             {"severity", 1},
                             {"source", "sheetcalc"},
                             {"message", error.Message}});
    }
  }
  json params = {{"uri", uri}, {"diagnostics", std::move(diagnostics)}};
  if (document) params["version"] = document->Version;
  Send({{"jsonrpc", "2.0"}, {"method", "textDocument/publishDiagnostics"}, {"params", std::move(params)}});
}

json TLspServer::InlayHints(const json& params) {
  const json& range = Member(params, "range");
  const int64_t first = IndexMember(Member(range, "start"), "line");
  const int64_t last = IndexMember(Member(range, "end"), "line");
  const TSheet& sheet = Evaluated(params, last).Sheet;
  const auto& lines = sheet.Results().Lines;
  json hints = json::array();
  auto from = std::lower_bound(lines.begin(), lines.end(), first,
                               [](const TLineResult& r, int64_t line) { return r.Line < line; });
  for (auto it = from; it != lines.end() && it->Line <= last; ++it) {
    const TLineResult& result = *it;
    if (result.Line >= sheet.Text().LineCount()) break;
    json hint = {{"position", ToJson(sheet.Text().LineEnd(result.Line, FEncoding))},
                 {"label", result.Annotation}};
    // A result that starts with a blank keeps its own distance from the text.
    if (result.Annotation.empty() || result.Annotation.front() != ' ') hint["paddingLeft"] = true;
    hints.push_back(std::move(hint));
  }
  return hints;
}

json TLspServer::Hover(const json& params) {
  const TPosition at = PositionOf(Member(params, "position"));
  const TSheet& sheet = Evaluated(params, at.Line).Sheet;
  std::string_view line = sheet.Text().Line(at.Line);
  const auto [start, end] = NameAround(line, UnitsToBytes(line, at.Character, FEncoding));
  if (start == end) return nullptr;
  std::string_view name = line.substr(start, end - start);
  // A label may share a function's name: before "(" the name is a call.
  const bool called = TrimLeft(line.substr(end)).starts_with('(');
  std::string text;
  if (!called) {
    const std::string value = LabelValue(sheet.Results(), name, at.Line, FQuiet.Services());
    if (!value.empty()) text = std::string(name) + " = " + std::string(TrimLeft(value));
  }
  if (text.empty()) {
    const engine::TFunctionHelp* help = engine::FindFunctionHelp(name);
    if (!help) return nullptr;
    // Translate's text is in the ANSI code page on Windows: through inside text, UTF-8 everywhere.
    const std::string description = platform::TranslateInside(help->Description);
    text = std::string(help->Call) + "\n" + FQuiet.Services().Text.ExportUtf8Text(description);
  }
  return {{"contents", {{"kind", "plaintext"}, {"value", std::move(text)}}},
          {"range", RangeJson({at.Line, BytesToUnits(line, start, FEncoding)},
                              {at.Line, BytesToUnits(line, end, FEncoding)})}};
}

json TLspServer::Completion(const json& params) {
  const TPosition at = PositionOf(Member(params, "position"));
  const TSheet& sheet = Evaluated(params, at.Line).Sheet;
  std::string_view line = sheet.Text().Line(at.Line);
  const size_t cursor = UnitsToBytes(line, at.Character, FEncoding);
  size_t start = NameAround(line.substr(0, cursor), cursor).first;
  if (start > 0 && line[start - 1] == '#') --start;
  const std::string_view prefix = line.substr(start, cursor - start);
  const json range = RangeJson({at.Line, BytesToUnits(line, start, FEncoding)},
                               {at.Line, BytesToUnits(line, cursor, FEncoding)});
  json items = json::array();
  platform::TTextBoundary& text = FQuiet.Services().Text;
  auto offer = [&](std::string label, int kind) {
    if (!StartsWithNoCase(label, prefix)) return;
    items.push_back({{"label", label}, {"kind", kind}, {"textEdit", {{"range", range}, {"newText", label}}}});
  };
  if (!prefix.empty() && prefix.front() == '#') {
    for (const std::string& directive : FDirectives) offer(text.ExportUtf8Text(directive), ckKeyword);
    return {{"isIncomplete", false}, {"items", std::move(items)}};
  }
  for (std::string_view name : engine::BuiltInFunctionNames()) offer(std::string(name), ckFunction);
  for (std::string_view name : engine::ConstantNames()) offer(text.ExportUtf8Text(name), ckConstant);
  std::unordered_set<uint32_t> offered;  // a label assigned on many lines is offered once
  const TEvaluation& results = sheet.Results();
  for (const TLabelEvent& event : results.Labels) {
    if (event.Line >= at.Line) break;
    const std::string& name = results.LabelNames[event.Name];
    if (StartsWithNoCase(name, prefix) && offered.insert(event.Name).second) offer(name, ckVariable);
  }
  return {{"isIncomplete", false}, {"items", std::move(items)}};
}

}  // namespace lsp
