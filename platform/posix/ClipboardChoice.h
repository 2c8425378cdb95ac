#pragma once
// Which clipboard a POSIX desktop offers, and through which tools: decided from the environment,
// the Wayland display's socket and PATH, without starting any tool.

#include <memory>
#include <string>

#include "platform/Clipboard.h"

namespace platform::posix {

enum class TClipboardKind { None, Wayland, Xclip, Xsel };

struct TClipboardChoice {
  TClipboardKind Kind = TClipboardKind::None;
  std::string Reader;   // the file of the tool that prints the clipboard
  std::string Writer;   // the file of the tool that takes the new text
  std::string Missing;  // Kind None: what to install for the display there is; empty without one
};

/// Wayland when WAYLAND_DISPLAY names a socket that accepts a connection and wl-paste and wl-copy
/// are on PATH; else X11 when DISPLAY is set and xclip, else xsel, is on PATH; else none.
TClipboardChoice ChooseClipboard();

/// The socket WAYLAND_DISPLAY names: itself when absolute, else under XDG_RUNTIME_DIR; empty
/// when either variable it needs is unset or empty.
std::string WaylandSocketPath();

/// True when a server listens on the Unix socket at `path` (a connection is made and dropped).
bool SocketAccepts(const std::string& path);

/// The file that running `tool` would start: the first executable regular file of that name in
/// a PATH folder (the system's default path when PATH is unset); empty when there is none.
std::string FindOnPath(const std::string& tool);

/// A clipboard through the tools: it chooses them at its first use and keeps that choice, and
/// ends a tool that runs longer than `timeLimit` milliseconds; texts cross `text`.
std::unique_ptr<TClipboard> NewToolClipboard(TTextBoundary& text, long long timeLimit);

}  // namespace platform::posix
