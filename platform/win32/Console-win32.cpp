// The console on Windows: the program is a windowed application, so a console exists only once it
// has been allocated. Lines are read and written as code page 932 bytes, unchanged.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <optional>
#include <string>

#include "platform/Console.h"

namespace platform {
namespace {

// One console read: the typed line with its CR LF, or a piece of a longer line.
constexpr DWORD ConsoleBufferSize = 16384;

/// Writes all bytes to a console output handle; gives up quietly when the console refuses.
void WriteConsoleBytes(HANDLE out, const char* p, size_t n) {
  while (n > 0) {
    DWORD chunk = n > 0x8000u ? 0x8000u : static_cast<DWORD>(n);
    DWORD written = 0;
    if (!::WriteConsoleA(out, p, chunk, &written, nullptr) || written == 0) return;
    p += written;
    n -= written;
  }
}

class TWin32Console : public TConsole {
 public:
  explicit TWin32Console(TStateStore& state) { (void)state; }  // no history kept here

  void Open() override { ::AllocConsole(); }

  std::optional<std::string> ReadConsoleLine() override {
    std::string buffer(ConsoleBufferSize, '\0');
    DWORD got = 0;
    // A failed read (no console, or the console has gone) delivers no count; an empty one
    // cannot come from a typed line. Both end the loop instead of reading again at once.
    if (!::ReadConsoleA(::GetStdHandle(STD_INPUT_HANDLE), buffer.data(), ConsoleBufferSize - 1,
                        &got, nullptr) ||
        got == 0)
      return std::nullopt;
    buffer.resize(got);
    return buffer;
  }

  void WriteConsoleLine(const std::string& text) override {
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    WriteConsoleBytes(out, text.data(), text.size());
    WriteConsoleBytes(out, "\r\n", 2);
  }
};

/// The console output for the converter's echo, allocated and opened at the first echo. It is
/// opened by name rather than taken from the standard output, which may be redirected and carry
/// the result; it stays open as long as the echo, like the console itself.
class TConsoleEcho : public TDebugEcho {
 public:
  TConsoleEcho() = default;
  ~TConsoleEcho() override {
    if (FHandle != INVALID_HANDLE_VALUE) ::CloseHandle(FHandle);
  }
  TConsoleEcho(const TConsoleEcho&) = delete;
  TConsoleEcho& operator=(const TConsoleEcho&) = delete;

  void WriteDebugEcho(const std::string& text) override {
    if (!FOpened) {
      FOpened = true;
      ::AllocConsole();
      FHandle = ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    if (FHandle != INVALID_HANDLE_VALUE) WriteConsoleBytes(FHandle, text.data(), text.size());
  }

 private:
  bool FOpened = false;
  HANDLE FHandle = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<TConsole> NewSystemConsole(TStateStore& state, TTextBoundary& /*text*/,
                                           TErrorReport& /*report*/) {
  return std::make_unique<TWin32Console>(state);
}

std::unique_ptr<TDebugEcho> NewSystemDebugEcho(TTextBoundary& /*text*/) {
  return std::make_unique<TConsoleEcho>();
}

}  // namespace platform
