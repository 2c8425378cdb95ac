// The translation loop: one token at a time, dispatched by its first byte and, for words, by the
// keyword table; inner pieces are translated by nested runs that end at their stop sets.
#include <array>
#include <string>

#include "pas2js/Pas2JavaSc.h"
#include "scan/Exceptions.h"

namespace pas2js {

namespace {

using K = TKeywordAction;

// In the order the loop tests them; the words are distinct, so the look-up order is free.
constexpr std::array<TKeywordRec, 40> KeywordTable{{
    {"procedure", K::Routine, smRoutine, ""},
    {"function", K::Routine, smRoutine, ""},
    {"constructor", K::Routine, smRoutine, ""},
    {"type", K::Type, 0, ""},
    {"var", K::Var, 0, ""},
    {"const", K::Const, 0, ""},
    {"begin", K::Begin, smBegin, ""},
    {"end", K::EndWord, smEnd, "}"},
    {"then", K::StopOrWrite, smThen, "then"},
    {"else", K::StopOrWrite, smElse, "else"},
    {"do", K::StopOrWrite, smDo, "do"},
    {"to", K::StopOrWrite, smTo, "to"},
    {"downto", K::StopOrWrite, smTo, "downto"},
    {"try", K::Try, 0, ""},
    {"except", K::StopOrWrite, smExcept, "except"},
    {"finally", K::StopOrWrite, smExcept, "finally"},
    {"on", K::StopOrWrite, smOn, "on"},
    {"repeat", K::Repeat, 0, ""},
    {"until", K::StopOrWrite, smUntil, "until"},
    {"case", K::Case, 0, ""},
    {"of", K::StopOrWrite, smOf, "of"},
    {"raise", K::Raise, 0, "throw"},
    {"if", K::If, 0, ""},
    {"for", K::For, 0, ""},
    {"while", K::While, 0, ""},
    {"with", K::With, 0, ""},
    {"break", K::Break, 0, ""},
    {"continue", K::Continue, 0, "continue"},
    {"exit", K::Exit, 0, ""},
    {"and", K::And, 0, ""},
    {"or", K::Or, 0, ""},
    {"xor", K::Xor, 0, "^"},
    {"shl", K::Shl, 0, "<<"},
    {"not", K::Not, 0, ""},
    {"div", K::Div, 0, "/"},
    {"mod", K::Mod, 0, "%"},
    {"self", K::Self, 0, "this"},
    {"true", K::True, 0, "true"},
    {"false", K::False, 0, "false"},
    {"ord", K::Ord, 0, ""},
}};
static_assert(KeywordTable.size() == 40, "one row per keyword");

constexpr std::array<TCharAction, 256> MakeCharActions() {
  std::array<TCharAction, 256> a{};
  for (auto& x : a) x = TCharAction::Copy;
  a[0] = TCharAction::End;
  a[':'] = TCharAction::Colon;
  a['='] = TCharAction::Equal;
  a['<'] = TCharAction::Less;
  a['>'] = TCharAction::Greater;
  a['('] = TCharAction::Paren;
  a['['] = TCharAction::Bracket;
  a[')'] = a[','] = a[';'] = a[']'] = TCharAction::Stopper;
  a['#'] = a['\''] = TCharAction::String;
  a['$'] = a['%'] = a['&'] = TCharAction::Number;
  for (int c = '0'; c <= '9'; ++c) a[c] = TCharAction::Number;
  for (int c = 'A'; c <= 'Z'; ++c) a[c] = TCharAction::Word;
  for (int c = 'a'; c <= 'z'; ++c) a[c] = TCharAction::Word;
  a['_'] = TCharAction::Word;
  return a;
}
constexpr std::array<TCharAction, 256> CharActions = MakeCharActions();

// Keyword records by first letter, so a word is compared with a handful of candidates.
struct TKeywordBuckets {
  std::array<std::array<const TKeywordRec*, 8>, 26> Rows{};
  TKeywordBuckets() {
    for (const TKeywordRec& rec : KeywordTable) {
      const unsigned char c = static_cast<unsigned char>(rec.Word[0]);
      if (c < 'a' || c > 'z') continue;
      for (auto& slot : Rows[c - 'a']) {
        if (slot == nullptr) {
          slot = &rec;
          break;
        }
      }
    }
  }
};

[[noreturn]] void TooDeep(int32_t depth) {
  throw scan::EAbort("#P2Js: 入れ子が深すぎます（" + std::to_string(depth) +
                     " 段）。変換を中止しました");
}

// The keyword record of a lower-case word, or nullptr.
const TKeywordRec* FindKeyword(std::string_view lowerWord) {
  static const TKeywordBuckets buckets;
  if (lowerWord.empty()) return nullptr;
  const unsigned char c = static_cast<unsigned char>(lowerWord[0]);
  if (c < 'a' || c > 'z') return nullptr;
  for (const TKeywordRec* rec : buckets.Rows[c - 'a']) {
    if (rec == nullptr) break;
    if (rec->Word.size() != lowerWord.size()) continue;
    size_t i = 1;  // the first letter chose the row
    while (i < lowerWord.size() && rec->Word[i] == lowerWord[i]) ++i;
    if (i == lowerWord.size()) return rec;
  }
  return nullptr;
}

}  // namespace

void TuPas2JavaSc::Translate(const char*& p, TStopSet stop, std::string_view level) {
  // Routine counts the headings it keeps on a stack of its own in FDepth (FRoutines.DepthBias of them).
  if (FDepth - FRoutines.DepthBias >= MaxTranslateDepth) TooDeep(FDepth - FRoutines.DepthBias + 1);
  // Frames differ from rule to rule and from build to build: the stack itself is measured too.
  const char probe = 0;
  const uintptr_t here = reinterpret_cast<uintptr_t>(&probe);
  if (FDepth == 0) FStackBase = here;
  if (FStackBase > here && FStackBase - here > MaxTranslateStack) TooDeep(FDepth - FRoutines.DepthBias + 1);
  ++FDepth;
  struct TDepthGuard {
    int32_t& Depth;
    ~TDepthGuard() { --Depth; }
  } guard{FDepth};

  if (FDebugTags || FDebugConsole) {
    std::string mark = "/*<";
    mark.append(level).append(",").append(std::to_string(FDepth)).append(">*/");
    if (FDebugConsole) EchoToConsole(mark);
    if (FDebugTags) Write(mark);
  }

  while (*p != '\0') {
    if (p >= FTextEnd) return;
    SkipSpace(p, true);
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == 0) {
      FToken.clear();
      return;
    }
    FToken.clear();
    FToken += static_cast<char>(c);
    switch (CharActions[c]) {
      case TCharAction::End:
        return;
      case TCharAction::Copy:
        CopyChar(p);
        break;
      case TCharAction::Colon:
        if (p[1] == '=') {
          p += 2;
          Write("=");
        } else if (stop.Has(':')) {
          return;
        } else {
          CopyChar(p);
        }
        break;
      case TCharAction::Equal:
        ++p;
        Write("==");
        break;
      case TCharAction::Less:
        if (p[1] == '>') {
          p += 2;
          Write("!=");
        } else if (p[1] == '=') {
          p += 2;
          Write("<=");
        } else {
          CopyChar(p);
        }
        break;
      case TCharAction::Greater:
        if (p[1] == '=') {
          p += 2;
          Write(">=");
        } else {
          CopyChar(p);
        }
        break;
      case TCharAction::Paren:
        Parens(p, true);
        break;
      case TCharAction::Bracket:
        Brackets(p);
        break;
      case TCharAction::Stopper:
        if (stop.Has(c)) return;
        CopyChar(p);
        break;
      case TCharAction::String:
        StringLiteral(p);
        break;
      case TCharAction::Number:
        NumberLiteral(p);
        break;
      case TCharAction::Word:
        if (Word(p, stop)) return;
        break;
    }
  }
  FToken.clear();
}

// A word at the cursor: a keyword's action, a standard routine, or a name. True when the run ends.
bool TuPas2JavaSc::Word(const char*& p, TStopSet stop) {
  const char* start = p;
  // A double-byte character inside a word belongs to it: its trail byte may be a letter, and the
  // letters behind it are no name of their own.
  while (scan::WordChars.Has(*p) || (scan::IsLeadByte(*p) && p[1] != '\0')) scan::StepChar(p);
  const std::string_view word(start, static_cast<size_t>(p - start));
  FToken.assign(word);
  for (char& ch : FToken) ch = scan::LowerAscii(ch);
  const TKeywordRec* rec = FindKeyword(FToken);
  if (rec == nullptr) {
    if (!StdRoutine(word, p)) Identifier(word, p);
    return false;
  }
  switch (rec->Action) {
    case K::Routine:
      if (stop.Has(smRoutine)) return true;
      Routine(p);
      return stop.Has(smAfterRoutine);
    case K::Type:
      TypeSection(p);
      return false;
    case K::Var:
      VarSection(p);
      return false;
    case K::Const:
      FDecls.Kind = TDeclKind::Const;
      return false;
    case K::Begin:
      if (stop.Has(smBegin)) return true;
      Block(p, stop.Has(smNoBraces));
      return false;
    case K::EndWord:
    case K::StopOrWrite:
      if (stop.Has(rec->Mark)) return true;
      Write(rec->Text);
      return false;
    case K::Try:
      TryStmt(p);
      return false;
    case K::Repeat:
      Loop(p, &TuPas2JavaSc::RepeatStmt);
      return false;
    case K::Case:
      CaseStmt(p);
      return false;
    case K::If:
      IfStmt(p);
      return false;
    case K::For:
      Loop(p, &TuPas2JavaSc::ForStmt);
      return false;
    case K::While:
      Loop(p, &TuPas2JavaSc::WhileStmt);
      return false;
    case K::With:
      WithStmt(p);
      return false;
    case K::Break:
      BreakStmt();
      return false;
    case K::Exit:
      if (FRoutines.PlainExit) {
        Write("return");
      } else {
        Write("return Result");
        FRoutines.ResultState = -2;
      }
      return false;
    case K::And:
      Write(FLogical ? "&&" : "&");
      return false;
    case K::Or:
      Write(FLogical ? "||" : "|");
      return false;
    case K::Not:
      Write(FLogical ? "!" : "~");
      return false;
    case K::Ord:
      OrdCall(p);
      return false;
    case K::Raise:
    case K::Continue:
    case K::Xor:
    case K::Shl:
    case K::Div:
    case K::Mod:
    case K::Self:
    case K::True:
    case K::False:
      Write(rec->Text);
      return false;
  }
  return false;
}

}  // namespace pas2js
