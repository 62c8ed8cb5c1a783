"""GIF files for the end-to-end tests and the fuzz seeds, written by our own LZW encoder (every
minimum code size, local tables, extensions, interlacing, cut-off data), and their expected
pictures: what the file's indices and colours say, each channel with its two low bits
cleared, cross-checked against Pillow's decoding."""
import struct

import numpy as np
from PIL import Image


def encode(indices, s, leading_clear=True, clear_when_full=True, end_code=True, trace=None):
    """LZW-codes a sequence of indices (each below 2**s). With a trace list, appends for every
    code (bit position where it ends, pixels the data stands for up to and including it)."""
    clear, end = 1 << s, (1 << s) + 1
    size, nxt, table = s + 1, clear + 2, {}
    out = bytearray()
    acc = nbits = bits = 0

    def put(code, pixels):
        nonlocal acc, nbits, bits
        acc |= code << nbits
        nbits += size
        bits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
        if trace is not None:
            trace.append((bits, pixels))

    if leading_clear:
        put(clear, 0)
    indices = [int(v) for v in indices]
    if indices:
        w = indices[0]
        for i in range(1, len(indices)):
            c = indices[i]
            key = (w, c)
            if key in table:
                w = table[key]
                continue
            put(w, i)
            if nxt < 4096:
                table[key] = nxt
                nxt += 1
                # the decoder adds each entry one code later, so it widens one code later too
                if nxt > (1 << size) and size < 12:
                    size += 1
            elif clear_when_full:
                put(clear, i)
                table.clear()
                size, nxt = s + 1, clear + 2
            w = c
        put(w, len(indices))
    if end_code:
        put(end, len(indices))
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data, size=255, terminator=True):
    out = bytearray()
    for i in range(0, len(data), size):
        chunk = data[i:i + size]
        out.append(len(chunk))
        out += chunk
    if terminator:
        out.append(0)
    return bytes(out)


def interlace_order(height):
    order = []
    for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)):
        order += list(range(start, height, step))
    return order


def _table(colours):
    field = 0
    while (2 << field) < len(colours):
        field += 1
    padded = list(colours) + [(0, 0, 0)] * ((2 << field) - len(colours))
    return field, b"".join(bytes(c) for c in padded)


def extension(label, data):
    return bytes([0x21, label]) + sub_blocks(data)


def graphic_control(delay=10, transparent=None):
    flags = 1 if transparent is not None else 0
    return bytes([0x21, 0xF9, 4, flags]) + struct.pack("<H", delay) + \
        bytes([transparent or 0, 0])


def comment(text):
    return extension(0xFE, text.encode())


def application(ident=b"NETSCAPE2.0", data=b"\x01\x00\x00"):
    return bytes([0x21, 0xFF, 11]) + ident + sub_blocks(data)


def plain_text(text):
    head = bytes([0x21, 0x01, 12]) + struct.pack("<HHHHBBBB", 0, 0, 64, 16, 8, 16, 1, 0)
    return head + sub_blocks(text.encode())


def image_block(pixels, pos=(0, 0), local=None, interlaced=False, s=None, trace=None, lzw=None,
                data=None):
    """An image descriptor, its local table and its data (or `data` as the raw codes)."""
    h, w = pixels.shape
    packed = 0x40 if interlaced else 0
    out = bytearray(b"\x2C" + struct.pack("<HHHH", pos[0], pos[1], w, h))
    table = b""
    if local is not None:
        field, table = _table(local)
        packed |= 0x80 | field
    out.append(packed)
    out += table
    rows = interlace_order(h) if interlaced else range(h)
    flat = np.concatenate([pixels[y] for y in rows]) if h else np.zeros(0, np.uint8)
    if s is None:
        s = max(2, int(flat.max()).bit_length() if flat.size else 2)
    out.append(s)
    if data is None:
        data = encode(flat, s, trace=trace, **(lzw or {}))
    out += sub_blocks(data)
    return bytes(out)


def write_gif(pixels, palette, version="89a", local=None, interlaced=False, s=None,
              extensions=(), more=(), screen=None, pos=(0, 0), trace=None, lzw=None,
              sort=False, trailer=True):
    """A whole file whose first image has these indices (a 2-D array, top row first)."""
    h, w = pixels.shape
    sw, sh = screen or (w, h)
    packed = 0x70 | (0x08 if sort else 0)
    table = b""
    if palette is not None:
        field, table = _table(palette)
        packed |= 0x80 | field
    out = bytearray(b"GIF" + version.encode() + struct.pack("<HHBBB", sw, sh, packed, 0, 0))
    out += table
    for e in extensions:
        out += e
    out += image_block(pixels, pos, local, interlaced, s, trace, lzw)
    for block in more:
        out += block
    if trailer:
        out.append(0x3B)
    return bytes(out)


def pattern(width, height, colours, seed):
    """Smooth areas, stripes and noise, so strings of every length occur and tables fill."""
    rng = np.random.default_rng(seed)
    y, x = np.mgrid[0:height, 0:width]
    smooth = (x + y) // 4
    stripes = (x // 3) ^ (y // 5)
    noise = rng.integers(0, 1 << 16, size=(height, width))
    kind = (x // 16 + y // 16) % 3
    v = np.where(kind == 0, smooth, np.where(kind == 1, stripes, noise))
    return (v % colours).astype(np.uint8)


def colour_table(n, seed=0):
    """n distinct colours whose low two bits are set, so that clearing them shows."""
    rng = np.random.default_rng(1000 + seed)
    t = rng.integers(0, 256, size=(n, 3)) | 3
    t[0] = (3, 7, 11)
    return [tuple(int(c) for c in row) for row in t]


def expected_rgb(pixels, palette):
    """What the viewer must show: the colours of the indices, low two bits cleared; entries
    past the table are black."""
    lut = np.zeros((256, 3), np.uint8)
    for i, c in enumerate(palette):
        lut[i] = c
    return lut[pixels] & 0xFC


def first_descriptor(data):
    """(left, top, width, height) of the first image, found by walking the blocks."""
    pos = 13
    if data[10] & 0x80:
        pos += 3 * (2 << (data[10] & 7))
    while pos < len(data):
        b = data[pos]
        if b == 0x21:
            pos += 2
            while pos < len(data) and data[pos]:
                pos += data[pos] + 1
            pos += 1
        elif b == 0x2C:
            return struct.unpack_from("<HHHH", data, pos + 1)
        else:
            break
    raise ValueError("no image")


def pillow_rgb(path):
    """Pillow's first frame, cut to the first image's own rectangle, low two bits cleared."""
    with open(path, "rb") as f:
        left, top, w, h = first_descriptor(f.read())
    with Image.open(path) as im:
        im.seek(0)
        rgb = np.asarray(im.convert("RGB"))
    if rgb.shape[:2] != (h, w):
        rgb = rgb[top:top + h, left:left + w]
    return rgb & 0xFC
