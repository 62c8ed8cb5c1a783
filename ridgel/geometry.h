// The arithmetic of the raised look, kept free of window calls so that it also builds natively
// for the unit tests: font height from points, edit-control fitting, glyph cells, where a glyph
// and its caption go inside a button, and how a click moves a button's check state.
#pragma once

namespace ridgel {

// Button types as the low 4 bits of a button's style carry them.
enum ButtonType {
  kPushButton = 0,
  kDefPushButton = 1,
  kCheckBox = 2,
  kAutoCheckBox = 3,
  kRadioButton = 4,
  k3State = 5,
  kAuto3State = 6,
  kGroupBox = 7,
  kUserButton = 8,
  kAutoRadioButton = 9,
};

// Check states as the low 2 bits of a taken-over button's first window word hold them.
enum CheckState { kUnchecked = 0, kChecked = 1, kIndeterminate = 2 };

constexpr int kGlyphSize = 13;     // one cell of the glyph bitmap, square
constexpr int kGlyphColumns = 6;   // cells per row of the glyph bitmap
constexpr int kGlyphRows = 2;      // row 0 square boxes, row 1 round buttons

struct Box {
  int left, top, right, bottom;
};

// Logical font height for a size in points: pixels per inch × points / −72, truncated toward
// zero (8 points give −10 at 96 pixels per inch, −13 at 120). Clamped to the int range.
int FontHeightForPoints(int pixelsPerInch, int points);

// How far an edit control's top moves down (and its bottom up) when its height is fitted from
// the system font's height hs to the control font's hf: (hs − hf) / 2, truncated toward zero.
int EditFitDelta(int hs, int hf);

// The bitmap cell drawn for a button: radio types (4 and 9) take `value` as their column in
// row 1; every other type is a square box with `value` as its check state, column 2 × state
// (+1 when pressed) in row 0. Values outside what a row holds are drawn as the nearest state
// the row has (state 3 as indeterminate), so the cell always lies inside the bitmap.
struct GlyphCell {
  int column, row;
};
GlyphCell GlyphCellFor(int buttonType, int value, bool pressed);

// The radio column for a check state: 0 unchecked, 2 checked, +1 pressed. States 2 and 3 have
// no round picture of their own and show as unchecked.
int RadioColumn(int state, bool pressed);

// Where the glyph goes in a client rectangle and the rectangle and DrawText format of the
// caption: glyph vertically centred at the left edge (caption from 5 pixels after it), or at
// the right edge with left text (caption right-aligned, 6 pixels before it).
struct GlyphLayout {
  int glyphX, glyphY;
  Box text;
  unsigned format;
};
GlyphLayout LayoutGlyph(const Box& client, bool leftText);

// The check state a click leaves: an auto check box toggles between unchecked and checked (an
// indeterminate one becomes unchecked), an auto 3-state button cycles unchecked, checked,
// indeterminate; every other type keeps its state.
int StateAfterClick(int buttonType, int state);

}  // namespace ridgel
