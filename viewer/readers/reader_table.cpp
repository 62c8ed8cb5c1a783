// The reader each reader code calls. A code without a reader leaves the child empty.
#include "readers.h"

ImageReader ReaderForCode(ReaderCode code) {
  switch (code) {
    case READER_BMP: return ReadBmpFile;
    case READER_DIB: return ReadDibFile;
    case READER_GIF: return ReadGifFile;
    case READER_TARGA: return ReadTargaFile;
    case READER_JPEG: return ReadJpegFile;
    case READER_TIFF: return ReadTiffFile;
    default: return nullptr;
  }
}
