#include "host/Host.h"

#include "host/FatalError.h"
#include "host/Help.h"
#include "host/StandardAdditions.h"
#include "host/Run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "PlatformFakes.h"
#include "engine/CalcAnsiScript.h"
#include "platform/StandIns.h"

namespace host {
namespace {

// Takes over every file whose name ends in ".take"; one named "*.out.take" also writes a line, one
// named "*.echo.take" writes its own text.
// The directive "#say" writes a line too, so that a console line can have output; "#blank" writes
// an empty line.
class TTakeAddition : public engine::TCalcuAddition {
 public:
  using TCalcuAddition::TCalcuAddition;
  bool Directive(const std::string& name, const char*&) override {
    if (name == "say") FEngine->Write("said\r\n");
    if (name == "blank") FEngine->WriteLine("");  // an empty line of its own, as help texts do
    return name == "say" || name == "blank";
  }
  bool TakeFile(const std::string& fileName, const char* text) override {
    if (fileName.ends_with(".out.take")) FEngine->Write("taken " + fileName + "\r\n");
    if (fileName.ends_with(".echo.take")) FEngine->Write(text);  // the sheet's bytes as they are
    return fileName.ends_with(".take") || (fileName == "-" && FTakeStandardInput);
  }
  static inline bool FTakeStandardInput = false;
};

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TTakeAddition::FTakeStandardInput = false;
    F.Files.FFiles["empty.txt"] = "";  // an empty sheet's run opens the console without help
  }

  int RunMain(std::vector<std::string> args) {
    return Main("/usr/bin/sheetcalc", args, F.Services, FAdditions);
  }

  static constexpr engine::TAdditionMaker TakeOnly[] = {&engine::MakeAddition<TTakeAddition>};
  engine::TAdditionList FAdditions = TakeOnly;  // the program's own: StandardAdditions()

  fakes::TFakeServices F;
};

std::string HelpText() {
  std::string text;
  for (const std::string& line : ConsoleHelpLines()) text += line + "\r\n";
  return text;
}

// ---- Start-up decision and clipboard mode -----------------------------------------------------

TEST_F(HostTest, ClipboardSheetIsEvaluatedBackToTheClipboard) {
  F.Clipboard.FText = "a=2\r\nb=a*3\r\nb+1";
  EXPECT_EQ(RunMain({}), 0);
  ASSERT_EQ(F.Clipboard.FWrites.size(), 1u);
  EXPECT_EQ(F.Clipboard.FText, "a=2\r\nb=a*3\r\nb+1//  7\r\n");
  EXPECT_EQ(F.Console.FOpened, 0);
}

// A sheet from the clipboard names no file: #P2Js converts into the clipboard text, and only a
// scheme file in the scheme folder is ever written.
TEST_F(HostTest, AClipboardSheetWritesNoFileButASchemeFile) {
  FAdditions = StandardAdditions();
  F.Clipboard.FText = "#scol +day\r\n#P2Js '../up.js'\r\nx := 1;";
  EXPECT_EQ(RunMain({}), 0);
  EXPECT_EQ(F.Clipboard.FText, "x = 1;");
  F.Files.FFiles.erase("empty.txt");  // the fixture's own
  ASSERT_EQ(F.Files.FFiles.size(), 1u);
  EXPECT_EQ(F.Files.FFiles.begin()->first, "/prog/day.scol.txt");
}

// --allow-write hands the folder, as the file system resolves it, to the sheets' additions.
TEST_F(HostTest, AllowedFoldersTakeOutputFilesFromStandardInput) {
  FAdditions = StandardAdditions();
  F.Streams.FInput = "#P2Js '/abs/x.js'\nx := 1;";
  EXPECT_EQ(RunMain({"-"}), 1);
  F.Files.FFiles.erase("empty.txt");  // the fixture's own
  EXPECT_TRUE(F.Files.FFiles.empty());
  EXPECT_EQ(F.Streams.FOutput, "#P2Js '/abs/x.js'\nx := 1;");  // handed back
  F.Streams.FOutput.clear();
  F.Streams.FInput = "#P2Js '/abs/x.js'\nx := 1;";
  EXPECT_EQ(RunMain({"--allow-write", "/abs", "-"}), 0);
  EXPECT_EQ(F.Files.FFiles["/abs/x.js"], "x = 1;");
}

TEST_F(HostTest, BlankOrEmptyClipboardOpensTheConsoleWithHelp) {
  for (const char* blank : {"", " \t\r\n  \n"}) {
    F.Clipboard.FText = blank;
    F.Clipboard.FWrites.clear();
    F.Console.FOutput.clear();
    EXPECT_EQ(RunMain({}), 0);
    EXPECT_EQ(F.Console.FOutput, HelpText()) << "clipboard: '" << blank << "'";
    EXPECT_TRUE(F.Clipboard.FWrites.empty());  // untouched until a line is evaluated
  }
  EXPECT_EQ(ConsoleHelpLines().size(), 11u);
}

TEST_F(HostTest, StdoutAloneFiltersStandardInput) {
  F.Clipboard.FText = "1+1";
  F.Streams.FInput = "2*3\n";
  EXPECT_EQ(RunMain({"--stdout"}), 0);
  EXPECT_EQ(F.Streams.FOutput, "2*3//  6\n");
  EXPECT_TRUE(F.Clipboard.FWrites.empty());
  EXPECT_EQ(F.Console.FOpened, 0);
}

TEST_F(HostTest, EmptyClipboardWithNobodyAtTheConsoleIsReported) {
  F.Console.FAttended = false;
  EXPECT_EQ(RunMain({}), 1);
  EXPECT_EQ(F.Console.FOpened, 0);
  ASSERT_EQ(F.Report.FLines.size(), 1u);
  EXPECT_EQ(F.Report.FLines[0], "the clipboard holds no text");
  EXPECT_TRUE(F.Report.FNotify[0]);
  EXPECT_TRUE(F.Clipboard.FWrites.empty());
}

// ---- File mode --------------------------------------------------------------------------------

TEST_F(HostTest, ExistingFilesAreEvaluatedInOrderAndAMissingOneFailsTheRun) {
  F.Files.FFiles["second.txt"] = "2*3";
  F.Files.FFiles["third.txt"] = "x=1";
  F.Clipboard.FText = "old";
  EXPECT_EQ(RunMain({"first.txt", "second.txt", "third.txt"}), 1);
  EXPECT_EQ(F.Clipboard.FText, "2*3//  6\r\nx=1\r\n");
  EXPECT_EQ(F.Console.FOpened, 0);
}

TEST_F(HostTest, NoExistingFileEvaluatesNothingAndOpensNoConsole) {
  F.Console.FInput = {"1+2"};
  F.Clipboard.FText = "old";
  EXPECT_EQ(RunMain({"missing.txt", "gone.txt"}), 1);
  EXPECT_EQ(F.Console.FOpened, 0);
  EXPECT_EQ(F.Clipboard.FText, "old");
  EXPECT_TRUE(F.Streams.FOutput.empty());
}

TEST_F(HostTest, AnEmptySheetOpensTheConsoleWithoutHelp) {
  F.Console.FInput = {"1+2"};
  EXPECT_EQ(RunMain({"empty.txt"}), 0);
  EXPECT_EQ(F.Console.FOpened, 1);
  EXPECT_EQ(F.Console.FOutput, "  3\r\n");
}

TEST_F(HostTest, FilesTakenWithoutOutputLeaveTheClipboardAlone) {
  F.Files.FFiles["a.take"] = "1+1\r\n";
  F.Files.FFiles["b.take"] = "";
  F.Clipboard.FText = "old";
  EXPECT_EQ(RunMain({"a.take", "b.take"}), 0);
  EXPECT_TRUE(F.Clipboard.FWrites.empty());
  EXPECT_EQ(F.Console.FOpened, 0);
}

TEST_F(HostTest, OutputOfATakenFileJoinsTheAccumulatedOutput) {
  F.Files.FFiles["a.out.take"] = "1+1\r\n";
  F.Files.FFiles["b.txt"] = "2+2";
  EXPECT_EQ(RunMain({"a.out.take", "b.txt"}), 0);
  EXPECT_EQ(F.Clipboard.FText, "taken a.out.take\r\n2+2//  4\r\n");
}

TEST_F(HostTest, UnwritableClipboardSendsTheOutputToStandardOutputWithOneWarning) {
  F.Files.FFiles["s.txt"] = "1+1";
  F.Clipboard.FWritable = false;
  EXPECT_EQ(RunMain({"s.txt"}), 0);
  EXPECT_EQ(F.Streams.FOutput, "1+1//  2\n");
  ASSERT_EQ(F.Report.FWarnings.size(), 1u);
  EXPECT_EQ(F.Report.FWarnings[0], "cannot write the clipboard, so the results go to standard output");
}

TEST_F(HostTest, AMissingClipboardToolIsNamedBeforeTheConsoleAndInTheWriteWarning) {
  F.Clipboard.FWritable = false;
  F.Console.FInput = {"exit"};
  EXPECT_EQ(RunMain({}), 0);  // no display at all: nothing to install, no warning
  EXPECT_TRUE(F.Report.FWarnings.empty());
  F.Clipboard.FMissing = "wl-clipboard";
  EXPECT_EQ(RunMain({}), 0);
  EXPECT_EQ(F.Console.FOpened, 2);
  ASSERT_EQ(F.Report.FWarnings.size(), 1u);
  EXPECT_EQ(F.Report.FWarnings[0], "cannot read the clipboard; install wl-clipboard");
  F.Files.FFiles["s.txt"] = "1+1";
  F.Clipboard.FMissing = "xclip or xsel";
  EXPECT_EQ(RunMain({"s.txt"}), 0);
  ASSERT_EQ(F.Report.FWarnings.size(), 2u);
  EXPECT_EQ(F.Report.FWarnings[1],
            "cannot write the clipboard, so the results go to standard output; "
            "install xclip or xsel");
}

TEST_F(HostTest, StdoutOptionBypassesTheClipboard) {
  F.Files.FFiles["s.txt"] = "\x82\xA0=1\r\n\x82\xA0+1";  // a label named "あ"
  EXPECT_EQ(RunMain({"--stdout", "s.txt"}), 0);
  EXPECT_EQ(F.Streams.FOutput, "\xE3\x81\x82=1\n\xE3\x81\x82+1//  2");
  EXPECT_TRUE(F.Clipboard.FWrites.empty());
}

// ---- Standard input ---------------------------------------------------------------------------

TEST_F(HostTest, StandardInputSheetGoesToStandardOutput) {
  F.Streams.FInput = "a=2\nb=a*3\nb+1";
  EXPECT_EQ(RunMain({"-"}), 0);
  EXPECT_EQ(F.Streams.FOutput, "a=2\nb=a*3\nb+1//  7");
  EXPECT_TRUE(F.Clipboard.FWrites.empty());
  EXPECT_EQ(F.Console.FOpened, 0);
}

TEST_F(HostTest, TheNumberFormatOfTheServicesReachesTheEnginesOfEveryMode) {
  F.Services.Format.DecimalSeparator = ',';
  F.Streams.FInput = "3/2\n";
  EXPECT_EQ(RunMain({"-"}), 0);
  EXPECT_EQ(F.Streams.FOutput, "3/2//1,5\n");
  F.Console.FInput = {"3/4"};
  EXPECT_EQ(RunMain({}), 0);
  EXPECT_TRUE(F.Console.FOutput.ends_with("\r\n0,75\r\n")) << F.Console.FOutput;
}

TEST_F(HostTest, ALargeResultComesOutWholeAcrossThePiecesItIsWrittenIn) {
  // Results are written in pieces of 1 MiB. In the first sheet the byte at that offset is the
  // trail byte of a double-byte character (表, whose trail byte is '\\'); in the second it is the
  // LF of a line end.
  std::string doubleBytes = "// ";
  for (int i = 0; i < 600000; ++i) doubleBytes += "\xE8\xA1\xA8";
  std::string lineEnd = "// " + std::string((1u << 20) - 4, 'x') + "\n// next\n";
  for (const std::string& sheet : {doubleBytes + "\n", lineEnd}) {
    F.Streams.FInput = sheet;
    F.Streams.FOutput.clear();
    EXPECT_EQ(RunMain({"-"}), 0);
    EXPECT_TRUE(F.Streams.FOutput == sheet) << "output differs";
  }
}

TEST_F(HostTest, FilteredTextEndsWithTheLineBreaksItCameWith) {
  struct TCase {
    const char* Input;
    const char* Output;
  };
  const TCase cases[] = {
      {"1+1\n", "1+1//  2\n"},
      {"1+1//  2\n\n\n", "1+1//  2\n"},  // blank lines are the driver's to drop
      {"1+1\r\n", "1+1//  2\n"},
      {"1+1\r", "1+1//  2\n"},
      {"1+1", "1+1//  2"},
      {"1+1\n  ", "1+1//  2\n"},  // the blank last line goes, as blank lines do
      {"\n", "\n"},
      {"#blank\n#blank\n", "\n\n"},  // empty lines that sheet lines write stay
  };
  for (const TCase& c : cases) {
    F.Streams.FInput = c.Input;
    F.Streams.FOutput.clear();
    EXPECT_EQ(RunMain({"-"}), 0);
    EXPECT_EQ(F.Streams.FOutput, c.Output) << c.Input;
  }
  // Files joined and the clipboard end with one line break, not two.
  F.Files.FFiles["s.txt"] = "1+1\r\n";
  F.Files.FFiles["t.txt"] = "3+3";
  EXPECT_EQ(RunMain({"s.txt", "s.txt"}), 0);
  EXPECT_EQ(F.Clipboard.FText, "1+1//  2\r\n1+1//  2\r\n");
  F.Clipboard.FText = "2+2\r\n";
  EXPECT_EQ(RunMain({}), 0);
  EXPECT_EQ(F.Clipboard.FText, "2+2//  4\r\n");
  // --stdout: no empty line between or after the files; the last ends as its file does.
  for (auto [a, b, want] : {std::tuple{"s.txt", "t.txt", "1+1//  2\n3+3//  6"},
                            std::tuple{"t.txt", "s.txt", "3+3//  6\n1+1//  2\n"}}) {
    F.Streams.FOutput.clear();
    EXPECT_EQ(RunMain({"--stdout", a, b}), 0);
    EXPECT_EQ(F.Streams.FOutput, want) << a << " " << b;
  }
}

TEST_F(HostTest, StandardInputTakenWithoutOutputComesBackUnchanged) {
  TTakeAddition::FTakeStandardInput = true;
  F.Streams.FInput = "program p;\r\nbegin end.\n";
  EXPECT_EQ(RunMain({"-"}), 0);
  EXPECT_EQ(F.Streams.FOutput, "program p;\r\nbegin end.\n");
}

TEST_F(HostTest, StandardInputIsReadOnce) {
  F.Streams.FInput = "2+2";
  F.Files.FFiles["f.txt"] = "1+1";
  EXPECT_EQ(RunMain({"-", "f.txt", "-"}), 0);
  EXPECT_EQ(F.Streams.FReads, 1);
  EXPECT_EQ(F.Streams.FOutput, "2+2//  4\n1+1//  2\n");
}

TEST_F(HostTest, EmptyStandardInputWritesNothingAndOpensNoConsole) {
  EXPECT_EQ(RunMain({"-"}), 0);
  EXPECT_EQ(F.Streams.FOutput, "");
  EXPECT_EQ(F.Console.FOpened, 0);
}

// ---- Fatal errors -----------------------------------------------------------------------------

TEST_F(HostTest, FatalErrorReportsAndHandsStandardInputBack) {
  const char* inputs[] = {
      "#ScriptFile x\na=1\n",  // an error in a directive line leaves the pass
      "a=1\n\xE3\x81\xFF\n",   // more stand-ins than are left: nothing is evaluated
  };
  for (int i = 0; i < platform::UserAreaSize - 2; ++i) F.Text.StandIns().StandInFor(0x10000 + i);
  // From a pipe the input is kept; from a file it is read again when it has to come back.
  for (bool rereadable : {false, true}) {
    for (const char* input : inputs) {
      F.Streams.FRereadable = rereadable;
      F.Streams.FInput = input;
      F.Streams.FOutput.clear();
      F.Report.FReports.clear();
      EXPECT_EQ(RunMain({"-"}), 1);
      EXPECT_EQ(F.Streams.FOutput, input) << rereadable;
      ASSERT_EQ(F.Report.FReports.size(), 1u);
      EXPECT_TRUE(F.Report.FReports[0].starts_with("Application Error|")) << input;
    }
  }
  EXPECT_NE(F.Report.FReports[0].find("standard input の 2 行 2 桁目"), std::string::npos);
  // A report that fails itself ends the run all the same, the input handed back.
  F.Report.FFailing = true;
  F.Streams.FInput = inputs[0];
  F.Streams.FOutput.clear();
  EXPECT_EQ(RunMain({"-"}), 1);
  EXPECT_EQ(F.Streams.FOutput, inputs[0]);
}

// The mark is no part of the sheet; the output it begins comes back with it, wherever it goes.
TEST_F(HostTest, ByteOrderMarkComesBackInFrontOfTheOutput) {
  const std::string mark = "\xEF\xBB\xBF";
  F.Streams.FInput = mark + "1+1\n";
  EXPECT_EQ(RunMain({"-"}), 0);
  EXPECT_EQ(F.Streams.FOutput, mark + "1+1//  2\n");
  const std::string inside = "\xF0\x40";  // the stand-in it was given
  F.Clipboard.FText = inside + "2+2";
  EXPECT_EQ(RunMain({}), 0);
  EXPECT_EQ(F.Clipboard.FText, inside + "2+2//  4\r\n");
  F.Files.FFiles["a.txt"] = inside + "2*3";
  F.Files.FFiles["b.txt"] = inside + "1";
  F.Streams.FOutput.clear();
  EXPECT_EQ(RunMain({"--stdout", "a.txt", "b.txt"}), 0);
  EXPECT_EQ(F.Streams.FOutput, mark + "2*3//  6\n1//  1");
  F.Clipboard.FText = inside + " \r\n";
  F.Clipboard.FWrites.clear();
  EXPECT_EQ(RunMain({}), 0);
  EXPECT_TRUE(F.Clipboard.FWrites.empty());  // a mark and blanks: no sheet, the console opens
}

// Each sheet's part goes out when it is done, in the bytes of the joined text; an error in a later
// sheet leaves the earlier parts written. A run that reads standard input still gives back all or
// nothing.
TEST_F(HostTest, StdoutWritesEachSheetsPartAsSoonAsItIsDone) {
  // A character and a CR LF line end cut between parts: "x", "あ", "y", LF, "z" once joined.
  F.Files.FFiles["a.echo.take"] = "x\x82";
  F.Files.FFiles["b.echo.take"] = "\xA0y\r";
  F.Files.FFiles["c.echo.take"] = "\nz";
  EXPECT_EQ(RunMain({"--stdout", "a.echo.take", "b.echo.take", "c.echo.take"}), 0);
  EXPECT_EQ(F.Streams.FOutput, "x\xE3\x81\x82y\nz");

  F.Files.FFiles["1.txt"] = "1+1";
  F.Files.FFiles["3.txt"] = "#ScriptFile x";
  F.Files.FFiles["5.txt"] = "5";
  F.Streams.FOutput.clear();
  EXPECT_EQ(RunMain({"--stdout", "1.txt", "b.echo.take", "3.txt", "c.echo.take", "5.txt"}), 1);
  EXPECT_EQ(F.Streams.FOutput, "1+1//  2\n\xEF\xBF\xBDy\r");  // the trail byte alone, the CR kept
  EXPECT_EQ(F.Report.FReports.size(), 1u);

  F.Streams.FInput = "2+2\n";
  F.Streams.FOutput.clear();
  EXPECT_EQ(RunMain({"--stdout", "1.txt", "-", "3.txt"}), 1);
  EXPECT_EQ(F.Streams.FOutput, "2+2\n");
}

TEST_F(HostTest, FatalErrorInFileModeLeavesTheClipboardAlone) {
  F.Files.FFiles["bad.txt"] = "1+1\r\n#ScriptFile x\r\n";
  F.Clipboard.FText = "old";
  EXPECT_EQ(RunMain({"bad.txt"}), 1);
  EXPECT_TRUE(F.Clipboard.FWrites.empty());
  EXPECT_EQ(F.Streams.FOutput, "");
  EXPECT_EQ(F.Report.FReports.size(), 1u);
}

TEST_F(HostTest, FailedWriteToStandardOutputIsAnError) {
  F.Streams.FInput = "1+1";
  F.Streams.FOutputFails = true;
  EXPECT_EQ(RunMain({"-"}), 1);
  ASSERT_EQ(F.Report.FReports.size(), 1u);
  EXPECT_TRUE(F.Report.FReports[0].starts_with("Application Error|EInOutError"));
}

// ---- Undo -------------------------------------------------------------------------------------

constexpr const char* Kept = "clipboard-before";

TEST_F(HostTest, UndoPutsBackWhatTheRunReplacedAndASecondUndoRedoes) {
  F.Clipboard.FText = "\x82\xA0=1\r\n\x82\xA0+1";  // a label named "あ"
  EXPECT_EQ(RunMain({}), 0);
  const std::string result = "\x82\xA0=1\r\n\x82\xA0+1//  2\r\n";
  EXPECT_EQ(F.Clipboard.FText, result);
  EXPECT_EQ(F.Clipboard.FReads, 1);  // the sheet read is the text kept
  EXPECT_EQ(F.State.FFiles[Kept], "\xE3\x81\x82=1\n\xE3\x81\x82+1");  // kept as outside text

  EXPECT_EQ(RunMain({"--undo"}), 0);
  EXPECT_EQ(F.Clipboard.FText, "\x82\xA0=1\r\n\x82\xA0+1");
  EXPECT_EQ(F.State.FFiles[Kept], "\xE3\x81\x82=1\n\xE3\x81\x82+1//  2\n");
  EXPECT_EQ(RunMain({"--undo"}), 0);
  EXPECT_EQ(F.Clipboard.FText, result);
  EXPECT_TRUE(F.Report.FWarnings.empty());
}

TEST_F(HostTest, OnlyTheFirstReplacementOfARunKeepsWhatTheClipboardHeld) {
  struct TCase {
    std::vector<std::string> Args;
    const char* Before;
    std::optional<std::string> Kept;  // nothing: the state is left alone
  };
  F.Files.FFiles["s.txt"] = "1+1";
  const TCase cases[] = {
      {{"s.txt"}, "prose", "prose"},
      {{"s.txt"}, "", ""},  // an empty clipboard is kept as an empty text: --undo empties it
      {{"empty.txt"}, "before the console", "before the console"},  // console: its first write
      {{"--stdout", "s.txt"}, "untouched", std::nullopt},
      {{"-"}, "untouched", std::nullopt},
      {{}, " \r\n", " \n"},  // console from a blank clipboard
  };
  for (const TCase& c : cases) {
    F.State.FFiles.clear();
    F.Clipboard.FText = c.Before;
    F.Clipboard.FReads = 0;
    F.Clipboard.FWrites.clear();
    F.Console.FInput = {"#say", "a=1", "#say"};  // three writes: "said", "", "said"
    EXPECT_EQ(RunMain(c.Args), 0);
    std::optional<std::string> kept;
    if (F.State.FFiles.contains(Kept)) kept = F.State.FFiles[Kept];
    EXPECT_EQ(kept, c.Kept) << c.Before;
    // Blank clipboard: read once at the start and once at the console's first write, which may
    // come long after.
    EXPECT_LE(F.Clipboard.FReads, c.Args.empty() ? 2 : 1) << c.Before;
  }
  EXPECT_EQ(F.Clipboard.FWrites.size(), 3u);

  F.State.FFiles[Kept] = "";  // an empty kept text empties the clipboard
  EXPECT_EQ(RunMain({"--undo"}), 0);
  EXPECT_EQ(F.Clipboard.FText, "");
  EXPECT_EQ(F.State.FFiles[Kept], "said\n");
}

TEST_F(HostTest, UndoWithNothingKeptSaysSoAndFails) {
  F.Clipboard.FText = "keep";
  EXPECT_EQ(RunMain({"--undo"}), 1);
  ASSERT_EQ(F.Report.FWarnings.size(), 1u);
  EXPECT_EQ(F.Report.FWarnings[0], "no clipboard text has been kept to put back");
  EXPECT_TRUE(F.Clipboard.FWrites.empty());
  EXPECT_TRUE(F.State.FFiles.empty());
}

TEST_F(HostTest, ACopyThatCannotBeKeptIsReportedAndTheResultStillDelivered) {
  F.State.FWritable = false;
  F.Clipboard.FText = "1+1";
  EXPECT_EQ(RunMain({}), 0);
  EXPECT_EQ(F.Clipboard.FText, "1+1//  2\r\n");
  ASSERT_EQ(F.Report.FWarnings.size(), 1u);
  EXPECT_EQ(F.Report.FWarnings[0],
            "cannot keep the clipboard's old text, so --undo cannot put it back: "
            "ファイルを書けません: /state/clipboard-before: No space left on device");
  EXPECT_TRUE(F.Report.FReports.empty());
}

TEST_F(HostTest, ARunThatCannotWriteTheClipboardKeepsTheEarlierWayBack) {
  F.State.FFiles[Kept] = "earlier";
  F.Files.FFiles["s.txt"] = "1+1";
  F.Clipboard.FText = "now";
  F.Clipboard.FWritable = false;
  EXPECT_EQ(RunMain({"s.txt"}), 0);
  EXPECT_EQ(F.State.FFiles[Kept], "earlier");
  EXPECT_EQ(RunMain({"--undo"}), 1);
  EXPECT_EQ(F.State.FFiles[Kept], "earlier");
  EXPECT_EQ(F.Report.FWarnings.back(), "cannot write the clipboard, so nothing was put back");
}

TEST(FatalErrorText, NamesKindModuleAndMessage) {
  const void* where = reinterpret_cast<const void*>(uintptr_t{0x4A2F0});
  scan::EZeroDivide zero("Floating point division by zero");
  scan::EAbort dotted("ends with a dot.");
  std::runtime_error other("other");
  EXPECT_EQ(FatalErrorText(&zero, "sheetcalc", where),
            "EZeroDivide in module sheetcalc at 000000000004A2F0.\n"
            "Floating point division by zero.");
  EXPECT_EQ(FatalErrorText(&dotted, "m", where),
            "EAbort in module m at 000000000004A2F0.\nends with a dot.");
  EXPECT_EQ(FatalErrorText(&other, "m", nullptr),
            "Exception in module m at 0000000000000000.\nother.");
  // The engine's own messages, fixed or with a part of their own, in the person's language.
  scan::EZeroDivide engineZero("浮動小数点数の 0 による除算です");
  scan::EConvertError notNumber("'1e5.5' は浮動小数点数ではありません");
  EXPECT_EQ(FatalErrorLine(&engineZero), "floating-point division by zero");
  EXPECT_EQ(FatalErrorLine(&notNumber), "'1e5.5' is not a floating-point number");
}

// ---- Console loop -----------------------------------------------------------------------------

TEST_F(HostTest, ConsoleLabelsSurviveFromLineToLine) {
  F.Console.FInput = {"a=5", "a*2"};
  EXPECT_EQ(RunMain({"empty.txt"}), 0);
  EXPECT_EQ(F.Console.FOutput, " 10\r\n");
}

// The console's text with every error annotation line shown as "<err>" (its wording is the
// engine's).
std::string MaskErrors(const std::string& text) {
  std::string out;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find("\r\n", from);
    end = end == std::string::npos ? text.size() : end + 2;
    std::string line = text.substr(from, end - from);
    out += line.starts_with("!Err:") ? "<err>\r\n" : line;
    from = end;
  }
  return out;
}

TEST_F(HostTest, ConsoleExitWordEndsTheLoopWithoutEvaluating) {
  struct TCase {
    std::deque<std::string> Lines;
    std::string Output;
  };
  const TCase cases[] = {
      {{"1+1", "Exit", "2+2"}, "  2\r\n"},
      {{"EXIT", "2+2"}, ""},
      {{"exit now", "2+2"}, ""},
      {{"exi", "2+2"}, "<err>\r\n  4\r\n"},  // too short for the exit word: evaluated
      {{"ex", "exit", "2+2"}, "<err>\r\n"},
      {{"1+1"}, "  2\r\n"},  // the end of input ends the loop too
  };
  for (const TCase& c : cases) {
    F.Console.FInput = c.Lines;
    F.Console.FOutput.clear();
    EXPECT_EQ(RunMain({"empty.txt"}), 0);
    EXPECT_EQ(MaskErrors(F.Console.FOutput), c.Output) << c.Lines.front();
  }
}

TEST_F(HostTest, ConsoleLeavesAnEmptyClipboardAfterAnOrdinaryLine) {
  F.Clipboard.FText = "  \r\n";
  F.Console.FInput = {"1+1", "2+2", "3+3"};
  EXPECT_EQ(RunMain({}), 0);
  EXPECT_EQ(F.Clipboard.FText, "");
  EXPECT_EQ(F.Clipboard.FWrites.size(), 1u);  // the same empty text is not written again
}

TEST(IsExitLine, ComparesTheFirstFourBytesIgnoringCase) {
  struct TCase {
    const char* Line;
    bool Exit;
  };
  const TCase cases[] = {{"exit", true},      {"EXIT\r\n", true}, {"eXiT now", true},
                         {"exitement", true}, {"exi", false},     {"ex", false},
                         {" exit", false},    {"", false},        {"ex\r\n", false}};
  for (const TCase& c : cases) EXPECT_EQ(IsExitLine(c.Line), c.Exit) << c.Line;
}

TEST(ParseCommandLine, SeparatesOptionsFromFileNames) {
  std::vector<std::string> args = {"--stdout", "a.txt", "-", "--help", "--undo", "--lsp",
                                   "--",       "--version", "-"};
  TCommandLine cl = ParseCommandLine(args);
  EXPECT_TRUE(cl.ToStdout);
  EXPECT_TRUE(cl.Undo);
  EXPECT_TRUE(cl.Lsp);
  EXPECT_TRUE(cl.Help);
  EXPECT_FALSE(cl.Version);
  EXPECT_EQ(cl.Files, (std::vector<std::string>{"a.txt", "-", "--version", "-"}));
  EXPECT_EQ(cl.UnknownOption, "");
}

TEST(ParseCommandLine, AllowWriteTakesAFolderInEitherForm) {
  std::vector<std::string> args = {"--allow-write", "a", "x", "--allow-write=b c", "--allow-write"};
  TCommandLine cl = ParseCommandLine(args);
  EXPECT_EQ(cl.AllowWrite, (std::vector<std::string>{"a", "b c"}));
  EXPECT_EQ(cl.Files, std::vector<std::string>{"x"});
  EXPECT_EQ(cl.UnknownOption, "--allow-write");  // no folder behind it
  std::vector<std::string> empty = {"--allow-write="};
  EXPECT_EQ(ParseCommandLine(empty).UnknownOption, "--allow-write=");
}

TEST(ParseCommandLine, ShortFormsAndTheOtherBranchesOptions) {
  std::vector<std::string> args = {"-h", "-V", "--undo", "--lsp"};
  TCommandLine cl = ParseCommandLine(args);
  EXPECT_TRUE(cl.Help && cl.Version && cl.Undo && cl.Lsp);
  EXPECT_TRUE(cl.Files.empty());
}

TEST(ParseCommandLine, FirstUnknownOptionIsKept) {
  struct TCase {
    std::vector<std::string> Args;
    const char* Unknown;
  };
  const TCase cases[] = {
      {{"--bogus", "-x"}, "--bogus"},      {{"a.txt", "--stdout=yes"}, "--stdout=yes"},
      {{"-hV"}, "-hV"},                   {{"--HELP"}, "--HELP"},
      {{"--", "--bogus", "-x"}, ""},      {{"-", "a"}, ""},
      {{"---"}, "---"},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(ParseCommandLine(c.Args).UnknownOption, c.Unknown) << c.Args.front();
}

TEST_F(HostTest, UnknownOptionIsAUsageErrorAndNothingRuns) {
  F.Clipboard.FText = "1+1";
  F.Files.FFiles["s.txt"] = "2+2";
  EXPECT_EQ(RunMain({"s.txt", "--help", "--bogus"}), 2);
  ASSERT_EQ(F.Report.FUsageErrors.size(), 1u);
  EXPECT_EQ(F.Report.FUsageErrors[0],
            "sheetcalc: unknown option '--bogus'\nTry 'sheetcalc --help' for more information.\n");
  EXPECT_TRUE(F.Clipboard.FWrites.empty());
  EXPECT_EQ(F.Streams.FOutput, "");
  EXPECT_TRUE(F.Report.FReports.empty());
}

TEST_F(HostTest, SkippedFileArgumentsAreNamedInAWarningAndFailTheRun) {
  F.Files.FFiles["s.txt"] = "1+1\n";
  EXPECT_EQ(RunMain({"--stdout", "gone.txt", "s.txt"}), 1);
  EXPECT_EQ(F.Streams.FOutput, "1+1//  2\n");
  EXPECT_EQ(F.Report.FWarnings,
            (std::vector<std::string>{"gone.txt: No such file or directory"}));
}

TEST_F(HostTest, FatalErrorLineAndNotificationFollowWhereResultsGo) {
  struct TCase {
    std::vector<std::string> Args;
    std::string Line;
    bool Notify;
  };
  F.Files.FFiles["bad.txt"] = "#ScriptFile x";
  const TCase cases[] = {
      {{"bad.txt"}, "'=' is missing after #ScriptFile", true},
      {{"--stdout", "bad.txt"}, "'=' is missing after #ScriptFile", false},
      {{"-"},
       "standard input:2:1: the byte 0xFF is not valid UTF-8 (no stand-ins are left for it)",
       false},
  };
  // No stand-in left: the byte that is not UTF-8 cannot be carried.
  for (int i = 0; i < platform::UserAreaSize; ++i) F.Text.StandIns().StandInFor(0x10000 + i);
  for (const TCase& c : cases) {
    F.Streams.FInput = "a=1\n\xFF\n";
    F.Report.FLines.clear();
    F.Report.FNotify.clear();
    EXPECT_EQ(RunMain(c.Args), 1);
    ASSERT_EQ(F.Report.FLines.size(), 1u);
    EXPECT_EQ(F.Report.FLines[0], c.Line);
    EXPECT_EQ(F.Report.FNotify[0], c.Notify) << c.Line;
  }
}

TEST(FatalErrorLine, GivesThePlaceOfAnInputErrorAndElseTheMessage) {
  scan::EEncodingError placed("sheet.txt", 12, 3, "NUL バイト (0x00) はテキストに使えません");
  EXPECT_EQ(placed.Message(), "sheet.txt の 12 行 3 桁目: NUL バイト (0x00) はテキストに使えません");
  EXPECT_EQ(FatalErrorLine(&placed), "sheet.txt:12:3: NUL バイト (0x00) はテキストに使えません");
  scan::EEncodingError unplaced("文字コード変換が使えません");
  EXPECT_EQ(FatalErrorLine(&unplaced), "文字コード変換が使えません");
  scan::EZeroDivide zero("");
  EXPECT_EQ(FatalErrorLine(&zero), "EZeroDivide");
  EXPECT_EQ(FatalErrorLine(nullptr), "Exception");
}

TEST_F(HostTest, ConsoleCompletesTheEnginesNamesAndTheLabelsSoFar) {
  F.Console.FInput = {"rate=3", "\x83\xD0=2"};  // the second label is named "σ" as well
  EXPECT_EQ(RunMain({"empty.txt"}), 0);
  EXPECT_FALSE(F.Console.FCompletion);  // the engine it asks is gone with the loop
  const std::vector<std::string>& names = F.Console.FNames;
  auto has = [&](const std::string& n) { return std::count(names.begin(), names.end(), n); };
  for (const char* n : {"sin", "ArcTan2", "pr", "PI", "_NA", "#定数", "#h", "rate"})
    EXPECT_EQ(has(n), 1) << n;
  EXPECT_EQ(has("\x83\xD0"), 2);  // the constant and the label
  EXPECT_EQ(names.back(), "\x83\xD0");
}

TEST(HelpText, ListsTheNamesOnlyWhenAskedToAndNamesTheFoldersOfItsServices) {
  fakes::TFakeServices f;
  std::string full = host::HelpText(true, f.Services), brief = host::HelpText(false, f.Services);
  EXPECT_NE(brief.find("/prog/"), std::string::npos);
  EXPECT_NE(brief.find("/state/"), std::string::npos);
  EXPECT_TRUE(full.starts_with(brief));
  EXPECT_EQ(brief.find("ArcTan2"), std::string::npos);
  EXPECT_NE(full.find("  pr sin cos tan"), std::string::npos);
  EXPECT_NE(full.find("_NA \x83\xD0 \x83\xCE\r\n"), std::string::npos);  // ... σ π
  for (const char* name : {" sqrt", " ceil", " min", " max"})
    EXPECT_NE(full.find(name), std::string::npos) << name;
}

}  // namespace
}  // namespace host
