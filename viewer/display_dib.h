// Plain form of a packed record: uncompressed rows, bottom row first, 1, 4, 8 or 24 bits per
// pixel. The thumbnail, the halftone reduction and the device bitmap read only this form, so
// run-length coded, top-down, 16- and 32-bit records are converted once, here.
#pragma once
#include <cstddef>
#include <memory>

#include "platform.h"

// Header and a full 256-entry colour table: where AllocDib's pixel rows start for 8 bits.
constexpr size_t kDibHeaderAndTable = 40 + 256 * 4;

struct LocalBlockDeleter {
  void operator()(void* block) const {
    if (block) LocalFree(block);
  }
};
typedef std::unique_ptr<BITMAPINFOHEADER, LocalBlockDeleter> DibBlock;

// Bytes of pixel data a record of this header holds: stride x |height| for uncompressed
// rows, biSizeImage for run-length coded ones. False for headers no reader may hand on
// (depth, compression, size or dimensions out of range).
bool DibPixelBytes(const BITMAPINFOHEADER* header, size_t* bytes);

// The colour masks of a 16- or 32-bit record: its BI_BITFIELDS masks, or 5-5-5 / 8-8-8.
struct DibMasks {
  DWORD red, green, blue;
};
DibMasks DibColorMasks(const BITMAPINFOHEADER* header);

// One channel of a pixel through its mask, scaled to 0..255 by repeating the field's bits.
BYTE MaskedChannel(DWORD pixel, DWORD mask);

struct PlainDib {
  const BITMAPINFOHEADER* header = nullptr;  // 40-byte header followed by its table
  const BYTE* pixels = nullptr;
  DibBlock owned;  // set when a converted copy had to be made
};

// Describes the record in plain form, converting it when needed. False when the header is
// unusable or the copy cannot be allocated.
bool MakePlainDib(const BITMAPINFOHEADER* header, const BYTE* pixels, PlainDib* out);

// Run-length decoding of BI_RLE8 / BI_RLE4 data into zero-filled bottom-up rows of the
// given stride and size; pixels a delta skips stay 0. Never writes outside the rows and
// never reads past `size` bytes of data.
void ExpandRle(const BYTE* data, size_t size, bool fourBit, LONG width, LONG height,
               size_t stride, BYTE* rows);
