// The character cursor primitives. Every loop here is one forward pass over the text; a set test
// is one bit lookup, and the only allocation is the result text a reader hands back.

#include "scan/uAnsiCharTools.h"

#include "scan/Exceptions.h"

namespace scan {

namespace {

[[noreturn]] void RaiseNoSeparator() { throw EAbort(" not find separator "); }

/// Position of the first character start at or behind `p` where `separator` begins, or nullptr.
const char* FindSeparator(const char* p, std::string_view separator) {
  const char first = separator.front();
  for (; *p != '\0'; StepChar(p)) {
    if (*p == first && TextStartsWith(p, separator)) return p;
  }
  return nullptr;
}

}  // namespace

bool SkipMultiByteChar(const char*& p) {
  const char c = *p;
  if (!LeadByteTable.Lead.Has(c)) return false;
  int length = 1;
  if (LeadByteTable.Two.Has(c)) {
    length = 2;
  } else if (LeadByteTable.Three.Has(c)) {
    length = 3;
  } else if (LeadByteTable.Four.Has(c)) {
    length = 4;
  }
  // A character cut short by the terminator ends where the text ends.
  int taken = 1;
  while (taken < length && p[taken] != '\0') ++taken;
  p += taken;
  return true;
}

void ReadUntilCharSet(const char*& p, const CharSet& set, std::string& text) {
  text.assign(SkipUntilCharSet(p, set));
}

void ReadToSeparator(const char*& p, std::string_view separator, std::string& text) {
  if (separator.empty()) RaiseNoSeparator();
  const char* found = FindSeparator(p, separator);
  if (found == nullptr) {
    text.clear();
    return;
  }
  text.assign(p, found);
  p = found + separator.size();
}

bool MatchAnyText(const char* pos, std::span<const std::string_view> list, int* index) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (TextStartsWith(pos, list[i])) {
      if (index != nullptr) *index = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

bool MatchAnyText(const char* pos, std::initializer_list<std::string_view> list, int* index) {
  return MatchAnyText(pos, std::span<const std::string_view>(list.begin(), list.size()), index);
}

bool SkipPastAnySeparator(const char*& p, std::span<const std::string_view> list, int* index) {
  if (list.empty()) RaiseNoSeparator();
  // Only a character start whose byte opens some entry needs the full comparison.
  CharSet firstBytes;
  bool endMatches = false;
  for (std::string_view s : list) {
    if (s.empty()) {
      endMatches = true;
    } else {
      firstBytes.Add(static_cast<unsigned char>(s.front()));
    }
  }
  const char* q = p;
  for (; *q != '\0'; StepChar(q)) {
    if (!firstBytes.Has(*q)) continue;
    for (size_t i = 0; i < list.size(); ++i) {
      if (!list[i].empty() && TextStartsWith(q, list[i])) {
        if (index != nullptr) *index = static_cast<int>(i);
        p = q + list[i].size();
        return true;
      }
    }
  }
  if (!endMatches) return false;
  p = q;
  return true;
}

bool SkipPastAnySeparator(const char*& p, std::initializer_list<std::string_view> list,
                          int* index) {
  return SkipPastAnySeparator(p, std::span<const std::string_view>(list.begin(), list.size()),
                              index);
}

bool SkipPastText(const char*& p, const char* end, std::string_view separator) {
  if (separator.empty()) RaiseNoSeparator();
  const char first = separator.front();
  for (const char* q = FindCharStart(p, end, first, first); *q != '\0';
       q = FindCharStart(q, end, first, first)) {
    if (TextStartsWith(q, separator)) {
      p = q + separator.size();
      return true;
    }
    StepChar(q);
  }
  return false;
}

void ReadWhileCharSet(const char*& p, const CharSet& set, std::string& text) {
  text.assign(SkipWhileCharSet(p, set));
}

void ReadWhileCharSetMB(const char*& p, const CharSet& set, std::string& text) {
  text.assign(SkipWhileCharSetMB(p, set));
}

void SkipBlanksAndComments(const char*& p, const CharSet& set) {
  for (;;) {
    SkipCharSet(p, set);
    if (p[0] != '/') return;
    if (p[1] == '/') {
      // The line break stays for the next round's set.
      SkipUntilCharSet(p, LineEndChars);
    } else if (p[1] == '*') {
      // The search for "*/" starts on the opening '/', so "/*/" closes itself.
      const char* close = FindSeparator(p, "*/");
      if (close == nullptr) {
        while (*p != '\0') ++p;
        return;
      }
      p = close + 2;
    } else {
      return;
    }
  }
}

}  // namespace scan
