// The BMP and DIB readers: one procedure behind two entry points. The file is read whole
// with CreateFileA/ReadFile and parsed from memory, so no header field can steer a read.
#include <memory>

#include "bmp_parse.h"
#include "checked_size.h"
#include "image.h"
#include "readers.h"

namespace {
// The file's bytes, at most g_maxImageBytes of them, or an empty buffer.
std::unique_ptr<BYTE[]> ReadWholeFile(HANDLE file, size_t* size) {
  *size = 0;
  LARGE_INTEGER length;
  if (!GetFileSizeEx(file, &length) || length.QuadPart <= 0) return nullptr;
  size_t wanted = static_cast<uint64_t>(length.QuadPart) > g_maxImageBytes
                      ? g_maxImageBytes
                      : static_cast<size_t>(length.QuadPart);
  std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[wanted]);
  if (!data) return nullptr;
  size_t got = 0;
  while (got < wanted) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(wanted - got, 1 << 20)), read = 0;
    if (!ReadFile(file, data.get() + got, chunk, &read, nullptr) || read == 0) break;
    got += read;
  }
  *size = got;
  return data;
}

HBITMAP ReadBitmapFile(LPCSTR path, HPALETTE* palette, HBITMAP* thumbnail) {
  *palette = nullptr;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_READONLY, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  size_t size = 0;
  std::unique_ptr<BYTE[]> data = ReadWholeFile(file, &size);
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
