// Thumbnail decimation (see thumbnail.h).
#include "thumbnail.h"

#include <cstring>

#include "checked_size.h"
#include "dib.h"

namespace {
// Palette index of pixel x in an indexed row of 1, 4 or 8 bits.
BYTE IndexAt(const BYTE* row, LONG x, WORD bits) {
  switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default: return row[x];
  }
}
}  // namespace

bool BuildThumbnail(const BITMAPINFOHEADER* h, const BYTE* pixels, ThumbnailImage* thumb) {
  if (!h || !pixels || h->biWidth <= 0 || h->biHeight <= 0) return false;
  WORD bits = h->biBitCount;
  bool indexed = bits <= 8;
  if (!indexed && bits != 24) return false;
  size_t stride = 0;
  if (!DibRowStride(static_cast<uint32_t>(h->biWidth), bits, &stride)) return false;

  LONG width = h->biWidth, height = h->biHeight;
  bool small = width < 32 || height < 32;
  LONG tw = width < 32 ? width : 32, th = height < 32 ? height : 32;
  LONG cx = 1, cy = 1;
  if (!small) {
    cx = ((width + 3) & ~3) / 32;
    cy = height / 32;
  }
  size_t sample = indexed ? 1 : 3;
  size_t outStride = (tw * sample + 3) & ~size_t(3);

  std::memset(thumb, 0, sizeof(*thumb));
  thumb->header = *h;
  thumb->header.biSize = 40;
  thumb->header.biWidth = tw;
  thumb->header.biHeight = th;
  thumb->header.biCompression = BI_RGB;
  thumb->header.biBitCount = indexed ? 8 : 24;
  thumb->header.biSizeImage = static_cast<DWORD>(outStride * th);
  thumb->header.biClrUsed = 0;
  if (indexed) {
    DWORD entries = DibTableSize(h);
    DWORD most = DWORD(1) << bits;
    if (entries > most) entries = most;
    std::memcpy(thumb->table, DibColorTable(h), 4 * static_cast<size_t>(entries));
    thumb->header.biClrUsed = entries;
  }
  for (LONG r = 0; r < th; ++r) {
    const BYTE* row = pixels + static_cast<size_t>(r * cy) * stride;
    BYTE* out = thumb->bits + r * outStride;
    for (LONG c = 0; c < tw; ++c) {
      // The last columns of a width just above a multiple of 32 would fall in the padding.
      LONG x = c * cx < width ? c * cx : width - 1;
      if (indexed)
        out[c] = IndexAt(row, x, bits);
      else
        std::memcpy(out + 3 * c, row + 3 * static_cast<size_t>(x), 3);
    }
  }
  return true;
}
