// The code action that writes the results into the text. It changes only what a result owns: on
// each line with a result, the text from the line's own "//" annotation (or from its end) on; a
// directive's listing goes below its line unless the lines there repeat it already. Every other
// byte, line ends included, stays. A document an addition took over gets the addition's whole
// text instead.

#include <string>
#include <string_view>

#include "engine/CalcAnsiScript.h"
#include "lsp/JsonParams.h"
#include "lsp/LspServer.h"
#include "platform/Encoding.h"

namespace lsp {
namespace {

constexpr std::string_view WriteResultsTitle = "Write the results into the text";
constexpr std::string_view WriteResultsKind = "refactor.rewrite";

/// True when `kind` is `family` or one of its members ("refactor" holds "refactor.rewrite").
bool IsKindOf(std::string_view kind, std::string_view family) {
  return kind == family || (kind.starts_with(family) && kind[family.size()] == '.');
}

/// An editor that asks for some kinds only gets the action when it is among them.
bool KindWanted(const json& params) {
  auto context = params.find("context");
  if (context == params.end() || !context->is_object() || !context->contains("only")) return true;
  const json& only = (*context)["only"];
  for (const json& kind : only.is_array() ? only : json::array())
    if (kind.is_string() && IsKindOf(WriteResultsKind, kind.get_ref<const std::string&>())) return true;
  return false;
}

/// The line break the document uses after `line` (or after its first line): LF unless CR LF or CR.
std::string_view LineBreakOf(const TTextDocument& text, int64_t line) {
  for (int64_t l : {line, int64_t{0}}) {
    const size_t end = text.LineStart(l) + text.Line(l).size();
    const std::string& t = text.Text();
    if (end < t.size()) return t.compare(end, 2, "\r\n") == 0 ? "\r\n" : t[end] == '\r' ? "\r" : "\n";
  }
  return "\n";
}

json EditJson(TPosition start, TPosition end, std::string text) {
  return {{"range", RangeJson(start, end)}, {"newText", std::move(text)}};
}

/// The listing's lines (inside text, each ended by CR LF) in outside text.
std::vector<std::string> ListingLines(const std::string& listing, platform::TTextBoundary& boundary) {
  std::vector<std::string> lines;
  std::string_view rest = listing;
  while (!rest.empty()) {
    const size_t end = rest.find("\r\n");
    lines.push_back(boundary.ExportUtf8Text(rest.substr(0, end)));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
  }
  return lines;
}

void AddListingEdit(const TTextDocument& text, const TLineResult& listing, TPositionEncoding enc,
                    platform::TTextBoundary& boundary, json& edits) {
  const std::vector<std::string> lines = ListingLines(listing.Annotation, boundary);
  // The engine passes over a listing of notes that the lines below repeat; any other is written
  // again.
  bool repeated = !lines.empty();
  for (size_t i = 0; i < lines.size() && repeated; ++i)
    repeated = lines[i].starts_with("//") && text.Line(listing.Line + 1 + static_cast<int64_t>(i)) == lines[i] &&
               listing.Line + 1 + static_cast<int64_t>(i) < text.LineCount();
  if (repeated) return;
  const std::string_view lineBreak = LineBreakOf(text, listing.Line);
  std::string inserted;
  for (const std::string& line : lines) (inserted += lineBreak) += line;
  const TPosition end = text.LineEnd(listing.Line, enc);
  edits.push_back(EditJson(end, end, std::move(inserted)));
}

}  // namespace

json WriteBackEdits(const TTextDocument& text, const TEvaluation& results, TPositionEncoding enc,
                    platform::TTextBoundary& boundary) {
  json edits = json::array();
  auto listing = results.Listings.begin();
  for (const TLineResult& result : results.Lines) {
    for (; listing != results.Listings.end() && listing->Line < result.Line; ++listing)
      AddListingEdit(text, *listing, enc, boundary, edits);
    if (result.Line >= text.LineCount()) continue;
    const std::string_view line = text.Line(result.Line);
    const size_t own = static_cast<size_t>(engine::AnnotationStart(line.data()) - line.data());
    // "1/" and its annotation would read back as "1" and a comment: a blank keeps them apart.
    std::string annotation = own > 0 && line[own - 1] == '/' ? " //" : "//";
    annotation += result.Annotation;
    if (line.substr(own) == annotation) continue;
    edits.push_back(EditJson({result.Line, BytesToUnits(line, own, enc)}, text.LineEnd(result.Line, enc),
                             std::move(annotation)));
  }
  for (; listing != results.Listings.end(); ++listing) AddListingEdit(text, *listing, enc, boundary, edits);
  return edits;
}

json TLspServer::CodeActions(const json& params) {
  TOpenDocument& document = Document(params);
  json actions = json::array();
  if (!KindWanted(params)) return actions;
  json action = {{"title", WriteResultsTitle},
                 {"kind", WriteResultsKind},
                 {"data", {{"uri", DocumentUri(params)}}}};
  // An editor that resolves actions gets the edit only when the action is chosen; the action is
  // offered for any document with results so far.
  if (FResolveSupport && !document.Sheet.WholePasses()) {
    const TEvaluation& results = document.Sheet.Results();
    if (document.Sheet.Evaluated() && (results.Lines.empty() || results.Aborted)) return actions;
    actions.push_back(std::move(action));
    return actions;
  }
  ResolveCodeAction(action);
  if (!action.contains("edit")) return actions;
  actions.push_back(std::move(action));
  return actions;
}

json TLspServer::ResolveAction(const json& params) {
  json action = params;
  ResolveCodeAction(action);
  if (!action.contains("edit")) action["edit"] = {{"changes", json::object()}};
  return action;
}

void TLspServer::ResolveCodeAction(json& action) {
  const std::string uri = StringMember(Member(action, "data"), "uri");
  TOpenDocument& document = Document({{"textDocument", {{"uri", uri}}}});
  TSheet& sheet = document.Sheet;
  sheet.EvaluateThrough(sheet.Text().LineCount());
  platform::TTextBoundary& boundary = FQuiet.Services().Text;
  if (sheet.Results().Aborted) return;  // the filter would give the text back as it is
  json edits;
  if (sheet.WholePasses() && sheet.Results().FilterText) {
    std::string whole = boundary.ExportUtf8Text(*sheet.Results().FilterText);
    if (whole == sheet.Text().Text()) return;
    edits = json::array({EditJson({0, 0}, sheet.Text().PositionOf(sheet.Text().Text().size(), FEncoding),
                                  std::move(whole))});
  } else {
    edits = WriteBackEdits(sheet.Text(), sheet.Results(), FEncoding, boundary);
    if (edits.empty()) return;
  }
  action["edit"] = {{"changes", {{uri, std::move(edits)}}}};
}

}  // namespace lsp
