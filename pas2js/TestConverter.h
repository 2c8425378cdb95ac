#pragma once
// A converter for the unit tests: collects its output into a string and keeps the source alive.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "pas2js/Pas2JavaSc.h"

namespace pas2js::testing {

class TTestConverter : public TuPas2JavaSc {
 public:
  TTestConverter() {
    FOnOutput = OutputProcOf<&TTestConverter::Take>(this);
    FConstWord = "const";  // as Execute sets them, for runs without it
    FLetWord = "let";
  }

  void Take(std::string_view text) {
    FOutText.append(text);
    ++FPieces;
  }

  /// The output goes into FOutText as into a final output text (FOutputText: output held at
  /// the outermost level stays in it) rather than through FOnOutput.
  void IntoText() { FOutputText = &FOutText; }

  /// A whole conversion from a fresh start (Execute); returns the output.
  std::string Convert(std::string_view pascal) {
    Load(pascal);
    const char* p = FSource.c_str();
    Execute(p);
    FCursorOffset = p - FSource.c_str();
    return FOutText;
  }

  /// One run of the translation loop with the state as it is; returns what this run wrote.
  std::string Run(std::string_view pascal, TStopSet stop = StopSet({}),
                  std::string_view level = "Exec") {
    Load(pascal);
    FTextStart = FSource.c_str();
    const char* p = FSource.c_str();
    Translate(p, stop, level);
    FCursorOffset = p - FSource.c_str();
    return FOutText;
  }

  /// The identifier table flags of a name; 0 when it is not registered.
  int32_t FlagsOf(std::string_view name) const {
    const int32_t index = Labels().Find(name);
    return index < 0 ? 0 : Labels().Flags(index);
  }

  /// What is left of the source behind the cursor of the last Convert or Run.
  std::string_view Rest() const { return std::string_view(FSource).substr(FCursorOffset); }

  std::string FOutText;
  int FPieces = 0;

 private:
  void Load(std::string_view pascal) {
    FSource.assign(pascal);
    FTextEnd = FSource.c_str() + FSource.size();
    FOutText.clear();
    FPieces = 0;
  }

  std::string FSource;
  ptrdiff_t FCursorOffset = 0;
};

/// A Pascal text and the exact JavaScript a whole conversion makes of it.
struct TCase {
  const char* Pascal;
  const char* JavaScript;
};

/// A whole conversion by a fresh converter, through the output routine or into an output text.
inline std::string Convert(const std::string& pascal, bool intoText = false) {
  TTestConverter c;
  if (intoText) c.IntoText();
  return c.Convert(pascal);
}

/// Each case both ways: through the output routine, and into an output text where held output
/// stays in place (labels and notes put in front, trials dropped, conditions rewritten there).
inline void ExpectAll(std::initializer_list<TCase> cases) {
  for (const TCase& t : cases) {
    EXPECT_EQ(Convert(t.Pascal), t.JavaScript) << "Pascal: " << t.Pascal;
    EXPECT_EQ(Convert(t.Pascal, true), t.JavaScript) << "into text; Pascal: " << t.Pascal;
  }
}

}  // namespace pas2js::testing
