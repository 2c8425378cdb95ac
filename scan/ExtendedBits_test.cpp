#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "scan/ExtendedBits.h"

namespace scan {
namespace {

// The bit readings must agree with truncation done by the x87 unit itself, on the awkward values
// (zero of both signs, the subnormals, halves, the ends of the 64-bit range) and on random ones.
TEST(ExtendedBits, WholePartsAgreeWithTruncation) {
  constexpr Extended TwoTo63 = 0x1p63L;
  std::vector<Extended> values = {0.0L, -0.0L, std::numeric_limits<Extended>::denorm_min(),
                                  0.5L, -0.5L, 1.0L, -1.0L, 1.5L, 2.5L, 1e-30L, 0.999999999L,
                                  TwoTo63, -TwoTo63, -TwoTo63 - 2, TwoTo63 - 1, -(TwoTo63 - 1),
                                  0x1p62L + 0.5L, 1e30L, -1e30L, 123456789.125L,
                                  std::numeric_limits<Extended>::infinity(),
                                  -std::numeric_limits<Extended>::infinity(),
                                  std::numeric_limits<Extended>::quiet_NaN()};
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    const Extended scale = std::ldexp(1.0L, static_cast<int>(random() % 140) - 70);
    Extended x = static_cast<Extended>(random()) / 0x1p64L * scale;
    values.push_back(i % 2 ? -x : x);
  }
  for (const Extended x : values) {
    const bool inRange = x >= -TwoTo63 && x < TwoTo63;
    int64_t whole = 12345;
    EXPECT_EQ(WholeInt64(x, whole), inRange && std::trunc(x) == x) << static_cast<double>(x);
    if (inRange && std::trunc(x) == x) {
      EXPECT_EQ(whole, static_cast<int64_t>(x));
    }
    if (x >= 0 && x < TwoTo63) {
      EXPECT_EQ(WholePart(x), static_cast<uint64_t>(std::trunc(x)));
    }
  }
}

}  // namespace
}  // namespace scan
