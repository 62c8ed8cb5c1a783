// The chunk decoders of frame 1 (colours, byte runs, literal copy) and of later frames (word
// and line deltas). File data is never trusted: every read goes through the ByteReader over
// the frame body, every write through the line helpers below, which drop what falls outside
// the frame's g_width x g_height pixels (the padding columns stay 0).
#include <algorithm>
#include <cstring>

#include "flic.h"

namespace {

// The frame buffer's geometry, taken from the globals once per chunk: any store into the
// frame might alias them, so read through the globals they were loaded again for every packet.
struct Rows {
  BYTE* bits = g_frameBits;
  int64_t width = g_width, height = g_height, pitch = g_pitch;

  // Flic line y (0 = top) is buffer row height - 1 - y; null for lines that do not exist.
  BYTE* Line(int64_t y) const {
    if (!bits || y < 0 || y >= height) return nullptr;
    return bits + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(pitch);
  }

  // The part of [x, x + n) that lies inside the line, as a start and a count.
  bool Clip(int64_t x, int64_t n, int64_t* start, int64_t* count) const {
    int64_t end = x + n;
    if (x < 0) x = 0;
    if (end > width) end = width;
    if (end <= x) return false;
    *start = x;
    *count = end - x;
    return true;
  }

  void Fill(BYTE* line, int64_t x, BYTE value, int64_t n) const {
    int64_t s, c;
    if (line && Clip(x, n, &s, &c)) std::memset(line + s, value, static_cast<size_t>(c));
  }

  void Copy(BYTE* line, int64_t x, const BYTE* src, int64_t n) const {
    int64_t s, c;
    if (line && Clip(x, n, &s, &c)) std::memcpy(line + s, src + (s - x), static_cast<size_t>(c));
  }

  // The same for the delta decoders, whose column only grows from 0: the line's end is the
  // only clip, one test fewer per packet.
  void FillFrom(BYTE* line, int64_t x, BYTE value, int64_t n) const {
    if (line && x < width) std::memset(line + x, value, static_cast<size_t>(std::min(n, width - x)));
  }
  void CopyFrom(BYTE* line, int64_t x, const BYTE* src, int64_t n) const {
    if (line && x < width) std::memcpy(line + x, src, static_cast<size_t>(std::min(n, width - x)));
  }

  // n copies of the pixel pair (a, b) from column x.
  void FillPairs(BYTE* line, int64_t x, BYTE a, BYTE b, int64_t n) const {
    if (!line) return;
    if (a == b) return Fill(line, x, a, 2 * n);
    int64_t s, c;
    if (!Clip(x, 2 * n, &s, &c)) return;
    // Whole blocks of pairs copied from a small pattern that starts on the pixel the clipped
    // span starts on; a byte at a time took most of a word-delta frame's time.
    const bool odd = (s - x) & 1;
    BYTE pattern[16];
    for (int i = 0; i < 16; i += 2) {
      pattern[i] = odd ? b : a;
      pattern[i + 1] = odd ? a : b;
    }
    BYTE* out = line + s;
    for (; c >= 16; c -= 16, out += 16) std::memcpy(out, pattern, 16);
    for (int64_t i = 0; i < c; ++i) out[i] = pattern[i];
  }
};

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
int ByteRunPacket(ByteReader& data, const Rows& rows, BYTE* line, int64_t x) {
  int c = data.s8();
  if (!data.ok()) return -1;
  if (c > 0) {
    BYTE v = data.u8();
    if (!data.ok()) return -1;
    rows.Fill(line, x, v, c);
    return c;
  }
  if (c < 0) {
    const BYTE* src = data.take(static_cast<size_t>(-c));
    if (!src) return -1;
    rows.Copy(line, x, src, -c);
    return -c;
  }
  return 0;
}

void DeltaFlc(ByteReader& data, const Rows& rows) {
  int lines = data.sle16();
  int64_t y = 0;
  for (int l = 0; l < lines && data.ok(); ++l, ++y) {
    // Line-skip and last-pixel words come before the line's packet count.
    int lastPixel = -1;
    unsigned word;
    for (;;) {
      word = data.le16();
      if (!data.ok()) return;
      if (!(word & 0x8000)) break;
      if (word & 0x4000) y += -static_cast<int16_t>(word);
      else lastPixel = word & 0xFF;
    }
    BYTE* line = rows.Line(y);
    int64_t x = 0;
    for (unsigned p = 0; p < word; ++p) {
      const BYTE* head = data.take(2);  // column skip, count
      if (!head) return;
      x += head[0];
      int c = static_cast<int8_t>(head[1]);
      if (c < 0) {
        const BYTE* pair = data.take(2);
        if (!pair) return;
        rows.FillPairs(line, x, pair[0], pair[1], -c);
        x += 2 * -c;
      } else {
        const BYTE* src = data.take(2 * static_cast<size_t>(c));
        if (!src) return;
        rows.CopyFrom(line, x, src, 2 * c);
        x += 2 * c;
      }
    }
    if (lastPixel >= 0 && line && rows.width > 0) line[rows.width - 1] = static_cast<BYTE>(lastPixel);
  }
}

void DeltaFli(ByteReader& data, const Rows& rows) {
  int first = data.sle16();
  int count = data.sle16();
  if (!data.ok()) return;
  for (int64_t y = first; y < int64_t(first) + count; ++y) {
    BYTE* line = rows.Line(y);
    unsigned packets = data.u8();
    if (!data.ok()) return;
    int64_t x = 0;
    for (unsigned p = 0; p < packets; ++p) {
      const BYTE* head = data.take(2);  // column skip, count
      if (!head) return;
      x += head[0];
      int c = static_cast<int8_t>(head[1]);
      if (c < 0) {
        BYTE v = data.u8();
        if (!data.ok()) return;
        rows.FillFrom(line, x, v, -c);
        x += -c;
      } else {
        const BYTE* src = data.take(static_cast<size_t>(c));
        if (!src) return;
        rows.CopyFrom(line, x, src, c);
        x += c;
      }
    }
  }
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
  const Rows rows;
  int lines = g_height < FLI_BYTE_RUN_LINES ? g_height : FLI_BYTE_RUN_LINES;
  for (int y = 0; y < lines; ++y) {
    BYTE* line = rows.Line(y);
    unsigned packets = data.u8();
    if (!data.ok()) return 1;
    int64_t x = 0;
    for (unsigned p = 0; p < packets; ++p) {
      int n = ByteRunPacket(data, rows, line, x);
      if (n < 0) return 1;
      x += n;
    }
  }
  return 1;
}

int DecodeFlcByteRun(ByteReader& data) {
  const Rows rows;
  for (int y = 0; y < g_height; ++y) {
    BYTE* line = rows.Line(y);
    data.skip(1);  // the packet count is not used: the line ends at the frame width
    int64_t x = 0;
    while (x < g_width) {
      int n = ByteRunPacket(data, rows, line, x);
      if (n < 0) return 1;
      x += n;
    }
  }
  return 1;
}

int CopyLiteralFrame(ByteReader& data) {
  const Rows rows;
  for (int y = 0; y < g_height; ++y) {
    const BYTE* src = data.take(static_cast<size_t>(g_width));
    if (!src) return 1;
    rows.Copy(rows.Line(y), 0, src, g_width);
  }
  return 1;
}

// The delta decoders work on a copy of the reader: it then lives in registers, where stores
// into the frame through memcpy and memset cannot touch it. It is handed back at the end.
int DecodeDeltaFlc(ByteReader& data) {
  ByteReader in = data;
  const Rows rows;
  DeltaFlc(in, rows);
  data = in;
  return 1;
}

int DecodeDeltaFli(ByteReader& data) {
  ByteReader in = data;
  const Rows rows;
  DeltaFli(in, rows);
  data = in;
  return 1;
}
