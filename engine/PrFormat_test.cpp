#include "engine/PrFormat.h"

#include <gtest/gtest.h>

#include <vector>

#include "scan/Exceptions.h"
#include "ExtendedLiterals.h"

namespace engine {
namespace {

struct TFormatCase {
  const char* Format;
  std::vector<scan::Extended> Values;
  const char* Text;
};

TEST(PrFormat, SpecifiersAgainstExactText) {
  const TFormatCase cases[] = {
      {"[%8.2f]", {3.14159_x}, "[    3.14]"},
      {"[%-8.2f]", {3.14159_x}, "[3.14    ]"},
      {"[%-3.2f]", {3.14159_x}, "[3.14]"},  // wider than the width: no padding, no cut
      {"%1:g %0:g", {1, 2}, "2 1"},
      {"%1:g %g", {1, 2, 3}, "2 3"},  // an index moves where the following specifiers read
      {"%0:-6.1f|", {2.25_x}, "2.2   |"},
      {"%f %F", {1, -1}, "1.00 -1.00"},
      {"%e|%.3E", {1234.5_x, -0.001234_x}, "1.23450000000000E+003|-1.23E-003"},
      {"%g %g %g %G", {0.0001_x, 1e15_x, 0, 123.456_x}, "0.0001 1E15 0 123.456"},
      {"%.3g", {1234.5_x}, "1.23E3"},
      {"%n %.0n", {1234567.891_x, -999.5_x}, "1,234,567.89 -1,000"},
      {"%m %.2m", {-1234, 5}, "-\\1,234 \\5.00"},
      {"100%% %g", {7}, "100% 7"},
      {"no specifier", {}, "no specifier"},
  };
  for (const TFormatCase& c : cases)
    EXPECT_EQ(PrFormat(c.Format, c.Values, {}), c.Text) << c.Format;
}

TEST(PrFormat, ValuesTakeTheSettingsSeparatorTheFormatKeepsItsOwn) {
  const scan::TFormatSettings comma{','};
  EXPECT_EQ(PrFormat("%.1f. %e %n", std::vector<scan::Extended>{2.25_x, 1, 1234.5_x}, comma),
            "2,2. 1,00000000000000E+000 1,234,50");
}

TEST(PrFormat, BadSpecifiersNameTheFormat) {
  const TFormatCase cases[] = {
      {"%d", {1}, "%d"},
      {"%*f", {1}, "%*f"},
      {"%.*f", {1}, "%.*f"},
      {"%g %g", {1}, "%g %g"},
      {"%2:g", {1, 2}, "%2:g"},
      {"%5", {1}, "%5"},
  };
  for (const TFormatCase& c : cases) {
    try {
      PrFormat(c.Format, c.Values, {});
      ADD_FAILURE() << "no error for " << c.Format;
    } catch (const scan::EConvertError& e) {
      EXPECT_EQ(e.Message(),
                std::string("書式 '") + c.Text + "' が無効か、引数と互換性がありません");
    }
  }
}

}  // namespace
}  // namespace engine
