#include "lsp/QuietServices.h"


namespace lsp {

bool TReadOnlyFiles::FileExists(const std::string& name) { return FUnderlying.FileExists(name); }

std::string TReadOnlyFiles::LoadTextFile(const std::string& name) {
  return FUnderlying.LoadTextFile(name);
}

// A scheme saved or a converted program written from a document being typed would be written
// again at every key stroke: the server leaves that to the filter and the file mode.
void TReadOnlyFiles::SaveTextFile(const std::string&, const std::string&) {}

bool TReadOnlyFiles::DeleteFile(const std::string&) { return false; }

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
