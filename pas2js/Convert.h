#pragma once
// The Pascal-to-JavaScript converter as the rest of the program sees it: one call that rewrites a
// Pascal text into JavaScript. Its rules and state stay inside pas2js/.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {
class TDebugEcho;
}

namespace pas2js {

/// How one conversion runs.
struct TConvertOptions {
  bool DebugTags = false;     // marks of the translation levels into the output
  bool DebugConsole = false;  // the output and the marks echoed to the console as well
};

/// Where the converted text goes: appended to a text its owner hands in. The converter writes
/// only behind the text's length at the start of the call (output still pending a decision is
/// held there and may be rewritten or dropped); what stood before stays untouched.
class TOutputSink {
 public:
  explicit TOutputSink(std::string& text) : FText(text) {}
  std::string& Text() const { return FText; }

 private:
  std::string& FText;
};

/// Converts the Pascal `text` into JavaScript, appended to `sink`. A zero byte must stand right
/// behind the text (a C string's end, an std::string's c_str()); the conversion also ends at an
/// earlier zero byte. `echo` (may be null; it outlives the call) receives the console echo of
/// DebugConsole. Returns the bytes read, up to the zero byte that ended the conversion.
/// Raises scan::EAbort when the source nests too deeply and scan::EConvertError for a character
/// code out of range; the sink then holds the output up to that point.
size_t ConvertPascal(std::string_view text, const TConvertOptions& options, TOutputSink& sink,
                     platform::TDebugEcho* echo);

}  // namespace pas2js
