// Host tool for the decoding tests: loads a flic with the converter's own code and writes
// what the frame buffer holds after the load and after each of a number of steps.
//
//   flicdump <file> <steps> <out>
//
// out: five 32-bit little-endian values (load result, width, height, pitch, frame count),
// the 1024-byte colour table, then frame 1 and for each step its 32-bit result and the frame,
// every frame as g_pitch x g_height bytes with the top line first.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "flic.h"

static void Put32(FILE* out, uint32_t v) {
  unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  std::fwrite(b, 1, 4, out);
}

static void PutFrame(FILE* out) {
  for (int y = 0; y < g_height; ++y)
    std::fwrite(g_frameBits + size_t(g_height - 1 - y) * g_pitch, 1, size_t(g_pitch), out);
}

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: flicdump <file> <steps> <out>\n");
    return 2;
  }
  std::string upper = argv[1];
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  g_isFlc = PathIsFli(upper.c_str()) ? 0 : 1;
  FlicLoadResult result = LoadFlicMovie(argv[1]);  // host file names keep their case
  FILE* out = std::fopen(argv[3], "wb");
  if (!out) return 2;
  Put32(out, result);
  Put32(out, uint32_t(g_width));
  Put32(out, uint32_t(g_height));
  Put32(out, uint32_t(g_pitch));
  Put32(out, uint32_t(g_frameCount));
  if (result == FLIC_LOADED) {
    std::fwrite(reinterpret_cast<BYTE*>(g_frameDib) + 40, 1, 1024, out);
    PutFrame(out);
    int steps = std::atoi(argv[2]);
    for (int i = 0; i < steps; ++i) {
      Put32(out, StepFlicFrame(g_isFlc));
      PutFrame(out);
    }
  }
  FreeMovie();
  return std::fclose(out) == 0 ? 0 : 1;
}
