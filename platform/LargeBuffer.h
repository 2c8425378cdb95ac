#pragma once
// Room for a whole sheet's text in one piece. A buffer of tens of megabytes costs a page fault
// for every 4 KiB the first time it is written, which on a virtual machine is a good part of a
// large run; where the system offers large pages, the buffer asks for them.

#include <cstddef>
#include <string>

namespace platform {

/// Gives `buffer` a capacity of at least `capacity` bytes, keeping its contents; when that is
/// large, the part not yet written is offered large pages. Only a hint: nothing else changes.
void ReserveLarge(std::string& buffer, size_t capacity);

}  // namespace platform
