// The image pipeline every reader ends in: a packed DIB record (header, colour table, pixel
// rows in one LMEM_FIXED block) becomes the palette, the device bitmap and the thumbnail a
// child window shows, through the halftone reduction when halftone mode is on.
//
// What a record must hold: a 40-byte header (biSize 40), the three masks after it when
// biCompression is BI_BITFIELDS, DibTableSize entries of colour table, then the pixel rows:
// stride x |biHeight| bytes of uncompressed rows (a negative height means top row first), or
// biSizeImage bytes of BI_RLE8 / BI_RLE4 data. Depths 1, 4, 8, 16, 24 and 32 are drawn.
#pragma once
#include "dib.h"
#include "platform.h"

// Halftone reduction (pure; also built natively).
HPALETTE MakeHalftonePalette();
// A blank, zero-filled record of the depth and size (header, 256 table entries' room, rows),
// its table holding the 16 standard colours for 4 and 8 bits; null when it cannot be made.
BITMAPINFOHEADER* AllocDib(int depth, int width, int height);
int FillDibColorTable(BITMAPINFOHEADER* dib, HPALETTE palette);
// A new 8-bit record of the source reduced to the halftone palette, or null. Sources of any
// kind a record may be (RLE, 16 and 32 bits, top-down) are read correctly.
BITMAPINFOHEADER* HalftoneDib(const BITMAPINFOHEADER* source, HPALETTE halftone);
// The same for a header whose pixel rows lie at `pixels`.
BITMAPINFOHEADER* HalftoneRecord(const BITMAPINFOHEADER* header, const BYTE* pixels,
                                 HPALETTE halftone);

// Runs, natively, every pure step FinishDib runs on the record (plain-form conversion with
// RLE expansion, thumbnail decimation, halftone reduction of 8 or more bits) and frees what
// it made. For fuzz targets and tests; the record must hold what the header says.
void ExerciseFinishSteps(const BITMAPINFOHEADER* dib);

#ifdef _WIN32
// Makes the device bitmap and the thumbnail from a reader's record and frees the block;
// may replace the palette in the slot by the halftone palette. Returns the bitmap or null.
HBITMAP FinishDib(BITMAPINFOHEADER* header, void* block, BYTE* pixels, HPALETTE* palette,
                  HBITMAP* thumbnail);
// The device bitmap (returned) and the thumbnail (stored in the slot, made even when the
// bitmap cannot be) of a record; the caller's header is left unchanged.
HBITMAP CreateImageBitmaps(BITMAPINFO* info, const BYTE* pixels, HPALETTE palette,
                           HBITMAP* thumbnail);

// The last step of every reader: FinishDib for a record built by a loader, or null when
// the loader failed (its palette, if it made one, stays in the slot).
inline HBITMAP FinishLoadedDib(BITMAPINFOHEADER* dib, HPALETTE* palette, HBITMAP* thumbnail) {
  return dib ? FinishDib(dib, dib, DibPixels(dib), palette, thumbnail) : nullptr;
}
#endif
