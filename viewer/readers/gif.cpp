// The GIF loader (see gif.h): two passes over the file through the buffered stream, one byte
// at a time; a variable-length-code LZW decoder with fixed 4096-entry tables that allocates
// nothing per code and cannot write outside its tables, its line or the image's rows.
#include "gif.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "byte_reader.h"
#include "checked_size.h"
#include "dib.h"
#include "reader_state.h"

BYTE g_gifRed[256], g_gifGreen[256], g_gifBlue[256];
bool g_bGifInterlaced;
LONG g_gifRow;
LONG g_gifRowStep = 1;
DWORD g_gifBadCodes;

namespace {

const int kLineBytes = kGifMaxSide + 1;
const int kTableSize = 4096;
const int kDibTableBytes = 256 * sizeof(RGBQUAD);

// The open file and line buffer of the parse in progress.
ByteStream g_gifStream(nullptr);
BYTE* g_gifLine;

// LZW decoder state.
WORD g_gifPrefix[kTableSize];
BYTE g_gifSuffix[kTableSize];
BYTE g_gifStack[kTableSize];
BYTE g_gifBlock[257];         // one data sub-block (at most 255 bytes)
short g_gifBlockPos;          // read position in it
short g_gifBlockLeft;         // bytes of it not yet taken
bool g_bGifDataEnded;         // the zero-length terminator sub-block was read
BYTE g_gifCurByte;            // the data byte whose high bits are still pending
short g_gifPendingBits;
const WORD kGifCodeMask[13] = {0,    0x1,  0x3,   0x7,   0xF,   0x1F, 0x3F,
                               0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
short g_gifCodeSize, g_gifClearCode, g_gifEndCode, g_gifFirstFree, g_gifNextFree, g_gifLimit;

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

// The next byte of the image data, or negative once the data has ended: at end of file or
// at the terminator sub-block (nothing after it belongs to the image).
inline int GifNextDataByte() {
  if (g_gifBlockLeft <= 0) {
    if (g_bGifDataEnded) return -1;
    int length = g_gifStream.byte();
    if (length < 0) return length;
    if (length == 0) {
      g_bGifDataEnded = true;
      return -1;
    }
    for (int i = 0; i < length; ++i) {
      int b = g_gifStream.byte();
      if (b < 0) return b;
      g_gifBlock[i] = static_cast<BYTE>(b);
    }
    g_gifBlockPos = 0;
    g_gifBlockLeft = static_cast<short>(length);
  }
  --g_gifBlockLeft;
  return g_gifBlock[g_gifBlockPos++];
}

void GifResetCodeSize(int minCodeSize) {
  g_gifCodeSize = static_cast<short>(minCodeSize + 1);
  g_gifLimit = static_cast<short>(1 << (minCodeSize + 1));
  g_gifNextFree = g_gifFirstFree;
}

// Reads count colour triplets into the colour arrays, the rest of which become black:
// entries the file does not define must not show an earlier file's colours.
void ReadGifColors(int count) {
  std::memset(g_gifRed, 0, sizeof g_gifRed);
  std::memset(g_gifGreen, 0, sizeof g_gifGreen);
  std::memset(g_gifBlue, 0, sizeof g_gifBlue);
  for (int i = 0; i < count; ++i) {
    g_gifRed[i] = static_cast<BYTE>((g_gifStream.byte() & 0xFF) >> 2);
    g_gifGreen[i] = static_cast<BYTE>((g_gifStream.byte() & 0xFF) >> 2);
    g_gifBlue[i] = static_cast<BYTE>((g_gifStream.byte() & 0xFF) >> 2);
  }
}

bool CheckGifSignature(const BYTE* h) {
  auto digit = [](BYTE c) { return c >= '0' && c <= '9'; };
  return h[0] == 'G' && h[1] == 'I' && h[2] == 'F' && digit(h[3]) && digit(h[4]) &&
         h[5] >= 'A' && h[5] <= 'z';
}

// Skips the sub-blocks of an extension up to its zero length (or the end of the file).
void SkipGifSubBlocks() {
  for (;;) {
    int length = g_gifStream.byte();
    if (length <= 0) return;
    for (int i = 0; i < length; ++i)
      if (g_gifStream.byte() < 0) return;
  }
}

// The first image descriptor, its local colour table and (decode pass) its data.
short ParseGifImage(bool headerOnly, bool globalTable) {
  BYTE d[9];
  for (BYTE& b : d) {
    int c = g_gifStream.byte();
    if (c < 0) return GIF_NO_IMAGE;  // a descriptor cut short describes no image
    b = static_cast<BYTE>(c);
  }
  LONG width = d[4] | d[5] << 8;
  LONG height = d[6] | d[7] << 8;
  BYTE packed = d[8];
  g_bGifInterlaced = (packed & 0x40) != 0;
  // A local table is the image's palette and comes before its data.
  if (packed & 0x80) ReadGifColors(2 << (packed & 7));
  else if (!globalTable) return GIF_NO_COLOR_TABLE;
  if (width > kGifMaxSide || height > kGifMaxSide) return GIF_TOO_LARGE;
  if (width == 0 || height == 0) return GIF_NO_IMAGE;
  if (headerOnly) {
    g_readerState.width = width;
    g_readerState.height = height;
    return GIF_HEADER_FOUND;
  }
  // The rows were sized by the header pass; a file changed since then must not overrun them.
  if (width != g_readerState.width || height != g_readerState.height) return GIF_FILE_CHANGED;
  GifDecodeImage(static_cast<short>(width));  // truncated or corrupt data still shows
  return GIF_DECODED;
}

short ParseGifStream(bool headerOnly) {
  BYTE header[13];
  for (BYTE& b : header) b = static_cast<BYTE>(g_gifStream.byte() & 0xFF);  // EOF reads 0xFF
  if (!CheckGifSignature(header)) return GIF_BAD_SIGNATURE;
  bool globalTable = (header[10] & 0x80) != 0;
  if (globalTable) ReadGifColors(2 << (header[10] & 7));
  for (;;) {
    int introducer = g_gifStream.byte();
    if (introducer == 0x21) {
      g_gifStream.byte();  // the label: every kind of extension is skipped alike
      SkipGifSubBlocks();
    } else if (introducer == 0x2C) {
      return ParseGifImage(headerOnly, globalTable);
    } else {
      return GIF_NO_IMAGE;  // trailer, an unknown block or end of file before any image
    }
  }
}

// Emits the decoded bytes on the stack (last pushed first) into the line, handing on each
// full line.
inline void GifEmitStack(int count, BYTE* line, int width, int* pos) {
  int p = *pos;
  while (count > 0) {
    line[p++] = g_gifStack[--count];
    if (p == width) {
      GifPutRow(line, width);
      p = 0;
    }
  }
  *pos = p;
}

}  // namespace

short GifNextCode() {
  if (g_gifPendingBits <= 0) {
    int b = GifNextDataByte();
    if (b < 0) return static_cast<short>(b);
    g_gifCurByte = static_cast<BYTE>(b);
    g_gifPendingBits = 8;
  }
  unsigned value = unsigned(g_gifCurByte) >> (8 - g_gifPendingBits);
  while (g_gifCodeSize > g_gifPendingBits) {
    int b = GifNextDataByte();
    if (b < 0) return static_cast<short>(b);
    g_gifCurByte = static_cast<BYTE>(b);
    value |= unsigned(b) << g_gifPendingBits;
    g_gifPendingBits = static_cast<short>(g_gifPendingBits + 8);
  }
  g_gifPendingBits = static_cast<short>(g_gifPendingBits - g_gifCodeSize);
  return static_cast<short>(value & kGifCodeMask[g_gifCodeSize]);
}

short GifDecodeImage(short lineWidth) {
  int minCodeSize = g_gifStream.byte();
  if (minCodeSize < 0) return static_cast<short>(minCodeSize);
  if (minCodeSize < 2 || minCodeSize > 9) return GIF_BAD_CODE_SIZE;
  if (lineWidth <= 0 || lineWidth > kGifMaxSide || !g_gifLine) return GIF_NO_IMAGE;

  g_gifClearCode = static_cast<short>(1 << minCodeSize);
  g_gifEndCode = static_cast<short>(g_gifClearCode + 1);
  g_gifFirstFree = static_cast<short>(g_gifClearCode + 2);
  GifResetCodeSize(minCodeSize);
  g_gifPendingBits = 0;
  g_gifBlockLeft = 0;
  g_gifBlockPos = 0;
  g_bGifDataEnded = false;
  // Corrupt data can reach entries this image never defined; they read as zero rather than
  // as whatever an earlier file left.
  std::memset(g_gifPrefix, 0, sizeof g_gifPrefix);
  std::memset(g_gifSuffix, 0, sizeof g_gifSuffix);

  BYTE* line = g_gifLine;
  int pos = 0;
  int firstChar = 0, oldCode = 0;
  bool started = false;  // a stream may omit the leading clear code
  for (;;) {
    int c = GifNextCode();
    if (c == g_gifEndCode) break;
    if (c < 0) return GIF_DECODED;  // the data ran out: a partly filled line is dropped
    if (c == g_gifClearCode || !started) {
      if (c == g_gifClearCode) {
        GifResetCodeSize(minCodeSize);
        do c = GifNextCode();
        while (c == g_gifClearCode);
        if (c == g_gifEndCode) break;
        if (c < 0) return GIF_DECODED;
      }
      started = true;
      if (c >= g_gifNextFree) c = 0;
      oldCode = firstChar = c;
      g_gifStack[0] = static_cast<BYTE>(c);
      GifEmitStack(1, line, lineWidth, &pos);
      continue;
    }
    int code = c, sp = 0;
    if (code >= g_gifNextFree) {
      // The code the encoder is defining right now: the previous string and its first byte.
      if (code > g_gifNextFree) ++g_gifBadCodes;
      code = oldCode;
      g_gifStack[sp++] = static_cast<BYTE>(firstChar);
    }
    // Corrupt data can chain entries into a loop; the stack bound ends the walk.
    while (code >= g_gifFirstFree && sp < kTableSize - 1) {
      g_gifStack[sp++] = g_gifSuffix[code];
      code = g_gifPrefix[code];
    }
    g_gifStack[sp++] = static_cast<BYTE>(code);
    if (g_gifNextFree < g_gifLimit) {
      firstChar = code;
      g_gifSuffix[g_gifNextFree] = static_cast<BYTE>(code);
      g_gifPrefix[g_gifNextFree] = static_cast<WORD>(oldCode);
      ++g_gifNextFree;
      oldCode = c;
      if (g_gifNextFree >= g_gifLimit && g_gifCodeSize < 12) {
        g_gifLimit = static_cast<short>(g_gifLimit * 2);
        ++g_gifCodeSize;
      }
    }
    GifEmitStack(sp, line, lineWidth, &pos);
  }
  if (pos != 0) return GifPutRow(line, pos);
  return GIF_DECODED;
}

short GifPutRow(const BYTE* line, int length) {
  const ReaderState& rs = g_readerState;
  if (g_gifRow >= 0 && g_gifRow < rs.height && rs.pixels) {
    int n = length < rs.width ? length : rs.width;
    if (n > 0)
      std::memcpy(rs.pixels + size_t(rs.height - 1 - g_gifRow) * size_t(rs.stride), line,
                  size_t(n));
  }
  g_gifRow += g_gifRowStep < 0 ? -g_gifRowStep : g_gifRowStep;
  // Past the last row the next interlace pass begins; passes without rows are passed over.
  while (g_gifRow >= rs.height && g_gifRowStep != 1 && g_gifRowStep != 2) {
    switch (g_gifRowStep) {
      case -8: g_gifRowStep = 8; g_gifRow = 4; break;
      case 8: g_gifRowStep = 4; g_gifRow = 2; break;
      default: g_gifRowStep = 2; g_gifRow = 1; break;
    }
  }
  return 0;
}

short ParseGif(LPCSTR path, bool headerOnly) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return GIF_OPEN_FAILED;
  std::unique_ptr<BYTE, FreeDeleter> line(static_cast<BYTE*>(std::calloc(kLineBytes, 1)));
  if (!line) return GIF_NO_MEMORY;
  g_gifStream = ByteStream(file.get());
  g_gifLine = line.get();
  short status = ParseGifStream(headerOnly);
  g_gifLine = nullptr;
  g_gifStream = ByteStream(nullptr);
  return status;
}

BITMAPINFOHEADER* LoadGifDib(LPCSTR path, HPALETTE* palette) {
  g_gifRow = 0;
  g_gifRowStep = 1;
  if (ParseGif(path, true) < 0) return nullptr;
  if (g_bGifInterlaced) g_gifRowStep = -8;

  const LONG width = g_readerState.width, height = g_readerState.height;
  size_t stride, blockBytes;
  if (!DibRowStride(width, 8, &stride) ||
      !DibBlockSize(width, height, 8, sizeof(BITMAPINFOHEADER) + kDibTableBytes, &blockBytes))
    return nullptr;
  g_readerState.stride = static_cast<LONG>(stride);
  auto* dib = static_cast<BITMAPINFOHEADER*>(LocalAlloc(LMEM_FIXED, blockBytes));
  if (!dib) return nullptr;

  std::memset(dib, 0, sizeof *dib);
  dib->biSize = sizeof(BITMAPINFOHEADER);
  dib->biWidth = width;
  dib->biHeight = height;
  dib->biPlanes = 1;
  dib->biBitCount = 8;
  dib->biCompression = BI_RGB;
  dib->biSizeImage = static_cast<DWORD>(stride * size_t(height));
  dib->biClrUsed = 256;
  dib->biClrImportant = 256;
  auto* table = reinterpret_cast<RGBQUAD*>(dib + 1);
  for (int i = 0; i < 256; ++i) {
    table[i].rgbBlue = static_cast<BYTE>(g_gifBlue[i] * 4);
    table[i].rgbGreen = static_cast<BYTE>(g_gifGreen[i] * 4);
    table[i].rgbRed = static_cast<BYTE>(g_gifRed[i] * 4);
    table[i].rgbReserved = 0;
  }
  *palette = PaletteFromDib(dib);

  BYTE* pixels = reinterpret_cast<BYTE*>(table + 256);
  std::memset(pixels, 0, stride * size_t(height));
  g_readerState.pixels = pixels;
  short status = ParseGif(path, false);
  g_readerState.pixels = nullptr;  // from here on the rows belong to whoever gets the record
  if (status < 0) {
    LocalFree(dib);
    return nullptr;
  }
  return dib;
}
