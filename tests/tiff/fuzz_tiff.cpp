// Fuzzes the TIFF reader's whole path: libtiff's directory reading and RGBA conversion of
// whatever bytes come in as a file, through our record.
#include "fuzz_file.h"
#include "readers/tiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Inputs of odd length go through the smallest bands there are, one strip or tile each,
  // the others through the usual ones, so that both ways through the decode pass are fuzzed.
  g_tiffBandBytes = size % 2 ? 1 : size_t(1) << 20;
  // Declared sizes far beyond what the fuzzer can fill are refused.
  return FuzzLoadFile(LoadTiffDib, ".tif", 16u << 20, data, size);
}
