#pragma once
// The clipboard's text. Windows: the clipboard itself. POSIX: the desktop's clipboard through
// its command-line tools; without a display or a tool there is no clipboard.

#include <memory>
#include <string>

namespace platform {

class TTextBoundary;

class TClipboard {
 public:
  virtual ~TClipboard() = default;
  /// The clipboard's text (inside text) up to its first zero byte; empty when there is none.
  /// What code page 932 lacks comes in as stand-ins (platform/StandIns.h); only a text that needs
  /// more stand-ins than are left raises scan::EEncodingError naming "clipboard".
  virtual std::string GetClipboardText() = 0;
  /// Puts the text (inside text) on the clipboard; false when there is no clipboard to write to
  /// or the write failed.
  virtual bool SetClipboardText(const std::string& text) = 0;
  /// When a display is there but no tool to reach its clipboard: what to install, as it goes in
  /// a sentence ("wl-clipboard", "xclip or xsel"; English, for the message catalogs); empty otherwise, and always where the
  /// clipboard needs no tool.
  virtual std::string MissingTool() { return {}; }
};

/// The system's clipboard; the texts it takes in and hands out cross `text`, which outlives it.
std::unique_ptr<TClipboard> NewSystemClipboard(TTextBoundary& text);

}  // namespace platform
