// The GIF loader on the host: files made by our writer and giflib's pictures against giflib's
// own decode, hand-made byte streams for the corner cases, and the statuses and palette slot
// of every failure.
#include <dirent.h>
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "readers/gif.h"
#include "gif_writer.h"
#include "reader_testing.h"
#include "readers/reader_state.h"

namespace {

struct RefImage {
  bool ok = false;
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;  // display order, top row first
  std::vector<GifRgb> colours;
};

// giflib's reading of the first image and the colour table that applies to it.
RefImage GiflibFirstImage(const std::string& path) {
  RefImage r;
  int error = 0;
  GifFileType* g = DGifOpenFileName(path.c_str(), &error);
  if (!g) return r;
  if (DGifSlurp(g) == GIF_OK && g->ImageCount > 0) {
    const SavedImage& si = g->SavedImages[0];
    r.width = si.ImageDesc.Width;
    r.height = si.ImageDesc.Height;
    r.pixels.assign(si.RasterBits, si.RasterBits + size_t(r.width) * r.height);
    const ColorMapObject* map = si.ImageDesc.ColorMap ? si.ImageDesc.ColorMap : g->SColorMap;
    for (int i = 0; map && i < map->ColorCount; ++i)
      r.colours.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
    r.ok = true;
  }
  DGifCloseFile(g, &error);
  return r;
}

std::vector<uint8_t> Indices(const Loaded& l) {
  std::vector<uint8_t> px;
  for (int y = 0; y < l.height(); ++y) px.insert(px.end(), l.Row(y), l.Row(y) + l.width());
  return px;
}

const RGBQUAD* Table(const Loaded& l) { return reinterpret_cast<const RGBQUAD*>(l.dib + 1); }

// The record holds exactly these indices and these colours (low two bits cleared), the rest
// of its 256 entries black.
void ExpectImage(const Loaded& l, int width, int height, const std::vector<uint8_t>& pixels,
                 const std::vector<GifRgb>& colours, const std::string& what) {
  ASSERT_NE(nullptr, l.dib) << what;
  ASSERT_EQ(width, l.width()) << what;
  ASSERT_EQ(height, l.height()) << what;
  EXPECT_EQ(8, l.dib->biBitCount);
  EXPECT_EQ(256u, l.dib->biClrUsed);
  EXPECT_EQ(256u, l.dib->biClrImportant);
  EXPECT_EQ(l.stride() * size_t(height), l.dib->biSizeImage);
  std::vector<uint8_t> got = Indices(l);
  auto diff = std::mismatch(got.begin(), got.end(), pixels.begin());
  if (diff.first != got.end()) {
    size_t i = size_t(diff.first - got.begin());
    ADD_FAILURE() << what << ": pixel (" << i % width << ", " << i / width << ") expected "
                  << int(*diff.second) << ", got " << int(*diff.first);
  }
  for (int i = 0; i < 256; ++i) {
    GifRgb c = i < int(colours.size()) ? colours[i] : GifRgb{0, 0, 0};
    const RGBQUAD& q = Table(l)[i];
    if (q.rgbRed != (c.r & 0xFC) || q.rgbGreen != (c.g & 0xFC) || q.rgbBlue != (c.b & 0xFC)) {
      ADD_FAILURE() << what << ": colour " << i << " expected " << int(c.r & 0xFC) << ","
                    << int(c.g & 0xFC) << "," << int(c.b & 0xFC) << ", got " << int(q.rgbRed)
                    << "," << int(q.rgbGreen) << "," << int(q.rgbBlue);
      break;
    }
  }
  // Every row's padding stays index 0.
  for (int y = 0; y < height; ++y)
    for (size_t x = size_t(width); x < l.stride(); ++x)
      if (l.Row(y)[x] != 0) {
        ADD_FAILURE() << what << ": padding byte " << x << " of row " << y << " is " << int(l.Row(y)[x]);
        return;
      }
}

GifFile OneImage(int width, int height, int colours, int minCodeSize, uint32_t seed = 1) {
  GifFile f;
  f.globalTable = GifGreyTable(colours);
  GifImage im;
  im.width = width;
  im.height = height;
  im.pixels = GifTestPattern(width, height, colours, seed);
  im.lzw.minCodeSize = minCodeSize;
  f.images.push_back(im);
  return f;
}

class GifTest : public ReaderFileTest {
 protected:
  // Writes the file, loads it, checks it against what was written and against giflib.
  void ExpectRoundTrip(const GifFile& f, const std::string& what) {
    std::string path = dir_.Write("t.gif", WriteGif(f));
    const GifImage& im = f.images[0];
    const auto& colours = im.localTable.empty() ? f.globalTable : im.localTable;
    Loaded l = LoadWith(LoadGifDib, path);
    ExpectImage(l, im.width, im.height, im.pixels, colours, what);
    RefImage ref = GiflibFirstImage(path);
    ASSERT_TRUE(ref.ok) << what << ": giflib cannot read our file";
    EXPECT_EQ(im.pixels, ref.pixels) << what << ": giflib reads other pixels";
  }
};

TEST_F(GifTest, GiflibPicturesDecodeAsGiflibDecodesThem) {
  std::string dir = XQV_GIFLIB_PICS;
  DIR* d = opendir(dir.c_str());
  ASSERT_NE(nullptr, d) << dir;
  int count = 0;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name.size() < 4 || name.substr(name.size() - 4) != ".gif") continue;
    std::string path = dir + "/" + name;
    RefImage ref = GiflibFirstImage(path);
    ASSERT_TRUE(ref.ok) << name;
    Loaded l = LoadWith(LoadGifDib, path);
    ExpectImage(l, ref.width, ref.height, ref.pixels, ref.colours, name);
    ++count;
  }
  closedir(d);
  EXPECT_GE(count, 8);
}

TEST_F(GifTest, EveryMinimumCodeSizeDecodes) {
  for (int s = 2; s <= 8; ++s) {
    GifFile f = OneImage(61, 47, 1 << s, s, s);
    ExpectRoundTrip(f, "minimum code size " + std::to_string(s));
  }
  // Nine is accepted as well: the roots beyond 255 are stored as their low byte.
  GifFile f = OneImage(40, 30, 256, 9);
  std::string path = dir_.Write("nine.gif", WriteGif(f));
  Loaded l = LoadWith(LoadGifDib, path);
  ExpectImage(l, 40, 30, f.images[0].pixels, f.globalTable, "minimum code size 9");
}

TEST_F(GifTest, TableFillsUpAndIsClearedOrKeptFull) {
  GifFile f = OneImage(700, 300, 256, 8, 7);
  ExpectRoundTrip(f, "clear code when the table is full");
  f.images[0].lzw.clearWhenFull = false;
  ExpectRoundTrip(f, "full table kept without a clear code");
  GifFile small = OneImage(400, 300, 4, 2, 9);
  small.images[0].lzw.clearWhenFull = false;
  ExpectRoundTrip(small, "two-bit image with a full table kept");
}

TEST_F(GifTest, StreamWithoutLeadingClearCodeDecodes) {
  GifFile f = OneImage(97, 31, 16, 4, 3);
  f.images[0].lzw.leadingClear = false;
  std::string path = dir_.Write("noclear.gif", WriteGif(f));
  Loaded l = LoadWith(LoadGifDib, path);
  ExpectImage(l, 97, 31, f.images[0].pixels, f.globalTable, "no leading clear code");
}

TEST_F(GifTest, InterlacedImagesOfHeights1To17FillEveryRow) {
  for (int h = 1; h <= 17; ++h) {
    GifFile f = OneImage(13, h, 32, 5, h);
    f.images[0].interlaced = true;
    ExpectRoundTrip(f, "interlaced height " + std::to_string(h));
  }
  GifFile big = OneImage(300, 203, 256, 8);
  big.images[0].interlaced = true;
  ExpectRoundTrip(big, "interlaced 300 x 203");
}

TEST_F(GifTest, InterlacedImageOfHeight3FillsRows0Then2Then1) {
  BYTE rows[3 * 4] = {};
  g_readerState = {1, 3, 4, rows};
  g_gifRow = 0;
  g_gifRowStep = -8;
  for (BYTE v : {BYTE(10), BYTE(20), BYTE(30), BYTE(40)}) GifPutRow(&v, 1);  // the 4th is spare
  // Memory rows are bottom-up: image row r lies at memory row 2 - r.
  EXPECT_EQ(10, rows[2 * 4]) << "image row 0";
  EXPECT_EQ(30, rows[1 * 4]) << "image row 1";
  EXPECT_EQ(20, rows[0 * 4]) << "image row 2";
  g_readerState = {};
}

TEST_F(GifTest, RowsPastTheLastRowAreDropped) {
  // Data for 16 rows behind a descriptor of 8: the second half must go nowhere (ASan watches).
  GifFile f = OneImage(16, 16, 16, 4);
  std::vector<uint8_t> bytes = WriteGif(f);
  const size_t descriptor = 13 + 48;
  bytes[descriptor + 7] = 8;  // height
  const std::vector<uint8_t>& px = f.images[0].pixels;
  for (bool interlaced : {false, true}) {
    bytes[descriptor + 9] = interlaced ? 0x40 : 0;
    Loaded l = LoadWith(LoadGifDib, dir_.Write("long.gif", bytes));
    ASSERT_NE(nullptr, l.dib);
    ASSERT_EQ(8, l.height());
    std::vector<uint8_t> expect(px.begin(), px.begin() + 128);
    if (interlaced) {  // the first 8 file rows land in interlace order
      std::vector<int> order = GifInterlaceOrder(8);
      for (int i = 0; i < 8; ++i)
        std::copy_n(px.begin() + i * 16, 16, expect.begin() + order[i] * 16);
    }
    EXPECT_EQ(expect, Indices(l)) << (interlaced ? "interlaced" : "plain");
  }
}

TEST_F(GifTest, ExtensionsOfEveryKindBeforeTheImageAreSkipped) {
  GifFile f = OneImage(33, 21, 64, 6);
  f.extensions = {GifGraphicControl(10, 3), GifComment(std::string(600, 'c')),
                  GifApplication("NETSCAPE", "2.0", {1, 0, 0}), GifPlainText("hello"),
                  GifExtension(0x77, {1, 2, 3, 0x2C, 0x3B})};  // unknown label, tricky bytes
  ExpectRoundTrip(f, "89a with extensions");
  // An extension without sub-blocks (giflib refuses this one, so only our reading counts).
  f.extensions.push_back({0x21, 0xFE, 0});
  Loaded l = LoadWith(LoadGifDib, dir_.Write("empty-comment.gif", WriteGif(f)));
  ExpectImage(l, 33, 21, f.images[0].pixels, f.globalTable, "empty comment");
  f.version = "87a";
  f.extensions.clear();
  ExpectRoundTrip(f, "87a");
}

TEST_F(GifTest, OnlyTheFirstImageOfAnAnimationIsShownAtItsOwnSize) {
  GifFile f = OneImage(20, 10, 16, 4, 1);
  f.screenWidth = 64;
  f.screenHeight = 48;
  f.images[0].left = 5;
  f.images[0].top = 7;
  f.extensions = {GifApplication("NETSCAPE", "2.0", {1, 0, 0}), GifGraphicControl(5, -1)};
  GifImage second = f.images[0];
  second.width = 64;
  second.height = 48;
  second.pixels = GifTestPattern(64, 48, 16, 2);
  f.images.push_back(second);
  ExpectRoundTrip(f, "animation");
}

TEST_F(GifTest, LocalColourTableIsTheFirstImagesPalette) {
  GifFile f = OneImage(30, 20, 16, 4);
  f.images[0].localTable = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
  f.images[0].pixels = GifTestPattern(30, 20, 4, 5);
  ExpectRoundTrip(f, "local table beside a global one");
  f.globalTable.clear();
  ExpectRoundTrip(f, "local table without a global one");
}

TEST_F(GifTest, ColourValuesKeepTheirSixHighBits) {
  GifFile f = OneImage(4, 4, 2, 2);
  f.globalTable = {{255, 130, 3}, {1, 2, 254}};
  f.sortFlag = true;  // changes nothing about the count of entries read
  Loaded l = LoadWith(LoadGifDib, dir_.Write("c.gif", WriteGif(f)));
  ASSERT_NE(nullptr, l.dib);
  const RGBQUAD& c = Table(l)[0];
  EXPECT_EQ(252, c.rgbRed);
  EXPECT_EQ(128, c.rgbGreen);
  EXPECT_EQ(0, c.rgbBlue);
  PALETTEENTRY pe[3] = {};
  ASSERT_EQ(3u, GetPaletteEntries(l.palette, 0, 3, pe));
  EXPECT_EQ(252, pe[0].peRed);
  EXPECT_EQ(252, pe[1].peBlue);
  EXPECT_EQ(0, pe[2].peRed + pe[2].peGreen + pe[2].peBlue) << "entries past the file's are black";
}

TEST_F(GifTest, EntriesPastTheFilesColoursAreNotLeftFromAnEarlierFile) {
  GifFile full = OneImage(8, 8, 256, 8);
  for (auto& c : full.globalTable) c = {200, 100, 50};
  Loaded first = LoadWith(LoadGifDib, dir_.Write("a.gif", WriteGif(full)));
  ASSERT_NE(nullptr, first.dib);
  GifFile small = OneImage(8, 8, 4, 2);
  Loaded second = LoadWith(LoadGifDib, dir_.Write("b.gif", WriteGif(small)));
  ExpectImage(second, 8, 8, small.images[0].pixels, small.globalTable, "after a 256-colour file");
}

TEST_F(GifTest, PaddingOfANarrowImageIsZero) {
  GifFile f = OneImage(5, 6, 256, 8);
  for (auto& p : f.images[0].pixels) p = 0xEE;
  Loaded l = LoadWith(LoadGifDib, dir_.Write("narrow.gif", WriteGif(f)));
  ASSERT_NE(nullptr, l.dib);
  EXPECT_EQ(8u, l.stride());
  ExpectImage(l, 5, 6, f.images[0].pixels, f.globalTable, "width 5");
}

TEST_F(GifTest, LargestImageOpensAndOneMoreIsRefused) {
  GifFile f = OneImage(2048, 2048, 256, 8);
  ExpectRoundTrip(f, "2048 x 2048");
  for (auto wh : {std::pair<int, int>{2049, 16}, {16, 2049}}) {
    GifFile big = OneImage(wh.first, wh.second, 16, 4);
    std::string path = dir_.Write("big.gif", WriteGif(big));
    EXPECT_EQ(GIF_TOO_LARGE, ParseGif(path.c_str(), true));
    Loaded l = LoadWith(LoadGifDib, path);
    EXPECT_EQ(nullptr, l.dib);
    EXPECT_EQ(nullptr, l.palette) << "refused in the header pass: no palette";
  }
}

TEST_F(GifTest, SignatureNeedsTwoDigitsAndALetter) {
  std::vector<uint8_t> good = WriteGif(OneImage(4, 4, 4, 2));
  struct Case { const char* sig; bool opens; } cases[] = {
      {"GIF87a", true}, {"GIF89a", true}, {"GIF00A", true}, {"GIF99z", true},
      {"GIFx9a", false}, {"GIF8xa", false}, {"GIF89@", false}, {"GIF89{", false},
      {"GIG89a", false}, {"gif89a", false}};
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = good;
    std::memcpy(bytes.data(), c.sig, 6);
    std::string path = dir_.Write("sig.gif", bytes);
    Loaded l = LoadWith(LoadGifDib, path);
    EXPECT_EQ(c.opens, l.dib != nullptr) << c.sig;
    if (!c.opens) {
      EXPECT_EQ(GIF_BAD_SIGNATURE, ParseGif(path.c_str(), true)) << c.sig;
      EXPECT_EQ(nullptr, l.palette) << c.sig;
    }
  }
}

// Each failure of the header pass leaves the palette slot untouched.
TEST_F(GifTest, HeaderPassFailuresGiveTheirStatusAndNoPalette) {
  GifFile f = OneImage(4, 4, 4, 2);
  GifFile noTable = f;
  noTable.globalTable.clear();
  GifFile noImage = f;
  noImage.images.clear();
  GifFile emptyWidth = f;
  emptyWidth.images[0].width = 0;
  emptyWidth.images[0].pixels.clear();
  const std::vector<uint8_t> good = WriteGif(f);
  std::vector<uint8_t> cutDescriptor(good.begin(), good.begin() + 13 + 12 + 5);
  std::vector<uint8_t> unknownBlock = WriteGif(f);
  unknownBlock[13 + 12] = 0x99;  // neither extension, image nor trailer
  struct Case { std::string name; std::vector<uint8_t> bytes; short status; } cases[] = {
      {"no colour table", WriteGif(noTable), GIF_NO_COLOR_TABLE},
      {"trailer before any image", WriteGif(noImage), GIF_NO_IMAGE},
      {"end of file before any image", {good.begin(), good.begin() + 13 + 12}, GIF_NO_IMAGE},
      {"descriptor cut short", cutDescriptor, GIF_NO_IMAGE},
      {"unknown block before any image", unknownBlock, GIF_NO_IMAGE},
      {"image of width 0", WriteGif(emptyWidth), GIF_NO_IMAGE},
      {"empty file", {}, GIF_BAD_SIGNATURE},
  };
  for (const Case& c : cases) {
    std::string path = dir_.Write("bad.gif", c.bytes);
    EXPECT_EQ(c.status, ParseGif(path.c_str(), true)) << c.name;
    HPALETTE sentinel = reinterpret_cast<HPALETTE>(0x1234);
    HPALETTE slot = sentinel;
    EXPECT_EQ(nullptr, LoadGifDib(path.c_str(), &slot)) << c.name;
    EXPECT_EQ(sentinel, slot) << c.name;
  }
  EXPECT_EQ(GIF_OPEN_FAILED, ParseGif(dir_.Path("missing.gif").c_str(), true));
}

TEST_F(GifTest, BlockAllocationFailureLeavesNoPalette) {
  std::string path = dir_.Write("a.gif", WriteGif(OneImage(10, 10, 16, 4)));
  int before = HostLivePaletteCount();
  Loaded l = LoadWithLocalAllocFailing(LoadGifDib, path, 0);
  EXPECT_EQ(nullptr, l.dib);
  EXPECT_EQ(nullptr, l.palette);
  EXPECT_EQ(before, HostLivePaletteCount());
}

TEST_F(GifTest, FileChangedBetweenThePassesIsRefusedWithThePaletteKept) {
  GifFile small = OneImage(8, 8, 16, 4);
  GifFile large = OneImage(300, 200, 16, 4);
  GifFile none = small;
  none.images.clear();
  for (const GifFile* second : {&large, &none}) {
    std::string path = dir_.Path("changing.gif");
    ChangingFile file(path, WriteGif(small), WriteGif(*second));
    Loaded l = LoadWith(LoadGifDib, path);
    EXPECT_EQ(nullptr, l.dib);
    ASSERT_NE(nullptr, l.palette) << "the header pass made the palette; the caller owns it";
    PALETTEENTRY pe;
    GetPaletteEntries(l.palette, 1, 1, &pe);
    EXPECT_EQ(small.globalTable[1].r & 0xFC, pe.peRed);
  }
}

TEST_F(GifTest, TruncatedImageShowsTheRowsBeforeTheCut) {
  for (bool interlaced : {false, true}) {
    GifFile f = OneImage(50, 120, 256, 8, 11);
    f.images[0].interlaced = interlaced;
    GifLzwTrace trace;
    std::vector<uint8_t> bytes = WriteGif(f, &trace);
    const size_t dataStart = 13 + 768 + 10 + 1;  // the first sub-block's length byte
    std::vector<int> fileRows = interlaced ? GifInterlaceOrder(120) : std::vector<int>();
    for (size_t blocks : {size_t(0), size_t(1), size_t(3), size_t(6)}) {
      for (size_t extra : {size_t(0), size_t(1), size_t(100)}) {
        size_t cut = dataStart + blocks * 256 + extra;
        if (cut >= bytes.size()) continue;
        std::vector<uint8_t> head(bytes.begin(), bytes.begin() + cut);
        Loaded l = LoadWith(LoadGifDib, dir_.Write("cut.gif", head));
        ASSERT_NE(nullptr, l.dib) << "a truncated file still opens";
        // The codes wholly inside the complete sub-blocks are decoded; the rest is lost.
        uint64_t bits = uint64_t(blocks) * 255 * 8, pixels = 0;
        for (size_t i = 0; i < trace.codeEndBit.size() && trace.codeEndBit[i] <= bits; ++i)
          pixels = trace.pixelsThrough[i];
        size_t shown = size_t(pixels / 50);
        std::vector<uint8_t> expect(50 * 120, 0);
        for (size_t r = 0; r < shown; ++r) {
          size_t y = interlaced ? size_t(fileRows[r]) : r;
          std::copy_n(f.images[0].pixels.begin() + y * 50, 50, expect.begin() + y * 50);
        }
        EXPECT_EQ(expect, Indices(l)) << "cut after " << blocks << " blocks + " << extra
                                      << (interlaced ? " interlaced" : "");
      }
    }
  }
}

TEST_F(GifTest, DataEndsAtTheTerminatorSubBlock) {
  // The image's data stops early (no end code) at its terminator; what follows is another
  // image whose bytes must not be taken as more data of the first.
  GifFile f = OneImage(20, 20, 16, 4);
  GifImage& im = f.images[0];
  GifLzwOptions o = im.lzw;
  o.endCode = false;
  std::vector<uint8_t> half(im.pixels.begin(), im.pixels.begin() + 200);
  std::vector<uint8_t> bytes = WriteGif(f);
  size_t dataStart = 13 + 48 + 10 + 1;
  bytes.resize(dataStart);
  auto blocks = GifSubBlocks(GifLzwEncode(half, o), 255);
  bytes.insert(bytes.end(), blocks.begin(), blocks.end());
  GifFile next = OneImage(20, 20, 16, 4, 99);
  std::vector<uint8_t> rest = WriteGif(next);
  bytes.insert(bytes.end(), rest.begin() + 13 + 48, rest.end());
  Loaded l = LoadWith(LoadGifDib, dir_.Write("early.gif", bytes));
  std::vector<uint8_t> expect = half;
  expect.resize(400, 0);
  ExpectImage(l, 20, 20, expect, f.globalTable, "data ended at the terminator");
}

TEST_F(GifTest, MinimumCodeSizeOutsideTwoToNineGivesAnEmptyImage) {
  GifFile f = OneImage(9, 7, 4, 2);
  std::vector<uint8_t> bytes = WriteGif(f);
  for (int s : {0, 1, 10, 12, 255}) {
    bytes[13 + 12 + 10] = uint8_t(s);
    Loaded l = LoadWith(LoadGifDib, dir_.Write("s.gif", bytes));
    ExpectImage(l, 9, 7, std::vector<uint8_t>(63, 0), f.globalTable,
                "minimum code size " + std::to_string(s));
  }
}

// Codes written one by one at the widths the decoder reads them.
struct CodeWriter {
  std::vector<uint8_t> bytes;
  uint32_t acc = 0;
  int pending = 0;
  void Put(int code, int size) {
    acc |= uint32_t(code) << pending;
    for (pending += size; pending >= 8; pending -= 8, acc >>= 8) bytes.push_back(uint8_t(acc));
  }
  std::vector<uint8_t> Done() {
    if (pending) bytes.push_back(uint8_t(acc));
    return bytes;
  }
};

std::vector<uint8_t> GifWithCodes(int width, int height, const std::vector<uint8_t>& codeBytes,
                                  uint8_t minCodeSize = 2) {
  GifFile f = OneImage(width, height, 4, 2);
  std::vector<uint8_t> bytes = WriteGif(f);
  bytes.resize(13 + 12 + 10 + 1);
  bytes.back() = minCodeSize;
  auto blocks = GifSubBlocks(codeBytes, 255);
  bytes.insert(bytes.end(), blocks.begin(), blocks.end());
  bytes.push_back(0x3B);
  return bytes;
}

TEST_F(GifTest, HandMadeCodeStreamsDecodeAsWritten) {
  // Minimum code size 2: clear 4, end 5, first free 6, codes of 3 bits until entry 7.
  CodeWriter w;
  w.Put(4, 3);  // clear
  w.Put(1, 3);  // "1"
  w.Put(6, 3);  // not yet defined: "1" + "1" -> entry 6 = "11"; output "11"
  w.Put(6, 3);  // "11", entry 7 = "111"; the next code is 4 bits wide
  w.Put(2, 4);  // "2", entry 8 = "112"
  w.Put(5, 4);  // end
  Loaded l = LoadWith(LoadGifDib, dir_.Write("h.gif", GifWithCodes(4, 2, w.Done())));
  ASSERT_NE(nullptr, l.dib);
  EXPECT_EQ((std::vector<uint8_t>{1, 1, 1, 1, 1, 2, 0, 0}), Indices(l));

  // Minimum code size 9: clear 512, end 513, codes of 10 bits; a root above 255 stands for
  // its low byte wherever it comes.
  CodeWriter nine;
  for (int code : {512, 5, 300, 514, 513}) nine.Put(code, 10);  // 514 = "5" + "300"
  Loaded l9 = LoadWith(LoadGifDib, dir_.Write("h9.gif", GifWithCodes(4, 1, nine.Done(), 9)));
  ASSERT_NE(nullptr, l9.dib);
  EXPECT_EQ((std::vector<uint8_t>{5, 44, 5, 44}), Indices(l9));
}

TEST_F(GifTest, CodesBeyondTheNextFreeEntryAreCountedAndCannotHurt) {
  CodeWriter w;
  w.Put(4, 3);
  w.Put(3, 3);
  w.Put(7, 3);  // entry 6 is next: 7 is not defined
  uint32_t r = 1;
  for (int i = 0; i < 6000; ++i) w.Put(int((r = r * 1103515245u + 12345u) >> 24), 8);  // noise
  DWORD before = g_gifBadCodes;
  Loaded l = LoadWith(LoadGifDib, dir_.Write("bad.gif", GifWithCodes(64, 64, w.Done())));
  ASSERT_NE(nullptr, l.dib);
  EXPECT_GT(g_gifBadCodes, before);
  EXPECT_EQ(3, Indices(l)[0]);
  EXPECT_EQ(3, Indices(l)[1]) << "an undefined code repeats the previous string's first byte";
}

}  // namespace
