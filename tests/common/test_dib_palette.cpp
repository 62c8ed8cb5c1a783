// Colour counts and the viewer's palettes: the table's copy, or the fixed 3-3-2 palette for
// images without a table.
#include <gtest/gtest.h>

#include <vector>

#include "dib.h"

namespace {
// A record of the given depth with `entries` colour-table entries, entry i = (i, 2i, 3i).
std::vector<uint8_t> MakeRecord(int bits, DWORD clrUsed, int entries, DWORD compression = BI_RGB) {
  std::vector<uint8_t> block(40 + (compression == BI_BITFIELDS ? 12 : 0) + 4 * entries + 16);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
  h->biSize = 40;
  h->biWidth = 2;
  h->biHeight = 2;
  h->biPlanes = 1;
  h->biBitCount = static_cast<WORD>(bits);
  h->biCompression = compression;
  h->biClrUsed = clrUsed;
  auto* table = const_cast<RGBQUAD*>(DibColorTable(h));
  for (int i = 0; i < entries; ++i) {
    table[i].rgbRed = static_cast<BYTE>(i);
    table[i].rgbGreen = static_cast<BYTE>(2 * i);
    table[i].rgbBlue = static_cast<BYTE>(3 * i);
  }
  return block;
}

HPALETTE PaletteOf(const std::vector<uint8_t>& record) {
  return PaletteFromDib(reinterpret_cast<const BITMAPINFOHEADER*>(record.data()));
}

std::vector<PALETTEENTRY> Entries(HPALETTE pal) {
  UINT n = GetPaletteEntries(pal, 0, 0, nullptr);
  std::vector<PALETTEENTRY> e(n);
  if (n) GetPaletteEntries(pal, 0, n, e.data());
  return e;
}
}  // namespace

TEST(DibColorCount, FollowsDepthOrClrUsed) {
  BITMAPINFOHEADER h = {};
  h.biSize = 40;
  const struct { int bits; DWORD used; WORD count; } cases[] = {
      {1, 0, 2}, {4, 0, 16}, {8, 0, 256}, {16, 0, 0}, {24, 0, 0}, {32, 0, 0},
      {24, 12, 12}, {8, 0x10005, 5}};
  for (const auto& c : cases) {
    h.biBitCount = static_cast<WORD>(c.bits);
    h.biClrUsed = c.used;
    EXPECT_EQ(c.count, DibColorCount(&h)) << c.bits << " bits, biClrUsed " << c.used;
  }
}

TEST(DibTableSize, UsesClrUsedOrTwoToTheDepth) {
  BITMAPINFOHEADER h = {};
  h.biBitCount = 8;
  EXPECT_EQ(256u, DibTableSize(&h));
  h.biBitCount = 24;
  EXPECT_EQ(0u, DibTableSize(&h));
  h.biClrUsed = 0x10005;
  EXPECT_EQ(0x10005u, DibTableSize(&h));
}

TEST(PaletteFromDib, EightBitImageGetsItsTableWithRedAndBlueInPlace) {
  auto rec = MakeRecord(8, 0, 256);
  HPALETTE pal = PaletteOf(rec);
  ASSERT_NE(nullptr, pal);
  auto e = Entries(pal);
  ASSERT_EQ(256u, e.size());
  EXPECT_EQ(7, e[7].peRed);
  EXPECT_EQ(14, e[7].peGreen);
  EXPECT_EQ(21, e[7].peBlue);
  EXPECT_EQ(0, e[7].peFlags);
  DeleteObject(pal);
}

TEST(PaletteFromDib, TwentyFourBitImageGetsTheFixedPalette) {
  auto rec = MakeRecord(24, 0, 0);
  HPALETTE pal = PaletteOf(rec);
  ASSERT_NE(nullptr, pal);
  auto e = Entries(pal);
  ASSERT_EQ(256u, e.size());
  auto rgb = [&](int i) { return std::vector<int>{e[i].peRed, e[i].peGreen, e[i].peBlue}; };
  EXPECT_EQ((std::vector<int>{0, 0, 0}), rgb(0));
  EXPECT_EQ((std::vector<int>{32, 0, 0}), rgb(1));
  EXPECT_EQ((std::vector<int>{0, 32, 0}), rgb(8));
  EXPECT_EQ((std::vector<int>{0, 0, 64}), rgb(64));
  EXPECT_EQ((std::vector<int>{224, 224, 192}), rgb(255));
  DeleteObject(pal);
}

TEST(PaletteFromDib, TwentyFourBitImageWithOptionalTableUsesTheTable) {
  auto rec = MakeRecord(24, 12, 12);
  HPALETTE pal = PaletteOf(rec);
  ASSERT_NE(nullptr, pal);
  EXPECT_EQ(12u, Entries(pal).size());
  DeleteObject(pal);
}

TEST(PaletteFromDib, SixteenAndThirtyTwoBitImagesGetTheFixedPalette) {
  for (DWORD compression : {DWORD(BI_RGB), DWORD(BI_BITFIELDS)}) {
    for (int bits : {16, 32}) {
      auto rec = MakeRecord(bits, 0, 0, compression);
      HPALETTE pal = PaletteOf(rec);
      ASSERT_NE(nullptr, pal) << bits << " bits, compression " << compression;
      EXPECT_EQ(256u, Entries(pal).size());
      DeleteObject(pal);
    }
  }
}

TEST(PaletteFromDib, RefusesHeadersThatAreNotFortyBytes) {
  auto rec = MakeRecord(8, 0, 256);
  reinterpret_cast<BITMAPINFOHEADER*>(rec.data())->biSize = 108;
  EXPECT_EQ(nullptr, PaletteOf(rec));
  EXPECT_EQ(nullptr, PaletteFromDib(nullptr));
}
