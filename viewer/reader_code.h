// Which reader opens a file, by the extension of its name.
#pragma once

enum ReaderCode {
  READER_GIF = 0,
  READER_TARGA = 1,
  READER_CEL = 2,  // no reader: the child stays empty
  READER_BMP = 3,  // also every name that matches nothing else
  READER_DIB = 4,
  READER_JPEG = 5,
  READER_TIFF = 6,
  READER_PNG = 7,
  READER_WEBP = 8,
};

// The reader code for the last extension of the path's file name, compared without regard
// to case; a name without a known extension gets READER_BMP.
ReaderCode ReaderCodeFromPath(const char* path);
