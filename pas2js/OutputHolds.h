#pragma once
// Output held back while the translation of a construct is pending: a label still to go in
// front, a condition to rewrite, a trial translation that may be thrown away. Holds nest; they
// share one collection buffer, each holding the text from its start to the buffer's end.

#include <cstddef>
#include <string>
#include <string_view>

namespace pas2js {

/// A routine taking one text, bound to the object it is called on. Unset when Proc is null.
struct TOutputProc {
  void (*Proc)(void* object, std::string_view text) = nullptr;
  void* Object = nullptr;
  void operator()(std::string_view text) const { Proc(Object, text); }
  bool IsSet() const { return Proc != nullptr; }
};

/// Binds a member function taking one text (virtual ones dispatch as usual) to an object.
template <auto Method, class T>
TOutputProc OutputProcOf(T* object) {
  return {[](void* o, std::string_view text) { (static_cast<T*>(o)->*Method)(text); }, object};
}

/// The holds running and their collection. Output goes into the collection (Collect) while
/// Collecting(), and on to its receiver otherwise. Each hold ends with one of Release, Drop or
/// Take, innermost first.
class TOutputHolds {
 public:
  /// One held stretch of output.
  class THold {
    friend class TOutputHolds;
    std::string Saved;              // the collection before an outermost hold
    std::string* Place = nullptr;   // held where it was written, in this text (else collected)
    size_t Start = 0;               // where the held text starts in its buffer
    bool Outermost = false;         // the hold started the collection afresh
  };

  /// Output is being collected rather than passed on.
  bool Collecting() const { return FCollecting; }
  /// Appends the text to the collection.
  void Collect(std::string_view text) { FCapture.append(text); }
  /// No hold running, nothing collected.
  void Reset();

  /// From here on output is held. While nothing is collected, output that goes into `place`
  /// (when given) stays there and is held in place; otherwise it is collected (after the
  /// collection's current end when one is running already, so nested holds never copy).
  void Hold(THold& hold, std::string* place);
  /// The buffer that holds the text, from HeldStart to its end, while the hold runs.
  std::string& HeldBuffer(const THold& hold) { return hold.Place ? *hold.Place : FCapture; }
  size_t HeldStart(const THold& hold) const { return hold.Start; }
  /// Puts the text in front of what the hold holds.
  void InsertFront(const THold& hold, std::string_view text) {
    HeldBuffer(hold).insert(hold.Start, text);
  }
  /// Ends the hold; the held text counts as written before it. When nothing was collected before
  /// the hold (and it was not held in place), the text is handed to passOn.
  void Release(THold& hold, TOutputProc passOn);
  /// Ends the hold; the held text is dropped.
  void Drop(THold& hold);
  /// Ends the hold; the held text becomes the result instead of output.
  void Take(THold& hold, std::string& result);

 private:
  void End(THold& hold);
  void Recycle(std::string& buffer);

  std::string FCapture;       // the collection of the holds running
  std::string FSpareCapture;  // an emptied collection buffer, kept for the next one
  bool FCollecting = false;
};

}  // namespace pas2js
