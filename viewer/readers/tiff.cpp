// TIFF files through libtiff's RGBA interface: the first image of the file, whatever its
// kind, becomes a 24-bit packed record. Every library message is swallowed.
#include "tiff.h"

#include <cstdarg>
#include <cstdint>
#include <cstring>

#include "checked_size.h"
#include "reader_record.h"
#include "reader_state.h"

#include <tiffio.h>

static void TiffQuietWarning(const char* module, const char* format, va_list args) {}
static void TiffQuietError(const char* module, const char* format, va_list args) {}

// The handlers are process-wide; installing them before each library call keeps anything
// that swapped them in the meantime from reaching the user.
static void InstallQuietTiffHandlers() {
  TIFFSetWarningHandler(TiffQuietWarning);
  TIFFSetErrorHandler(TiffQuietError);
}

void TiffPutRow(const DWORD* raster, LONG n) {
  const ReaderState& s = g_readerState;
  if (n < 0 || n >= s.height || !s.pixels) return;
  BYTE* out = s.pixels + size_t(s.height - 1 - n) * size_t(s.stride);
  // Each value holds red in its low byte, then green, blue and alpha (dropped).
  for (LONG x = 0; x < s.width; ++x, out += 3) {
    DWORD v = raster[x];
    out[0] = BYTE(v >> 16);
    out[1] = BYTE(v >> 8);
    out[2] = BYTE(v);
  }
}

// The RGBA conversion of the open file into the record g_readerState describes. A raster the
// library cannot fill (a layout its RGBA interface does not know) is a failure, not a black
// picture.
static int ConvertTiffImage(TIFF* tiff, uint32_t width, uint32_t height) {
  const ReaderState& s = g_readerState;
  size_t rasterBytes, pixelCount;
  if (LONG(width) != s.width || LONG(height) != s.height || !s.pixels ||
      !CheckedMul(width, height, &pixelCount) || !CheckedMul(pixelCount, 4, &rasterBytes))
    return 0;
  uint32_t* raster = static_cast<uint32_t*>(_TIFFmalloc(tmsize_t(rasterBytes)));
  if (!raster) return 0;
  int ok = TIFFReadRGBAImage(tiff, width, height, raster, 0);
  if (ok) {
    // Raster row i is image row i from the bottom, whatever the file's orientation.
    for (uint32_t i = 0; i < height; ++i)
      TiffPutRow(reinterpret_cast<const DWORD*>(raster) + size_t(i) * width, LONG(height - 1 - i));
  }
  _TIFFfree(raster);
  return ok ? 1 : 0;
}

int DecodeTiff(LPCSTR path, BOOL headerOnly) {
  InstallQuietTiffHandlers();
  TIFF* tiff = TIFFOpen(path, "rb");
  if (!tiff) return 0;
  InstallQuietTiffHandlers();
  uint32_t width = 0, height = 0;
  int ok = TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) == 1 &&
           TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) == 1 && width > 0 && height > 0 &&
           width <= INT32_MAX && height <= INT32_MAX;
  if (ok && headerOnly) {
    g_readerState.width = LONG(width);
    g_readerState.height = LONG(height);
  } else if (ok) {
    ok = ConvertTiffImage(tiff, width, height);
  }
  TIFFClose(tiff);
  return ok;
}

BITMAPINFOHEADER* LoadTiffDib(LPCSTR path, HPALETTE* palette) {
  if (!DecodeTiff(path, TRUE)) return nullptr;
  // The decode pass needs the 4-byte raster beside the record: refuse what it cannot hold.
  size_t pixelCount, rasterBytes;
  if (!CheckedMul(uint64_t(g_readerState.width), uint64_t(g_readerState.height), &pixelCount) ||
      !CheckedMul(pixelCount, 4, &rasterBytes))
    return nullptr;
  BITMAPINFOHEADER* dib = NewReaderRecord(24, nullptr, palette);
  if (!dib) return nullptr;
  return KeepIfDecoded(dib, DecodeTiff(path, FALSE) != 0);
}
