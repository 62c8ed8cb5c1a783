// The packed device-independent bitmap record (header, colour table, pixel rows in one
// local-heap block) and the colour-count and palette routines both programs share.
#pragma once
#include <cstddef>

#include "platform.h"

// Colour count for palettes and thumbnails: biClrUsed's low 16 bits when set, otherwise
// 2, 16 or 256 for 1, 4 or 8 bits per pixel, else 0.
WORD DibColorCount(const BITMAPINFOHEADER* header);

// Entries of the colour table that the record holds: biClrUsed when set, else 2^bits for
// 8 bits or fewer, else 0.
DWORD DibTableSize(const BITMAPINFOHEADER* header);

// Bytes between the header's start and the colour table: 40, plus the three bit-field
// masks of a BI_BITFIELDS record.
size_t DibTableOffset(const BITMAPINFOHEADER* header);

// Where the colour table starts.
inline const RGBQUAD* DibColorTable(const BITMAPINFOHEADER* header) {
  return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(header) +
                                          DibTableOffset(header));
}

// A new logical palette for the record, or null; the caller owns it. The viewer's copy
// gives images without a colour table of 16, 24 or 32 bits the fixed 3-3-2 palette; the
// converter's copy (built with XQV_CONVERTER) knows only the colour table.
HPALETTE PaletteFromDib(const BITMAPINFOHEADER* dib);

// Entry i of the viewer's fixed palette for images without colour table.
void FixedPaletteEntry(int i, BYTE* red, BYTE* green, BYTE* blue);

// Where the pixel rows of a packed record start: after the header, the masks of a
// BI_BITFIELDS record and the colour table.
inline BYTE* DibPixels(BITMAPINFOHEADER* header) {
  return reinterpret_cast<BYTE*>(header) + DibTableOffset(header) +
         sizeof(RGBQUAD) * DibTableSize(header);
}
