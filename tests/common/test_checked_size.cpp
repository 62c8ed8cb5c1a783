// Size arithmetic refuses what cannot be represented instead of wrapping.
#include <gtest/gtest.h>

#include <cstdint>

#include "checked_size.h"

TEST(DibRowStride, RoundsRowsUpToWholeDoublewords) {
  const struct { uint64_t width; unsigned bits; size_t stride; } cases[] = {
      {1, 24, 4}, {7, 24, 24}, {33, 1, 8}, {5, 8, 8}, {3, 4, 4}, {0, 8, 0}};
  for (const auto& c : cases) {
    size_t s = 0;
    ASSERT_TRUE(DibRowStride(c.width, c.bits, &s)) << c.width << " pixels of " << c.bits;
    EXPECT_EQ(c.stride, s) << c.width << " pixels of " << c.bits;
  }
}

TEST(DibBlockSize, RefusesAreasBeyondTheAllocationLimit) {
  size_t s = 0;
  EXPECT_FALSE(DibBlockSize(65535, 65535, 24, 40, &s));  // nearly 13 GB
  EXPECT_FALSE(DibBlockSize(UINT32_MAX, UINT32_MAX, 32, 40, &s));
  EXPECT_FALSE(DibRowStride(uint64_t(1) << 40, 8, &s));
  ASSERT_TRUE(DibBlockSize(640, 480, 8, 1064, &s));
  EXPECT_EQ(640u * 480u + 1064u, s);
}

TEST(CheckedMul, DetectsOverflowOfTheProduct) {
  size_t s = 0;
  EXPECT_FALSE(CheckedMul(UINT64_MAX, 2, &s));
  EXPECT_FALSE(CheckedMul(uint64_t(1) << 32, uint64_t(1) << 32, &s));
  EXPECT_TRUE(CheckedMul(0, UINT64_MAX, &s));
  EXPECT_EQ(0u, s);
  EXPECT_FALSE(CheckedAdd(UINT64_MAX, 1, &s));
}

TEST(CheckedMul, FollowsTheConfiguredLimit) {
  size_t saved = g_maxImageBytes, s = 0;
  g_maxImageBytes = 1000;
  EXPECT_TRUE(CheckedMul(10, 100, &s));
  EXPECT_FALSE(CheckedMul(10, 101, &s));
  g_maxImageBytes = saved;
}
