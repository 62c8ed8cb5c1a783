// The GIF loader (see gif.h): two passes over the file through the buffered stream, one byte
// at a time; a variable-length-code LZW decoder with fixed 4096-entry tables that allocates
// nothing per code and cannot write outside its tables, its buffers or the image's rows.
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
// Image data gathered from whole sub-blocks (their length bytes left out), then 8 bytes that
// let a code be taken with one unaligned 64-bit load, whatever stands in them.
const int kGifDataBytes = 4096;
BYTE g_gifData[kGifDataBytes + 8];

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

// The bit reader: the image data's bits, least significant first. The decoder works on a copy
// in a local so that the compiler can keep it in registers.
struct GifBitReader {
  uint32_t bit = 0;    // position of the next bit in g_gifData
  uint32_t end = 0;    // bits gathered
  bool ended = false;  // the terminator sub-block or the end of the file was reached

  // Moves the bits not yet taken to the front and gathers whole sub-blocks behind them while
  // a whole one still fits. A sub-block cut short by the end of the file is lost. Nothing
  // after the terminator is read: it belongs to the blocks that follow the image.
  GIF_COLD void Refill() {
    uint32_t first = bit >> 3, bytes = (end >> 3) - first;
    std::memmove(g_gifData, g_gifData + first, bytes);
    bit &= 7;
    while (!ended && bytes + 255 <= kGifDataBytes) {
      int length = g_gifStream.byte();
      if (length <= 0) {
        ended = true;
        break;
      }
      // Every byte is taken; the end of the file or a read error, seen once after them,
      // makes the whole sub-block lost.
      for (int i = 0; i < length; ++i) g_gifData[bytes + i] = static_cast<BYTE>(g_gifStream.byte());
      if (g_gifStream.failed()) {
        ended = true;
        break;
      }
      bytes += length;
    }
    end = bytes * 8;
  }

  // The next code of `size` bits, or -1 once the data has ended.
  GIF_HOT int Next(int size) {
    if (end - bit < uint32_t(size)) {
      Refill();
      if (end - bit < uint32_t(size)) return -1;
    }
    uint64_t word;
    std::memcpy(&word, g_gifData + (bit >> 3), sizeof word);
    int code = static_cast<int>((word >> (bit & 7)) & kGifCodeMask[size]);
    bit += size;
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

namespace {

// The decoder between two codes: code size and its limit, the next free entry, and the
// previous code with the first byte of its string.
struct LzwState {
  int minCodeSize, clearCode, endCode, firstFree;
  int codeSize, limit, nextFree;
  int oldCode = 0, firstChar = 0;
  bool started = false;  // a stream may omit the leading clear code

  void Clear() {
    codeSize = minCodeSize + 1;
    limit = 1 << codeSize;
    nextFree = firstFree;
  }
  // Counts the entry just defined and widens the codes when the next one needs more bits.
  GIF_HOT void Grow() {
    ++nextFree;
    if (nextFree >= limit && codeSize < 12) {
      limit *= 2;
      ++codeSize;
    }
  }
};

// How the decoding into the picture's indices stopped.
enum HistoryEnd { kEndCode, kDataEnded, kPictureFull, kBadCode };

// What the picture's indices are given beyond its size: the longest string plus the bytes the
// last 16-byte piece of a copy may write past it.
const uint32_t kGifHistorySlack = kTableSize + 16;
// Before the picture's indices stand the one-byte roots (up to 512 of them, for the largest
// minimum code size; a root above 255 stands for its low byte), so that a root is copied
// from its place like any other entry and the decoder need not tell the two apart: that
// choice is as unpredictable as the picture.
const uint32_t kGifRoots = 512;

// Where each entry's string was decoded: an offset into the picture's indices.
uint32_t g_gifStart[kTableSize];

// Copies a string decoded earlier, which starts before dst, in pieces of 16 bytes. A piece
// may read bytes at or after dst (they are not part of the string, or, for the entry being
// defined, its last byte, which the caller writes afterwards) and the last one writes up to
// 15 bytes past the string's end: the buffer has room for that, and what lands there is
// overwritten by the strings that follow.
GIF_HOT void CopyEarlierString(BYTE* dst, const BYTE* src, uint32_t length) {
  for (;;) {
    BYTE piece[16];
    std::memcpy(piece, src, sizeof piece);
    std::memcpy(dst, piece, sizeof piece);
    if (length <= 16) return;
    src += 16;
    dst += 16;
    length -= 16;
  }
}

// Decodes the image's codes into `out`, the picture's indices in stream order (room for
// `room` of them and kGifHistorySlack more, so that no string needs cutting), until the end
// code, the end of the data, a full picture, or a code beyond the next free entry (corrupt
// data: the table decoder decodes the image instead). An entry is a place and a length in
// `out`: the previous string followed by the first byte of the next, which is where the two
// were decoded, so a string is copied in one go.
HistoryEnd DecodeIntoHistory(GifBitReader& in, LzwState& s, BYTE* out, uint32_t room,
                             uint32_t* count) {
  const int clear = s.clearCode, end = s.endCode;
  // Places count from the roots before `out`; the clear and end codes get length 0, which
  // no string has.
  BYTE* const base = out - kGifRoots;
  for (uint32_t r = 0; r < uint32_t(clear); ++r) {
    base[r] = static_cast<BYTE>(r);
    g_gifStart[r] = r;
  }
  g_gifLength[clear] = g_gifLength[end] = 0;
  uint32_t n = 0, prevStart = kGifRoots, prevLength = 0;
  auto stop = [&](HistoryEnd why) {
    *count = n;
    return why;
  };
  int c = in.Next(s.codeSize);
  for (;;) {
    // The stream's first code, or the first after a clear code, is a root that defines nothing.
    if (c == clear) {
      s.Clear();
      do c = in.Next(s.codeSize);
      while (c == clear);
    }
    if (c == end) return stop(kEndCode);
    if (c < 0) return stop(kDataEnded);
    if (c >= s.nextFree) c = 0;
    out[n] = static_cast<BYTE>(c);
    prevStart = kGifRoots + n++;
    prevLength = 1;
    if (n >= room) return stop(kPictureFull);
    for (;;) {
      c = in.Next(s.codeSize);
      uint32_t length;
      if (unsigned(c) < unsigned(s.nextFree)) {
        length = g_gifLength[c];
        if (length == 0) break;  // the clear or the end code
        CopyEarlierString(out + n, base + g_gifStart[c], length);
      } else if (c == s.nextFree) {  // the entry being defined: the previous string and its first byte
        length = prevLength + 1;
        CopyEarlierString(out + n, base + prevStart, length);
        out[n + prevLength] = base[prevStart];
      } else {
        break;  // the end of the data, or a code beyond the next entry
      }
      if (s.nextFree < s.limit) {
        g_gifStart[s.nextFree] = prevStart;
        g_gifLength[s.nextFree] = static_cast<WORD>(prevLength + 1);
        s.Grow();
      }
      prevStart = kGifRoots + n;
      prevLength = length;
      n += length;
      if (n >= room) {
        n = room;  // the last string's bytes past the picture's end are not part of it
        return stop(kPictureFull);
      }
    }
    if (c != clear && c != end && c >= 0) return stop(kBadCode);
  }
}

// Corrupt data can reach entries this image never defined; they read as one zero byte
// rather than as whatever an earlier file left.
void ResetGifTables() {
  std::memset(g_gifPrefix, 0, sizeof g_gifPrefix);
  std::memset(g_gifSuffix, 0, sizeof g_gifSuffix);
  std::fill(g_gifLength, g_gifLength + kTableSize, WORD(1));
}

// The table decoder: strings unwound through the prefix chain into the line, lines handed to
// GifPutRow as they fill. It decodes the images DecodeIntoHistory declines (codes beyond the
// next free entry, which corrupt data brings, are given a meaning here) and every image when
// the picture's buffer cannot be had. Returns the status of the image.
short DecodeByTable(GifBitReader& in, LzwState& s, BYTE* line, int width) {
  int pos = 0;
  bool complete = false;  // every row has been filled
  for (;;) {
    int c = in.Next(s.codeSize);
    if (c == s.endCode) break;
    if (c < 0) return GIF_DECODED;  // the data ran out: a partly filled line is dropped
    if (c == s.clearCode || !s.started) {
      if (c == s.clearCode) {
        s.Clear();
        do c = in.Next(s.codeSize);
        while (c == s.clearCode);
        if (c == s.endCode) break;
        if (c < 0) return GIF_DECODED;
      }
      s.started = true;
      if (c >= s.nextFree) c = 0;
      s.oldCode = s.firstChar = c;
      line[pos++] = static_cast<BYTE>(c);
    } else {
      int code = c, tail = -1;
      if (code >= s.nextFree) {
        // The code the encoder is defining right now: the previous string and its first byte.
        if (code > s.nextFree) ++g_gifBadCodes;
        code = s.oldCode;
        tail = s.firstChar;
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
        while (code >= s.firstFree && sp < kTableSize - 1) {
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
      if (s.nextFree < s.limit) {
        s.firstChar = code;
        g_gifSuffix[s.nextFree] = static_cast<BYTE>(code);
        g_gifPrefix[s.nextFree] = static_cast<WORD>(s.oldCode);
        int grown = g_gifLength[s.oldCode] + 1;
        g_gifLength[s.nextFree] = static_cast<WORD>(grown < kTableSize ? grown : kTableSize);
        s.oldCode = c;
        s.Grow();
      }
    }
    if (pos == width) {
      GifPutRow(line, width);
      pos = 0;
      complete = GifImageComplete();
    }
    if (complete) return GIF_DECODED;
  }
  if (pos != 0) return GifPutRow(line, pos);
  return GIF_DECODED;
}

}  // namespace

short GifDecodeImage(short lineWidth) {
  int minCodeSize = g_gifStream.byte();
  if (minCodeSize < 0) return static_cast<short>(minCodeSize);
  if (minCodeSize < 2 || minCodeSize > 9) return GIF_BAD_CODE_SIZE;
  if (lineWidth <= 0 || lineWidth > kGifMaxSide || !g_gifLine) return GIF_NO_IMAGE;

  LzwState s;
  s.minCodeSize = minCodeSize;
  s.clearCode = 1 << minCodeSize;
  s.endCode = s.clearCode + 1;
  s.firstFree = s.clearCode + 2;
  s.Clear();
  g_gifClearCode = static_cast<short>(s.clearCode);
  g_gifEndCode = static_cast<short>(s.endCode);
  g_gifFirstFree = static_cast<short>(s.firstFree);
  ResetGifTables();

  const int width = lineWidth;
  GifBitReader in;
  short status = GIF_DECODED;
  // The picture's indices in stream order, when there is room for them: strings are then
  // copied from where they were decoded instead of unwound through the table.
  LONG rows = g_readerState.height > 0 ? g_readerState.height : 0;
  uint32_t room = uint32_t(width) * uint32_t(rows < kGifMaxSide ? rows : kGifMaxSide);
  std::unique_ptr<BYTE, FreeDeleter> history(
      room ? static_cast<BYTE*>(std::calloc(kGifRoots + room + kGifHistorySlack, 1)) : nullptr);
  long dataStart = std::ftell(g_gifStream.file());
  bool byTable = !history || dataStart < 0;
  if (!byTable) {
    uint32_t count = 0;
    BYTE* const indices = history.get() + kGifRoots;
    HistoryEnd why = DecodeIntoHistory(in, s, indices, room, &count);
    if (why == kBadCode && std::fseek(g_gifStream.file(), dataStart, SEEK_SET) == 0) {
      // Corrupt data: the table decoder, which gives such codes a meaning, starts again.
      in = GifBitReader();
      s.Clear();
      s.started = false;
      ResetGifTables();
      byTable = true;
    } else {
      uint32_t rest = count % uint32_t(width);
      for (uint32_t i = 0; i < count / uint32_t(width); ++i)
        GifPutRow(indices + size_t(i) * width, width);
      if (why == kEndCode && rest) status = GifPutRow(indices + (count - rest), int(rest));
    }
  }
  if (byTable) status = DecodeByTable(in, s, g_gifLine, width);
  g_gifBits = in;
  g_gifCodeSize = static_cast<short>(s.codeSize);
  g_gifLimit = static_cast<short>(s.limit);
  g_gifNextFree = static_cast<short>(s.nextFree);
  return status;
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
