// The Targa loader (see targa.h): two passes over the file through the buffered stream, one
// byte at a time; pixels are gathered a row at a time and copied to their row in one go.
#include "targa.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "reader_record.h"
#include "reader_state.h"

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
struct LocalDeleter {
  void operator()(void* p) const { LocalFree(p); }
};

// How a pixel value becomes blue, green and red: ((v >> shift) AND mask) * scale.
struct TargaPixelFormat {
  int bytes;
  DWORD mask;
  int greenShift, redShift;
  int scale;
};

TargaPixelFormat TargaFormatForDepth(LONG depth) {
  if (depth == 15 || depth == 16) return {2, 31, 5, 10, 8};  // five-bit channels, plain shift
  if (depth == 24) return {3, 255, 8, 16, 1};
  return {4, 255, 8, 16, 1};  // 32 bits: the fourth byte (attribute or alpha) is ignored
}

struct TargaHeader {
  DWORD idLength, mapType, imageType, mapFirst, mapLength, mapEntryBits;
  DWORD xOrigin, yOrigin, width, height, depth, descriptor;
};

bool SkipBytes(ByteStream* s, uint64_t count) {
  for (uint64_t i = 0; i < count; ++i)
    if (s->byte() < 0) return false;
  return true;
}

// The header fields in file order, the image ID and the colour map skipped.
bool ReadTargaHeader(ByteStream* s, TargaHeader* h) {
  if (!ReadLittleEndian(1, s, &h->idLength) || !ReadLittleEndian(1, s, &h->mapType) ||
      !ReadLittleEndian(1, s, &h->imageType))
    return false;
  if (h->imageType != 2 && h->imageType != 10) return false;  // true-colour only
  if (!ReadLittleEndian(2, s, &h->mapFirst) || !ReadLittleEndian(2, s, &h->mapLength) ||
      !ReadLittleEndian(1, s, &h->mapEntryBits) || !ReadLittleEndian(2, s, &h->xOrigin) ||
      !ReadLittleEndian(2, s, &h->yOrigin) || !ReadLittleEndian(2, s, &h->width) ||
      !ReadLittleEndian(2, s, &h->height) || !ReadLittleEndian(1, s, &h->depth) ||
      !ReadLittleEndian(1, s, &h->descriptor))
    return false;
  if (!SkipBytes(s, h->idLength)) return false;
  if (h->mapType == 1 && h->mapLength > 0 &&
      !SkipBytes(s, uint64_t(h->mapLength) * ((h->mapEntryBits + 7) / 8)))
    return false;
  return true;
}

// Collects converted pixels into the line buffer and hands on each full line.
struct TargaLine {
  BYTE* buffer;
  LONG width;
  LONG height;
  bool topLeft;
  size_t pos = 0;
  LONG rows = 0;

  void Store(DWORD v, const TargaPixelFormat& f) {
    buffer[pos] = static_cast<BYTE>((v & f.mask) * f.scale);
    buffer[pos + 1] = static_cast<BYTE>(((v >> f.greenShift) & f.mask) * f.scale);
    buffer[pos + 2] = static_cast<BYTE>(((v >> f.redShift) & f.mask) * f.scale);
    pos += 3;
    if (pos == size_t(width) * 3) {
      TargaPutRow(buffer, width, rows++, topLeft, height);
      pos = 0;
    }
  }
};

bool DecodeTargaRaw(ByteStream* s, const TargaPixelFormat& f, TargaLine* line) {
  for (LONG y = 0; y < line->height; ++y)
    for (LONG x = 0; x < line->width; ++x) {
      DWORD v;
      if (!ReadLittleEndian(f.bytes, s, &v)) return false;
      line->Store(v, f);
    }
  return true;
}

// Run-length packets may cross row ends; pixels of a packet past the image's last pixel have
// no place in it and are dropped (nothing more is read).
bool DecodeTargaRle(ByteStream* s, const TargaPixelFormat& f, TargaLine* line) {
  const uint64_t total = uint64_t(line->width) * uint64_t(line->height);
  uint64_t decoded = 0;
  while (decoded < total) {
    int h = s->byte();
    if (h < 0) return false;
    uint64_t count = uint64_t(h & 0x7F) + 1;
    if (count > total - decoded) count = total - decoded;
    DWORD v;
    if (h & 0x80) {
      if (!ReadLittleEndian(f.bytes, s, &v)) return false;
      for (uint64_t i = 0; i < count; ++i) line->Store(v, f);
    } else {
      for (uint64_t i = 0; i < count; ++i) {
        if (!ReadLittleEndian(f.bytes, s, &v)) return false;
        line->Store(v, f);
      }
    }
    decoded += count;
  }
  return true;
}

}  // namespace

int ReadLittleEndian(int count, ByteStream* stream, DWORD* value) {
  if (count < 1 || count > 4) count = 4;
  for (int i = 0; i < count; ++i) {
    int b = stream->byte();
    if (b < 0) return 0;
    if (i == 0) *value = DWORD(b);
    else *value |= DWORD(b) << (8 * i);
  }
  return 1;
}

void TargaPutRow(const BYTE* line, LONG width, LONG row, bool topLeftOrigin, LONG height) {
  const ReaderState& rs = g_readerState;
  if (row < 0 || row >= height || !rs.pixels) return;
  LONG memoryRow = topLeftOrigin ? height - 1 - row : row;
  std::memcpy(rs.pixels + size_t(memoryRow) * size_t(rs.stride), line, size_t(width) * 3);
}

int ParseTarga(LPCSTR path, bool headerOnly) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return 0;
  ByteStream stream(file.get());
  TargaHeader h;
  if (!ReadTargaHeader(&stream, &h)) return 0;
  bool topLeft = (h.descriptor & 0x20) != 0;
  if (headerOnly) {
    g_readerState.width = static_cast<LONG>(h.width);
    g_readerState.height = static_cast<LONG>(h.height);
    return 1;
  }
  // The rows were sized by the header pass; a file changed since then must not overrun them.
  if (LONG(h.width) != g_readerState.width || LONG(h.height) != g_readerState.height ||
      h.width == 0 || h.height == 0)
    return 0;
  std::unique_ptr<BYTE, LocalDeleter> buffer(
      static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, size_t(h.width) * 3)));
  if (!buffer) return 0;
  if (h.descriptor & 0xC0) return 0;  // interleaved rows are not supported
  TargaPixelFormat format = TargaFormatForDepth(LONG(h.depth));
  TargaLine line{buffer.get(), LONG(h.width), LONG(h.height), topLeft};
  return h.imageType == 2 ? DecodeTargaRaw(&stream, format, &line)
                          : DecodeTargaRle(&stream, format, &line);
}

BITMAPINFOHEADER* LoadTargaDib(LPCSTR path, HPALETTE* palette) {
  if (!ParseTarga(path, true)) return nullptr;
  // An image without pixels has nothing to show; sizes beyond what one block may hold are
  // refused rather than wrapped (both by the record).
  BITMAPINFOHEADER* dib = NewReaderRecord(24, nullptr, palette);
  if (!dib) return nullptr;
  return KeepIfDecoded(dib, ParseTarga(path, false) != 0);
}
