// The engine as the page calls it: a sheet (UTF-8) in, and out what `sheetcalc -` would write for
// it, each line's result and error for display, and on request the text with the results written
// into it as the language server's code action writes them. Each call is a fresh run, with
// services of its own (web/src/BrowserServices.h).
//
// JavaScript reaches it through web/src/SheetModuleApi.js, which gives the one function run().

#include <emscripten/emscripten.h>

#include <exception>
#include <new>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "BrowserServices.h"
#include "engine/SheetRun.h"
#include "host/FatalError.h"
#include "host/Help.h"
#include "host/StandardAdditions.h"
#include "lsp/LspCalculate.h"
#include "lsp/LspServer.h"
#include "lsp/TextDocument.h"
#include "platform/Encoding.h"

namespace web {
namespace {

using json = nlohmann::json;

/// What the last call gave, kept until the next call.
struct TOutcome {
  std::string Text;     // what the filter writes (outside text)
  std::string Written;  // the text with the results written into it
  std::string Display;  // JSON, see SheetcalcRun
  int Status = 0;       // the filter's exit status
};
TOutcome Outcome;

/// The filter's pass over `engine`'s text, recording each line's result: true when an addition
/// took the sheet over. As engine::FilterSheet, which does not tell that.
bool FilterPass(lsp::TLspCalculate& engine) {
  const bool endsWithLineBreak = engine::EndsWithLineBreak(engine.Text());
  if (engine::RunSheet(engine, engine::StandardInputName)) return true;
  engine::FitLineEnd(engine.Output(), endsWithLineBreak);
  return false;
}

/// `text` with the edits (protocol TextEdits with UTF-8 positions, in the order of the text)
/// made.
std::string ApplyEdits(const lsp::TTextDocument& document, const json& edits) {
  const std::string& text = document.Text();
  std::string out;
  size_t done = 0;
  for (const json& edit : edits) {
    const json& range = edit["range"];
    auto offset = [&](const json& at) {
      return document.Offset({at["line"].get<int64_t>(), at["character"].get<int64_t>()},
                             lsp::TPositionEncoding::Utf8);
    };
    const size_t start = offset(range["start"]);
    out.append(text, done, start - done);
    out += edit["newText"].get_ref<const std::string&>();
    done = offset(range["end"]);
  }
  return out.append(text, done);
}

/// The write-back of the language server's code action, made on `outside`.
std::string WriteBack(std::string_view outside, const lsp::TEvaluation& results, bool taken,
                      const std::string& filtered, platform::TTextBoundary& boundary) {
  if (results.Aborted) return std::string(outside);
  // A sheet an addition took over is replaced by what the addition gives.
  if (taken) return filtered.empty() ? std::string(outside) : filtered;
  lsp::TTextDocument document{std::string(outside)};
  return ApplyEdits(document, lsp::WriteBackEdits(document, results, lsp::TPositionEncoding::Utf8, boundary));
}

json LineArray(const auto& items, auto member) {
  json array = json::array();
  for (const auto& item : items) array.push_back({item.Line, item.*member});
  return array;
}

/// The filter's run of `outside` as `sheetcalc -` makes it: its text (and exit status) into
/// Outcome, each line's result and error into `results`, and the fatal error's message, if any,
/// into `fatal`. True when an addition took the sheet over.
bool Filter(std::string_view outside, const platform::TServices& services, lsp::TEvaluation& results,
            std::string& fatal) {
  platform::TTextBoundary& boundary = services.Text;
  bool taken = false;
  try {
    std::string text = boundary.ImportText(outside, "standard input");
    const std::string mark = boundary.TakeByteOrderMark(text);
    lsp::TLspCalculate engine(std::move(text), services, host::StandardAdditions());
    try {
      taken = FilterPass(engine);
    } catch (const std::bad_alloc&) {
      throw;
    } catch (const std::exception& e) {
      // The error that ends the pass shows on the line where it stopped.
      lsp::CollectResults(engine, results);
      results.Errors.push_back({engine.CurrentLine(), boundary.ExportText(host::FatalErrorLine(&e))});
      results.Aborted = true;
      throw;
    }
    lsp::CollectResults(engine, results);
    // An addition that took the sheet over and wrote nothing leaves the filter's input as it was.
    if (taken && engine.Output().empty())
      Outcome.Text = outside;
    else if (!engine.Output().empty())
      Outcome.Text = boundary.ExportText(mark + engine.Output());
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    // The filter gives its input back, and says why.
    Outcome.Text = outside;
    Outcome.Status = 1;
    fatal = boundary.ExportText(host::FatalErrorLine(&e));
    if (!results.Aborted) results.Errors.push_back({0, fatal});
    results.Aborted = true;
  }
  return taken;
}

std::string DisplayJson(const lsp::TEvaluation& results, bool taken, const std::string& fatal,
                        platform::TTextBoundary& boundary) {
  json display = json::object();
  display["lines"] = LineArray(results.Lines, &lsp::TLineResult::Annotation);
  display["errors"] = LineArray(results.Errors, &lsp::TLineError::Message);
  json listings = json::array();
  for (const lsp::TLineResult& listing : results.Listings)
    listings.push_back({listing.Line, boundary.ExportText(listing.Annotation)});
  display["listings"] = std::move(listings);
  display["aborted"] = results.Aborted;
  display["taken"] = taken;
  if (!fatal.empty()) display["fatal"] = fatal;
  return display.dump(-1, ' ', false, json::error_handler_t::replace);
}

void Run(std::string_view outside, bool writeBack) {
  TBrowserServices browser;
  const platform::TServices& services = browser.Services();
  lsp::TEvaluation results;
  std::string fatal;
  Outcome = TOutcome();
  const bool taken = Filter(outside, services, results, fatal);
  if (writeBack) Outcome.Written = WriteBack(outside, results, taken, Outcome.Text, services.Text);
  Outcome.Display = DisplayJson(results, taken, fatal, services.Text);
}

}  // namespace
}  // namespace web

extern "C" {

/// Evaluates the sheet (`size` bytes of UTF-8 at `sheet`); with `writeBack` the written-back text
/// is made too. 0, or 1 when the run failed (the filter's exit status), or 2 when memory ran
/// out. The outcome stays until the next call: SheetcalcText, SheetcalcWritten (pointer and size)
/// and SheetcalcDisplay, a JSON object: "lines" [[line, annotation]...] (lines from 0, the text
/// after "//"), "errors" [[line, message]...], "listings" [[line, text]...] (what a directive
/// wrote below its line), "aborted" (an error ended the pass: the filter gives its input back),
/// "taken" (an addition took the sheet over), "fatal" (the filter's error message, when it
/// failed).
EMSCRIPTEN_KEEPALIVE int SheetcalcRun(const char* sheet, size_t size, int writeBack) {
  try {
    web::Run(std::string_view(sheet, size), writeBack != 0);
  } catch (const std::bad_alloc&) {
    web::Outcome = web::TOutcome();
    return 2;
  }
  return web::Outcome.Status;
}

EMSCRIPTEN_KEEPALIVE const char* SheetcalcText() { return web::Outcome.Text.data(); }
EMSCRIPTEN_KEEPALIVE size_t SheetcalcTextSize() { return web::Outcome.Text.size(); }
EMSCRIPTEN_KEEPALIVE const char* SheetcalcWritten() { return web::Outcome.Written.data(); }
EMSCRIPTEN_KEEPALIVE size_t SheetcalcWrittenSize() { return web::Outcome.Written.size(); }
EMSCRIPTEN_KEEPALIVE const char* SheetcalcDisplay() { return web::Outcome.Display.c_str(); }

/// The --help text with the lists of functions and constants (UTF-8, zero-terminated).
EMSCRIPTEN_KEEPALIVE const char* SheetcalcHelp() {
  static std::string help;
  web::TBrowserServices browser;
  help = browser.Services().Text.ExportText(host::HelpText(true, browser.Services()));
  return help.c_str();
}

}  // extern "C"

int main() { return 0; }
