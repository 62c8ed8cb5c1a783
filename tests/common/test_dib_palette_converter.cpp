// The converter's copy of the palette routine knows only the colour table.
#include <gtest/gtest.h>

#include <vector>

#include "dib.h"

TEST(ConverterPaletteFromDib, ImagesWithoutTableGetAnEmptyPalette) {
  std::vector<uint8_t> block(64);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
  h->biSize = 40;
  h->biBitCount = 24;
  HPALETTE pal = PaletteFromDib(h);
  ASSERT_NE(nullptr, pal);
  EXPECT_EQ(0u, GetPaletteEntries(pal, 0, 0, nullptr));
  DeleteObject(pal);
}

TEST(ConverterPaletteFromDib, FrameBufferTableBecomesThePalette) {
  std::vector<uint8_t> block(40 + 1024);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
  h->biSize = 40;
  h->biBitCount = 8;
  h->biClrUsed = 256;
  auto* table = reinterpret_cast<RGBQUAD*>(block.data() + 40);
  table[255].rgbRed = 252;
  table[255].rgbBlue = 4;
  HPALETTE pal = PaletteFromDib(h);
  ASSERT_NE(nullptr, pal);
  PALETTEENTRY e[256];
  ASSERT_EQ(256u, GetPaletteEntries(pal, 0, 256, e));
  EXPECT_EQ(252, e[255].peRed);
  EXPECT_EQ(4, e[255].peBlue);
  DeleteObject(pal);
}
