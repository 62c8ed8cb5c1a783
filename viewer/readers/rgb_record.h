// The 24-bit record that the JPEG and TIFF readers decode into, made between their header
// pass and their decode pass.
#pragma once
#include "platform.h"

// A new bottom-up 24-bit record (LMEM_FIXED) of the size in g_readerState, with its header
// filled, PaletteFromDib of it in the palette slot and the padding of every row zeroed;
// g_readerState.stride and .pixels then describe its rows, which the decode pass fills
// whole. Null, with nothing made, when the size cannot be represented or allocated.
BITMAPINFOHEADER* NewRgbRecord(HPALETTE* palette);
