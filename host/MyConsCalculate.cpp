#include "host/MyConsCalculate.h"

#include "platform/Console.h"

namespace host {

void TMyConsCalculate::Reset() { Rewind(); }

void TMyConsCalculate::PutLine(const std::string& annotation) {
  if (!annotation.empty()) platform::Console().WriteConsoleLine(annotation);
}

void TMyConsCalculate::WriteLine(std::string_view text) {
  platform::Console().WriteConsoleLine(std::string(text));
}

}  // namespace host
