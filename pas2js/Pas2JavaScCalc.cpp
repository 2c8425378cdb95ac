// The #P2Js addition: the directive in a sheet and the take-over of a whole file.
#include "pas2js/Pas2JavaScCalc.h"

#include <algorithm>
#include <cstring>

#include "pas2js/Convert.h"
#include "pas2js/OutputFileName.h"
#include "platform/Encoding.h"
#include "platform/Messages.h"
#include "platform/Services.h"
#include "scan/Exceptions.h"

namespace pas2js {

namespace {

constexpr std::string_view HelpText =
    "#P2Js の行以後に対して 機械的な置換を行う\r\n"
    "# コンソールモードでは1行単位に解釈されるので動作しない\r\n";

// %1: the output file name as the sheet gives it.
const char* const RefusalMessage =
    "refused to write '%1': an output file must be a .js file beside the sheet";

// "Debug" exactly: marks and console echo (files only); "debug" in any case: marks only.
TConvertOptions DebugOptions(const std::string& word, bool consoleAllowed) {
  TConvertOptions options;
  options.DebugTags = scan::SameTextAscii(word, "debug");
  options.DebugConsole = consoleAllowed && word == "Debug";
  return options;
}

// The engine's text from the cursor to its end, where every conversion stops.
std::string_view RestOfText(const std::string& text, const char* cursor) {
  return std::string_view(cursor, static_cast<size_t>(text.c_str() + text.size() - cursor));
}

// True when the "#P2Js" that begins at `found` opens this addition's own help, as a sheet's "#h"
// writes it: "// " at the start of a line, then the help's first line whole. A file that holds
// such a listing is a sheet, not a conversion job.
bool InHelpNote(const char* text, const char* found) {
  constexpr std::string_view Note = "// ";
  const std::string_view firstLine = HelpText.substr(0, HelpText.find('\r'));
  if (found - text < static_cast<ptrdiff_t>(Note.size())) return false;
  const char* lineStart = found - Note.size();
  if (lineStart > text && !scan::LineEndChars.Has(lineStart[-1])) return false;
  return std::string_view(lineStart, Note.size()) == Note &&
         scan::TextStartsWith(found, firstLine) && scan::LineEndChars.Has(found[firstLine.size()]);
}

}  // namespace

TP2JsOptions ReadOptionLine(const char*& p, bool withFileName) {
  TP2JsOptions options;
  scan::SkipBlanks(p, false);
  if (withFileName && *p == '\'') {
    ++p;
    scan::ReadToSeparator(p, "'", options.FileName);
    scan::SkipBlanks(p, false);
  }
  scan::ReadWhileCharSet(p, scan::WordChars, options.Word);
  std::string dropped;
  scan::ReadUntilCharSet(p, scan::LineEndChars, dropped);
  scan::SkipCharSet(p, scan::LineBreakChars);
  return options;
}

bool TPas2JavaScCalc::Directive(const std::string& name, const char*& cursor) {
  if (name.empty() || scan::SameTextAscii(name, "h")) {
    FEngine->WriteNote(HelpText);
    return false;
  }
  if (!scan::SameTextAscii(name, DirectiveName)) return false;
  const TP2JsOptions options = ReadOptionLine(cursor, false);
  const std::string_view source = RestOfText(FEngine->Text(), cursor);
  // Appended to the engine's output directly (what TAnsiCalculate::Write does), so that output
  // held back for a while needs no buffer of its own.
  TOutputSink sink(FEngine->Output());
  ReserveOutput(static_cast<ptrdiff_t>(source.size()));
  cursor += ConvertPascal(source, DebugOptions(options.Word, false), sink, nullptr);
  // The rest of the sheet is converted: no later addition is to see this line.
  return true;
}

bool TPas2JavaScCalc::TakeFile(const std::string& fileName, const char* text) {
  const char* p = text;
  const char* const end = text + std::strlen(text);
  // The whole sheet is searched for the directive, so plain ASCII goes eight bytes at a time.
  do {
    if (!scan::SkipPastText(p, end, "#P2Js")) return false;
  } while (InHelpNote(text, p - 5));
  const TP2JsOptions options = ReadOptionLine(p, true);
  const bool toFile = !options.FileName.empty();
  // Refused before anything is converted.
  const std::string outputPath = toFile ? OutputPath(fileName, options.FileName) : std::string();
  {
    const std::string_view source = RestOfText(FEngine->Text(), p);
    // Without a file the text goes straight on to the engine's output: collecting it first and
    // appending it afterwards would hold the whole result twice.
    // Either text is appended to directly (see Directive).
    if (toFile) {
      FConverted.reserve(FConverted.size() + source.size());
    } else {
      ReserveOutput(static_cast<ptrdiff_t>(source.size()));
    }
    TOutputSink sink(toFile ? FConverted : FEngine->Output());
    ConvertPascal(source, DebugOptions(options.Word, true), sink, &FEngine->Services().DebugEcho);
  }
  if (toFile) SaveToFile(outputPath, FConverted);
  return true;
}

std::string TPas2JavaScCalc::OutputPath(const std::string& sheetName, const std::string& name) {
  const platform::TServices& services = FEngine->Services();
  const TOutputPlace place = ClassifyOutputName(name);
  // A stand-in may carry a NUL or a line break that only the system's spelling shows.
  const std::string spelled = services.Text.ExportName(name);
  // libc++ 14 has no std::ranges::any_of.
  const bool controls = std::any_of(spelled.begin(), spelled.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
  if (place == TOutputPlace::Refused || controls) RefuseOutputFile(name);
  const std::string sheetFolder = services.Files.RealFolderOf(sheetName);
  const std::string path = IsRootedName(name) ? name : sheetFolder + name;
  // The folder the file lands in, with every link resolved: a linked folder beside the sheet
  // may lead anywhere.
  const std::string folder = services.Files.RealFolderOf(path);
  if (place == TOutputPlace::Beside && !sheetFolder.empty()) {
    // No such folder: the write fails and names it.
    if (folder.empty() || folder.starts_with(sheetFolder)) return path;
  }
  if (!folder.empty())
    for (const std::string& allowed : services.WriteFolders)
      if (folder.starts_with(allowed)) return path;
  RefuseOutputFile(name);
}

void TPas2JavaScCalc::RefuseOutputFile(const std::string& name) {
  platform::TTextBoundary& text = FEngine->Services().Text;
  std::string message;
  try {
    message = text.ImportText(platform::Translate(RefusalMessage), "message");
  } catch (const scan::Exception&) {
    message = RefusalMessage;
  }
  // The name as the sheet gives it, a control character shown as '?' (the report is one line).
  std::string shown = text.ExportText(name);
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  const size_t mark = message.find("%1");
  if (mark != std::string::npos) message.replace(mark, 2, text.ImportName(shown, "message"));
  throw scan::EInOutError(message);
}

void TPas2JavaScCalc::Notify(engine::TNotifyPhase) {}

// JavaScript comes out about as long as the Pascal it replaces: room for it up front spares the
// output's repeated growth (a copy of everything so far, and fresh memory, each time).
void TPas2JavaScCalc::ReserveOutput(ptrdiff_t sourceLength) {
  const size_t length = static_cast<size_t>(sourceLength);
  FEngine->ReserveOutput(length + length / 16);
}

void TPas2JavaScCalc::SaveToFile(const std::string& fileName, const std::string& text) {
  FEngine->Services().Files.SaveTextFile(fileName, text);
}

}  // namespace pas2js
