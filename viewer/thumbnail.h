// The thumbnail a minimised child shows: pure decimation of the image into a buffer of 4096
// bytes, at most 32 x 32 pixels.
#pragma once
#include "platform.h"

struct ThumbnailImage {
  BITMAPINFOHEADER header;  // 8 bits with the image's table, or 24 bits
  RGBQUAD table[256];
  BYTE bits[4096];
};

// Fills `thumb` from a record in plain form (display_dib.h). Images below 32 pixels in a
// dimension keep their size there and give their bottom-left corner; larger ones give every
// (width rounded up to 4) / 32-th column of every height / 32-th row from the bottom-left.
// Indexed images of any depth give 8-bit samples of their own colour table.
bool BuildThumbnail(const BITMAPINFOHEADER* plain, const BYTE* pixels, ThumbnailImage* thumb);
