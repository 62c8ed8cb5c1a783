// The packed record the two-pass readers (Targa, GIF, JPEG, TIFF) decode into: made between
// their header pass and their decode pass, and kept or freed by how the decode pass ended.
#pragma once
#include "platform.h"

// A new bottom-up record (LMEM_FIXED) of the size in g_readerState: 24 bits without a colour
// table (table null), or 8 bits with the 256 colours at `table`. Its header is filled,
// PaletteFromDib of it is stored in the palette slot and the padding of every row is zeroed;
// g_readerState.stride and .pixels then describe its rows. Null, with nothing made, when the
// size cannot be represented or allocated.
BITMAPINFOHEADER* NewReaderRecord(WORD bitCount, const RGBQUAD* table, HPALETTE* palette);

// The end of the decode pass into a record from NewReaderRecord: the record when the pass
// succeeded, else null with the record freed. Either way g_readerState.pixels is cleared,
// since the rows are about to change hands or be gone.
BITMAPINFOHEADER* KeepIfDecoded(BITMAPINFOHEADER* dib, bool decoded);
