#pragma once
// Conversions for the unit tests: Pascal text in, JavaScript out through ConvertPascal, and a dump
// of the identifier table a conversion leaves behind.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "pas2js/Convert.h"
#include "pas2js/Pas2JavaSc.h"
#include "platform/Console.h"

namespace pas2js::testing {

/// The console echo of a conversion, piece by piece.
class TEchoPieces final : public platform::TDebugEcho {
 public:
  void WriteDebugEcho(const std::string& text) override { FPieces.push_back(text); }
  std::vector<std::string> FPieces;
};

/// A whole conversion of the text (a copy, so that nothing stands behind its zero byte).
inline std::string Convert(std::string_view pascal, const TConvertOptions& options = {},
                           platform::TDebugEcho* echo = nullptr) {
  const std::string source(pascal);
  std::string out;
  TOutputSink sink(out);
  ConvertPascal(source, options, sink, echo);
  return out;
}

/// A whole conversion and the identifier table it leaves: a line "name:flags" per entry in the
/// order of registration, then a line "type T = member:flags ..." per type declared (flags as
/// letters: Registered, Const, Local, Boolean, Method, let Pending; "@n" a block level).
struct TConverted {
  std::string Output;
  std::string Names;
};
inline TConverted ConvertAndDump(std::string_view pascal) {
  const std::string source(pascal);
  TConverted result;
  TOutputSink sink(result.Output);
  TuPas2JavaSc converter(source, TConvertOptions{}, sink, nullptr);
  converter.Execute();
  result.Names = converter.DumpNames();
  return result;
}

/// A Pascal text and the exact JavaScript a whole conversion makes of it.
struct TCase {
  const char* Pascal;
  const char* JavaScript;
};

/// Each case both ways: as it runs for a sheet, where held output stays in the output text
/// (labels and notes put in front, trials dropped, conditions rewritten there), and with the
/// console echo on, where held output is collected aside and passed on when released.
inline void ExpectAll(std::initializer_list<TCase> cases) {
  for (const TCase& t : cases) {
    EXPECT_EQ(Convert(t.Pascal), t.JavaScript) << "Pascal: " << t.Pascal;
    TEchoPieces echo;
    EXPECT_EQ(Convert(t.Pascal, {.DebugConsole = true}, &echo), t.JavaScript)
        << "with the echo; Pascal: " << t.Pascal;
  }
}

}  // namespace pas2js::testing
