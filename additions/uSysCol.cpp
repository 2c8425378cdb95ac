// The system colour addition: label access for display elements and colour names, the pending
// changes, the listing and the #scol directive with its scheme files.

#include "additions/uSysCol.h"

#include <cstdio>
#include <span>

#include "engine/FloatOps.h"
#include "platform/Services.h"
#include "platform/Encoding.h"
#include "scan/Exceptions.h"
#include "scan/uAnsiCharTools.h"

namespace additions {
namespace {

constexpr std::string_view HelpText =
    "#scolのみなら　現在の設定値が読まれ\r\n"
    "#scol name で  SysColorにname.scol.txtを設定する\r\n"
    "#scol +name で nameに現在の設定値を書き出す\r\n"
    "#scol -name で nameを削除する";

// A scheme name: digits, '@', letters and double-byte characters; no '_', no '.', no separator,
// so the file it names always stays in the scheme folder.
constexpr scan::CharSet SchemeNameChars =
    scan::CharSet::Range('0', '9') + scan::CharSet::Range(0x40, 0x5A) + scan::CharSet::Range('a', 'z');
// What may follow the scheme name (after blanks): the end of the line or another directive.
constexpr scan::CharSet SchemeNameEnd{'\0', '\n', '\r', '#'};
constexpr scan::CharSet TrailBytes = scan::CharSet::Range(0x40, 0x7E) + scan::CharSet::Range(0x80, 0xFC);

constexpr std::string_view SchemeExtension = ".scol.txt";
constexpr size_t NameColumn = 24;
constexpr size_t CommentColumn = 40;

// The name reader takes a lead byte with whatever byte follows it; only a real trail byte makes
// a double-byte character of the name (a line end or a '/' behind a lead byte does not).
bool DoubleBytesWellFormed(std::string_view name) {
  for (size_t i = 0; i < name.size(); ++i) {
    if (!scan::IsLeadByte(name[i])) continue;
    if (i + 1 >= name.size() || !TrailBytes.Has(name[i + 1])) return false;
    ++i;
  }
  return true;
}

// A stand-in in the name may carry a control character (a NUL, a line break) that only the
// system's spelling of the name shows: such a name would cut or bend the scheme file's name.
bool SpelledWithoutControls(std::string_view name, platform::TTextBoundary& text) {
  for (char c : text.ExportName(name))
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return true;
}

void PadTo(std::string& line, size_t width) {
  if (line.size() < width) line.append(width - line.size(), ' ');
}

}  // namespace

std::string ColorName(uint32_t value) {
  for (const TColorConstant& c : ColorConstants)
    if (c.Value == value) return std::string(c.Name);
  char text[16];
  std::snprintf(text, sizeof text, "$%6.6X", static_cast<unsigned>(value));
  return text;
}

std::string SysColorListing(platform::TSysColorStore& colors) {
  std::string listing;
  for (const TSysColorElement& e : SysColorElements) {
    std::string line(e.Name);
    PadTo(line, NameColumn);
    line += '=';
    line += ColorName(colors.GetSysColor(e.Index));
    PadTo(line, CommentColumn);
    line += "//";
    line += e.Description;
    if (!listing.empty()) listing += "\r\n";
    listing += line;
  }
  return listing;
}

bool TuSysColor::DoLabel(std::string_view name, Extended& value, engine::TLabelMode mode) {
  // Colour names ("cl...") and element names ("COLOR_...") both begin with a C of either case;
  // nearly every label of a sheet is turned away by its first byte.
  if (name.empty() || (name[0] | 0x20) != 'c') return false;
  if (const TColorConstant* c = FindColorConstant(name)) {
    if (mode != engine::TLabelMode::Read) FEngine->FailLine(std::string(name) + ":const");
    value = c->Value;
    return true;
  }
  const TSysColorElement* e = FindSysColorElement(name);
  if (!e) return false;
  switch (mode) {
    case engine::TLabelMode::Assign:
      // Low 32 bits of the rounded value: a colour value is an unsigned 32-bit number.
      Schedule(e->Index, static_cast<uint32_t>(static_cast<uint64_t>(engine::RoundToInt64(value))));
      return true;
    case engine::TLabelMode::Read:
      for (int32_t i = 0; i < FPendingCount; ++i) {
        if (FPendingElements[static_cast<size_t>(i)] == e->Index) {
          value = FPendingValues[static_cast<size_t>(i)];
          return true;
        }
      }
      value = FServices.SysColors.GetSysColor(e->Index);
      return true;
    case engine::TLabelMode::Add:
      break;
  }
  FEngine->FailLine("++/-- ng " + std::string(name));
}

void TuSysColor::Schedule(int32_t index, uint32_t value) {
  for (int32_t i = 0; i < FPendingCount; ++i) {
    if (FPendingElements[static_cast<size_t>(i)] == index) {
      FPendingValues[static_cast<size_t>(i)] = value;
      return;
    }
  }
  // The table has fewer distinct indexes than entries, so a new index always finds room.
  FPendingElements[static_cast<size_t>(FPendingCount)] = index;
  FPendingValues[static_cast<size_t>(FPendingCount)] = value;
  ++FPendingCount;
}

void TuSysColor::ApplyPending() {
  if (FPendingCount <= 0) return;
  size_t count = static_cast<size_t>(FPendingCount);
  FPendingCount = 0;
  FServices.SysColors.SetSysColors(
      std::span<const int32_t>(FPendingElements.data(), count),
      std::span<const uint32_t>(FPendingValues.data(), count));
}

void TuSysColor::Notify(engine::TNotifyPhase phase) {
  if (phase == engine::TNotifyPhase::PassBegins) FPendingCount = 0;
  if (phase == engine::TNotifyPhase::PassEnded) ApplyPending();
}

bool TuSysColor::Directive(const std::string& name, const char*& cursor) {
  if (name.empty() || scan::SameTextAscii(name, "h")) FEngine->WriteNote(HelpText);
  if (!scan::SameTextAscii(name, DirectiveName)) return false;
  SchemeCommand(name, cursor);
  return true;
}

void TuSysColor::SchemeCommand(const std::string& word, const char*& cursor) {
  char sign = 0;
  if (*cursor == '+' || *cursor == '-') sign = *cursor++;  // the sign byte
  scan::SkipCharSet(cursor, scan::BlankChars);
  std::string scheme;
  scan::ReadWhileCharSetMB(cursor, SchemeNameChars, scheme);
  scan::SkipCharSet(cursor, scan::BlankChars);
  if (!SchemeNameEnd.Has(*cursor) || !DoubleBytesWellFormed(scheme) ||
      !SpelledWithoutControls(scheme, FServices.Text))
    FEngine->FailLine("#" + word + " " + scheme + "??");
  if (scheme.empty()) {
    if (sign) FEngine->FailLine("#" + word + "?");
    FEngine->WriteLine(SysColorListing(FServices.SysColors));
    return;
  }

  platform::TFileSystem& files = FServices.Files;
  switch (sign) {
    case '+':
      try {
        files.SaveTextFile(files.ProgramFolder(true) + scheme + std::string(SchemeExtension),
                           SysColorListing(FServices.SysColors));
      } catch (const scan::EInOutError& e) {
        FEngine->FailLine(e.Message());
      }
      return;
    case '-': {
      std::string fileName = files.ProgramFolder(false) + scheme + std::string(SchemeExtension);
      // A missing file is no error; a failed deletion is not reported either.
      if (files.FileExists(fileName)) files.DeleteFile(fileName);
      return;
    }
    default: {
      std::string text = files.LoadTextFile(files.ProgramFolder(false) + scheme + std::string(SchemeExtension));
      FServices.Text.TakeByteOrderMark(text);  // an editor may have put one in front
      if (text.empty()) FEngine->FailLine("#" + word + "?");
      FEngine->EvaluateText(text);
      // A loaded scheme takes effect at once, not at the end of the pass.
      ApplyPending();
      return;
    }
  }
}

}  // namespace additions
