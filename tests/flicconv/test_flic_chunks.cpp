// The chunk decoders on hand-made chunk data: what they write where, and that data which
// would run past the chunk or the frame changes nothing outside the frame buffer.
#include <cstring>

#include "flic_bytes.h"

namespace {

class ColorDecoders : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(g_red, 7, 256);
    std::memset(g_green, 7, 256);
    std::memset(g_blue, 7, 256);
  }
  int Flc(const Bytes& d, int type) {
    ByteReader r(d.data(), d.size());
    return DecodeFlcColor(r, type);
  }
};

TEST_F(ColorDecoders, CountByteZeroSetsAll256Entries) {
  Bytes d = ColorChunk(4, 0, 0, 10);
  EXPECT_EQ(1, Flc(Bytes(d.begin() + 6, d.end()), 4));
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(10, g_red[i]) << "entry " << i;
    ASSERT_EQ(11, g_green[i]);
    ASSERT_EQ(12, g_blue[i]);
  }
}

TEST_F(ColorDecoders, SixtyFourLevelsAreMultipliedByFourAnd256LevelsKept) {
  Bytes d = {1, 0, 0, 2, 63, 0, 1, 255, 254, 253};  // 1 packet, skip 0, 2 colours
  Flc(d, 11);
  EXPECT_EQ(252, g_red[0]);
  EXPECT_EQ(0, g_green[0]);
  EXPECT_EQ(4, g_blue[0]);
  EXPECT_EQ(uint8_t(255 * 4), g_red[1]) << "kept to 8 bits";
  Flc(d, 4);
  EXPECT_EQ(63, g_red[0]);
  EXPECT_EQ(255, g_red[1]);
  EXPECT_EQ(253, g_blue[1]);
}

TEST_F(ColorDecoders, SkipsAddUpAndTheIndexWrapsAt256) {
  // Packet 1: skip 250, 3 colours (250-252); packet 2: skip 2, 4 colours (255, 0, 1, 2).
  Bytes d = {2, 0, 250, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 2, 4, 9, 9, 9, 8, 8, 8, 7, 6, 5, 4, 4, 4};
  Flc(d, 4);
  EXPECT_EQ(1, g_red[250]);
  EXPECT_EQ(3, g_red[252]);
  EXPECT_EQ(7, g_red[253]) << "skipped entries keep their colour";
  EXPECT_EQ(9, g_red[255]);
  EXPECT_EQ(8, g_red[0]);
  EXPECT_EQ(6, g_green[1]);
  EXPECT_EQ(4, g_blue[2]);
  EXPECT_EQ(7, g_red[3]);
}

TEST_F(ColorDecoders, FlcPacketCountIsSignedFliCountUnsigned) {
  Bytes d = {0xFF, 0xFF, 0, 1, 50, 50, 50};  // -1 packets in FLC, 65535 in FLI
  Flc(d, 4);
  EXPECT_EQ(7, g_red[0]);
  Decode(DecodeFliColor, d);
  EXPECT_EQ(200, g_red[0]) << "FLI counts 65535 packets; the first one is 50 * 4";
  EXPECT_EQ(7, g_red[1]) << "the second packet has no data";
}

TEST_F(ColorDecoders, PacketCutShortSetsNothingOfIt) {
  Bytes d = {1, 0, 0, 3, 1, 2, 3, 4, 5};  // 3 colours announced, 1.67 present
  Flc(d, 4);
  Decode(DecodeFliColor, d);
  EXPECT_EQ(7, g_red[0]);
  Bytes empty;
  Flc(empty, 11);
  Decode(DecodeFliColor, empty);
  EXPECT_EQ(7, g_red[0]);
}

using ByteRunDecoders = FrameFixture;

TEST_F(ByteRunDecoders, FlcRunsAndLiteralsFillEachLineToTheWidth) {
  Use(5, 2);
  // Line 0: (count byte) repeat 3 x 9, copy 2 bytes 1 2. Line 1: a zero count, then 5 x 4.
  Bytes d = {2, 3, 9, 0xFE, 1, 2, 0, 0, 5, 4};
  EXPECT_EQ(1, Decode(DecodeFlcByteRun, d));
  EXPECT_EQ((Bytes{9, 9, 9, 1, 2, 0, 0, 0}), Line(0));
  EXPECT_EQ((Bytes{4, 4, 4, 4, 4, 0, 0, 0}), Line(1));
}

TEST_F(ByteRunDecoders, FlcRunPastTheWidthStopsAtTheLastColumn) {
  Use(5, 2);
  Bytes d = {1, 100, 3, 1, 0x80};  // 100 x 3 on line 0, then a copy of 128 bytes that is not there
  for (int i = 0; i < 3; ++i) d.push_back(6);
  Decode(DecodeFlcByteRun, d);
  EXPECT_EQ((Bytes{3, 3, 3, 3, 3, 0, 0, 0}), Line(0)) << "padding columns stay 0";
  EXPECT_EQ((Bytes(8, 0)), Line(1)) << "the short copy is abandoned";
}

TEST_F(ByteRunDecoders, FliFollowsThePacketCountAndClipsAtTheRow) {
  Use(4, 3);
  // Line 0: 2 packets: repeat 6 x 5 (past the row), copy 1 byte 8. Line 1: 0 packets.
  // Line 2: 1 packet: copy 2 bytes.
  Bytes d = {2, 6, 5, 0xFF, 8, 0, 1, 0xFE, 1, 2};
  Decode(DecodeFliByteRun, d);
  EXPECT_EQ((Bytes{5, 5, 5, 5}), Line(0)) << "nothing spills into the next line";
  EXPECT_EQ((Bytes{0, 0, 0, 0}), Line(1));
  EXPECT_EQ((Bytes{1, 2, 0, 0}), Line(2));
}

TEST_F(ByteRunDecoders, FliWalksAtMost200LinesWhateverTheHeight) {
  Use(1, 250);
  Bytes d;
  for (int y = 0; y < 250; ++y) {
    d.push_back(1);
    d.push_back(1);
    d.push_back(uint8_t(y + 1));
  }
  Decode(DecodeFliByteRun, d);
  EXPECT_EQ(200, At(0, 199));
  EXPECT_EQ(0, At(0, 200)) << "lines beyond the 200 of an FLI byte run stay 0";
  EXPECT_EQ(0, At(0, 249));
}

TEST_F(ByteRunDecoders, FliOfFewerLinesWritesOnlyTheLinesThatExist) {
  Use(2, 2);
  Bytes d;
  for (int y = 0; y < 200; ++y) d.insert(d.end(), {1, 2, uint8_t(y + 1)});
  Decode(DecodeFliByteRun, d);
  EXPECT_EQ((Bytes{1, 1, 0, 0}), Line(0));
  EXPECT_EQ((Bytes{2, 2, 0, 0}), Line(1));
}

using LiteralDecoder = FrameFixture;

TEST_F(LiteralDecoder, CopiesUnpaddedLinesTopLineLastInTheBuffer) {
  Use(3, 2);
  Decode(CopyLiteralFrame, Bytes{1, 2, 3, 4, 5, 6});
  EXPECT_EQ((Bytes{1, 2, 3, 0}), Line(0));
  EXPECT_EQ((Bytes{4, 5, 6, 0}), Line(1));
  EXPECT_EQ((Bytes{4, 5, 6, 0, 1, 2, 3, 0}), pixels_) << "bottom row first";
}

TEST_F(LiteralDecoder, ShortDataCopiesTheWholeLinesPresent) {
  Use(3, 3);
  Decode(CopyLiteralFrame, Bytes{1, 2, 3, 4, 5});
  EXPECT_EQ((Bytes{1, 2, 3, 0}), Line(0));
  EXPECT_EQ((Bytes{0, 0, 0, 0}), Line(1));
}

using WordDelta = FrameFixture;

TEST_F(WordDelta, NegativeCountRepeatsThePixelPair) {
  Use(8, 1);
  // 1 line, 1 packet: skip 1 column, count -2, pair 0B 0A.
  Decode(DecodeDeltaFlc, Bytes{1, 0, 1, 0, 1, 0xFE, 0x0B, 0x0A});
  EXPECT_EQ((Bytes{0, 11, 10, 11, 10, 0, 0, 0}), Line(0));
}

TEST_F(WordDelta, LineSkipWordMovesDownBeforeThePackets) {
  Use(4, 6);
  // 2 lines: skip 3 (word -3 = 0xFFFD), 1 packet copying 1 pair; then the next line.
  Decode(DecodeDeltaFlc, Bytes{2, 0, 0xFD, 0xFF, 1, 0, 0, 1, 7, 8, 1, 0, 2, 1, 5, 6});
  EXPECT_EQ((Bytes{0, 0, 0, 0}), Line(0));
  EXPECT_EQ((Bytes{7, 8, 0, 0}), Line(3));
  EXPECT_EQ((Bytes{0, 0, 5, 6}), Line(4));
}

TEST_F(WordDelta, LastPixelWordSetsTheLastColumnOfOddWidths) {
  Use(5, 2);
  // Line 0: last-pixel word 0x8063, then 1 packet copying a pair at column 0.
  Decode(DecodeDeltaFlc, Bytes{1, 0, 0x63, 0x80, 1, 0, 0, 1, 1, 2});
  EXPECT_EQ((Bytes{1, 2, 0, 0, 0x63, 0, 0, 0}), Line(0));
  EXPECT_EQ((Bytes(8, 0)), Line(1));
}

TEST_F(WordDelta, PairsPastTheRowAndLinesPastTheFrameAreDropped) {
  Use(5, 2);
  Bytes d = {3, 0};
  d.insert(d.end(), {1, 0, 4, 0xFC, 9, 8});  // line 0: skip 4, 4 x (9, 8): only column 4 fits
  d.insert(d.end(), {0x00, 0xC0, 1, 0, 0, 1, 1, 1});  // skip 16384 lines, then a packet
  d.insert(d.end(), {1, 0, 0, 1, 2, 2});              // the line after that: far outside
  Decode(DecodeDeltaFlc, d);
  EXPECT_EQ((Bytes{0, 0, 0, 0, 9, 0, 0, 0}), Line(0));
  EXPECT_EQ((Bytes(8, 0)), Line(1));
}

TEST_F(WordDelta, DataEndingInsideAPacketLeavesTheRestAlone) {
  Use(4, 2);
  Decode(DecodeDeltaFlc, Bytes{2, 0, 1, 0, 0, 2, 1, 2, 3});  // 2 pairs announced, 1.5 present
  EXPECT_TRUE(AllZero());
  Decode(DecodeDeltaFlc, Bytes{0x10, 0x00});  // 16 lines announced, none present
  Decode(DecodeDeltaFlc, Bytes{0xFF, 0xFF, 1, 0, 0, 1, 1, 1});  // negative line count: nothing
  EXPECT_TRUE(AllZero());
}

using LineDelta = FrameFixture;

TEST_F(LineDelta, ChangesOnlyTheLinesFromFirstForCount) {
  Use(2, 20);
  Bytes d = {10, 0, 5, 0};
  for (int i = 0; i < 5; ++i) d.insert(d.end(), {1, 0, 0xFE, uint8_t(i + 1)});
  Decode(DecodeDeltaFli, d);
  for (int y = 0; y < 20; ++y) {
    int want = (y >= 10 && y < 15) ? y - 9 : 0;
    EXPECT_EQ(want, At(0, y)) << "line " << y;
    EXPECT_EQ(want, At(1, y)) << "line " << y;
  }
}

TEST_F(LineDelta, PacketsSkipColumnsCopyAndRepeat) {
  Use(8, 1);
  // 1 line, 2 packets: skip 1, copy 2 bytes (3 4); skip 2, repeat 3 x 9.
  Decode(DecodeDeltaFli, Bytes{0, 0, 1, 0, 2, 1, 2, 3, 4, 2, 0xFD, 9});
  EXPECT_EQ((Bytes{0, 3, 4, 0, 0, 9, 9, 9}), Line(0));
}

TEST_F(LineDelta, LinesOutsideTheFrameAndRunsPastTheRowWriteNothingOutside) {
  Use(3, 2);
  // First line -1, 3 lines: line -1 and line 1 get long repeats, line 0 a long copy.
  Bytes d = {0xFF, 0xFF, 3, 0, 1, 0, 0x80, 5, 1, 2, 3, 1, 2, 3, 1, 1, 0x81, 6};
  Decode(DecodeDeltaFli, d);
  EXPECT_EQ((Bytes{0, 0, 1, 0}), Line(0)) << "of the 3-byte copy at column 2, 1 byte fits";
  EXPECT_EQ((Bytes{0, 6, 6, 0}), Line(1));
  Bytes far = {0xFF, 0x7F, 0xFF, 0x7F, 1, 0, 0xFF, 1};
  Decode(DecodeDeltaFli, far);
  EXPECT_EQ((Bytes{0, 6, 6, 0}), Line(1));
}

}  // namespace
