// Times the JPEG and TIFF readers as the Windows build runs them: our loaders against bare
// library reads of the same files in the same process (a default JPEG decode into one fresh
// whole-picture buffer, and the one-row decode beside it as the library's floor; one
// TIFFReadRGBAImage into a fresh raster). scripts/bench.d/40-jpeg-tiff.py runs it on Wine.
//     bench_readers_win <jpeg> <tiff> <runs> [<second jpeg>]
// Prints one "name milliseconds" line per figure, each the best of the runs.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include <tiffio.h>

#include "bare_jpeg_win.h"

#include "readers/jpeg.h"
#include "readers/tiff.h"

static bool TimeLoader(BITMAPINFOHEADER* (*load)(LPCSTR, HPALETTE*), const char* path,
                       double* ms) {
  HPALETTE palette = nullptr;
  double start = NowMs();
  BITMAPINFOHEADER* dib = load(path, &palette);
  *ms = NowMs() - start;
  if (palette) DeleteObject(palette);
  if (!dib) return false;
  LocalFree(dib);
  return true;
}

static void Quiet(const char*, const char*, va_list) {}

// The reference: open, fetch the size, one TIFFReadRGBAImage into a fresh raster, close.
static bool TimeBareTiff(const char* path, double* ms) {
  TIFFSetWarningHandler(Quiet);
  TIFFSetErrorHandler(Quiet);
  double start = NowMs();
  TIFF* tiff = TIFFOpen(path, "r");
  if (!tiff) return false;
  uint32_t w = 0, h = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h);
  uint32_t* raster = static_cast<uint32_t*>(_TIFFmalloc(tmsize_t(w) * h * 4));
  bool ok = raster && TIFFReadRGBAImage(tiff, w, h, raster, 0);
  TIFFClose(tiff);
  *ms = NowMs() - start;  // the raster is freed outside the clock, as the readers' records are
  _TIFFfree(raster);
  return ok;
}

// The figures of one JPEG: our reader, the fresh-buffer decode and the one-row decode.
struct JpegFigures {
  double load = 1e30, fresh = 1e30, bare = 1e30;
};

static bool TimeJpeg(const char* path, JpegFigures* best) {
  double ms;
  if (!TimeLoader(LoadJpegDib, path, &ms)) return false;
  if (ms < best->load) best->load = ms;
  if (!TimeBareJpeg(path, true, &ms)) return false;
  if (ms < best->fresh) best->fresh = ms;
  if (!TimeBareJpeg(path, false, &ms)) return false;
  if (ms < best->bare) best->bare = ms;
  return true;
}

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    fprintf(stderr, "usage: bench_readers_win <jpeg> <tiff> <runs> [<second jpeg>]\n");
    return 2;
  }
  int runs = atoi(argv[3]);
  const char* second = argc == 5 ? argv[4] : nullptr;
  JpegFigures jpeg, jpeg2;
  double tiffLoad = 1e30, tiffBare = 1e30, ms;
  // Round 0 only warms up (library start-up, file cache, heap), so that whichever routine
  // comes first in a round pays nothing the others do not.
  for (int i = 0; i <= runs; ++i) {
    if (i == 1) {
      jpeg = jpeg2 = JpegFigures();
      tiffLoad = tiffBare = 1e30;
    }
    if (!TimeJpeg(argv[1], &jpeg)) return 1;
    if (second && !TimeJpeg(second, &jpeg2)) return 1;
    if (!TimeLoader(LoadTiffDib, argv[2], &ms)) return 1;
    if (ms < tiffLoad) tiffLoad = ms;
    if (!TimeBareTiff(argv[2], &ms)) return 1;
    if (ms < tiffBare) tiffBare = ms;
  }
  printf("jpeg_load %.1f\njpeg_bare_fresh %.1f\njpeg_bare %.1f\n", jpeg.load, jpeg.fresh,
         jpeg.bare);
  if (second)
    printf("jpeg2_load %.1f\njpeg2_bare_fresh %.1f\njpeg2_bare %.1f\n", jpeg2.load, jpeg2.fresh,
           jpeg2.bare);
  printf("tiff_load %.1f\ntiff_bare_rgba %.1f\n", tiffLoad, tiffBare);
  return 0;
}
