// The TIFF reader on the host: records against tiff2rgba's conversion for generated files of
// every layout and for libtiff's own test images, orientation, layout of the record, and the
// refusals and failure paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <tiffio.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/allocator_interface.h>
#define XQV_ALLOCATION_HOOKS 1
#endif
#endif

#include "checked_size.h"
#include "dib.h"
#include "reader_testing.h"
#include "readers/reader_state.h"
#include "readers/tiff.h"
#include "tiff_samples.h"

namespace {

void Silent(const char*, const char*, va_list) {}

// Sets the decode pass's band size for a test's lifetime.
class BandBytes {
 public:
  explicit BandBytes(size_t bytes) : saved_(g_tiffBandBytes) { g_tiffBandBytes = bytes; }
  ~BandBytes() { g_tiffBandBytes = saved_; }
  BandBytes(const BandBytes&) = delete;
  BandBytes& operator=(const BandBytes&) = delete;

 private:
  size_t saved_;
};

// The library's whole-image conversion in bottom-left order, as a top-down picture.
bool WholeImageRgba(const std::string& path, RgbPicture* out) {
  TIFFErrorHandler oldError = TIFFSetErrorHandler(Silent);
  TIFFErrorHandler oldWarning = TIFFSetWarningHandler(Silent);
  TIFF* t = TIFFOpen(path.c_str(), "r");
  uint32_t w = 0, h = 0;
  bool ok = t && TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w) && TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  std::vector<uint32_t> raster(ok ? size_t(w) * h : 0);
  ok = ok && TIFFReadRGBAImage(t, w, h, raster.data(), 0) == 1;
  if (t) TIFFClose(t);
  TIFFSetErrorHandler(oldError);
  TIFFSetWarningHandler(oldWarning);
  out->width = int(w);
  out->height = int(h);
  out->rgb.clear();
  for (uint32_t y = 0; ok && y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      uint32_t v = raster[size_t(h - 1 - y) * w + x];
      out->rgb.insert(out->rgb.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)});
    }
  return ok;
}

// libtiff's own conversion, by its tool: tiff2rgba without alpha, uncompressed, read back
// as plain 8-bit RGB scanlines.
bool RunTiff2rgba(const std::string& path, const std::string& scratch, RgbPicture* out) {
  std::string cmd = "tiff2rgba -c none -n '" + path + "' '" + scratch + "' 2>/dev/null";
  if (system(cmd.c_str()) != 0) return false;
  TIFFErrorHandler oldError = TIFFSetErrorHandler(Silent);
  TIFF* t = TIFFOpen(scratch.c_str(), "r");
  TIFFSetErrorHandler(oldError);
  if (!t) return false;
  uint32_t w = 0, h = 0;
  uint16_t spp = 0, bits = 0;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
  bool ok = spp == 3 && bits == 8 && size_t(TIFFScanlineSize(t)) == size_t(w) * 3;
  out->width = int(w);
  out->height = int(h);
  out->rgb.assign(size_t(w) * h * 3, 0);
  for (uint32_t y = 0; ok && y < h; ++y)
    ok = TIFFReadScanline(t, &out->rgb[size_t(y) * w * 3], y, 0) == 1;
  TIFFClose(t);
  return ok;
}

#ifdef XQV_ALLOCATION_HOOKS
// The largest single allocation of the process while one of these lives, through the
// sanitizer's allocation hook (installed once: hooks cannot be removed).
bool g_recordAllocations;
size_t g_largestAllocation;
void RecordAllocation(const volatile void*, size_t bytes) {
  if (g_recordAllocations && bytes > g_largestAllocation) g_largestAllocation = bytes;
}
void IgnoreFree(const volatile void*) {}

class LargestAllocation {
 public:
  LargestAllocation() {
    static const bool installed =
        __sanitizer_install_malloc_and_free_hooks(RecordAllocation, IgnoreFree) != 0;
    EXPECT_TRUE(installed);
    g_largestAllocation = 0;
    g_recordAllocations = true;
  }
  ~LargestAllocation() { g_recordAllocations = false; }
  size_t bytes() const { return g_largestAllocation; }
  LargestAllocation(const LargestAllocation&) = delete;
  LargestAllocation& operator=(const LargestAllocation&) = delete;
};
#endif

class TiffTest : public ReaderFileTest {
 protected:
  static Loaded Load(const std::string& path) { return LoadWith(LoadTiffDib, path); }
  void ExpectMatchesTiff2rgba(const std::string& path) {
    RgbPicture ref;
    ASSERT_TRUE(RunTiff2rgba(path, Path("reference.tif"), &ref));
    Loaded l = Load(path);
    ASSERT_NE(nullptr, l.dib);
    EXPECT_NE(nullptr, l.palette);
    EXPECT_TRUE(RecordMatches(l.dib, ref));
  }
};

TEST_F(TiffTest, GeneratedFilesOfEveryLayoutMatchTiff2rgbaExactly) {
  std::vector<TiffSample> samples = WriteTiffSamples(dir_.path());
  ASSERT_FALSE(samples.empty());
  for (const TiffSample& s : samples) {
    if (!s.readable) continue;
    SCOPED_TRACE(s.name);
    ExpectMatchesTiff2rgba(Path(s.name));
  }
}

// libtiff's own test images the RGBA interface reads: every photometric kind, strips and
// tiles, old and new JPEG, and directory chains.
const char* const kLibraryImages[] = {
    "minisblack-1c-8b.tiff", "minisblack-1c-16b.tiff", "minisblack-2c-8b-alpha.tiff",
    "miniswhite-1c-1b.tiff", "palette-1c-1b.tiff", "palette-1c-4b.tiff", "palette-1c-8b.tiff",
    "rgb-3c-8b.tiff", "rgb-3c-16b.tiff", "quad-lzw-compat.tiff", "quad-tile.jpg.tiff",
    "deflate-last-strip-extra-data.tiff", "logluv-3c-16b.tiff", "custom_dir_EXIF_GPS.tiff",
    "ojpeg_chewey_subsamp21_multi_strip.tiff", "ojpeg_single_strip_no_rowsperstrip.tiff",
    "ojpeg_zackthecat_subsamp22_single_strip.tiff", "testfax4.tiff", "test_two_ifds.tif",
    "test_ifd_loop_to_self.tif", "test_ifd_loop_to_first.tif", "tiff_with_subifd_chain.tif",
    "lzw-single-strip.tiff"};

std::string LibraryImage(const char* name) {
  return std::string(XQV_SOURCE_TIFF) + "/test/images/" + name;
}

TEST_F(TiffTest, LibraryTestImagesMatchTiff2rgbaExactly) {
  for (const char* name : kLibraryImages) {
    SCOPED_TRACE(name);
    ExpectMatchesTiff2rgba(LibraryImage(name));
  }
}

// The decode pass in bands of one strip or tile each, the smallest there are: every file
// still comes out as one whole-image conversion gives it.
TEST_F(TiffTest, OneStripOrTileAtATimeGivesTheSameRecords) {
  std::vector<TiffSample> samples = WriteTiffSamples(dir_.path());
  ASSERT_FALSE(samples.empty());
  BandBytes tiny(1);
  for (const TiffSample& s : samples) {
    if (!s.readable) continue;
    SCOPED_TRACE(s.name);
    ExpectMatchesTiff2rgba(Path(s.name));
  }
  for (const char* name : kLibraryImages) {
    SCOPED_TRACE(name);
    ExpectMatchesTiff2rgba(LibraryImage(name));
  }
}

TEST_F(TiffTest, BothOrientationsOfOnePictureGiveTheSameUprightRecord) {
  ASSERT_FALSE(WriteTiffSamples(dir_.path()).empty());
  Loaded top = Load(Path("rgb_topleft.tif"));
  Loaded bottom = Load(Path("rgb_botleft.tif"));
  ASSERT_NE(nullptr, top.dib);
  ASSERT_NE(nullptr, bottom.dib);
  ASSERT_EQ(top.dib->biSizeImage, bottom.dib->biSizeImage);
  EXPECT_EQ(0, memcmp(top.dib + 1, bottom.dib + 1, top.dib->biSizeImage));
  // The red block is at the top left: the last memory row starts red.
  const BYTE* first = top.Row(0);
  EXPECT_EQ(0, first[0]);
  EXPECT_EQ(0, first[1]);
  EXPECT_EQ(255, first[2]);
}

TEST_F(TiffTest, RecordOfWidthThreeHasTwelveByteRowsWithZeroPadding) {
  ASSERT_FALSE(WriteTiffSamples(dir_.path()).empty());
  Loaded l = Load(Path("width3.tif"));
  ASSERT_NO_FATAL_FAILURE(ExpectRgbRecordHeader(l.dib, 3, 4, 12));
  const unsigned char* rows = reinterpret_cast<const unsigned char*>(l.dib + 1);
  for (int r = 0; r < 4; ++r)
    for (int b = 9; b < 12; ++b) EXPECT_EQ(0, rows[r * 12 + b]) << "row " << r << " byte " << b;
  PALETTEENTRY e;
  ASSERT_EQ(1u, GetPaletteEntries(l.palette, 64, 1, &e)) << "the fixed 256-entry palette";
  EXPECT_EQ(64, e.peBlue);
}

TEST_F(TiffTest, FirstPageOfSeveralIsShown) {
  ASSERT_FALSE(WriteTiffSamples(dir_.path()).empty());
  Loaded l = Load(Path("pages.tif"));
  ASSERT_NE(nullptr, l.dib);
  const BYTE* top = l.Row(0);
  EXPECT_EQ(255, top[2]) << "red, as on page 1 (later pages have red and blue swapped)";
  EXPECT_EQ(0, top[0]);
}

TEST_F(TiffTest, AssociatedAlphaLeavesTheColourSamplesAsStored) {
  ASSERT_FALSE(WriteTiffSamples(dir_.path()).empty());
  Loaded l = Load(Path("rgba_associated.tif"));
  ASSERT_NE(nullptr, l.dib);
  // The bottom-right pixel: stored premultiplied as (255*55/255, 255*55/255, 200*55/255).
  const BYTE* p = l.Row(l.height() - 1) + 3 * (l.width() - 1);
  EXPECT_EQ(255 * 55 / 255, p[2]);
  EXPECT_EQ(255 * 55 / 255, p[1]);
}

TEST_F(TiffTest, ImageTheRgbaInterfaceRefusesGivesNullNotABlackPicture) {
  ASSERT_FALSE(WriteTiffSamples(dir_.path()).empty());
  for (const char* path : {"float32.tif", XQV_SOURCE_TIFF "/test/images/test_float64_predictor2_le_lzw.tif"}) {
    SCOPED_TRACE(path);
    std::string full = path[0] == '/' ? std::string(path) : Path(path);
    Loaded l = Load(full);
    EXPECT_EQ(nullptr, l.dib);
    // The header pass succeeded, so the palette was made; it stays the caller's.
    ASSERT_NE(nullptr, l.palette);
  }
  EXPECT_EQ(palettesBefore_, HostLivePaletteCount());
}

TEST_F(TiffTest, FilesThatAreNotTiffsGiveNoRecordAndNoPalette) {
  struct Case { const char* what; std::string path; } cases[] = {
      {"a GIF named .tif", WriteString("picture.tif", std::string("GIF89a\1\0\1\0\0\0\0;", 13))},
      {"an empty file", WriteString("empty.tif", "")},
      {"a header and nothing else", WriteString("header.tif", std::string("II*\0", 4))},
      {"a first directory past the end",
       WriteString("far.tif", std::string("II*\0\xff\xff\0\0", 8))},
      {"a missing file", Path("missing.tif")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Loaded l = Load(c.path);
    EXPECT_EQ(nullptr, l.dib);
    EXPECT_EQ(nullptr, l.palette);
  }
  EXPECT_EQ(palettesBefore_, HostLivePaletteCount());
}

TEST_F(TiffTest, SizesWhoseRasterCannotBeAllocatedAreRefusedBeforeAnyPalette) {
  // A valid header declaring 100000 x 100000 pixels: 40 GB of raster.
  TIFF* t = TIFFOpen(Path("huge.tif").c_str(), "w");
  ASSERT_NE(nullptr, t);
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 100000u);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, 100000u);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 1000u);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  std::vector<unsigned char> row(100000, 7);
  ASSERT_EQ(1, TIFFWriteScanline(t, row.data(), 0, 0));
  TIFFClose(t);
  EXPECT_EQ(1, DecodeTiff(Path("huge.tif").c_str(), TRUE));
  EXPECT_EQ(100000, g_readerState.width);
  Loaded huge = Load(Path("huge.tif"));
  EXPECT_EQ(nullptr, huge.dib);
  EXPECT_EQ(nullptr, huge.palette);

  // The record alone would fit, the raster beside it would not.
  ASSERT_FALSE(WriteTiffSamples(dir_.path()).empty());
  Loaded deflate = LoadWithImageLimit(LoadTiffDib, Path("deflate.tif"), 70 * 50 * 4 - 1);  // 70 x 50
  EXPECT_EQ(nullptr, deflate.dib);
  EXPECT_EQ(nullptr, deflate.palette);
}

TEST_F(TiffTest, BombWhoseStripWouldTakeGigabytesIsRefusedWithoutAskingForThem) {
#ifndef XQV_ALLOCATION_HOOKS
  GTEST_SKIP() << "needs the sanitizer's allocation hooks";
#else
  // 500 x 500 pixels of 7,920 8-bit samples in one Deflate strip without StripByteCounts
  // (written by make_bomb_tiff.py): a strip of about 2 GB from a 4 KB file.
  LargestAllocation largest;
  Loaded l = Load(XQV_TIFF_TESTS "/bomb_7920_samples.tif");
  EXPECT_EQ(nullptr, l.dib);
  EXPECT_LT(largest.bytes(), size_t(64) << 20) << "largest single allocation";
#endif
}

TEST_F(TiffTest, FailedRecordAllocationGivesNullAndNoPalette) {
  ASSERT_FALSE(WriteTiffSamples(dir_.path()).empty());
  Loaded l = LoadWithLocalAllocFailing(LoadTiffDib, Path("lzw.tif"), 0);
  EXPECT_EQ(nullptr, l.dib);
  EXPECT_EQ(nullptr, l.palette);
}

TEST_F(TiffTest, ImageCutShortInsideItsDataStillOpensAtItsSize) {
  ASSERT_FALSE(WriteTiffSamples(dir_.path()).empty());
  // Keep the header and directory (written last by libtiff, so rebuild: cut the strips).
  std::vector<uint8_t> bytes = ReadAll(Path("packbits.tif"));
  ASSERT_GT(bytes.size(), 400u);
  uint32_t dirOffset;
  memcpy(&dirOffset, &bytes[4], 4);
  ASSERT_GT(dirOffset, 400u) << "libtiff writes the strips before the directory";
  for (size_t i = 200; i < 400; ++i) bytes[i] = 0x80;  // PackBits no-ops in the strips
  Loaded l = Load(Write("damaged.tif", bytes));
  ASSERT_NE(nullptr, l.dib);
  EXPECT_EQ(70, l.width());
}

// A 61 x 43 RGB picture in strips of 7 rows, every pixel different, with the orientation tag
// given.
bool WriteStripedRgb(const std::string& path, uint16_t orientation, uint16_t compression) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (!t) return false;
  const uint32_t w = 61, h = 43;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
  TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 7u);
  bool ok = true;
  std::vector<uint8_t> row(w * 3);
  for (uint32_t y = 0; ok && y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x)
      row[x * 3] = uint8_t(x * 4), row[x * 3 + 1] = uint8_t(y * 5), row[x * 3 + 2] = uint8_t(x ^ y);
    ok = TIFFWriteScanline(t, row.data(), y, 0) == 1;
  }
  TIFFClose(t);
  return ok;
}

TEST_F(TiffTest, EveryOrientationInBandsEqualsTheWholeImageConversion) {
  for (uint16_t orientation = ORIENTATION_TOPLEFT; orientation <= ORIENTATION_LEFTBOT;
       ++orientation) {
    SCOPED_TRACE(orientation);
    std::string path = Path("oriented.tif");
    ASSERT_TRUE(WriteStripedRgb(path, orientation, COMPRESSION_LZW));
    RgbPicture whole;
    ASSERT_TRUE(WholeImageRgba(path, &whole));
    for (size_t bytes : {size_t(1), size_t(61 * 4 * 10), size_t(1) << 20}) {
      SCOPED_TRACE(bytes);
      BandBytes band(bytes);
      Loaded l = Load(path);
      ASSERT_NE(nullptr, l.dib);
      EXPECT_TRUE(RecordMatches(l.dib, whole));
    }
  }
}

// The offset of strip `strip` in a little-endian TIFF's first directory, or 0.
size_t StripOffsetPosition(const std::vector<uint8_t>& bytes, uint32_t strip) {
  auto u16 = [&](size_t at) { return size_t(bytes[at] | bytes[at + 1] << 8); };
  auto u32 = [&](size_t at) { return size_t(u16(at) | u16(at + 2) << 16); };
  size_t dir = u32(4);
  for (size_t i = 0, n = u16(dir); i < n; ++i) {
    size_t entry = dir + 2 + 12 * i;
    if (u16(entry) == TIFFTAG_STRIPOFFSETS && u16(entry + 2) == TIFF_LONG)
      return u32(entry + 4) > 1 ? u32(entry + 8) + 4 * strip : entry + 8;
  }
  return 0;
}

TEST_F(TiffTest, StripThatCannotBeReadOpensAsTheWholeImageConversionDoes) {
  // Strip 3 of 7 points far past the end of the file: a band that starts there gets nothing
  // from the library, while a whole-image read goes on with the strips around it.
  ASSERT_TRUE(WriteStripedRgb(Path("good.tif"), ORIENTATION_TOPLEFT, COMPRESSION_NONE));
  std::vector<uint8_t> bytes = ReadAll(Path("good.tif"));
  size_t at = StripOffsetPosition(bytes, 3);
  ASSERT_NE(0u, at);
  const uint8_t far[4] = {0xF0, 0xFF, 0xFF, 0x7F};
  memcpy(&bytes[at], far, 4);
  std::string path = Write("strip-lost.tif", bytes);
  RgbPicture whole;
  ASSERT_TRUE(WholeImageRgba(path, &whole)) << "the whole-image read carries on";
  for (size_t band : {size_t(1), size_t(1) << 20}) {
    SCOPED_TRACE(band);
    BandBytes bands(band);
    Loaded l = Load(path);
    ASSERT_NE(nullptr, l.dib);
    EXPECT_TRUE(RecordMatches(l.dib, whole));
  }
}

TEST(TiffRowPlacement, RasterBytesBecomeBlueGreenRedAndAlphaIsDropped) {
  std::vector<BYTE> pixels(2 * 8, 0xEE);  // width 2: stride 8, 2 rows
  g_readerState = {2, 2, 8, pixels.data()};
  const BYTE raster[8] = {10, 20, 30, 0, 40, 50, 60, 255};  // red, green, blue, alpha
  TiffPutRow(reinterpret_cast<const DWORD*>(raster), 0);
  const BYTE want[6] = {30, 20, 10, 60, 50, 40};
  EXPECT_EQ(0, memcmp(&pixels[8], want, 6)) << "row 0 from the top is the last memory row";
  EXPECT_EQ(0xEE, pixels[0]);
  std::vector<BYTE> before = pixels;
  TiffPutRow(reinterpret_cast<const DWORD*>(raster), 2);
  TiffPutRow(reinterpret_cast<const DWORD*>(raster), -1);
  EXPECT_EQ(before, pixels);
  g_readerState = {};
}

}  // namespace
