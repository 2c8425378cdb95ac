// A Pascal text, the input bytes as code page 932 text, converted through the #P2Js directive of
// a sheet.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzHost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static constexpr char Directive[] = "#P2Js\r\n";
  std::string sheet;
  sheet.reserve(sizeof Directive - 1 + size);  // exactly: a read past the end is seen at once
  sheet.append(Directive);
  sheet.append(reinterpret_cast<const char*>(data), size);
  // Through the directive only: the sheet target takes the route of a file taken over.
  fuzz::RunSheet(std::move(sheet), false);
  return 0;
}
