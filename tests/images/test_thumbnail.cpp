// Thumbnail decimation and the finishing steps run natively.
#include <gtest/gtest.h>

#include "display_dib.h"
#include "image.h"
#include "thumbnail.h"

namespace {
size_t Stride(LONG w, int bits) { return ((w * bits + 31) / 32) * 4; }

// An 8-bit record whose pixel (x, y) is (x + 3y) mod 256.
DibBlock Gradient8(LONG w, LONG h) {
  DibBlock d(AllocDib(8, w, h));
  BYTE* p = DibPixels(d.get());
  for (LONG y = 0; y < h; ++y)
    for (LONG x = 0; x < w; ++x) p[y * Stride(w, 8) + x] = static_cast<BYTE>(x + 3 * y);
  return d;
}
}  // namespace

TEST(Thumbnail, LargeImageGivesEveryNthPixelOfEveryMthRowFromBottomLeft) {
  DibBlock d = Gradient8(640, 480);
  ThumbnailImage t;
  ASSERT_TRUE(BuildThumbnail(d.get(), DibPixels(d.get()), &t));
  EXPECT_EQ(32, t.header.biWidth);
  EXPECT_EQ(32, t.header.biHeight);
  EXPECT_EQ(8, t.header.biBitCount);
  EXPECT_EQ(256u, t.header.biClrUsed);
  for (int r = 0; r < 32; ++r)
    for (int c = 0; c < 32; ++c)
      ASSERT_EQ(static_cast<BYTE>(20 * c + 3 * 15 * r), t.bits[r * 32 + c]) << r << "," << c;
}

TEST(Thumbnail, SmallImageKeepsItsSizeAndPixels) {
  DibBlock d = Gradient8(20, 10);
  ThumbnailImage t;
  ASSERT_TRUE(BuildThumbnail(d.get(), DibPixels(d.get()), &t));
  EXPECT_EQ(20, t.header.biWidth);
  EXPECT_EQ(10, t.header.biHeight);
  for (int r = 0; r < 10; ++r)
    for (int c = 0; c < 20; ++c) ASSERT_EQ(static_cast<BYTE>(c + 3 * r), t.bits[r * 20 + c]);
  // Tall and narrow: the first 32 rows of a 5-pixel-wide image, rows padded to 8 bytes.
  DibBlock tall = Gradient8(5, 100);
  ASSERT_TRUE(BuildThumbnail(tall.get(), DibPixels(tall.get()), &t));
  EXPECT_EQ(5, t.header.biWidth);
  EXPECT_EQ(32, t.header.biHeight);
  EXPECT_EQ(static_cast<BYTE>(4 + 3 * 31), t.bits[31 * 8 + 4]);
}

TEST(Thumbnail, ColumnsJustPastAMultipleOf32StayInsideTheRow) {
  // Width 61 rounds to 64, step 2: column 31 would be x = 62, past the last pixel.
  DibBlock d(AllocDib(24, 61, 32));
  BYTE* p = DibPixels(d.get());
  for (int y = 0; y < 32; ++y) p[y * Stride(61, 24) + 3 * 60 + 2] = 0xEE;  // last pixel red
  ThumbnailImage t;
  ASSERT_TRUE(BuildThumbnail(d.get(), p, &t));
  EXPECT_EQ(24, t.header.biBitCount);
  EXPECT_EQ(0xEE, t.bits[31 * 96 + 3 * 31 + 2]);
}

TEST(Thumbnail, OneAndFourBitImagesShowTheirIndices) {
  DibBlock d1(AllocDib(1, 64, 64)), d4(AllocDib(4, 64, 64));
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; x += 2) {
      // 1 bit: every other pixel set; 4 bits: index = (x / 2) mod 16 in the high nibble.
      DibPixels(d1.get())[y * Stride(64, 1) + x / 8] = 0x55;
      DibPixels(d4.get())[y * Stride(64, 4) + x / 2] = static_cast<BYTE>(((x / 2) % 16) << 4);
    }
  }
  ThumbnailImage t;
  ASSERT_TRUE(BuildThumbnail(d1.get(), DibPixels(d1.get()), &t));
  EXPECT_EQ(8, t.header.biBitCount);
  EXPECT_EQ(2u, t.header.biClrUsed);
  // Step 2 lands on even columns, which are 0 in 0x55 (bits 0,1,0,1,...).
  for (int c = 0; c < 32; ++c) EXPECT_EQ(0, t.bits[c]);
  ASSERT_TRUE(BuildThumbnail(d4.get(), DibPixels(d4.get()), &t));
  EXPECT_EQ(16u, t.header.biClrUsed);
  for (int c = 0; c < 32; ++c) EXPECT_EQ(c % 16, t.bits[5 * 32 + c]) << c;
}

TEST(FinishSteps, RunOnEveryKindOfRecord) {
  // A handful of records of every depth and coding go through without fault (the sanitizers
  // watch the reads); the fuzz target does the same for arbitrary files.
  for (int depth : {1, 4, 8, 16, 24, 32}) {
    DibBlock d(AllocDib(depth, 45, 33));
    ExerciseFinishSteps(d.get());
    d->biHeight = -33;
    ExerciseFinishSteps(d.get());
  }
  DibBlock rle(AllocDib(8, 40, 40));
  rle->biCompression = BI_RLE8;
  rle->biSizeImage = 4;
  BYTE* p = DibPixels(rle.get());
  p[0] = 255, p[1] = 7, p[2] = 0, p[3] = 1;
  ExerciseFinishSteps(rle.get());
}
