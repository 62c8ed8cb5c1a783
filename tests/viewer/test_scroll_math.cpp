// Scroll steps of the image child: a line is a sixteenth of the visible extent plus one
// pixel, a page half of it plus one, the same up and down; positions stay in the range.
#include <gtest/gtest.h>

#include "scroll_math.h"

TEST(ScrollAmount, LinesAndPagesOfA160PixelClient) {
  EXPECT_EQ(-11, ScrollAmount(0, 160, 0, 50));
  EXPECT_EQ(11, ScrollAmount(1, 160, 0, 50));
  EXPECT_EQ(-81, ScrollAmount(2, 160, 0, 50));
  EXPECT_EQ(81, ScrollAmount(3, 160, 0, 50));
}

TEST(ScrollAmount, ATinyClientStillMovesAtLeastOnePixel) {
  EXPECT_EQ(1, ScrollAmount(1, 10, 0, 0));
  EXPECT_EQ(-1, ScrollAmount(0, 10, 0, 0));
  EXPECT_EQ(6, ScrollAmount(3, 10, 0, 0));
  EXPECT_EQ(1, ScrollAmount(1, 0, 0, 0));
}

TEST(ScrollAmount, ThumbRequestsGoToTheThumbPosition) {
  EXPECT_EQ(70, ScrollAmount(4, 100, 90, 20));
  EXPECT_EQ(-20, ScrollAmount(5, 100, 0, 20));
  EXPECT_EQ(65535 - 3, ScrollAmount(5, 100, 65535, 3));
}

TEST(ScrollAmount, OtherRequestsDoNothing) {
  for (int code : {6, 7, 8, 100}) EXPECT_EQ(0, ScrollAmount(code, 160, 5, 0)) << code;
}

TEST(ClampScrollPosition, StopsAtTheRangeEnds) {
  EXPECT_EQ(0, ClampScrollPosition(5, -11, 0, 100));
  EXPECT_EQ(100, ClampScrollPosition(95, 11, 0, 100));
  EXPECT_EQ(100, ClampScrollPosition(0, 100, 0, 100));  // at the maximum
  EXPECT_EQ(40, ClampScrollPosition(30, 10, 0, 100));
  EXPECT_EQ(0, ClampScrollPosition(0, 11, 0, 0));        // no range: nothing moves
}

TEST(ScrollMaximum, IsTheImageBeyondTheClientAndNeverNegative) {
  EXPECT_EQ(340, ScrollMaximum(640, 300));
  EXPECT_EQ(0, ScrollMaximum(100, 300));
  EXPECT_EQ(0, ScrollMaximum(0, 0));
}
