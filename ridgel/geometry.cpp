// The raised look's arithmetic (see geometry.h); no window calls here.
#include "geometry.h"

#include <climits>
#include <cstdint>

namespace ridgel {

namespace {
constexpr unsigned kDtLeft = 0x00, kDtRight = 0x02, kDtVCenter = 0x04, kDtSingleLine = 0x20;
constexpr int kTextGapLeft = 5;   // caption after a left glyph: 13 + 5 = 18
constexpr int kTextGapRight = 6;  // caption before a right glyph: 13 + 6 = 19
}  // namespace

int FontHeightForPoints(int pixelsPerInch, int points) {
  // 64 bits: a profile may hold any number, and the product must not overflow.
  int64_t height = int64_t(pixelsPerInch) * points / -72;
  if (height < INT_MIN) return INT_MIN;
  if (height > INT_MAX) return INT_MAX;
  return int(height);
}

int EditFitDelta(int hs, int hf) { return int((int64_t(hs) - hf) / 2); }

GlyphCell GlyphCellFor(int buttonType, int value, bool pressed) {
  if (buttonType == kRadioButton || buttonType == kAutoRadioButton) {
    int column = value < 0 ? 0 : value > 3 ? 3 : value;
    return {column, 1};
  }
  int state = value < 0 ? 0 : value > kIndeterminate ? kIndeterminate : value;
  return {2 * state + (pressed ? 1 : 0), 0};
}

int RadioColumn(int state, bool pressed) {
  return (state == kChecked ? 2 : 0) + (pressed ? 1 : 0);
}

GlyphLayout LayoutGlyph(const Box& client, bool leftText) {
  GlyphLayout out;
  out.glyphY = client.top + (client.bottom - client.top - kGlyphSize) / 2;
  out.text = client;
  if (leftText) {
    out.glyphX = client.right - kGlyphSize;
    out.text.right -= kGlyphSize + kTextGapRight;
    out.format = kDtRight | kDtVCenter | kDtSingleLine;
  } else {
    out.glyphX = client.left;
    out.text.left += kGlyphSize + kTextGapLeft;
    out.format = kDtLeft | kDtVCenter | kDtSingleLine;
  }
  out.text.top += 1;
  return out;
}

int StateAfterClick(int buttonType, int state) {
  switch (buttonType) {
    case kAutoCheckBox:
      return state == kUnchecked ? kChecked : kUnchecked;
    case kAuto3State:
      return state == kUnchecked ? kChecked : state == kChecked ? kIndeterminate : kUnchecked;
    default:
      return state;
  }
}

}  // namespace ridgel
