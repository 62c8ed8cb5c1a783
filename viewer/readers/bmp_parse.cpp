// Parsing of Windows bitmap files into packed records (see bmp_parse.h).
#include "bmp_parse.h"

#include <algorithm>
#include <cstring>

#include "byte_reader.h"
#include "checked_size.h"
#include "display_dib.h"

namespace {

constexpr size_t kFileHeaderBytes = 14;
static_assert(kBmpHeadBytes == kFileHeaderBytes + 124 + 12, "file header, V5 header, masks");

// What the file's headers say, whichever header kind they came in.
struct BmpLayout {
  DWORD headerBytes;   // 12, 40, 108 or 124
  BITMAPINFOHEADER info;
  DWORD masks[3];      // red, green, blue, for BI_BITFIELDS
  size_t maskBytes;    // masks stored after a 40-byte header
  DWORD fileEntries;   // colour-table entries the file holds
  size_t entryBytes;   // 3 (core) or 4
  uint64_t pixelStart;
};

// Reads the headers from a zero-padded copy of the file's start, so that a short file
// reads as zeros past its end. `fileSize` decides whether bfOffBits lies inside the file.
bool ReadHeaders(const BYTE* data, size_t size, uint64_t fileSize, BmpLayout* out) {
  BYTE head[kBmpHeadBytes] = {};
  std::memcpy(head, data, std::min(size, sizeof(head)));
  ByteReader r(head, sizeof(head));
  r.skip(10);
  DWORD offBits = r.le32();
  BmpLayout l = {};
  l.headerBytes = r.le32();
  BITMAPINFOHEADER& h = l.info;
  h.biSize = 40;
  if (l.headerBytes == 12) {
    h.biWidth = r.le16();
    h.biHeight = r.le16();
    h.biPlanes = r.le16();
    h.biBitCount = r.le16();
    h.biCompression = BI_RGB;
    l.entryBytes = 3;
    if (h.biBitCount != 1 && h.biBitCount != 4 && h.biBitCount != 8 && h.biBitCount != 24)
      return false;
  } else if (l.headerBytes == 40 || l.headerBytes == 108 || l.headerBytes == 124) {
    h.biWidth = static_cast<LONG>(r.le32());
    h.biHeight = static_cast<LONG>(r.le32());
    h.biPlanes = r.le16();
    h.biBitCount = r.le16();
    h.biCompression = r.le32();
    h.biSizeImage = r.le32();
    h.biXPelsPerMeter = static_cast<LONG>(r.le32());
    h.biYPelsPerMeter = static_cast<LONG>(r.le32());
    h.biClrUsed = r.le32();
    h.biClrImportant = r.le32();
    l.entryBytes = 4;
    // The masks follow a 40-byte header; the larger headers hold them as their next fields.
    if (h.biCompression == BI_BITFIELDS) {
      if (l.headerBytes == 40) l.maskBytes = 12;
      for (DWORD& m : l.masks) m = r.le32();
    }
  } else {
    return false;
  }
  h.biPlanes = 1;
  if (h.biClrUsed)
    l.fileEntries = h.biClrUsed;
  else if (h.biBitCount <= 8)
    l.fileEntries = DWORD(1) << h.biBitCount;
  uint64_t tableStart = kFileHeaderBytes + uint64_t(l.headerBytes) + l.maskBytes;
  uint64_t tableEnd = tableStart + uint64_t(l.fileEntries) * l.entryBytes;
  // Core-header files often hold only the colours they use: a bfOffBits inside the table
  // ends it after the whole triples before it, and the pixels start there.
  if (l.headerBytes == 12 && offBits < tableEnd && offBits >= tableStart + l.entryBytes &&
      offBits < fileSize) {
    l.fileEntries = DWORD((offBits - tableStart) / l.entryBytes);
    tableEnd = offBits;
  }
  l.pixelStart = (offBits >= tableEnd && offBits < fileSize) ? offBits : tableEnd;
  *out = l;
  return true;
}

// Table entries the record keeps: what the depth can index, and never more than 256.
DWORD KeptEntries(const BmpLayout& l) {
  DWORD most = l.info.biBitCount <= 8 ? DWORD(1) << l.info.biBitCount : 256;
  return std::min(l.fileEntries, most);
}

void CopyTable(const BYTE* data, size_t size, const BmpLayout& l, DWORD entries,
               RGBQUAD* table) {
  uint64_t at = kFileHeaderBytes + uint64_t(l.headerBytes) + l.maskBytes;
  for (DWORD i = 0; i < entries; ++i, at += l.entryBytes) {
    if (at + l.entryBytes > size) break;  // the rest stays black
    table[i] = RGBQUAD{data[at], data[at + 1], data[at + 2], 0};
  }
}

bool IsRunLength(const BITMAPINFOHEADER& h) {
  return h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
}

// The record's header and the bytes of pixel data it holds, given the bytes the file has from
// the pixel start on; false for an image no later step can draw.
bool RecordHeader(const BmpLayout& l, size_t available, BITMAPINFOHEADER* out,
                  size_t* pixelBytes) {
  BITMAPINFOHEADER h = l.info;
  DWORD entries = KeptEntries(l);
  h.biClrUsed = entries;
  h.biClrImportant = std::min(h.biClrImportant, entries);
  // Run-length data is what the file holds; uncompressed rows are sized by the header.
  bool rle = IsRunLength(h);
  if (rle) h.biSizeImage = static_cast<DWORD>(std::min<size_t>(available, UINT32_MAX));
  if (!DibPixelBytes(&h, pixelBytes)) return false;
  if (!rle) h.biSizeImage = static_cast<DWORD>(*pixelBytes);
  *out = h;
  return true;
}

}  // namespace

uint64_t BmpBytesUsed(const BYTE* head, size_t headSize, uint64_t fileSize) {
  uint64_t least = std::min<uint64_t>(fileSize, kBmpHeadBytes);
  BmpLayout l;
  if (fileSize < kFileHeaderBytes + 4 || !ReadHeaders(head, headSize, fileSize, &l))
    return least;
  if (IsRunLength(l.info)) return fileSize;
  BITMAPINFOHEADER h;
  size_t pixelBytes = 0;
  if (!RecordHeader(l, 0, &h, &pixelBytes)) return least;
  return std::min(fileSize, std::max(least, l.pixelStart + pixelBytes));
}

BITMAPINFOHEADER* ParseBmpFile(const BYTE* data, size_t size) {
  if (!data || size < kFileHeaderBytes + 4) return nullptr;
  BmpLayout l;
  if (!ReadHeaders(data, size, size, &l)) return nullptr;
  size_t available = l.pixelStart < size ? size - static_cast<size_t>(l.pixelStart) : 0;
  BITMAPINFOHEADER h;
  size_t pixelBytes = 0, block = 0;
  if (!RecordHeader(l, available, &h, &pixelBytes)) return nullptr;
  size_t tableBytes = 4 * size_t(h.biClrUsed);
  size_t maskBytes = h.biCompression == BI_BITFIELDS ? 12 : 0;
  if (!CheckedAdd(pixelBytes, 40 + maskBytes + tableBytes, &block)) return nullptr;

  auto* dib = static_cast<BITMAPINFOHEADER*>(LocalAlloc(LPTR, block));
  if (!dib) return nullptr;
  *dib = h;
  BYTE* p = reinterpret_cast<BYTE*>(dib) + 40;
  if (maskBytes) {
    for (int i = 0; i < 3; ++i)
      for (int b = 0; b < 4; ++b) p[4 * i + b] = static_cast<BYTE>(l.masks[i] >> (8 * b));
    p += maskBytes;
  }
  CopyTable(data, size, l, h.biClrUsed, reinterpret_cast<RGBQUAD*>(p));
  p += tableBytes;
  size_t copied = std::min(available, pixelBytes);
  if (copied) std::memcpy(p, data + l.pixelStart, copied);
  return dib;
}
