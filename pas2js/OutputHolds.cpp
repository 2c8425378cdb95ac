// Output holds: one collection buffer shared by nested holds, or the final text itself.
#include "pas2js/OutputHolds.h"

#include <utility>

namespace pas2js {

void TOutputHolds::Reset() {
  FCapture.clear();
  FCollecting = false;
}

void TOutputHolds::Hold(THold& hold, std::string* place) {
  // Held in place: nested holds nest in that text as they do in the collection.
  hold.Place = FCollecting ? nullptr : place;
  hold.Outermost = !FCollecting && place == nullptr;
  if (hold.Place != nullptr) {
    hold.Start = place->size();
    return;
  }
  if (hold.Outermost) {
    hold.Saved = std::move(FCapture);
    FCapture = std::move(FSpareCapture);  // empty; its memory is warm already
    FCapture.clear();
    FCollecting = true;
  }
  hold.Start = FCapture.size();
}

// Puts the collection back as it was before the hold.
void TOutputHolds::End(THold& hold) {
  if (hold.Place != nullptr) {
    hold.Place->resize(hold.Start);
  } else if (hold.Outermost) {
    std::swap(hold.Saved, FCapture);
    FCollecting = false;
  } else {
    FCapture.resize(hold.Start);
  }
}

void TOutputHolds::Release(THold& hold, TOutputProc passOn) {
  if (!hold.Outermost) return;  // the text stays where it is (enclosing collection or place)
  std::string text;
  std::swap(text, FCapture);
  End(hold);
  passOn(text);
  Recycle(text);
}

void TOutputHolds::Drop(THold& hold) {
  if (hold.Outermost) {
    std::string text;
    std::swap(text, FCapture);
    End(hold);
    Recycle(text);
    return;
  }
  End(hold);
}

void TOutputHolds::Take(THold& hold, std::string& result) {
  if (hold.Outermost) {
    result.clear();
    std::swap(result, FCapture);
  } else {
    result.assign(HeldBuffer(hold), hold.Start);
  }
  End(hold);
}

// Keeps a buffer of moderate size for the next outermost collection: fresh memory is expensive
// to touch, but a huge buffer is not worth holding on to.
void TOutputHolds::Recycle(std::string& buffer) {
  constexpr size_t MaxSpare = size_t{8} << 20;
  if (buffer.capacity() > MaxSpare || buffer.capacity() <= FSpareCapture.capacity()) return;
  buffer.clear();
  FSpareCapture = std::move(buffer);
}

}  // namespace pas2js
