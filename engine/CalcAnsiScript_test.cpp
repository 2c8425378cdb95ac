#include "engine/CalcAnsiScript.h"

#include <gtest/gtest.h>

#include "PlatformFakes.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace engine {
namespace {

// Runs a sheet (LF line ends here for readability) and gives the output with LF line ends,
// checking that every output line really ended in CR LF.
std::string RunSheet(const std::string& sheet, TAdditionList additions = {}) {
  fakes::TFakeServices services;
  TAnsiCalculate engine(sheet, services.Services, additions);
  engine.Calculate();
  std::string out;
  const std::string& raw = engine.Output();
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r') {
      EXPECT_EQ(raw[i + 1], '\n') << "bare CR in output of: " << sheet;
      continue;
    }
    EXPECT_TRUE(raw[i] != '\n' || (i > 0 && raw[i - 1] == '\r')) << "bare LF in output of: " << sheet;
    out += raw[i];
  }
  return out;
}

struct TCase {
  const char* Sheet;
  const char* Output;
};

class EngineTest : public ::testing::Test {
 protected:
  void Check(std::initializer_list<TCase> cases) {
    for (const TCase& c : cases) EXPECT_EQ(RunSheet(c.Sheet), c.Output) << "sheet: " << c.Sheet;
  }
};

TEST_F(EngineTest, LinesAreWrittenBackWithTheirResults) {
  Check({
      {"", ""},
      {"  ", "\n"},
      {"1+2", "1+2//  3\n"},
      {"1+2   // 7", "1+2   //  3\n"},
      {"2.5M", "2.5M//2.5M(2500000)\n"},
      {"a=2\nb=a*3\nb+1", "a=2\nb=a*3\nb+1//  7\n"},
      {"a=2\r\nb=a*3\rb+1\n", "a=2\nb=a*3\nb+1//  7\n\n"},
      {"\n\n   a=1\n\n\t a+1", "a=1\na+1//  2\n"},
      {"// note", "// note\n"},
      {")", ")//!Err:unexpected text: )\n"},
  });
}

TEST_F(EngineTest, ModeBitZeroAnnotatesStatementsWithoutResult) {
  Check({
      {"a=5", "a=5\n"},
      {"#m 1\na=5", "a=5//  5\n"},
      {"3\n#m 1\n// note", "3//  3\n// note//  1\n"},
      {"#M 1\n#m 0\na=5", "a=5\n"},
      // The empty statement behind the last line break is no line of the sheet: no value there.
      {"#m 1\na=5\n", "a=5//  5\n\n"},
  });
}

TEST_F(EngineTest, OwnDirectives) {
  Check({
      {"#ScriptFile=x", "#ScriptFile=x//// 未実装\n"},
      {"#ScriptFile  =x // old", "#ScriptFile  =x //// 未実装\n"},
      {"#fmt=%g", "#fmt=%g//// 未実装\n"},
      {"#fmt=%g//// 未実装", "#fmt=%g//// 未実装\n"},
      {"#foo bar // old\n1", "#foo bar //!Err:unknown directive\n1//  1\n"},
      {"#", "#\n// #定数 で 内部定数一覧\n// !論理反転(0⇔1)　NOT ビット反転  ~ 24bitビット反転\n"},
      {"#H", "#H\n// #定数 で 内部定数一覧\n// !論理反転(0⇔1)　NOT ビット反転  ~ 24bitビット反転\n"},
      {"# any words",
       "# any words\n// #定数 で 内部定数一覧\n// !論理反転(0⇔1)　NOT ビット反転  ~ 24bitビット反転\n"},
      {"#定数",
       "#定数\n// PI #円周率\n// _e #オイラー数\n// _c #光速 m/s\n// _g #重力加速度 m/s^2\n"
       "// _h #プランク定数 J*s\n// _k #ボルツマン定数 J/K\n// _NA #アボガドロ数 /mol\n"
       "// σ #シュテファンボルツマン定数\n"},
  });
}

TEST_F(EngineTest, DirectiveErrorsEndThePassAndKeepEarlierLines) {
  for (const char* sheet : {"1\n#ScriptFile x\n2", "1\n#fmt x\n2", "1\n#m ln(0)\n2"}) {
    fakes::TFakeServices services;
    TAnsiCalculate engine(sheet, services.Services, {});
    EXPECT_THROW(engine.Calculate(), scan::Exception) << sheet;
    EXPECT_EQ(engine.Output(), "1//  1\r\n") << sheet;
  }
  fakes::TFakeServices services;
  TAnsiCalculate engine("#ScriptFile x", services.Services, {});
  try {
    engine.Calculate();
    FAIL() << "no error";
  } catch (const EAbort& e) {
    EXPECT_STREQ(e.what(), "ScriptFileの後に=が無い");
  }
}

TEST_F(EngineTest, DirectiveErrorMessagesAreExact) {
  // The unclosed-parenthesis message names the byte found instead of ')', line break included.
  const std::pair<const char*, const char*> cases[] = {
      {"#m (1 2", "):2 is NG"},
      {"#m (1、", "):、 is NG"},
      {"#m (1\r\n2", "missing )"},
      {"#m (1 // c", "missing )"},
      {"#m (1", "missing )"},
      {"#m ++5", "++/-- >label?"},
      {"#fmt x", "fmtの後に=が無い"},
  };
  for (const auto& [sheet, message] : cases) {
    fakes::TFakeServices services;
    TAnsiCalculate engine(sheet, services.Services, {});
    try {
      engine.Calculate();
      ADD_FAILURE() << "no error: " << sheet;
    } catch (const EAbort& e) {
      EXPECT_EQ(e.Message(), message) << sheet;
    }
  }
}

TEST_F(EngineTest, FloatingPointFaultsRaiseTheirOwnKind) {
  // A directive error reaches the caller, so the kind of each fault shows there; "" is no error.
  const std::pair<const char*, const char*> cases[] = {
      {"#m ln(0)", "EZeroDivide"},         {"#m ln(-1)", "EInvalidOp"},
      {"#m exp(100000)", "EOverflow"},     {"#m 1e4932+1e4932", "EOverflow"},
      {"#m ROUND(1e30)", "EInvalidOp"},    {"#m 1e30 AND 1", "EInvalidOp"},
      {"#m 0^-1", "EZeroDivide"},          {"#m (-8)^(1/3)", "EInvalidOp"},
      {"#m 2^99999", "EOverflow"},         {"#m coTan(0)", "EZeroDivide"},
      {"#m ArcTanh(1)", "EZeroDivide"},    {"#m ArcCos(2)", "EInvalidOp"},
      {"#m LogN(1, 1)", "EInvalidOp"},     {"#m LogN(1, 2)", "EZeroDivide"},
      {"#m 1e4932M", "EOverflow"},         {"#m 1e9999", "EConvertError"},
      {"#m 0FFFFFFFFFH", "EConvertError"}, {"#m 1/0", "EZeroDivide"},
      {"#m 0/0", "EInvalidOp"},            {"#m 1e4932*10", "EOverflow"},
      {"#m 2*(1/3)^99999", ""},            {"#m exp(-100000)", ""},
      {"#m sin(1e30)+cos(-1e30)", ""},     {"#m 1e-4950/10", ""},
  };
  // One kind of fault has one message, whether the number reader or the arithmetic found it.
  std::map<std::string, std::string> messages;
  for (const auto& [sheet, kind] : cases) {
    fakes::TFakeServices services;
    TAnsiCalculate engine(sheet, services.Services, {});
    try {
      engine.Calculate();
      EXPECT_STREQ(kind, "") << sheet;
    } catch (const scan::Exception& e) {
      EXPECT_STREQ(e.ClassName(), kind) << sheet;
      if (std::string(kind) == "EConvertError") continue;  // these name their text
      auto [known, fresh] = messages.emplace(kind, e.Message());
      EXPECT_TRUE(fresh || known->second == e.Message()) << sheet;
    }
  }
}

TEST_F(EngineTest, Operators) {
  Check({
      {"2^3^2", "2^3^2// 64\n"},
      {"-2^2", "-2^2// -4\n"},
      {"2^-1", "2^-1//0.5\n"},
      {"5 AND 3", "5 AND 3//  1\n"},
      {"5 OR 3", "5 OR 3//  7\n"},
      {"5 xor 3", "5 xor 3//  6\n"},
      {"5&3", "5&3//  1\n"},
      {"5|3", "5|3//  7\n"},
      {"1 AND 2+3", "1 AND 2+3//  1\n"},
      {"!0", "!0//  1\n"},
      {"!0.5", "!0.5//  1\n"},
      {"!0.6", "!0.6//  0\n"},
      {"!1+2", "!1+2//  0\n"},
      {"NOT 0", "NOT 0// -1\n"},
      {"~0", "~0//16.777215M(16777215)\n"},
      {"~-1", "~-1//-16.777216M(-16777216)\n"},
      {"0.4==0", "0.4==0//  1\n"},
      {"3!=3.2", "3!=3.2//  0\n"},
      {"0.4<0.5", "0.4<0.5//  1\n"},
      {"2<1", "2<1//  0\n"},
      {"2<=2", "2<=2//  1\n"},
      {"1>=2", "1>=2//  0\n"},
      {"1<<32", "1<<32//  0\n"},
      {"1<<31", "1<<31//-2.147483648T(-2147483648)\n"},
      {"1 SHL 32", "1 SHL 32//4.294967296T(4294967296)\n"},
      {"(-1) SHR 60", "(-1) SHR 60// 15\n"},
      {"1e5-3", "1e5-3//99997\n"},
  });
}

// The index against the list it indexes, through several growths: names that share their first
// eight bytes, differ in case or length only, and one name appended twice.
TEST(TAMyCalLabel, FindsEveryNameItHoldsAndNoOther) {
  TAMyCalLabel table;
  std::vector<std::string> names;
  for (int i = 0; i < 200; ++i) {
    for (const char* stem : {"x", "prefix12", "ABCDEFGH", "abcdefgh"}) {
      names.push_back(stem + std::to_string(i));
    }
  }
  for (size_t length = 1; length <= 20; ++length) names.push_back(std::string(length, 'q'));
  for (size_t i = 0; i < names.size(); ++i) table.Append(names[i], static_cast<Extended>(i));
  table.Append("x7", -1);
  EXPECT_EQ(table.Count(), names.size() + 1);
  for (size_t i = 0; i < names.size(); ++i) {
    const TMyCalLabel* label = table.Find(names[i]);
    ASSERT_NE(label, nullptr) << names[i];
    EXPECT_EQ(label->Value, static_cast<Extended>(i)) << names[i];
  }
  for (const char* absent : {"x", "prefix12", "X7", "x200", "abcdefgH0", "qqqqqqqqqqqqqqqqqqqqq", ""}) {
    EXPECT_EQ(table.Find(absent), nullptr) << absent;
  }
  table.Clear();
  EXPECT_EQ(table.Find("x7"), nullptr);
  table.Append("x7", 2);
  EXPECT_EQ(table.Find("x7")->Value, 2);
}

TEST_F(EngineTest, LabelsAssignmentsAndIncrements) {
  Check({
      {"x=5\n++x\nx", "x=5\n++x//  6\nx//  6\n"},
      {"++y\n--y", "++y//  1\n--y//  0\n"},
      {"a := 2, b = a*3; a+b", "a := 2, b = a*3; a+b//  8\n"},
      {"b = a+1, a = 5", "b = a+1, a = 5//!Err:a undefined labels\n"},
      {"x==1", "x==1//!Err:x undefined labels\n"},
      {"NOTE=1\nNOTE", "NOTE=1\nNOTE//!Err:E undefined labels\n"},
      {"E=1\nNOTE+1", "E=1\nNOTE+1// -3\n"},
      {"PI=3\nPI", "PI=3\nPI//  3\n"},
      {"pi", "pi//!Err:pi undefined labels\n"},
      {"Abc=1\nabc", "Abc=1\nabc//!Err:abc undefined labels\n"},
  });
}

TEST_F(EngineTest, CallsAndTheirErrors) {
  Check({
      {"sin(1", "sin(1//!Err:sin(... \")\"?\n"},
      {"sin(1, 2)", "sin(1, 2)//!Err:sin is not function \n"},
      {"foo(1)", "foo(1)//!Err:foo is not function \n"},
      {"foo(1,2,3)", "foo(1,2,3)//!Err:foo is not function \n"},
      {"sin(\"x\")", "sin(\"x\")//!Err:sin(?)\n"},
      {"Power(2,'x')", "Power(2,'x')//!Err:Power(,?)\n"},
      {"Power(2, 'x')", "Power(2, 'x')//!Err:unexpected text: 'x')\n"},
      {"sin('x", "sin('x//!Err:x?\n"},
      {"pr(1)", "pr(1)//!Err:pr(\"\",... over)\n"},
      {"pr(\"%.3f\", PI, 0)", "pr(\"%.3f\", PI, 0)//3.142\n"},
      {"pr(\"%d\", 1)", "pr(\"%d\", 1)//!Err:書式 '%d' が無効か、引数と互換性がありません\n"},
      {"pr('%g', 5)+ln(0)", "pr('%g', 5)+ln(0)//!Err:division by zero\n"},
      {"pr('%g', 5)+x", "pr('%g', 5)+x//!Err:x undefined labels\n"},
      {"Power(2, Power(2, 3))", "Power(2, Power(2, 3))//256\n"},
      {"Hypot(Power(2, 1+1), 3)", "Hypot(Power(2, 1+1), 3)//  5\n"},
  });
}

TEST_F(EngineTest, NoFaultIsAValue) {
  Check({
      {"1/0", "1/0//!Err:division by zero\n"},
      {"0/0", "0/0//!Err:invalid operation\n"},
      {"1e4000*1e4000", "1e4000*1e4000//!Err:overflow\n"},
      {"1e4932+1e4932", "1e4932+1e4932//!Err:overflow\n"},
      {"ln(0)+1", "ln(0)+1//!Err:division by zero\n"},
      {"ArcCos(2)", "ArcCos(2)//!Err:invalid operation\n"},
      {"exp(20000)", "exp(20000)//!Err:overflow\n"},
      {"Power(-8, 1/3)", "Power(-8, 1/3)//!Err:invalid operation\n"},
      {"ROUND(1e30)", "ROUND(1e30)//!Err:invalid operation\n"},
      {"~1e30", "~1e30//!Err:invalid operation\n"},
      {"2^99999+1", "2^99999+1//!Err:overflow\n"},
      {"(1+2", "(1+2//!Err:missing )\n"},
      {"(1,2)", "(1,2)//!Err:):, is NG\n"},
      {"++", "++//!Err:++/-- >label?\n"},
      {"++ 5", "++ 5//!Err:++/-- >label?\n"},
      // A missing operand is an error, never the value before it.
      {"5\n3+", "5//  5\n3+//!Err:missing operand\n"},
      {"5\nsin()", "5//  5\nsin()//!Err:missing operand\n"},
      {"Power(2,)", "Power(2,)//!Err:missing operand\n"},
      {"x = // c", "x = //!Err:missing operand\n"},
      {"-", "-//!Err:missing operand\n"},
      {"NOT", "NOT//!Err:missing operand\n"},
      {"()", "()//!Err:missing operand\n"},
      // "1/" would read back as "1" and a comment without the blank.
      {"1/", "1/ //!Err:missing operand\n"},
      // A statement without an expression keeps its ways.
      {"5\nx=1\n// note", "5//  5\nx=1\n// note\n"},
  });
}

TEST_F(EngineTest, NothingTheUserWroteIsCut) {
  Check({
      // Text left unread after a statement is named, and the line is written whole.
      {"1+2 AND 3", "1+2 AND 3//!Err:unexpected text: AND 3\n"},
      {")", ")//!Err:unexpected text: )\n"},
      {"1G", "1G//!Err:unexpected text: G\n"},
      {"7 mod 2 // 7", "7 mod 2 //!Err:unexpected text: mod 2\n"},
      {"y=1\nx=5 y=6", "y=1\nx=5 y=6//!Err:unexpected text: =6\n"},
      {"1<2<3", "1<2<3//!Err:unexpected text: <3\n"},
      {"3*/2", "3*/2//!Err:unexpected text: /2\n"},
      {"!1 2", "!1 2//!Err:unexpected text: 2\n"},
      // A failed line is written up to its own old annotation, then the new one.
      {"undefined+1", "undefined+1//!Err:undefined undefined labels\n"},
      {"sin(x) + 1 //  3", "sin(x) + 1 //!Err:x undefined labels\n"},
      {"pr(\"a//b\", x)", "pr(\"a//b\", x)//!Err:x undefined labels\n"},
      {"pr(\"a//b", "pr(\"a//!Err:a?\n"},
      {"a=1,", "a=1,\n"},
      {"x = 1 : y = 2 ; x+y", "x = 1 : y = 2 ; x+y//  3\n"},
      {"1 OR 2 AND 4", "1 OR 2 AND 4//  1\n"},
      {"0FFFFFFFFFH+1", "0FFFFFFFFFH+1//!Err:'$0FFFFFFFFF' は整数ではありません\n"},
      {"1e5.5+1", "1e5.5+1//!Err:'1e5.5' は浮動小数点数ではありません\n"},
  });
  // A long unread text is named by its start.
  const std::string tail(50, 'x');
  EXPECT_EQ(RunSheet("1 " + tail), "1 " + tail + "//!Err:unexpected text: " + tail.substr(0, 40) + "...\n");
}

// Evaluating a sheet's output again gives the same output, for sheets made of every kind of
// line: results, notes, assignments, errors, directives with listings, carried characters.
TEST_F(EngineTest, EvaluatingTheOutputAgainChangesNothing) {
  const std::vector<std::string> pieces = {
      "1+2", "a=5", "a*2", "b=a+1, c=b*2", "c", "// note", "x // 3", "1/0", "0/0", "ln(0)",
      "3+", "sin()", "(1+2", "++", ")", "1+2 AND 3", "x=5 y=6", "undefined+1", "1G",
      "7 mod 2", "#bogus", "#bogus // x", "#h", "#", "# words", "#定数", "#cp", "#cp 1252",
      "#m 1", "#m 0", "#ScriptFile=x", "#fmt=%g", "1/", "pr(\"%g\", 2)", "pr('a//b", "  2^10",
      "\t", "", "σ*2", "ジ指=3", "ジ指", "2.5M", "1e4932*10", "~-1", "NOT 0", "a=1 // a=2",
  };
  uint32_t seed = 20261208;
  const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFF; };
  for (int sheetNumber = 0; sheetNumber < 3000; ++sheetNumber) {
    std::string sheet;
    const size_t lines = 1 + next() % 12;
    for (size_t i = 0; i < lines; ++i) {
      sheet += pieces[next() % pieces.size()];
      // Every line ends with a break: a sheet without a final one gains the empty line the
      // driver writes for its end, which the filter takes away again.
      const unsigned end = next() % 3;
      sheet += end == 0 ? "\r\n" : end == 1 ? "\r" : "\n";
    }
    fakes::TFakeServices services;
    TAnsiCalculate first(sheet, services.Services, {});
    first.Calculate();
    TAnsiCalculate second(first.Output(), services.Services, {});
    second.Calculate();
    ASSERT_EQ(second.Output(), first.Output()) << "sheet: " << ::testing::PrintToString(sheet);
    // Every line's own text comes back, in order: only the directives that write no line of
    // their own ("#m", "#cp") and blank lines leave none.
    size_t at = 0;
    for (size_t start = 0; start < sheet.size();) {
      size_t end = sheet.find_first_of("\r\n", start);
      if (end == std::string::npos) end = sheet.size();
      std::string line = sheet.substr(start, end - start);
      start = end + 1;
      line.erase(0, line.find_first_not_of(" \t"));
      line.erase(AnnotationStart(line.c_str()) - line.c_str());
      if (line.empty() || line.starts_with("#m") || line.starts_with("#cp")) continue;
      at = first.Output().find(line, at);
      ASSERT_NE(at, std::string::npos) << "lost: " << line << "\nsheet: " << sheet;
      at += line.size();
    }
  }
}

TEST_F(EngineTest, BuiltInFunctionValues) {
  Check({
      {"sin(0)", "sin(0)//  0\n"},
      {"SIN(0)", "SIN(0)//  0\n"},
      {"log(100)", "log(100)//4.605170186\n"},
      {"ROUND(2.5)", "ROUND(2.5)//  2\n"},
      {"ROUND(3.5)", "ROUND(3.5)//  4\n"},
      {"ROUND(-2.5)", "ROUND(-2.5)// -2\n"},
      {"TRUNC(-2.7)", "TRUNC(-2.7)// -2\n"},
      {"FRAC(-2.75)", "FRAC(-2.75)//-0.75\n"},
      {"Power(2, 10)", "Power(2, 10)//1024\n"},
      {"Power(-2, 3)", "Power(-2, 3)// -8\n"},
      {"Power(0, 0)", "Power(0, 0)//  1\n"},
      {"LogN(2, 8)", "LogN(2, 8)//  3\n"},
      {"log2(1024)", "log2(1024)// 10\n"},
      {"Hypot(3, 4)", "Hypot(3, 4)//  5\n"},
      {"ArcTan2(1, 0)", "ArcTan2(1, 0)//1.570796327\n"},
      {"_c/1000-299792.458", "_c/1000-299792.458//  0\n"},
      {"σ*1e8", "σ*1e8//5.670374419\n"},
  });
}

TEST_F(EngineTest, NestingIsBoundedWithAClearError) {
  for (char open : {'(', '!', '~'}) {
    std::string sheet(1000000, open);
    sheet += "1";
    std::string out = RunSheet(sheet);
    EXPECT_NE(out.find("//!Err:式の入れ子が深すぎます\n"), std::string::npos) << open;
  }
  std::string chain = "1";
  for (int i = 0; i < 100000; ++i) chain += " AND 1";
  EXPECT_NE(RunSheet(chain).find("!Err:"), std::string::npos);
  EXPECT_EQ(RunSheet(std::string(500, '(') + "1" + std::string(500, ')')),
            std::string(500, '(') + "1" + std::string(500, ')') + "//  1\n");
}

// An engine whose cursor a test can see.
class TCursorEngine : public TAnsiCalculate {
 public:
  using TAnsiCalculate::TAnsiCalculate;
  const char* CursorNow() const { return Cursor(); }
};

TEST_F(EngineTest, EvaluateTextUsesTheEngineLabelsAndRaisesItsErrors) {
  fakes::TFakeServices services;
  TCursorEngine engine("", services.Services, {});
  engine.EvaluateText("a=1\n  b=a+1; c=2\nd=b*2");
  Extended value = 0;
  ASSERT_TRUE(engine.AccessLabel("d", value, TLabelMode::Read));
  EXPECT_EQ(value, 4);
  for (const char* text : {"zz+1", ")", "c=?"}) EXPECT_THROW(engine.EvaluateText(text), EAbort);
  EXPECT_EQ(engine.CursorNow(), engine.Text().c_str());
}

// ---- Additions ------------------------------------------------------------------------------

std::vector<std::string> Log;

class TTestAddition : public TCalcuAddition {
 public:
  using TCalcuAddition::TCalcuAddition;
  bool TakeFile(const std::string& name, const char* text) override {
    Log.push_back("take " + name + " " + text);
    return name == "mine";
  }
  bool Directive(const std::string& name, const char*&) override {
    Log.push_back("directive " + name);
    if (name == "boom") FEngine->FailLine("boom!");
    if (name == "quit") FEngine->AbortLine("quit!");
    if (name != "test") return false;
    FEngine->WriteLine("test says hello");
    return true;
  }
  bool DoFunction(std::string_view name, TAArgRec& args) override {
    if (name == "fail") FEngine->FailLine("failed");
    if (name == "quit") FEngine->AbortLine("quit");
    if (name != "twice") return false;
    FEngine->SetValue(2 * args[0].Value);
    return true;
  }
  bool DoLabel(std::string_view name, Extended& value, TLabelMode mode) override {
    Log.push_back("label " + std::string(name) + " " + std::to_string(static_cast<int>(mode)));
    if (name != "seven") return false;
    if (mode == TLabelMode::Read) value = 7;
    return true;
  }
  void Notify(TNotifyPhase phase) override {
    Log.push_back(phase == TNotifyPhase::PassBegins ? "notify begins" : "notify ended");
  }
  std::vector<std::string> DirectiveNames() const override { return {"test"}; }
};

class TSecondAddition : public TCalcuAddition {
 public:
  using TCalcuAddition::TCalcuAddition;
  bool Directive(const std::string& name, const char*&) override {
    Log.push_back("second " + name);
    return name == "test" || name == "other";
  }
  std::vector<std::string> DirectiveNames() const override { return {"other", "test"}; }
};

// Overrides the answering operations but says it handles neither: the engine must not ask it.
class TSilentAddition : public TCalcuAddition {
 public:
  using TCalcuAddition::TCalcuAddition;
  bool DoFunction(std::string_view name, TAArgRec&) override {
    Log.push_back("silent " + std::string(name));
    FEngine->SetValue(99);
    return true;
  }
  bool DoLabel(std::string_view name, Extended& value, TLabelMode) override {
    Log.push_back("silent " + std::string(name));
    value = 99;
    return true;
  }
  bool HandlesFunctions() const override { return false; }
  bool HandlesLabels() const override { return false; }
};

// Answers labels that begin with 's' only, and says so.
class TInitialAddition : public TTestAddition {
 public:
  using TTestAddition::TTestAddition;
  scan::CharSet LabelStartChars() const override { return {'s'}; }
};

// Says which engine it was made for.
class TEngineAddition : public TCalcuAddition {
 public:
  using TCalcuAddition::TCalcuAddition;
  void Notify(TNotifyPhase) override { Log.push_back(FEngine->Text()); }
};

constexpr TAdditionMaker TestThenSecond[] = {&MakeAddition<TTestAddition>,
                                             &MakeAddition<TSecondAddition>};

class AdditionTest : public EngineTest {
 protected:
  void SetUp() override { Log.clear(); }
};

TEST_F(AdditionTest, EachEngineMakesOneObjectPerEntryOfItsListForItself) {
  constexpr TAdditionMaker twice[] = {&MakeAddition<TEngineAddition>, &MakeAddition<TEngineAddition>};
  fakes::TFakeServices services;
  TAnsiCalculate first("first", services.Services, twice), second("second", services.Services, twice);
  EXPECT_EQ(first.Additions().size(), 2u);
  first.Calculate();
  second.Calculate();
  EXPECT_EQ(Log, (std::vector<std::string>{"first", "first", "first", "first", "second", "second",
                                           "second", "second"}));
  TAnsiCalculate bare("", services.Services, {});
  EXPECT_TRUE(bare.Additions().empty());
}

// One list of directives, the engine's own first, then the additions' in their order, whoever
// completes them.
TEST_F(AdditionTest, DirectiveNamesAreTheEnginesThenTheAdditionsInOrder) {
  fakes::TFakeServices services;
  TAnsiCalculate engine("x=1", services.Services, TestThenSecond);
  const std::vector<std::string> directives{"#定数", "#h", "#SI", "#test", "#other", "#test"};
  EXPECT_EQ(engine.DirectiveNames(), directives);
  engine.Calculate();
  std::vector<std::string> completion = engine.CompletionNames();
  ASSERT_GE(completion.size(), directives.size() + 1);
  EXPECT_EQ(completion.back(), "x");
  EXPECT_TRUE(std::equal(directives.begin(), directives.end(), completion.end() - 1 - directives.size()));
}

TEST_F(AdditionTest, AdditionsAreAskedInOrderAndTheFirstAnswerWins) {
  EXPECT_EQ(RunSheet("#test\n#other\ntwice(4)+seven\nseven=1\n++seven", TestThenSecond),
            "test says hello\ntwice(4)+seven// 15\nseven=1\n++seven//  1\n");
  std::vector<std::string> expected{"notify begins", "directive test", "directive other",
                                    "second other",  "label seven 1",  "label seven 0",
                                    "label seven 3", "notify ended"};
  EXPECT_EQ(Log, expected);
}

TEST_F(AdditionTest, OnlyAdditionsThatHandleCallsAndLabelsAreAsked) {
  constexpr TAdditionMaker silentFirst[] = {&MakeAddition<TSilentAddition>,
                                            &MakeAddition<TTestAddition>};
  EXPECT_EQ(RunSheet("twice(4)+seven\nx=2\nROUND(x*8)+x", silentFirst), "twice(4)+seven// 15\nx=2\nROUND(x*8)+x// 18\n");
  std::vector<std::string> expected{"notify begins", "label seven 1", "label x 0", "label x 1",
                                    "label x 1",     "notify ended"};
  EXPECT_EQ(Log, expected);
}

TEST_F(AdditionTest, AnAdditionIsAskedOnlyAboutNamesWithItsFirstBytes) {
  constexpr TAdditionMaker initial[] = {&MakeAddition<TInitialAddition>};
  EXPECT_EQ(RunSheet("x=2\nseven+x\nSix=1\nsix=3\n++six", initial),
            "x=2\nseven+x//  9\nSix=1\nsix=3\n++six//  4\n");
  fakes::TFakeServices services;
  TAnsiCalculate engine("", services.Services, initial);
  Extended value = 0;
  EXPECT_FALSE(engine.AccessLabel("", value, TLabelMode::Read));
  std::vector<std::string> expected{"notify begins", "label seven 1", "label six 0",
                                    "label six 3",   "notify ended",  "label  1"};
  EXPECT_EQ(Log, expected);
}

TEST_F(AdditionTest, ADirectiveErrorGivesNoClosingNotify) {
  fakes::TFakeServices services;
  TAnsiCalculate engine("1\n#boom", services.Services, TestThenSecond);
  EXPECT_THROW(engine.Calculate(), EAbort);
  EXPECT_EQ(Log.back(), "directive boom");
  EXPECT_EQ(engine.Output(), "1//  1\r\n");
}

TEST_F(AdditionTest, FailLineAndAbortLineBothEndTheLineWithTheirMessage) {
  // Either way the line is written whole with the error, and the next line goes on.
  EXPECT_EQ(RunSheet("1+fail(2)+3\n1+quit(2)+3\n4", TestThenSecond),
            "1+fail(2)+3//!Err:failed\n1+quit(2)+3//!Err:quit\n4//  4\n");
  // In a directive line both end the pass with their message.
  for (const char* word : {"boom", "quit"}) {
    fakes::TFakeServices services;
    TAnsiCalculate engine(std::string("#") + word, services.Services, TestThenSecond);
    try {
      engine.Calculate();
      ADD_FAILURE() << word << " did not end the pass";
    } catch (const EAbort& e) {
      EXPECT_EQ(e.Message(), std::string(word) + "!");
    }
  }
}

TEST_F(AdditionTest, OfferFileStopsAtTheFirstTaker) {
  fakes::TFakeServices services;
  TAnsiCalculate engine("text", services.Services, TestThenSecond);
  EXPECT_TRUE(engine.OfferFile("mine"));
  EXPECT_FALSE(engine.OfferFile("other"));
  EXPECT_EQ(Log, (std::vector<std::string>{"take mine text", "take other text"}));
  fakes::TFakeServices bareServices;
  TAnsiCalculate bare("text", bareServices.Services, {});
  EXPECT_FALSE(bare.OfferFile("mine"));
  EXPECT_EQ(RunSheet("#test\n1"), "#test//!Err:unknown directive\n1//  1\n");
}

}  // namespace
}  // namespace engine
