// The halftone palette, its translation table and the ordered-dither reduction.
#include <gtest/gtest.h>

#include <vector>

#include "display_dib.h"
#include "halftone.h"
#include "image.h"

namespace {
std::vector<PALETTEENTRY> Entries(HPALETTE pal) {
  std::vector<PALETTEENTRY> e(GetPaletteEntries(pal, 0, 0, nullptr));
  if (!e.empty()) GetPaletteEntries(pal, 0, static_cast<UINT>(e.size()), e.data());
  return e;
}

// A 24-bit record of one flat colour.
DibBlock FlatRgb(int w, int h, BYTE r, BYTE g, BYTE b) {
  DibBlock dib(AllocDib(24, w, h));
  BYTE* px = DibPixels(dib.get());
  size_t stride = (w * 3 + 3) & ~3;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      px[y * stride + 3 * x] = b;
      px[y * stride + 3 * x + 1] = g;
      px[y * stride + 3 * x + 2] = r;
    }
  return dib;
}

BYTE PixelAt(const BITMAPINFOHEADER* dib8, int x, int y) {
  size_t stride = (dib8->biWidth + 3) & ~3;
  return DibPixels(const_cast<BITMAPINFOHEADER*>(dib8))[y * stride + x];
}

struct PaletteGuard {
  HPALETTE p = MakeHalftonePalette();
  ~PaletteGuard() { DeleteObject(p); }
};
}  // namespace

TEST(HalftonePalette, HasTheFixedEntriesAndIsOwnedByTheCaller) {
  int before = HostLivePaletteCount();
  {
    PaletteGuard pal;
    ASSERT_NE(nullptr, pal.p);
    auto e = Entries(pal.p);
    ASSERT_EQ(256u, e.size());
    const struct { int i; BYTE r, g, b; } spots[] = {
        {0, 0, 0, 0},          {7, 0xC0, 0xC0, 0xC0}, {9, 0xA4, 0xC8, 0xF0},
        {109, 0x66, 0x66, 0x66}, {146, 0x99, 0x99, 0x99}, {246, 0xFF, 0xFB, 0xF0},
        {249, 0xFF, 0, 0},     {250, 0, 0xFF, 0},     {252, 0, 0, 0xFF},
        {255, 0xFF, 0xFF, 0xFF}};
    for (const auto& s : spots) {
      EXPECT_EQ(s.r, e[s.i].peRed) << "entry " << s.i;
      EXPECT_EQ(s.g, e[s.i].peGreen) << "entry " << s.i;
      EXPECT_EQ(s.b, e[s.i].peBlue) << "entry " << s.i;
      EXPECT_EQ(0, e[s.i].peFlags) << "entry " << s.i;
    }
    EXPECT_EQ(before + 1, HostLivePaletteCount());
  }
  EXPECT_EQ(before, HostLivePaletteCount());
}

TEST(HalftoneTranslation, MapsEveryCubeColourToItsExactEntryOrAPureSubstitute) {
  for (int k = 0; k < 216; ++k) {
    int r = 51 * (k % 6), g = 51 * (k / 6 % 6), b = 51 * (k / 36);
    BYTE entry = HalftoneCubeEntry(k);
    EXPECT_FALSE(entry >= 1 && entry <= 28) << "cube " << k << " reached entry " << int(entry);
    EXPECT_FALSE(entry >= 233 && entry <= 248) << "cube " << k << " reached " << int(entry);
    if (k == 31 || k == 66 || k == 181 || k == 186) continue;
    const BYTE* c = HalftonePaletteRgb(entry);
    EXPECT_TRUE(c[0] == r && c[1] == g && c[2] == b)
        << "cube " << k << ": expected " << r << "," << g << "," << b << " got entry "
        << int(entry);
  }
  EXPECT_EQ(0, HalftoneCubeEntry(0));
  EXPECT_EQ(249, HalftoneCubeEntry(5));
  EXPECT_EQ(250, HalftoneCubeEntry(30));
  EXPECT_EQ(250, HalftoneCubeEntry(31));
  EXPECT_EQ(250, HalftoneCubeEntry(66));
  EXPECT_EQ(252, HalftoneCubeEntry(181));
  EXPECT_EQ(252, HalftoneCubeEntry(186));
  EXPECT_EQ(255, HalftoneCubeEntry(215));
  // Every entry a cube colour maps to is used by exactly one cube (plus the substitutes).
  std::vector<int> uses(256);
  for (int k = 0; k < 216; ++k) ++uses[HalftoneCubeEntry(k)];
  EXPECT_EQ(3, uses[250]);
  EXPECT_EQ(3, uses[252]);
}

TEST(HalftoneDib, WhiteAndBlackAreFlatEverywhere) {
  PaletteGuard pal;
  for (int white = 0; white < 2; ++white) {
    BYTE v = white ? 255 : 0;
    DibBlock src = FlatRgb(19, 11, v, v, v);
    DibBlock out(HalftoneDib(src.get(), pal.p));
    ASSERT_TRUE(out);
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 19; ++x) ASSERT_EQ(white ? 255 : 0, PixelAt(out.get(), x, y));
  }
}

TEST(HalftoneDib, MidGreyIsThePatternOf109And146) {
  PaletteGuard pal;
  DibBlock src = FlatRgb(16, 16, 128, 128, 128);
  DibBlock out(HalftoneDib(src.get(), pal.p));
  ASSERT_TRUE(out);
  EXPECT_EQ(8, out->biBitCount);
  EXPECT_EQ(256u, out->biClrUsed);
  EXPECT_EQ(static_cast<void*>(reinterpret_cast<BYTE*>(out.get()) + 1064),
            static_cast<void*>(DibPixels(out.get())));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      int expected = HalftoneThreshold(x, y) >= 26 ? 109 : 146;
      ASSERT_EQ(expected, PixelAt(out.get(), x, y)) << "x " << x << " y " << y;
    }
  // The threshold matrix as laid out: column 0, row 0 is 0; column 0, row 7 is 50.
  EXPECT_EQ(0, HalftoneThreshold(0, 0));
  EXPECT_EQ(50, HalftoneThreshold(0, 7));
  EXPECT_EQ(25, HalftoneThreshold(1, 0));
  EXPECT_EQ(16, HalftoneThreshold(15, 15));
  // The result's table is the halftone palette.
  const RGBQUAD* t = DibColorTable(out.get());
  EXPECT_EQ(0x66, t[109].rgbRed);
  EXPECT_EQ(0xF0, t[9].rgbBlue);
}

TEST(HalftoneDib, IndexedSourceMatchesTheSameColoursIn24Bits) {
  PaletteGuard pal;
  const int w = 37, h = 21;
  DibBlock rgb(AllocDib(24, w, h)), ind(AllocDib(8, w, h));
  RGBQUAD* table = const_cast<RGBQUAD*>(DibColorTable(ind.get()));
  for (int i = 0; i < 256; ++i)
    table[i] = RGBQUAD{BYTE(i * 7), BYTE(255 - i), BYTE(i * 13 + 5), 0};
  size_t s24 = (w * 3 + 3) & ~3, s8 = (w + 3) & ~3;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      BYTE i = static_cast<BYTE>(x * 31 + y * 17);
      DibPixels(ind.get())[y * s8 + x] = i;
      BYTE* p = DibPixels(rgb.get()) + y * s24 + 3 * x;
      p[0] = table[i].rgbBlue;
      p[1] = table[i].rgbGreen;
      p[2] = table[i].rgbRed;
    }
  DibBlock a(HalftoneDib(rgb.get(), pal.p)), b(HalftoneDib(ind.get(), pal.p));
  ASSERT_TRUE(a && b);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(PixelAt(a.get(), x, y), PixelAt(b.get(), x, y)) << x << "," << y;
}

TEST(HalftoneDib, ReadsAShortTableWithoutGoingPastIt) {
  // 8 bits with biClrUsed 16: rows start after 16 entries, indices beyond are black.
  PaletteGuard pal;
  const int w = 4, h = 1;
  std::vector<BYTE> block(40 + 16 * 4 + 4);
  auto* hd = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
  *hd = BITMAPINFOHEADER{40, w, h, 1, 8, BI_RGB, 4, 0, 0, 16, 0};
  RGBQUAD* t = reinterpret_cast<RGBQUAD*>(hd + 1);
  t[3] = RGBQUAD{255, 255, 255, 0};
  BYTE* px = block.data() + 40 + 64;
  px[0] = 3;
  px[1] = 0;
  px[2] = 200;
  px[3] = 3;
  DibBlock out(HalftoneDib(hd, pal.p));
  ASSERT_TRUE(out);
  EXPECT_EQ(255, PixelAt(out.get(), 0, 0));
  EXPECT_EQ(0, PixelAt(out.get(), 1, 0));
  EXPECT_EQ(0, PixelAt(out.get(), 2, 0));
  EXPECT_EQ(255, PixelAt(out.get(), 3, 0));
}

TEST(HalftoneDib, GivesTheBlankRecordWithoutPaletteAndNullWithoutMemory) {
  DibBlock src = FlatRgb(8, 8, 128, 128, 128);
  DibBlock out(HalftoneDib(src.get(), nullptr));
  ASSERT_TRUE(out);
  EXPECT_EQ(0x80, DibColorTable(out.get())[1].rgbRed);  // still the standard colours
  PaletteGuard pal;
  HostFailLocalAllocAfter(0);
  BITMAPINFOHEADER* none = HalftoneDib(src.get(), pal.p);
  HostFailLocalAllocAfter(-1);
  EXPECT_EQ(nullptr, none);
}

TEST(AllocDib, SizesRowsToWholeWordsAndFillsTheStandardColours) {
  const struct { int depth, width; DWORD image; DWORD used; } cases[] = {
      {1, 33, 8 * 3, 0}, {1, 32, 4 * 3, 0}, {4, 9, 8 * 3, 16}, {8, 5, 8 * 3, 256},
      {24, 3, 12 * 3, 0}, {16, 3, 8 * 3, 0}, {32, 3, 12 * 3, 0}};
  for (const auto& c : cases) {
    DibBlock d(AllocDib(c.depth, c.width, 3));
    ASSERT_TRUE(d) << c.depth;
    EXPECT_EQ(40u, d->biSize);
    EXPECT_EQ(c.image, d->biSizeImage) << c.depth << " bits, width " << c.width;
    EXPECT_EQ(c.used, d->biClrUsed) << c.depth;
    EXPECT_EQ(1, d->biPlanes);
  }
  DibBlock d8(AllocDib(8, 2, 2));
  const RGBQUAD* t = DibColorTable(d8.get());
  EXPECT_EQ(0x80, t[1].rgbRed);
  EXPECT_EQ(0xFF, t[12].rgbBlue);
  EXPECT_EQ(0x80, t[17].rgbRed);  // repeated every 16 entries
  EXPECT_EQ(0xFF, t[255].rgbGreen);
  EXPECT_EQ(nullptr, AllocDib(8, 0, 5));
  EXPECT_EQ(nullptr, AllocDib(8, 5, -5));
  EXPECT_EQ(nullptr, AllocDib(7, 5, 5));
  EXPECT_EQ(nullptr, AllocDib(24, 0x7FFFFFFF, 0x7FFFFFFF));
}

TEST(FillDibColorTable, CopiesThePaletteAsQuads) {
  PaletteGuard pal;
  DibBlock d(AllocDib(8, 2, 2));
  EXPECT_EQ(1, FillDibColorTable(d.get(), pal.p));
  const RGBQUAD* t = DibColorTable(d.get());
  EXPECT_EQ(0xA4, t[9].rgbRed);
  EXPECT_EQ(0xC8, t[9].rgbGreen);
  EXPECT_EQ(0xF0, t[9].rgbBlue);
  EXPECT_EQ(0, t[9].rgbReserved);
  DibBlock d4(AllocDib(4, 2, 2));
  EXPECT_EQ(1, FillDibColorTable(d4.get(), pal.p));
  EXPECT_EQ(0xBF, DibColorTable(d4.get())[1].rgbRed);
  EXPECT_EQ(0, FillDibColorTable(nullptr, pal.p));
}
