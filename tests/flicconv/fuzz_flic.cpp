// Fuzz target of the converter's load and step path: the input is a flic file (FLI when its
// magic says so, FLC otherwise); it is loaded (check pass, frame buffer, decode pass) and
// stepped through all its frames, the ring frame and the wrap.
#include <cstdio>

#include "checked_size.h"
#include "flic.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_maxImageBytes = 1 << 22;  // huge declared frames are refused quickly
  const std::string& path = WriteFuzzInput(".flc", data, size);
  g_isFlc = !(size >= 6 && data[4] == 0x11 && data[5] == 0xAF);
  if (LoadFlicMovie(path.c_str()) == FLIC_LOADED) {
    int steps = g_frameCount + 2;
    if (steps > 300) steps = 300;
    for (int i = 0; i < steps; ++i) StepFlicFrame(g_isFlc);
  }
  FreeMovie();
  std::remove(path.c_str());
  return 0;
}
