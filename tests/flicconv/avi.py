"""A small AVI writer (our own sample movie "logon.avi" is made with it) and reader (the
tests read the converter's output with it: stream header, format, palette, and the samples
with their index flags as the file's own idx1 has them).

    avi.py logon <out.avi>      writes the sample movie the build puts beside the program
"""
import struct
import sys

AVIIF_KEYFRAME = 0x10


def _chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def _list(kind, body):
    return _chunk(b"LIST", kind + body)


def write_avi(path, width, height, frames, palette, rate=15):
    """An uncompressed 8-bit palette AVI; frames are index bytes, top line first."""
    stride = (width + 3) // 4 * 4
    samples = []
    for f in frames:
        rows = [f[y * width:(y + 1) * width] + bytes(stride - width) for y in range(height)]
        samples.append(b"".join(reversed(rows)))  # bottom row first
    size = stride * height
    avih = struct.pack("<IIIIIIIIII16x", 1000000 // rate, size * rate, 0, 0x10, len(frames), 0, 1,
                       size, width, height)
    strh = b"vids" + b"DIB " + struct.pack("<IHHIIIIIIiI4h", 0, 0, 0, 0, 1, rate, 0, len(frames),
                                           size, -1, 0, 0, 0, width, height)
    bih = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, size, 0, 0, 256, 256)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    hdrl = _list(b"hdrl", _chunk(b"avih", avih) +
                 _list(b"strl", _chunk(b"strh", strh) + _chunk(b"strf", bih + table)))
    movi_body = b""
    index = b""
    for s in samples:
        index += b"00db" + struct.pack("<III", AVIIF_KEYFRAME, 4 + len(movi_body), len(s))
        movi_body += _chunk(b"00db", s)
    body = b"AVI " + hdrl + _list(b"movi", movi_body) + _chunk(b"idx1", index)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def _walk(data, start, end):
    pos = start
    while pos + 8 <= end:
        fourcc = data[pos:pos + 4]
        size = struct.unpack_from("<I", data, pos + 4)[0]
        yield fourcc, pos + 8, size
        pos += 8 + size + (size & 1)


class Avi:
    """What a file holds: main header fields, stream headers and formats, samples."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        if data[:4] != b"RIFF" or data[8:12] != b"AVI ":
            raise ValueError("not an AVI file")
        self.streams = []
        self.movi = None
        self.index = []
        for fourcc, pos, size in _walk(data, 12, len(data)):
            kind = data[pos:pos + 4]
            if fourcc == b"LIST" and kind == b"hdrl":
                self._header_list(data, pos + 4, pos + size)
            elif fourcc == b"LIST" and kind == b"movi":
                self.movi = pos
            elif fourcc == b"idx1":
                for i in range(size // 16):
                    ckid, flags, offset, length = struct.unpack_from("<4sIII", data, pos + 16 * i)
                    self.index.append((ckid, flags, offset, length))
        self.data = data

    def _header_list(self, data, start, end):
        for fourcc, pos, size in _walk(data, start, end):
            if fourcc == b"avih":
                (self.usec_per_frame, _, _, self.flags, self.total_frames, _, self.stream_count,
                 _, self.width, self.height) = struct.unpack_from("<10I", data, pos)
            elif fourcc == b"LIST" and data[pos:pos + 4] == b"strl":
                stream = {}
                for f2, p2, s2 in _walk(data, pos + 4, pos + size):
                    if f2 == b"strh":
                        v = struct.unpack_from("<4s4sIHHIIIIIIiI4h", data, p2)
                        stream.update(type=v[0], handler=v[1], flags=v[2], scale=v[6], rate=v[7],
                                      start=v[8], length=v[9], buffer=v[10], quality=v[11],
                                      sample_size=v[12], frame=tuple(v[13:17]))
                    elif f2 == b"strf":
                        fmt = data[p2:p2 + s2]
                        (bsize, w, h, planes, bits, comp, image, _, _, used,
                         important) = struct.unpack_from("<IiiHHIIiiII", fmt)
                        stream.update(format_size=s2, bi_size=bsize, bi_width=w, bi_height=h,
                                      bits=bits, compression=comp, size_image=image,
                                      clr_used=used, clr_important=important)
                        table = fmt[bsize:bsize + 4 * (used or (1 << bits if bits <= 8 else 0))]
                        stream["palette"] = [(table[4 * k + 2], table[4 * k + 1], table[4 * k])
                                             for k in range(len(table) // 4)]
                self.streams.append(stream)

    def samples(self):
        """[(flags, bytes)] of the video samples, in index order."""
        out = []
        if not self.index:
            return out
        # Offsets count from the "movi" fourcc; some writers give file positions instead.
        base = self.movi
        first = self.index[0]
        if self.data[base + first[2]:base + first[2] + 4] != first[0]:
            base = 0
        for ckid, flags, offset, length in self.index:
            if ckid[2:4] in (b"db", b"dc"):
                pos = base + offset + 8
                out.append((flags, self.data[pos:pos + length]))
        return out


def logon(path):
    """Our sample movie: 10 frames of 160 x 120 colour bars sliding by, 8 bits, 15 a second."""
    width, height = 160, 120
    palette = [((i * 5) % 256, (i * 3 + 60) % 256, (255 - i)) for i in range(256)]
    frames = [bytes(((x + 4 * n) // 10 * 16 + y // 15) % 256 for y in range(height)
                    for x in range(width)) for n in range(10)]
    write_avi(path, width, height, frames, palette)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "logon":
        logon(sys.argv[2])
    else:
        sys.exit(__doc__)
