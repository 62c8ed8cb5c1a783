// Fuzzes the JPEG reader's whole path: the header pass, the record, the decode pass with its
// error exits and recovery, on whatever bytes come in as a file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "checked_size.h"
#include "dib.h"
#include "image.h"
#include "readers/jpeg.h"

static std::string g_path;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Declared sizes up to 65500 x 65500 are valid JPEG; keep the fuzzer to ones it can fill.
  g_maxImageBytes = 16u << 20;
  const char* dir = getenv("TMPDIR");
  g_path = std::string(dir ? dir : "/tmp") + "/fuzz_jpeg." + std::to_string(getpid()) + ".jpg";
  std::atexit([] { unlink(g_path.c_str()); });  // the scratch file goes with the run
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = fopen(g_path.c_str(), "wb");
  if (!f) abort();
  if (size && fwrite(data, 1, size, f) != size) abort();
  fclose(f);
  HPALETTE palette = nullptr;
  BITMAPINFOHEADER* dib = LoadJpegDib(g_path.c_str(), &palette);
  if (dib) {
    ExerciseFinishSteps(dib);  // thumbnail and halftone reduction of what was decoded
    LocalFree(dib);
  }
  if (palette) DeleteObject(palette);
  return 0;
}
