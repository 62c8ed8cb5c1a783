// Times the JPEG and TIFF readers as the Windows build runs them: our loaders against bare
// library reads of the same files in the same process (a default JPEG decode into one fresh
// whole-picture buffer, and the one-row decode beside it as the library's floor; one
// TIFFReadRGBAImage into a fresh raster). scripts/bench.d/40-jpeg-tiff.py runs it on Wine.
//     bench_readers_win <jpeg> <tiff> <rounds> [<second jpeg>]
// Prints one "name milliseconds" line per figure and round; the script does the statistics.
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

// One file's figures in one round, printed as "name milliseconds" lines; the order of the
// routines alternates between rounds, so that none always runs on the heap and cache the
// one before it left behind.
static bool TimeJpeg(const char* name, const char* path, bool reversed, bool report) {
  double load, fresh, bare;
  bool ok;
  if (reversed)
    ok = TimeBareJpeg(path, false, &bare) && TimeBareJpeg(path, true, &fresh) &&
         TimeLoader(LoadJpegDib, path, &load);
  else
    ok = TimeLoader(LoadJpegDib, path, &load) && TimeBareJpeg(path, true, &fresh) &&
         TimeBareJpeg(path, false, &bare);
  if (ok && report)
    printf("%s_load %.1f\n%s_bare_fresh %.1f\n%s_bare %.1f\n", name, load, name, fresh, name,
           bare);
  return ok;
}

static bool TimeTiff(const char* path, bool reversed, bool report) {
  double load, bare;
  bool ok = reversed ? TimeBareTiff(path, &bare) && TimeLoader(LoadTiffDib, path, &load)
                     : TimeLoader(LoadTiffDib, path, &load) && TimeBareTiff(path, &bare);
  if (ok && report) printf("tiff_load %.1f\ntiff_bare_rgba %.1f\n", load, bare);
  return ok;
}

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    fprintf(stderr, "usage: bench_readers_win <jpeg> <tiff> <rounds> [<second jpeg>]\n");
    return 2;
  }
  int rounds = atoi(argv[3]);
  const char* second = argc == 5 ? argv[4] : nullptr;
  // Round 0 only warms up (library start-up, file cache, heap) and reports nothing.
  for (int i = 0; i <= rounds; ++i) {
    bool reversed = i % 2 == 0, report = i > 0;
    if (!TimeJpeg("jpeg", argv[1], reversed, report) ||
        (second && !TimeJpeg("jpeg2", second, reversed, report)) ||
        !TimeTiff(argv[2], reversed, report))
      return 1;
  }
  return 0;
}
