#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/LargeBuffer.h"

namespace {

/// The kilobytes of large pages backing the mapping that holds `address`, from /proc/self/smaps;
/// -1 when the mapping is not found.
long LargePageKilobytes(const void* address) {
  std::ifstream smaps("/proc/self/smaps");
  const auto at = reinterpret_cast<uintptr_t>(address);
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    uintptr_t from = 0, to = 0;
    char dash = 0;
    std::istringstream head(line);
    if (head >> std::hex >> from >> dash >> to && dash == '-') {
      inside = from <= at && at < to;
    } else if (inside && line.rfind("AnonHugePages:", 0) == 0) {
      return std::stol(line.substr(14));
    }
  }
  return -1;
}

TEST(LargeBufferTest, AWrittenLargeBufferIsBackedByLargePagesAndKeepsItsText) {
  // Skipped where the system gives no large pages, or gives them only when one is at hand.
  for (const char* setting : {"enabled", "defrag"}) {
    std::ifstream file(std::string("/sys/kernel/mm/transparent_hugepage/") + setting);
    std::string modes;
    std::getline(file, modes);
    if (modes.empty() || modes.find("[never]") != std::string::npos)
      GTEST_SKIP() << "large pages: " << setting << " " << modes;
  }

  std::string buffer = "kept";
  const size_t size = size_t{32} << 20;
  platform::ReserveLarge(buffer, size);
  ASSERT_GE(buffer.capacity(), size);
  EXPECT_EQ(buffer, "kept");
  buffer.resize(size, 'x');
  EXPECT_GT(LargePageKilobytes(buffer.data() + size / 2), 0);
}

}  // namespace
