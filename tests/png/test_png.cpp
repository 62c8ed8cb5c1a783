// The PNG reader on the host: pictures written here with libpng for the layouts that take
// their own path through the reader (palette with transparency, 16-bit samples, 1-bit grey,
// interlacing, alpha over white), libpng's picture suite against ImageMagick's decoding, a
// file cut short, and a declared size too large to load.
#include <dirent.h>
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "reader_testing.h"
#include "readers/png.h"
#include "readers/reader_state.h"

namespace {

// A picture to write: samples in file order (one value per sample, 16-bit ones whole), rows
// from the top.
struct PngRecipe {
  int width = 0, height = 0, colorType = PNG_COLOR_TYPE_RGB, bitDepth = 8;
  bool interlaced = false;
  std::vector<unsigned> samples;
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;  // tRNS of a palette picture
  int transparentGrey = -1;            // tRNS of a grey picture
};

int Channels(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: case PNG_COLOR_TYPE_PALETTE: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    default: return 4;
  }
}

// The samples of one row packed as the file holds them.
std::vector<png_byte> PackRow(const PngRecipe& s, int y) {
  const int perRow = s.width * Channels(s.colorType);
  std::vector<png_byte> row((size_t(perRow) * s.bitDepth + 7) / 8);
  for (int i = 0; i < perRow; ++i) {
    unsigned v = s.samples[size_t(y) * perRow + i];
    if (s.bitDepth == 16) {
      row[2 * i] = png_byte(v >> 8);
      row[2 * i + 1] = png_byte(v);
    } else {
      int bit = i * s.bitDepth;
      row[bit / 8] |= png_byte(v << (8 - s.bitDepth - bit % 8));
    }
  }
  return row;
}

bool WritePng(const std::string& path, const PngRecipe& s) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<std::vector<png_byte>> rows;
  for (int y = 0; y < s.height; ++y) rows.push_back(PackRow(s, y));
  std::vector<png_bytep> pointers;
  for (auto& r : rows) pointers.push_back(r.data());
  bool ok = false;
  if (!setjmp(png_jmpbuf(png))) {
    png_init_io(png, f);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    if (!s.paletteAlpha.empty())
      png_set_tRNS(png, info, s.paletteAlpha.data(), int(s.paletteAlpha.size()), nullptr);
    if (s.transparentGrey >= 0) {
      png_color_16 grey = {};
      grey.gray = png_uint_16(s.transparentGrey);
      png_set_tRNS(png, info, nullptr, 0, &grey);
    }
    png_write_info(png, info);
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  return ok;
}

std::vector<unsigned> Repeat(std::initializer_list<unsigned> pattern, size_t count) {
  std::vector<unsigned> v;
  while (v.size() < count) v.insert(v.end(), pattern);
  v.resize(count);
  return v;
}

unsigned OverWhite(unsigned c, unsigned a) { return (c * a + 255 * (255 - a) + 127) / 255; }

const RGBQUAD* Table(const Loaded& l) { return reinterpret_cast<const RGBQUAD*>(l.dib + 1); }

// The record as top-down red-green-blue, whatever its depth.
RgbPicture AsRgb(const Loaded& l) {
  RgbPicture p;
  p.width = l.width();
  p.height = l.height();
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      if (l.dib->biBitCount == 8) {
        const RGBQUAD& q = Table(l)[l.Row(y)[x]];
        p.rgb.insert(p.rgb.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue});
      } else {
        const BYTE* px = l.Row(y) + 3 * x;
        p.rgb.insert(p.rgb.end(), {px[2], px[1], px[0]});
      }
    }
  return p;
}

// ImageMagick's decoding over white at 8 bits a sample, read back from a binary PPM. Its
// colour space is set to sRGB: ImageMagick takes a file of gamma 1.0 for linear RGB and
// would convert its samples on the way out, where we show samples as they are stored.
bool ImageMagickOverWhite(const std::string& path, const std::string& scratch, RgbPicture* out) {
  std::string cmd = "/usr/bin/convert '" + path +
                    "' -set colorspace sRGB -background white -alpha remove -alpha off"
                    " -depth 8 'ppm:" + scratch + "' 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) return false;
  FILE* f = std::fopen(scratch.c_str(), "rb");
  if (!f) return false;
  int maxval = 0;
  bool ok = std::fscanf(f, "P6 %d %d %d", &out->width, &out->height, &maxval) == 3 &&
            maxval == 255 && std::fgetc(f) != EOF;
  out->rgb.resize(size_t(out->width) * out->height * 3);
  ok = ok && std::fread(out->rgb.data(), 1, out->rgb.size(), f) == out->rgb.size();
  std::fclose(f);
  return ok;
}

// The largest difference of any sample (-1 when the sizes differ), and where it is.
int LargestDifference(const RgbPicture& a, const RgbPicture& b, std::string* where = nullptr) {
  if (a.width != b.width || a.height != b.height) return -1;
  int most = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) {
    int d = std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    if (d > most && where) {
      size_t n = i / 3;
      *where = "pixel (" + std::to_string(n % a.width) + "," + std::to_string(n / a.width) +
               ") channel " + std::to_string(i % 3) + ": " + std::to_string(a.rgb[i]) + " vs " +
               std::to_string(b.rgb[i]);
    }
    most = std::max(most, d);
  }
  return most;
}

class PngTest : public ReaderFileTest {
 protected:
  static Loaded Load(const std::string& path) { return LoadWith(LoadPngDib, path); }
  Loaded WriteAndLoad(const std::string& name, const PngRecipe& recipe) {
    EXPECT_TRUE(WritePng(Path(name), recipe)) << name;
    return Load(Path(name));
  }
};

TEST_F(PngTest, PaletteWithTransparencyKeepsItsIndicesAndTakesEntriesOverWhite) {
  PngRecipe s;
  s.width = 7;
  s.height = 3;
  s.colorType = PNG_COLOR_TYPE_PALETTE;
  s.bitDepth = 4;
  s.palette = {{200, 10, 40}, {0, 0, 255}, {10, 220, 30}};
  s.paletteAlpha = {0, 128};  // the third entry has none: opaque
  s.samples = Repeat({0, 1, 2, 1}, 21);
  Loaded l = WriteAndLoad("palette.png", s);
  ASSERT_NE(nullptr, l.dib);
  EXPECT_NE(nullptr, l.palette);
  EXPECT_EQ(8, l.dib->biBitCount);
  EXPECT_EQ(256u, l.dib->biClrUsed);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(s.samples[size_t(y) * 7 + x], l.Row(y)[x]) << "index at " << x << "," << y;
  const RGBQUAD* t = Table(l);
  EXPECT_EQ(255, t[0].rgbRed);
  EXPECT_EQ(255, t[0].rgbGreen);
  EXPECT_EQ(255, t[0].rgbBlue);
  EXPECT_EQ(OverWhite(0, 128), t[1].rgbRed);
  EXPECT_EQ(OverWhite(0, 128), t[1].rgbGreen);
  EXPECT_EQ(255, t[1].rgbBlue);
  EXPECT_EQ(10, t[2].rgbRed);
  EXPECT_EQ(220, t[2].rgbGreen);
  EXPECT_EQ(30, t[2].rgbBlue);
  EXPECT_EQ(0, t[3].rgbRed + t[3].rgbGreen + t[3].rgbBlue) << "entries past the palette";
}

TEST_F(PngTest, OneBitGreyIsAnIndexedRecordOfBlackAndWhite) {
  PngRecipe s;
  s.width = 11;
  s.height = 2;
  s.colorType = PNG_COLOR_TYPE_GRAY;
  s.bitDepth = 1;
  s.samples = Repeat({1, 0, 0, 1, 1}, 22);
  Loaded l = WriteAndLoad("grey1.png", s);
  ASSERT_NE(nullptr, l.dib);
  EXPECT_EQ(8, l.dib->biBitCount);
  EXPECT_EQ(0, Table(l)[0].rgbRed);
  EXPECT_EQ(255, Table(l)[1].rgbRed);
  EXPECT_EQ(255, Table(l)[1].rgbBlue);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 11; ++x)
      EXPECT_EQ(s.samples[size_t(y) * 11 + x], l.Row(y)[x]) << "at " << x << "," << y;
  for (size_t b = 11; b < l.stride(); ++b) EXPECT_EQ(0, l.Row(0)[b]) << "padding";
}

TEST_F(PngTest, SixteenBitSamplesRoundToTheNearestLevel) {
  PngRecipe s;
  s.width = 2;
  s.height = 1;
  s.colorType = PNG_COLOR_TYPE_RGB;
  s.bitDepth = 16;
  // The high bytes alone would give 0x12, 0x80, 0xFE and 0x00, 0x7F, 0x01.
  s.samples = {0x12FF, 0x8000, 0xFEF0, 0x00C0, 0x7F7F, 0x0181};
  Loaded l = WriteAndLoad("rgb16.png", s);
  ASSERT_NE(nullptr, l.dib);
  EXPECT_EQ(24, l.dib->biBitCount);
  const BYTE want[] = {0xFE, 0x80, 0x13, 0x01, 0x7F, 0x01};  // blue, green, red of each
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(want[i], l.Row(0)[i]) << "byte " << i << ": expected " << int(want[i]) << ", got "
                                    << int(l.Row(0)[i]);
}

TEST_F(PngTest, AlphaIsCompositedOverWhiteInBlueGreenRedOrder) {
  PngRecipe s;
  s.width = 3;
  s.height = 1;
  s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  s.samples = {200, 100, 50, 255, 200, 100, 50, 0, 200, 100, 50, 128};
  Loaded l = WriteAndLoad("rgba.png", s);
  ASSERT_NE(nullptr, l.dib);
  EXPECT_EQ(24, l.dib->biBitCount);
  const unsigned want[] = {50, 100, 200, 255, 255, 255, OverWhite(50, 128), OverWhite(100, 128),
                           OverWhite(200, 128)};
  for (int i = 0; i < 9; ++i)
    EXPECT_EQ(want[i], l.Row(0)[i]) << "byte " << i << ": expected " << want[i] << ", got "
                                    << int(l.Row(0)[i]);
}

// Straight into the record (palette), and through the buffer of combined passes (alpha at
// 16 bits): an interlaced file gives what the same picture without interlacing gives.
TEST_F(PngTest, InterlacedPicturesEqualTheirPlainTwins) {
  PngRecipe palette;
  palette.width = 13;
  palette.height = 11;
  palette.colorType = PNG_COLOR_TYPE_PALETTE;
  palette.bitDepth = 2;
  palette.palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  palette.samples = Repeat({0, 1, 2, 3, 3, 1, 2}, 13 * 11);
  PngRecipe alpha;
  alpha.width = 9;
  alpha.height = 10;
  alpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  alpha.bitDepth = 16;
  alpha.samples = Repeat({0x1234, 0xFFFF, 0xFFFF, 0x8000, 0x9000, 0x0000, 0x4321}, 9 * 10 * 2);
  for (PngRecipe* s : {&palette, &alpha}) {
    Loaded plain = WriteAndLoad("plain.png", *s);
    s->interlaced = true;
    Loaded interlaced = WriteAndLoad("interlaced.png", *s);
    ASSERT_NE(nullptr, plain.dib);
    ASSERT_NE(nullptr, interlaced.dib);
    RgbPicture want = AsRgb(plain), got = AsRgb(interlaced);
    EXPECT_EQ(0, LargestDifference(want, got)) << "colour type " << s->colorType;
    EXPECT_NE(0, LargestDifference(want, RgbPicture{want.width, want.height,
                                                    std::vector<unsigned char>(want.rgb.size())}))
        << "the picture is not all black";
  }
}

std::vector<std::string> PngsIn(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > 4 && n.compare(n.size() - 4, 4, ".png") == 0) names.push_back(dir + "/" + n);
    }
    closedir(d);
  }
  return names;
}

// Whether the picture has 16-bit samples, an alpha channel or a tRNS chunk.
bool HasAlphaOrSixteenBits(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  bool has = false;
  if (!setjmp(png_jmpbuf(png))) {
    png_init_io(png, f);
    png_read_info(png, info);
    has = png_get_bit_depth(png, info) == 16 ||
          (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 ||
          png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return has;
}

// Exact where neither transparency nor 16-bit samples are involved; within 2 levels where
// they are, as compositing and reduction may round at another step.
TEST_F(PngTest, LibpngPictureSuiteMatchesImageMagickOverWhite) {
  const std::string suite = std::string(XQV_SOURCE_PNG) + "/contrib/pngsuite";
  std::vector<std::string> files = PngsIn(suite), interlaced = PngsIn(suite + "/interlaced");
  files.insert(files.end(), interlaced.begin(), interlaced.end());
  ASSERT_GE(files.size(), 60u);
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    RgbPicture want;
    ASSERT_TRUE(ImageMagickOverWhite(path, Path("reference.ppm"), &want));
    Loaded l = Load(path);
    ASSERT_NE(nullptr, l.dib);
    const bool approximate = HasAlphaOrSixteenBits(path);
    std::string where;
    int most = LargestDifference(AsRgb(l), want, &where);
    EXPECT_LE(0, most) << "size";
    EXPECT_LE(most, approximate ? 2 : 0) << where << " (ours vs ImageMagick's)";
  }
}

TEST_F(PngTest, FileCutShortInItsDataShowsTheRowsBeforeTheCut) {
  PngRecipe s;
  s.width = 200;
  s.height = 200;
  s.colorType = PNG_COLOR_TYPE_RGB;
  // Noise, so that the data is too large for libpng to have taken all of it in one read.
  unsigned seed = 1;
  for (int i = 0; i < 200 * 200 * 3; ++i)
    s.samples.push_back((seed = seed * 1103515245 + 12345) >> 24);
  ASSERT_TRUE(WritePng(Path("whole.png"), s));
  Loaded whole = Load(Path("whole.png"));
  std::vector<uint8_t> bytes = ReadAll(Path("whole.png"));
  bytes.resize(bytes.size() / 2);
  Loaded cut = Load(Write("cut.png", bytes));
  ASSERT_NE(nullptr, whole.dib);
  ASSERT_NE(nullptr, cut.dib);
  EXPECT_EQ(0, std::memcmp(whole.Row(0), cut.Row(0), 200 * 3)) << "the first row";
  EXPECT_EQ(0, cut.Row(199)[0] + cut.Row(199)[1] + cut.Row(199)[2]) << "the last row stays black";
}

// A few hundred bytes declaring 20000 x 20000 pixels (400 MB of record): refused on its
// header, before any record or palette is made.
TEST_F(PngTest, PictureLargerThanALoadMayTakeIsRefusedBeforeAnyPalette) {
  std::vector<uint8_t> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&bytes](const char* type, std::vector<uint8_t> data) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(data.size() >> shift));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    bytes.insert(bytes.end(), typed.begin(), typed.end());
    uLong crc = crc32(0, typed.data(), uInt(typed.size()));
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(crc >> shift));
  };
  // 20000 x 20000, 8-bit grey, no interlace.
  chunk("IHDR", {0, 0, 0x4E, 0x20, 0, 0, 0x4E, 0x20, 8, 0, 0, 0, 0});
  std::vector<uint8_t> zeros(20001 * 4, 0), packed(compressBound(uLong(zeros.size())));
  uLongf size = uLongf(packed.size());
  ASSERT_EQ(Z_OK, compress(packed.data(), &size, zeros.data(), uLong(zeros.size())));
  packed.resize(size);
  chunk("IDAT", packed);
  chunk("IEND", {});
  Loaded l = Load(Write("bomb.png", bytes));
  EXPECT_EQ(nullptr, l.dib);
  EXPECT_EQ(nullptr, l.palette) << "refused before the record was made";
}

}  // namespace
