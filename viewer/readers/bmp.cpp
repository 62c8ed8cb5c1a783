// The BMP and DIB readers: one procedure behind two entry points. The bytes the headers
// call for are read with CreateFileA/ReadFile and parsed from memory, so no header field can
// steer a read.
#include <algorithm>
#include <cstring>
#include <memory>

#include "bmp_parse.h"
#include "checked_size.h"
#include "image.h"
#include "readers.h"

namespace {
// Up to `count` bytes from the file's current position; returns how many came.
size_t ReadBytes(HANDLE file, BYTE* into, size_t count) {
  size_t got = 0;
  while (got < count) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - got, 1 << 20)), read = 0;
    if (!ReadFile(file, into + got, chunk, &read, nullptr) || read == 0) break;
    got += read;
  }
  return got;
}

// The leading bytes of the file that parsing looks at (never more than g_maxImageBytes), or
// an empty buffer: a large file that is no bitmap costs the read of its first bytes only.
std::unique_ptr<BYTE[]> ReadUsedBytes(HANDLE file, size_t* size) {
  *size = 0;
  LARGE_INTEGER length;
  if (!GetFileSizeEx(file, &length) || length.QuadPart <= 0) return nullptr;
  uint64_t fileSize = static_cast<uint64_t>(length.QuadPart);
  BYTE head[kBmpHeadBytes];
  size_t got = ReadBytes(file, head, fileSize < sizeof head ? size_t(fileSize) : sizeof head);
  uint64_t used = std::min<uint64_t>(BmpBytesUsed(head, got, fileSize), g_maxImageBytes);
  size_t wanted = static_cast<size_t>(std::max<uint64_t>(used, got));
  std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[wanted]);
  if (!data) return nullptr;
  std::memcpy(data.get(), head, got);
  if (got == sizeof head) got += ReadBytes(file, data.get() + got, wanted - got);
  *size = got;
  return data;
}

HBITMAP ReadBitmapFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  *palette = nullptr;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_READONLY, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  size_t size = 0;
  std::unique_ptr<BYTE[]> data = ReadUsedBytes(file, &size);
  CloseHandle(file);
  BITMAPINFOHEADER* dib = data ? ParseBmpFile(data.get(), size) : nullptr;
  data.reset();
  if (!dib) return nullptr;
  *palette = PaletteFromDib(dib);
  return FinishLoadedDib(dib, palette, thumbnail);
}
}  // namespace

HBITMAP ReadBmpFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  return ReadBitmapFile(path, palette, thumbnail);
}

HBITMAP ReadDibFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  return ReadBitmapFile(path, palette, thumbnail);
}
