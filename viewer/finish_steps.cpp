// The finishing steps without the device: what fuzz targets and tests run natively.
#include "display_dib.h"
#include "image.h"
#include "thumbnail.h"

void ExerciseFinishSteps(const BITMAPINFOHEADER* dib) {
  if (!dib) return;
  const BYTE* pixels = DibPixels(const_cast<BITMAPINFOHEADER*>(dib));
  std::unique_ptr<ThumbnailImage> thumb(new (std::nothrow) ThumbnailImage);
  if (!thumb) return;
  PlainDib plain;
  if (MakePlainDib(dib, pixels, &plain)) BuildThumbnail(plain.header, plain.pixels, thumb.get());
  if (dib->biBitCount >= 8) {
    HPALETTE halftone = MakeHalftonePalette();
    DibBlock reduced(HalftoneRecord(dib, pixels, halftone));
    if (reduced) BuildThumbnail(reduced.get(), DibPixels(reduced.get()), thumb.get());
    if (halftone) DeleteObject(halftone);
  }
}
