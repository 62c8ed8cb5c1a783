// The finishing step against the real GDI: device bitmaps and thumbnails of every kind of
// record read back with GetDIBits, the halftone palette replacing the reader's, ownership of
// the block and the palette, and a thumbnail even where the full bitmap cannot be made.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "display_dib.h"
#include "image.h"

int g_bHalftone;  // the viewer's switch, owned here by the test

namespace {
// The bitmap's pixels at 24 bits, bottom row first, rows padded to 4 bytes.
std::vector<BYTE> Pixels24(HBITMAP bitmap, int* w, int* h) {
  BITMAP bm = {};
  GetObjectA(bitmap, sizeof bm, &bm);
  *w = bm.bmWidth;
  *h = bm.bmHeight;
  BITMAPINFOHEADER bi = {sizeof bi, bm.bmWidth, bm.bmHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<BYTE> px(((bm.bmWidth * 3 + 3) & ~3) * bm.bmHeight);
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bitmap, 0, bm.bmHeight, px.data(), reinterpret_cast<BITMAPINFO*>(&bi),
            DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  return px;
}

struct Result {
  HBITMAP bitmap = nullptr, thumbnail = nullptr;
  HPALETTE palette = nullptr;
  ~Result() {
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(bitmap), static_cast<HGDIOBJ>(thumbnail),
                      static_cast<HGDIOBJ>(palette)})
      if (o) DeleteObject(o);
  }
};

// A 4-bit record 40 x 40: index (x / 4) % 16, table entry i = (16i, 255 - 16i, 7).
BITMAPINFOHEADER* FourBitStripes() {
  BITMAPINFOHEADER* dib = AllocDib(4, 40, 40);
  auto* table = const_cast<RGBQUAD*>(DibColorTable(dib));
  for (int i = 0; i < 16; ++i) table[i] = RGBQUAD{7, BYTE(255 - 16 * i), BYTE(16 * i), 0};
  BYTE* p = DibPixels(dib);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; x += 2)
      p[y * 20 + x / 2] = static_cast<BYTE>((((x / 4) % 16) << 4) | ((x + 1) / 4 % 16));
  return dib;
}
}  // namespace

TEST(FinishDib, FourBitImageShowsItsTableColoursInBitmapAndThumbnail) {
  g_bHalftone = 0;
  Result r;
  BITMAPINFOHEADER* dib = FourBitStripes();
  r.palette = PaletteFromDib(dib);
  r.bitmap = FinishLoadedDib(dib, &r.palette, &r.thumbnail);
  ASSERT_NE(nullptr, r.bitmap);
  ASSERT_NE(nullptr, r.thumbnail);
  int w, h;
  std::vector<BYTE> px = Pixels24(r.bitmap, &w, &h);
  ASSERT_EQ(40, w);
  ASSERT_EQ(40, h);
  for (int x = 0; x < 40; ++x) {
    int i = (x / 4) % 16;
    ASSERT_EQ(16 * i, px[3 * x + 2]) << "red at x " << x;
    ASSERT_EQ(255 - 16 * i, px[3 * x + 1]) << "green at x " << x;
  }
  std::vector<BYTE> th = Pixels24(r.thumbnail, &w, &h);
  ASSERT_EQ(32, w);
  ASSERT_EQ(32, h);
  // Width 40 rounds to 40, step 1: thumbnail column c is image column c.
  for (int c = 0; c < 32; ++c) ASSERT_EQ(16 * ((c / 4) % 16), th[3 * c + 2]) << c;
}

TEST(FinishDib, HalftoneModeReplacesThePaletteAndReducesEightBitsAndMore) {
  g_bHalftone = 1;
  Result r;
  BITMAPINFOHEADER* dib = AllocDib(24, 16, 16);
  BYTE* p = DibPixels(dib);
  std::memset(p, 128, 16 * 16 * 3);
  HPALETTE own = PaletteFromDib(dib);
  r.palette = own;
  r.bitmap = FinishLoadedDib(dib, &r.palette, &r.thumbnail);
  g_bHalftone = 0;
  ASSERT_NE(nullptr, r.bitmap);
  EXPECT_NE(own, r.palette);
  EXPECT_EQ(0u, GetObjectType(own)) << "the reader's palette was deleted";
  EXPECT_EQ(256u, GetPaletteEntries(r.palette, 0, 0, nullptr));
  int w, h;
  std::vector<BYTE> px = Pixels24(r.bitmap, &w, &h);
  for (int i = 0; i < 16 * 16; ++i) {
    BYTE v = px[(i / 16) * 48 + 3 * (i % 16)];
    ASSERT_TRUE(v == 0x66 || v == 0x99) << "pixel " << i << " is " << int(v);
  }
}

TEST(FinishDib, FourBitImageInHalftoneModeKeepsItsPalette) {
  g_bHalftone = 1;
  Result r;
  BITMAPINFOHEADER* dib = FourBitStripes();
  HPALETTE own = PaletteFromDib(dib);
  r.palette = own;
  r.bitmap = FinishLoadedDib(dib, &r.palette, &r.thumbnail);
  g_bHalftone = 0;
  EXPECT_EQ(own, r.palette);
  EXPECT_EQ(16u, GetPaletteEntries(r.palette, 0, 0, nullptr));
  ASSERT_NE(nullptr, r.bitmap);
}

TEST(FinishDib, SixteenBitTopDownRecordIsDrawnUpright) {
  g_bHalftone = 0;
  // 16 bits 5-6-5 with masks, 2 x 2, top-down: top row red, bottom row blue.
  std::vector<BYTE> block(40 + 12 + 8);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
  *h = BITMAPINFOHEADER{40, 2, -2, 1, 16, BI_BITFIELDS, 8, 0, 0, 0, 0};
  DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
  std::memcpy(block.data() + 40, masks, 12);
  const BYTE rows[8] = {0x00, 0xF8, 0x00, 0xF8, 0x1F, 0x00, 0x1F, 0x00};
  std::memcpy(block.data() + 52, rows, 8);
  Result r;
  r.bitmap = CreateImageBitmaps(reinterpret_cast<BITMAPINFO*>(h), block.data() + 52, nullptr,
                                &r.thumbnail);
  ASSERT_NE(nullptr, r.bitmap);
  int w, hh;
  std::vector<BYTE> px = Pixels24(r.bitmap, &w, &hh);
  EXPECT_EQ(255, px[0]) << "bottom row blue";
  EXPECT_EQ(0, px[2]);
  EXPECT_EQ(255, px[8 + 2]) << "top row red";
  EXPECT_EQ(-2, h->biHeight) << "the caller's header is left as it was";
}

TEST(CreateImageBitmaps, ThumbnailIsMadeEvenWhereTheBitmapCannotBe) {
  // 30000 x 30000 at 1 bit is a 112 MB record but a screen bitmap of 3.6 GB.
  BITMAPINFOHEADER* dib = AllocDib(1, 30000, 30000);
  ASSERT_NE(nullptr, dib);
  auto* table = const_cast<RGBQUAD*>(DibColorTable(dib));
  table[1] = RGBQUAD{255, 255, 255, 0};
  std::memset(DibPixels(dib), 0xFF, 3750);  // bottom row white
  Result r;
  r.bitmap = CreateImageBitmaps(reinterpret_cast<BITMAPINFO*>(dib), DibPixels(dib), nullptr,
                                &r.thumbnail);
  LocalFree(dib);
  EXPECT_EQ(nullptr, r.bitmap);
  ASSERT_NE(nullptr, r.thumbnail);
  int w, h;
  std::vector<BYTE> th = Pixels24(r.thumbnail, &w, &h);
  EXPECT_EQ(32, w);
  EXPECT_EQ(255, th[0]);
  EXPECT_EQ(0, th[96 * 1]) << "row 1 of the thumbnail is image row 937: black";
}

TEST(CreateImageBitmaps, NullInputsGiveNullAndLeaveTheSlot) {
  HBITMAP thumb = reinterpret_cast<HBITMAP>(1);
  EXPECT_EQ(nullptr, CreateImageBitmaps(nullptr, nullptr, nullptr, &thumb));
  EXPECT_EQ(reinterpret_cast<HBITMAP>(1), thumb);
  HPALETTE pal = nullptr;
  EXPECT_EQ(nullptr, FinishLoadedDib(nullptr, &pal, &thumb));
}
