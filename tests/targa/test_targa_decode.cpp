// The Targa loader on the host: every depth, origin and coding against the pixels written,
// hand-checked pixel values, the refused kinds and the palette slot of every failure.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "checked_size.h"
#include "reader_testing.h"
#include "readers/reader_state.h"
#include "readers/targa.h"
#include "tga_writer.h"

namespace {

struct Bgr {
  uint8_t b, g, r;
  bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
};

// What a file pixel must show: five-bit channels shifted up by three, eight-bit ones as they
// are, the top bit or the fourth byte ignored.
Bgr Expected(uint32_t v, int depth) {
  if (depth == 15 || depth == 16)
    return {uint8_t((v & 31) << 3), uint8_t(((v >> 5) & 31) << 3), uint8_t(((v >> 10) & 31) << 3)};
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)};
}

uint32_t Mask(int depth) { return depth <= 16 ? 0xFFFF : depth == 24 ? 0xFFFFFF : 0xFFFFFFFF; }

void ExpectImage(const Loaded& l, const TgaImage& t, const std::string& what) {
  ASSERT_NE(nullptr, l.dib) << what;
  ASSERT_EQ(t.width, l.width()) << what;
  ASSERT_EQ(t.height, l.height()) << what;
  EXPECT_EQ(24, l.dib->biBitCount);
  EXPECT_EQ(0u, l.dib->biClrUsed);
  EXPECT_EQ(l.stride() * size_t(t.height), l.dib->biSizeImage);
  for (int y = 0; y < t.height; ++y) {
    const BYTE* row = l.Row(y);
    for (int x = 0; x < t.width; ++x) {
      Bgr want = Expected(t.pixels[size_t(y) * t.width + x] & Mask(t.depth), t.depth);
      Bgr got = {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
      if (!(want == got)) {
        ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") expected bgr " << int(want.b)
                      << "," << int(want.g) << "," << int(want.r) << ", got " << int(got.b) << ","
                      << int(got.g) << "," << int(got.r);
        return;
      }
    }
    for (size_t i = size_t(t.width) * 3; i < l.stride(); ++i)
      if (row[i]) {
        ADD_FAILURE() << what << ": padding of row " << y << " is not 0";
        return;
      }
  }
}

TgaImage Picture(int width, int height, int depth, int type, bool topLeft, uint32_t seed = 1) {
  TgaImage t;
  t.width = width;
  t.height = height;
  t.depth = depth;
  t.type = type;
  t.topLeft = topLeft;
  t.pixels = TgaTestPattern(width, height, seed);
  return t;
}

bool HoldsFixedPalette(HPALETTE palette) {
  PALETTEENTRY pe[256];
  if (!palette || GetPaletteEntries(palette, 0, 256, pe) != 256) return false;
  return pe[1].peRed == 32 && pe[8].peGreen == 32 && pe[64].peBlue == 64 &&
         pe[255].peRed == 224 && pe[255].peGreen == 224 && pe[255].peBlue == 192;
}

class TargaTest : public ReaderFileTest {
 protected:
  Loaded Load(const std::vector<uint8_t>& bytes) {
    return LoadWith(LoadTargaDib, dir_.Write("t.tga", bytes));
  }
  // Loads a file that must fail; returns what was left in the palette slot.
  Loaded LoadFailing(const std::vector<uint8_t>& bytes, const std::string& what) {
    Loaded l = Load(bytes);
    EXPECT_EQ(nullptr, l.dib) << what;
    return l;
  }
};

TEST_F(TargaTest, EveryDepthCodingAndOriginShowsThePixelsUpright) {
  for (int depth : {15, 16, 24, 32})
    for (int type : {2, 10})
      for (bool topLeft : {false, true}) {
        TgaImage t = Picture(37, 23, depth, type, topLeft, uint32_t(depth + type));
        std::string what = std::to_string(depth) + " bits, type " + std::to_string(type) +
                           (topLeft ? ", top-left" : ", bottom-left");
        Loaded l = Load(WriteTga(t));
        ExpectImage(l, t, what);
        EXPECT_TRUE(HoldsFixedPalette(l.palette)) << what;
      }
}

TEST_F(TargaTest, BothOriginsGiveTheSameRecord) {
  TgaImage bottom = Picture(50, 40, 24, 2, false);
  TgaImage top = bottom;
  top.topLeft = true;
  Loaded a = Load(WriteTga(bottom));
  Loaded b = Load(WriteTga(top));
  ASSERT_TRUE(a.dib && b.dib);
  EXPECT_EQ(0, std::memcmp(DibPixels(a.dib), DibPixels(b.dib), a.dib->biSizeImage));
}

TEST_F(TargaTest, RunLengthPacketsAcrossRowEndsMatchTheRawImage) {
  for (int maxPacket : {128, 5, 1}) {
    TgaImage raw = Picture(7, 30, 24, 2, false, 5);
    for (size_t i = 0; i < raw.pixels.size(); ++i) raw.pixels[i] = 0x112233u * uint32_t(i / 10 % 4);
    TgaImage rle = raw;
    rle.type = 10;
    rle.maxPacket = maxPacket;
    Loaded a = Load(WriteTga(raw));
    Loaded b = Load(WriteTga(rle));
    ExpectImage(b, raw, "packets of up to " + std::to_string(maxPacket));
    ASSERT_TRUE(a.dib && b.dib);
    EXPECT_EQ(0, std::memcmp(DibPixels(a.dib), DibPixels(b.dib), a.dib->biSizeImage));
  }
}

TEST_F(TargaTest, FiveBitChannelsAreShiftedAndTheTopBitIgnored) {
  TgaImage t = Picture(3, 1, 16, 2, true);
  t.pixels = {0x7FFF, 0x8000, 0x0400 | 0x001F};
  Loaded l = Load(WriteTga(t));
  ASSERT_NE(nullptr, l.dib);
  const BYTE* p = l.Row(0);
  EXPECT_EQ((std::vector<int>{248, 248, 248, 0, 0, 0, 248, 0, 8}),
            (std::vector<int>(p, p + 9)));
  // A 15-bit image of the same bytes shows the same.
  std::vector<uint8_t> bytes = WriteTga(t);
  bytes[16] = 15;
  Loaded fifteen = Load(bytes);
  ASSERT_NE(nullptr, fifteen.dib);
  EXPECT_EQ(0, std::memcmp(DibPixels(l.dib), DibPixels(fifteen.dib), l.dib->biSizeImage));
}

TEST_F(TargaTest, FourthByteOfA32BitPixelHasNoEffect) {
  TgaImage a = Picture(20, 10, 32, 2, false);
  TgaImage b = a;
  for (size_t i = 0; i < b.pixels.size(); ++i) {
    a.pixels[i] = (a.pixels[i] & 0xFFFFFF) | 0xFF000000u;
    b.pixels[i] = (b.pixels[i] & 0xFFFFFF) | (uint32_t(i * 37) << 24);
  }
  Loaded la = Load(WriteTga(a));
  Loaded lb = Load(WriteTga(b));
  ASSERT_TRUE(la.dib && lb.dib);
  EXPECT_EQ(0, std::memcmp(DibPixels(la.dib), DibPixels(lb.dib), la.dib->biSizeImage));
  b.descriptorBits = 8;  // attribute bits in the descriptor change nothing either
  ExpectImage(Load(WriteTga(b)), b, "attribute bits set");
}

TEST_F(TargaTest, ColourMappedGreyAndEmptyTypesAreRefusedWithoutPalette) {
  for (int type : {0, 1, 3, 9, 11, 32, 33}) {
    TgaImage t = Picture(8, 8, 24, type, false);
    if (type == 1 || type == 9) {
      t.depth = 8;
      t.mapType = 1;
      t.mapLength = 4;
    }
    Loaded l = LoadFailing(WriteTga(t), "type " + std::to_string(type));
    EXPECT_EQ(nullptr, l.palette) << "type " << type;
  }
}

TEST_F(TargaTest, InterleavedImageIsRefusedAfterThePaletteWasMade) {
  for (int bits : {0x40, 0x80, 0xC0}) {
    TgaImage t = Picture(8, 8, 24, 2, false);
    t.descriptorBits = bits;
    Loaded l = LoadFailing(WriteTga(t), "interleave bits");
    EXPECT_TRUE(HoldsFixedPalette(l.palette)) << "descriptor bits " << bits;
  }
}

TEST_F(TargaTest, ImageIdAndColourMapAreSkipped) {
  TgaImage t = Picture(16, 9, 24, 10, false);
  t.idLength = 255;
  t.mapType = 1;
  t.mapLength = 256;
  t.mapEntryBits = 24;
  ExpectImage(Load(WriteTga(t)), t, "ID of 255 bytes and a 256-entry map");
  t.mapEntryBits = 15;  // two bytes an entry
  t.mapLength = 300;
  ExpectImage(Load(WriteTga(t)), t, "15-bit map entries");
  t.mapEntryBits = 32;
  ExpectImage(Load(WriteTga(t)), t, "32-bit map entries");
  // A map length without map type 1 means no map at all.
  t.mapType = 0;
  t.mapLength = 77;
  ExpectImage(Load(WriteTga(t)), t, "map length without a map");
}

TEST_F(TargaTest, DataAfterTheLastPixelIsIgnored) {
  TgaImage t = Picture(10, 10, 24, 10, true);
  std::vector<uint8_t> bytes = WriteTga(t);
  const char footer[] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";
  bytes.insert(bytes.end(), 1000, 0x55);
  bytes.insert(bytes.end(), footer, footer + sizeof footer);
  ExpectImage(Load(bytes), t, "extension area and footer");
}

TEST_F(TargaTest, CutShortFilesYieldNoImage) {
  for (int type : {2, 10}) {
    TgaImage t = Picture(12, 12, 24, type, false);
    t.idLength = 10;
    std::vector<uint8_t> bytes = WriteTga(t);
    for (size_t cut : {size_t(0), size_t(5), size_t(17), size_t(18 + 5), bytes.size() / 2,
                       bytes.size() - 1}) {
      std::vector<uint8_t> head(bytes.begin(), bytes.begin() + cut);
      std::string what = "type " + std::to_string(type) + " cut at " + std::to_string(cut);
      Loaded l = LoadFailing(head, what);
      // Cut in the header or the ID: no palette; cut in the pixels: the fixed palette.
      EXPECT_EQ(cut > 18 + 10, l.palette != nullptr) << what;
    }
  }
}

TEST_F(TargaTest, WidthOneHasAStrideOfFourWithZeroPadding) {
  TgaImage t = Picture(1, 9, 24, 2, false);
  Loaded l = Load(WriteTga(t));
  ExpectImage(l, t, "width 1");
  EXPECT_EQ(4u, l.stride());
}

TEST_F(TargaTest, PacketsPastTheLastPixelAreDropped) {
  TgaImage t = Picture(5, 3, 24, 10, false);
  for (auto& p : t.pixels) p = 0x445566;
  std::vector<uint8_t> bytes = WriteTga(t);  // one run of 15
  bytes[18] = 0x80 | 127;                    // ... now a run of 128
  ExpectImage(Load(bytes), t, "run past the end");
  std::vector<uint8_t> raw(bytes.begin(), bytes.begin() + 18);
  raw.push_back(127);  // a raw packet of 128 pixels; only 15 fit
  for (int i = 0; i < 128; ++i) raw.insert(raw.end(), {0x66, 0x55, 0x44});
  ExpectImage(Load(raw), t, "raw packet past the end");
  raw.resize(18 + 1 + 15 * 3);  // and it need not be there in full
  ExpectImage(Load(raw), t, "raw packet cut after the last pixel");
}

TEST_F(TargaTest, SizesThatCannotBeHeldAreRefusedQuickly) {
  TgaImage t = Picture(1, 1, 24, 10, false);
  std::vector<uint8_t> bytes = WriteTga(t);
  bytes[12] = bytes[13] = bytes[14] = bytes[15] = 0xFF;  // 65535 x 65535
  auto start = std::chrono::steady_clock::now();
  Loaded l = LoadFailing(bytes, "65535 x 65535");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(nullptr, l.palette);
  for (int w : {0, 1})
    for (int h : {0, 1}) {
      if (w && h) continue;
      TgaImage e = Picture(w, h, 24, 2, false);
      Loaded z = LoadFailing(WriteTga(e), "empty image");
      EXPECT_EQ(nullptr, z.palette);
    }
}

TEST_F(TargaTest, AllocationFailuresLeaveTheSlotsAsTheyWere) {
  std::string path = dir_.Write("a.tga", WriteTga(Picture(30, 30, 24, 2, false)));
  int before = HostLivePaletteCount();
  {
    Loaded l = LoadWithLocalAllocFailing(LoadTargaDib, path, 0);  // the record
    EXPECT_EQ(nullptr, l.dib);
    EXPECT_EQ(nullptr, l.palette);
    // The line buffer of the decode pass.
    Loaded m = LoadWithLocalAllocFailing(LoadTargaDib, path, 1);
    EXPECT_EQ(nullptr, m.dib);
    EXPECT_TRUE(HoldsFixedPalette(m.palette));
  }
  EXPECT_EQ(before, HostLivePaletteCount()) << "nothing but the slot's palette was made";
}

TEST_F(TargaTest, FileGrownBetweenThePassesIsRefused) {
  std::string path = dir_.Path("changing.tga");
  TgaImage small = Picture(4, 4, 24, 2, false), large = Picture(400, 300, 24, 2, false);
  ChangingFile file(path, WriteTga(small), WriteTga(large));
  Loaded l = LoadWith(LoadTargaDib, path);
  EXPECT_EQ(nullptr, l.dib);
  EXPECT_TRUE(HoldsFixedPalette(l.palette));
}

TEST_F(TargaTest, LittleEndianReadsKeepWhatTheyGotOnAShortRead) {
  std::string path = dir_.Write("le.bin", {0x11, 0x22, 0x33, 0x44, 0x55, 0x66});
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(nullptr, f);
  ByteStream s(f);
  DWORD v = 0xDEADBEEF;
  EXPECT_EQ(1, ReadLittleEndian(1, &s, &v));
  EXPECT_EQ(0x11u, v) << "the first byte replaces the value";
  EXPECT_EQ(1, ReadLittleEndian(2, &s, &v));
  EXPECT_EQ(0x3322u, v);
  EXPECT_EQ(0, ReadLittleEndian(7, &s, &v)) << "any other count reads four";
  EXPECT_EQ(0x665544u, v) << "the bytes read before the end stay";
  EXPECT_EQ(0, ReadLittleEndian(3, &s, &v));
  EXPECT_EQ(0x665544u, v) << "nothing read, nothing changed";
  std::fclose(f);
}

}  // namespace
