// The standard streams on Windows. The program is a windowed application: the handles exist when
// the caller redirected them (a pipe or a file), and are missing otherwise, which reads as empty
// input and failed writes.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/StdStreams.h"
#include "platform/win32/FileHandle.h"

namespace platform {
namespace {

/// A standard handle, or nullptr when the process has none.
HANDLE StdHandle(DWORD which) {
  HANDLE h = ::GetStdHandle(which);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

/// The whole text to the standard handle `which`; false when there is none or a write failed.
bool WriteToStdHandle(DWORD which, std::string_view bytes) {
  HANDLE h = StdHandle(which);
  return h != nullptr && win32::WriteAll(h, bytes.data(), bytes.size());
}

class TWin32StdStreams : public TStdStreams {
 public:
  std::string ReadStandardInput() override {
    std::string bytes;
    HANDLE in = StdHandle(STD_INPUT_HANDLE);
    if (!in) return bytes;
    char buffer[65536];
    DWORD got = 0;
    // The end of a pipe shows as a failed read (broken pipe), the end of a file as zero bytes.
    while (::ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
  }

  size_t ReadStandardInputSome(char* buffer, size_t size) override {
    HANDLE in = StdHandle(STD_INPUT_HANDLE);
    DWORD got = 0;
    DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    if (!in || !::ReadFile(in, buffer, chunk, &got, nullptr)) return 0;
    return got;
  }

  bool WriteStandardOutput(std::string_view bytes) override {
    return WriteToStdHandle(STD_OUTPUT_HANDLE, bytes);
  }
};

}  // namespace

std::unique_ptr<TStdStreams> NewSystemStdStreams(TTextBoundary& /*text*/) {
  return std::make_unique<TWin32StdStreams>();
}

}  // namespace platform
