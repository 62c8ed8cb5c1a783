// Reader choice by file-name extension (see reader_code.h). Only the name part counts, so a
// folder such as pics.gif does not decide how photo.bmp inside it is read.
#include "reader_code.h"

#include <cstring>

#include "pathname.h"

static bool SameIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    char x = (*a >= 'A' && *a <= 'Z') ? char(*a - 'A' + 'a') : *a;
    char y = (*b >= 'A' && *b <= 'Z') ? char(*b - 'A' + 'a') : *b;
    if (x != y) return false;
  }
  return *a == *b;
}

ReaderCode ReaderCodeFromPath(const char* path) {
  static const struct {
    const char* extension;
    ReaderCode code;
  } kTable[] = {
      {".gif", READER_GIF},   {".cel", READER_CEL},   {".tga", READER_TARGA},
      {".dib", READER_DIB},   {".bmp", READER_BMP},   {".rle", READER_BMP},
      {".jpg", READER_JPEG},  {".jpeg", READER_JPEG}, {".jpe", READER_JPEG},
      {".jfif", READER_JPEG}, {".tif", READER_TIFF},  {".tiff", READER_TIFF},
      {".png", READER_PNG},   {".webp", READER_WEBP},
  };
  const char* name = PathNameStart(path);
  const char* dot = std::strrchr(name, '.');
  if (!dot) return READER_BMP;
  for (const auto& row : kTable)
    if (SameIgnoringCase(dot, row.extension)) return row.code;
  return READER_BMP;
}
