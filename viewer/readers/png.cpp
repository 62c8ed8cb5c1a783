// PNG files through libpng: a header pass that finds the size, the layout and the colours,
// then a decode pass into the record. Library errors come back through a jump to the
// recovery point of the pass; warnings are dropped; nothing is ever shown. Only the chunks
// that make the picture are read (no gamma, no colour profile, no text), and the memory a
// load takes is bounded before anything is allocated.
#include "png.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "checked_size.h"
#include "reader_record.h"
#include "reader_state.h"

#include <png.h>

namespace {

// What the header pass found beyond the size; the decode pass sets libpng up from it and
// refuses a file that says otherwise by then.
struct PngLayout {
  int colorType;
  int bitDepth;
  int interlace;
  bool indexed;  // palette or grey of 8 bits or fewer: 8-bit record, colours in its table
  bool alpha;    // an alpha channel or a tRNS colour, composited over white
  RGBQUAD table[256];
};

PngLayout g_pngLayout;
BYTE* g_pngWork;       // the decode pass's own buffer: one row, or the image when interlaced
LONG g_pngRowsRead;    // rows libpng has delivered in the decode pass (any interlace pass)

}  // namespace

// A library error: back to the recovery point of the pass, without the message.
static void PngQuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
static void PngQuietWarning(png_structp, png_const_charp) {}

// A colour over white by its alpha, rounded.
static inline BYTE OverWhite8(unsigned c, unsigned a) {
  return BYTE((c * a + 255 * (255 - a) + 127) / 255);
}

// The same at 16 bits, then reduced to 8 bits, rounded at both steps.
static inline BYTE OverWhite16(unsigned c, unsigned a) {
  unsigned v = (c * a + 65535u * (65535u - a) + 32767u) / 65535u;
  return BYTE((v * 255u + 32767u) / 65535u);
}

void PngPutRow(const BYTE* samples, int bytesPerSample, LONG n) {
  const ReaderState& s = g_readerState;
  if (n < 0 || n >= s.height || !s.pixels) return;
  BYTE* out = s.pixels + size_t(s.height - 1 - n) * size_t(s.stride);
  if (bytesPerSample == 1) {
    for (LONG x = 0; x < s.width; ++x, out += 3, samples += 4)
      for (int c = 0; c < 3; ++c) out[c] = OverWhite8(samples[c], samples[3]);
  } else {
    for (LONG x = 0; x < s.width; ++x, out += 3, samples += 8) {
      unsigned a = unsigned(samples[6]) << 8 | samples[7];
      for (int c = 0; c < 3; ++c)
        out[c] = OverWhite16(unsigned(samples[2 * c]) << 8 | samples[2 * c + 1], a);
    }
  }
}

// The colour table of an indexed picture: the palette with each entry composited over white
// by its tRNS alpha, or the grey levels with the tRNS grey (if any) white. Entries the file
// does not give stay black.
static void MakePngTable(png_structp png, png_infop info) {
  PngLayout& p = g_pngLayout;
  std::memset(p.table, 0, sizeof p.table);
  png_bytep alpha = nullptr;
  int alphaCount = 0;
  png_color_16p transparent = nullptr;
  const bool hasTrns = png_get_tRNS(png, info, &alpha, &alphaCount, &transparent) != 0;
  if (p.colorType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp colors = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colors, &count);
    for (int i = 0; i < count && i < 256; ++i) {
      unsigned a = hasTrns && alpha && i < alphaCount ? alpha[i] : 255;
      p.table[i].rgbRed = OverWhite8(colors[i].red, a);
      p.table[i].rgbGreen = OverWhite8(colors[i].green, a);
      p.table[i].rgbBlue = OverWhite8(colors[i].blue, a);
    }
    return;
  }
  const int levels = 1 << p.bitDepth;
  for (int i = 0; i < levels; ++i) {
    BYTE v = BYTE(i * 255 / (levels - 1));
    p.table[i].rgbRed = p.table[i].rgbGreen = p.table[i].rgbBlue = v;
  }
  if (hasTrns && transparent && transparent->gray < levels) {
    RGBQUAD& t = p.table[transparent->gray];
    t.rgbRed = t.rgbGreen = t.rgbBlue = 255;
  }
}

static int TakePngHeader(png_structp png, png_infop info) {
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  if (!png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr,
                    nullptr) ||
      width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
    return 0;
  PngLayout& p = g_pngLayout;
  p.colorType = colorType;
  p.bitDepth = bitDepth;
  p.interlace = interlace;
  p.indexed = colorType == PNG_COLOR_TYPE_PALETTE ||
              (colorType == PNG_COLOR_TYPE_GRAY && bitDepth <= 8);
  p.alpha = !p.indexed && ((colorType & PNG_COLOR_MASK_ALPHA) != 0 ||
                           png_get_valid(png, info, PNG_INFO_tRNS) != 0);
  if (p.indexed) MakePngTable(png, info);
  g_readerState.width = LONG(width);
  g_readerState.height = LONG(height);
  return 1;
}

// Only the chunks that make the picture are read: everything else (gamma, colour profiles,
// text, private chunks) is skipped unread, so none of it takes memory. The decode pass also
// holds libpng to the size the header pass found and its chunks to what such a picture needs.
static void LimitPng(png_structp png, bool headerOnly) {
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  if (headerOnly) {
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_chunk_malloc_max(png, kPngMaxBytes);
    return;
  }
  const ReaderState& s = g_readerState;
  png_set_user_limits(png, png_uint_32(s.width), png_uint_32(s.height));
  size_t bytes;
  if (!CheckedMul(uint64_t(s.width) * uint64_t(s.height), 8, &bytes) || bytes > kPngMaxBytes)
    bytes = kPngMaxBytes;
  png_set_chunk_malloc_max(png, bytes < (size_t(1) << 20) ? size_t(1) << 20 : bytes);
}

// The transformations that give the rows the record's own layout: indices one to a byte
// for indexed pictures; blue-green-red for the others, or blue-green-red-alpha at the file's
// sample size where there is transparency to composite. Returns the bytes of a row libpng
// is then going to deliver.
static size_t SetPngTransforms(png_structp png, png_infop info) {
  const PngLayout& p = g_pngLayout;
  if (p.indexed) {
    if (p.bitDepth < 8) png_set_packing(png);
  } else {
    // Rounds to the nearest 8-bit level rather than keeping the high byte.
    if (p.bitDepth == 16 && !p.alpha) png_set_scale_16(png);
    if ((p.colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
    if (p.alpha && (p.colorType & PNG_COLOR_MASK_ALPHA) == 0) png_set_tRNS_to_alpha(png);
    png_set_bgr(png);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return png_get_rowbytes(png, info);
}

static size_t PngRowBytes() {
  const PngLayout& p = g_pngLayout;
  const size_t width = size_t(g_readerState.width);
  if (p.indexed) return width;
  return p.alpha ? width * 4 * size_t(p.bitDepth / 8) : width * 3;
}

static BYTE* RecordRow(LONG y) {
  const ReaderState& s = g_readerState;
  return s.pixels + size_t(s.height - 1 - y) * size_t(s.stride);
}

// Rows the record can take as libpng gives them go straight into it, interlace passes
// combining there; rows to composite go through our buffer (the whole image when passes
// have to be combined first) into PngPutRow.
static int ReadPngRows(png_structp png, png_infop info) {
  const ReaderState& s = g_readerState;
  const PngLayout& p = g_pngLayout;
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  if (LONG(width) != s.width || LONG(height) != s.height || bitDepth != p.bitDepth ||
      colorType != p.colorType || interlace != p.interlace || !s.pixels)
    return 0;
  const size_t rowBytes = PngRowBytes();
  if (SetPngTransforms(png, info) != rowBytes) return 0;
  const int passes = interlace == PNG_INTERLACE_NONE ? 1 : 7;
  if (p.alpha) {
    // Zeroed: pixels a damaged file never reaches are transparent, so white.
    g_pngWork = static_cast<BYTE*>(std::calloc(passes > 1 ? size_t(height) : 1, rowBytes));
    if (!g_pngWork) return 0;
  }
  for (int pass = 0; pass < passes; ++pass) {
    for (LONG y = 0; y < s.height; ++y) {
      BYTE* row = !p.alpha ? RecordRow(y) : g_pngWork + (passes > 1 ? size_t(y) * rowBytes : 0);
      png_read_row(png, row, nullptr);
      ++g_pngRowsRead;
      if (p.alpha && passes == 1) PngPutRow(row, p.bitDepth / 8, y);
    }
  }
  return 1;
}

// The end of a decode pass, however it ended: an image buffer of combined passes goes into
// the record now, as far as libpng filled it.
static void FinishPngRows() {
  if (g_pngWork && g_pngLayout.interlace != PNG_INTERLACE_NONE && g_pngRowsRead > 0) {
    const size_t rowBytes = PngRowBytes();
    for (LONG y = 0; y < g_readerState.height; ++y)
      PngPutRow(g_pngWork + size_t(y) * rowBytes, g_pngLayout.bitDepth / 8, y);
  }
  std::free(g_pngWork);
  g_pngWork = nullptr;
}

// A plain function on purpose: nothing with a destructor may be alive across the jump.
int DecodePng(LPCSTR path, BOOL headerOnly) {
  FILE* file = fopen(path, "rb");
  if (!file) return 0;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngQuietError,
                                           PngQuietWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    fclose(file);
    return 0;
  }
  g_pngWork = nullptr;
  g_pngRowsRead = 0;
  int ok = 0;
  if (setjmp(png_jmpbuf(png))) {
    // What libpng delivered before it stopped (a file cut short, a damaged chunk) stands.
    ok = !headerOnly && g_pngRowsRead > 0;
  } else {
    png_init_io(png, file);
    LimitPng(png, headerOnly != 0);
    png_read_info(png, info);
    ok = headerOnly ? TakePngHeader(png, info) : ReadPngRows(png, info);
  }
  if (!headerOnly) FinishPngRows();
  png_destroy_read_struct(&png, &info, nullptr);
  fclose(file);
  return ok;
}

// All a load takes at most: the record, libpng's two rows (at most 8 bytes a pixel in any
// transformation) and our own buffer for rows to composite.
static bool PngFitsInMemory() {
  const PngLayout& p = g_pngLayout;
  const uint64_t width = uint64_t(g_readerState.width), height = uint64_t(g_readerState.height);
  size_t record, libraryRows, work = 0, total;
  if (!DibBlockSize(width, height, p.indexed ? 8 : 24,
                    sizeof(BITMAPINFOHEADER) + (p.indexed ? 256 * sizeof(RGBQUAD) : 0), &record) ||
      !CheckedMul(width * 8 + 64, 2, &libraryRows))
    return false;
  if (p.alpha &&
      !CheckedMul(width * 4 * uint64_t(p.bitDepth / 8),
                  p.interlace != PNG_INTERLACE_NONE ? height : 1, &work))
    return false;
  return CheckedAdd(record, libraryRows, &total) && CheckedAdd(total, work, &total) &&
         total <= kPngMaxBytes;
}

BITMAPINFOHEADER* LoadPngDib(LPCSTR path, HPALETTE* palette) {
  if (!DecodePng(path, TRUE) || !PngFitsInMemory()) return nullptr;
  BITMAPINFOHEADER* dib = NewReaderRecord(g_pngLayout.indexed ? 8 : 24,
                                          g_pngLayout.indexed ? g_pngLayout.table : nullptr,
                                          palette);
  if (!dib) return nullptr;
  // Rows a damaged file never reaches stay zero.
  std::memset(g_readerState.pixels, 0, dib->biSizeImage);
  return KeepIfDecoded(dib, DecodePng(path, FALSE) != 0);
}
