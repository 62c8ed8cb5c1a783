// The viewer's TIFF reader: the record from libtiff, finished into the bitmaps a child shows.
#include "image.h"
#include "readers.h"
#include "tiff.h"

HBITMAP ReadTiffFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  return FinishLoadedDib(LoadTiffDib(path, palette), palette, thumbnail);
}
