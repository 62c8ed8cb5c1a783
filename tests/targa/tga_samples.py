"""Targa files for the end-to-end tests and the fuzz seeds, written by our own writer (every
depth, both origins, raw and run-length with packets across rows, image ID and colour map),
and their expected pictures, cross-checked against Pillow's decoding."""
import struct

import numpy as np
from PIL import Image


def pixel_bytes(depth):
    return 2 if depth in (15, 16) else 3 if depth == 24 else 4


def values_from_rgb(rgb, depth, fourth=None):
    """File pixel values (little-endian numbers) for an RGB picture: five-bit channels keep
    their top bits; a 32-bit pixel gets `fourth` (or a changing byte) on top."""
    r, g, b = (rgb[..., i].astype(np.uint32) for i in range(3))
    if depth in (15, 16):
        v = (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3)
        return v | ((np.arange(v.size).reshape(v.shape) & 1) << 15).astype(np.uint32)
    v = r << 16 | g << 8 | b
    if depth == 32:
        top = np.full(v.shape, fourth, np.uint32) if fourth is not None else \
            (np.arange(v.size, dtype=np.uint32).reshape(v.shape) * 37) & 0xFF
        v |= top << 24
    return v


def expected_rgb(rgb, depth):
    """What the viewer must show: five-bit channels shifted up by three (31 becomes 248)."""
    return rgb & 0xF8 if depth in (15, 16) else rgb.copy()


def _rle(values, nbytes, max_packet=128):
    out = bytearray()
    put = lambda v: out.extend(int(v).to_bytes(4, "little")[:nbytes])  # noqa: E731
    i, n = 0, len(values)
    while i < n:
        run = 1
        while i + run < n and run < max_packet and values[i + run] == values[i]:
            run += 1
        if run >= 2:
            out.append(0x80 | (run - 1))
            put(values[i])
            i += run
            continue
        raw = 1
        while i + raw < n and raw < max_packet and not (
                i + raw + 1 < n and values[i + raw] == values[i + raw + 1]):
            raw += 1
        out.append(raw - 1)
        for k in range(raw):
            put(values[i + k])
        i += raw
    return bytes(out)


def write_tga(values, depth, rle=False, top_left=False, id_length=0, map_type=0, map_length=0,
              map_bits=24, descriptor=0, image_type=None, max_packet=128):
    """A file of these pixel values (2-D array, top row first)."""
    h, w = values.shape
    kind = image_type if image_type is not None else (10 if rle else 2)
    out = bytearray(struct.pack("<BBBHHBHHHHBB", id_length, map_type, kind, 0, map_length,
                                map_bits, 0, 0, w, h, depth,
                                (0x20 if top_left else 0) | descriptor))
    out += bytes((0xA0 + i) & 0xFF for i in range(id_length))
    if map_type == 1:
        out += bytes((i * 7) & 0xFF for i in range(map_length * ((map_bits + 7) // 8)))
    rows = values if top_left else values[::-1]
    flat = [int(v) for v in rows.reshape(-1)]
    nbytes = pixel_bytes(depth)
    if kind == 10:
        out += _rle(flat, nbytes, max_packet)
    else:
        dtype = {2: "<u2", 3: None, 4: "<u4"}[nbytes]
        if dtype:
            out += np.asarray(flat, dtype=dtype).tobytes()
        else:
            a = np.asarray(flat, dtype="<u4").view(np.uint8).reshape(-1, 4)[:, :3]
            out += a.tobytes()
    return bytes(out)


def picture(width, height, seed):
    """Runs (some across row ends), gradients and noise."""
    rng = np.random.default_rng(seed)
    y, x = np.mgrid[0:height, 0:width]
    rgb = np.stack([(x * 5 + y) & 0xFF, (y * 3) & 0xFF, (x ^ y) & 0xFF], axis=2)
    noise = rng.integers(0, 256, size=(height, width, 3))
    runs = np.zeros_like(rgb)
    runs[...] = np.stack([(y // 3) * 40 & 0xFF, 200 - (y // 3) * 10 & 0xFF,
                          np.full_like(y, 90)], axis=2)
    band = ((y // 3) % 3)[..., None]
    return np.where(band == 0, runs, np.where(band == 1, rgb, noise)).astype(np.uint8)


def pillow_rgb(path):
    with Image.open(path) as im:
        return np.asarray(im.convert("RGB"))
