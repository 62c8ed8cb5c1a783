// The PNG reader's pure half: libpng's decoding of a PNG file into a packed record. Palette
// and grey pictures of 8 bits or fewer become 8-bit records with their colours in the table,
// the rest 24-bit ones; transparency is composited over white. Builds natively too, for the
// host tests and the fuzz target.
#pragma once
#include <cstddef>

#include "platform.h"

// Reads the PNG file into a new bottom-up record, storing PaletteFromDib of it in the palette
// slot once the header is read. Returns the block, which the caller frees with LocalFree, or
// null; a palette already in the slot stays there.
BITMAPINFOHEADER* LoadPngDib(LPCSTR path, HPALETTE* palette);

// One pass over the file: header only (dimensions into g_readerState, the layout and colour
// table into the reader's own state) or the decode into g_readerState.pixels. 1 on success, 0
// on failure; a decode that libpng stops after some rows counts as a success with the rows
// read so far.
int DecodePng(LPCSTR path, BOOL headerOnly);

// Writes one row of width blue-green-red-alpha pixels (8 or 16 bits a sample, 16-bit ones
// most significant byte first) composited over white as row n from the top.
void PngPutRow(const BYTE* samples, int bytesPerSample, LONG n);

// The most a load may take in all: the record, libpng's rows and our own buffer. Pictures
// that would need more are refused before anything is allocated.
const size_t kPngMaxBytes = size_t(256) << 20;
