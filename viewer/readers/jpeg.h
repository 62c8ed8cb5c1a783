// The JPEG reader's pure half (decoding into a packed record through libjpeg) and the JPEG
// writer. Both build natively too, so the host tests and the fuzz target run them directly.
#pragma once
#include "platform.h"

// Decodes the JPEG file into a new 24-bit bottom-up record (header, no colour table, pixel
// rows), storing PaletteFromDib of it in the palette slot once the header is read. Returns
// the block, which the caller frees with LocalFree, or null; a palette already in the slot
// stays there for the caller.
BITMAPINFOHEADER* LoadJpegDib(LPCSTR path, HPALETTE* palette);

// One pass over the file: header only (dimensions into g_readerState) or the full decode
// into g_readerState.pixels. 1 on success, 0 on failure; nothing is ever shown or thrown.
int DecodeJpeg(LPCSTR path, BOOL headerOnly);

// Writes decoded row n (counted from the top) of the image into the record being filled.
// samples holds `components` samples per pixel: 1 (grey), 3 (red, green, blue) or 4 (the
// inverted CMYK that libjpeg delivers for Adobe CMYK and YCCK files).
void JpegPutRow(const BYTE* samples, int components, LONG n);

// Writes width x height pixels of 4 bytes (byte 0 ignored, then red, green, blue), rows from
// the top, as a baseline JPEG at the given quality. 1 when the file is complete, else 0.
int WriteJpegFile(LPCSTR path, int width, int height, int quality, const BYTE* pixels);
