#include "lsp/QuietServices.h"


namespace lsp {

bool TReadOnlyFiles::FileExists(const std::string& name) {
  auto it = FWritten.find(name);
  return it != FWritten.end() ? it->second.has_value() : FUnderlying.FileExists(name);
}

std::string TReadOnlyFiles::LoadTextFile(const std::string& name) {
  auto it = FWritten.find(name);
  if (it == FWritten.end()) return FUnderlying.LoadTextFile(name);
  return it->second.value_or(std::string());  // a deleted file reads as a missing one
}

// A scheme saved or a converted program written from a document being typed would be written
// again at every key stroke: the server leaves that to the filter and the file mode, and keeps
// what an evaluation writes for that evaluation only.
void TReadOnlyFiles::SaveTextFile(const std::string& name, const std::string& text) {
  FWritten[name] = text;
}

bool TReadOnlyFiles::DeleteFile(const std::string& name) {
  const bool existed = FileExists(name);
  FWritten[name] = std::nullopt;
  return existed;
}

std::string TReadOnlyFiles::RealFolderOf(const std::string& name) {
  return FUnderlying.RealFolderOf(name);
}

std::string TReadOnlyFiles::ProgramFolder(bool) { return FUnderlying.ProgramFolder(false); }

uint32_t TMemorySysColors::GetSysColor(int32_t index) {
  if (index >= 0 && index < platform::SysColorIndexCount && FChanged[static_cast<size_t>(index)])
    return *FChanged[static_cast<size_t>(index)];
  return FUnderlying.GetSysColor(index);
}

void TMemorySysColors::SetSysColors(std::span<const int32_t> elements,
                                    std::span<const uint32_t> values) {
  for (size_t i = 0; i < elements.size() && i < values.size(); ++i)
    if (elements[i] >= 0 && elements[i] < platform::SysColorIndexCount)
      FChanged[static_cast<size_t>(elements[i])] = values[i];
}

TQuietServices::TQuietServices(const platform::TServices& underlying)
    : FFiles(underlying.Files),
      FColors(underlying.SysColors),
      FServices{FClipboard,
                FFiles,
                underlying.State,
                underlying.Console,
                underlying.StdStreams,
                underlying.ErrorReport,
                FColors,
                underlying.CodePages,
                FEcho,
                underlying.Text,
                underlying.Format,
                {}} {}

}  // namespace lsp
