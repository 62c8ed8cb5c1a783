// Fuzz target: any bytes as a Targa file, through both passes and the finishing steps.
#include "fuzz_file.h"
#include "readers/targa.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoadFile(LoadTargaDib, ".tga", 256u << 10, data, size);
}
