// The rule for #P2Js output file names.
#include "pas2js/OutputFileName.h"

#include <gtest/gtest.h>

#include <string>

namespace pas2js {
namespace {

TEST(OutputFileName, PlacesOfNames) {
  using enum TOutputPlace;
  const struct {
    std::string name;
    TOutputPlace place;
  } cases[] = {
      {"out.js", Beside},
      {"OUT.MJS", Beside},
      {"a.Cjs", Beside},
      {"sub/dir\\out.js", Beside},
      {"./out.js", Beside},
      {"a..b.js", Beside},
      {"\x83\x5C.js", Beside},          // ソ: its trail byte is no separator
      {"../up.js", Elsewhere},
      {"a/../b.js", Elsewhere},
      {"./a/../../b.js", Elsewhere},
      {"..\\up.js", Elsewhere},
      {"/tmp/abs.js", Elsewhere},
      {"\\\\server\\share\\x.js", Elsewhere},
      {"C:\\x.js", Elsewhere},
      {"c:x.js", Elsewhere},
      {"", Refused},
      {".js", Refused},
      {"x.txt", Refused},
      {"x.js.txt", Refused},
      {"x.jsx", Refused},
      {"dir.js/", Refused},
      {"/tmp/p2jst/out1.sh", Refused},
      {"CON.js", Refused},
      {"con", Refused},
      {"sub/nul.x.js", Refused},
      {"COM1.js", Refused},
      {"lpt9 .js", Refused},
      {"CONOUT$.js", Refused},
      {"COM10.js", Beside},
      {"CONSOLE.js", Beside},
      {"x.js.", Refused},               // Windows drops the dot: another name for x.js
      {"a./x.js", Refused},
      {"... /x.js", Refused},
      {"x.js:stream", Refused},
      {"ab:c.js", Refused},
      {"a:b.js", Elsewhere},            // drive A:, its current folder
      {std::string("x\0.js", 5), Refused},
      {"x\r\ny.js", Refused},
      {"x\ty.js", Refused},
      {"x\x7Fy.js", Refused},
      {"\x83\n.js", Refused},           // a line break is never a trail byte
  };
  for (const auto& tc : cases)
    EXPECT_EQ(ClassifyOutputName(tc.name), tc.place) << tc.name;
}

TEST(OutputFileName, RootedNames) {
  for (const char* name : {"/a.js", "\\a.js", "C:a.js", "z:\\a.js", "\\\\s\\x.js"})
    EXPECT_TRUE(IsRootedName(name)) << name;
  for (const char* name : {"a.js", "../a.js", "1:a.js", ""}) EXPECT_FALSE(IsRootedName(name)) << name;
}

}  // namespace
}  // namespace pas2js
