// The three modes: file mode (arguments), clipboard mode (a sheet on the clipboard) and console
// mode (neither), with the command-line additions: a sheet from standard input and results to
// standard output.

#include "host/Host.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>

#include "engine/CalcAnsiScript.h"
#include "engine/SheetRun.h"
#include "host/MyConsCalculate.h"
#include "platform/Encoding.h"
#include "platform/LargeBuffer.h"
#include "platform/Messages.h"
#include "platform/Services.h"
#include "platform/StandIns.h"
#include "scan/Exceptions.h"
#include "scan/uAnsiCharTools.h"

namespace host {
using engine::DropFinalEmptyLine;
using engine::EndsWithLineBreak;
using engine::FilterSheet;
using engine::FitLineEnd;
using engine::RunSheet;
using engine::StandardInputName;

namespace {

// The lines console mode shows first when it starts for want of a sheet (eleven in Japanese).
const char* const HelpMessage =
    "Copy the text you want calculated to the clipboard and run the program:\n"
    "the results come back to the clipboard.\n"
    "With nothing on the clipboard and no file argument that exists, the console opens.\n"
    "Calculations are in floating point only; there are no integers or strings.\n"
    " label=expression or label:=expression defines a variable.\n"
    " Expressions take + - * /, bit operators such as AND OR, and ^ for powers.\n"
    "Functions: sin cos tan log ln exp sqrt cbrt abs sign min max floor ceil ROUND\n"
    "  FRAC TRUNC ArcCos ArcSin ArcTan2 Power coTan Sinh Cosh Tanh ArcCosh ArcSinh ArcTanh\n"
    "  LnXP1 Log10 Log2 Hypot LogN\n"
    "A line holding only # shows the help.\n"
    "exit ends the console (closing the window is quicker).\n";

/// True when the text holds a byte other than TAB, LF, CR and space.
bool HasSheet(const std::string& text) {
  const char* p = text.c_str();
  scan::SkipCharSet(p, scan::WhiteChars);
  return *p != '\0';
}

const char* const CannotWriteStandardOutput = "cannot write to standard output";

/// How many bytes at the end of an inside text could join with text written behind it: a last
/// character that begins with a lead byte (its trail byte may come next), else a CR (an LF may).
size_t JoinableTail(const std::string& text) {
  // No lead or trail byte lies below 0x30: a character starts behind the last such byte.
  size_t start = text.size();
  while (start > 0 && static_cast<unsigned char>(text[start - 1]) >= 0x30) --start;
  const char* end = text.c_str() + text.size();
  const char* last = end;
  for (const char* p = text.c_str() + start; p < end;) {
    last = p;
    scan::StepChar(p);
  }
  if (last < end && scan::IsLeadByte(*last)) return static_cast<size_t>(end - last);
  return !text.empty() && text.back() == '\r' ? 1 : 0;
}

/// File mode's results on their way to standard output a sheet's part at a time, in the bytes the
/// joined text would give: only an end that could join with the next part waits for it. An error
/// that ends the run leaves the parts already written whole.
class TPartWriter {
 public:
  /// `write` puts a part on standard output; what is still held when the run ends in an error
  /// goes to the services' standard output without raising (the error is on its way already).
  TPartWriter(std::function<void(const std::string&)> write, const platform::TServices& services)
      : FWrite(std::move(write)), FServices(services) {}
  ~TPartWriter() {
    if (!FHeld.empty()) FServices.StdStreams.WriteStandardOutput(FServices.Text.ExportText(FHeld));
  }
  TPartWriter(const TPartWriter&) = delete;
  TPartWriter& operator=(const TPartWriter&) = delete;

  /// A sheet's output (inside text); `mark` goes in front of the first one that is not empty.
  void Put(std::string& part, const std::string& mark) {
    if (part.empty()) return;
    part.insert(0, FWritten ? FHeld : mark);
    FWritten = true;
    FHeld.assign(part, part.size() - JoinableTail(part));
    part.resize(part.size() - FHeld.size());
    FWrite(part);
  }
  bool Written() const { return FWritten; }
  void Finish() { FWrite(std::exchange(FHeld, std::string())); }

 private:
  std::function<void(const std::string&)> FWrite;
  const platform::TServices& FServices;
  std::string FHeld;
  bool FWritten = false;
};

/// An engine for a whole sheet, its output given room for the usual result at once: every line
/// comes back with its result, so about twice the text (more is grown into as usual).
std::unique_ptr<engine::TAnsiCalculate> NewSheetEngine(std::string text,
                                                       const platform::TServices& services,
                                                       engine::TAdditionList additions) {
  const size_t expected = 2 * text.size() + 4096;
  auto engine = std::make_unique<engine::TAnsiCalculate>(std::move(text), services, additions);
  platform::ReserveLarge(engine->Output(), expected);
  return engine;
}

}  // namespace

std::vector<std::string> ConsoleHelpLines() {
  const std::string text = platform::TranslateInside(HelpMessage);
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < text.size(); start = end + 2) {
    end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

bool IsExitLine(const std::string& line) {
  return line.size() >= 4 && scan::SameTextAscii(std::string_view(line).substr(0, 4), "exit");
}

THost::THost(TCommandLine commandLine, const platform::TServices& services,
             engine::TAdditionList additions)
    : FCommandLine(std::move(commandLine)), FServices(services), FAdditions(additions) {
  FToStdout = FCommandLine.ToStdout;
  for (const std::string& f : FCommandLine.Files)
    if (f == StandardInputName) FToStdout = true;
}

int THost::Run() {
  if (FCommandLine.Undo) return UndoMode();
  // --stdout alone is a filter of standard input, as "-" is.
  if (FCommandLine.Files.empty() && FCommandLine.ToStdout)
    FCommandLine.Files.push_back(StandardInputName);
  if (!FCommandLine.Files.empty()) return FileMode();
  std::string text = FServices.Clipboard.GetClipboardText();
  std::string mark = FServices.Text.TakeByteOrderMark(text);
  if (HasSheet(text)) return ClipboardMode(std::move(text), mark);
  std::string missing = FServices.Clipboard.MissingTool();
  if (!missing.empty())
    FServices.ErrorReport.ShowWarning(platform::Substitute(
        platform::TranslateInside("cannot read the clipboard; install %1"), {Tool(missing)}));
  if (!FServices.Console.Attended()) {
    // Started from a launcher or a hotkey: a console would show its help to nobody.
    platform::TFatalError report;
    report.Line = platform::TranslateInside("the clipboard holds no text");
    report.Notify = true;
    FServices.ErrorReport.ShowFatalError(report);
    return 1;
  }
  return ConsoleMode(true);
}

int THost::FileMode() {
  std::string accumulated;
  int handled = 0;
  // With --stdout (and no sheet from standard input, whose filter gives back all or nothing) each
  // sheet's part goes out as soon as it is done.
  const auto& files = FCommandLine.Files;
  const bool inParts =
      FToStdout && std::find(files.begin(), files.end(), StandardInputName) == files.end();
  TPartWriter parts([this](const std::string& text) { WriteStandardOutput(text); },
                    FServices);
  for (const std::string& arg : FCommandLine.Files) {
    std::string name(arg), text;
    if (arg == StandardInputName) {
      if (FReadStandardInput) continue;  // read once: a second "-" would find it at its end
      // Kept as it came, unless it can be read again: an error that ends the run hands it back.
      FReadStandardInput = true;
      FStandardInput = FServices.StdStreams.ReadStandardInput();
      text = FServices.Text.ImportText(FStandardInput, "standard input");
      if (FServices.StdStreams.CanRereadStandardInput()) std::string().swap(FStandardInput);
    } else {
      const bool named = InsideName(arg, name);
      if (!named || !FServices.Files.FileExists(name)) {
        if (named) WarnSkipped(name);
        FSkipped = true;  // like cat: the rest is done, and the run ends in failure
        continue;
      }
      text = FServices.Files.LoadTextFile(name);
    }
    // A byte order mark is no part of the sheet; it comes back in front of the output it begins.
    const std::string mark = FServices.Text.TakeByteOrderMark(text);
    auto engine = NewSheetEngine(std::move(text), FServices, FAdditions);
    const bool endsWithLineBreak = EndsWithLineBreak(engine->Text());
    const bool last = &arg == &FCommandLine.Files.back();
    std::string& output = engine->Output();
    if (arg == StandardInputName ? !FilterSheet(*engine) : RunSheet(*engine, name)) {
      ++handled;
    } else {
      // Sheets joined: no empty line between them or after the last; on a stream the last ends
      // as its text does, one followed by another with a line break so that no two lines join.
      if (arg != StandardInputName) {
        if (FToStdout && last)
          FitLineEnd(output, endsWithLineBreak);
        else if (endsWithLineBreak)
          DropFinalEmptyLine(output);
      }
      if (!last && !output.empty() && !EndsWithLineBreak(output)) output += "\r\n";
    }
    if (inParts) {
      parts.Put(engine->Output(), mark);
    } else if (accumulated.empty()) {
      accumulated = std::move(engine->Output());  // a single sheet's output is not copied
      if (!accumulated.empty()) accumulated.insert(0, mark);
    } else {
      accumulated += engine->Output();
    }
  }
  if (parts.Written()) {
    parts.Finish();
  } else if (!accumulated.empty()) {
    Deliver(accumulated);
  } else if (handled > 0) {
    // The clipboard stays as it was; a filter gets its text back unchanged.
    if (FReadStandardInput && !HandBackStandardInput())
      throw scan::EInOutError(platform::TranslateInside(CannotWriteStandardOutput));
  } else if (!FReadStandardInput && !FSkipped) {
    return ConsoleMode(false);
  }
  return FSkipped ? 1 : 0;
}

int THost::ClipboardMode(std::string text, const std::string& mark) {
  FBefore = mark + text;  // what the result replaces, without reading the clipboard again
  const bool endsWithLineBreak = EndsWithLineBreak(text);
  auto engine = NewSheetEngine(std::move(text), FServices, FAdditions);
  engine->Calculate();
  std::string& output = engine->Output();
  if (endsWithLineBreak) DropFinalEmptyLine(output);
  if (!output.empty()) output.insert(0, mark);
  Deliver(output);
  return 0;
}

int THost::ConsoleMode(bool withHelp) {
  platform::TConsole& console = FServices.Console;
  console.Open();
  if (withHelp)
    for (const std::string& line : ConsoleHelpLines()) console.WriteConsoleLine(line);
  auto engine = std::make_unique<TMyConsCalculate>(std::string(), FServices, FAdditions);
  console.SetCompletion([&engine] { return engine->CompletionNames(); });
  struct TForget {  // the console must not ask the engine once the loop has ended
    platform::TConsole& Console;
    ~TForget() { Console.SetCompletion(nullptr); }
  } forget{console};
  bool clipboardEmpty = false;  // what this loop last put there was an empty text
  for (;;) {
    std::optional<std::string> line;
    try {
      line = console.ReadConsoleLine();
    } catch (const scan::EEncodingError& e) {
      console.WriteConsoleLine(e.Message());  // the line is not evaluated; the loop goes on
      continue;
    }
    if (!line) break;  // end of input ends the loop like "exit"
    FServices.Text.TakeByteOrderMark(*line);  // a typed line's mark (a file piped in) is dropped
    engine->SetText(std::move(*line));
    if (IsExitLine(engine->Text())) break;
    engine->Calculate();
    // An ordinary line leaves an empty text on the clipboard; writing it again would only
    // start a clipboard tool for nothing.
    const std::string& output = engine->Output();
    if (output.empty() && clipboardEmpty) continue;
    Deliver(output);
    clipboardEmpty = output.empty();
  }
  return 0;
}

bool THost::InsideName(const std::string& arg, std::string& name) {
  try {
    name = FServices.Text.ImportName(arg, arg);
    return true;
  } catch (const scan::EEncodingError& e) {
    FServices.ErrorReport.ShowWarning(e.Message());
    return false;
  }
}

void THost::WarnSkipped(const std::string& name) {
  std::string why = FServices.Files.WhyNotAFile(name);
  if (!why.empty()) FServices.ErrorReport.ShowWarning(name + ": " + why);
}

std::string THost::Tool(const std::string& missing) const {
  return platform::TranslateInside(missing.c_str());
}

void THost::Deliver(const std::string& text) {
  if (FToStdout) return WriteStandardOutput(text);
  if (ReplaceClipboard(text) || text.empty()) return;
  if (!FWarned) {
    std::string missing = FServices.Clipboard.MissingTool();
    FServices.ErrorReport.ShowWarning(
        missing.empty()
            ? platform::TranslateInside(
                  "cannot write the clipboard, so the results go to standard output")
            : platform::Substitute(
                  platform::TranslateInside("cannot write the clipboard, so the results go to "
                                            "standard output; install %1"),
                  {Tool(missing)}));
  }
  FWarned = true;
  WriteStandardOutput(text);
}

bool THost::HandBackStandardInput() {
  if (!FReadStandardInput) return false;
  platform::TStdStreams& streams = FServices.StdStreams;
  if (!streams.CanRereadStandardInput()) return streams.WriteStandardOutput(FStandardInput);
  std::string bytes;
  return streams.RereadStandardInput(bytes) && streams.WriteStandardOutput(bytes);
}

void THost::WriteStandardOutput(const std::string& text) {
  // A piece at a time, so that a large result is never held a second time in outside text. A
  // piece ends at a character start and never between the CR and the LF of a line end.
  constexpr size_t PieceSize = size_t{1} << 20;
  const char* p = text.c_str();
  const char* end = p + text.size();
  const char* cut = p;
  while (p < end) {
    const char* goal = end - cut > static_cast<ptrdiff_t>(PieceSize) ? cut + PieceSize : end;
    while (cut < goal) {
      // Eight ASCII bytes at a time: no lead byte is ASCII, and results are mostly ASCII.
      if (goal - cut >= 8) {
        uint64_t eight;
        std::memcpy(&eight, cut, 8);
        if ((eight & 0x8080808080808080ull) == 0) {
          cut += 8;
          continue;
        }
      }
      if (!scan::SkipMultiByteChar(cut)) ++cut;
    }
    if (cut < end && cut[-1] == '\r' && *cut == '\n') ++cut;
    WriteRaw(FServices.Text.ExportText(std::string_view(p, static_cast<size_t>(cut - p))));
    p = cut;
  }
}

void THost::WriteRaw(const std::string& bytes) {
  // A filter whose result did not arrive must not end as if it had.
  if (!FServices.StdStreams.WriteStandardOutput(bytes))
    throw scan::EInOutError(platform::TranslateInside(CannotWriteStandardOutput));
}

}  // namespace host
