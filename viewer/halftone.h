// Halftone tables exposed for the tests and the record-level reduction the finishing step
// uses (the public entry points are declared in image.h).
#pragma once
#include "image.h"

// Red, green, blue of halftone palette entry `index`.
const BYTE* HalftonePaletteRgb(int index);
// The palette index a colour-cube index (r + 6g + 36b, levels 0..5) is shown with.
BYTE HalftoneCubeEntry(int cubeIndex);
// The dither threshold of column x, row y (rows counted from the bottom).
BYTE HalftoneThreshold(int x, int y);
