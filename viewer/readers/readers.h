// The image readers. Each is given a path, a palette slot and a thumbnail slot and returns
// the device bitmap or null; whatever lands in the slots belongs to the caller, even when
// the reader fails.
#pragma once
#include "platform.h"
#include "reader_code.h"

#ifdef _WIN32
typedef HBITMAP (*ImageReader)(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail);

HBITMAP ReadBmpFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail);
HBITMAP ReadDibFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail);
HBITMAP ReadTargaFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail);
HBITMAP ReadGifFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail);
HBITMAP ReadJpegFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail);
HBITMAP ReadTiffFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail);
HBITMAP ReadPngFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail);
HBITMAP ReadWebpFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail);

// The reader for a code, or null where there is none (".cel", or a reader not built in).
ImageReader ReaderForCode(ReaderCode code);
#endif
