#pragma once
// A Win32 file handle that closes itself; shared by the Windows twins.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>

namespace platform::win32 {

/// Move-only owner of a handle from CreateFile; closing never throws.
class TFileHandle {
 public:
  explicit TFileHandle(HANDLE h = INVALID_HANDLE_VALUE) : FHandle(h) {}
  ~TFileHandle() { Close(); }
  TFileHandle(TFileHandle&& o) noexcept : FHandle(o.FHandle) { o.FHandle = INVALID_HANDLE_VALUE; }
  TFileHandle& operator=(TFileHandle&& o) noexcept {
    if (this != &o) {
      Close();
      FHandle = o.FHandle;
      o.FHandle = INVALID_HANDLE_VALUE;
    }
    return *this;
  }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;

  bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return FHandle; }
  /// Closes now; false (last error set) when the close fails.
  bool Close() {
    if (!Valid()) return true;
    HANDLE h = FHandle;
    FHandle = INVALID_HANDLE_VALUE;
    return ::CloseHandle(h) != 0;
  }

 private:
  HANDLE FHandle;
};

/// Writes all `n` bytes to `file`, a gigabyte at most per call; false (last error set) on failure.
inline bool WriteAll(HANDLE file, const char* p, size_t n) {
  while (n > 0) {
    DWORD chunk = n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n);
    DWORD written = 0;
    if (!::WriteFile(file, p, chunk, &written, nullptr) || written == 0) return false;
    p += written;
    n -= written;
  }
  return true;
}

}  // namespace platform::win32
