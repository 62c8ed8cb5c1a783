"""Our own FLI/FLC writer: the test and sample flics of the converter are made with it.

A movie is a list of frames, each a bytes object of width * height palette indices, top line
first. The writer encodes frame 1 with a colour chunk (type 4: 256 levels, type 11: 64 levels)
and a byte-run (15) or literal (16) chunk, every later frame with a line delta (12), word
delta (7, FLC only) or literal chunk, and appends the ring frame that turns the last frame
back into the first. Chunks can also be assembled by hand (chunk(), frame(), flic_file())
for hostile files.

    flicwriter.py samples <folder>      writes the sample flics the build puts beside the program
"""
import os
import struct
import sys

FLI_MAGIC = 0xAF11
FLC_MAGIC = 0xAF12
FRAME_MAGIC = 0xF1FA

COLOR_256 = 4
DELTA_FLC = 7
COLOR_64 = 11
DELTA_FLI = 12
BYTE_RUN = 15
LITERAL = 16


# ---- chunk level ----

def chunk(kind, data, pad=True):
    """A chunk: 6-byte header (size, type) and its data, padded to an even size."""
    if pad and len(data) % 2:
        data += b"\0"
    return struct.pack("<Ih", 6 + len(data), kind) + data


def frame(chunks, size=None, magic=FRAME_MAGIC, count=None):
    """A frame: 16-byte header (size, magic, chunk count, reserved) and its chunks."""
    body = b"".join(chunks)
    if size is None:
        size = 16 + len(body)
    if count is None:
        count = len(chunks)
    return struct.pack("<IHh8x", size, magic, count) + body


def flic_file(fli, width, height, frames, frame_count=None, speed=None, first_offset=None):
    """The whole file: 128-byte header followed by the encoded frames (ring frame included
    if the caller put one last). frame_count defaults to len(frames) - 1 (the ring frame)."""
    if frame_count is None:
        frame_count = max(len(frames) - 1, 0)
    size = 128 + sum(len(f) for f in frames)
    header = bytearray(128)
    struct.pack_into("<IHHHHHH", header, 0, size & 0xFFFFFFFF, FLI_MAGIC if fli else FLC_MAGIC,
                     frame_count, width, height, 8, 0 if fli else 3)
    if fli:
        struct.pack_into("<H", header, 16, 5 if speed is None else speed)  # 1/70 s ticks
    else:
        struct.pack_into("<I", header, 16, 70 if speed is None else speed)  # milliseconds
        struct.pack_into("<HH", header, 40, 1, 1)  # aspect ratio
        struct.pack_into("<I", header, 80, 128 if first_offset is None else first_offset)
        struct.pack_into("<I", header, 84, 128 + (len(frames[0]) if frames else 0))
    return bytes(header) + b"".join(frames)


# ---- colour ----

def color_chunk(palette, kind=COLOR_256, packets=None):
    """A colour chunk of palette levels as stored (0-255 for type 4, 0-63 for type 11).
    packets: [(skip, count)], counts of 256 written as 0; default one packet of all 256."""
    if packets is None:
        packets = [(0, 256)]
    data = bytearray(struct.pack("<H", len(packets)))
    index = 0
    for skip, count in packets:
        index = (index + skip) % 256
        data += bytes((skip, count % 256))
        for _ in range(count):
            data += bytes(palette[index])
            index = (index + 1) % 256
    return chunk(kind, bytes(data))


def meant_palette(palette, kind=COLOR_256, packets=None, before=None):
    """The 8-bit palette a decoder should end up with after one colour chunk."""
    result = [tuple(c) for c in (before or [(0, 0, 0)] * 256)]
    if packets is None:
        packets = [(0, 256)]
    index = 0
    for skip, count in packets:
        index = (index + skip) % 256
        for _ in range(count):
            r, g, b = palette[index]
            result[index] = (r, g, b) if kind == COLOR_256 else ((r * 4) & 255, (g * 4) & 255,
                                                                (b * 4) & 255)
            index = (index + 1) % 256
    return result


# ---- frame 1 ----

def _runs(units, min_run):
    """Splits a sequence of units (bytes or 2-byte words) into ("rep", unit, n) and
    ("lit", [units]) pieces of at most 127 units each."""
    out = []
    lit = []
    i, n = 0, len(units)
    while i < n:
        j = i
        while j < n and units[j] == units[i] and j - i < 127:
            j += 1
        if j - i >= min_run:
            if lit:
                out.append(("lit", lit))
                lit = []
            out.append(("rep", units[i], j - i))
            i = j
            continue
        lit.append(units[i])
        i += 1
        if len(lit) == 127:
            out.append(("lit", lit))
            lit = []
    if lit:
        out.append(("lit", lit))
    return out


def _brun_line(line):
    # The FLI line's packet count is one byte: longer runs of literals if it would overflow.
    for min_run in (3, 6, 12, 24, 128):
        pieces = _runs(line, min_run)
        if len(pieces) <= 255:
            break
    data = bytearray((len(pieces),))
    for p in pieces:
        if p[0] == "rep":
            data += struct.pack("<bB", p[2], p[1])
        else:
            data += struct.pack("<b", -len(p[1])) + bytes(p[1])
    return bytes(data)


def brun_chunk(image, width, height):
    return chunk(BYTE_RUN, b"".join(_brun_line(image[y * width:(y + 1) * width])
                                    for y in range(height)))


def literal_chunk(image):
    return chunk(LITERAL, bytes(image))


# ---- deltas ----

def lc_chunk(prev, cur, width, height):
    """Line delta (12): first changed line, line count, then per line byte packets."""
    changed = [y for y in range(height)
               if prev[y * width:(y + 1) * width] != cur[y * width:(y + 1) * width]]
    if not changed:
        return chunk(DELTA_FLI, struct.pack("<hh", 0, 0))
    first, last = changed[0], changed[-1]
    data = bytearray(struct.pack("<hh", first, last - first + 1))
    for y in range(first, last + 1):
        a, b = prev[y * width:(y + 1) * width], cur[y * width:(y + 1) * width]
        packets = []
        x = 0
        while x < width:
            if a[x] == b[x]:
                x += 1
                continue
            start = x
            while x < width and a[x] != b[x] and x - start < 127:
                x += 1
            packets.append((start, bytes(b[start:x])))
        data += _lc_packets(packets)
    return chunk(DELTA_FLI, bytes(data))


def _lc_packets(packets):
    out = bytearray()
    count = 0
    col = 0
    for start, pixels in packets:
        skip = start - col
        while skip > 255:  # a packet copying nothing moves the column on
            out += bytes((255, 0))
            count += 1
            skip -= 255
        for p in _runs(list(pixels), 4):
            if p[0] == "rep":
                out += struct.pack("<Bb", skip, -p[2]) + bytes((p[1],))
            else:
                out += struct.pack("<Bb", skip, len(p[1])) + bytes(p[1])
            skip = 0
            count += 1
        col = start + len(pixels)
    assert count <= 255, "too many packets on one line"
    return bytes((count,)) + bytes(out)


def ss2_chunk(prev, cur, width, height):
    """Word delta (7): lines with packets, line-skip words, last-pixel words for odd widths."""
    pairs = width // 2
    lines = []
    skip = 0
    for y in range(height):
        a, b = prev[y * width:(y + 1) * width], cur[y * width:(y + 1) * width]
        odd_changed = width % 2 == 1 and a[-1] != b[-1]
        wa = [a[2 * p:2 * p + 2] for p in range(pairs)]
        wb = [b[2 * p:2 * p + 2] for p in range(pairs)]
        if wa == wb and not odd_changed:
            skip += 1
            continue
        words = bytearray()
        while skip > 0:
            step = min(skip, 16384)
            words += struct.pack("<h", -step)
            skip -= step
        if odd_changed:
            words += struct.pack("<H", 0x8000 | b[-1])
        packets = bytearray()
        count = 0
        col = 0
        p = 0
        while p < pairs:
            if wa[p] == wb[p]:
                p += 1
                continue
            start = p
            while p < pairs and wa[p] != wb[p]:
                p += 1
            gap = 2 * start - col
            while gap > 254:  # an empty packet moves the column on
                packets += struct.pack("<Bb", 254, 0)
                count += 1
                gap -= 254
            for piece in _runs(wb[start:p], 3):
                if piece[0] == "rep":
                    packets += struct.pack("<Bb", gap, -piece[2]) + piece[1]
                else:
                    packets += struct.pack("<Bb", gap, len(piece[1])) + b"".join(piece[1])
                gap = 0
                count += 1
            col = 2 * p
        words += struct.pack("<H", count) + packets
        lines.append(bytes(words))
    return chunk(DELTA_FLC, struct.pack("<h", len(lines)) + b"".join(lines))


# ---- movies ----

def encode_first(image, width, height, first):
    if first == "brun":
        return brun_chunk(image, width, height)
    if first == "literal":
        return literal_chunk(image)
    raise ValueError(first)


def encode_delta(prev, cur, width, height, kind):
    if kind == "ss2":
        return ss2_chunk(prev, cur, width, height)
    if kind == "lc":
        return lc_chunk(prev, cur, width, height)
    if kind == "literal":
        return literal_chunk(cur)
    if kind == "none":
        assert prev == cur
        return None
    raise ValueError(kind)


def movie(fli, width, height, images, palette, colour=COLOR_256, first="brun", deltas="lc",
          ring=True, packets=None, extra_first=(), later_chunks=None, speed=None):
    """Encodes a movie; returns the file's bytes. images: frames as index bytes (top line
    first); palette: 256 levels as stored by the colour chunk type; deltas: one kind for all
    later frames or a list (one per frame after the first, plus one for the ring frame).
    later_chunks: {frame number: [extra chunks]} appended to those frames; speed: the
    header's delay between frames (FLI: 1/70 s, FLC: ms)."""
    frames = []
    first_chunks = [color_chunk(palette, colour, packets), encode_first(images[0], width, height,
                                                                        first)]
    frames.append(frame(first_chunks + list(extra_first)))
    sequence = list(images[1:]) + ([images[0]] if ring else [])
    kinds = deltas if isinstance(deltas, (list, tuple)) else [deltas] * len(sequence)
    prev = images[0]
    for n, (cur, kind) in enumerate(zip(sequence, kinds), start=2):
        if kind == "ss2" and fli:
            kind = "lc"  # FLI files have no word deltas
        ch = encode_delta(prev, cur, width, height, kind)
        chunks = [ch] if ch else []
        chunks += (later_chunks or {}).get(n, [])
        frames.append(frame(chunks))
        prev = cur
    return flic_file(fli, width, height, frames, frame_count=len(images), speed=speed)


# ---- pictures ----

def sample_palette(colour=COLOR_256):
    """A palette that tells neighbouring indices apart on screen."""
    top = 255 if colour == COLOR_256 else 63
    pal = []
    for i in range(256):
        r = (i * 37) % (top + 1)
        g = (i * 91 + 40) % (top + 1)
        b = (255 - i) * top // 255
        pal.append((r, g, b))
    return pal


def moving_frames(width, height, count, seed=1):
    """Frames of a bouncing box over a striped background with some noise per frame, so
    every delta kind has runs, literals, skips and untouched lines to encode."""
    frames = []
    state = seed
    for n in range(count):
        img = bytearray(width * height)
        for y in range(height):
            row = (y // 4) % 8 + 16
            img[y * width:(y + 1) * width] = bytes([row]) * width
        bw, bh = max(1, width // 5), max(1, height // 4)
        bx = (n * 7) % max(1, width - bw + 1)
        by = (n * 3) % max(1, height - bh + 1)
        for y in range(by, by + bh):
            for x in range(bx, bx + bw):
                img[y * width + x] = 200 + (x + y + n) % 40
        for _ in range(max(1, width * height // 200)):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            pos = state % (width * height)
            img[pos] = (state >> 16) & 255
        if width > 1:
            img[width - 1] = (n * 13) % 256  # the last column changes too
        frames.append(bytes(img))
    return frames


def benchmark_movie(width=640, height=480, count=600):
    """A long FLC of word-delta frames built packet by packet (fast to make at any size):
    every frame rewrites every other line in four runs of literal and repeated pixel pairs,
    about 60% of the picture. Returns the file's bytes."""
    pal = sample_palette()
    first = bytes((x // 8 + y // 8) % 256 for y in range(height) for x in range(width))
    frames = [frame([color_chunk(pal), literal_chunk(first)])]
    pairs = width // 2
    for k in range(1, count + 1):  # the last one stands for the ring frame
        lines = []
        start = k % 2
        for y in range(start, height, 2):
            seed = (y * 7 + k * 13) % 256
            words = bytearray()
            if y != start:
                words += struct.pack("<h", -1)  # the unchanged line in between
            elif start:
                words += struct.pack("<h", -1)
            packets = [(8, ("lit", 40)), (20, ("rep", 60)), (30, ("lit", 50)), (16, ("rep", 40))]
            assert sum(2 * s + 2 * n for s, (_, n) in packets) <= 2 * pairs
            words += struct.pack("<H", len(packets))
            for skip, (kind, n) in packets:
                if kind == "lit":
                    words += struct.pack("<Bb", 2 * skip, n)
                    words += bytes((seed + i) % 256 for i in range(2 * n))
                else:
                    words += struct.pack("<Bb", 2 * skip, -n) + bytes((seed, 255 - seed))
            lines.append(bytes(words))
        frames.append(frame([chunk(DELTA_FLC, struct.pack("<h", len(lines)) + b"".join(lines))]))
    return flic_file(False, width, height, frames, frame_count=count)


SAMPLES = [
    # name, fli, width, height, frames, colour, first, deltas
    ("bounce.flc", False, 320, 200, 24, COLOR_256, "brun", "ss2"),
    ("stripes.flc", False, 321, 120, 12, COLOR_64, "literal", "lc"),
    ("classic.fli", True, 320, 200, 20, COLOR_64, "brun", "lc"),
]


def write_samples(folder):
    os.makedirs(folder, exist_ok=True)
    for name, fli, w, h, n, colour, first, deltas in SAMPLES:
        data = movie(fli, w, h, moving_frames(w, h, n), sample_palette(colour), colour, first,
                     deltas)
        path = os.path.join(folder, name)
        tmp = path + ".tmp"
        with open(tmp, "wb") as f:
            f.write(data)
        os.replace(tmp, path)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "samples":
        write_samples(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "benchmark":
        with open(sys.argv[2], "wb") as f:
            f.write(benchmark_movie())
    else:
        sys.exit(__doc__)
