// The reader each reader code calls. A code without a reader leaves the child empty. The
// Targa, GIF, JPEG, TIFF, PNG and WebP readers are their loaders' records finished into the
// device bitmap and thumbnail a child shows.
#include "gif.h"
#include "image.h"
#include "jpeg.h"
#include "png.h"
#include "readers.h"
#include "targa.h"
#include "tiff.h"
#include "webp.h"

HBITMAP ReadTargaFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  return FinishLoadedDib(LoadTargaDib(path, palette), palette, thumbnail);
}

HBITMAP ReadGifFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  return FinishLoadedDib(LoadGifDib(path, palette), palette, thumbnail);
}

HBITMAP ReadJpegFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  return FinishLoadedDib(LoadJpegDib(path, palette), palette, thumbnail);
}

HBITMAP ReadTiffFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  return FinishLoadedDib(LoadTiffDib(path, palette), palette, thumbnail);
}

HBITMAP ReadPngFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  return FinishLoadedDib(LoadPngDib(path, palette), palette, thumbnail);
}

HBITMAP ReadWebpFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  return FinishLoadedDib(LoadWebpDib(path, palette), palette, thumbnail);
}

ImageReader ReaderForCode(ReaderCode code) {
  switch (code) {
    case READER_BMP: return ReadBmpFile;
    case READER_DIB: return ReadDibFile;
    case READER_GIF: return ReadGifFile;
    case READER_TARGA: return ReadTargaFile;
    case READER_JPEG: return ReadJpegFile;
    case READER_TIFF: return ReadTiffFile;
    case READER_PNG: return ReadPngFile;
    case READER_WEBP: return ReadWebpFile;
    default: return nullptr;
  }
}
