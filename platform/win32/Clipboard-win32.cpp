// The Windows clipboard's text (CF_TEXT): code page 932 bytes, handed over unchanged. The
// clipboard is opened and closed within each operation, never held across an evaluation.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/Clipboard.h"

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

class TWin32Clipboard : public TClipboard {
 public:
  std::string GetClipboardText() override {
    TClipboardSession clipboard;
    if (!clipboard.Open()) return {};
    HANDLE data = ::GetClipboardData(CF_TEXT);
    if (!data) return {};
    TGlobalLock lock(data);
    if (!lock.Data()) return {};
    // Up to the first zero byte, and never past the block when another program left none.
    return std::string(lock.Data(), ::strnlen(lock.Data(), ::GlobalSize(data)));
  }

  bool SetClipboardText(const std::string& text) override {
    TClipboardSession clipboard;
    if (!clipboard.Open()) return false;
    ::EmptyClipboard();
    TGlobalBlock block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1));
    if (!block.Get()) return false;
    TGlobalLock lock(block.Get());
    if (!lock.Data()) return false;
    std::memcpy(lock.Data(), text.c_str(), text.size() + 1);
    // Handed over while still locked; the lock is released after, and the clipboard owns the
    // block from here on. On failure the block is freed here.
    if (!::SetClipboardData(CF_TEXT, block.Get())) return false;
    block.Release();
    return true;
  }
};

TClipboard* gFake = nullptr;

}  // namespace

TClipboard& Clipboard() {
  static TWin32Clipboard real;
  return gFake ? *gFake : real;
}

void SetClipboard(TClipboard* fake) { gFake = fake; }

}  // namespace platform
