// A calculation sheet, the input bytes as code page 932 text, through the engine with every
// addition attached, as the host runs a sheet from standard input.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzHost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::RunSheet(std::string(reinterpret_cast<const char*>(data), size), true);
  return 0;
}
