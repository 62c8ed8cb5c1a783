// Fuzz target: a bitmap file through everything the viewer does with it short of the screen:
// parsing into a record, its palette, plain-form conversion with RLE expansion, the
// thumbnail and the halftone reduction. The part of the file the reader reads must give the
// same record as the whole file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "checked_size.h"
#include "display_dib.h"
#include "image.h"
#include "readers/bmp_parse.h"

// Parsing the bytes BmpBytesUsed names gives what parsing the whole file gives.
static void CheckUsedBytesSuffice(const uint8_t* data, size_t size, const BITMAPINFOHEADER* dib) {
  uint64_t used = BmpBytesUsed(data, std::min(size, kBmpHeadBytes), size);
  if (used > size) abort();
  DibBlock prefix(ParseBmpFile(data, static_cast<size_t>(used)));
  if (!dib != !prefix) abort();
  if (!dib) return;
  if (std::memcmp(dib, prefix.get(), sizeof *dib) != 0) abort();
  size_t pixels = 0;
  if (!DibPixelBytes(dib, &pixels)) abort();
  size_t bytes = static_cast<size_t>(DibPixels(const_cast<BITMAPINFOHEADER*>(dib)) -
                                     reinterpret_cast<const BYTE*>(dib)) + pixels;
  if (std::memcmp(dib, prefix.get(), bytes) != 0) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Large declared images are refused quickly instead of being zero-filled each run.
  g_maxImageBytes = size_t(1) << 18;
  BITMAPINFOHEADER* dib = ParseBmpFile(data, size);
  CheckUsedBytesSuffice(data, size, dib);
  if (!dib) return 0;
  if (HPALETTE palette = PaletteFromDib(dib)) DeleteObject(palette);
  ExerciseFinishSteps(dib);
  LocalFree(dib);
  return 0;
}
