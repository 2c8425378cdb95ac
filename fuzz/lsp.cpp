// The language server's input stream: the bytes as they would come from an editor (framing, JSON,
// requests and document changes in any order), served to the end; everything sent is dropped.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzHost.h"
#include "host/StandardAdditions.h"
#include "lsp/LspServer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::TFakeWorld world;
  lsp::TMemorySource source(std::string_view(reinterpret_cast<const char*>(data), size));
  lsp::Serve(source, [](std::string_view) { return true; }, world.Services,
             host::StandardAdditions());
  return 0;
}
