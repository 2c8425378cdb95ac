// The #P2Js addition: the directive in a sheet, the take-over of a file, the option line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PlatformFakes.h"
#include "engine/CalcAnsiScript.h"
#include "pas2js/Pas2JavaScCalc.h"
#include "scan/Exceptions.h"

namespace pas2js {
namespace {

constexpr engine::TAdditionMaker P2JsOnly[] = {&engine::MakeAddition<TPas2JavaScCalc>};

std::string RunSheet(const std::string& sheet) {
  fakes::TFakeServices services;
  engine::TAnsiCalculate engine(sheet, services.Services, P2JsOnly);
  engine.Calculate();
  return engine.Output();
}

// OfferFile as the host does it; returns whether the file was taken, and the output.
bool OfferText(const std::string& text, std::string& output, fakes::TFakeServices& services,
               const std::string& sheetName = "sheet.txt") {
  engine::TAnsiCalculate engine(text, services.Services, P2JsOnly);
  const bool taken = engine.OfferFile(sheetName);
  output = engine.Output();
  return taken;
}
bool OfferText(const std::string& text, std::string& output) {
  fakes::TFakeServices services;
  return OfferText(text, output, services);
}

TEST(P2JsDirective, ConvertsTheRestOfTheSheet) {
  const struct {
    const char* sheet;
    const char* out;
  } cases[] = {
      {"#P2Js\r\n\r\n\r\nx := 1;\r\n\r\ny := 2;", "x = 1;\r\n\r\ny = 2;"},
      {"#p2js\r\nx := a <> b;\r\n", "x = a != b;\r\n"},
      {"#P2JS debug\r\nx", "/*<Exec,1>*/x"},
      {"#P2Js Debug\r\nx", "/*<Exec,1>*/x"},  // no console through the directive
      {"#P2Js DEBUG trailing words\r\nx", "/*<Exec,1>*/x"},
      {"#P2Js debugger\r\nx", "x"},
      {"#P2Js", ""},
      {"#P2Js debug", "/*<Exec,1>*/"},
  };
  for (const auto& tc : cases) EXPECT_EQ(RunSheet(tc.sheet), tc.out) << tc.sheet;
}

TEST(P2JsDirective, LinesAboveAreEvaluatedAndTheDirectiveLineLeavesNoLine) {
  EXPECT_EQ(RunSheet("a=2\r\na*3\r\n#P2Js\r\nb := a;"), "a=2\r\na*3//  6\r\nb = a;");
}

TEST(P2JsDirective, HelpLines) {
  fakes::TFakeServices services;
  engine::TAnsiCalculate engine("#h", services.Services, P2JsOnly);
  engine.Calculate();
  const std::string help = "// #P2Js の行以後に対して 機械的な置換を行う\r\n"
                           "// # コンソールモードでは1行単位に解釈されるので動作しない\r\n//\r\n";
  EXPECT_NE(engine.Output().find(help), std::string::npos);
  // A file that holds the help as "#h" wrote it is a sheet, not a conversion job; the directive
  // in any other place of a note still takes it.
  std::string out;
  EXPECT_FALSE(OfferText("#h\r\n" + help + "1+1", out));
  EXPECT_TRUE(OfferText(help + "// #P2Js\r\nx := 1;", out));
  EXPECT_EQ(out, "x = 1;");
}

TEST(P2JsTakeFile, OnlyTheExactDirectiveTakesAFile) {
  std::string out;
  EXPECT_FALSE(OfferText("#p2js\r\nx := 1;", out));
  EXPECT_EQ(out, "");
  EXPECT_TRUE(OfferText("junk before #P2Js\r\nx := 1;", out));
  EXPECT_EQ(out, "x = 1;");
  // Twice: the second directive is part of the converted text.
  EXPECT_TRUE(OfferText("#P2Js\r\na := 1;\r\n#P2Js\r\n", out));
  EXPECT_EQ(out, "a = 1;\r\n\"\\x00\"P2Js\r\n");
  EXPECT_TRUE(OfferText("#P2Js debug\r\nx", out));
  EXPECT_EQ(out, "/*<Exec,1>*/x");
}

TEST(P2JsTakeFile, DebugEchoesTheConversionThroughTheEnginesEchoAndOnlyInAFile) {
  fakes::TFakeServices services;
  std::string out;
  EXPECT_TRUE(OfferText("#P2Js Debug\r\nx := 1;", out, services));
  EXPECT_EQ(out, "/*<Exec,1>*/x = 1;");
  // The mark once for the watcher, once more with the output it is written into.
  EXPECT_EQ(services.Echo.FText, "/*<Exec,1>*//*<Exec,1>*/x = 1;");
  fakes::TFakeServices marksOnly, directive;
  EXPECT_TRUE(OfferText("#P2Js debug\r\nx := 1;", out, marksOnly));
  EXPECT_EQ(marksOnly.Echo.FText, "");
  engine::TAnsiCalculate engine("#P2Js Debug\r\nx := 1;", directive.Services, P2JsOnly);
  engine.Calculate();
  EXPECT_EQ(engine.Output(), "/*<Exec,1>*/x = 1;");
  EXPECT_EQ(directive.Echo.FText, "");
}

TEST(P2JsTakeFile, AQuotedFileNameReceivesTheJavaScript) {
  fakes::TFakeServices services;
  std::string out;
  EXPECT_TRUE(OfferText("#P2Js 'out.js' debug\r\nx := 1;", out, services));
  EXPECT_EQ(out, "");
  EXPECT_EQ(services.Files.FFiles["/work/out.js"], "/*<Exec,1>*/x = 1;");
}

TEST(P2JsTakeFile, AnOutputFileThatCannotBeWrittenIsAnError) {
  fakes::TFakeServices services;
  services.Files.FSaveError = "書き込めません";
  std::string out;
  try {
    OfferText("#P2Js 'out.js'\r\nx := 1;", out, services);
    FAIL() << "no error";
  } catch (const scan::EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find("out.js"), std::string::npos);
  }
}

TEST(P2JsTakeFile, AnOutputFileGoesBesideTheSheetOrIntoAnAllowedFolder) {
  const struct {
    const char* sheetName;
    const char* fileName;
    std::vector<std::string> allowed;
    const char* written;  // the file written; empty: refused
  } cases[] = {
      {"sheet.txt", "out.js", {}, "/work/out.js"},
      {"-", "out.js", {}, "/work/out.js"},
      {"dir/sheet.txt", "out.js", {}, "dir/out.js"},
      {"dir/sheet.txt", "sub/out.js", {}, "dir/sub/out.js"},
      {"dir/sheet.txt", "../up.js", {}, ""},
      {"dir/sheet.txt", "/abs/x.js", {}, ""},
      {"dir/sheet.txt", "/abs/x.js", {"/abs/"}, "/abs/x.js"},
      {"dir/sheet.txt", "/abs/deeper/x.js", {"/abs/"}, "/abs/deeper/x.js"},
      {"dir/sheet.txt", "/absent/x.js", {"/abs/"}, ""},
      {"dir/sheet.txt", "/abs/x.txt", {"/abs/"}, ""},
      {"sheet.txt", "CON.js", {"/"}, ""},
  };
  for (const auto& tc : cases) {
    fakes::TFakeServices services;
    services.Services.WriteFolders = tc.allowed;
    std::string out, sheet = std::string("#P2Js '") + tc.fileName + "'\r\nx := 1;";
    const std::string rule = std::string("refused to write '") + tc.fileName +
                             "': an output file must be a .js file beside the sheet";
    try {
      EXPECT_TRUE(OfferText(sheet, out, services, tc.sheetName));
      EXPECT_EQ(services.Files.FFiles[tc.written], "x = 1;") << tc.fileName;
    } catch (const scan::EInOutError& e) {
      EXPECT_STREQ(tc.written, "") << tc.fileName;
      EXPECT_EQ(e.Message(), rule);
      EXPECT_TRUE(services.Files.FFiles.empty()) << tc.fileName;
    }
    EXPECT_EQ(out, "");
  }
}

TEST(P2JsTakeFile, AControlCharacterInTheNameIsRefusedAndShownAsAQuestionMark) {
  fakes::TFakeServices services;
  std::string out;
  // The stand-in that a NUL in the outside text becomes.
  const std::string name = "a" + services.Text.ImportText(std::string("\0", 1), "test") + "b.js";
  try {
    OfferText("#P2Js '" + name + "'\r\nx := 1;", out, services);
    FAIL() << "no error";
  } catch (const scan::EInOutError& e) {
    EXPECT_EQ(e.Message(),
              "refused to write 'a?b.js': an output file must be a .js file beside the sheet");
  }
  EXPECT_TRUE(services.Files.FFiles.empty());
}

TEST(P2JsOptions, TheOptionLine) {
  const struct {
    const char* line;
    bool withFile;
    const char* file;
    const char* word;
    const char* rest;
  } cases[] = {
      {" debug rest\r\n\r\n\r\nx", false, "", "debug", "x"},
      {"\t'a b.js'  Debug\r\nx", true, "a b.js", "Debug", "x"},
      {"'a.js\r\nx' y\r\nz", true, "a.js\r\nx", "y", "z"},  // the quote is looked for anywhere
      {"'open\r\nx", true, "", "open", "x"},  // no closing quote: on behind the opening one
      {"'a.js'", false, "", "", ""},
      {"", true, "", "", ""},
  };
  for (const auto& tc : cases) {
    const char* p = tc.line;
    const TP2JsOptions options = ReadOptionLine(p, tc.withFile);
    EXPECT_EQ(options.FileName, tc.file) << tc.line;
    EXPECT_EQ(options.Word, tc.word) << tc.line;
    EXPECT_STREQ(p, tc.rest) << tc.line;
  }
}

}  // namespace
}  // namespace pas2js
