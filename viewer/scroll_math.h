// The arithmetic of the image child's scroll bars, apart from the window calls.
#pragma once

// The distance one scroll request moves, for a bar over a visible extent of `extent`
// pixels: a line is extent/16 + 1, a page extent/2 + 1, a thumb request goes to `thumb`.
int ScrollAmount(int requestCode, int extent, unsigned thumb, int position);

// The new position after moving by `amount`: below `minimum` gives the minimum, at or
// above `maximum` gives the maximum.
int ClampScrollPosition(int position, int amount, int minimum, int maximum);

// Scroll maximum for an image extent shown in a client extent: never negative.
int ScrollMaximum(int imageExtent, int clientExtent);
