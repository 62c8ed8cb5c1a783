// TIFF files through libtiff's RGBA interface: the first image of the file, whatever its
// kind, becomes a 24-bit packed record. Every library message is swallowed, and every
// library allocation is bounded by the picture's size.
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

size_t g_tiffBandBytes = size_t(1) << 20;

// Raster rows converted per call: whole strips or tiles, so that none is decoded twice, and
// about g_tiffBandBytes of raster, so that the rows are still in the cache when they are
// copied into the record and the raster never needs the picture's full size.
static uint32_t TiffBandRows(TIFF* tiff, uint32_t width, uint32_t height) {
  uint32_t unit = 0;
  if (TIFFIsTiled(tiff))
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &unit);
  else
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &unit);
  if (unit == 0 || unit >= height) return height;
  uint64_t wanted = g_tiffBandBytes / (uint64_t(width) * 4);
  uint64_t rows = (wanted / unit + (wanted % unit != 0 || wanted == 0)) * uint64_t(unit);
  return rows >= height ? height : uint32_t(rows);
}

// Asked for rows from the bottom, the library turns each band upside down when the file's
// rows run from the top (the orientations whose first row is the top one).
static bool TiffBandIsFlipped(uint16_t orientation) {
  return orientation == ORIENTATION_TOPLEFT || orientation == ORIENTATION_TOPRIGHT ||
         orientation == ORIENTATION_LEFTTOP || orientation == ORIENTATION_RIGHTTOP;
}

// One band of file rows [first, first + rows) from the raster into the record. A file whose
// rows run from the bottom has its row r at picture row height - 1 - r.
static void TiffPutBand(const uint32_t* raster, uint32_t width, uint32_t height, uint32_t first,
                        uint32_t rows, bool flipped) {
  for (uint32_t j = 0; j < rows; ++j) {
    uint32_t fileRow = flipped ? first + rows - 1 - j : first + j;
    LONG n = LONG(flipped ? fileRow : height - 1 - fileRow);
    TiffPutRow(reinterpret_cast<const DWORD*>(raster) + size_t(j) * width, n);
  }
}

// The conversion in bands of `band` rows. 0 when the library stops on a band: with bands
// shorter than the picture it may then have given up on a strip that one whole-picture band
// would have filled from its buffer and gone on.
static int ConvertTiffBands(TIFF* tiff, uint32_t width, uint32_t height, uint32_t band) {
  size_t rasterBytes, pixelCount;
  if (!CheckedMul(width, band, &pixelCount) || !CheckedMul(pixelCount, 4, &rasterBytes)) return 0;
  char message[1024];
  TIFFRGBAImage image;
  if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&image, tiff, 0, message)) return 0;
  int ok = image.width == width && image.height == height;
  uint32_t* raster = ok ? static_cast<uint32_t*>(_TIFFmalloc(tmsize_t(rasterBytes))) : nullptr;
  ok = raster != nullptr;
  image.req_orientation = ORIENTATION_BOTLEFT;
  const bool flipped = TiffBandIsFlipped(image.orientation);
  for (uint32_t first = 0; ok && first < height; first += band) {
    uint32_t rows = height - first < band ? height - first : band;
    image.row_offset = int(first);
    image.col_offset = 0;
    ok = TIFFRGBAImageGet(&image, raster, width, rows);
    if (ok) TiffPutBand(raster, width, height, first, rows, flipped);
  }
  TIFFRGBAImageEnd(&image);
  _TIFFfree(raster);
  return ok ? 1 : 0;
}

// The RGBA conversion of the open file into the record g_readerState describes, exactly as
// one whole-image read in bottom-left order gives it; a raster the library cannot fill (a
// layout its RGBA interface does not know) is a failure, not a black picture. Bands keep the
// conversion in the cache and the raster small; damaged files get one band of the whole
// picture, which is the library's whole-image read and carries on past strips it cannot read.
static int ConvertTiffImage(TIFF* tiff, uint32_t width, uint32_t height) {
  const ReaderState& s = g_readerState;
  if (LONG(width) != s.width || LONG(height) != s.height || !s.pixels) return 0;
  const uint32_t band = TiffBandRows(tiff, width, height);
  if (ConvertTiffBands(tiff, width, height, band)) return 1;
  return band < height && ConvertTiffBands(tiff, width, height, height);
}

// The library refuses any single allocation above the limit it was opened with, so a small
// file cannot make it ask for gigabytes. The header pass reads only directories; the decode
// pass needs buffers of about the picture's own size (a strip of 16-bit RGBA is 8 bytes a
// pixel), codec state that may exceed that for tiny pictures, and one strip or tile, which
// in a valid file can be larger than the picture (a small picture in 512 x 512 tiles, extra
// samples). A strip or tile counts up to kTiffUnitAllocLimit: larger ones are what a bomb
// declares, and the picture's own size still bounds those.
static const tmsize_t kTiffHeaderAllocLimit = tmsize_t(256) << 20;
static const uint64_t kTiffUnitAllocLimit = uint64_t(16) << 20;

// One strip or tile of the first image, as the header pass found it.
static uint64_t g_tiffUnitBytes;

static tmsize_t TiffDecodeAllocLimit(uint32_t width, uint32_t height) {
  uint64_t floor = uint64_t(1) << 20;
  if (g_tiffUnitBytes <= kTiffUnitAllocLimit && g_tiffUnitBytes > floor) floor = g_tiffUnitBytes;
  size_t pixels, bytes;
  if (!CheckedMul(width, height, &pixels) || !CheckedMul(pixels, 8, &bytes) ||
      bytes > uint64_t(kTiffHeaderAllocLimit))
    return kTiffHeaderAllocLimit;
  return tmsize_t(bytes < floor ? floor : bytes);
}

static TIFF* OpenTiffWithLimit(LPCSTR path, tmsize_t limit) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, limit);
  TIFF* tiff = TIFFOpenExt(path, "rb", options);  // the library keeps its own copy
  TIFFOpenOptionsFree(options);
  return tiff;
}

int DecodeTiff(LPCSTR path, BOOL headerOnly) {
  InstallQuietTiffHandlers();
  // The decode pass follows a header pass, which left the dimensions in g_readerState.
  const tmsize_t limit =
      headerOnly || g_readerState.width <= 0 || g_readerState.height <= 0
          ? kTiffHeaderAllocLimit
          : TiffDecodeAllocLimit(uint32_t(g_readerState.width), uint32_t(g_readerState.height));
  TIFF* tiff = OpenTiffWithLimit(path, limit);
  if (!tiff) return 0;
  InstallQuietTiffHandlers();
  uint32_t width = 0, height = 0;
  int ok = TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) == 1 &&
           TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) == 1 && width > 0 && height > 0 &&
           width <= INT32_MAX && height <= INT32_MAX;
  if (ok && headerOnly) {
    g_readerState.width = LONG(width);
    g_readerState.height = LONG(height);
    g_tiffUnitBytes = TIFFIsTiled(tiff) ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff);
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
