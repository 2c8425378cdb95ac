#include "host/MyConsCalculate.h"

#include "platform/Services.h"

namespace host {

void TMyConsCalculate::Reset() { Rewind(); }

void TMyConsCalculate::PutLine(const std::string& annotation) {
  if (!annotation.empty()) Services().Console.WriteConsoleLine(annotation);
}

void TMyConsCalculate::WriteLine(std::string_view text) {
  Services().Console.WriteConsoleLine(std::string(text));
}

}  // namespace host
