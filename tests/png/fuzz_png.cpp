// Fuzzes the PNG reader's whole path: libpng's chunk reading, decompression and
// transformations of whatever bytes come in as a file, through our record.
#include "fuzz_file.h"
#include "readers/png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Declared sizes far beyond what the fuzzer can fill are refused.
  return FuzzLoadFile(LoadPngDib, ".png", 16u << 20, data, size);
}
