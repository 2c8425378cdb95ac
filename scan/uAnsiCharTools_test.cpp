#include "scan/uAnsiCharTools.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "scan/Exceptions.h"

namespace scan {
namespace {

// A double-byte character whose trail byte is '|', and one whose trail byte is '\\'.
#define MB_BAR "\x83|"
#define MB_BACKSLASH "\x95\\"
// A double-byte character whose trail byte is 'A' (a word byte).
#define MB_A "\x82" "A"

constexpr CharSet BarSet{'|'};

struct TReadCase {
  const char* Input;
  const char* Text;  // what the reader hands back
  const char* Rest;  // the text from the cursor on, afterwards
};

/// Runs `read` over every case and checks the text it returns and where the cursor stands.
template <typename Reader>
void CheckReads(const std::vector<TReadCase>& cases, Reader read) {
  for (const TReadCase& c : cases) {
    const std::string source = c.Input;
    const char* p = source.c_str();
    std::string text = "junk";
    read(p, text);
    EXPECT_EQ(text, c.Text) << "input: " << c.Input;
    EXPECT_STREQ(p, c.Rest) << "input: " << c.Input;
  }
}

TEST(SkipMultiByteChar, StepsOverLeadBytesOnly) {
  const struct {
    const char* Input;
    bool Result;
    const char* Rest;
  } cases[] = {
      {MB_BAR "x", true, "x"},
      {"\xE0\x40" "x", true, "x"},
      {"\xFC\xFC" "x", true, "x"},
      {"\x80x", false, "\x80x"},  // $80 and $A0..$DF are single-byte characters
      {"\xA0x", false, "\xA0x"},
      {"\xDFx", false, "\xDFx"},
      {"\xFDx", false, "\xFDx"},
      {"ab", false, "ab"},
      {"", false, ""},
      {"\x83", true, ""},  // a lead byte before the terminator is one byte
  };
  for (const auto& c : cases) {
    const std::string source = c.Input;
    const char* p = source.c_str();
    EXPECT_EQ(SkipMultiByteChar(p), c.Result) << c.Input;
    EXPECT_STREQ(p, c.Rest) << c.Input;
  }
}

TEST(SkipBlanks, WithAndWithoutLineBreaks) {
  const std::string source = "  \t\r\nx";
  const char* p = source.c_str();
  EXPECT_EQ(SkipBlanks(p, false), 3);
  EXPECT_EQ(*p, '\r');
  p = source.c_str();
  EXPECT_EQ(SkipBlanks(p, true), 5);
  EXPECT_EQ(*p, 'x');
  const char* empty = "";
  EXPECT_EQ(SkipBlanks(empty, true), 0);
  EXPECT_EQ(*empty, '\0');
}

// Against the plain comparison, for every length around the four- and eight-byte loads, with
// one byte changed at each position (high bytes and zero bytes among them), and lengths that differ.
TEST(SameBytes, AgreesWithThePlainComparison) {
  for (size_t n = 0; n <= 20; ++n) {
    std::string a;
    for (size_t i = 0; i < n; ++i) a += static_cast<char>(i % 3 == 0 ? 0x81 + i : 'a' + i);
    const std::string same = a;  // a buffer of its own
    EXPECT_TRUE(SameBytes(a, same)) << n;
    for (size_t i = 0; i < n; ++i) {
      for (char other : {'\0', 'Z', static_cast<char>(0xFC)}) {
        std::string changed = a;
        changed[i] = other;
        EXPECT_EQ(SameBytes(a, changed), a == changed) << n << " at " << i;
      }
    }
    EXPECT_FALSE(SameBytes(a, a + 'x')) << n;
    if (n > 0) {
      EXPECT_FALSE(SameBytes(std::string_view(a).substr(1), a)) << n;
    }
  }
}

TEST(SkipCharSet, IsByteWiseAndStopsAtTheTerminator) {
  const std::string source = "\x83\x83\x83";
  const char* p = source.c_str();
  EXPECT_EQ(SkipCharSet(p, CharSet{0x83}), 3);
  EXPECT_EQ(*p, '\0');
}

TEST(TextStartsWith, ComparesExactlyAndStopsAtTheTerminator) {
  EXPECT_TRUE(TextStartsWith("abc", "ab"));
  EXPECT_TRUE(TextStartsWith("abc", ""));
  EXPECT_TRUE(TextStartsWith("", ""));
  EXPECT_FALSE(TextStartsWith("abc", "AB"));
  EXPECT_FALSE(TextStartsWith("ab", "abc"));
  EXPECT_FALSE(TextStartsWith("", "a"));
}

TEST(ReadUntilCharSet, StopsOnTheSetAndStepsOverDoubleByteCharacters) {
  CheckReads(
      {
          {"abc\r\ndef", "abc", "\r\ndef"},
          {"abc\ndef", "abc", "\ndef"},
          {"abc", "abc", ""},
          {"", "", ""},
          {"\r\n", "", "\r\n"},
          {MB_BAR MB_BACKSLASH "x\r", MB_BAR MB_BACKSLASH "x", "\r"},
          {"ab\x83", "ab\x83", ""},
      },
      [](const char*& p, std::string& t) { ReadUntilCharSet(p, LineEndChars, t); });
  CheckReads(
      {
          {"a" MB_BAR "b|c", "a" MB_BAR "b", "|c"},
          {"|", "", "|"},
      },
      [](const char*& p, std::string& t) { ReadUntilCharSet(p, BarSet, t); });
}

TEST(ReadToSeparator, ConsumesThroughTheSeparatorOrNothing) {
  CheckReads(
      {
          {"abc*/d", "abc", "d"},
          {"abc", "", "abc"},
          {"*/", "", ""},
          {"", "", ""},
          {"a*/b*/c", "a", "b*/c"},
          {"a*", "", "a*"},
      },
      [](const char*& p, std::string& t) { ReadToSeparator(p, "*/", t); });
  CheckReads(
      {
          // The '|' inside the double-byte character is no separator.
          {MB_BAR "x|y", MB_BAR "x", "y"},
          {MB_BAR, "", MB_BAR},
      },
      [](const char*& p, std::string& t) { ReadToSeparator(p, "|", t); });
  CheckReads(
      {
          // A separator may begin at a lead byte.
          {"ab" MB_BAR "c", "ab", "c"},
      },
      [](const char*& p, std::string& t) { ReadToSeparator(p, MB_BAR, t); });
}

TEST(ReadToSeparator, EmptySeparatorIsAnError) {
  const char* p = "abc";
  std::string text;
  try {
    ReadToSeparator(p, "", text);
    FAIL() << "no error";
  } catch (const EAbort& e) {
    EXPECT_EQ(e.Message(), " not find separator ");
  }
}

TEST(MatchAnyText, FirstMatchingEntryWins) {
  const struct {
    const char* Input;
    std::vector<std::string_view> List;
    bool Result;
    int Index;
  } cases[] = {
      {"<= 3", {"<=", "<"}, true, 0},
      {"<= 3", {"<", "<="}, true, 0},
      {"< 3", {"<=", "<"}, true, 1},
      {"> 3", {"<=", "<"}, false, -1},
      {"x", {"a", ""}, true, 1},
      {"", {"a"}, false, -1},
      {"x", {}, false, -1},
  };
  for (const auto& c : cases) {
    int index = -1;
    EXPECT_EQ(MatchAnyText(c.Input, c.List, &index), c.Result) << c.Input;
    EXPECT_EQ(index, c.Index) << c.Input;
  }
  EXPECT_TRUE(MatchAnyText("then", {"do", "then"}));
}

TEST(SkipPastAnySeparator, ConsumesThroughTheFirstEntryFound) {
  const struct {
    const char* Input;
    std::vector<std::string_view> List;
    bool Result;
    int Index;
    const char* Rest;
  } cases[] = {
      {"xyz", {"end", ""}, true, -1, ""},
      {"xyz", {"end"}, false, -1, "xyz"},
      {"a end; b", {"end", ";"}, true, 0, "; b"},
      {"a; end", {"end", ";"}, true, 1, " end"},
      // At one position the earlier entry wins.
      {"a:=b", {":", ":="}, true, 0, "=b"},
      {MB_BAR "a|b", {"|"}, true, 0, "b"},
      {MB_BAR, {"|"}, false, -1, MB_BAR},
      {"", {"a", ""}, true, -1, ""},
      {"", {"a"}, false, -1, ""},
  };
  for (const auto& c : cases) {
    const std::string source = c.Input;
    const char* p = source.c_str();
    int index = -1;
    EXPECT_EQ(SkipPastAnySeparator(p, c.List, &index), c.Result) << c.Input;
    EXPECT_EQ(index, c.Index) << c.Input;
    EXPECT_STREQ(p, c.Rest) << c.Input;
  }
}

TEST(SkipPastAnySeparator, EmptyListIsAnError) {
  const char* p = "abc";
  std::span<const std::string_view> none;
  EXPECT_THROW(SkipPastAnySeparator(p, none), EAbort);
  EXPECT_STREQ(p, "abc");
}

TEST(ReadWhileCharSet, TakesSetBytesOnly) {
  CheckReads(
      {
          {"abc_9 x", "abc_9", " x"},
          {"@Z[", "@Z", "["},
          {"ab" MB_A "c", "ab", MB_A "c"},
          {"", "", ""},
          {"-a", "", "-a"},
      },
      [](const char*& p, std::string& t) { ReadWhileCharSet(p, WordChars, t); });
}

TEST(ReadWhileCharSetMB, TakesDoubleByteCharactersWhole) {
  CheckReads(
      {
          {"ab" MB_A "c d", "ab" MB_A "c", " d"},
          {MB_BAR "x", MB_BAR "x", ""},
          {"a" MB_BACKSLASH "-", "a" MB_BACKSLASH, "-"},
          {"ab\x83", "ab\x83", ""},
          {"\xA0x", "", "\xA0x"},  // half-width katakana is no word byte
          {"", "", ""},
      },
      [](const char*& p, std::string& t) { ReadWhileCharSetMB(p, WordChars, t); });
}

TEST(SkipBlanksAndComments, SkipsBlanksAndBothCommentForms) {
  const struct {
    const char* Input;
    CharSet Set;
    const char* Rest;
  } cases[] = {
      {"  // note\r\n /* a\r\nb */ x", WhiteChars, "x"},
      {"  // note\r\nx", BlankChars, "\r\nx"},
      {"/* a */ /* b */x", BlankChars, "x"},
      {"/* open", WhiteChars, ""},
      {"// last", WhiteChars, ""},
      {" / x", WhiteChars, "/ x"},
      {" /", WhiteChars, "/"},
      {"/*/x", WhiteChars, "x"},  // the search for the close starts on the opening '/'
      {"/* " MB_BAR "*/x", WhiteChars, "x"},
      {"/* \x83*/x", WhiteChars, ""},  // the '*' is the trail byte
      {"", WhiteChars, ""},
  };
  for (const auto& c : cases) {
    const std::string source = c.Input;
    const char* p = source.c_str();
    SkipBlanksAndComments(p, c.Set);
    EXPECT_STREQ(p, c.Rest) << c.Input;
  }
}

// Sets built every way, against a plain table of 256 flags: ranges that start, end and cross at
// the word edges (63/64, 127/128, 191/192, 255), unions and differences; read at every byte.
TEST(CharSets, AgreeWithATableOfFlags) {
  struct TModel {
    CharSet Set;
    std::array<bool, 256> Flags{};
  };
  auto range = [](unsigned lo, unsigned hi) {
    TModel m{CharSet::Range(static_cast<unsigned char>(lo), static_cast<unsigned char>(hi))};
    for (unsigned b = lo; b <= hi; ++b) m.Flags[b] = true;
    return m;
  };
  auto join = [](const TModel& a, const TModel& b, bool minus) {
    TModel m{minus ? a.Set - b.Set : a.Set + b.Set};
    for (size_t i = 0; i < 256; ++i) {
      m.Flags[i] = minus ? a.Flags[i] && !b.Flags[i] : a.Flags[i] || b.Flags[i];
    }
    return m;
  };
  TModel listed{CharSet{0, 63, 64, 127, 128, 191, 192, 255}};
  for (unsigned b : {0, 63, 64, 127, 128, 191, 192, 255}) listed.Flags[b] = true;
  const TModel models[] = {
      listed,
      range(0, 255),
      range(60, 200),
      range(64, 127),
      range(255, 255),
      join(range(0, 255), range(62, 193), true),
      join(range(10, 70), range(120, 130), false),
      join(listed, range(64, 191), true),
  };
  for (size_t m = 0; m < std::size(models); ++m) {
    const TModel& model = models[m];
    for (unsigned b = 0; b < 256; ++b) {
      EXPECT_EQ(model.Set.Has(static_cast<unsigned char>(b)), model.Flags[b]) << m << " " << b;
      EXPECT_EQ(model.Set.Has(static_cast<char>(b)), model.Flags[b]) << m << " " << b;
    }
  }
  static_assert(sizeof(CharSet) == 32 && CharSet{200}.Has(static_cast<unsigned char>(200)));
}

TEST(CharSets, SharedSetsHoldTheirBytes) {
  std::string word;
  for (int b = 1; b < 256; ++b) {
    if (WordChars.Has(static_cast<unsigned char>(b))) word += static_cast<char>(b);
  }
  EXPECT_EQ(word, "0123456789@ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz");
  EXPECT_TRUE(LineEndChars.Has('\0'));
  EXPECT_FALSE(WhiteChars.Has('\0'));
}

// The eight-byte search against a byte-by-byte walk, from every character start of texts that
// mix plain ASCII, the searched bytes, and double-byte characters whose trail byte is one of
// them, at every alignment. Each text gets a buffer of its exact size (see below).
TEST(FindCharStart, AgreesWithAWalkOverWholeCharacters) {
  const std::string pieces[] = {"abcdefgh", "x", "}", "*", "\x83}", "\x81*", "\x82" "A", "\xE0\x40",
                                "  ", "\n", "\x7f"};
  auto walk = [](const char* p, char a, char b) {
    while (*p != '\0' && *p != a && *p != b) {
      if (!SkipMultiByteChar(p)) ++p;
    }
    return p;
  };
  uint32_t seed = 12345;
  for (int round = 0; round < 400; ++round) {
    std::string text;
    const int count = round % 23;
    for (int i = 0; i < count; ++i) {
      seed = seed * 1103515245u + 12345u;
      text += pieces[(seed >> 16) % std::size(pieces)];
    }
    if (round % 5 == 0) text += "\x83";  // a lead byte cut off by the terminator
    const std::unique_ptr<char[]> buffer(new char[text.size() + 1]);
    std::memcpy(buffer.get(), text.c_str(), text.size() + 1);
    const char* end = buffer.get() + text.size();
    for (const char* start = buffer.get(); start <= end;) {
      for (auto [a, b] : {std::pair{'}', '}'}, std::pair{'*', '*'}, std::pair{'\n', '\r'}}) {
        const char* want = walk(start, a, b);
        EXPECT_EQ(FindCharStart(start, end, a, b) - start, want - start) << "text: " << text;
        EXPECT_EQ(FindCharStart(start, nullptr, a, b) - start, want - start) << "text: " << text;
      }
      if (start == end) break;
      if (!SkipMultiByteChar(start)) ++start;
    }
  }
}

// The eight-byte search for one separator against the character walk, from every byte of texts
// where lead bytes (valid, cut off, and bytes that open no character) stand before the separator
// or its first byte, at every alignment.
TEST(SkipPastText, AgreesWithSkipPastAnySeparator) {
  const std::string pieces[] = {"abcdefgh", "#P2Js", "#P2J", "#", "\x81#P2Js", "\x9F#",
                                "\xE0#P2Js", "\xFC#", "\x80#P2Js", "\xA0#P2Js", "\xFD#", "\xFF#P2Js",
                                " ", "\x83"};
  uint32_t seed = 777;
  for (int round = 0; round < 300; ++round) {
    std::string text;
    for (int i = 0; i < round % 19; ++i) {
      seed = seed * 1103515245u + 12345u;
      text += pieces[(seed >> 16) % std::size(pieces)];
    }
    const std::unique_ptr<char[]> buffer(new char[text.size() + 1]);
    std::memcpy(buffer.get(), text.c_str(), text.size() + 1);
    const char* end = buffer.get() + text.size();
    for (const char* start = buffer.get(); start <= end; ++start) {
      const char* want = start;
      const bool found = SkipPastAnySeparator(want, {"#P2Js"});
      const char* got = start;
      EXPECT_EQ(SkipPastText(got, end, "#P2Js"), found) << "text: " << text;
      EXPECT_EQ(got - start, want - start) << "text: " << text;
    }
  }
}

// Every primitive, started at every position of texts that end in a lead byte or inside a comment
// or separator, stays inside the text. Each text gets a buffer of its exact size, so a read past
// the terminator is caught by the address sanitizer.
TEST(CursorPrimitives, NeverPassTheTerminator) {
  const char* texts[] = {"ab\x83", "\x83", "/*", "/* x *", "//", "a*", "x\xE0", "\x83|\x83"};
  const std::string_view separators[] = {"*/", "end", ""};
  for (const char* text : texts) {
    const size_t size = std::string_view(text).size() + 1;
    for (size_t start = 0; start < size; ++start) {
      const std::unique_ptr<char[]> buffer(new char[size - start]);
      std::memcpy(buffer.get(), text + start, size - start);
      const char* end = buffer.get() + (size - start - 1);
      std::string out;
      const std::vector<std::function<void(const char*&)>> steps = {
          [](const char*& p) { SkipMultiByteChar(p); },
          [](const char*& p) { SkipBlanks(p, true); },
          [&](const char*& p) { ReadUntilCharSet(p, BarSet, out); },
          [&](const char*& p) { ReadToSeparator(p, "*/", out); },
          [&](const char*& p) { SkipPastAnySeparator(p, separators); },
          [&](const char*& p) { SkipPastText(p, end, "*/"); },
          [&](const char*& p) { ReadWhileCharSet(p, WordChars, out); },
          [&](const char*& p) { ReadWhileCharSetMB(p, WordChars, out); },
          [](const char*& p) { SkipBlanksAndComments(p, WhiteChars); },
          [](const char*& p) { TextStartsWith(p, "/* x */"); },
      };
      for (const auto& step : steps) {
        const char* p = buffer.get();
        step(p);
        EXPECT_LE(p, end) << text;
      }
    }
  }
}

}  // namespace
}  // namespace scan
