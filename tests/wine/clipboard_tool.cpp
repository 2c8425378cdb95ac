// The Windows clipboard for the Wine tests, byte for byte and without any translation:
//   clipboard_tool set FILE    the file's bytes become the clipboard's text (CF_TEXT)
//   clipboard_tool get FILE    the clipboard's text up to its zero byte goes to FILE;
//                              exit status 3 when the clipboard holds no text
//   clipboard_tool setw FILE   the file's UTF-8 text becomes the clipboard's CF_UNICODETEXT
//   clipboard_tool getw FILE   the clipboard's CF_UNICODETEXT, as UTF-8, goes to FILE; exit
//                              status 3 when there is none, 4 when it was made from CF_TEXT
//   clipboard_tool clear       empties the clipboard
// Exit status 0 on success, 2 on a usage error, 1 when a Windows call fails.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

/// The clipboard, open while this object lives. Wine's clipboard may be busy for a moment when
/// another process has just closed it, so opening is retried briefly.
class TClipboardSession {
 public:
  TClipboardSession() {
    for (int i = 0; i < 50 && !FOpen; ++i) {
      FOpen = ::OpenClipboard(nullptr) != 0;
      if (!FOpen) ::Sleep(20);
    }
  }
  ~TClipboardSession() {
    if (FOpen) ::CloseClipboard();
  }
  TClipboardSession(const TClipboardSession&) = delete;
  TClipboardSession& operator=(const TClipboardSession&) = delete;
  bool Open() const { return FOpen; }

 private:
  bool FOpen = false;
};

bool ReadFileBytes(const char* name, std::string& bytes) {
  FILE* f = std::fopen(name, "rb");
  if (!f) return false;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

bool WriteFileBytes(const char* name, const std::string& bytes) {
  FILE* f = std::fopen(name, "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

int Fail(const char* what) {
  std::fprintf(stderr, "clipboard_tool: %s failed (error %lu)\n", what, ::GetLastError());
  return 1;
}

int SetText(const std::string& text) {
  TClipboardSession clipboard;
  if (!clipboard.Open()) return Fail("OpenClipboard");
  if (!::EmptyClipboard()) return Fail("EmptyClipboard");
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (!block) return Fail("GlobalAlloc");
  char* p = static_cast<char*>(::GlobalLock(block));
  if (!p) {
    ::GlobalFree(block);
    return Fail("GlobalLock");
  }
  std::memcpy(p, text.c_str(), text.size() + 1);
  ::GlobalUnlock(block);
  if (!::SetClipboardData(CF_TEXT, block)) {
    ::GlobalFree(block);
    return Fail("SetClipboardData");
  }
  return 0;
}

/// Puts `bytes` on the clipboard as `format`.
int SetData(UINT format, const void* bytes, size_t size) {
  TClipboardSession clipboard;
  if (!clipboard.Open()) return Fail("OpenClipboard");
  if (!::EmptyClipboard()) return Fail("EmptyClipboard");
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return Fail("GlobalAlloc");
  void* p = ::GlobalLock(block);
  if (!p) {
    ::GlobalFree(block);
    return Fail("GlobalLock");
  }
  std::memcpy(p, bytes, size);
  ::GlobalUnlock(block);
  if (!::SetClipboardData(format, block)) {
    ::GlobalFree(block);
    return Fail("SetClipboardData");
  }
  return 0;
}

int SetWide(const std::string& utf8) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return SetData(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
}

int GetWide(std::string& utf8) {
  TClipboardSession clipboard;
  if (!clipboard.Open()) return Fail("OpenClipboard");
  // The first of the two text formats is the one the program put there.
  UINT format = 0;
  while ((format = ::EnumClipboardFormats(format)) != 0 && format != CF_UNICODETEXT &&
         format != CF_TEXT) {
  }
  if (format == CF_TEXT) return 4;
  HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  if (!data) return 3;
  const auto* p = static_cast<const wchar_t*>(::GlobalLock(data));
  if (!p) return Fail("GlobalLock");
  const int units = static_cast<int>(wcsnlen(p, ::GlobalSize(data) / sizeof(wchar_t)));
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, p, units, nullptr, 0, nullptr, nullptr);
  utf8.assign(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, p, units, utf8.data(), n, nullptr, nullptr);
  ::GlobalUnlock(data);
  return 0;
}

int GetText(std::string& text) {
  TClipboardSession clipboard;
  if (!clipboard.Open()) return Fail("OpenClipboard");
  HANDLE data = ::GetClipboardData(CF_TEXT);
  if (!data) return 3;
  const char* p = static_cast<const char*>(::GlobalLock(data));
  if (!p) return Fail("GlobalLock");
  // Never read past the block, even when it holds no zero byte.
  text.assign(p, strnlen(p, ::GlobalSize(data)));
  ::GlobalUnlock(data);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "clear" && argc == 2) {
    TClipboardSession clipboard;
    if (!clipboard.Open()) return Fail("OpenClipboard");
    return ::EmptyClipboard() ? 0 : Fail("EmptyClipboard");
  }
  if (command == "set" && argc == 3) {
    std::string text;
    if (!ReadFileBytes(argv[2], text)) return Fail("reading the input file");
    return SetText(text);
  }
  if (command == "get" && argc == 3) {
    std::string text;
    int status = GetText(text);
    if (status != 0) return status;
    return WriteFileBytes(argv[2], text) ? 0 : Fail("writing the output file");
  }
  if (command == "setw" && argc == 3) {
    std::string text;
    if (!ReadFileBytes(argv[2], text)) return Fail("reading the input file");
    return SetWide(text);
  }
  if (command == "getw" && argc == 3) {
    std::string text;
    int status = GetWide(text);
    if (status != 0) return status;
    return WriteFileBytes(argv[2], text) ? 0 : Fail("writing the output file");
  }
  std::fprintf(stderr, "usage: clipboard_tool set FILE | get FILE | setw FILE | getw FILE | clear\n");
  return 2;
}
