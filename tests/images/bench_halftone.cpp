// Halftone reduction of a 4096 x 4096 24-bit image, single thread, in Mpixel/s, beside a
// memcpy of the same pixel buffer measured in the same run (the ceiling of any pass over it).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "display_dib.h"
#include "image.h"

namespace {
double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}
}  // namespace

int main() {
  const int side = 4096, rounds = 5;
  DibBlock source(AllocDib(24, side, side));
  if (!source) return 1;
  size_t bytes = static_cast<size_t>(side) * side * 3;
  BYTE* pixels = DibPixels(source.get());
  std::mt19937 random(7);
  for (size_t i = 0; i < bytes; i += 4) {
    uint32_t v = random();
    std::memcpy(pixels + i, &v, bytes - i < 4 ? bytes - i : 4);
  }
  HPALETTE palette = MakeHalftonePalette();
  std::vector<BYTE> copy(bytes);

  double best = 1e9, bestCopy = 1e9;
  unsigned checksum = 0;
  for (int r = 0; r < rounds; ++r) {
    auto t0 = std::chrono::steady_clock::now();
    DibBlock reduced(HalftoneDib(source.get(), palette));
    double t = Seconds(t0);
    if (!reduced) return 1;
    checksum += DibPixels(reduced.get())[r * 977];
    best = t < best ? t : best;
    t0 = std::chrono::steady_clock::now();
    std::memcpy(copy.data(), pixels, bytes);
    t = Seconds(t0);
    checksum += copy[r * 1013];
    bestCopy = t < bestCopy ? t : bestCopy;
  }
  DeleteObject(palette);
  double mpix = double(side) * side / 1e6;
  std::printf("halftone 4096x4096 24-bit: %.1f Mpixel/s (%.1f ms)\n", mpix / best, best * 1e3);
  std::printf("memcpy of the same %.0f MB: %.1f Mpixel/s (%.1f ms)\n", bytes / 1e6,
              mpix / bestCopy, bestCopy * 1e3);
  std::printf("halftone / memcpy: %.3f   (checksum %u)\n", bestCopy / best, checksum);
  return 0;
}
