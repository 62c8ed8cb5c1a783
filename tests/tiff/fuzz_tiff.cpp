// Fuzzes the TIFF reader's whole path: libtiff's directory reading and RGBA conversion of
// whatever bytes come in as a file, through our record.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "checked_size.h"
#include "dib.h"
#include "image.h"
#include "readers/tiff.h"

static std::string g_path;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_maxImageBytes = 16u << 20;  // declared sizes far beyond what the fuzzer can fill
  const char* dir = getenv("TMPDIR");
  g_path = std::string(dir ? dir : "/tmp") + "/fuzz_tiff." + std::to_string(getpid()) + ".tif";
  std::atexit([] { unlink(g_path.c_str()); });  // the scratch file goes with the run
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = fopen(g_path.c_str(), "wb");
  if (!f) abort();
  if (size && fwrite(data, 1, size, f) != size) abort();
  fclose(f);
  HPALETTE palette = nullptr;
  BITMAPINFOHEADER* dib = LoadTiffDib(g_path.c_str(), &palette);
  if (dib) {
    ExerciseFinishSteps(dib);  // thumbnail and halftone reduction of what was decoded
    LocalFree(dib);
  }
  if (palette) DeleteObject(palette);
  return 0;
}
