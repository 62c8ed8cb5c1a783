// The TIFF reader's pure half: libtiff's RGBA conversion of the first image into a packed
// record. Builds natively too, for the host tests and the fuzz target.
#pragma once
#include "platform.h"

// Reads the first image of the TIFF file into a new 24-bit bottom-up record, storing
// PaletteFromDib of it in the palette slot once the header is read. Returns the block, which
// the caller frees with LocalFree, or null; a palette already in the slot stays there.
BITMAPINFOHEADER* LoadTiffDib(LPCSTR path, HPALETTE* palette);

// One pass over the file: header only (dimensions into g_readerState) or the full RGBA
// conversion into g_readerState.pixels. 1 on success, 0 on failure.
int DecodeTiff(LPCSTR path, BOOL headerOnly);

// Writes one raster row (width RGBA values, red in the low byte) as row n from the top.
void TiffPutRow(const DWORD* raster, LONG n);

// About how many bytes of 4-byte raster the decode pass converts at a time (whole strips or
// tiles, at least one). The tests make it small so that every file goes through many bands.
extern size_t g_tiffBandBytes;
