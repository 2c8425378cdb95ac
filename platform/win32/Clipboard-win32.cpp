// The Windows clipboard's text. Read as CF_UNICODETEXT when the clipboard holds that format ahead
// of CF_TEXT (converted with the run's stand-ins, so nothing outside code page 932 is lost), else
// as CF_TEXT, whose code page 932 bytes are the text. Written as CF_UNICODETEXT and, behind it, as
// CF_TEXT holding the text's own bytes: a program that reads CF_TEXT gets exactly what it got
// before (a text Windows made from the Unicode form could differ, for code page 932's duplicate
// codes such as ED40 and FA5C). Where the ANSI code page is another, CF_TEXT is in that code page:
// it is read through UTF-16 like CF_UNICODETEXT, and Windows makes it from the Unicode form. The
// clipboard is opened and closed within each operation, never held across an evaluation.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "platform/Clipboard.h"
#include "platform/Encoding.h"
#include "platform/win32/WideText.h"

namespace platform {
namespace {

/// The clipboard, open (with no owner window) while this object lives; move-only. Another
/// program may hold the clipboard for a moment, so opening is tried a few times.
class TClipboardSession {
 public:
  TClipboardSession() {
    for (int attempt = 0; attempt < 10 && !FOpen; ++attempt) {
      if (attempt > 0) ::Sleep(20);
      FOpen = ::OpenClipboard(nullptr) != 0;
    }
  }
  ~TClipboardSession() {
    if (FOpen) ::CloseClipboard();
  }
  TClipboardSession(TClipboardSession&& o) noexcept : FOpen(o.FOpen) { o.FOpen = false; }
  TClipboardSession& operator=(TClipboardSession&&) = delete;
  TClipboardSession(const TClipboardSession&) = delete;
  TClipboardSession& operator=(const TClipboardSession&) = delete;
  bool Open() const { return FOpen; }

 private:
  bool FOpen = false;
};

/// A global memory block that is freed unless it has been handed over; move-only.
class TGlobalBlock {
 public:
  explicit TGlobalBlock(HGLOBAL block) : FBlock(block) {}
  ~TGlobalBlock() {
    if (FBlock) ::GlobalFree(FBlock);
  }
  TGlobalBlock(TGlobalBlock&& o) noexcept : FBlock(o.FBlock) { o.FBlock = nullptr; }
  TGlobalBlock& operator=(TGlobalBlock&&) = delete;
  TGlobalBlock(const TGlobalBlock&) = delete;
  TGlobalBlock& operator=(const TGlobalBlock&) = delete;
  HGLOBAL Get() const { return FBlock; }
  /// The block now belongs to someone else (the clipboard); it is no longer freed here.
  void Release() { FBlock = nullptr; }

 private:
  HGLOBAL FBlock;
};

/// A global memory block, locked while this object lives; move-only.
class TGlobalLock {
 public:
  explicit TGlobalLock(HGLOBAL block)
      : FBlock(block), FData(block ? static_cast<char*>(::GlobalLock(block)) : nullptr) {}
  ~TGlobalLock() {
    if (FData) ::GlobalUnlock(FBlock);
  }
  TGlobalLock(TGlobalLock&& o) noexcept : FBlock(o.FBlock), FData(o.FData) { o.FData = nullptr; }
  TGlobalLock& operator=(TGlobalLock&&) = delete;
  TGlobalLock(const TGlobalLock&) = delete;
  TGlobalLock& operator=(const TGlobalLock&) = delete;
  char* Data() const { return FData; }

 private:
  HGLOBAL FBlock;
  char* FData;
};

/// True when the clipboard (open) offers CF_UNICODETEXT ahead of CF_TEXT. Formats a program put
/// on the clipboard come before those Windows makes from them, so a text put there as CF_TEXT
/// only is read as it was put.
bool UnicodeFirst() {
  for (UINT format = ::EnumClipboardFormats(0); format != 0;
       format = ::EnumClipboardFormats(format)) {
    if (format == CF_UNICODETEXT) return true;
    if (format == CF_TEXT) return false;
  }
  return false;
}

class TWin32Clipboard : public TClipboard {
 public:
  explicit TWin32Clipboard(TTextBoundary& text) : FText(text) {}

  std::string GetClipboardText() override {
    std::wstring wide;
    {
      TClipboardSession clipboard;
      if (!clipboard.Open()) return {};
      if (!UnicodeFirst()) {
        std::string ansi = AnsiText();
        if (::GetACP() == win32::CodePage932) return ansi;
        wide = Widen(ansi);
      } else {
        HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
        if (!data) return {};
        TGlobalLock lock(data);
        if (!lock.Data()) return {};
        const auto* units = reinterpret_cast<const wchar_t*>(lock.Data());
        wide.assign(units, ::wcsnlen(units, ::GlobalSize(data) / sizeof(wchar_t)));
      }
    }
    return win32::ImportWideText(FText.StandIns(), wide, "clipboard");
  }

  bool SetClipboardText(const std::string& text) override {
    const std::wstring wide = win32::ExportWideText(FText.StandIns(), text);
    TClipboardSession clipboard;
    if (!clipboard.Open()) return false;
    ::EmptyClipboard();
    // The Unicode form first: the format put first is the one GetClipboardText reads.
    if (!Put(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t))) return false;
    return ::GetACP() != win32::CodePage932 || Put(CF_TEXT, text.c_str(), text.size() + 1);
  }

 private:
  /// Puts `size` bytes at `data` on the open clipboard as `format`.
  static bool Put(UINT format, const void* data, size_t size) {
    TGlobalBlock block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size));
    if (!block.Get()) return false;
    TGlobalLock lock(block.Get());
    if (!lock.Data()) return false;
    std::memcpy(lock.Data(), data, size);
    // Handed over while still locked; the lock is released after, and the clipboard owns the
    // block from here on. On failure the block is freed here.
    if (!::SetClipboardData(format, block.Get())) return false;
    block.Release();
    return true;
  }

  /// CF_TEXT in the ANSI code page as UTF-16.
  static std::wstring Widen(const std::string& ansi) {
    std::wstring wide(ansi.size(), L'\0');
    if (ansi.empty()) return wide;
    const int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                        wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return wide;
  }

  /// The CF_TEXT of the open clipboard: bytes in the ANSI code page, as they are.
  static std::string AnsiText() {
    HANDLE data = ::GetClipboardData(CF_TEXT);
    if (!data) return {};
    TGlobalLock lock(data);
    if (!lock.Data()) return {};
    // Up to the first zero byte, and never past the block when another program left none.
    return std::string(lock.Data(), ::strnlen(lock.Data(), ::GlobalSize(data)));
  }

  TTextBoundary& FText;
};

}  // namespace

std::unique_ptr<TClipboard> NewSystemClipboard(TTextBoundary& text) {
  return std::make_unique<TWin32Clipboard>(text);
}

}  // namespace platform
