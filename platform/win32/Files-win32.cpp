// Files on Windows: CR LF on disk as inside; the text is UTF-8 or the system's ANSI code page, as
// the encoding boundary reads it (platform/win32/Encoding-win32.cpp), and goes back the same way.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
// <windows.h> maps DeleteFile to DeleteFileA; the interface's operation keeps its own name.
#undef DeleteFile

#include <string>

#include "platform/Encoding.h"
#include "platform/Files.h"
#include "platform/win32/FileHandle.h"
#include "scan/Exceptions.h"

namespace platform {
namespace {

using win32::TFileHandle;

/// The system's text for an error code, without its line end and final full stop.
std::string SystemMessage(DWORD err) {
  char* buffer = nullptr;
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, err, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  std::string text = n && buffer ? std::string(buffer, n) : std::string();
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                           text.back() == '.'))
    text.pop_back();
  if (text.empty()) text = "error " + std::to_string(err);
  return text;
}

[[noreturn]] void RaiseIoError(const std::string& what, const std::string& name, DWORD err) {
  throw scan::EInOutError(what + " " + name + ": " + SystemMessage(err));
}

/// Index just behind the last path separator of `path` ('\\', '/' or ':'); a trail byte of a
/// double-byte character is never taken for one (0x5C is a valid trail byte in code page 932).
size_t FolderLength(const std::string& path) {
  size_t folderEnd = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      ++i;
      continue;
    }
    if (c == '\\' || c == '/' || c == ':') folderEnd = i + 1;
  }
  return folderEnd;
}

/// The full path of the program file.
std::string ModuleFileName() {
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

/// Writes the text as the whole (existing, empty) file; the system's error code, or NO_ERROR.
DWORD WriteWhole(const char* name, const std::string& text) {
  TFileHandle file(::CreateFileA(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid() || !win32::WriteAll(file.Get(), text.data(), text.size()) || !file.Close())
    return ::GetLastError();
  return NO_ERROR;
}

class TWin32FileSystem : public TFileSystem {
 public:
  explicit TWin32FileSystem(TTextBoundary& text) : FText(text) {}

  bool FileExists(const std::string& name) override {
    DWORD attributes = ::GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  std::string LoadTextFile(const std::string& name) override {
    TFileHandle file(::CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return {};
    DWORD high = 0;
    DWORD size = ::GetFileSize(file.Get(), &high);
    if (size == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return {};
    // The size is read as 32 bits: refusing a file of 4 GiB or more beats reading a piece of it
    // and calling that the sheet.
    if (high != 0) throw scan::EInOutError("ファイルが大きすぎます: " + name);
    std::string text(size, '\0');
    DWORD total = 0;
    while (total < size) {
      DWORD got = 0;
      if (!::ReadFile(file.Get(), text.data() + total, size - total, &got, nullptr) || got == 0)
        break;
      total += got;
    }
    // A file that shrank while being read keeps what was read, with no zero bytes after it.
    text.resize(total);
    return FText.ImportText(text, name);
  }

  void SaveTextFile(const std::string& name, const std::string& inside) override {
    const std::string text = FText.ExportText(inside);
    // A temporary file beside the target, moved over it: a failure leaves the old file whole,
    // and a link at the target is replaced rather than written through.
    std::string folder = name.substr(0, FolderLength(name));
    char temp[MAX_PATH];
    if (!::GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "sc", 0, temp))
      RaiseIoError("ファイルを書けません:", name, ::GetLastError());
    DWORD err = WriteWhole(temp, text);
    if (err == NO_ERROR && ::MoveFileExA(temp, name.c_str(), MOVEFILE_REPLACE_EXISTING |
                                                                 MOVEFILE_WRITE_THROUGH))
      return;
    if (err == NO_ERROR) err = ::GetLastError();
    ::DeleteFileA(temp);
    RaiseIoError("ファイルを書けません:", name, err);
  }

  std::string RealFolderOf(const std::string& name) override {
    std::string folder = name.substr(0, FolderLength(name)) + ".";
    TFileHandle handle(::CreateFileA(folder.c_str(), 0,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle.Valid() || !::GetFileInformationByHandle(handle.Get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      return {};
    std::string path(MAX_PATH, '\0');
    for (;;) {
      DWORD n = ::GetFinalPathNameByHandleA(handle.Get(), path.data(),
                                            static_cast<DWORD>(path.size()), VOLUME_NAME_DOS);
      if (n == 0) return {};
      if (n < path.size()) {
        path.resize(n);
        break;
      }
      path.resize(n + 1);
    }
    // "\\?\C:\dir" and "\\?\UNC\server\share": the plain forms, which take '/' as well.
    if (path.starts_with("\\\\?\\UNC\\")) {
      path.replace(0, 8, "\\\\");
    } else if (path.starts_with("\\\\?\\")) {
      path.erase(0, 4);
    }
    if (FolderLength(path) != path.size()) path += '\\';
    return path;
  }

  bool DeleteFile(const std::string& name) override { return ::DeleteFileA(name.c_str()) != 0; }

  std::string ProgramFolder(bool /*create*/) override {
    // The folder that holds the program file exists already; nothing to create.
    std::string path = ModuleFileName();
    return path.substr(0, FolderLength(path));
  }

 private:
  TTextBoundary& FText;
};

}  // namespace

std::unique_ptr<TFileSystem> NewSystemFileSystem(TTextBoundary& text) {
  return std::make_unique<TWin32FileSystem>(text);
}

}  // namespace platform
