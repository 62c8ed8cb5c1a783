// Open's work after the dialog's OK, step by step, as the Windows build runs it on Wine:
// the reader (decode and record, with its palette), then the finishing steps FinishDib runs
// (plain form, device bitmap on the screen DC, thumbnail and its bitmap), each timed alone,
// and the palette made again alone; for JPEG the bare decode into one fresh whole-picture
// buffer beside it, so the record's share is the reader's time less that decode.
//     bench_open_win <runs> <jpeg> <gif>
// Prints "<file kind>_<step> <best ms>" lines.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "bare_jpeg_win.h"
#include "dib.h"
#include "display_dib.h"
#include "readers/gif.h"
#include "readers/jpeg.h"
#include "thumbnail.h"

namespace {

struct Steps {
  double load = 1e30, palette = 1e30, plain = 1e30, bitmap = 1e30, thumbnail = 1e30,
         bare = 1e30;
};

void Keep(double* best, double ms) {
  if (ms < *best) *best = ms;
}

bool OneRound(BITMAPINFOHEADER* (*load)(LPCSTR, HPALETTE*), const char* path, Steps* best) {
  HPALETTE palette = nullptr;
  double start = NowMs();
  BITMAPINFOHEADER* dib = load(path, &palette);
  Keep(&best->load, NowMs() - start);
  if (palette) DeleteObject(palette);
  if (!dib) {
    fprintf(stderr, "%s: the reader gave no picture\n", path);
    return false;
  }

  start = NowMs();
  HPALETTE again = PaletteFromDib(dib);
  Keep(&best->palette, NowMs() - start);

  bool ok = false;
  HDC screen = GetDC(nullptr);
  std::unique_ptr<ThumbnailImage> thumb(new (std::nothrow) ThumbnailImage);
  if (screen && thumb) {
    HPALETTE previous = nullptr;
    if (again) {
      previous = SelectPalette(screen, again, FALSE);
      RealizePalette(screen);
    }
    start = NowMs();
    PlainDib plain;
    bool madePlain = MakePlainDib(dib, DibPixels(dib), &plain);
    Keep(&best->plain, NowMs() - start);
    if (madePlain) {
      start = NowMs();
      HBITMAP bitmap = CreateDIBitmap(screen, plain.header, CBM_INIT, plain.pixels,
                                      reinterpret_cast<const BITMAPINFO*>(plain.header),
                                      DIB_RGB_COLORS);
      Keep(&best->bitmap, NowMs() - start);
      start = NowMs();
      HBITMAP small = nullptr;
      if (BuildThumbnail(plain.header, plain.pixels, thumb.get()))
        small = CreateDIBitmap(screen, &thumb->header, CBM_INIT, thumb->bits,
                               reinterpret_cast<const BITMAPINFO*>(&thumb->header),
                               DIB_RGB_COLORS);
      Keep(&best->thumbnail, NowMs() - start);
      ok = bitmap && small;
      if (!ok)
        fprintf(stderr, "%s: device bitmap %p, thumbnail %p\n", path, (void*)bitmap,
                (void*)small);
      if (bitmap) DeleteObject(bitmap);
      if (small) DeleteObject(small);
    }
    if (previous) SelectPalette(screen, previous, FALSE);
  }
  if (screen) ReleaseDC(nullptr, screen);
  if (again) DeleteObject(again);
  LocalFree(dib);
  return ok;
}

void Print(const char* kind, const Steps& s, bool bare) {
  printf("%s_load %.1f\n%s_palette %.1f\n%s_plain %.1f\n%s_bitmap %.1f\n%s_thumbnail %.1f\n",
         kind, s.load, kind, s.palette, kind, s.plain, kind, s.bitmap, kind, s.thumbnail);
  if (bare) printf("%s_bare_fresh %.1f\n", kind, s.bare);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: bench_open_win <runs> <jpeg> <gif>\n");
    return 2;
  }
  int runs = atoi(argv[1]);
  Steps jpeg, gif;
  // Round 0 only warms up (library start-up, file cache, heap).
  for (int i = 0; i <= runs; ++i) {
    if (i == 1) jpeg = gif = Steps();
    if (!OneRound(LoadJpegDib, argv[2], &jpeg)) return 1;
    double ms;
    if (!TimeBareJpeg(argv[2], true, &ms)) {
      fprintf(stderr, "%s: the bare decode failed\n", argv[2]);
      return 1;
    }
    Keep(&jpeg.bare, ms);
    if (!OneRound(LoadGifDib, argv[3], &gif)) return 1;
  }
  Print("jpeg", jpeg, true);
  Print("gif", gif, false);
  return 0;
}
