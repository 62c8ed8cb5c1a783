// The JPEG reader and writer on the host: records decoded by our reader against djpeg's
// output for generated files and the library's own test images, the record's layout, the
// refusals and failure paths, and the writer read back by djpeg.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "checked_size.h"
#include "dib.h"
#include "jpeg_samples.h"
#include "reader_testing.h"
#include "readers/jpeg.h"
#include "readers/reader_state.h"

namespace {

// djpeg's default decode (the same options our reader leaves alone) as binary PNM.
bool RunDjpeg(const std::string& path, RgbPicture* out) {
  std::string cmd = "djpeg -pnm '" + path + "' 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return false;
  std::vector<unsigned char> data;
  unsigned char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) data.insert(data.end(), buf, buf + n);
  pclose(p);  // djpeg exits with 2 after a warning (a cut-off file); the output counts
  int maxval = 0, used = 0;
  char magic[3] = {};
  if (data.size() < 2 || sscanf(reinterpret_cast<const char*>(data.data()), "%2s %d %d %d%n",
                                magic, &out->width, &out->height, &maxval, &used) != 4)
    return false;
  int channels = strcmp(magic, "P6") == 0 ? 3 : strcmp(magic, "P5") == 0 ? 1 : 0;
  size_t pixels = size_t(out->width) * out->height;
  if (!channels || maxval != 255 || data.size() < used + 1 + pixels * channels) return false;
  const unsigned char* src = data.data() + used + 1;
  out->rgb.resize(pixels * 3);
  for (size_t i = 0; i < pixels; ++i)
    for (int c = 0; c < 3; ++c) out->rgb[i * 3 + c] = src[i * channels + (channels == 3 ? c : 0)];
  return true;
}

std::string SourceJpegImage(const char* name) {
  return std::string(XQV_SOURCE_JPEG) + "/testimages/" + name;
}

class JpegTest : public ReaderFileTest {
 protected:
  static Loaded Load(const std::string& path) { return LoadWith(LoadJpegDib, path); }
  // Our record of the file equals djpeg's decoding of it (and has the given width, if any).
  void ExpectMatchesDjpeg(const std::string& path, int width = 0) {
    RgbPicture ref;
    ASSERT_TRUE(RunDjpeg(path, &ref));
    Loaded l = Load(path);
    ASSERT_NE(nullptr, l.dib);
    EXPECT_TRUE(RecordMatches(l.dib, ref));
    if (width) EXPECT_EQ(width, l.width());
  }
};

TEST_F(JpegTest, GeneratedFilesOfEveryKindMatchDjpegExactly) {
  std::vector<JpegSample> samples = WriteJpegSamples(dir_.path());
  ASSERT_FALSE(samples.empty());
  for (const JpegSample& s : samples) {
    SCOPED_TRACE(s.name);
    ExpectMatchesDjpeg(Path(s.name), s.width);
  }
}

TEST_F(JpegTest, LibraryTestImagesMatchDjpegExactly) {
  for (const char* name : {"testorig.jpg", "testimgint.jpg", "testimgari.jpg"}) {
    SCOPED_TRACE(name);
    ExpectMatchesDjpeg(SourceJpegImage(name));
  }
}

TEST_F(JpegTest, RecordIsA24BitBottomUpDibWithTheFixedPalette) {
  ASSERT_FALSE(WriteJpegSamples(dir_.path()).empty());
  Loaded l = Load(Path("width7.jpg"));
  // A width of 7 makes rows of 24 bytes.
  ASSERT_NO_FATAL_FAILURE(ExpectRgbRecordHeader(l.dib, 7, 5, 24));
  ASSERT_NE(nullptr, l.palette);
  PALETTEENTRY last;
  ASSERT_EQ(1u, GetPaletteEntries(l.palette, 255, 1, &last));
  EXPECT_EQ(224, last.peRed);
  EXPECT_EQ(224, last.peGreen);
  EXPECT_EQ(192, last.peBlue);
}

TEST_F(JpegTest, RedBlockAtTheTopLeftLandsInTheLastMemoryRowAsRed) {
  ASSERT_FALSE(WriteJpegSamples(dir_.path()).empty());
  Loaded l = Load(Path("baseline444.jpg"));
  ASSERT_NE(nullptr, l.dib);
  const BYTE* px = l.Row(0) + 3 * 3;  // (3, 0), inside the red block: the last memory row
  EXPECT_LT(px[0], 20) << "blue";
  EXPECT_LT(px[1], 20) << "green";
  EXPECT_GT(px[2], 235) << "red";
  const BYTE* bottom = l.Row(l.height() - 1);  // the first memory row
  EXPECT_GT(bottom[3 * (l.width() - 2) + 2], 200) << "the gradient's bright red corner";
}

TEST_F(JpegTest, GreyAndCmykFilesBecomeRgbWithoutReadingPastTheirRows) {
  ASSERT_FALSE(WriteJpegSamples(dir_.path()).empty());
  for (const char* name : {"grey.jpg", "cmyk.jpg", "ycck.jpg"}) {
    SCOPED_TRACE(name);
    Loaded l = Load(Path(name));
    ASSERT_NE(nullptr, l.dib);
    const BYTE* red = l.Row(0) + 3 * 2;
    if (strcmp(name, "grey.jpg") == 0) {
      EXPECT_EQ(red[0], red[1]);
      EXPECT_EQ(red[1], red[2]);
    } else {
      EXPECT_GT(red[2], 200) << "red in the red block";
      EXPECT_LT(red[0], 60) << "no blue in the red block";
    }
  }
}

TEST(JpegInkConversion, InvertedCmykEqualsDjpegsRoundedProductForEveryPair) {
  // Writes one pixel per ink/black pair and reads the conversion back from a record.
  BYTE row[4 * 256];
  std::vector<BYTE> pixels(((256 * 3 + 3) / 4) * 4);
  g_readerState = {256, 1, LONG(pixels.size()), pixels.data()};
  for (int k = 0; k < 256; ++k) {
    for (int c = 0; c < 256; ++c) {
      row[4 * c] = BYTE(c);
      row[4 * c + 1] = BYTE(255 - c);
      row[4 * c + 2] = BYTE(c / 2);
      row[4 * c + 3] = BYTE(k);
    }
    JpegPutRow(row, 4, 0);
    for (int c = 0; c < 256; ++c) {
      auto ref = [&](int ink) { return int(double(ink) * double(k) / 255.0 + 0.5); };
      ASSERT_EQ(ref(c), pixels[3 * c + 2]) << "c=" << c << " k=" << k;
      ASSERT_EQ(ref(255 - c), pixels[3 * c + 1]) << "m=" << 255 - c << " k=" << k;
      ASSERT_EQ(ref(c / 2), pixels[3 * c]) << "y=" << c / 2 << " k=" << k;
    }
  }
  g_readerState = {};
}

TEST(JpegRowPlacement, RowZeroIsTheLastMemoryRowAndRowsOutsideTheImageAreIgnored) {
  std::vector<BYTE> pixels(3 * 8, 0xEE);  // width 2: stride 8, 3 rows
  g_readerState = {2, 3, 8, pixels.data()};
  const BYTE rgb[6] = {1, 2, 3, 4, 5, 6};
  JpegPutRow(rgb, 3, 0);
  const BYTE expectTop[6] = {3, 2, 1, 6, 5, 4};
  EXPECT_EQ(0, memcmp(&pixels[16], expectTop, 6));
  EXPECT_EQ(0xEE, pixels[22]) << "padding is left as it was";
  const BYTE grey[2] = {9, 200};
  JpegPutRow(grey, 1, 2);
  const BYTE expectBottom[6] = {9, 9, 9, 200, 200, 200};
  EXPECT_EQ(0, memcmp(&pixels[0], expectBottom, 6));
  std::vector<BYTE> before = pixels;
  JpegPutRow(rgb, 3, 3);
  JpegPutRow(rgb, 3, -1);
  EXPECT_EQ(before, pixels);
  g_readerState = {};
}

TEST_F(JpegTest, FilesThatAreNotJpegsGiveNoRecordAndNoPalette) {
  const std::vector<unsigned char> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0,
                                          ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 'D', 1, 0, ';'};
  const std::vector<unsigned char> soiOnly = {0xFF, 0xD8};
  struct Case { const char* what; std::string path; } cases[] = {
      {"a GIF named .jpg", Write("picture.jpg", gif)},
      {"an empty file", Write("empty.jpg", {})},
      {"a start marker and nothing else", Write("soi.jpg", soiOnly)},
      {"a missing file", Path("missing.jpg")},
      {"12-bit samples this build cannot decode", SourceJpegImage("testorig12.jpg")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Loaded l = Load(c.path);
    EXPECT_EQ(nullptr, l.dib);
    EXPECT_EQ(nullptr, l.palette);
  }
  EXPECT_EQ(palettesBefore_, HostLivePaletteCount());
}

// The baseline sample with its quantization tables taken out: the header reads, the
// decode stops with a library error.
std::vector<unsigned char> WithoutQuantTables(const std::vector<unsigned char>& jpeg) {
  std::vector<unsigned char> out(jpeg.begin(), jpeg.begin() + 2);
  size_t i = 2;
  while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
    unsigned marker = jpeg[i + 1];
    size_t len = size_t(jpeg[i + 2]) << 8 | jpeg[i + 3];
    if (marker == 0xDA) break;
    if (marker != 0xDB) out.insert(out.end(), jpeg.begin() + i, jpeg.begin() + i + 2 + len);
    i += 2 + len;
  }
  out.insert(out.end(), jpeg.begin() + i, jpeg.end());
  return out;
}

TEST_F(JpegTest, LibraryErrorDuringDecodeFreesTheRecordAndLeavesThePaletteToTheCaller) {
  ASSERT_FALSE(WriteJpegSamples(dir_.path()).empty());
  std::string broken = Write("noquant.jpg", WithoutQuantTables(ReadAll(Path("baseline.jpg"))));
  EXPECT_EQ(1, DecodeJpeg(broken.c_str(), TRUE)) << "the header alone is fine";
  {
    Loaded l = Load(broken);
    EXPECT_EQ(nullptr, l.dib);
    ASSERT_NE(nullptr, l.palette) << "the palette made after the header pass stays in the slot";
    EXPECT_EQ(palettesBefore_ + 1, HostLivePaletteCount());
  }
  // The same reader goes on working after the jump.
  ASSERT_NE(nullptr, Load(Path("baseline.jpg")).dib);
}

// A progressive file cut after its first scan, followed by `count` scans that carry no data:
// AC scans of the first component whose only code is an end-of-band run over every block.
std::vector<unsigned char> WithEmptyScans(const std::vector<unsigned char>& jpeg, int count) {
  size_t i = 2, firstScanEnd = 0;
  int component = -1;
  while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
    unsigned marker = jpeg[i + 1];
    size_t len = size_t(jpeg[i + 2]) << 8 | jpeg[i + 3];
    if (marker == 0xC2) component = jpeg[i + 10];  // first component id of the frame
    i += 2 + len;
    if (marker == 0xDA) {  // skip the entropy-coded data up to the next marker
      while (i + 1 < jpeg.size() && !(jpeg[i] == 0xFF && jpeg[i + 1] != 0 &&
                                      (jpeg[i + 1] < 0xD0 || jpeg[i + 1] > 0xD7)))
        ++i;
      firstScanEnd = i;
      break;
    }
  }
  if (!firstScanEnd || component < 0) return {};
  std::vector<unsigned char> out(jpeg.begin(), jpeg.begin() + long(firstScanEnd));
  // AC table 1: one code, "0", for symbol 0xE0 (an end-of-band run with 14 extra bits).
  const unsigned char table[] = {0xFF, 0xC4, 0x00, 0x14, 0x11};
  out.insert(out.end(), table, table + sizeof table);
  unsigned char codeCounts[16] = {1};  // one code of length 1, none longer
  out.insert(out.end(), codeCounts, codeCounts + 16);
  out.push_back(0xE0);
  // Coefficients 1..63 of the component through table 1; the data is the code and a run
  // of 32767 blocks (0111 1111 1111 1111), its 0xFF byte stuffed.
  const unsigned char scan[] = {0xFF, 0xDA, 0x00, 0x08, 0x01, (unsigned char)component, 0x01,
                                0x01, 0x3F, 0x00, 0x7F, 0xFF, 0x00};
  for (int n = 0; n < count; ++n) out.insert(out.end(), scan, scan + sizeof scan);
  out.push_back(0xFF);
  out.push_back(0xD9);
  return out;
}

TEST_F(JpegTest, EndlessEmptyScansAreRefusedInsteadOfDecodedForever) {
  ASSERT_FALSE(WriteJpegSamples(dir_.path()).empty());
  std::vector<unsigned char> progressive = ReadAll(Path("progressive.jpg"));
  std::string some = Write("some_scans.jpg", WithEmptyScans(progressive, 100));
  std::string endless = Write("endless_scans.jpg", WithEmptyScans(progressive, 600));
  RgbPicture ref;
  ASSERT_TRUE(RunDjpeg(some, &ref)) << "the library reads the repeated scans";
  {
    Loaded l = Load(some);
    ASSERT_NE(nullptr, l.dib) << "a hundred scans are still read";
    EXPECT_TRUE(RecordMatches(l.dib, ref));
  }
  {
    Loaded l = Load(endless);
    EXPECT_EQ(nullptr, l.dib) << "six hundred scans are refused";
    ASSERT_NE(nullptr, l.palette) << "the header pass made the palette; it stays the caller's";
  }
  EXPECT_EQ(palettesBefore_, HostLivePaletteCount());
}

TEST_F(JpegTest, FileCutShortOpensWithWhatTheLibraryDelivers) {
  ASSERT_FALSE(WriteJpegSamples(dir_.path()).empty());
  testing::internal::CaptureStderr();
  Loaded l = Load(Path("truncated.jpg"));
  EXPECT_EQ("", testing::internal::GetCapturedStderr()) << "the library's warning is not shown";
  ASSERT_NE(nullptr, l.dib);
  EXPECT_EQ(160, l.width());
  EXPECT_EQ(120, l.height());
}

// A file several times the reader's input buffer: grainy pixels at full quality, and after
// the start-of-image marker five application segments of 65,533 bytes that the library skips
// across the first refills.
std::vector<uint8_t> LargeJpegWithLongSegments(const ScratchDir& dir) {
  const int w = 700, h = 500;
  std::string ppm = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  uint32_t seed = 12345;
  for (int i = 0; i < w * h * 3; ++i) {
    seed = seed * 1103515245u + 12345u;
    ppm.push_back(char((i / 3 % w) / 3 + int(seed >> 26)));
  }
  dir.WriteString("grainy.ppm", ppm);
  std::string cmd = "cjpeg -quality 100 -outfile '" + dir.Path("grainy.jpg") + "' '" +
                    dir.Path("grainy.ppm") + "'";
  if (system(cmd.c_str()) != 0) return {};
  std::vector<uint8_t> jpeg = ReadAll(dir.Path("grainy.jpg"));
  std::vector<uint8_t> segments;
  for (int i = 0; i < 5; ++i) {
    segments.insert(segments.end(), {0xFF, 0xEF, 0xFF, 0xFF});  // APP15, length 65,535
    segments.insert(segments.end(), 65533, uint8_t(i));
  }
  jpeg.insert(jpeg.begin() + 2, segments.begin(), segments.end());
  return jpeg;
}

TEST_F(JpegTest, FilesLargerThanTheInputBufferMatchDjpegWholeAndCutShort) {
  std::vector<uint8_t> jpeg = LargeJpegWithLongSegments(dir_);
  ASSERT_GT(jpeg.size(), 750000u) << "three buffers and more";
  ExpectMatchesDjpeg(Write("long.jpg", jpeg), 700);
  // Cut inside the entropy-coded data, well past the first buffers: the rows decoded so far,
  // and for the rest what the library gives once it has met the end of the file.
  for (size_t cut : {size_t(600000), jpeg.size() - 1000}) {
    SCOPED_TRACE(cut);
    ExpectMatchesDjpeg(Write("cut.jpg", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + cut)),
                       700);
  }
  // Cut inside the skipped segments: no frame header, no picture.
  Loaded l = Load(Write("header-cut.jpg", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 300000)));
  EXPECT_EQ(nullptr, l.dib);
}

TEST_F(JpegTest, RecordTooLargeToRepresentIsRefusedWithoutAPalette) {
  ASSERT_FALSE(WriteJpegSamples(dir_.path()).empty());
  // Below baseline.jpg's 97 x 61 x 3 bytes.
  Loaded l = LoadWithImageLimit(LoadJpegDib, Path("baseline.jpg"), 1000);
  EXPECT_EQ(nullptr, l.dib);
  EXPECT_EQ(nullptr, l.palette);
}

TEST_F(JpegTest, FailedRecordAllocationGivesNullAndNoPalette) {
  ASSERT_FALSE(WriteJpegSamples(dir_.path()).empty());
  Loaded l = LoadWithLocalAllocFailing(LoadJpegDib, Path("baseline.jpg"), 0);
  EXPECT_EQ(nullptr, l.dib);
  EXPECT_EQ(nullptr, l.palette);
}

// Four-byte source pixels: byte 0 ignored, then red, green, blue.
std::vector<BYTE> Xrgb(const std::vector<unsigned char>& rgb) {
  std::vector<BYTE> out;
  for (size_t i = 0; i < rgb.size(); i += 3) {
    out.push_back(0x5A);
    out.insert(out.end(), rgb.begin() + i, rgb.begin() + i + 3);
  }
  return out;
}

TEST_F(JpegTest, WrittenTwoPixelRedBlueImageReadsBackRedThenBlue) {
  const BYTE source[8] = {0, 255, 0, 0, 0, 0, 0, 255};
  ASSERT_EQ(1, WriteJpegFile(Path("rb.jpg").c_str(), 2, 1, 75, source));
  std::vector<unsigned char> bytes = ReadAll(Path("rb.jpg"));
  ASSERT_GT(bytes.size(), 4u);
  bool baselineFrame = false;
  for (size_t i = 0; i + 1 < bytes.size(); ++i) baselineFrame |= bytes[i] == 0xFF && bytes[i + 1] == 0xC0;
  EXPECT_TRUE(baselineFrame) << "a baseline (SOF0) frame";
  RgbPicture back;
  ASSERT_TRUE(RunDjpeg(Path("rb.jpg"), &back));
  ASSERT_EQ(2, back.width);
  ASSERT_EQ(1, back.height);
  const int want[6] = {255, 0, 0, 0, 0, 255};
  for (int i = 0; i < 6; ++i)
    EXPECT_NEAR(want[i], back.rgb[i], 12) << "sample " << i;
}

double Psnr(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
  return 10 * std::log10(255.0 * 255.0 / (sum / double(a.size())));
}

TEST_F(JpegTest, WrittenGradientReadsBackWithinAPsnrBound) {
  const int w = 203, h = 117;
  std::vector<unsigned char> rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int v : {x * 255 / (w - 1), y * 255 / (h - 1), (x + y) * 255 / (w + h - 2)})
        rgb.push_back((unsigned char)v);
  std::vector<BYTE> source = Xrgb(rgb);
  for (int quality : {50, 90}) {
    SCOPED_TRACE(quality);
    ASSERT_EQ(1, WriteJpegFile(Path("pic.jpg").c_str(), w, h, quality, source.data()));
    RgbPicture back;
    ASSERT_TRUE(RunDjpeg(Path("pic.jpg"), &back));
    ASSERT_EQ(w, back.width);
    ASSERT_EQ(h, back.height);
    double psnr = Psnr(rgb, back.rgb);
    RecordProperty("psnr_q" + std::to_string(quality), std::to_string(psnr));
    EXPECT_GT(psnr, quality == 90 ? 46.0 : 40.0);
    // And our own reader agrees with djpeg on what was written.
    Loaded l = Load(Path("pic.jpg"));
    ASSERT_NE(nullptr, l.dib);
    EXPECT_TRUE(RecordMatches(l.dib, back));
  }
}

TEST_F(JpegTest, WriterFailsWithoutLeavingAFileWhereItCannotCreateOne) {
  const BYTE source[8] = {0, 255, 0, 0, 0, 0, 0, 255};
  std::string path = Path("no-such-folder/out.jpg");
  EXPECT_EQ(0, WriteJpegFile(path.c_str(), 2, 1, 75, source));
  struct stat st;
  EXPECT_NE(0, stat(path.c_str(), &st));
}

TEST_F(JpegTest, WriterRefusesEmptySizesWithoutTouchingAnExistingFile) {
  const BYTE source[8] = {0, 255, 0, 0, 0, 0, 0, 255};
  std::string path = Write("keep.jpg", {1, 2, 3});
  EXPECT_EQ(0, WriteJpegFile(path.c_str(), 0, 1, 75, source));
  EXPECT_EQ(0, WriteJpegFile(path.c_str(), 2, 0, 75, source));
  EXPECT_EQ(0, WriteJpegFile(path.c_str(), 70000, 1, 75, source));
  EXPECT_EQ(3u, ReadAll(path).size());
}

TEST_F(JpegTest, WriterClampsTheQualityToTheLibrarysRange) {
  std::vector<BYTE> source = Xrgb(DrawTestPicture(16, 16));
  ASSERT_EQ(1, WriteJpegFile(Path("q0.jpg").c_str(), 16, 16, 0, source.data()));
  ASSERT_EQ(1, WriteJpegFile(Path("q1.jpg").c_str(), 16, 16, 1, source.data()));
  ASSERT_EQ(1, WriteJpegFile(Path("q500.jpg").c_str(), 16, 16, 500, source.data()));
  ASSERT_EQ(1, WriteJpegFile(Path("q100.jpg").c_str(), 16, 16, 100, source.data()));
  EXPECT_EQ(ReadAll(Path("q1.jpg")), ReadAll(Path("q0.jpg")));
  EXPECT_EQ(ReadAll(Path("q100.jpg")), ReadAll(Path("q500.jpg")));
}

}  // namespace
