// The fuzz targets' way into a reader that takes a path: each input is written to one
// scratch file (in memory-backed /dev/shm where there is one) and loaded from there.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "checked_size.h"
#include "dib.h"
#include "image.h"

inline const std::string& FuzzScratchPath(const char* ext) {
  static const std::string path = [ext] {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/xqv-fuzz-" + std::to_string(getpid()) + ext;
  }();
  return path;
}

// Loads the input through the loader and runs the finishing steps on what it made. Huge
// declared sizes are refused early so that each input stays quick.
template <typename Loader>
int FuzzLoadFile(Loader loader, const char* ext, const uint8_t* data, size_t size) {
  g_maxImageBytes = 256u << 10;
  const std::string& path = FuzzScratchPath(ext);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
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
