// Loading flic files into the frame buffer and stepping through their frames, on files made
// byte by byte: the check pass, the buffer's geometry and colour table, the files refused,
// the ring frame's wrap and the steps that fail.
#include <cstring>

#include "checked_size.h"
#include "flic_bytes.h"

namespace {

class FlicLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(g_red, 0, 256);
    std::memset(g_green, 0, 256);
    std::memset(g_blue, 0, 256);
    livePalettes_ = HostLivePaletteCount();
  }
  void TearDown() override {
    FreeMovie();
    HostFailLocalAllocAfter(-1);
    EXPECT_EQ(livePalettes_, HostLivePaletteCount()) << "every palette made was deleted";
  }
  void ExpectNoMovie() {
    EXPECT_EQ(0, g_movieLoaded);
    EXPECT_EQ(nullptr, g_frameDib);
    EXPECT_EQ(nullptr, g_hPalette);
    EXPECT_EQ(nullptr, g_flicFile);
    EXPECT_EQ(0, g_frameCount);
  }
  const RGBQUAD* Table() const {
    return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(g_frameDib) + 40);
  }
  int livePalettes_ = 0;
};

// A 3-frame FLC of the given size: frame n (1-based) is a literal frame of value n * 10 + x,
// plus a ring frame bringing frame 1 back.
Bytes ThreeFrameFlc(int w, int h, bool flc = true) {
  auto frameOf = [&](int n) {
    return LiteralChunk(w, h, [n](int x, int y) { return n * 10 + x + y; });
  };
  return FlicFile(flc, w, h, 3,
                  {Frame({ColorChunk(4, 0, 0, 30), frameOf(1)}), Frame({frameOf(2)}),
                   Frame({frameOf(3)}), Frame({frameOf(1)})});
}

TEST_F(FlicLoad, OddWidthGetsAPaddedBufferWithTheFrameBottomUp) {
  ASSERT_EQ(FLIC_LOADED, LoadBytes(ThreeFrameFlc(321, 3), true));
  EXPECT_EQ(321, g_width);
  EXPECT_EQ(324, g_pitch);
  const BITMAPINFOHEADER* h = g_frameDib;
  EXPECT_EQ(40u, h->biSize);
  EXPECT_EQ(324, h->biWidth) << "the frame buffer is as wide as the pitch";
  EXPECT_EQ(3, h->biHeight);
  EXPECT_EQ(1, h->biPlanes);
  EXPECT_EQ(8, h->biBitCount);
  EXPECT_EQ(uint32_t(BI_RGB), h->biCompression);
  EXPECT_EQ(324u * 3, h->biSizeImage);
  EXPECT_EQ(256u, h->biClrUsed);
  EXPECT_EQ(256u, h->biClrImportant);
  EXPECT_EQ(reinterpret_cast<BYTE*>(g_frameDib) + 1064, g_frameBits);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 321; ++x) ASSERT_EQ(uint8_t(10 + x + y), PixelAt(x, y)) << x << "," << y;
    for (int x = 321; x < 324; ++x) ASSERT_EQ(0, PixelAt(x, y)) << "padding column " << x;
  }
  EXPECT_EQ(30, Table()[0].rgbRed);
  EXPECT_EQ(31, Table()[255].rgbGreen);
  EXPECT_EQ(32, Table()[7].rgbBlue);
  EXPECT_EQ(0, Table()[7].rgbReserved);
  PALETTEENTRY e;
  ASSERT_EQ(1u, GetPaletteEntries(g_hPalette, 9, 1, &e));
  EXPECT_EQ(30, e.peRed);
  EXPECT_EQ(32, e.peBlue);
  EXPECT_EQ(3, g_frameCount);
  EXPECT_EQ(0, g_frameIndex);
  EXPECT_EQ(1, g_movieLoaded);
  ASSERT_NE(nullptr, g_flicFile);
  uint32_t frame1 = 16 + (6 + 4 + 256 * 3) + (6 + 321 * 3);  // header, colours, literal
  EXPECT_EQ(128 + frame1, g_frame2Offset);
  EXPECT_EQ(long(g_frame2Offset), std::ftell(g_flicFile)) << "the file waits at frame 2";
}

TEST_F(FlicLoad, FlcFrameOneIsFoundThroughTheHeaderOffset) {
  Bytes frame1 = Frame({LiteralChunk(4, 1, [](int x, int) { return 5 + x; })});
  Bytes file = FlicFile(true, 4, 1, 1, {Bytes(40, 0xEE), frame1}, 168);
  ASSERT_EQ(FLIC_LOADED, LoadBytes(file, true));
  EXPECT_EQ(7, PixelAt(2, 0));
  EXPECT_EQ(168u + frame1.size(), g_frame2Offset);
  FreeMovie();
  file = FlicFile(true, 4, 1, 1, {Bytes(40, 0xEE), frame1}, 150);
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(file, true)) << "an offset that is not a frame";
  ExpectNoMovie();
  file = FlicFile(true, 4, 1, 1, {frame1}, 0x80000010u);
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(file, true)) << "an offset beyond the file";
}

TEST_F(FlicLoad, FliFileReadsFrameOneRightAfterTheHeader) {
  Bytes d = {1, 0, 4, 2, 63, 62, 61, 1, 2, 3};  // FLI colour: 1 packet, skip 4, 2 colours
  Bytes file = FlicFile(false, 2, 1, 1,
                        {Frame({Chunk(11, d), Chunk(15, Bytes{1, 2, 9})})}, 9999);
  ASSERT_EQ(FLIC_LOADED, LoadBytes(file, false));
  EXPECT_EQ(9, PixelAt(0, 0));
  EXPECT_EQ(9, PixelAt(1, 0));
  EXPECT_EQ(252, Table()[4].rgbRed);
  EXPECT_EQ(12, Table()[5].rgbBlue);
}

TEST_F(FlicLoad, FliIgnoresColourType4AndFlcTakesBoth) {
  Bytes frame1 = Frame({ColorChunk(4, 0, 0, 100), Chunk(16, Bytes{1})});
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(false, 1, 1, 1, {frame1}), false));
  EXPECT_EQ(0, Table()[0].rgbRed) << "type 4 is not an FLI colour chunk";
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 1, 1, 1, {frame1}), true));
  EXPECT_EQ(100, Table()[0].rgbRed);
  frame1 = Frame({ColorChunk(11, 0, 0, 10), Chunk(16, Bytes{1})});
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 1, 1, 1, {frame1}), true));
  EXPECT_EQ(40, Table()[0].rgbRed);
}

TEST_F(FlicLoad, OnlyTheFirstColourChunkReachesTheTableButBothTheColourArrays) {
  Bytes frame1 = Frame({Chunk(16, Bytes{1, 2}), ColorChunk(4, 0, 0, 50), ColorChunk(4, 0, 1, 90)});
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 2, 1, 1, {frame1}), true));
  EXPECT_EQ(50, Table()[0].rgbRed) << "the check pass takes the first colour chunk";
  EXPECT_EQ(90, g_red[0]) << "the decode pass applies the second one to the arrays";
  EXPECT_EQ(2, PixelAt(1, 0));
  // A file without colours takes the arrays as they were left.
  FreeMovie();
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 2, 1, 1, {Frame({})}), true));
  EXPECT_EQ(90, Table()[0].rgbRed);
  EXPECT_EQ(50, Table()[1].rgbRed);
  EXPECT_EQ(0, PixelAt(0, 0)) << "a frame without chunks is all index 0";
}

TEST_F(FlicLoad, DepthAndSpeedFieldsAreNotRead) {
  Bytes file = ThreeFrameFlc(4, 2);
  file[12] = 16;    // depth 16
  file[16] = 0xFF;  // speed
  file[17] = 0xFF;
  ASSERT_EQ(FLIC_LOADED, LoadBytes(file, true));
  EXPECT_EQ(8, g_frameDib->biBitCount) << "every file is decoded as 8 bits per pixel";
  EXPECT_EQ(12, PixelAt(1, 1));
}

TEST_F(FlicLoad, HeadersOfZeroAndOneFramesLoad) {
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 3, 2, 0, {Frame({})}), true));
  EXPECT_EQ(0, g_frameCount);
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 3, 2, 1, {Frame({})}), true));
  EXPECT_EQ(1, g_frameCount);
}

TEST_F(FlicLoad, FilesThatAreNotFlicsOfTheChosenTypeAreRefused) {
  Bytes good = ThreeFrameFlc(4, 2);
  Bytes fli = ThreeFrameFlc(4, 2, false);
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(fli, true)) << "an FLI chosen as FLC";
  ExpectNoMovie();
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(good, false)) << "an FLC chosen as FLI";
  Bytes bad = good;
  bad[4] = 0x13;
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(bad, true)) << "wrong magic";
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(Bytes(good.begin(), good.begin() + 100), true))
      << "short header";
  bad = good;
  bad[128 + 4] = 0;
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(bad, true)) << "frame magic";
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(Bytes(good.begin(), good.begin() + 140), true))
      << "frame header cut short";
  Bytes cut = FlicFile(true, 4, 2, 1, {Frame({Chunk(16, Bytes(8, 1))})});
  cut.resize(cut.size() - 3);
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(cut, true)) << "frame 1 cut short";
  g_isFlc = 1;
  EXPECT_EQ(FLIC_NOT_VALID, LoadFlicMovie("/nonexistent/X.FLC"));
  ExpectNoMovie();
}

TEST_F(FlicLoad, ImpossibleFrameSizesAndEmptyGeometryFailTheCheck) {
  Bytes body = Chunk(16, Bytes(8, 1));
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(FlicFile(true, 4, 2, 1, {Frame({body}, 15)}), true))
      << "frame size below its header";
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(FlicFile(true, 4, 2, 1, {Frame({body}, 0xFFFFFFF0u)}), true))
      << "frame larger than the file";
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(FlicFile(true, 0, 2, 1, {Frame({})}), true)) << "width 0";
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(FlicFile(false, 4, 0, 1, {Frame({})}), false)) << "height 0";
  ExpectNoMovie();
  EXPECT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 4, 2, 1, {Frame({}, 16)}), true))
      << "a 16-byte frame is an empty frame";
}

TEST_F(FlicLoad, FramesTooLargeToAllocateAreOutOfMemory) {
  Bytes file = FlicFile(true, 65535, 65535, 1, {Frame({})});
  size_t saved = g_maxImageBytes;
  g_maxImageBytes = 1 << 20;
  EXPECT_EQ(FLIC_NO_MEMORY, LoadBytes(file, true));
  g_maxImageBytes = saved;
  ExpectNoMovie();
}

TEST_F(FlicLoad, AllocationFailuresLeaveNoMovie) {
  Bytes file = ThreeFrameFlc(4, 2);
  HostFailLocalAllocAfter(0);  // the check pass's frame body
  EXPECT_EQ(FLIC_NOT_VALID, LoadBytes(file, true));
  ExpectNoMovie();
  HostFailLocalAllocAfter(1);  // the frame buffer
  EXPECT_EQ(FLIC_NO_MEMORY, LoadBytes(file, true));
  ExpectNoMovie();
  HostFailLocalAllocAfter(2);  // the decode pass's frame body
  EXPECT_EQ(FLIC_READ_ERROR, LoadBytes(file, true));
  ExpectNoMovie();
}

TEST_F(FlicLoad, ChunksRunningOutOfTheFrameAreAbandonedNotTheLoad) {
  // A chunk size far past the body, a chunk size of 0, and a chunk count beyond the chunks.
  Bytes big = Chunk(16, Bytes{1, 2, 3, 4}, 0x7FFFFFFF);
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 2, 2, 1, {Frame({big})}), true));
  EXPECT_EQ(3, PixelAt(0, 1));
  Bytes zero = Chunk(16, Bytes{5, 6, 7, 8}, 0);
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 2, 2, 1, {Frame({zero}, -1, 0xF1FA, 30)}), true));
  EXPECT_EQ(0, PixelAt(0, 0)) << "a chunk of size 0 cannot be walked";
  Bytes lit = Chunk(16, Bytes{5, 6, 7, 8});
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 2, 2, 1, {Frame({lit}, -1, 0xF1FA, 30)}), true));
  EXPECT_EQ(8, PixelAt(1, 1));
}

TEST_F(FlicLoad, DecodePassRefusesAFileThatChangedSizeSinceTheCheck) {
  // The decode pass opens the file again; by then another file may stand under its name.
  ASSERT_EQ(FLIC_LOADED, LoadBytes(ThreeFrameFlc(4, 2), true));
  std::fclose(g_flicFile);
  g_flicFile = nullptr;
  TempFlic larger(ThreeFrameFlc(64, 48));
  EXPECT_EQ(0, OpenFlcFile(larger.path(), 0)) << "a 64 x 48 frame into a 4 x 2 buffer";
  EXPECT_EQ(4, g_width);
  EXPECT_EQ(2, g_height);
  EXPECT_EQ(4, g_pitch);
  EXPECT_EQ(11, PixelAt(1, 0)) << "the buffer holds the frame it was made for";
  TempFlic same(ThreeFrameFlc(4, 2));
  if (g_flicFile) std::fclose(g_flicFile);
  g_flicFile = nullptr;
  EXPECT_EQ(1, OpenFlcFile(same.path(), 0)) << "the same geometry decodes as before";
}

TEST(FlicNames, FliIsChosenByTheSubstringAnywhereInThePath) {
  EXPECT_TRUE(PathIsFli("C:\\ANIM\\ROBOT.FLI"));
  EXPECT_TRUE(PathIsFli("C:\\OLD.FLIX\\ROBOT.FLC"));
  EXPECT_FALSE(PathIsFli("C:\\ANIM\\ROBOT.FLC"));
  EXPECT_FALSE(PathIsFli("C:\\ANIM\\ROBOT.DAT"));
  EXPECT_FALSE(PathIsFli("ROBOT"));
}

TEST(FlicNames, ExtensionIsAddedOnlyToNamesWithoutAnyDot) {
  char name[256] = "C:\\out\\movie";
  AppendExtensionIfNone(name, sizeof name, ".avi");
  EXPECT_STREQ("C:\\out\\movie.avi", name);
  std::strcpy(name, "C:\\out\\movie.old");
  AppendExtensionIfNone(name, sizeof name, ".avi");
  EXPECT_STREQ("C:\\out\\movie.old", name);
  std::strcpy(name, "C:\\my.films\\movie");
  AppendExtensionIfNone(name, sizeof name, ".avi");
  EXPECT_STREQ("C:\\my.films\\movie", name);
  std::memset(name, 'a', 254);
  name[254] = 0;
  AppendExtensionIfNone(name, sizeof name, ".avi");
  EXPECT_EQ(254u, std::strlen(name)) << "a name filling the buffer is left as it is";
  name[251] = 0;
  AppendExtensionIfNone(name, sizeof name, ".avi");
  EXPECT_EQ(255u, std::strlen(name));
}

class FlicStep : public FlicLoad {};

TEST_F(FlicStep, RingFrameIsAppliedThenTheWalkGoesBackToFrameTwo) {
  ASSERT_EQ(FLIC_LOADED, LoadBytes(ThreeFrameFlc(5, 2), true));
  int expected[] = {2, 3, 1, 2, 3, 1, 2};
  for (int step = 0; step < 7; ++step) {
    ASSERT_EQ(STEP_DONE, StepFlicFrame(1)) << "step " << step + 1;
    EXPECT_EQ(expected[step] * 10 + 4, PixelAt(4, 0)) << "step " << step + 1;
    EXPECT_EQ(expected[step] * 10 + 5, PixelAt(4, 1));
    EXPECT_EQ(step % 3 + 1, g_frameIndex);
  }
}

TEST_F(FlicStep, ColourAndByteRunChunksAfterFrameOneChangeNothing) {
  Bytes later = Frame({ColorChunk(4, 0, 0, 200), Chunk(15, Bytes{0, 2, 77}), Chunk(99, Bytes{1})});
  Bytes file = FlicFile(true, 2, 1, 2, {Frame({ColorChunk(4, 0, 0, 20), Chunk(16, Bytes{1, 2})}),
                                        later});
  ASSERT_EQ(FLIC_LOADED, LoadBytes(file, true));
  ASSERT_EQ(STEP_DONE, StepFlicFrame(1));
  EXPECT_EQ(1, PixelAt(0, 0));
  EXPECT_EQ(2, PixelAt(1, 0));
  EXPECT_EQ(20, g_red[0]) << "a later colour chunk does not even reach the arrays";
  EXPECT_EQ(1, g_frameIndex) << "the frame still counts";
}

TEST_F(FlicStep, FliFilesSkipWordDeltasAndTakeLineDeltas) {
  Bytes word = Chunk(7, Bytes{1, 0, 1, 0, 0, 1, 9, 9});
  Bytes line = Chunk(12, Bytes{0, 0, 1, 0, 1, 1, 0xFF, 4});
  Bytes file = FlicFile(false, 3, 1, 3, {Frame({Chunk(16, Bytes{1, 2, 3})}), Frame({word}),
                                         Frame({line})});
  ASSERT_EQ(FLIC_LOADED, LoadBytes(file, false));
  ASSERT_EQ(STEP_DONE, StepFlicFrame(0));
  EXPECT_EQ(1, PixelAt(0, 0));
  ASSERT_EQ(STEP_DONE, StepFlicFrame(0));
  EXPECT_EQ(4, PixelAt(1, 0));
  file = FlicFile(true, 3, 1, 2, {Frame({Chunk(16, Bytes{1, 2, 3})}), Frame({word})});
  ASSERT_EQ(FLIC_LOADED, LoadBytes(file, true));
  ASSERT_EQ(STEP_DONE, StepFlicFrame(1));
  EXPECT_EQ(9, PixelAt(0, 0));
  EXPECT_EQ(9, PixelAt(1, 0));
}

TEST_F(FlicStep, StepsThatCannotReadAFrameSayWhyAndChangeNothing) {
  Bytes frame1 = Frame({Chunk(16, Bytes{1, 2})});
  Bytes frame2 = Frame({Chunk(16, Bytes{3, 4})});
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 2, 1, 5, {frame1}), true));
  EXPECT_EQ(STEP_NO_HEADER, StepFlicFrame(1));
  Bytes badMagic = frame2;
  badMagic[5] = 0;
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 2, 1, 5, {frame1, badMagic}), true));
  EXPECT_EQ(STEP_BAD_MAGIC, StepFlicFrame(1));
  Bytes cut = FlicFile(true, 2, 1, 5, {frame1, frame2});
  cut.resize(cut.size() - 1);
  ASSERT_EQ(FLIC_LOADED, LoadBytes(cut, true));
  EXPECT_EQ(STEP_NO_BODY, StepFlicFrame(1));
  Bytes huge = Frame({Chunk(16, Bytes{3, 4})}, 0x7FFFFFF0);
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 2, 1, 5, {frame1, huge}), true));
  EXPECT_EQ(STEP_NO_BODY, StepFlicFrame(1)) << "a frame larger than the file is not allocated";
  ASSERT_EQ(FLIC_LOADED, LoadBytes(FlicFile(true, 2, 1, 5, {frame1, frame2}), true));
  HostFailLocalAllocAfter(0);
  EXPECT_EQ(STEP_NO_BODY, StepFlicFrame(1));
  HostFailLocalAllocAfter(-1);
  EXPECT_EQ(1, PixelAt(0, 0));
  FreeMovie();
  EXPECT_EQ(STEP_NO_FILE, StepFlicFrame(1));
}

}  // namespace
