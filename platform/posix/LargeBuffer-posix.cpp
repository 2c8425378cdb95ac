// Large pages on Linux: transparent huge pages, asked for by madvise where the system leaves them
// to the program ("madvise" in /sys/kernel/mm/transparent_hugepage/enabled).

#include <sys/mman.h>

#include <cstdint>

#include "platform/LargeBuffer.h"

namespace platform {

void ReserveLarge(std::string& buffer, size_t capacity) {
  constexpr uintptr_t LargePage = uintptr_t{2} << 20;
  if (buffer.capacity() >= capacity) return;
  buffer.reserve(capacity);
#ifdef MADV_HUGEPAGE
  // Only whole large pages inside the part not yet written: the first fault in each then maps
  // one large page, and a page already written is left as it is.
  const auto unwritten = reinterpret_cast<uintptr_t>(buffer.data() + buffer.size());
  const uintptr_t from = (unwritten + LargePage - 1) & ~(LargePage - 1);
  const uintptr_t to = (reinterpret_cast<uintptr_t>(buffer.data()) + buffer.capacity()) &
                       ~(LargePage - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
}

}  // namespace platform
