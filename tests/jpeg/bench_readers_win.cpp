// Times the JPEG and TIFF readers as the Windows build runs them: our loaders against bare
// library reads of the same files (a djpeg-like decode, one TIFFReadRGBAImage) in the same
// process. scripts/bench.d/40-jpeg-tiff.py runs
// it on Wine beside djpeg on the host.
//     bench_readers_win <jpeg> <tiff> <runs>
// Prints one "name milliseconds" line per figure, each the best of the runs.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <tiffio.h>

#include "readers/jpeg.h"
#include "readers/tiff.h"

static double NowMs() {
  static LARGE_INTEGER frequency;
  if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

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

// What djpeg does: a default decode, one scanline at a time into one row.
static bool TimeBareJpeg(const char* path, double* ms) {
  double start = NowMs();
  FILE* f = fopen(path, "rb");
  if (!f) return false;
  jpeg_decompress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, f);
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                              info.output_width * info.output_components, 1);
  while (info.output_scanline < info.output_height) jpeg_read_scanlines(&info, row, 1);
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  fclose(f);
  *ms = NowMs() - start;
  return true;
}

static void Quiet(const char*, const char*, va_list) {}

// The reference: open, fetch the size, one TIFFReadRGBAImage into a raster, close.
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
  _TIFFfree(raster);
  TIFFClose(tiff);
  *ms = NowMs() - start;
  return ok;
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: bench_readers_win <jpeg> <tiff> <runs>\n");
    return 2;
  }
  int runs = atoi(argv[3]);
  double best[4] = {1e30, 1e30, 1e30, 1e30}, ms;
  // Round 0 only warms up (library start-up, file cache, heap), so that whichever routine
  // comes first in a round pays nothing the others do not.
  for (int i = 0; i <= runs; ++i) {
    if (i == 1) best[0] = best[1] = best[2] = best[3] = 1e30;
    if (!TimeLoader(LoadJpegDib, argv[1], &ms)) return 1;
    if (ms < best[0]) best[0] = ms;
    if (!TimeLoader(LoadTiffDib, argv[2], &ms)) return 1;
    if (ms < best[1]) best[1] = ms;
    if (!TimeBareTiff(argv[2], &ms)) return 1;
    if (ms < best[2]) best[2] = ms;
    if (!TimeBareJpeg(argv[1], &ms)) return 1;
    if (ms < best[3]) best[3] = ms;
  }
  printf("jpeg_load %.1f\ntiff_load %.1f\ntiff_bare_rgba %.1f\njpeg_bare %.1f\n", best[0],
         best[1], best[2], best[3]);
  return 0;
}
