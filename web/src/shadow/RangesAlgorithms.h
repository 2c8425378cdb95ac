#pragma once
// The range algorithms the sources use that emscripten's C++ library (of LLVM 14) does not have
// yet, over its iterator algorithms. Included first in every file of the WebAssembly build.

#include <algorithm>
#include <iterator>
#include <version>

#if !defined(__cpp_lib_ranges)
namespace std::ranges {
template <class Range, class Predicate>
bool any_of(Range&& range, Predicate predicate) {
  return std::any_of(std::begin(range), std::end(range), predicate);
}
}  // namespace std::ranges
#endif
