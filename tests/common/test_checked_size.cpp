// Size arithmetic refuses what cannot be represented instead of wrapping.
#include <gtest/gtest.h>

#include <cstdint>

#include "checked_size.h"

TEST(DibRowStride, RoundsRowsUpToWholeDoublewords) {
  size_t s = 0;
  ASSERT_TRUE(DibRowStride(1, 24, &s));
  EXPECT_EQ(4u, s);
  ASSERT_TRUE(DibRowStride(7, 24, &s));
  EXPECT_EQ(24u, s);
  ASSERT_TRUE(DibRowStride(33, 1, &s));
  EXPECT_EQ(8u, s);
  ASSERT_TRUE(DibRowStride(5, 8, &s));
  EXPECT_EQ(8u, s);
  ASSERT_TRUE(DibRowStride(3, 4, &s));
  EXPECT_EQ(4u, s);
  ASSERT_TRUE(DibRowStride(0, 8, &s));
  EXPECT_EQ(0u, s);
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
