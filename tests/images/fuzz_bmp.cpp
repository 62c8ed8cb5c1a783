// Fuzz target: a bitmap file through everything the viewer does with it short of the screen:
// parsing into a record, its palette, plain-form conversion with RLE expansion, the
// thumbnail and the halftone reduction.
#include <cstddef>
#include <cstdint>

#include "checked_size.h"
#include "image.h"
#include "readers/bmp_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Large declared images are refused quickly instead of being zero-filled each run.
  g_maxImageBytes = size_t(1) << 22;
  BITMAPINFOHEADER* dib = ParseBmpFile(data, size);
  if (!dib) return 0;
  if (HPALETTE palette = PaletteFromDib(dib)) DeleteObject(palette);
  ExerciseFinishSteps(dib);
  LocalFree(dib);
  return 0;
}
