// Bitmap files parsed into records: header kinds, where the pixels start, how much of the
// record is pixel data, and files that must be refused or read partly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "checked_size.h"
#include "display_dib.h"
#include "image.h"
#include "readers/bmp_parse.h"

namespace {
typedef std::vector<uint8_t> Bytes;

void Put16(Bytes& b, uint16_t v) {
  b.push_back(v & 0xFF);
  b.push_back(v >> 8);
}
void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

struct FileSpec {
  uint32_t headerSize = 40;
  int32_t width = 2, height = 2;
  uint16_t bits = 8;
  uint32_t compression = BI_RGB;
  uint32_t clrUsed = 0;
  uint32_t offBits = 0;  // 0: right after the table
  uint32_t masks[3] = {0, 0, 0};
  int tableEntries = -1;  // -1: what the header implies
  size_t gap = 0;         // bytes between table and pixels
};

// A file: 14-byte file header, the info header, masks, table (entry i = (i, 2i, 3i) as
// red, green, blue), a gap of 0xEE bytes and the given pixel bytes.
Bytes MakeFile(const FileSpec& s, const Bytes& pixels) {
  Bytes info;
  Put32(info, s.headerSize);
  if (s.headerSize == 12) {
    Put16(info, static_cast<uint16_t>(s.width));
    Put16(info, static_cast<uint16_t>(s.height));
    Put16(info, 1);
    Put16(info, s.bits);
  } else {
    Put32(info, static_cast<uint32_t>(s.width));
    Put32(info, static_cast<uint32_t>(s.height));
    Put16(info, 1);
    Put16(info, s.bits);
    Put32(info, s.compression);
    Put32(info, static_cast<uint32_t>(pixels.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, s.clrUsed);
    Put32(info, 0);
    if (s.headerSize > 40) {
      for (uint32_t m : s.masks) Put32(info, m);
      while (info.size() < s.headerSize) info.push_back(0);
    } else if (s.compression == BI_BITFIELDS) {
      for (uint32_t m : s.masks) Put32(info, m);
    }
  }
  int entries = s.tableEntries >= 0 ? s.tableEntries
                : s.clrUsed         ? static_cast<int>(s.clrUsed)
                : s.bits <= 8       ? 1 << s.bits
                                    : 0;
  Bytes table;
  for (int i = 0; i < entries; ++i) {
    table.push_back(static_cast<uint8_t>(3 * i));
    table.push_back(static_cast<uint8_t>(2 * i));
    table.push_back(static_cast<uint8_t>(i));
    if (s.headerSize != 12) table.push_back(0);
  }
  uint32_t start = static_cast<uint32_t>(14 + info.size() + table.size() + s.gap);
  Bytes f;
  Put16(f, 0x4D42);
  Put32(f, static_cast<uint32_t>(start + pixels.size()));
  Put32(f, 0);
  Put32(f, s.offBits ? s.offBits : start);
  f.insert(f.end(), info.begin(), info.end());
  f.insert(f.end(), table.begin(), table.end());
  f.insert(f.end(), s.gap, 0xEE);
  f.insert(f.end(), pixels.begin(), pixels.end());
  return f;
}

DibBlock Parse(const Bytes& f) { return DibBlock(ParseBmpFile(f.data(), f.size())); }

const BYTE* Pixels(const DibBlock& d) { return DibPixels(d.get()); }
}  // namespace

TEST(BmpHeaders, InfoHeaderGivesA40ByteRecordWithItsTable) {
  Bytes px = {1, 2, 0, 0, 3, 4, 0, 0};
  DibBlock d = Parse(MakeFile(FileSpec{}, px));
  ASSERT_TRUE(d);
  EXPECT_EQ(40u, d->biSize);
  EXPECT_EQ(2, d->biWidth);
  EXPECT_EQ(8, d->biBitCount);
  EXPECT_EQ(256u, DibTableSize(d.get()));
  EXPECT_EQ(8u, d->biSizeImage);
  EXPECT_EQ(0, std::memcmp(px.data(), Pixels(d), 8));
  const RGBQUAD* t = DibColorTable(d.get());
  EXPECT_EQ(5, t[5].rgbRed);
  EXPECT_EQ(15, t[5].rgbBlue);
  // A 256-colour file without biClrUsed gives a 256-entry palette from its table.
  HPALETTE pal = PaletteFromDib(d.get());
  ASSERT_NE(nullptr, pal);
  EXPECT_EQ(256u, GetPaletteEntries(pal, 0, 0, nullptr));
  DeleteObject(pal);
}

TEST(BmpHeaders, V4AndV5HeadersAreReadWholeWithTheirMasks) {
  for (uint32_t size : {108u, 124u}) {
    FileSpec s;
    s.headerSize = size;
    s.bits = 16;
    s.compression = BI_BITFIELDS;
    s.masks[0] = 0xF800, s.masks[1] = 0x07E0, s.masks[2] = 0x001F;
    Bytes px = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF};  // red, green / blue, white
    DibBlock d = Parse(MakeFile(s, px));
    ASSERT_TRUE(d) << size;
    EXPECT_EQ(40u, d->biSize);
    EXPECT_EQ(static_cast<DWORD>(BI_BITFIELDS), d->biCompression);
    DibMasks m = DibColorMasks(d.get());
    EXPECT_EQ(0xF800u, m.red);
    EXPECT_EQ(0x07E0u, m.green);
    EXPECT_EQ(0x001Fu, m.blue);
    EXPECT_EQ(0, std::memcmp(px.data(), Pixels(d), 8)) << size;
    // and it gets the fixed palette like 24-bit images
    HPALETTE pal = PaletteFromDib(d.get());
    ASSERT_NE(nullptr, pal) << size;
    EXPECT_EQ(256u, GetPaletteEntries(pal, 0, 0, nullptr));
    DeleteObject(pal);
  }
  // An 8-bit V5 file: the table follows the 124-byte header.
  FileSpec s;
  s.headerSize = 124;
  DibBlock d = Parse(MakeFile(s, {9, 0, 0, 0, 0, 0, 0, 0}));
  ASSERT_TRUE(d);
  EXPECT_EQ(9, DibColorTable(d.get())[3].rgbBlue);
  EXPECT_EQ(9, Pixels(d)[0]);
}

TEST(BmpHeaders, CoreHeaderTriplesBecomeQuads) {
  FileSpec s;
  s.headerSize = 12;
  s.bits = 4;
  DibBlock d = Parse(MakeFile(s, {0x12, 0, 0, 0, 0x34, 0, 0, 0}));
  ASSERT_TRUE(d);
  EXPECT_EQ(40u, d->biSize);
  EXPECT_EQ(16u, DibTableSize(d.get()));
  const RGBQUAD* t = DibColorTable(d.get());
  EXPECT_EQ(7, t[7].rgbRed);
  EXPECT_EQ(14, t[7].rgbGreen);
  EXPECT_EQ(21, t[7].rgbBlue);
  EXPECT_EQ(0, t[7].rgbReserved);
  EXPECT_EQ(0x12, Pixels(d)[0]);
  EXPECT_EQ(0x34, Pixels(d)[4]);
}

TEST(BmpHeaders, CoreHeaderTableEndsAtOffBitsAndIndicesPastItAreBlack) {
  // An 8-bit core file with 5 triples and 2 more bytes before bfOffBits: 5 entries.
  FileSpec s;
  s.headerSize = 12;
  s.width = 4;
  s.height = 1;
  s.tableEntries = 5;
  s.gap = 2;
  s.offBits = 14 + 12 + 5 * 3 + 2;
  DibBlock d = Parse(MakeFile(s, {4, 5, 200, 0}));
  ASSERT_TRUE(d);
  EXPECT_EQ(5u, d->biClrUsed);
  EXPECT_EQ(4 * 3, DibColorTable(d.get())[4].rgbBlue);
  const BYTE want[4] = {4, 5, 200, 0};
  EXPECT_EQ(0, std::memcmp(want, Pixels(d), 4)) << "pixels from bfOffBits, not the gap";
  // Halftoned, entry 4 keeps its colour and indices 5 and 200 come out black.
  HPALETTE pal = MakeHalftonePalette();
  DibBlock h(HalftoneRecord(d.get(), Pixels(d), pal));
  PALETTEENTRY e[256];
  GetPaletteEntries(pal, 0, 256, e);
  DeleteObject(pal);
  ASSERT_TRUE(h);
  for (int x = 1; x < 3; ++x) {
    const PALETTEENTRY& c = e[DibPixels(h.get())[x]];
    EXPECT_EQ(0, c.peRed + c.peGreen + c.peBlue) << "pixel " << x;
  }
}

TEST(BmpHeaders, OtherHeaderSizesDepthsAndCodingsAreRefused) {
  const struct { uint32_t header; uint16_t bits; uint32_t compression; } bad[] = {
      {64, 8, 0}, {16, 8, 0}, {0, 8, 0}, {52, 8, 0}, {40, 7, 0}, {40, 0, 0},
      {40, 24, 1}, {40, 8, 2}, {40, 4, 1}, {40, 8, 3}, {40, 24, 4}, {40, 32, 6}};
  for (const auto& b : bad) {
    FileSpec s;
    s.headerSize = b.header;
    s.bits = b.bits;
    s.compression = b.compression;
    EXPECT_FALSE(Parse(MakeFile(s, Bytes(64)))) << b.header << "/" << b.bits << "/"
                                                << b.compression;
  }
}

TEST(BmpPixels, StartAtOffBitsWhenItLiesAfterTheTable) {
  FileSpec s;
  s.bits = 24;
  s.width = 1;
  s.height = 1;
  s.gap = 6;
  Bytes f = MakeFile(s, {0x10, 0x20, 0x30, 0});
  DibBlock d = Parse(f);
  ASSERT_TRUE(d);
  EXPECT_EQ(0x10, Pixels(d)[0]) << "the gap's bytes are not taken as pixels";
  EXPECT_EQ(0x30, Pixels(d)[2]);
}

TEST(BmpPixels, StartAfterTheTableWhenOffBitsPointsIntoItOrPastTheFile) {
  for (uint32_t off : {10u, 54u + 100u, 0xFFFFFFF0u}) {
    FileSpec s;
    s.offBits = off;
    DibBlock d = Parse(MakeFile(s, {7, 8, 0, 0, 9, 10, 0, 0}));
    ASSERT_TRUE(d) << off;
    EXPECT_EQ(7, Pixels(d)[0]) << off;
    EXPECT_EQ(10, Pixels(d)[5]) << off;
  }
}

TEST(BmpPixels, AreaIsSizedFromTheHeaderAndZeroFilled) {
  // bfSize and the data say 3 bytes; the header says 2 rows of 4.
  FileSpec s;
  Bytes f = MakeFile(s, {5, 6, 7});
  f[2] = 0xFF, f[3] = 0xFF, f[4] = 0xFF, f[5] = 0x7F;  // bfSize absurd
  DibBlock d = Parse(f);
  ASSERT_TRUE(d);
  size_t bytes = 0;
  ASSERT_TRUE(DibPixelBytes(d.get(), &bytes));
  EXPECT_EQ(8u, bytes);
  const BYTE* p = Pixels(d);
  EXPECT_EQ(5, p[0]);
  EXPECT_EQ(7, p[2]);
  for (int i = 3; i < 8; ++i) EXPECT_EQ(0, p[i]) << i;
  ExerciseFinishSteps(d.get());
}

TEST(BmpPixels, ShortTableLeavesBlackEntriesAndZeroPixels) {
  FileSpec s;
  Bytes f = MakeFile(s, Bytes(8, 1));
  f.resize(14 + 40 + 4 * 10 + 2);  // ten table entries and a half
  DibBlock d = Parse(f);
  ASSERT_TRUE(d);
  const RGBQUAD* t = DibColorTable(d.get());
  EXPECT_EQ(27, t[9].rgbBlue);
  EXPECT_EQ(0, t[10].rgbBlue);
  EXPECT_EQ(0, t[200].rgbRed);
  EXPECT_EQ(0, Pixels(d)[0]);
}

TEST(BmpPixels, TableIsCutToWhatTheDepthIndexesAndTo256) {
  FileSpec s;
  s.bits = 4;
  s.clrUsed = 40;  // more than 4 bits can index; the file holds 40 entries
  DibBlock d = Parse(MakeFile(s, {0xAB, 0, 0, 0, 0xCD, 0, 0, 0}));
  ASSERT_TRUE(d);
  EXPECT_EQ(16u, d->biClrUsed);
  EXPECT_EQ(0xAB, Pixels(d)[0]) << "pixels still come from after the file's 40 entries";
  FileSpec big;
  big.bits = 24;
  big.width = 1;
  big.height = 1;
  big.clrUsed = 300;  // an optional table of a 24-bit file
  d = Parse(MakeFile(big, {1, 2, 3, 0}));
  ASSERT_TRUE(d);
  EXPECT_EQ(256u, d->biClrUsed);
  EXPECT_EQ(3, Pixels(d)[2]);
  FileSpec absurd;
  absurd.clrUsed = 0xFFFFFFFF;
  d = Parse(MakeFile(absurd, {}));
  ASSERT_TRUE(d);
  EXPECT_EQ(256u, d->biClrUsed);
  EXPECT_EQ(0, Pixels(d)[0]);
}

TEST(BmpPixels, TopDownRowsAreKeptAndShownUpright) {
  FileSpec s;
  s.height = -2;
  s.bits = 8;
  DibBlock d = Parse(MakeFile(s, {1, 1, 0, 0, 2, 2, 0, 0}));  // top row 1, bottom row 2
  ASSERT_TRUE(d);
  EXPECT_EQ(-2, d->biHeight);
  PlainDib plain;
  ASSERT_TRUE(MakePlainDib(d.get(), Pixels(d), &plain));
  EXPECT_EQ(2, plain.header->biHeight);
  EXPECT_EQ(2, plain.pixels[0]) << "the bottom row comes first";
  EXPECT_EQ(1, plain.pixels[4]);
}

TEST(BmpPixels, RunLengthDataIsWhatTheFileHoldsAndExpandsWithDeltas) {
  FileSpec s;
  s.width = 6;
  s.height = 3;
  s.compression = BI_RLE8;
  // Row 0: run of 2 x 5, delta right 2, 7, 8; end of line; delta up 1; 3 x 9; end.
  Bytes codes = {2, 5, 0, 2, 2, 0, 1, 7, 1, 8, 0, 0, 0, 2, 0, 1, 3, 9, 0, 1};
  DibBlock d = Parse(MakeFile(s, codes));
  ASSERT_TRUE(d);
  EXPECT_EQ(codes.size(), d->biSizeImage);
  PlainDib plain;
  ASSERT_TRUE(MakePlainDib(d.get(), Pixels(d), &plain));
  const BYTE want[3][8] = {{5, 5, 0, 0, 7, 8, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0},
                           {9, 9, 9, 0, 0, 0, 0, 0}};
  EXPECT_EQ(0, std::memcmp(want, plain.pixels, sizeof want));
}

TEST(BmpPixels, Rle4RunsAlternateNibblesAndLiteralsArePadded) {
  FileSpec s;
  s.width = 7;
  s.height = 2;
  s.bits = 4;
  s.compression = BI_RLE4;
  // Row 0: a run of 5 alternating 1 and 2, then 3 literal pixels 3 4 5 of which the last
  // falls past the width; end of line. Row 1: 5 literal pixels in 3 bytes and a pad byte;
  // end of bitmap.
  Bytes codes = {5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 5, 0x67, 0x89, 0xA0, 0, 0, 1};
  DibBlock d = Parse(MakeFile(s, codes));
  ASSERT_TRUE(d);
  PlainDib plain;
  ASSERT_TRUE(MakePlainDib(d.get(), Pixels(d), &plain));
  const BYTE want[2][4] = {{0x12, 0x12, 0x13, 0x40}, {0x67, 0x89, 0xA0, 0x00}};
  EXPECT_EQ(0, std::memcmp(want, plain.pixels, sizeof want));
}

// The leading bytes of `f` the reader would read: BmpBytesUsed from the first bytes.
size_t UsedBytes(const Bytes& f) {
  return static_cast<size_t>(BmpBytesUsed(f.data(), std::min(f.size(), kBmpHeadBytes), f.size()));
}

// Bytes of a record: header, masks, table and pixel data.
size_t RecordBytes(const BITMAPINFOHEADER* d) {
  size_t pixels = 0;
  EXPECT_TRUE(DibPixelBytes(d, &pixels));
  return static_cast<size_t>(DibPixels(const_cast<BITMAPINFOHEADER*>(d)) -
                             reinterpret_cast<const BYTE*>(d)) + pixels;
}

::testing::AssertionResult PrefixGivesTheSameRecord(const Bytes& f) {
  size_t used = UsedBytes(f);
  if (used > f.size()) return ::testing::AssertionFailure() << "uses " << used << " of " << f.size();
  DibBlock whole = Parse(f), prefix(ParseBmpFile(f.data(), used));
  if (!whole != !prefix)
    return ::testing::AssertionFailure() << "whole file " << (whole ? "parses" : "refused")
                                         << ", first " << used << " bytes the other way";
  if (whole && (RecordBytes(whole.get()) != RecordBytes(prefix.get()) ||
                std::memcmp(whole.get(), prefix.get(), RecordBytes(whole.get())) != 0))
    return ::testing::AssertionFailure() << "the records differ (first " << used << " bytes)";
  return ::testing::AssertionSuccess();
}

TEST(BmpBytesUsed, HeadersTableAndRowsAreAllThatIsReadOfALongFile) {
  Bytes f = MakeFile(FileSpec{}, {1, 2, 0, 0, 3, 4, 0, 0});
  size_t exact = f.size();
  EXPECT_EQ(exact, UsedBytes(f));
  f.resize(exact + (1 << 20), 0x5A);  // a megabyte of something else behind the image
  EXPECT_EQ(exact, UsedBytes(f));
  EXPECT_TRUE(PrefixGivesTheSameRecord(f));
  // Rows past a gap: the gap counts, the rows are all read.
  FileSpec gap;
  gap.bits = 24;
  gap.gap = 100;
  Bytes g = MakeFile(gap, Bytes(16, 7));
  g.resize(g.size() + 5000);
  EXPECT_EQ(14u + 40 + 100 + 16, UsedBytes(g));
}

TEST(BmpBytesUsed, AFileThatIsNoBitmapIsReadOnlyToItsHead) {
  Bytes text(1 << 20, 'x');
  EXPECT_EQ(kBmpHeadBytes, UsedBytes(text));
  FileSpec bad;
  bad.bits = 7;
  Bytes f = MakeFile(bad, Bytes(1 << 16));
  EXPECT_EQ(kBmpHeadBytes, UsedBytes(f));
  Bytes tiny = {'B', 'M', 1, 2, 3};
  EXPECT_EQ(5u, UsedBytes(tiny));
}

TEST(BmpBytesUsed, RunLengthFilesAndShortFilesAreReadWhole) {
  FileSpec s;
  s.width = 6;
  s.height = 3;
  s.compression = BI_RLE8;
  Bytes f = MakeFile(s, {2, 5, 0, 0, 0, 1});
  f.resize(f.size() + 300, 0);
  EXPECT_EQ(f.size(), UsedBytes(f));
  Bytes cut = MakeFile(FileSpec{}, Bytes(8, 1));
  cut.resize(14 + 40 + 200);  // inside the table
  EXPECT_EQ(cut.size(), UsedBytes(cut));
}

TEST(BmpBytesUsed, ParsingWhatIsUsedGivesTheRecordOfTheWholeFile) {
  std::vector<Bytes> files;
  for (uint32_t header : {12u, 40u, 108u, 124u}) {
    for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
      if (header == 12 && (bits == 16 || bits == 32)) continue;
      FileSpec s;
      s.headerSize = header;
      s.bits = bits;
      s.width = 5;
      s.height = bits == 16 ? -3 : 3;
      if (bits == 16 && header != 12) {
        s.compression = BI_BITFIELDS;
        s.masks[0] = 0xF800, s.masks[1] = 0x07E0, s.masks[2] = 0x001F;
      }
      Bytes px(64);
      for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>(i * 7);
      files.push_back(MakeFile(s, px));
      s.gap = 9;
      s.clrUsed = bits <= 8 ? 2 : 0;
      files.push_back(MakeFile(s, px));
    }
  }
  FileSpec past;
  past.offBits = 0xFFFFFFF0u;
  files.push_back(MakeFile(past, Bytes(8, 3)));
  FileSpec inside;
  inside.offBits = 20;
  files.push_back(MakeFile(inside, Bytes(8, 3)));
  FileSpec shortCore;  // a core table ended early by bfOffBits
  shortCore.headerSize = 12;
  shortCore.tableEntries = 5;
  files.push_back(MakeFile(shortCore, Bytes(8, 3)));
  size_t count = files.size();
  for (size_t i = 0; i < count; ++i) {
    for (size_t keep : {size_t(20), size_t(60), files[i].size() - 3}) {
      Bytes cut(files[i].begin(), files[i].begin() + long(std::min(keep, files[i].size())));
      files.push_back(cut);
    }
    Bytes longer = files[i];
    longer.resize(longer.size() + 777, 0xA5);
    files.push_back(longer);
  }
  for (size_t i = 0; i < files.size(); ++i) EXPECT_TRUE(PrefixGivesTheSameRecord(files[i])) << i;
}

TEST(BmpRefusals, AbsurdSizesAreRefusedNotWrapped) {
  const struct { int32_t w, h; uint16_t bits; } cases[] = {
      {0x7FFFFFFF, 0x7FFFFFFF, 24}, {0, 5, 8}, {5, 0, 8}, {-5, 5, 8},
      {5, INT32_MIN, 8}, {0x40000000, 4, 32}, {65536, 65536, 32}};
  for (const auto& c : cases) {
    FileSpec s;
    s.width = c.w;
    s.height = c.h;
    s.bits = c.bits;
    EXPECT_FALSE(Parse(MakeFile(s, Bytes(16)))) << c.w << "x" << c.h << "x" << c.bits;
  }
  FileSpec rleTopDown;
  rleTopDown.compression = BI_RLE8;
  rleTopDown.height = -2;
  EXPECT_FALSE(Parse(MakeFile(rleTopDown, {0, 1})));
}

TEST(BmpRefusals, ShortAndEmptyFilesAreRefused) {
  Bytes f = MakeFile(FileSpec{}, Bytes(8));
  for (size_t n : {0, 1, 14, 17}) {
    EXPECT_EQ(nullptr, ParseBmpFile(f.data(), n)) << n;
  }
  EXPECT_EQ(nullptr, ParseBmpFile(nullptr, 100));
  // Cut inside the info header: the rest reads as zeros, so the width is 0.
  EXPECT_EQ(nullptr, ParseBmpFile(f.data(), 20));
}

TEST(BmpRefusals, OutOfMemoryGivesNull) {
  Bytes f = MakeFile(FileSpec{}, Bytes(8));
  HostFailLocalAllocAfter(0);
  BITMAPINFOHEADER* d = ParseBmpFile(f.data(), f.size());
  HostFailLocalAllocAfter(-1);
  EXPECT_EQ(nullptr, d);
}

TEST(PlainForm, SixteenAndThirtyTwoBitsGoThroughTheirMasks) {
  // 5-5-5 without masks: 0x7FFF white, 0x7C00 red; 32 bits with the 4th byte set: not alpha.
  FileSpec s16;
  s16.bits = 16;
  s16.height = 1;
  DibBlock d16 = Parse(MakeFile(s16, {0xFF, 0x7F, 0x00, 0x7C}));
  ASSERT_TRUE(d16);
  PlainDib p;
  ASSERT_TRUE(MakePlainDib(d16.get(), Pixels(d16), &p));
  EXPECT_EQ(24, p.header->biBitCount);
  const BYTE want16[6] = {255, 255, 255, 0, 0, 255};
  EXPECT_EQ(0, std::memcmp(want16, p.pixels, 6));
  FileSpec s32;
  s32.bits = 32;
  s32.height = 1;
  s32.width = 1;
  DibBlock d32 = Parse(MakeFile(s32, {0x11, 0x22, 0x33, 0xFF}));
  ASSERT_TRUE(MakePlainDib(d32.get(), Pixels(d32), &p));
  const BYTE want32[3] = {0x11, 0x22, 0x33};
  EXPECT_EQ(0, std::memcmp(want32, p.pixels, 3));
  // Bit fields of unusual width: 2 bits of blue scale 3 -> 255, 10 bits of red keep the top 8.
  EXPECT_EQ(255, MaskedChannel(0x3, 0x3));
  EXPECT_EQ(0xAA, MaskedChannel(0x2, 0x3));
  EXPECT_EQ(0xFF, MaskedChannel(0xFFC00000, 0xFFC00000));
  EXPECT_EQ(0x84, MaskedChannel(0x10 << 5, 0x1F << 5));
  EXPECT_EQ(0, MaskedChannel(0xFFFFFFFF, 0));
}

TEST(PlainForm, HalftoneOfSixteenBitsEqualsItsTwentyFourBitForm) {
  FileSpec s;
  s.bits = 16;
  s.width = 9;
  s.height = 3;
  Bytes px;
  for (int i = 0; i < 3 * 20; ++i) px.push_back(static_cast<uint8_t>(i * 37 + 11));
  DibBlock d = Parse(MakeFile(s, px));
  ASSERT_TRUE(d);
  PlainDib p;
  ASSERT_TRUE(MakePlainDib(d.get(), Pixels(d), &p));
  HPALETTE pal = MakeHalftonePalette();
  DibBlock a(HalftoneRecord(d.get(), Pixels(d), pal));
  DibBlock b(HalftoneRecord(p.header, p.pixels, pal));
  DeleteObject(pal);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(0, std::memcmp(DibPixels(a.get()), DibPixels(b.get()), 12 * 3));
}
