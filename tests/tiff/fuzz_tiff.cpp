// Fuzzes the TIFF reader's whole path: libtiff's directory reading and RGBA conversion of
// whatever bytes come in as a file, through our record.
#include "fuzz_file.h"
#include "readers/tiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Declared sizes far beyond what the fuzzer can fill are refused.
  return FuzzLoadFile(LoadTiffDib, ".tif", 16u << 20, data, size);
}
