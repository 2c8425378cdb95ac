#include "host/MyConsCalculate.h"

#include "platform/Console.h"

namespace host {

void TMyConsCalculate::Reset() {
  FCursor = FText.c_str();
  FLineStart = FCursor;
  FOutput.clear();
  FNote.clear();
}

void TMyConsCalculate::PutLine(const std::string& annotation) {
  if (!annotation.empty()) platform::Console().WriteConsoleLine(annotation);
}

void TMyConsCalculate::WriteLine(std::string_view text) {
  platform::Console().WriteConsoleLine(std::string(text));
}

}  // namespace host
