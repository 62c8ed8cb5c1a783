// Fuzzes the WebP reader's whole path: libwebp's parsing and decoding (lossy, lossless,
// alpha) and the demultiplexing of animations, of whatever bytes come in as a file, through
// our record.
#include "fuzz_file.h"
#include "readers/webp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Declared sizes far beyond what the fuzzer can fill are refused.
  return FuzzLoadFile(LoadWebpDib, ".webp", 16u << 20, data, size);
}
