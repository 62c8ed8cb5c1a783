// The viewer's GIF reader: the loaded record finished into the device bitmap and thumbnail.
#include "gif.h"
#include "image.h"
#include "readers.h"

HBITMAP ReadGifFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  return FinishLoadedDib(LoadGifDib(path, palette), palette, thumbnail);
}
