// Test tool: reads a bitmap file, reduces it to the halftone palette and writes the palette
// indices, bottom row first, width bytes per row, so an independent reference can compare.
#include <cstdio>
#include <vector>

#include "display_dib.h"
#include "image.h"
#include "readers/bmp_parse.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::FILE* in = std::fopen(argv[1], "rb");
  if (!in) return 1;
  std::vector<BYTE> data;
  int c;
  while ((c = std::getc(in)) != EOF) data.push_back(static_cast<BYTE>(c));
  std::fclose(in);
  DibBlock dib(ParseBmpFile(data.data(), data.size()));
  if (!dib) return 1;
  HPALETTE palette = MakeHalftonePalette();
  DibBlock reduced(HalftoneDib(dib.get(), palette));
  DeleteObject(palette);
  if (!reduced) return 1;
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!out) return 1;
  size_t stride = (reduced->biWidth + 3) & ~3;
  for (LONG y = 0; y < reduced->biHeight; ++y)
    std::fwrite(DibPixels(reduced.get()) + y * stride, 1, reduced->biWidth, out);
  std::fclose(out);
  return 0;
}
