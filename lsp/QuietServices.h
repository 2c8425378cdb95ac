#pragma once
// The platform services as the language server leaves them: a document is evaluated for its
// results only, so nothing an evaluation does may reach outside. Files are read but never written
// or deleted, system colours change in memory for one evaluation only, the clipboard is absent,
// and the converter's echo is dropped.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>

#include "platform/Services.h"

namespace lsp {

/// Reads through to another file system; writes and deletions are kept in memory until Reset,
/// so that an evaluation reads back what it saved itself.
class TReadOnlyFiles final : public platform::TFileSystem {
 public:
  explicit TReadOnlyFiles(platform::TFileSystem& underlying) : FUnderlying(underlying) {}
  bool FileExists(const std::string& name) override;
  std::string LoadTextFile(const std::string& name) override;
  void SaveTextFile(const std::string& name, const std::string& text) override;
  bool DeleteFile(const std::string& name) override;
  std::string RealFolderOf(const std::string& name) override;
  /// The folder, never created.
  std::string ProgramFolder(bool create) override;
  /// Forgets every write and deletion.
  void Reset() { FWritten.clear(); }

 private:
  platform::TFileSystem& FUnderlying;
  std::map<std::string, std::optional<std::string>> FWritten;  // by name; nothing when deleted
};

/// The colours of another store, with changes kept in memory until Reset.
class TMemorySysColors final : public platform::TSysColorStore {
 public:
  explicit TMemorySysColors(platform::TSysColorStore& underlying) : FUnderlying(underlying) {}
  uint32_t GetSysColor(int32_t index) override;
  void SetSysColors(std::span<const int32_t> elements, std::span<const uint32_t> values) override;
  /// Forgets every change.
  void Reset() { FChanged.fill(std::nullopt); }

 private:
  platform::TSysColorStore& FUnderlying;
  std::array<std::optional<uint32_t>, platform::SysColorIndexCount> FChanged{};
};

/// No clipboard: reading gives an empty text, writing fails.
class TNoClipboard final : public platform::TClipboard {
 public:
  std::string GetClipboardText() override { return std::string(); }
  bool SetClipboardText(const std::string&) override { return false; }
};

/// Drops the converter's echo: the terminal, if any, is the editor's own.
class TNoDebugEcho final : public platform::TDebugEcho {
 public:
  void WriteDebugEcho(const std::string&) override {}
};

/// Other services with files, colours, the clipboard and the echo made quiet as above; the rest
/// (and the number format) as they are.
class TQuietServices {
 public:
  /// `underlying` outlives the object.
  explicit TQuietServices(const platform::TServices& underlying);
  TQuietServices(const TQuietServices&) = delete;
  TQuietServices& operator=(const TQuietServices&) = delete;
  /// Before each evaluation: no colour change or saved file of an earlier one remains.
  void Reset() {
    FColors.Reset();
    FFiles.Reset();
  }
  /// The quiet services, for an evaluation.
  const platform::TServices& Services() const { return FServices; }

 private:
  TReadOnlyFiles FFiles;
  TMemorySysColors FColors;
  TNoClipboard FClipboard;
  TNoDebugEcho FEcho;
  platform::TServices FServices;
};

}  // namespace lsp
