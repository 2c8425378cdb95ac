// Blanks, comments and pragmas between tokens; `ord`; and the standard routines and constants
// that have JavaScript counterparts.
#include <cstdio>
#include <string>

#include "pas2js/Pas2JavaSc.h"

namespace pas2js {

namespace {

constexpr scan::CharSet CloseBrace{'}'};
constexpr scan::CharSet CloseParen{')'};
constexpr scan::CharSet Comma{','};
constexpr scan::CharSet CloseParenOrComma{')', ','};
constexpr TStopSet StopAtComma = StopSet({','});
constexpr TStopSet StopAtParen = StopSet({')'});
constexpr std::string_view PragmaLetters = "VvLBEJaor";

// Moves over whole characters up to the zero byte or a byte of the set (which stays).
std::string_view SkipUntil(const char*& p, const scan::CharSet& set) {
  const char* start = p;
  while (*p != '\0' && !set.Has(*p)) {
    if (scan::IsLeadByte(*p) && p[1] != '\0') {
      p += 2;
    } else {
      ++p;
    }
  }
  return std::string_view(start, static_cast<size_t>(p - start));
}

std::string_view SkipWhile(const char*& p, const scan::CharSet& set) {
  const char* start = p;
  while (set.Has(*p)) ++p;
  return std::string_view(start, static_cast<size_t>(p - start));
}

// The words of the math list, each between commas ("PI" opens the list without one, so it never
// matches a word).
constexpr std::string_view MathList =
    "PI,power,ln,sqr,abs,acos,acosh,asin,atan,atan2,atanh,cbrt,ceil,cos,cosh,exp,floor,hypot,log,"
    "log10,log2,max,min,pow,random,round,sign,sin,sinh,sqrt,tan,trunc,";

bool InMathList(std::string_view lower) {
  for (size_t at = MathList.find(lower); at != std::string_view::npos;
       at = MathList.find(lower, at + 1)) {
    if (at > 0 && MathList[at - 1] == ',' && at + lower.size() < MathList.size() &&
        MathList[at + lower.size()] == ',')
      return true;
  }
  return false;
}

std::string Lower(std::string_view word) {
  std::string s(word);
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return s;
}

}  // namespace

// Blanks, line breaks and "//" comments pass (when copy); "{ }" and "(* *)" go to Comment.
void TuPas2JavaSc::SkipSpace(const char*& p, bool copy) {
  for (;;) {
    std::string_view blanks = SkipWhile(p, scan::WhiteChars);
    if (copy && !blanks.empty()) Write(blanks);
    if (p[0] == '(' && p[1] == '*') {
      Comment(p);
    } else if (p[0] == '/' && p[1] == '/') {
      std::string_view line = SkipUntil(p, scan::LineEndChars);
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
      Write(SkipUntil(p, CloseBrace));
      Write("*/");
      if (*p == '}') ++p;
    } else {
      std::string text;
      scan::ReadToSeparator(p, "*)", text);
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
      FConstWord = "var";
      FLetWord = "var";
      break;
    case 'v':
      FVarStatement = true;
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
      std::string_view name = SkipWhile(p, scan::WordChars);
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
bool TuPas2JavaSc::StdRoutine(const std::string& word, const char*& p) {
  const std::string lower = Lower(word);
  const char* look = p;
  scan::SkipBlanks(look, false);
  // "after blanks" rules move the cursor itself over the blanks, also when they fail.
  auto parenAfterBlanks = [&p]() {
    scan::SkipBlanks(p, false);
    return *p == '(';
  };
  if (lower == "pi") {
    Write("Math.PI");
    return true;
  }
  if (lower == "char") {
    if (*look != '(') return false;
    Write("String.fromCharCode");
    return true;
  }
  if (lower == "inc" || lower == "dec") {
    if (!parenAfterBlanks()) return false;
    IncDec(lower == "inc", p);
    return true;
  }
  if (lower == "length") {
    if (!parenAfterBlanks()) return false;
    ++p;
    std::string spelling(AddLabel(SkipUntil(p, CloseParen), 0, false));
    spelling += ".length";
    Write(spelling);
    if (*p == ')') ++p;
    return true;
  }
  if (lower == "setlength") {
    if (!parenAfterBlanks()) return false;
    ++p;
    std::string variable(SkipUntil(p, Comma));
    if (TakePendingLet(variable)) Write(FLetWord + " " + variable + ";");
    Write(variable + ".length = ");
    if (*p == ',') ++p;
    Translate(p, StopAtParen, "f.Length");
    if (*p == ')') ++p;
    return true;
  }
  if (lower == "inttostr" || lower == "floattostr") {
    if (*look != '(') return false;
    Write("String");
    p = look;  // the group starts at the "(" even with blanks before it
    Parens(p, true);
    return true;
  }
  if (InMathList(lower)) {
    if (!parenAfterBlanks()) return false;
    if (lower == "power") {
      Write("Math.pow");
    } else if (lower == "ln") {
      Write("Math.log");
    } else if (lower == "sqr") {
      Write("２乗sqr");
    } else {
      Write("Math." + lower);
    }
    Parens(p, true);
    return true;
  }
  return false;
}

// Inc(i) -> ++i ; Inc(i, n) -> i+= n ; Dec likewise. The cursor stands on "(".
void TuPas2JavaSc::IncDec(bool increment, const char*& p) {
  ++p;
  std::string variable(AddLabel(SkipUntil(p, CloseParenOrComma), 0, false));
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
