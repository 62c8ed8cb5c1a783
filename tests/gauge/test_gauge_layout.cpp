// The arithmetic of a gauge paint, natively under the sanitizers: which values are painted,
// the percentage, the fill width and the text's top, at the edges of their ranges.
#include <gtest/gtest.h>

#include <climits>

#include "gauge_layout.h"

namespace {

TEST(GaugeValues, PercentageIsTruncatedAndNotClamped) {
  EXPECT_EQ(50, GaugeValuesFromWords(100, 50).percent);
  EXPECT_EQ(33, GaugeValuesFromWords(3, 1).percent);
  EXPECT_EQ(66, GaugeValuesFromWords(3, 2).percent);
  EXPECT_EQ(150, GaugeValuesFromWords(100, 150).percent);
  EXPECT_EQ(6553500, GaugeValuesFromWords(1, 65535).percent) << "the widest text, 8 characters";
  EXPECT_EQ(100, GaugeValuesFromWords(65535, 65535).percent);
}

TEST(GaugeValues, ZeroRangePaintsAsRangeOneAtPositionZero) {
  for (long long position : {0LL, 1LL, 50LL, 65535LL, -1LL}) {
    GaugeValues v = GaugeValuesFromWords(0, position);
    EXPECT_EQ(1u, v.range);
    EXPECT_EQ(0u, v.position);
    EXPECT_EQ(0, v.percent);
  }
  EXPECT_EQ(0, GaugeValuesFromWords(0x10000, 7).percent) << "low 16 bits 0 count as 0";
  EXPECT_EQ(0, GaugeValuesFromWords(-65536, 7).percent);
}

TEST(GaugeValues, OnlyTheLowSixteenBitsArePaintedAsUnsignedNumbers) {
  GaugeValues v = GaugeValuesFromWords(65536 + 100, -1);
  EXPECT_EQ(100u, v.range);
  EXPECT_EQ(65535u, v.position);
  EXPECT_EQ(65535, v.percent);
  v = GaugeValuesFromWords(40000, 10000);  // negative as a signed 16-bit range
  EXPECT_EQ(40000u, v.range);
  EXPECT_EQ(25, v.percent);
  v = GaugeValuesFromWords(0x7FFFFFFF, static_cast<long long>(INT_MIN) + 5);
  EXPECT_EQ(0xFFFFu, v.range);
  EXPECT_EQ(5u, v.position);
  EXPECT_EQ(0, v.percent);
  v = GaugeValuesFromWords(-100, 0x12340000 + 30);  // -100 is 0xFF9C: 65436
  EXPECT_EQ(65436u, v.range);
  EXPECT_EQ(30u, v.position);
}

TEST(GaugeFill, WidthTimesPositionOverRangeTruncated) {
  EXPECT_EQ(100, GaugeFillWidth(200, GaugeValuesFromWords(100, 50)));
  EXPECT_EQ(99, GaugeFillWidth(199, GaugeValuesFromWords(100, 50)));
  EXPECT_EQ(66, GaugeFillWidth(200, GaugeValuesFromWords(3, 1)));
  EXPECT_EQ(133, GaugeFillWidth(200, GaugeValuesFromWords(3, 2)));
  EXPECT_EQ(0, GaugeFillWidth(2, GaugeValuesFromWords(3, 1)));
  EXPECT_EQ(0, GaugeFillWidth(200, GaugeValuesFromWords(0, 50)));
  EXPECT_EQ(0, GaugeFillWidth(0, GaugeValuesFromWords(100, 50)));
  EXPECT_EQ(300, GaugeFillWidth(200, GaugeValuesFromWords(100, 150))) << "beyond the bar";
}

TEST(GaugeFill, WideBarsAndLargePositionsDoNotOverflow) {
  EXPECT_EQ(32767 * 65535, GaugeFillWidth(32767, GaugeValuesFromWords(1, 65535)));
  EXPECT_EQ(INT_MAX, GaugeFillWidth(40000, GaugeValuesFromWords(1, 65535))) << "saturates";
  EXPECT_EQ(INT_MAX, GaugeFillWidth(INT_MAX, GaugeValuesFromWords(1, 65535)));
  EXPECT_EQ(INT_MAX / 2, GaugeFillWidth(INT_MAX, GaugeValuesFromWords(65534, 32767)));
}

TEST(GaugeText, TopIsHalfTheSpareHeightTruncatedTowardZero) {
  EXPECT_EQ(4, GaugeTextTop(24, 16));
  EXPECT_EQ(4, GaugeTextTop(25, 16));
  EXPECT_EQ(0, GaugeTextTop(16, 16));
  EXPECT_EQ(0, GaugeTextTop(15, 16)) << "-1 / 2 is 0, not -1";
  EXPECT_EQ(-10, GaugeTextTop(26, 47)) << "-21 / 2 is -10, not -11";
  EXPECT_EQ(-8, GaugeTextTop(0, 16));
}

}  // namespace
