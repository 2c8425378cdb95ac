// The expression evaluator: a recursive-descent reader over the sheet text that leaves every
// result in FValue. One function per level, loosest binding first.

#include <cstring>

#include "engine/CalcAnsiScript.h"
#include "engine/FloatOps.h"

namespace engine {

using scan::CharSet;

namespace {

constexpr CharSet NameStart = scan::NameStartChars + CharSet{'@'} + scan::LeadByteTable.Lead;
constexpr CharSet IncrementLabelStart = NameStart + CharSet{'$'};
constexpr CharSet KeywordDelimiter = CharSet{'\t', ' ', '$', '('} + CharSet::Range('0', '9');
// The first bytes of the operators read behind an operand at the expression, compare and power
// levels: any other byte ends that level at once.
constexpr CharSet KeywordOperatorStart{'A', 'a', 'O', 'o', 'X', 'x'};
constexpr CharSet CompareOperatorStart{'!', '=', '<', '>'};
constexpr CharSet PowerOperatorStart{'<', '>', 'S', 's', '^'};

void SkipBlanks(const char*& p) { scan::SkipBlanks(p, false); }

bool AtLineEnd(const char* p) { return scan::LineEndChars.Has(*p); }

// True when the text at p is `word` in capitals or in lower case.
bool KeywordAt(const char* p, const char* upper, const char* lower) {
  return scan::TextStartsWith(p, upper) || scan::TextStartsWith(p, lower);
}

Extended FromInt(int64_t v) { return static_cast<Extended>(v); }

// The shift count as the shift operators see it: its low 8 bits, read as unsigned, so that
// counts from 64 up (and negative ones) shift every bit out.
uint64_t ShiftLeft(uint64_t a, int64_t count) {
  unsigned n = static_cast<unsigned>(count) & 0xFFu;
  return n < 64 ? a << n : 0;
}
uint64_t ShiftRight(uint64_t a, int64_t count) {
  unsigned n = static_cast<unsigned>(count) & 0xFFu;
  return n < 64 ? a >> n : 0;
}

// Keeps the evaluator's nesting within bounds, so that no input can exhaust the stack.
class TDepthGuard {
 public:
  TDepthGuard(TAnsiCalculate& engine, int& depth) : FDepth(depth) {
    if (++FDepth > MaxNestingDepth) {
      --FDepth;
      engine.FailLine("式の入れ子が深すぎます");
    }
  }
  ~TDepthGuard() { --FDepth; }
  TDepthGuard(const TDepthGuard&) = delete;
  TDepthGuard& operator=(const TDepthGuard&) = delete;

 private:
  int& FDepth;
};

// False when neither 0FFH nor 1010B can begin at p: both open with a decimal digit, and where the
// decimal digits end one of them needs a hex letter, its suffix letter or '_'.
bool MaySuffixedInteger(const char* p) {
  // static: a plain constexpr local is laid out on the stack again at every call.
  static constexpr CharSet SuffixedGoesOn =
      CharSet::Range('A', 'F') + CharSet::Range('a', 'f') + CharSet{'H', 'h', '_'};
  if (!scan::IsDigit(*p)) return false;
  while (scan::IsDigit(*p)) ++p;
  return SuffixedGoesOn.Has(*p);
}

}  // namespace

// statement = { name ("=" | ":=") expression [ "," | ":" | ";" ] } [ "//" comment | expression ]
bool TAnsiCalculate::ParseStatement() {
  while (NameStart.Has(*FCursor)) {
    const char* start = FCursor;
    // A view into the text being read: it stays valid as long as the cursor into that text does,
    // through the evaluation of the right side too, so the name is never copied here.
    const std::string_view name = scan::SkipWhileCharSetMB(FCursor, scan::WordChars);
    SkipBlanks(FCursor);
    bool assign = (FCursor[0] == '=' && FCursor[1] != '=') || (FCursor[0] == ':' && FCursor[1] == '=');
    if (!assign) {
      FCursor = start;
      break;
    }
    if (*FCursor == ':') ++FCursor;
    ++FCursor;  // '='
    ParseExpression();
    SkipBlanks(FCursor);
    if (!AccessLabel(name, FValue, TLabelMode::Assign)) FailLine(std::string(name) + "?");
    if (*FCursor != ',' && *FCursor != ':' && *FCursor != ';') break;
    ++FCursor;
    SkipBlanks(FCursor);
    if (AtLineEnd(FCursor)) break;
  }
  SkipBlanks(FCursor);
  if (scan::TextStartsWith(FCursor, "//")) {
    scan::SkipUntilCharSet(FCursor, scan::LineEndChars);
    return false;
  }
  if (AtLineEnd(FCursor)) return false;
  ParseExpression();
  SkipBlanks(FCursor);
  return true;
}

// expression = ("!" | "~" | "NOT") expression
//            | term0 ( ("AND" | "OR" | "XOR") expression | { ("&" | "+" | "-" | "|") term } )
// term0      = ("++" | "--") label | ["+" | "-"] term
void TAnsiCalculate::ParseExpression() {
  TDepthGuard guard(*this, FDepth);
  SkipBlanks(FCursor);

  if (*FCursor == '!' || *FCursor == '~' || scan::TextStartsWith(FCursor, "NOT")) {
    char op = *FCursor;
    FCursor += op == 'N' ? 3 : 1;
    ParseExpression();
    if (op == '!')
      FValue = FValue > Extended(0.5) ? 0 : 1;
    else if (op == '~')
      FValue = FromInt(RoundToInt64(FValue) ^ 0xFFFFFF);
    else
      FValue = FromInt(~RoundToInt64(FValue));
    return;  // the operand was the whole rest of the expression
  }

  if ((FCursor[0] == '+' || FCursor[0] == '-') && FCursor[1] == FCursor[0]) {
    LabelIncrement();
  } else if (*FCursor == '+' || *FCursor == '-') {
    bool negate = *FCursor++ == '-';
    ParseTerm();
    if (negate) FValue = -FValue;
  } else {
    ParseTerm();
  }

  if (KeywordOperatorStart.Has(*FCursor) && KeywordOperator()) return;

  while (*FCursor == '&' || *FCursor == '+' || *FCursor == '-' || *FCursor == '|') {
    char op = *FCursor++;
    Extended left = FValue;
    ParseTerm();
    switch (op) {
      case '&': FValue = FromInt(RoundToInt64(left) & RoundToInt64(FValue)); break;
      case '+': FValue = CheckedAdd(left, FValue); break;
      case '-': FValue = CheckedSub(left, FValue); break;
      default: FValue = FromInt(RoundToInt64(left) | RoundToInt64(FValue)); break;
    }
  }
}

// "++" label | "--" label: adds 1 or -1 to the label and yields its new value.
void TAnsiCalculate::LabelIncrement() {
  bool up = *FCursor == '+';
  FCursor += 2;
  SkipBlanks(FCursor);
  if (!IncrementLabelStart.Has(*FCursor)) AbortLine("++/-- >label?");
  const std::string_view name = scan::SkipWhileCharSetMB(FCursor, scan::WordChars);
  FValue = up ? 1 : -1;
  if (!AccessLabel(name, FValue, TLabelMode::Add)) AbortLine(std::string(name) + " undefined labels");
}

// ("AND" | "and" | "OR" | "or") delimiter expression | ("XOR" | "xor") expression
bool TAnsiCalculate::KeywordOperator() {
  char op;
  size_t length;
  if (KeywordAt(FCursor, "AND", "and") && KeywordDelimiter.Has(FCursor[3])) {
    op = '&', length = 3;
  } else if (KeywordAt(FCursor, "OR", "or") && KeywordDelimiter.Has(FCursor[2])) {
    op = '|', length = 2;
  } else if (KeywordAt(FCursor, "XOR", "xor")) {
    op = '^', length = 3;
  } else {
    return false;
  }
  Extended left = FValue;
  FCursor += length;
  ParseExpression();
  int64_t a = RoundToInt64(left), b = RoundToInt64(FValue);
  FValue = FromInt(op == '&' ? a & b : op == '|' ? a | b : a ^ b);
  return true;
}

// term = compare { ("*" | "/" | "^") compare }
void TAnsiCalculate::ParseTerm() {
  ParseCompare();
  while ((*FCursor == '*' || *FCursor == '/' || *FCursor == '^') &&
         !scan::TextStartsWith(FCursor, "//")) {
    char op = *FCursor++;
    Extended left = FValue;
    ParseCompare();
    FValue = op == '*' ? CheckedMul(left, FValue)
             : op == '/' ? CheckedDiv(left, FValue)
                         : Power(left, FValue);
  }
}

// compare = power [ ("==" | "!=" | "<" | ">" | "<=" | ">=") power ]
void TAnsiCalculate::ParseCompare() {
  ParsePower();
  // Most operands are followed by no comparison: one byte test settles it, and the rest stays
  // out of line so that this level costs the term level no call of its own.
  if (CompareOperatorStart.Has(*FCursor)) CompareOperator();
}

// ("==" | "!=" | "<" | ">" | "<=" | ">=") power, with the left side in FValue; nothing when the
// bytes at the cursor are no comparison.
void TAnsiCalculate::CompareOperator() {
  if ((*FCursor == '!' || *FCursor == '=') && FCursor[1] == '=') {
    bool equal = *FCursor == '=';
    Extended left = FValue;
    FCursor += 2;
    ParsePower();
    bool same = RoundToInt64(left) == RoundToInt64(FValue);
    FValue = same == equal ? 1 : 0;
    return;
  }
  if (*FCursor != '<' && *FCursor != '>') return;
  if (FCursor[1] == '<' || FCursor[1] == '>') return;  // a shift, or "<>", which is no operator
  char op = *FCursor;
  bool orEqual = FCursor[1] == '=';
  FCursor += orEqual ? 2 : 1;
  Extended left = FValue;
  ParsePower();
  bool holds = op == '<' ? (orEqual ? left <= FValue : left < FValue)
                         : (orEqual ? left >= FValue : left > FValue);
  FValue = holds ? 1 : 0;
}

// power = primary ( ("<<" | ">>") primary | ("SHL" | "SHR") delimiter primary | { "^" primary } )
void TAnsiCalculate::ParsePower() {
  ParsePrimary();
  if (PowerOperatorStart.Has(*FCursor)) PowerOperators();  // out of line, as at the compare level
}

// ("<<" | ">>") primary | ("SHL" | "SHR") delimiter primary | { "^" primary }, with the left side
// in FValue; nothing when the bytes at the cursor are none of these.
void TAnsiCalculate::PowerOperators() {
  if ((*FCursor == '<' || *FCursor == '>') && FCursor[1] == *FCursor) {
    bool left = *FCursor == '<';
    Extended value = FValue;
    FCursor += 2;
    ParsePrimary();
    uint64_t a = static_cast<uint64_t>(TruncToInt64(value));
    int64_t n = TruncToInt64(FValue);
    uint64_t shifted = left ? ShiftLeft(a, n) : ShiftRight(a, n);
    FValue = FromInt(static_cast<int32_t>(static_cast<uint32_t>(shifted)));
    return;
  }
  bool shl = KeywordAt(FCursor, "SHL", "shl") && KeywordDelimiter.Has(FCursor[3]);
  bool shr = !shl && KeywordAt(FCursor, "SHR", "shr") && KeywordDelimiter.Has(FCursor[3]);
  if (shl || shr) {
    Extended value = FValue;
    FCursor += 3;
    ParsePrimary();
    uint64_t a = static_cast<uint64_t>(RoundToInt64(value));
    int64_t n = RoundToInt64(FValue);
    FValue = FromInt(static_cast<int64_t>(shl ? ShiftLeft(a, n) : ShiftRight(a, n)));
    return;
  }
  while (*FCursor == '^') {
    Extended left = FValue;
    ++FCursor;
    ParsePrimary();
    FValue = Power(left, FValue);
  }
}

// primary = "(" expression ")" | number | name "(" arguments ")" | name
void TAnsiCalculate::ParsePrimary() {
  SkipBlanks(FCursor);
  if (*FCursor == '(') {
    ++FCursor;
    ParseExpression();
    SkipBlanks(FCursor);
    if (*FCursor != ')') {
      if (AtAnnotationOrEnd(FCursor)) AbortLine("missing )");
      // Any other character found names itself.
      AbortLine("):" + std::string(FCursor, scan::IsLeadByte(*FCursor) && FCursor[1] ? 2 : 1) + " is NG");
    }
    ++FCursor;
  } else if (NameStart.Has(*FCursor)) {
    // No number begins with a name's first byte, so names need not try the number readers.
    // A view into the sheet text: a label read evaluates nothing else before it is done.
    const std::string_view name = scan::SkipWhileCharSetMB(FCursor, scan::WordChars);
    SkipBlanks(FCursor);
    if (*FCursor == '(') {
      ReadCall(std::string(name));
    } else if (!AccessLabel(name, FValue, TLabelMode::Read)) {
      FailLine(std::string(name) + " undefined labels");
    }
  } else if (!ReadNumber()) {
    // No operand begins here. A line that ends, and inside parentheses or an argument list a
    // closing ')' or ',', lack one; anything else is text the evaluator cannot read.
    if (AtAnnotationOrEnd(FCursor) || (FDepth > 1 && (*FCursor == ')' || *FCursor == ',')))
      FailLine("missing operand");
    FailUnexpected();
  }
  SkipBlanks(FCursor);
}

// A numeric literal in any notation; false (nothing consumed) when none begins here.
bool TAnsiCalculate::ReadNumber() {
  int64_t whole;
  if (MaySuffixedInteger(FCursor) &&
      (scan::ReadHexSuffixed(FCursor, whole) || scan::ReadBinarySuffixed(FCursor, whole))) {
    FValue = FromInt(whole);
    return true;
  }
  Extended value;
  if (!scan::ReadScaledReal(FCursor, value, FFormat)) return false;
  FValue = Checked(value);  // a scale suffix can carry a huge number past the range
  return true;
}

// arguments = argument { "," argument } ")"; each call collects its own argument list, so a call
// inside an argument leaves the outer list as it was.
void TAnsiCalculate::ReadCall(const std::string& name) {
  TAArgRec outer;
  std::swap(outer, FArgs);
  struct Restore {
    TAArgRec& args;
    TAArgRec& outer;
    ~Restore() { std::swap(args, outer); }
  } restore{FArgs, outer};

  size_t index = 0;
  ReadArgument(index++);
  while (*FCursor == ',') ReadArgument(index++);
  if (*FCursor != ')') FailLine(name + "(... \")\"?");
  ++FCursor;
  if (!CallFunction(name)) FailLine(name + " is not function ");
}

// argument = ( quote text quote | expression ), after the "(" or "," under the cursor
void TAnsiCalculate::ReadArgument(size_t index) {
  FArgs.resize(index + 1);
  ++FCursor;  // '(' or ','
  if (*FCursor == '"' || *FCursor == '\'') {
    char quote = *FCursor++;
    std::string text;
    scan::ReadUntilCharSet(FCursor, scan::LineEndChars + CharSet{static_cast<unsigned char>(quote)}, text);
    // The message shows the text only up to a "//": the rest is the line's old annotation, which
    // the line keeps no longer once this one is written.
    if (*FCursor != quote) FailLine(text.substr(0, text.find("//")) + "?");
    ++FCursor;
    FArgs[index].Text = std::move(text);
  } else {
    ParseExpression();
    FArgs[index].Text.clear();
  }
  SkipBlanks(FCursor);
  FArgs[index].Value = FValue;
}

Extended TAnsiCalculate::EvaluateAt(const char*& cursor) {
  // A directive's cursor is FCursor itself; any other is taken over and handed back.
  FCursor = cursor;
  ParseExpression();
  cursor = FCursor;
  return FValue;
}

bool TAnsiCalculate::AccessLabel(std::string_view name, Extended& value, TLabelMode mode) {
  for (const TLabelAddition& entry : FLabelAdditions) {
    // Most names cannot be an addition's own: its first byte says so without a call.
    if (!name.empty() && !entry.Start.Has(name[0])) continue;
    if (entry.Addition->DoLabel(name, value, mode)) return true;
  }
  TMyCalLabel* label = FLabelTable.Find(name);
  switch (mode) {
    case TLabelMode::Assign:
      if (label)
        label->Value = value;
      else
        FLabelTable.Append(std::string(name), value);
      return true;
    case TLabelMode::Read:
      if (!label) return FindConstant(name, value, mode);
      value = label->Value;
      return true;
    case TLabelMode::Add:
      if (label)
        value = label->Value = CheckedAdd(label->Value, value);
      else
        FLabelTable.Append(std::string(name), value);
      return true;
    default:
      return true;
  }
}

}  // namespace engine
