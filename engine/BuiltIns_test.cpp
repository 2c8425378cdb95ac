// The functions and constants added beside the original table: each case is a one-line sheet and
// the line it comes back as.

#include <gtest/gtest.h>

#include <string>

#include "PlatformFakes.h"
#include "engine/CalcAnsiScript.h"

namespace engine {
namespace {

std::string RunLine(const std::string& line) {
  fakes::TFakeServices services;
  TAnsiCalculate engine(line, services.Services, {});
  engine.Calculate();
  std::string out = engine.Output();
  if (out.ends_with("\r\n")) out.resize(out.size() - 2);
  return out;
}

class BuiltInsTest : public ::testing::Test {};

TEST_F(BuiltInsTest, FirstFunctionsAndTheirLetterCase) {
  struct TCase {
    const char* Line;
    const char* Result;
  } const cases[] = {
      {"sqrt(16)", "  4"},       {"SQRT(2)", "1.414213562"}, {"cbrt(-27)", " -3"},
      {"Abs(-2.5)", "2.5"},      {"sign(-7)", " -1"},        {"sign(0)", "  0"},
      {"SIGN(3)", "  1"},        {"floor(-2.5)", " -3"},     {"Ceil(2.1)", "  3"},
      {"min(3, 1, 2)", "  1"},   {"MAX(3, 1, 2)", "  3"},    {"max(-1, -5)", " -1"},
      {"min(4, 2, 8, -1, 9)", " -1"},
      // ROUND with a number of decimals rounds ties to even, as ROUND does.
      {"ROUND(2.5)", "  2"},     {"ROUND(0.125, 2)", "0.12"}, {"ROUND(0.375, 2)", "0.38"},
      {"round(1250, -2)", "1200"}, {"ROUND(1350, -2)", "1400"}, {"ROUND(-2.5, 0)", " -2"},
      {"ROUND(1/3, 4)", "0.3333"},
      // π alone is the constant that 2π doubles.
      {"2π-π*2", "  0"},         {"2π/π", "  2"},            {"π", "3.141592654"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RunLine(c.Line), std::string(c.Line) + "//" + c.Result) << c.Line;
}

TEST_F(BuiltInsTest, WrongArgumentsAreErrorsOnTheLine) {
  EXPECT_EQ(RunLine("min(2)"), "min(2)//!Err:min is not function ");
  EXPECT_EQ(RunLine("sqrt(1, 2)"), "sqrt(1, 2)//!Err:sqrt is not function ");
  EXPECT_EQ(RunLine("max(\"a\", 1)"), "max(\"a\", 1)//!Err:max(?)");
  EXPECT_NE(RunLine("sqrt(-1)"), "sqrt(-1)//  0");  // no value for an invalid operation
}

TEST_F(BuiltInsTest, TheConstantsListingStaysAsItWas) {
  const std::string listing = RunLine("#定数");
  EXPECT_EQ(listing.find("π"), std::string::npos);
  EXPECT_NE(listing.find("// σ #"), std::string::npos);
}

}  // namespace
}  // namespace engine
