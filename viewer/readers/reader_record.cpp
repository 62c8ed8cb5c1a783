// The record the two-pass readers decode into (see reader_record.h).
#include "reader_record.h"

#include <cstring>

#include "checked_size.h"
#include "dib.h"
#include "reader_state.h"

BITMAPINFOHEADER* NewReaderRecord(WORD bitCount, const RGBQUAD* table, HPALETTE* palette) {
  ReaderState& s = g_readerState;
  const size_t tableBytes = table ? 256 * sizeof(RGBQUAD) : 0;
  size_t stride, total;
  if (s.width <= 0 || s.height <= 0 || !DibRowStride(uint64_t(s.width), bitCount, &stride) ||
      !DibBlockSize(uint64_t(s.width), uint64_t(s.height), bitCount,
                    sizeof(BITMAPINFOHEADER) + tableBytes, &total))
    return nullptr;
  auto* dib = static_cast<BITMAPINFOHEADER*>(LocalAlloc(LMEM_FIXED, total));
  if (!dib) return nullptr;
  std::memset(dib, 0, sizeof *dib);
  dib->biSize = sizeof(BITMAPINFOHEADER);
  dib->biWidth = s.width;
  dib->biHeight = s.height;
  dib->biPlanes = 1;
  dib->biBitCount = bitCount;
  dib->biCompression = BI_RGB;
  dib->biSizeImage = DWORD(stride * size_t(s.height));
  if (table) {
    dib->biClrUsed = 256;
    dib->biClrImportant = 256;
    std::memcpy(dib + 1, table, tableBytes);
  }
  *palette = PaletteFromDib(dib);

  BYTE* pixels = reinterpret_cast<BYTE*>(dib + 1) + tableBytes;
  // A successful pass writes every pixel of every row, so only the padding needs zeroing.
  size_t used = (size_t(s.width) * bitCount + 7) / 8;
  for (LONG y = 0; y < s.height; ++y)
    std::memset(pixels + size_t(y) * stride + used, 0, stride - used);
  s.stride = LONG(stride);
  s.pixels = pixels;
  return dib;
}

BITMAPINFOHEADER* KeepIfDecoded(BITMAPINFOHEADER* dib, bool decoded) {
  g_readerState.pixels = nullptr;
  if (!decoded) {
    LocalFree(dib);
    return nullptr;
  }
  return dib;
}
