// The WebP reader on the host: pictures encoded here with libwebp (lossless with alpha, lossy
// with and without alpha, an animation assembled frame by frame) against their pixels or the
// library's own decode composited over white, and a declared size too large to load.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <webp/decode.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include "reader_testing.h"
#include "readers/reader_state.h"
#include "readers/webp.h"

namespace {

unsigned OverWhite(unsigned c, unsigned a) { return (c * a + 255 * (255 - a) + 127) / 255; }

// Blue-green-red-alpha pixels, top row first: colours that change in both directions, and
// (where asked) alpha that does too, from fully transparent to opaque.
std::vector<uint8_t> Pattern(int width, int height, bool alpha) {
  std::vector<uint8_t> px;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      px.insert(px.end(), {uint8_t(x * 255 / width), uint8_t(y * 255 / height),
                           uint8_t(200 - x - y), uint8_t(alpha ? (x * 37 + y * 11) % 256 : 255)});
  return px;
}

// What an encoding call (given where to put its output) wrote, the library's buffer released.
template <typename Encoding>
std::vector<uint8_t> Encoded(Encoding encode) {
  uint8_t* out = nullptr;
  size_t size = encode(&out);
  std::vector<uint8_t> v(out, out + size);
  WebPFree(out);
  return v;
}

// Blue-green-red-alpha pixels composited over white, as the reference picture.
RgbPicture OverWhitePicture(const uint8_t* bgra, int width, int height) {
  RgbPicture p;
  p.width = width;
  p.height = height;
  for (int i = 0; i < width * height; ++i, bgra += 4)
    p.rgb.insert(p.rgb.end(), {uint8_t(OverWhite(bgra[2], bgra[3])),
                               uint8_t(OverWhite(bgra[1], bgra[3])),
                               uint8_t(OverWhite(bgra[0], bgra[3]))});
  return p;
}

// The library's own decode of a file, over white.
RgbPicture LibraryDecode(const std::vector<uint8_t>& file) {
  int width = 0, height = 0;
  uint8_t* bgra = WebPDecodeBGRA(file.data(), file.size(), &width, &height);
  RgbPicture p = bgra ? OverWhitePicture(bgra, width, height) : RgbPicture();
  WebPFree(bgra);
  return p;
}

class WebpTest : public ReaderFileTest {
 protected:
  Loaded Load(const std::string& name, const std::vector<uint8_t>& file) {
    return LoadWith(LoadWebpDib, Write(name, file));
  }
};

TEST_F(WebpTest, LosslessPictureWithAlphaIsEachPixelOverWhite) {
  std::vector<uint8_t> px = Pattern(13, 7, true);
  std::vector<uint8_t> file = Encoded([&](uint8_t** out) {
    return WebPEncodeLosslessBGRA(px.data(), 13, 7, 13 * 4, out);
  });
  ASSERT_FALSE(file.empty());
  Loaded l = Load("lossless.webp", file);
  ExpectRgbRecordHeader(l.dib, 13, 7, 40);
  EXPECT_NE(nullptr, l.palette);
  EXPECT_TRUE(RecordMatches(l.dib, OverWhitePicture(px.data(), 13, 7)));
}

TEST_F(WebpTest, LossyPictureIsTheLibrarysDecodeUpright) {
  std::vector<uint8_t> px = Pattern(37, 23, false), bgr;
  for (size_t i = 0; i < px.size(); i += 4) bgr.insert(bgr.end(), {px[i], px[i + 1], px[i + 2]});
  std::vector<uint8_t> file = Encoded([&](uint8_t** out) {
    return WebPEncodeBGR(bgr.data(), 37, 23, 37 * 3, 90, out);
  });
  ASSERT_FALSE(file.empty());
  Loaded l = Load("lossy.webp", file);
  ASSERT_NE(nullptr, l.dib);
  EXPECT_TRUE(RecordMatches(l.dib, LibraryDecode(file)));
}

TEST_F(WebpTest, LossyPictureWithAlphaIsTheLibrarysDecodeOverWhite) {
  std::vector<uint8_t> px = Pattern(30, 20, true);
  std::vector<uint8_t> file = Encoded([&](uint8_t** out) {
    return WebPEncodeBGRA(px.data(), 30, 20, 30 * 4, 90, out);
  });
  ASSERT_FALSE(file.empty());
  Loaded l = Load("alpha.webp", file);
  ASSERT_NE(nullptr, l.dib);
  EXPECT_TRUE(RecordMatches(l.dib, LibraryDecode(file)));
}

// Canvas 20 x 16; frame 1 a red 8 x 6 block at (4, 2), frame 2 all blue.
TEST_F(WebpTest, AnimationShowsItsFirstFrameWhereItLiesOnAWhiteCanvas) {
  std::vector<uint8_t> red, blue;
  for (int i = 0; i < 8 * 6; ++i) red.insert(red.end(), {0, 0, 255, 255});
  for (int i = 0; i < 20 * 16; ++i) blue.insert(blue.end(), {255, 0, 0, 255});
  std::vector<uint8_t> first = Encoded([&](uint8_t** out) {
    return WebPEncodeLosslessBGRA(red.data(), 8, 6, 32, out);
  });
  std::vector<uint8_t> second = Encoded([&](uint8_t** out) {
    return WebPEncodeLosslessBGRA(blue.data(), 20, 16, 80, out);
  });
  std::unique_ptr<WebPMux, void (*)(WebPMux*)> mux(WebPMuxNew(), WebPMuxDelete);
  WebPMuxAnimParams params = {0xFFFFFFFF, 0};
  ASSERT_EQ(WEBP_MUX_OK, WebPMuxSetCanvasSize(mux.get(), 20, 16));
  ASSERT_EQ(WEBP_MUX_OK, WebPMuxSetAnimationParams(mux.get(), &params));
  WebPMuxFrameInfo frame = {};
  frame.id = WEBP_CHUNK_ANMF;
  frame.duration = 100;
  frame.bitstream = {first.data(), first.size()};
  frame.x_offset = 4;
  frame.y_offset = 2;
  ASSERT_EQ(WEBP_MUX_OK, WebPMuxPushFrame(mux.get(), &frame, 1));
  frame.bitstream = {second.data(), second.size()};
  frame.x_offset = frame.y_offset = 0;
  ASSERT_EQ(WEBP_MUX_OK, WebPMuxPushFrame(mux.get(), &frame, 1));
  WebPData assembled = {nullptr, 0};
  ASSERT_EQ(WEBP_MUX_OK, WebPMuxAssemble(mux.get(), &assembled));
  std::vector<uint8_t> file(assembled.bytes, assembled.bytes + assembled.size);
  WebPDataClear(&assembled);

  RgbPicture want;
  want.width = 20;
  want.height = 16;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 20; ++x) {
      bool inFrame = x >= 4 && x < 12 && y >= 2 && y < 8;
      const uint8_t other = inFrame ? 0 : 255;
      want.rgb.insert(want.rgb.end(), {255, other, other});
    }
  Loaded l = Load("animation.webp", file);
  ASSERT_NE(nullptr, l.dib);
  EXPECT_TRUE(RecordMatches(l.dib, want));
}

// Thirty bytes declaring a lossless picture of 16383 x 16383 (800 MB of record): refused on
// its header, before any record or palette is made.
TEST_F(WebpTest, PictureLargerThanALoadMayTakeIsRefusedBeforeAnyPalette) {
  const uint32_t size = 16383 - 1;
  const uint32_t bits = size | size << 14;  // width - 1, height - 1, no alpha, version 0
  std::vector<uint8_t> file = {'R', 'I', 'F', 'F', 22, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P',
                               '8', 'L', 10, 0, 0, 0, 0x2F, uint8_t(bits), uint8_t(bits >> 8),
                               uint8_t(bits >> 16), uint8_t(bits >> 24), 0, 0, 0, 0, 0};
  Loaded l = Load("bomb.webp", file);
  EXPECT_EQ(nullptr, l.dib);
  EXPECT_EQ(nullptr, l.palette) << "refused before the record was made";
}

}  // namespace
