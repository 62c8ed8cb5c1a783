// The record the library-backed readers decode into (see rgb_record.h).
#include "rgb_record.h"

#include <cstring>

#include "checked_size.h"
#include "dib.h"
#include "reader_state.h"

BITMAPINFOHEADER* NewRgbRecord(HPALETTE* palette) {
  ReaderState& s = g_readerState;
  size_t stride, area, total;
  if (s.width <= 0 || s.height <= 0 || !DibRowStride(uint64_t(s.width), 24, &stride) ||
      !CheckedMul(stride, uint64_t(s.height), &area) ||
      !CheckedAdd(area, sizeof(BITMAPINFOHEADER), &total))
    return nullptr;
  auto* dib = static_cast<BITMAPINFOHEADER*>(LocalAlloc(LMEM_FIXED, total));
  if (!dib) return nullptr;
  std::memset(dib, 0, sizeof *dib);
  dib->biSize = sizeof(BITMAPINFOHEADER);
  dib->biWidth = s.width;
  dib->biHeight = s.height;
  dib->biPlanes = 1;
  dib->biBitCount = 24;
  dib->biCompression = BI_RGB;
  dib->biSizeImage = DWORD(area);
  *palette = PaletteFromDib(dib);

  BYTE* pixels = reinterpret_cast<BYTE*>(dib + 1);
  // A successful pass writes every pixel of every row, so only the padding needs zeroing.
  size_t used = size_t(s.width) * 3;
  for (LONG y = 0; y < s.height; ++y)
    std::memset(pixels + size_t(y) * stride + used, 0, stride - used);
  s.stride = LONG(stride);
  s.pixels = pixels;
  return dib;
}
