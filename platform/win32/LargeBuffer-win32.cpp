// Large pages on Windows need a privilege that users do not have, so the buffer is only
// reserved.

#include "platform/LargeBuffer.h"

namespace platform {

void ReserveLarge(std::string& buffer, size_t capacity) { buffer.reserve(capacity); }

}  // namespace platform
