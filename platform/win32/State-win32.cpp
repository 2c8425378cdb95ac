// The state folder on Windows: %LOCALAPPDATA%\sheetcalc\. A user's local application data is
// readable by that user alone already.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/Messages.h"
#include "platform/State.h"
#include "platform/win32/FileHandle.h"
#include "scan/Exceptions.h"

namespace platform {
namespace {

[[noreturn]] void RaiseStateError(const char* what, const std::string& name, DWORD err) {
  throw scan::EInOutError(TranslateInside(what) + " " + name + ": error " + std::to_string(err));
}

using win32::TFileHandle;

class TWin32StateStore final : public TStateStore {
 public:
  std::string StateFolder(bool create) override {
    const char* local = std::getenv("LOCALAPPDATA");
    std::string base = local && local[0] ? local : ".";
    std::string folder = base + "\\sheetcalc\\";
    if (create && !::CreateDirectoryA(folder.c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS)
      RaiseStateError("cannot create the folder:", folder, ::GetLastError());
    return folder;
  }

  std::optional<std::string> LoadState(const std::string& name) override {
    TFileHandle file(::CreateFileA((StateFolder(false) + name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
      bytes.append(buffer, got);
    return bytes;
  }

  void SaveState(const std::string& name, const std::string& bytes) override {
    std::string path = StateFolder(true) + name;
    std::string temp = path + ".new";
    {
      TFileHandle file(::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file.Valid()) RaiseStateError("cannot write the file:", path, ::GetLastError());
      if (!win32::WriteAll(file.Get(), bytes.data(), bytes.size()))
        RaiseStateError("cannot write the file:", path, ::GetLastError());
      if (!file.Close()) RaiseStateError("cannot write the file:", path, ::GetLastError());
    }
    if (::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
    DWORD err = ::GetLastError();
    ::DeleteFileA(temp.c_str());
    RaiseStateError("cannot write the file:", path, err);
  }
};

}  // namespace

std::unique_ptr<TStateStore> NewSystemStateStore(TTextBoundary& /*text*/) {
  return std::make_unique<TWin32StateStore>();
}

}  // namespace platform
