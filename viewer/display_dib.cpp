// Conversion of packed records to the plain form the later steps read (see display_dib.h).
#include "display_dib.h"

#include <cstring>

#include "byte_reader.h"
#include "checked_size.h"
#include "dib.h"

namespace {

bool ValidDepthAndCompression(WORD bits, DWORD compression) {
  switch (compression) {
    case BI_RGB:
      return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case BI_RLE8: return bits == 8;
    case BI_RLE4: return bits == 4;
    case BI_BITFIELDS: return bits == 16 || bits == 32;
    default: return false;
  }
}

// |height| of a header whose height is representable as a positive row count.
bool RowCount(const BITMAPINFOHEADER* h, uint32_t* rows) {
  if (h->biHeight == 0 || h->biHeight == INT32_MIN) return false;
  *rows = h->biHeight < 0 ? static_cast<uint32_t>(-h->biHeight)
                          : static_cast<uint32_t>(h->biHeight);
  return true;
}

// A new record with a 40-byte header copied from `from` and changed to the given depth,
// bottom-up and uncompressed, with `entries` table entries copied from `table`.
DibBlock NewPlainRecord(const BITMAPINFOHEADER* from, WORD bits, const RGBQUAD* table,
                        DWORD entries, size_t* stride, BYTE** pixels) {
  uint32_t rows = 0;
  size_t image = 0, block = 0;
  if (!RowCount(from, &rows) || !DibRowStride(static_cast<uint32_t>(from->biWidth), bits, stride) ||
      !CheckedMul(*stride, rows, &image) ||
      !CheckedAdd(image, 40 + 4 * static_cast<uint64_t>(entries), &block))
    return nullptr;
  DibBlock dib(static_cast<BITMAPINFOHEADER*>(LocalAlloc(LPTR, block)));
  if (!dib) return nullptr;
  *dib = *from;
  dib->biSize = 40;
  dib->biHeight = static_cast<LONG>(rows);
  dib->biBitCount = bits;
  dib->biCompression = BI_RGB;
  dib->biSizeImage = static_cast<DWORD>(image);
  dib->biClrUsed = entries;
  if (entries) std::memcpy(dib.get() + 1, table, 4 * static_cast<size_t>(entries));
  *pixels = reinterpret_cast<BYTE*>(dib.get()) + 40 + 4 * static_cast<size_t>(entries);
  return dib;
}

// Table entries worth keeping in a converted copy: at most what the depth can index.
DWORD KeptEntries(const BITMAPINFOHEADER* h) {
  DWORD n = DibTableSize(h);
  DWORD most = h->biBitCount <= 8 ? DWORD(1) << h->biBitCount : 0;
  return n < most ? n : most;
}

void ConvertToRgb24(const BITMAPINFOHEADER* h, const BYTE* pixels, uint32_t rows,
                    BYTE* out, size_t outStride) {
  DibMasks m = DibColorMasks(h);
  size_t inStride = 0;
  DibRowStride(static_cast<uint32_t>(h->biWidth), h->biBitCount, &inStride);
  bool wide = h->biBitCount == 32;
  for (uint32_t y = 0; y < rows; ++y) {
    uint32_t from = h->biHeight < 0 ? rows - 1 - y : y;
    const BYTE* s = pixels + from * inStride;
    BYTE* d = out + y * outStride;
    for (LONG x = 0; x < h->biWidth; ++x, d += 3) {
      DWORD px;
      if (wide) {
        px = DWORD(s[0]) | DWORD(s[1]) << 8 | DWORD(s[2]) << 16 | DWORD(s[3]) << 24;
        s += 4;
      } else {
        px = DWORD(s[0]) | DWORD(s[1]) << 8;
        s += 2;
      }
      d[0] = MaskedChannel(px, m.blue);
      d[1] = MaskedChannel(px, m.green);
      d[2] = MaskedChannel(px, m.red);
    }
  }
}

void FlipRows(const BYTE* pixels, uint32_t rows, size_t stride, BYTE* out) {
  for (uint32_t y = 0; y < rows; ++y)
    std::memcpy(out + y * stride, pixels + (rows - 1 - y) * stride, stride);
}

}  // namespace

bool DibPixelBytes(const BITMAPINFOHEADER* h, size_t* bytes) {
  uint32_t rows = 0;
  size_t stride = 0;
  if (!h || h->biSize != 40 || h->biWidth <= 0 || !RowCount(h, &rows) ||
      !ValidDepthAndCompression(h->biBitCount, h->biCompression) ||
      !DibRowStride(static_cast<uint32_t>(h->biWidth), h->biBitCount, &stride))
    return false;
  if (h->biCompression == BI_RLE8 || h->biCompression == BI_RLE4) {
    // Run-length rows are always stored bottom-up; the expanded rows must be allocatable.
    size_t expanded = 0;
    if (h->biHeight < 0 || !CheckedMul(stride, rows, &expanded)) return false;
    *bytes = h->biSizeImage;
    return true;
  }
  return CheckedMul(stride, rows, bytes);
}

DibMasks DibColorMasks(const BITMAPINFOHEADER* h) {
  if (h->biCompression == BI_BITFIELDS) {
    const BYTE* p = reinterpret_cast<const BYTE*>(h) + 40;
    auto le32 = [](const BYTE* q) {
      return DWORD(q[0]) | DWORD(q[1]) << 8 | DWORD(q[2]) << 16 | DWORD(q[3]) << 24;
    };
    return DibMasks{le32(p), le32(p + 4), le32(p + 8)};
  }
  if (h->biBitCount == 16) return DibMasks{0x7C00, 0x03E0, 0x001F};
  return DibMasks{0xFF0000, 0x00FF00, 0x0000FF};
}

BYTE MaskedChannel(DWORD pixel, DWORD mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  DWORD field = mask >> shift;
  int bits = 0;
  while (bits < 32 && (field >> bits)) ++bits;
  DWORD v = (pixel & mask) >> shift;
  if (bits >= 8) return static_cast<BYTE>(v >> (bits - 8));
  // Repeat the field's bits from the top down so that all ones gives 255.
  DWORD out = 0;
  int filled = 0;
  while (filled < 8) {
    out = (out << bits) | v;
    filled += bits;
  }
  return static_cast<BYTE>(out >> (filled - 8));
}

void ExpandRle(const BYTE* data, size_t size, bool fourBit, LONG width, LONG height,
               size_t stride, BYTE* rows) {
  ByteReader in(data, size);
  LONG x = 0, y = 0;
  auto put = [&](BYTE index) {
    if (x >= 0 && x < width && y < height) {
      BYTE* row = rows + static_cast<size_t>(y) * stride;
      if (fourBit) {
        BYTE& b = row[x >> 1];
        b = (x & 1) ? static_cast<BYTE>((b & 0xF0) | (index & 0x0F))
                    : static_cast<BYTE>((b & 0x0F) | (index << 4));
      } else {
        row[x] = index;
      }
    }
    ++x;
  };
  while (y < height && in.has(2)) {
    BYTE count = in.u8(), value = in.u8();
    if (count) {
      // A run: in 4-bit data the two nibbles of `value` alternate.
      for (int i = 0; i < count && x < width; ++i)
        put(fourBit ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      continue;
    }
    switch (value) {
      case 0: x = 0; ++y; break;  // end of line
      case 1: return;             // end of bitmap
      case 2:                     // delta: move right and up
        if (!in.has(2)) return;
        x += in.u8();
        y += in.u8();
        if (x > width) x = width;  // later pixels of this row fall outside anyway
        break;
      default: {  // `value` literal pixels, padded to an even byte count
        size_t bytes = fourBit ? (value + 1u) / 2 : value;
        const BYTE* lit = in.take(bytes);
        if (!lit) return;
        for (int i = 0; i < value && x < width; ++i)
          put(fourBit ? ((i & 1) ? lit[i >> 1] & 0x0F : lit[i >> 1] >> 4) : lit[i]);
        if (bytes & 1) in.skip(1);
        break;
      }
    }
  }
}

bool MakePlainDib(const BITMAPINFOHEADER* h, const BYTE* pixels, PlainDib* out) {
  size_t bytes = 0;
  if (!pixels || !DibPixelBytes(h, &bytes)) return false;
  uint32_t rows = 0;
  RowCount(h, &rows);
  WORD bits = h->biBitCount;
  bool rle = h->biCompression == BI_RLE8 || h->biCompression == BI_RLE4;
  if (!rle && h->biHeight > 0 && (bits == 1 || bits == 4 || bits == 8 || bits == 24)) {
    out->header = h;
    out->pixels = pixels;
    return true;
  }
  size_t stride = 0;
  BYTE* rowsOut = nullptr;
  bool keepDepth = bits <= 8 || bits == 24;
  DibBlock copy = NewPlainRecord(h, keepDepth ? bits : 24, DibColorTable(h),
                                 bits <= 8 ? KeptEntries(h) : 0, &stride, &rowsOut);
  if (!copy) return false;
  if (rle)
    ExpandRle(pixels, bytes, h->biCompression == BI_RLE4, h->biWidth, h->biHeight, stride,
              rowsOut);
  else if (keepDepth)
    FlipRows(pixels, rows, stride, rowsOut);  // top-down rows of 1, 4, 8 or 24 bits
  else
    ConvertToRgb24(h, pixels, rows, rowsOut, stride);
  out->header = copy.get();
  out->pixels = rowsOut;
  out->owned = std::move(copy);
  return true;
}
