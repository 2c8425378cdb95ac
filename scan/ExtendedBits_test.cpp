#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "scan/ExtendedBits.h"
#include "ExtendedLiterals.h"

namespace scan {
namespace {

// The bit readings must agree with truncation done by the x87 unit itself, on the awkward values
// (zero of both signs, the subnormals, halves, the ends of the 64-bit range) and on random ones.
TEST(ExtendedBits, WholePartsAgreeWithTruncation) {
  const Extended TwoTo63 = 0x1p63_x;
  std::vector<Extended> values = {0.0_x, -0.0_x, std::numeric_limits<Extended>::denorm_min(),
                                  0.5_x, -0.5_x, 1.0_x, -1.0_x, 1.5_x, 2.5_x, 1e-30_x, 0.999999999_x,
                                  TwoTo63, -TwoTo63, -TwoTo63 - 2, TwoTo63 - 1, -(TwoTo63 - 1),
                                  0x1p62_x + 0.5_x, 1e30_x, -1e30_x, 123456789.125_x,
                                  std::numeric_limits<Extended>::infinity(),
                                  -std::numeric_limits<Extended>::infinity(),
                                  std::numeric_limits<Extended>::quiet_NaN()};
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    const Extended scale =
        FromLongDouble(std::ldexp(1.0L, static_cast<int>(random() % 140) - 70));
    Extended x = static_cast<Extended>(random()) / 0x1p64_x * scale;
    values.push_back(i % 2 ? -x : x);
  }
  for (const Extended x : values) {
    const bool inRange = x >= -TwoTo63 && x < TwoTo63;
    int64_t whole = 12345;
    EXPECT_EQ(WholeInt64(x, whole), inRange && x.Trunc() == x) << x.ToDouble();
    if (inRange && x.Trunc() == x) {
      EXPECT_EQ(whole, x.ToInt64Trunc());
    }
    if (x >= 0 && x < TwoTo63) {
      EXPECT_EQ(WholePart(x), static_cast<uint64_t>(x.ToInt64Trunc()));
    }
  }
}

}  // namespace
}  // namespace scan
