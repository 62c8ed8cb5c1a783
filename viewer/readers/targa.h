// The Targa reader: true-colour images (types 2 and 10, raw and run-length) of 15, 16, 24 and
// 32 bits per pixel and either origin, converted to a 24-bit packed DIB. The loader is pure
// and also runs natively; ReadTargaFile (readers.h) finishes its record.
#pragma once
#include "platform.h"

#include "byte_reader.h"

// Loads the image: the 24-bit record (header, no colour table, rows bottom-up) or null.
// Stores PaletteFromDib of the record (the fixed palette) in *palette once the header is
// complete; that palette stays in the slot (the caller's) even when decoding then fails.
BITMAPINFOHEADER* LoadTargaDib(LPCSTR path, HPALETTE* palette);

// One pass over the file: header-only stores the size in g_readerState; otherwise decodes
// the pixels into g_readerState's rows. Returns 1 for success, 0 for failure.
int ParseTarga(LPCSTR path, bool headerOnly);

// Reads count bytes (1 to 4; any other count reads 4) as a little-endian number. Returns 0
// as soon as a byte cannot be read; *value then holds the bytes read so far.
int ReadLittleEndian(int count, ByteStream* stream, DWORD* value);

// Copies one line of width blue-green-red pixels to the memory row of file row `row`.
void TargaPutRow(const BYTE* line, LONG width, LONG row, bool topLeftOrigin, LONG height);
