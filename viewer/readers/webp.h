// The WebP reader's pure half: libwebp's decoding of a WebP file (lossy, lossless, with or
// without alpha; of an animation, its first frame) into a 24-bit packed record, transparency
// composited over white. Builds natively too, for the host tests and the fuzz target.
#pragma once
#include <cstddef>

#include "platform.h"

// Reads the WebP file into a new 24-bit bottom-up record, storing PaletteFromDib of it in the
// palette slot once the header is read. Returns the block, which the caller frees with
// LocalFree, or null; a palette already in the slot stays there.
BITMAPINFOHEADER* LoadWebpDib(LPCSTR path, HPALETTE* palette);

// One pass over the file: header only (the canvas size into g_readerState) or the decode into
// g_readerState.pixels. 1 on success, 0 on failure.
int DecodeWebp(LPCSTR path, BOOL headerOnly);

// Writes count blue-green-red-alpha pixels composited over white into row n from the top,
// from column x on.
void WebpPutRow(const BYTE* bgra, LONG x, LONG count, LONG n);

// The most a load may take in all: the file, the record, the decoder's working memory and
// our own buffer. Pictures that would need more are refused before they are decoded.
const size_t kWebpMaxBytes = size_t(256) << 20;
