#pragma once
// In-memory stand-ins for the services the additions use: the system colours, the code page
// information and the file system. A test makes them and hands them in (fakes::TFakeServices in
// PlatformFakes.h gathers every service).

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/CodePages.h"
#include "platform/Files.h"
#include "platform/SysColors.h"
#include "scan/Exceptions.h"

namespace fakes {

/// Colours by element index; every SetSysColors call is recorded as (element, value) pairs.
class TFakeSysColors final : public platform::TSysColorStore {
 public:
  TFakeSysColors() {
    // Distinct values that no colour constant has, so a listing shows which element it read.
    for (int32_t i = 0; i < platform::SysColorIndexCount; ++i) FColors[static_cast<size_t>(i)] = 0x101000u + i;
  }
  TFakeSysColors(const TFakeSysColors&) = delete;
  TFakeSysColors& operator=(const TFakeSysColors&) = delete;

  uint32_t GetSysColor(int32_t index) override {
    return index >= 0 && index < platform::SysColorIndexCount ? FColors[static_cast<size_t>(index)] : 0;
  }
  void SetSysColors(std::span<const int32_t> elements, std::span<const uint32_t> values) override {
    std::vector<std::pair<int32_t, uint32_t>> call;
    for (size_t i = 0; i < elements.size(); ++i) {
      call.emplace_back(elements[i], values[i]);
      if (elements[i] >= 0 && elements[i] < platform::SysColorIndexCount)
        FColors[static_cast<size_t>(elements[i])] = values[i];
    }
    FCalls.push_back(std::move(call));
  }

  std::array<uint32_t, platform::SysColorIndexCount> FColors{};
  std::vector<std::vector<std::pair<int32_t, uint32_t>>> FCalls;
};

/// Code pages by number; counts the questions asked.
class TFakeCodePages final : public platform::TCodePages {
 public:
  TFakeCodePages() = default;
  TFakeCodePages(const TFakeCodePages&) = delete;
  TFakeCodePages& operator=(const TFakeCodePages&) = delete;

  bool GetCodePageInfo(uint32_t codePage, platform::TCodePageInfo& info) override {
    ++FQuestions;
    auto it = FPages.find(codePage);
    if (it == FPages.end()) return false;
    info = it->second;
    return true;
  }

  std::map<uint32_t, platform::TCodePageInfo> FPages;
  int FQuestions = 0;
};

/// Files as a map from full name to text, in the folder "/prog/". `FSaveError`, when set, makes
/// every save fail with that message.
class TMemoryFiles final : public platform::TFileSystem {
 public:
  TMemoryFiles() = default;
  TMemoryFiles(const TMemoryFiles&) = delete;
  TMemoryFiles& operator=(const TMemoryFiles&) = delete;

  bool FileExists(const std::string& name) override { return FFiles.count(name) != 0; }
  std::string WhyNotAFile(const std::string& name) override {
    return FileExists(name) ? std::string() : "No such file or directory";
  }
  std::string LoadTextFile(const std::string& name) override {
    auto it = FFiles.find(name);
    return it == FFiles.end() ? std::string() : it->second;
  }
  void SaveTextFile(const std::string& name, const std::string& text) override {
    if (FSaveError) throw scan::EInOutError(*FSaveError + " " + name);
    FFiles[name] = text;
  }
  bool DeleteFile(const std::string& name) override {
    ++FDeletions;
    return FFiles.erase(name) != 0;
  }
  /// The name's folder part as it stands (nothing to resolve in memory); "/work/" for a name
  /// without one.
  std::string RealFolderOf(const std::string& name) override {
    size_t slash = name.rfind('/');
    return slash == std::string::npos ? std::string("/work/") : name.substr(0, slash + 1);
  }
  std::string ProgramFolder(bool create) override {
    if (create) FFolderCreated = true;
    return "/prog/";
  }

  std::map<std::string, std::string> FFiles;
  std::optional<std::string> FSaveError;
  int FDeletions = 0;
  bool FFolderCreated = false;
};

}  // namespace fakes
