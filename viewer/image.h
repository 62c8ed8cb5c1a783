// The image pipeline every reader ends in: a packed DIB record (header, colour table, pixel
// rows in one LMEM_FIXED block) becomes the palette, the device bitmap and the thumbnail a
// child window shows, through the halftone reduction when halftone mode is on.
#pragma once
#include "dib.h"
#include "platform.h"

// Halftone reduction (pure; also built natively).
HPALETTE MakeHalftonePalette();
BITMAPINFOHEADER* AllocDib(int depth, int width, int height);
int FillDibColorTable(BITMAPINFOHEADER* dib, HPALETTE palette);
BITMAPINFOHEADER* HalftoneDib(const BITMAPINFOHEADER* source, HPALETTE halftone);

#ifdef _WIN32
// Makes the device bitmap and the thumbnail from a reader's record and frees the block;
// may replace the palette in the slot by the halftone palette. Returns the bitmap or null.
HBITMAP FinishDib(BITMAPINFOHEADER* header, void* block, BYTE* pixels, HPALETTE* palette,
                  HBITMAP* thumbnail);
HBITMAP CreateImageBitmaps(BITMAPINFO* info, const BYTE* pixels, HPALETTE palette,
                           HBITMAP* thumbnail);

// The last step of every reader: FinishDib for a record built by a loader, or null when
// the loader failed (its palette, if it made one, stays in the slot).
inline HBITMAP FinishLoadedDib(BITMAPINFOHEADER* dib, HPALETTE* palette, HBITMAP* thumbnail) {
  return dib ? FinishDib(dib, dib, DibPixels(dib), palette, thumbnail) : nullptr;
}
#endif
