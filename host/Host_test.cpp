#include "host/Host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PlatformFakes.h"
#include "engine/CalcAnsiScript.h"

namespace host {
namespace {

// Takes over every file whose name ends in ".take"; one named "*.out.take" also writes a line.
class TTakeAddition : public engine::TCalcuAddition {
 public:
  bool TakeFile(const std::string& fileName, const char*) override {
    if (fileName.ends_with(".out.take")) FEngine->Write("taken " + fileName + "\r\n");
    return fileName.ends_with(".take") || (fileName == "-" && FTakeStandardInput);
  }
  static inline bool FTakeStandardInput = false;
};

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::ClearAdditionClasses();
    engine::RegisterAddition(engine::AdditionClassOf<TTakeAddition>("TTakeAddition"));
    TTakeAddition::FTakeStandardInput = false;
  }
  void TearDown() override { engine::ClearAdditionClasses(); }

  int RunMain(std::vector<std::string> args) { return Main("/usr/bin/sheetcalc", args); }

  fakes::TFakeHostPlatform F;
};

std::string HelpText() {
  std::string text;
  for (const char* line : ConsoleHelpLines()) text += std::string(line) + "\r\n";
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

TEST_F(HostTest, OptionsAloneStillReadTheClipboard) {
  F.Clipboard.FText = "1+1";
  EXPECT_EQ(RunMain({"--stdout"}), 0);
  EXPECT_EQ(F.Streams.FOutput, "1+1//  2\n");
  EXPECT_TRUE(F.Clipboard.FWrites.empty());
}

// ---- File mode --------------------------------------------------------------------------------

TEST_F(HostTest, OnlyExistingFilesAreEvaluatedInOrder) {
  F.Files.FFiles["second.txt"] = "2*3";
  F.Files.FFiles["third.txt"] = "x=1";
  F.Clipboard.FText = "old";
  EXPECT_EQ(RunMain({"first.txt", "second.txt", "third.txt"}), 0);
  EXPECT_EQ(F.Clipboard.FText, "2*3//  6\r\nx=1\r\n");
  EXPECT_EQ(F.Console.FOpened, 0);
}

TEST_F(HostTest, NoExistingFileOpensTheConsoleWithoutHelp) {
  F.Console.FInput = {"1+2"};
  EXPECT_EQ(RunMain({"missing.txt", "gone.txt"}), 0);
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
  EXPECT_EQ(F.Streams.FWarnings.size(), 1u);
}

TEST_F(HostTest, StdoutOptionBypassesTheClipboard) {
  F.Files.FFiles["s.txt"] = "\x82\xA0=1\r\n\x82\xA0+1";  // a label named "あ"
  EXPECT_EQ(RunMain({"--stdout", "s.txt"}), 0);
  EXPECT_EQ(F.Streams.FOutput, "\xE3\x81\x82=1\n\xE3\x81\x82+1//  2\n");
  EXPECT_TRUE(F.Clipboard.FWrites.empty());
}

// ---- Standard input ---------------------------------------------------------------------------

TEST_F(HostTest, StandardInputSheetGoesToStandardOutput) {
  F.Streams.FInput = "a=2\nb=a*3\nb+1";
  EXPECT_EQ(RunMain({"-"}), 0);
  EXPECT_EQ(F.Streams.FOutput, "a=2\nb=a*3\nb+1//  7\n");
  EXPECT_TRUE(F.Clipboard.FWrites.empty());
  EXPECT_EQ(F.Console.FOpened, 0);
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
    EXPECT_TRUE(F.Streams.FOutput == sheet + "\n") << "output differs";
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
      "a=1\n\xE3\x81\xFF\n",   // not UTF-8: nothing is evaluated
  };
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
      EXPECT_TRUE(F.Report.FReports[0].starts_with("アプリケーション エラー|")) << input;
    }
  }
  EXPECT_NE(F.Report.FReports[0].find("standard input の 2 行 1 桁目"), std::string::npos);
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
  EXPECT_TRUE(F.Report.FReports[0].starts_with("アプリケーション エラー|EInOutError"));
}

TEST(FatalErrorText, NamesKindModuleAndMessage) {
  const void* where = reinterpret_cast<const void*>(uintptr_t{0x4A2F0});
  scan::EZeroDivide zero("Floating point division by zero");
  scan::EAbort dotted("ends with a dot.");
  std::runtime_error other("other");
  EXPECT_EQ(FatalErrorText(&zero, "sheetcalc", where),
            "EZeroDivideがモジュール sheetcalc の 000000000004A2F0 で発生しました。\n"
            "Floating point division by zero.");
  EXPECT_EQ(FatalErrorText(&dotted, "m", where),
            "EAbortがモジュール m の 000000000004A2F0 で発生しました。\nends with a dot.");
  EXPECT_EQ(FatalErrorText(&other, "m", nullptr),
            "Exceptionがモジュール m の 0000000000000000 で発生しました。\nother.");
}

// ---- Console loop -----------------------------------------------------------------------------

TEST_F(HostTest, ConsoleLabelsSurviveFromLineToLine) {
  F.Console.FInput = {"a=5", "a*2"};
  EXPECT_EQ(RunMain({"none"}), 0);
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
    EXPECT_EQ(RunMain({"none"}), 0);
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
  std::vector<std::string> args = {"--stdout", "a.txt", "-", "--lsp", "--help", "--", "--version", "-"};
  TCommandLine cl = ParseCommandLine(args);
  EXPECT_TRUE(cl.ToStdout);
  EXPECT_TRUE(cl.Lsp);
  EXPECT_TRUE(cl.Help);
  EXPECT_FALSE(cl.Version);
  EXPECT_EQ(cl.Files, (std::vector<std::string>{"a.txt", "-", "--version", "-"}));
}

}  // namespace
}  // namespace host
