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

/// The console output for the converter's echo. It is opened by name rather than taken from the
/// standard output, which may be redirected and carry the result; it stays open until the
/// process ends, like the console itself.
class TEchoOutput {
 public:
  TEchoOutput() {
    ::AllocConsole();
    FHandle = ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  ~TEchoOutput() {
    if (FHandle != INVALID_HANDLE_VALUE) ::CloseHandle(FHandle);
  }
  TEchoOutput(TEchoOutput&& o) noexcept : FHandle(o.FHandle) { o.FHandle = INVALID_HANDLE_VALUE; }
  TEchoOutput& operator=(TEchoOutput&&) = delete;
  TEchoOutput(const TEchoOutput&) = delete;
  TEchoOutput& operator=(const TEchoOutput&) = delete;

  void Write(const std::string& text) {
    if (FHandle != INVALID_HANDLE_VALUE) WriteConsoleBytes(FHandle, text.data(), text.size());
  }

 private:
  HANDLE FHandle = INVALID_HANDLE_VALUE;
};

TConsole* gFake = nullptr;

}  // namespace

TConsole& Console() {
  static TWin32Console real;
  return gFake ? *gFake : real;
}

void SetConsole(TConsole* fake) { gFake = fake; }

namespace {
bool gDebugEchoOff = false;
}  // namespace

void SetDebugEchoOff(bool off) { gDebugEchoOff = off; }

void WriteDebugEcho(const std::string& text) {
  if (gDebugEchoOff) return;
  static TEchoOutput echo;
  echo.Write(text);
}

}  // namespace platform
