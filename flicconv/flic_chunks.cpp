// The chunk decoders of frame 1 (colours, byte runs, literal copy) and of later frames (word
// and line deltas). File data is never trusted: every read goes through the ByteReader over
// the frame body, every write through the line helpers below, which drop what falls outside
// the frame's g_width x g_height pixels (the padding columns stay 0).
#include <cstring>

#include "flic.h"

namespace {

// Flic line y (0 = top) is buffer row g_height - 1 - y; null for lines that do not exist.
BYTE* FlicLine(int64_t y) {
  if (!g_frameBits || y < 0 || y >= g_height) return nullptr;
  return g_frameBits + static_cast<size_t>(g_height - 1 - y) * static_cast<size_t>(g_pitch);
}

// The part of [x, x + n) that lies inside the line, as a start and a count.
bool ClipSpan(int64_t x, int64_t n, int64_t* start, int64_t* count) {
  int64_t end = x + n;
  if (x < 0) x = 0;
  if (end > g_width) end = g_width;
  if (end <= x) return false;
  *start = x;
  *count = end - x;
  return true;
}

void FillLine(BYTE* line, int64_t x, BYTE value, int64_t n) {
  int64_t s, c;
  if (line && ClipSpan(x, n, &s, &c)) std::memset(line + s, value, static_cast<size_t>(c));
}

void CopyToLine(BYTE* line, int64_t x, const BYTE* src, int64_t n) {
  int64_t s, c;
  if (line && ClipSpan(x, n, &s, &c)) std::memcpy(line + s, src + (s - x), static_cast<size_t>(c));
}

// n copies of the pixel pair (a, b) from column x.
void FillPairs(BYTE* line, int64_t x, BYTE a, BYTE b, int64_t n) {
  if (!line) return;
  if (a == b) return FillLine(line, x, a, 2 * n);
  int64_t s, c;
  if (!ClipSpan(x, 2 * n, &s, &c)) return;
  for (int64_t i = s; i < s + c; ++i) line[i] = ((i - x) & 1) ? b : a;
}

// The colour packets shared by both colour decoders; the index counts modulo 256.
void DecodeColorPackets(ByteReader& data, unsigned packets, int times4) {
  BYTE index = 0;
  for (unsigned p = 0; p < packets; ++p) {
    index = static_cast<BYTE>(index + data.u8());
    unsigned count = data.u8();
    if (!data.ok()) return;
    if (count == 0) count = 256;
    const BYTE* rgb = data.take(3 * count);
    if (!rgb) return;
    for (unsigned i = 0; i < count; ++i, ++index) {
      BYTE r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
      if (times4) {
        r = static_cast<BYTE>(r * 4);
        g = static_cast<BYTE>(g * 4);
        b = static_cast<BYTE>(b * 4);
      }
      g_red[index] = r;
      g_green[index] = g;
      g_blue[index] = b;
    }
  }
}

// One byte-run packet: a positive count repeats the next byte, a negative one copies that
// many bytes. Returns the pixels it covers, or -1 when the data ran out.
int ByteRunPacket(ByteReader& data, BYTE* line, int64_t x) {
  int c = data.s8();
  if (!data.ok()) return -1;
  if (c > 0) {
    BYTE v = data.u8();
    if (!data.ok()) return -1;
    FillLine(line, x, v, c);
    return c;
  }
  if (c < 0) {
    const BYTE* src = data.take(static_cast<size_t>(-c));
    if (!src) return -1;
    CopyToLine(line, x, src, -c);
    return -c;
  }
  return 0;
}

}  // namespace

int DecodeFlcColor(ByteReader& data, int type) {
  int packets = data.sle16();
  if (data.ok() && packets > 0) DecodeColorPackets(data, static_cast<unsigned>(packets),
                                                   type == CHUNK_COLOR_64);
  return 1;
}

int DecodeFliColor(ByteReader& data) {
  unsigned packets = data.le16();
  if (data.ok()) DecodeColorPackets(data, packets, 1);
  return 1;
}

int DecodeFliByteRun(ByteReader& data) {
  // The chunk always describes 200 lines; lines the frame does not have are never written,
  // and reading them would change nothing, so the walk ends with the frame's last line.
  int lines = g_height < FLI_BYTE_RUN_LINES ? g_height : FLI_BYTE_RUN_LINES;
  for (int y = 0; y < lines; ++y) {
    BYTE* line = FlicLine(y);
    unsigned packets = data.u8();
    if (!data.ok()) return 1;
    int64_t x = 0;
    for (unsigned p = 0; p < packets; ++p) {
      int n = ByteRunPacket(data, line, x);
      if (n < 0) return 1;
      x += n;
    }
  }
  return 1;
}

int DecodeFlcByteRun(ByteReader& data) {
  for (int y = 0; y < g_height; ++y) {
    BYTE* line = FlicLine(y);
    data.skip(1);  // the packet count is not used: the line ends at the frame width
    int64_t x = 0;
    while (x < g_width) {
      int n = ByteRunPacket(data, line, x);
      if (n < 0) return 1;
      x += n;
    }
  }
  return 1;
}

int CopyLiteralFrame(ByteReader& data) {
  for (int y = 0; y < g_height; ++y) {
    const BYTE* src = data.take(static_cast<size_t>(g_width));
    if (!src) return 1;
    CopyToLine(FlicLine(y), 0, src, g_width);
  }
  return 1;
}

int DecodeDeltaFlc(ByteReader& data) {
  int lines = data.sle16();
  int64_t y = 0;
  for (int l = 0; l < lines && data.ok(); ++l, ++y) {
    // Line-skip and last-pixel words come before the line's packet count.
    int lastPixel = -1;
    unsigned word;
    for (;;) {
      word = data.le16();
      if (!data.ok()) return 1;
      if (!(word & 0x8000)) break;
      if (word & 0x4000) y += -static_cast<int16_t>(word);
      else lastPixel = word & 0xFF;
    }
    BYTE* line = FlicLine(y);
    int64_t x = 0;
    for (unsigned p = 0; p < word; ++p) {
      x += data.u8();
      int c = data.s8();
      if (!data.ok()) return 1;
      if (c < 0) {
        BYTE a = data.u8(), b = data.u8();
        if (!data.ok()) return 1;
        FillPairs(line, x, a, b, -c);
        x += 2 * -c;
      } else {
        const BYTE* src = data.take(2 * static_cast<size_t>(c));
        if (!src) return 1;
        CopyToLine(line, x, src, 2 * c);
        x += 2 * c;
      }
    }
    if (lastPixel >= 0 && line && g_width > 0) line[g_width - 1] = static_cast<BYTE>(lastPixel);
  }
  return 1;
}

int DecodeDeltaFli(ByteReader& data) {
  int first = data.sle16();
  int count = data.sle16();
  if (!data.ok()) return 1;
  for (int64_t y = first; y < int64_t(first) + count; ++y) {
    BYTE* line = FlicLine(y);
    unsigned packets = data.u8();
    if (!data.ok()) return 1;
    int64_t x = 0;
    for (unsigned p = 0; p < packets; ++p) {
      x += data.u8();
      int c = data.s8();
      if (!data.ok()) return 1;
      if (c < 0) {
        BYTE v = data.u8();
        if (!data.ok()) return 1;
        FillLine(line, x, v, -c);
        x += -c;
      } else {
        const BYTE* src = data.take(static_cast<size_t>(c));
        if (!src) return 1;
        CopyToLine(line, x, src, c);
        x += c;
      }
    }
  }
  return 1;
}
