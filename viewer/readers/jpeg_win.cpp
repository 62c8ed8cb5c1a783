// The viewer's JPEG reader: the record from libjpeg, finished into the bitmaps a child shows.
#include "image.h"
#include "jpeg.h"
#include "readers.h"

HBITMAP ReadJpegFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  return FinishLoadedDib(LoadJpegDib(path, palette), palette, thumbnail);
}
