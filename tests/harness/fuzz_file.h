// The fuzz targets of the viewer's readers that take a path: each input goes through the
// reader's loader (both passes) and the finishing steps of what it made.
#pragma once
#include <unistd.h>

#include <cstdint>

#include "checked_size.h"
#include "dib.h"
#include "fuzz_input.h"
#include "image.h"

// Loads the input through the loader and runs the finishing steps on what it made. Declared
// sizes beyond maxImageBytes are refused early so that each input stays quick.
template <typename Loader>
int FuzzLoadFile(Loader loader, const char* ext, size_t maxImageBytes, const uint8_t* data,
                 size_t size) {
  g_maxImageBytes = maxImageBytes;
  const std::string& path = WriteFuzzInput(ext, data, size);
  HPALETTE palette = nullptr;
  BITMAPINFOHEADER* dib = loader(path.c_str(), &palette);
  if (dib) {
    ExerciseFinishSteps(dib);
    LocalFree(dib);
  }
  if (palette) DeleteObject(palette);
  unlink(path.c_str());  // nothing is left behind, however the fuzzer ends
  return 0;
}
