// The working record shared by the Targa, GIF, JPEG and TIFF readers: what a header pass
// found and where the decode pass writes. Readers run one at a time on the UI thread.
#pragma once
#include "platform.h"

struct ReaderState {
  LONG width;    // image width found by the header pass
  LONG height;   // image height found by the header pass
  LONG stride;   // bytes per row of the record being filled
  BYTE* pixels;  // first (bottom) pixel row of that record
};

extern ReaderState g_readerState;
