// The viewer's Targa reader: the loaded record finished into the device bitmap and thumbnail.
#include "image.h"
#include "readers.h"
#include "targa.h"

HBITMAP ReadTargaFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  return FinishLoadedDib(LoadTargaDib(path, palette), palette, thumbnail);
}
