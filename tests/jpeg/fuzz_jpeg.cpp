// Fuzzes the JPEG reader's whole path: the header pass, the record, the decode pass with its
// error exits and recovery, on whatever bytes come in as a file.
#include "fuzz_file.h"
#include "readers/jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Declared sizes up to 65500 x 65500 are valid JPEG; keep the fuzzer to ones it can fill.
  return FuzzLoadFile(LoadJpegDib, ".jpg", 16u << 20, data, size);
}
