// The raised look's arithmetic: font heights from points, edit-control fitting, which glyph
// cell a button state picks, where glyph and caption go, and what a click does to a state.
#include <gtest/gtest.h>

#include <climits>

#include "geometry.h"

namespace {

using namespace ridgel;

TEST(FontHeight, PointsBecomeANegativeHeightTruncatedTowardZero) {
  EXPECT_EQ(-10, FontHeightForPoints(96, 8)) << "768 / -72 = -10.67";
  EXPECT_EQ(-13, FontHeightForPoints(120, 8)) << "960 / -72 = -13.33";
  EXPECT_EQ(-13, FontHeightForPoints(96, 10)) << "960 / -72";
  EXPECT_EQ(-12, FontHeightForPoints(96, 9));
  EXPECT_EQ(0, FontHeightForPoints(96, 0));
  EXPECT_EQ(1, FontHeightForPoints(96, -1)) << "-96 / -72 = 1.33";
}

TEST(FontHeight, HugeProfileValuesDoNotOverflow) {
  EXPECT_EQ(INT_MIN, FontHeightForPoints(96, INT_MAX)) << "clamped, not wrapped";
  EXPECT_EQ(-(96 * 1000000) / 72, FontHeightForPoints(96, 1000000));
  EXPECT_EQ(INT_MAX, FontHeightForPoints(INT_MAX, INT_MIN)) << "clamped, not wrapped";
}

TEST(EditFit, HalfTheHeightDifferenceTruncatedTowardZero) {
  EXPECT_EQ(2, EditFitDelta(19, 15)) << "moves down 2, 4 pixels lower";
  EXPECT_EQ(1, EditFitDelta(18, 15));
  EXPECT_EQ(0, EditFitDelta(15, 15));
  EXPECT_EQ(-1, EditFitDelta(15, 18)) << "-3 / 2 is -1, not -2";
  EXPECT_EQ(-1, EditFitDelta(14, 16));
}

TEST(GlyphCell, SquareBoxesTakeTwoColumnsPerState) {
  struct Case {
    int type, value;
    bool pressed;
    int column;
  } cases[] = {
      {kCheckBox, 0, false, 0},     {kCheckBox, 0, true, 1},     {kAutoCheckBox, 1, false, 2},
      {kAutoCheckBox, 1, true, 3},  {k3State, 2, false, 4},      {kAuto3State, 2, true, 5},
      {kAuto3State, 3, false, 4},   {kAuto3State, 3, true, 5},   {kCheckBox, -1, false, 0},
      {kGroupBox, 1, false, 2},     {kPushButton, 9, true, 5},
  };
  for (const Case& c : cases) {
    GlyphCell cell = GlyphCellFor(c.type, c.value, c.pressed);
    EXPECT_EQ(c.column, cell.column) << "type " << c.type << " value " << c.value
                                     << (c.pressed ? " pressed" : "");
    EXPECT_EQ(0, cell.row);
  }
}

TEST(GlyphCell, RadioTypesTakeTheValueAsTheirColumnInRowOne) {
  for (int type : {int(kRadioButton), int(kAutoRadioButton)}) {
    for (int value = 0; value < 4; ++value) {
      GlyphCell cell = GlyphCellFor(type, value, false);
      EXPECT_EQ(value, cell.column);
      EXPECT_EQ(1, cell.row);
      EXPECT_EQ(value, GlyphCellFor(type, value, true).column) << "pressed is in the column";
    }
    EXPECT_EQ(3, GlyphCellFor(type, 7, false).column) << "never past the round pictures";
    EXPECT_EQ(0, GlyphCellFor(type, -2, false).column);
  }
}

TEST(GlyphCell, RadioColumnsForEveryState) {
  EXPECT_EQ(0, RadioColumn(kUnchecked, false));
  EXPECT_EQ(1, RadioColumn(kUnchecked, true));
  EXPECT_EQ(2, RadioColumn(kChecked, false));
  EXPECT_EQ(3, RadioColumn(kChecked, true));
  EXPECT_EQ(0, RadioColumn(kIndeterminate, false)) << "state 2 shows as unchecked";
  EXPECT_EQ(1, RadioColumn(3, true)) << "state 3 too";
}

TEST(GlyphLayout, GlyphAtTheLeftAndCaptionFrom18) {
  GlyphLayout l = LayoutGlyph({0, 0, 120, 20}, false);
  EXPECT_EQ(0, l.glyphX);
  EXPECT_EQ(3, l.glyphY) << "rows 3 to 15 of a 20-pixel button";
  EXPECT_EQ(18, l.text.left);
  EXPECT_EQ(120, l.text.right);
  EXPECT_EQ(1, l.text.top);
  EXPECT_EQ(20, l.text.bottom);
  EXPECT_EQ(0x24u, l.format) << "DT_LEFT | DT_VCENTER | DT_SINGLELINE";
}

TEST(GlyphLayout, LeftTextPutsTheGlyphAtTheRightAndEndsTheCaptionAt101) {
  GlyphLayout l = LayoutGlyph({0, 0, 120, 20}, true);
  EXPECT_EQ(107, l.glyphX) << "x 107 to 119";
  EXPECT_EQ(0, l.text.left);
  EXPECT_EQ(101, l.text.right);
  EXPECT_EQ(0x26u, l.format) << "DT_RIGHT | DT_VCENTER | DT_SINGLELINE";
}

TEST(GlyphLayout, VerticalCentreTruncatesTowardZero) {
  EXPECT_EQ(0, LayoutGlyph({0, 0, 50, 13}, false).glyphY);
  EXPECT_EQ(0, LayoutGlyph({0, 0, 50, 14}, false).glyphY);
  EXPECT_EQ(1, LayoutGlyph({0, 0, 50, 15}, false).glyphY);
  EXPECT_EQ(0, LayoutGlyph({0, 0, 50, 12}, false).glyphY) << "-1 / 2 is 0";
  EXPECT_EQ(-1, LayoutGlyph({0, 0, 50, 10}, false).glyphY) << "-3 / 2 is -1";
  EXPECT_EQ(6, LayoutGlyph({0, 5, 50, 20}, false).glyphY) << "offset by the top";
}

TEST(ClickState, AutoCheckBoxTogglesAndLeavesIndeterminateUnchecked) {
  EXPECT_EQ(1, StateAfterClick(kAutoCheckBox, 0));
  EXPECT_EQ(0, StateAfterClick(kAutoCheckBox, 1));
  EXPECT_EQ(0, StateAfterClick(kAutoCheckBox, 2));
  EXPECT_EQ(0, StateAfterClick(kAutoCheckBox, 3));
}

TEST(ClickState, Auto3StateCyclesThroughIndeterminate) {
  EXPECT_EQ(1, StateAfterClick(kAuto3State, 0));
  EXPECT_EQ(2, StateAfterClick(kAuto3State, 1));
  EXPECT_EQ(0, StateAfterClick(kAuto3State, 2));
  EXPECT_EQ(0, StateAfterClick(kAuto3State, 3));
}

TEST(ClickState, PlainButtonsKeepTheirState) {
  for (int type : {int(kCheckBox), int(k3State), int(kRadioButton), int(kAutoRadioButton)}) {
    for (int state = 0; state < 4; ++state) EXPECT_EQ(state, StateAfterClick(type, state));
  }
}

}  // namespace
