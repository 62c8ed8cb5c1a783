// The GIF loader (see gif.h): two passes over the file through the buffered stream, one byte
// at a time; a variable-length-code LZW decoder with fixed 4096-entry tables that allocates
// nothing per code and cannot write outside its tables, its line or the image's rows.
#include "gif.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "byte_reader.h"
#include "reader_record.h"
#include "reader_state.h"

BYTE g_gifRed[256], g_gifGreen[256], g_gifBlue[256];
bool g_bGifInterlaced;
LONG g_gifRow;
LONG g_gifRowStep = 1;
DWORD g_gifBadCodes;

namespace {

#if defined(__GNUC__)
#define GIF_HOT inline __attribute__((always_inline))
#define GIF_COLD __attribute__((noinline))
#else
#define GIF_HOT inline
#define GIF_COLD
#endif

const int kLineBytes = kGifMaxSide + 1;
const int kTableSize = 4096;

// The open file and line buffer of the parse in progress.
ByteStream g_gifStream(nullptr);
BYTE* g_gifLine;

// LZW decoder state: the string table, the stack strings are unwound on, the code sizes.
WORD g_gifPrefix[kTableSize];
BYTE g_gifSuffix[kTableSize];
BYTE g_gifStack[kTableSize];
WORD g_gifLength[kTableSize];  // string length of each entry: short strings skip the stack
const WORD kGifCodeMask[13] = {0,    0x1,  0x3,   0x7,   0xF,   0x1F, 0x3F,
                               0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
short g_gifCodeSize, g_gifClearCode, g_gifEndCode, g_gifFirstFree, g_gifNextFree, g_gifLimit;
BYTE g_gifBlock[257];  // one data sub-block (at most 255 bytes)

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

// The bit reader: the image data's sub-blocks, read whole into g_gifBlock, their bits taken
// least significant first. The decoder works on a copy in a local so that the compiler can
// keep it in registers.
struct GifBitReader {
  uint32_t bits = 0;   // bits not yet taken, least significant first
  int pending = 0;     // how many
  int pos = 0;         // read position in g_gifBlock
  int left = 0;        // bytes of it not yet taken
  bool ended = false;  // the terminator sub-block or the end of the file was reached

  // The next sub-block; false once the data has ended. Nothing after the terminator is read:
  // it belongs to the blocks that follow the image, not to its data.
  GIF_COLD bool Refill() {
    if (ended) return false;
    int length = g_gifStream.byte();
    if (length <= 0) {
      ended = true;
      return false;
    }
    for (int i = 0; i < length; ++i) {
      int b = g_gifStream.byte();
      if (b < 0) {  // a sub-block cut short by the end of the file is lost
        ended = true;
        return false;
      }
      g_gifBlock[i] = static_cast<BYTE>(b);
    }
    pos = 0;
    left = length;
    return true;
  }

  // The next code of `size` bits, or -1 once the data has ended.
  GIF_HOT int Next(int size) {
    while (pending < size) {
      if (left == 0 && !Refill()) return -1;
      bits |= uint32_t(g_gifBlock[pos++]) << pending;
      --left;
      pending += 8;
    }
    int code = static_cast<int>(bits & kGifCodeMask[size]);
    bits >>= size;
    pending -= size;
    return code;
  }
};
GifBitReader g_gifBits;

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

// True once every row of the image has been filled: the last pass (or the only one) has
// gone past the last row, so whatever data remains has no place to go.
inline bool GifImageComplete() {
  return g_gifRow >= g_readerState.height && (g_gifRowStep == 1 || g_gifRowStep == 2);
}

}  // namespace

short GifNextCode() { return static_cast<short>(g_gifBits.Next(g_gifCodeSize)); }

short GifDecodeImage(short lineWidth) {
  int minCodeSize = g_gifStream.byte();
  if (minCodeSize < 0) return static_cast<short>(minCodeSize);
  if (minCodeSize < 2 || minCodeSize > 9) return GIF_BAD_CODE_SIZE;
  if (lineWidth <= 0 || lineWidth > kGifMaxSide || !g_gifLine) return GIF_NO_IMAGE;

  const int clearCode = 1 << minCodeSize, endCode = clearCode + 1, firstFree = clearCode + 2;
  g_gifClearCode = static_cast<short>(clearCode);
  g_gifEndCode = static_cast<short>(endCode);
  g_gifFirstFree = static_cast<short>(firstFree);
  // Corrupt data can reach entries this image never defined; they read as one zero byte
  // rather than as whatever an earlier file left.
  std::memset(g_gifPrefix, 0, sizeof g_gifPrefix);
  std::memset(g_gifSuffix, 0, sizeof g_gifSuffix);
  std::fill(g_gifLength, g_gifLength + kTableSize, WORD(1));

  // The hot state lives in locals while the image decodes and goes back to the module-wide
  // variables when it ends.
  GifBitReader in;
  int codeSize = minCodeSize + 1, limit = 1 << codeSize, nextFree = firstFree;
  BYTE* const line = g_gifLine;
  const int width = lineWidth;
  int pos = 0;
  bool complete = false;  // every row has been filled
  auto finish = [&](short status) {
    g_gifBits = in;
    g_gifCodeSize = static_cast<short>(codeSize);
    g_gifLimit = static_cast<short>(limit);
    g_gifNextFree = static_cast<short>(nextFree);
    return status;
  };

  int firstChar = 0, oldCode = 0;
  bool started = false;  // a stream may omit the leading clear code
  for (;;) {
    int c = in.Next(codeSize);
    if (c == endCode) break;
    if (c < 0) return finish(GIF_DECODED);  // the data ran out: a partly filled line is dropped
    if (c == clearCode || !started) {
      if (c == clearCode) {
        codeSize = minCodeSize + 1;
        limit = 1 << codeSize;
        nextFree = firstFree;
        do c = in.Next(codeSize);
        while (c == clearCode);
        if (c == endCode) break;
        if (c < 0) return finish(GIF_DECODED);
      }
      started = true;
      if (c >= nextFree) c = 0;
      oldCode = firstChar = c;
      line[pos++] = static_cast<BYTE>(c);
    } else {
      int code = c, tail = -1;
      if (code >= nextFree) {
        // The code the encoder is defining right now: the previous string and its first byte.
        if (code > nextFree) ++g_gifBadCodes;
        code = oldCode;
        tail = firstChar;
      }
      int length = g_gifLength[code], total = length + (tail >= 0);
      if (total <= width - pos) {
        // The string fits the line: written straight into it from its end. Exactly `total`
        // bytes are written whatever the table holds.
        BYTE* p = line + pos + length - 1;
        if (tail >= 0) p[1] = static_cast<BYTE>(tail);
        for (int i = length - 1; i > 0; --i) {
          *p-- = g_gifSuffix[code];
          code = g_gifPrefix[code];
        }
        *p = static_cast<BYTE>(code);
        pos += total;
      } else {
        // It runs past the line's end: unwound on the stack and emitted line by line.
        // Corrupt data can chain entries into a loop; the stack bound ends the walk.
        int sp = 0;
        if (tail >= 0) g_gifStack[sp++] = static_cast<BYTE>(tail);
        while (code >= firstFree && sp < kTableSize - 1) {
          g_gifStack[sp++] = g_gifSuffix[code];
          code = g_gifPrefix[code];
        }
        g_gifStack[sp++] = static_cast<BYTE>(code);
        while (sp > 0) {
          line[pos++] = g_gifStack[--sp];
          if (pos == width) {
            GifPutRow(line, width);
            pos = 0;
            complete = complete || GifImageComplete();
          }
        }
      }
      if (nextFree < limit) {
        firstChar = code;
        g_gifSuffix[nextFree] = static_cast<BYTE>(code);
        g_gifPrefix[nextFree] = static_cast<WORD>(oldCode);
        int grown = g_gifLength[oldCode] + 1;
        g_gifLength[nextFree] = static_cast<WORD>(grown < kTableSize ? grown : kTableSize);
        ++nextFree;
        oldCode = c;
        if (nextFree >= limit && codeSize < 12) {
          limit *= 2;
          ++codeSize;
        }
      }
    }
    if (pos == width) {
      GifPutRow(line, width);
      pos = 0;
      complete = GifImageComplete();
    }
    if (complete) return finish(GIF_DECODED);
  }
  if (pos != 0) return finish(GifPutRow(line, pos));
  return finish(GIF_DECODED);
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

  RGBQUAD table[256];
  for (int i = 0; i < 256; ++i) {
    table[i].rgbBlue = static_cast<BYTE>(g_gifBlue[i] * 4);
    table[i].rgbGreen = static_cast<BYTE>(g_gifGreen[i] * 4);
    table[i].rgbRed = static_cast<BYTE>(g_gifRed[i] * 4);
    table[i].rgbReserved = 0;
  }
  BITMAPINFOHEADER* dib = NewReaderRecord(8, table, palette);
  if (!dib) return nullptr;
  // Truncated or corrupt data may fill only some rows: the others show index 0.
  std::memset(g_readerState.pixels, 0, dib->biSizeImage);
  return KeepIfDecoded(dib, ParseGif(path, false) >= 0);
}
