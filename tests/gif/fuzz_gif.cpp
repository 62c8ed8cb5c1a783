// Fuzz target: any bytes as a GIF file, through both passes and the finishing steps.
#include "fuzz_file.h"
#include "readers/gif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoadFile(LoadGifDib, ".gif", 256u << 10, data, size);
}
