#include "lsp/LspServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "EveryAddition.h"
#include "PlatformFakes.h"
#include "engine/CalcAnsiScript.h"
#include "lsp/JsonParams.h"
#include "platform/Messages.h"

namespace lsp {
namespace {

constexpr const char* Uri = "file:///t.sheet";

/// A server with every outside service faked, and what it sent.
class LspServerTest : public ::testing::Test {
 protected:
  /// A message, then the work left for when none waits.
  void Send(const json& message) {
    Deliver(message);
    FServer.Idle([] { return false; });
  }
  /// A message, with more waiting behind it.
  void Deliver(const json& message) { FServer.Receive(message.dump()); }
  void Initialize(json capabilities = json::object()) {
    Send({{"jsonrpc", "2.0"}, {"id", 0}, {"method", "initialize"}, {"params", {{"capabilities", capabilities}}}});
  }
  void Open(const std::string& text) {
    Send({{"jsonrpc", "2.0"},
          {"method", "textDocument/didOpen"},
          {"params", {{"textDocument", {{"uri", Uri}, {"version", 1}, {"text", text}}}}}});
  }
  /// The answer to a request (its result, or its error).
  json Ask(const std::string& method, json params) {
    Send({{"jsonrpc", "2.0"}, {"id", ++FId}, {"method", method}, {"params", params}});
    for (auto it = FSent.rbegin(); it != FSent.rend(); ++it)
      if (it->contains("id") && (*it)["id"] == FId && !it->contains("method")) return *it;
    return FSent.back();
  }
  /// The hints as "line:label" texts.
  std::vector<std::string> Hints() {
    json r = Ask("textDocument/inlayHint", {{"textDocument", {{"uri", Uri}}},
                                            {"range", {{"start", {{"line", 0}, {"character", 0}}},
                                                       {"end", {{"line", 999}, {"character", 0}}}}}});
    std::vector<std::string> hints;
    for (const json& h : r["result"])
      hints.push_back(std::to_string(h["position"]["line"].get<int>()) + ":" + h["label"].get<std::string>());
    return hints;
  }
  /// The last diagnostics as "line:message" texts.
  std::vector<std::string> Diagnostics() {
    std::vector<std::string> out;
    for (auto it = FSent.rbegin(); it != FSent.rend(); ++it) {
      if (it->value("method", "") != "textDocument/publishDiagnostics") continue;
      for (const json& d : (*it)["params"]["diagnostics"])
        out.push_back(std::to_string(d["range"]["start"]["line"].get<int>()) + ":" + d["message"].get<std::string>());
      break;
    }
    return out;
  }
  json Position(int line, int character) {
    return {{"textDocument", {{"uri", Uri}}}, {"position", {{"line", line}, {"character", character}}}};
  }

  fakes::TFakeServices FHost;
  fakes::TFakeSysColors& FColors = FHost.Colors;
  std::vector<json> FSent;
  TLspServer FServer{[this](std::string_view body) { FSent.push_back(json::parse(body)); },
                     FHost.Services, fakes::EveryAddition};
  int FId = 0;
};

TEST_F(LspServerTest, NothingReachesOutside) {
  Initialize();
  // A scheme saved and deleted, a colour changed, a converted program written to a file.
  Open("COLOR_WINDOW=clRed\nCOLOR_WINDOW\n#scol +mine\n#scol -mine\n");
  EXPECT_EQ(Hints(), (std::vector<std::string>{"1:255"}));
  Open("#P2Js 'out.js'\nvar x: integer;\n");
  EXPECT_EQ(Hints(), std::vector<std::string>{});
  Open("#P2Js Debug\nvar x: integer;\n");  // the converter's echo, too
  EXPECT_EQ(FHost.Echo.FText, "");
  EXPECT_TRUE(FHost.Files.FFiles.empty());
  EXPECT_EQ(FHost.Files.FDeletions, 0);
  EXPECT_FALSE(FHost.Files.FFolderCreated);
  EXPECT_TRUE(FColors.FCalls.empty());
  EXPECT_TRUE(FHost.Clipboard.FWrites.empty());
  // Each evaluation starts from the colours in force, not from an earlier one's changes.
  FColors.FColors[5] = 7;
  Open("COLOR_WINDOW\n");
  EXPECT_EQ(Hints(), (std::vector<std::string>{"0:  7"}));
}

TEST_F(LspServerTest, ADirectiveErrorEndsThePassOnItsLine) {
  Initialize();
  Open("1+1\n#scol +a b\n2+2\n");
  EXPECT_EQ(Hints(), (std::vector<std::string>{"0:  2"}));
  EXPECT_EQ(Diagnostics(), (std::vector<std::string>{"1:#scol a??"}));
  // The filter would give its input back: nothing to write into the text.
  EXPECT_EQ(Ask("textDocument/codeAction", {{"textDocument", {{"uri", Uri}}}})["result"], json::array());
  Open("1+1\n");
  auto actions = [&](json only) {
    return Ask("textDocument/codeAction", {{"textDocument", {{"uri", Uri}}}, {"context", {{"only", only}}}})["result"].size();
  };
  EXPECT_EQ(actions({"refactor"}), 1u);
  EXPECT_EQ(actions({"quickfix", "refactor.rewrite"}), 1u);
  EXPECT_EQ(actions({"refactor.re", "quickfix"}), 0u);
  // Converted lines are no sheet lines: no hints below the directive.
  Open("1+1\n\n#p2js\nvar x: integer;\n2+2\n");
  EXPECT_EQ(Hints(), (std::vector<std::string>{"0:  2"}));
  EXPECT_EQ(Diagnostics(), std::vector<std::string>{});
}

TEST_F(LspServerTest, LinesMapThroughBlankAndDirectiveLines) {
  Initialize();
  // Mode 1 annotates assignments, but not the empty line after the last line break.
  Open("\n  1+1\r\n\r#m 1\n\n x=3\n\tx*2 // old\n#h\nfoo(\n");
  EXPECT_EQ(Hints(), (std::vector<std::string>{"1:  2", "5:  3", "6:  6", "8:!Err:missing operand"}));
  EXPECT_EQ(Diagnostics(), (std::vector<std::string>{"8:missing operand"}));
}

TEST_F(LspServerTest, HoverAndCompletionFollowTheLines) {
  Initialize();
  Open("a=1\nb=a\na=5\nHyp\n#s\nsq\nCE\n");
  EXPECT_EQ(Ask("textDocument/hover", Position(1, 2))["result"]["contents"]["value"], "a = 1");
  EXPECT_EQ(Ask("textDocument/hover", Position(2, 0))["result"]["contents"]["value"], "a = 5");
  EXPECT_TRUE(Ask("textDocument/hover", Position(3, 1))["result"].is_null());
  auto labels = [&](int line, int character) {
    std::vector<std::string> out;
    const json answer = Ask("textDocument/completion", Position(line, character));
    for (const json& item : answer["result"]["items"])
      out.push_back(item["label"]);
    return out;
  };
  EXPECT_EQ(labels(3, 3), std::vector<std::string>{"Hypot"});
  EXPECT_EQ(labels(4, 2), (std::vector<std::string>{"#SI", "#scol"}));
  EXPECT_EQ(labels(5, 2), std::vector<std::string>{"sqrt"});
  EXPECT_EQ(labels(6, 2), std::vector<std::string>{"ceil"});
  EXPECT_EQ(labels(1, 0).back(), "a");  // labels above the cursor only: b is defined on line 1
}

TEST_F(LspServerTest, HoverShowsWhatABuiltInFunctionGives) {
  Initialize();
  Open("sqrt(2)+SQRT(3)\nPower(2, 10)\nx = MIN(1, 2)\nmin = 4\nmin (3, min)\nsqr(1)\nlog(1)\npr(\"%g\", 1)\n");
  struct TCase {
    int Line, Character;
    const char* Hover;  // nullptr: none
  } const cases[] = {
      {0, 2, "sqrt(x)\nsquare root of x"},
      {0, 12, "sqrt(x)\nsquare root of x"},  // letter case, and the second name on the line
      {1, 0, "Power(a, b)\na to the power b"},
      {2, 6, "min(a, b, ...)\nsmallest of the arguments"},
      {2, 0, "x = 1"},                                        // a label still shows its value
      {4, 1, "min(a, b, ...)\nsmallest of the arguments"},  // a call, though a label min exists
      {4, 10, "min = 4"},                                     // the label min
      {5, 1, nullptr},                                        // no such function
      {6, 1, "log(x)\nnatural logarithm of x (as ln)"},
      {7, 0, "pr(\"format\", x, ...)\n"
             "up to four values written by the format text (%e, %f, %g, %n, %m) as the line's result"},
  };
  for (const TCase& c : cases) {
    const json result = Ask("textDocument/hover", Position(c.Line, c.Character))["result"];
    if (!c.Hover) {
      EXPECT_TRUE(result.is_null()) << c.Line << ":" << c.Character << " " << result;
      continue;
    }
    EXPECT_EQ(result["contents"]["value"], c.Hover) << c.Line << ":" << c.Character;
  }
  const json sqrt = Ask("textDocument/hover", Position(0, 10))["result"];
  EXPECT_EQ(sqrt["range"], RangeJson({0, 8}, {0, 12}));
}

TEST_F(LspServerTest, PositionsInUtf8WhenTheClientOffersIt) {
  Initialize({{"general", {{"positionEncodings", {"utf-16", "utf-8"}}}}});
  EXPECT_EQ(FSent.back()["result"]["capabilities"]["positionEncoding"], "utf-8");
  Open("\xE6\xBC\xA2=1\n\xE6\xBC\xA2+1\n");  // a three-byte character, one UTF-16 unit
  json r = Ask("textDocument/inlayHint", {{"textDocument", {{"uri", Uri}}},
                                          {"range", {{"start", {{"line", 0}, {"character", 0}}},
                                                     {"end", {{"line", 9}, {"character", 0}}}}}});
  EXPECT_EQ(r["result"][0]["position"], json({{"line", 1}, {"character", 5}}));
}

TEST_F(LspServerTest, ProtocolErrorsAndLifeCycle) {
  auto code = [&](const json& answer) { return answer["error"]["code"].get<int>(); };
  EXPECT_EQ(code(Ask("textDocument/hover", Position(0, 0))), ServerNotInitialized);
  Initialize();
  EXPECT_EQ(code(Ask("initialize", json::object())), InvalidRequest);
  FServer.Receive("[1,2]");
  EXPECT_EQ(code(FSent.back()), InvalidRequest);
  FServer.Receive(R"({"jsonrpc":"2.0","id":[1],"method":"shutdown"})");
  EXPECT_EQ(code(FSent.back()), InvalidRequest);
  EXPECT_EQ(code(Ask("textDocument/hover", {{"textDocument", {{"uri", 5}}}})), InvalidParams);
  FServer.ReceiveBroken();
  EXPECT_TRUE(FSent.back()["id"].is_null());
  Open("1+1\n");
  // A change with unusable positions is clamped, not refused.
  Send({{"jsonrpc", "2.0"}, {"method", "textDocument/didChange"},
        {"params", {{"textDocument", {{"uri", Uri}}},
                    {"contentChanges", {{{"range", {{"start", {{"line", -3}, {"character", 1e300}}},
                                                    {"end", {{"line", 1.5}, {"character", -1}}}}},
                                         {"text", "*2"}}}}}}});
  EXPECT_EQ(Hints(), (std::vector<std::string>{"0:  3"}));
  EXPECT_EQ(FServer.ExitCode(), 1);
  EXPECT_TRUE(Ask("shutdown", nullptr)["result"].is_null());
  EXPECT_EQ(code(Ask("textDocument/hover", Position(0, 0))), InvalidRequest);
  Send({{"jsonrpc", "2.0"}, {"method", "exit"}});
  EXPECT_TRUE(FServer.Exited());
  EXPECT_EQ(FServer.ExitCode(), 0);
}

}  // namespace
}  // namespace lsp

namespace lsp {
namespace {

/// UTF-8 text as a std::string.
std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

/// The text with the edits applied (UTF-16 positions over ASCII text: units are bytes).
std::string Applied(const std::string& text, const json& edits) {
  const TTextDocument doc(text);
  std::vector<std::pair<size_t, const json*>> order;
  for (const json& e : edits) order.push_back({doc.Offset(PositionOf(e["range"]["start"]), TPositionEncoding::Utf16), &e});
  std::stable_sort(order.begin(), order.end(), [](auto& a, auto& b) { return a.first > b.first; });
  std::string out = text;
  for (auto& [from, e] : order) {
    const size_t to = doc.Offset(PositionOf((*e)["range"]["end"]), TPositionEncoding::Utf16);
    out.replace(from, to - from, (*e)["newText"].get<std::string>());
  }
  return out;
}

TEST_F(LspServerTest, ABurstOfChangesIsPublishedOnceForTheLatestVersion) {
  Initialize();
  Open("1+1\n");
  const size_t before = FSent.size();
  for (int version = 2; version <= 6; ++version)
    Deliver({{"jsonrpc", "2.0"}, {"method", "textDocument/didChange"},
             {"params", {{"textDocument", {{"uri", Uri}, {"version", version}}},
                         {"contentChanges", {{{"text", "1/0\n" + std::to_string(version) + "+1\n"}}}}}}});
  FServer.Idle([] { return false; });
  std::vector<json> published;
  for (size_t i = before; i < FSent.size(); ++i)
    if (FSent[i].value("method", "") == "textDocument/publishDiagnostics") published.push_back(FSent[i]["params"]);
  ASSERT_EQ(published.size(), 1u);
  EXPECT_EQ(published[0]["version"], 6);
  EXPECT_EQ(published[0]["diagnostics"].size(), 1u);
  EXPECT_EQ(Hints(), (std::vector<std::string>{"0:!Err:division by zero", "1:  7"}));
}

TEST_F(LspServerTest, TheWriteBackChangesOnlyWhatResultsOwn) {
  // Blank lines, leading blanks, CR LF, a failed line, an old result, a line ending in '/', a
  // listing: the text after the edits is the original with the results written in.
  const std::string text = "a=2\r\n\r\n   a*3 // old\r\n\tfoo( // x\r\n1/\r\n#m 1\r\n#h\r\n";
  for (const bool resolves : {false, true}) {
    FSent.clear();
    TLspServer server([this](std::string_view body) { FSent.push_back(json::parse(body)); }, FHost.Services,
                      fakes::EveryAddition);
    json caps = json::object();
    if (resolves) caps = {{"textDocument", {{"codeAction", {{"resolveSupport", {{"properties", {"edit"}}}}}}}}};
    server.Receive(json({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", caps}}}}).dump());
    server.Receive(json({{"jsonrpc", "2.0"}, {"method", "textDocument/didOpen"},
                         {"params", {{"textDocument", {{"uri", Uri}, {"version", 1}, {"text", text}}}}}}).dump());
    server.Receive(json({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "textDocument/codeAction"},
                         {"params", {{"textDocument", {{"uri", Uri}}}}}}).dump());
    json action = FSent.back()["result"][0];
    ASSERT_EQ(action.contains("edit"), !resolves);
    if (resolves) {
      server.Receive(json({{"jsonrpc", "2.0"}, {"id", 3}, {"method", "codeAction/resolve"}, {"params", action}}).dump());
      action = FSent.back()["result"];
    }
    const json& edits = action["edit"]["changes"][Uri];
    EXPECT_EQ(Applied(text, edits),
              "a=2\r\n\r\n   a*3 //  6\r\n\tfoo( //!Err:missing operand\r\n1/ //!Err:missing operand\r\n#m 1\r\n#h\r\n" +
              U8(u8"// #定数 で 内部定数一覧\r\n"
              u8"// !論理反転(0⇔1)　NOT ビット反転  ~ 24bitビット反転\r\n"
              u8"// #scolのみなら　現在の設定値が読まれ\r\n"
              u8"// #scol name で  SysColorにname.scol.txtを設定する\r\n"
              u8"// #scol +name で nameに現在の設定値を書き出す\r\n"
              u8"// #scol -name で nameを削除する\r\n"
              u8"// #P2Js の行以後に対して 機械的な置換を行う\r\n"
              u8"// # コンソールモードでは1行単位に解釈されるので動作しない\r\n"
              u8"//\r\n"
              u8"// #cp のみで現在のコードページ情報 *で一覧 数字で指定\r\n"
              u8"//\r\n"))
        << edits.dump();
    EXPECT_EQ(edits.size(), 4u) << edits.dump();  // one per changed line, and the listing
  }
}

TEST_F(LspServerTest, ASchemeSavedIsReadBackInTheSameEvaluation) {
  Initialize();
  Open("#scol +day\n#scol day\n1+1\n");
  EXPECT_EQ(Diagnostics(), std::vector<std::string>{});
  EXPECT_EQ(Hints(), (std::vector<std::string>{"2:  2"}));
  EXPECT_TRUE(FHost.Files.FFiles.empty());
  // The next evaluation starts without it.
  Open("#scol day\n1+1\n");
  EXPECT_EQ(Diagnostics(), (std::vector<std::string>{"0:#scol?"}));
}

TEST_F(LspServerTest, ALoneSurrogateEscapeIsReadAsAReplacementCharacter) {
  struct TCase {
    std::string Body, Mended;
  } cases[] = {
      {R"({"a":"\ud800"})", R"({"a":"\ufffd"})"},
      {R"({"a":"x\udc00\ud83d\ude00\\ud800"})", R"({"a":"x\ufffd\ud83d\ude00\\ud800"})"},
      {R"({"a":"\ud83d"})", R"({"a":"\ufffd"})"},
      {R"({"a":"\u0041\\"})", ""},
  };
  for (const TCase& c : cases) EXPECT_EQ(MendLoneSurrogates(c.Body).value_or(""), c.Mended) << c.Body;
  Initialize();
  Open("1+1\n");
  FServer.Receive(R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file:///t.sheet","version":2},"contentChanges":[{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":0}},"text":"2+2//\ud800\n"}]}})");
  EXPECT_EQ(Hints(), (std::vector<std::string>{"0:  4", "1:  2"}));
}

/// LC_ALL set to a locale for the life of the object, then put back; the message catalog is
/// chosen again each time, as a run chooses it once.
class TScopedLocale {
 public:
  explicit TScopedLocale(const char* locale) {
    if (const char* old = std::getenv("LC_ALL")) FOld = old;
    ::setenv("LC_ALL", locale, 1);
    platform::ChooseMessageCatalog();
  }
  ~TScopedLocale() {
    FOld.empty() ? ::unsetenv("LC_ALL") : ::setenv("LC_ALL", FOld.c_str(), 1);
    platform::ChooseMessageCatalog();
  }
  TScopedLocale(const TScopedLocale&) = delete;
  TScopedLocale& operator=(const TScopedLocale&) = delete;

 private:
  std::string FOld;
};

TEST_F(LspServerTest, FunctionHoversInJapaneseUnderAJapaneseLocale) {
  Initialize();
  const std::vector<std::string> names = engine::BuiltInFunctionNames();
  std::string text;
  for (const std::string& name : names) text += name + "(1)\n";
  Open(text);
  const TScopedLocale japanese("ja_JP.UTF-8");  // needs the locale generated (locale -a)
  EXPECT_EQ(Ask("textDocument/hover", Position(0, 1))["result"]["contents"]["value"],
            U8(u8"pr(\"format\", x, ...)\n四つまでの値を書式テキスト (%e、%f、%g、%n、%m) で書いた、行の結果"));
  // Every description has its translation in the catalog.
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string value =
        Ask("textDocument/hover", Position(static_cast<int>(i), 0))["result"]["contents"]["value"];
    const engine::TFunctionHelp* help = engine::FindFunctionHelp(names[i]);
    ASSERT_NE(help, nullptr) << names[i];
    EXPECT_EQ(value.substr(0, value.find('\n')), help->Call);
    EXPECT_NE(value.substr(value.find('\n') + 1), help->Description) << names[i];
  }
}

}  // namespace
}  // namespace lsp
