// The finishing step of every reader: the record becomes a device bitmap and a thumbnail
// compatible with the screen, through the halftone palette when halftone mode is on.
#include <memory>

#include "display_dib.h"
#include "image.h"
#include "thumbnail.h"
#include "viewer.h"

namespace {
// The screen's DC with a palette selected and realised for the length of a scope.
class ScreenDc {
 public:
  explicit ScreenDc(HPALETTE palette) : dc_(GetDC(nullptr)) {
    if (dc_ && palette) {
      previous_ = SelectPalette(dc_, palette, FALSE);
      RealizePalette(dc_);
    }
  }
  ~ScreenDc() {
    if (!dc_) return;
    if (previous_) SelectPalette(dc_, previous_, FALSE);
    ReleaseDC(nullptr, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HPALETTE previous_ = nullptr;
};

HBITMAP BitmapFromPlain(HDC dc, const BITMAPINFOHEADER* header, const BYTE* pixels) {
  return CreateDIBitmap(dc, header, CBM_INIT, pixels,
                        reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS);
}
}  // namespace

HBITMAP CreateImageBitmaps(BITMAPINFO* info, const BYTE* pixels, HPALETTE palette,
                           HBITMAP* thumbnail) {
  if (!info || !pixels) return nullptr;
  PlainDib plain;
  if (!MakePlainDib(&info->bmiHeader, pixels, &plain)) return nullptr;
  std::unique_ptr<ThumbnailImage> thumb(new (std::nothrow) ThumbnailImage);
  ScreenDc screen(palette);
  if (!screen.get()) return nullptr;
  HBITMAP bitmap = BitmapFromPlain(screen.get(), plain.header, plain.pixels);
  // The thumbnail is made even when the full-size bitmap could not be.
  if (thumb && thumbnail && BuildThumbnail(plain.header, plain.pixels, thumb.get()))
    *thumbnail = BitmapFromPlain(screen.get(), &thumb->header, thumb->bits);
  return bitmap;
}

HBITMAP FinishDib(BITMAPINFOHEADER* header, void* block, BYTE* pixels, HPALETTE* palette,
                  HBITMAP* thumbnail) {
  HBITMAP bitmap = nullptr;
  HPALETTE unused = nullptr;
  if (!palette) palette = &unused;
  if (header && g_bHalftone && header->biBitCount >= 8) {
    if (*palette) DeleteObject(*palette);
    *palette = MakeHalftonePalette();
    DibBlock reduced(HalftoneRecord(header, pixels, *palette));
    if (reduced)
      bitmap = CreateImageBitmaps(reinterpret_cast<BITMAPINFO*>(reduced.get()),
                                  DibPixels(reduced.get()), *palette, thumbnail);
  } else if (header) {
    bitmap = CreateImageBitmaps(reinterpret_cast<BITMAPINFO*>(header), pixels, *palette,
                                thumbnail);
  }
  if (block) LocalFree(block);
  if (unused) DeleteObject(unused);
  return bitmap;
}
