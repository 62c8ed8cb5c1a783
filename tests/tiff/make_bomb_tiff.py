#!/usr/bin/env python3
"""Writes the decompression-bomb TIFF the reader tests keep: 500 x 500 pixels of 8 bits with
7,920 samples each, one Deflate strip and no StripByteCounts, so the library sizes the strip
from the header alone (about 2 GB) while the file is a few KB. Usage: make_bomb_tiff.py OUT
[SAMPLES]"""
import struct
import sys
import zlib


def main(out, samples=7920):
    data = zlib.compress(bytes(4 << 20), 9)  # 4 MB of zero samples
    entries = [  # tag, type (3 SHORT, 4 LONG), value; ascending tags as the format wants
        (256, 3, 500),   # ImageWidth
        (257, 3, 500),   # ImageLength
        (258, 3, 8),     # BitsPerSample
        (259, 3, 8),     # Compression: Deflate
        (262, 3, 1),     # PhotometricInterpretation: black is zero
        (273, 4, 0),     # StripOffsets, filled in below
        (277, 3, samples),  # SamplesPerPixel
        (284, 3, 1),     # PlanarConfiguration: contiguous
    ]
    ifd_at = 8
    data_at = ifd_at + 2 + 12 * len(entries) + 4
    ifd = struct.pack("<H", len(entries))
    for tag, kind, value in entries:
        if tag == 273:
            value = data_at
        packed = struct.pack("<HI", value, 0)[:4] if kind == 3 else struct.pack("<I", value)
        ifd += struct.pack("<HHI", tag, kind, 1) + packed
    ifd += struct.pack("<I", 0)
    with open(out, "wb") as f:
        f.write(b"II*\0" + struct.pack("<I", ifd_at) + ifd + data)


if __name__ == "__main__":
    main(sys.argv[1], *(int(a) for a in sys.argv[2:3]))
