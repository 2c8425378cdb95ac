#pragma once
// The system boundary for text. Inside, every text is code page 932 with CR LF line ends; outside
// (on POSIX) it is UTF-8 with LF line ends. On Windows line ends stay as they are, and a text is
// UTF-8 or the system's ANSI code page (platform/TextKind.h): with the ANSI code page 932 a text
// in it passes byte for byte. Nothing is lost on the way: what code page 932 lacks travels inside
// as one of the run's stand-ins (platform/StandIns.h), and export gives back exactly what each
// stands for.

#include <memory>
#include <string>
#include <string_view>

#include "platform/StandIns.h"

namespace platform {

/// The boundary one run's texts cross, with the run's table of stand-ins (and, where the system
/// needs them, its converters). One per run: every text the run imports and exports shares the
/// table, so a stand-in given out on the way in is known again on the way out.
class TTextBoundary {
 public:
  TTextBoundary();
  ~TTextBoundary();
  TTextBoundary(const TTextBoundary&) = delete;
  TTextBoundary& operator=(const TTextBoundary&) = delete;

  /// Outside text -> inside text: UTF-8 to code page 932, LF to CR LF (CR LF and a lone CR stay).
  /// Windows: UTF-8 or the ANSI code page by platform/TextKind.h's rule, line ends as they are.
  /// A character code page 932 has no code for (a leading byte order mark included), a byte that is
  /// not part of valid UTF-8, and NUL become stand-ins. Only when no stand-in is left does it raise
  /// scan::EEncodingError naming `source` (a file name, "standard input", "clipboard"; itself
  /// outside text) and the line and column (columns in characters, counted from 1; lines counted
  /// from `firstLine`).
  std::string ImportText(std::string_view outside, std::string_view source, long firstLine = 1);

  /// Inside text -> outside text: code page 932 to UTF-8, CR LF to LF; a stand-in gives back what
  /// it stands for. A byte that starts no code page 932 character (a lead byte that makes none
  /// with the byte behind it) becomes U+FFFD, and the byte behind it is converted on its own,
  /// whatever it is; never fails.
  /// Windows: in the encoding of the last text ImportText took that was not plain ASCII (the ANSI
  /// code page before any), line ends as they are; UTF-8 from the first text on that the code
  /// page cannot hold.
  std::string ExportText(std::string_view inside);

  /// Text that is UTF-8 on every system (the language server's documents) -> inside text. POSIX:
  /// ImportText. Windows: UTF-8 to code page 932 with stand-ins as for ImportText, line ends as
  /// they are; raises scan::EEncodingError naming `source` only when no stand-in is left.
  std::string ImportUtf8Text(std::string_view utf8, std::string_view source);

  /// Inside text -> UTF-8 on every system. POSIX: ExportText. Windows: code page 932 to UTF-8, line
  /// ends as they are; never fails.
  std::string ExportUtf8Text(std::string_view inside);

  /// A name from outside (a command-line argument, a path) as inside text, with stand-ins as for
  /// ImportText; raises scan::EEncodingError naming `source` only when no stand-in is left.
  std::string ImportName(std::string_view outside, std::string_view source);

  /// An inside name (a file name from a sheet) as the operating system spells it.
  std::string ExportName(std::string_view inside);

  /// Inside text -> bytes that a later run takes back with ImportKeptText (the clipboard text that
  /// --undo puts back), so they must not depend on this run's stand-ins. POSIX: the outside text.
  /// Windows: a tag byte, then the code page 932 bytes ('A') or, when the text holds a stand-in,
  /// its UTF-16 form ('W').
  std::string ExportKeptText(std::string_view inside);

  /// What ExportKeptText made, as inside text again; `source` names it in an error message.
  std::string ImportKeptText(std::string_view kept, std::string_view source);

  /// Takes the stand-in of a leading byte order mark (U+FEFF) off an imported text: it is removed
  /// from `inside` and returned (export turns it back into the mark); empty when there is none.
  /// The mark is no part of a sheet: the host puts it in front of the sheet's output.
  std::string TakeByteOrderMark(std::string& inside) const {
    return FStandIns.TakeByteOrderMark(inside);
  }

  /// The run's stand-ins.
  TStandIns& StandIns() { return FStandIns; }
  const TStandIns& StandIns() const { return FStandIns; }

 private:
  struct TConverters;  // the system's own, opened on first use
  TStandIns FStandIns;
  std::unique_ptr<TConverters> FConverters;
};

}  // namespace platform
