// Blanks, comments and pragmas between tokens; `ord`; and the standard routines and constants
// that have JavaScript counterparts.
#include <array>
#include <cstdio>
#include <functional>
#include <iterator>
#include <string>

#include "pas2js/Pas2JavaSc.h"

namespace pas2js {

namespace {

constexpr scan::CharSet CloseParen{')'};
constexpr scan::CharSet Comma{','};
constexpr scan::CharSet CloseParenOrComma{')', ','};
constexpr TStopSet StopAtComma = StopSet({','});
constexpr TStopSet StopAtParen = StopSet({')'});
constexpr std::string_view PragmaLetters = "VvLBEJaor";

// The standard words in lower case. The math list's words are those of the list text
// "PI,power,ln,sqr,abs,...,trunc," that stand between two commas ("PI" has none before it).
enum class TStd : uint8_t { Pi, Char, IncDec, Length, SetLength, ToStr, Math };
struct TStdRec {
  std::string_view Word;
  TStd Kind;
};
constexpr TStdRec StdWords[] = {
    {"pi", TStd::Pi},         {"char", TStd::Char},       {"inc", TStd::IncDec},
    {"dec", TStd::IncDec},    {"length", TStd::Length},   {"setlength", TStd::SetLength},
    {"inttostr", TStd::ToStr}, {"floattostr", TStd::ToStr},
    {"power", TStd::Math},    {"ln", TStd::Math},     {"sqr", TStd::Math},   {"abs", TStd::Math},
    {"acos", TStd::Math},     {"acosh", TStd::Math},  {"asin", TStd::Math},  {"atan", TStd::Math},
    {"atan2", TStd::Math},    {"atanh", TStd::Math},  {"cbrt", TStd::Math},  {"ceil", TStd::Math},
    {"cos", TStd::Math},      {"cosh", TStd::Math},   {"exp", TStd::Math},   {"floor", TStd::Math},
    {"hypot", TStd::Math},    {"log", TStd::Math},    {"log10", TStd::Math}, {"log2", TStd::Math},
    {"max", TStd::Math},      {"min", TStd::Math},    {"pow", TStd::Math},   {"random", TStd::Math},
    {"round", TStd::Math},    {"sign", TStd::Math},   {"sin", TStd::Math},   {"sinh", TStd::Math},
    {"sqrt", TStd::Math},     {"tan", TStd::Math},    {"trunc", TStd::Math},
};
static_assert(std::size(StdWords) == 39, "8 routines and the 31 words of the math list");
constexpr size_t LongestStdWord = 10;  // "floattostr"

// Per first byte, a bit for each length some standard word of that first letter has: every
// identifier is asked, and nearly all of them are turned away by this one look.
constexpr std::array<uint16_t, 256> StdLengths = [] {
  std::array<uint16_t, 256> lengths{};
  for (const TStdRec& rec : StdWords) {
    const unsigned char first = static_cast<unsigned char>(rec.Word[0]);
    lengths[first] |= static_cast<uint16_t>(1u << rec.Word.size());
    lengths[first - ('a' - 'A')] |= static_cast<uint16_t>(1u << rec.Word.size());
  }
  return lengths;
}();
static_assert(LongestStdWord < 16, "the lengths fit the bits of StdLengths");

// The entry of a word (any letter case), or nullptr.
const TStdRec* FindStd(std::string_view word, char* lower) {
  if (word.empty() || word.size() > LongestStdWord) return nullptr;
  if ((StdLengths[static_cast<unsigned char>(word[0])] & (1u << word.size())) == 0) return nullptr;
  for (size_t i = 0; i < word.size(); ++i) lower[i] = scan::LowerAscii(word[i]);
  const std::string_view w(lower, word.size());
  for (const TStdRec& rec : StdWords) {
    if (rec.Word.size() == w.size() && rec.Word[0] == w[0] && rec.Word == w) return &rec;
  }
  return nullptr;
}

}  // namespace

// Blanks, line breaks and "//" comments pass (when copy); "{ }" and "(* *)" go to Comment.
void TuPas2JavaSc::SkipSpace(const char*& p, bool copy) {
  for (;;) {
    std::string_view blanks = scan::SkipWhileCharSet(p, scan::WhiteChars);
    if (copy && !blanks.empty()) Write(blanks);
    if (p[0] == '(' && p[1] == '*') {
      Comment(p);
    } else if (p[0] == '/' && p[1] == '/') {
      std::string_view line = scan::SkipUntilByte(p, FTextEnd, '\n', '\r');
      if (copy) Write(line);
    } else if (p[0] == '{') {
      Comment(p);
    } else {
      return;
    }
  }
}

// { text }  (* text *)  ->  /* text */ ; pragmas {.X} and (*.X*) act instead.
void TuPas2JavaSc::Comment(const char*& p) {
  const bool brace = *p == '{';
  int pragmaLength = 4;
  if (p[0] == '(' && p[1] == '*') {
    ++p;  // now on the "*"
    pragmaLength = 5;
  }
  const bool pragma = p[1] == '.' && p[2] != '\0' &&
                      ((brace && p[3] == '}') || scan::TextStartsWith(p + 3, "*)")) &&
                      PragmaLetters.find(p[2]) != std::string_view::npos;
  if (!pragma) {
    Write("/*");
    ++p;  // the "{" or the "*" of "(*"
    if (brace) {
      Write(scan::SkipUntilByte(p, FTextEnd, '}', '}'));
      Write("*/");
      if (*p == '}') ++p;
    } else {
      std::string_view text;
      // An unclosed "(*" searches to the end of the text in vain. Once no "*)" byte pair stands
      // anywhere behind some position, no later search of the same text can succeed: rows of
      // unclosed comments would otherwise cost the square of their number.
      const std::less<const char*> before;
      const bool hopeless = FNoCommentClose != nullptr &&
                            !before(p, FNoCommentClose) && before(p, FTextEnd);
      if (!hopeless) {
        // "*)" at a character start closes it; unclosed, the cursor stays behind the "(*".
        const char* close = p;
        for (;;) {
          close = scan::FindCharStart(close, FTextEnd, '*', '*');
          if (*close == '\0' || close[1] == ')') break;
          ++close;
        }
        if (*close != '\0') {
          text = std::string_view(p, static_cast<size_t>(close - p));
          p = close + 2;
        } else if (std::string_view(p).find("*)") == std::string_view::npos) {
          FNoCommentClose = p;
        }
      }
      Write(text);
      Write("*/");
    }
    return;
  }
  const char letter = p[2];
  p += pragmaLength;
  Pragma(letter, brace, p);
}

// The cursor stands behind the pragma.
void TuPas2JavaSc::Pragma(char letter, bool brace, const char*& p) {
  std::string text;
  switch (letter) {
    case 'V':
      FDecls.ConstWord = "var";
      FDecls.LetWord = "var";
      break;
    case 'v':
      FDecls.VarStatement = true;
      break;
    case 'L':
      FLogical = true;
      break;
    case 'B':
      FLogical = false;
      break;
    case 'E':  // drop through {.e} or (*.e*), or to the end of the text
      scan::SkipPastAnySeparator(p, {"{.e}", "(*.e*)", ""});
      break;
    case 'J':  // the next block comment's contents, verbatim
      scan::ReadToSeparator(p, brace ? "{" : "(*", text);
      scan::ReadToSeparator(p, brace ? "}" : "*)", text);
      Write(text);
      break;
    case 'a': {  // {.a}Src -> Object.assign({},Src)
      std::string_view name = scan::SkipWhileCharSet(p, scan::WordChars);
      Write("Object.assign({},");
      Write(name);
      Write(")");
      break;
    }
    case 'o': {  // {.o}Add(List, Item) -> List.Add( Item)
      std::string routine;
      scan::ReadToSeparator(p, "(", routine);
      std::string first;
      Capture(p, StopAtComma, "{.o}", first);
      Write(first);
      if (*p == ',') ++p;
      Write(".");
      Write(routine);
      Write("(");
      Parens(p, true);
      break;
    }
    case 'r': {  // {.r}|a < b| -> a < b
      if (*p == '\0') break;
      const char delimiter[2] = {*p, '\0'};
      ++p;
      scan::ReadToSeparator(p, std::string_view(delimiter, 1), text);
      Write(text);
      break;
    }
    default:
      break;
  }
}

// Ord('A') -> /*A*/0x41 ; Ord(c) -> c.codePointAt(0)
void TuPas2JavaSc::OrdCall(const char*& p) {
  const char* back = p;
  scan::SkipBlanks(p, false);
  if (*p != '(') {
    p = back;
    return;
  }
  ++p;
  scan::SkipBlanks(p, false);
  if (p[0] == '\'' && p[1] != '\0' && p[2] == '\'') {
    const char c = p[1];
    char code[8];
    std::snprintf(code, sizeof code, "%2.2X", static_cast<unsigned>(static_cast<unsigned char>(c)));
    std::string text = "/*";
    text += c;
    text += "*/0x";
    text += code;
    Write(text);
    p += (c == '\'' && p[3] == '\'') ? 4 : 3;
    scan::SkipBlanks(p, false);
    if (*p == ')') ++p;
    return;
  }
  Parens(p, false);
  Write(".codePointAt(0)");
}

// Sqrt(x) -> Math.sqrt(x) ; Pi -> Math.PI ; Inc(i) -> ++i ; Length(s) -> s.length ; ...
bool TuPas2JavaSc::StdRoutine(std::string_view word, const char*& p) {
  char buffer[LongestStdWord];
  const TStdRec* rec = FindStd(word, buffer);
  if (rec == nullptr) return false;
  const std::string_view lower = rec->Word;
  const char* look = p;
  scan::SkipBlanks(look, false);
  // "after blanks" rules move the cursor itself over the blanks, also when they fail.
  auto parenAfterBlanks = [&p]() {
    scan::SkipBlanks(p, false);
    return *p == '(';
  };
  switch (rec->Kind) {
    case TStd::Pi:
      Write("Math.PI");
      return true;
    case TStd::Char:
      if (*look != '(') return false;
      Write("String.fromCharCode");
      return true;
    case TStd::IncDec:
      if (!parenAfterBlanks()) return false;
      IncDec(lower == "inc", p);
      return true;
    case TStd::Length: {
      if (!parenAfterBlanks()) return false;
      ++p;
      std::string spelling(AddLabel(scan::SkipUntilCharSet(p, CloseParen), 0, false));
      spelling += ".length";
      Write(spelling);
      if (*p == ')') ++p;
      return true;
    }
    case TStd::SetLength: {
      if (!parenAfterBlanks()) return false;
      ++p;
      std::string variable(scan::SkipUntilCharSet(p, Comma));
      if (TakePendingLet(variable)) Write(FDecls.LetWord + " " + variable + ";");
      Write(variable + ".length = ");
      if (*p == ',') ++p;
      Translate(p, StopAtParen, "f.Length");
      if (*p == ')') ++p;
      return true;
    }
    case TStd::ToStr:
      if (*look != '(') return false;
      Write("String");
      p = look;  // the group starts at the "(" even with blanks before it
      Parens(p, true);
      return true;
    case TStd::Math:
      if (!parenAfterBlanks()) return false;
      if (lower == "power") {
        Write("Math.pow");
      } else if (lower == "ln") {
        Write("Math.log");
      } else if (lower == "sqr") {
        Write("２乗sqr");
      } else {
        Write("Math.");
        Write(lower);
      }
      Parens(p, true);
      return true;
  }
  return false;
}

// Inc(i) -> ++i ; Inc(i, n) -> i+= n ; Dec likewise. The cursor stands on "(".
void TuPas2JavaSc::IncDec(bool increment, const char*& p) {
  ++p;
  std::string variable(AddLabel(scan::SkipUntilCharSet(p, CloseParenOrComma), 0, false));
  if (*p == ',') {
    ++p;
    Write(variable + (increment ? "+=" : "-="));
    Translate(p, StopAtParen, "f.inc");
  } else {
    Write((increment ? "++" : "--") + variable);
  }
  if (*p == ')') ++p;
}

}  // namespace pas2js
