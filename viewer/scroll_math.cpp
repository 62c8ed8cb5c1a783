// Scroll arithmetic of the image child (see scroll_math.h).
#include "scroll_math.h"

int ScrollAmount(int requestCode, int extent, unsigned thumb, int position) {
  switch (requestCode) {
    case 0: return -(extent / 16 + 1);  // line up / left
    case 1: return extent / 16 + 1;     // line down / right
    case 2: return -(extent / 2 + 1);   // page up / left
    case 3: return extent / 2 + 1;      // page down / right
    case 4:                             // thumb released
    case 5:                             // thumb dragged
      return static_cast<int>(thumb) - position;
    default: return 0;
  }
}

int ClampScrollPosition(int position, int amount, int minimum, int maximum) {
  int moved = position + amount;
  if (moved < minimum) return minimum;
  if (moved >= maximum) return maximum;
  return moved;
}

int ScrollMaximum(int imageExtent, int clientExtent) {
  int m = imageExtent - clientExtent;
  return m < 0 ? 0 : m;
}
