"""Bitmap files for the image tests: made by ImageMagick, by Pillow and by our own writer (for
the kinds neither tool writes: RLE with delta and end-of-line codes, 16-bit 5-5-5 without
masks, top-down rows, 108-byte headers, short colour tables, gaps before the pixels), each
with the pixels an independent decoder (ImageMagick) gives for it."""
import io
import os
import struct
import subprocess

import numpy as np
from PIL import Image

CONVERT = "/usr/bin/convert"


def rng(seed):
    return np.random.default_rng(seed)


def random_rgb(w, h, seed):
    """A w x h picture with smooth areas and noise, as uint8 [h, w, 3], top row first."""
    r = rng(seed)
    y, x = np.mgrid[0:h, 0:w]
    base = np.stack([(x * 255 // max(w - 1, 1)), (y * 255 // max(h - 1, 1)),
                     ((x + y) * 127 // max(w + h - 2, 1))], axis=2)
    noise = r.integers(0, 256, (h, w, 3))
    mix = np.where(r.random((h, w, 1)) < 0.3, noise, base)
    return mix.astype(np.uint8)


def random_indexed(w, h, colours, seed):
    """(indices [h, w] uint8, palette [colours, 3] uint8)."""
    r = rng(seed)
    pal = r.integers(0, 256, (colours, 3)).astype(np.uint8)
    idx = r.integers(0, colours, (h, w)).astype(np.uint8)
    return idx, pal


# -- our own writer --

def _stride(w, bits):
    return ((w * bits + 31) // 32) * 4


def pack_rows(idx_or_rgb, bits, masks=None, fourth=0):
    """Bottom-up padded rows of a picture given top row first."""
    a = np.asarray(idx_or_rgb)
    h, w = a.shape[:2]
    out = bytearray()
    for row in a[::-1]:
        line = bytearray()
        if bits in (1, 4, 8):
            per = 8 // bits
            for x0 in range(0, w, per):
                byte = 0
                for k in range(per):
                    v = int(row[x0 + k]) if x0 + k < w else 0
                    byte |= v << (8 - bits * (k + 1))
                line.append(byte)
        elif bits == 24:
            line += row[:, ::-1].astype(np.uint8).tobytes()
        elif bits in (16, 32):
            rm, gm, bm = masks
            for px in row:
                v = 0
                for value, mask in zip(px, (rm, gm, bm)):
                    shift = (mask & -mask).bit_length() - 1
                    width = bin(mask).count("1")
                    v |= ((int(value) >> (8 - width)) << shift) & mask if width <= 8 else \
                        ((int(value) << (width - 8)) << shift) & mask
                if bits == 32:
                    v |= fourth << 24 if not (rm | gm | bm) & 0xFF000000 else 0
                line += struct.pack("<I" if bits == 32 else "<H", v)
        line += b"\0" * (_stride(w, bits) - len(line))
        out += line
    return bytes(out)


def write_bmp(w, h, bits, pixels, palette=None, header=40, compression=0, clr_used=None,
              top_down=False, masks=None, table_entries=None, gap=0, off_bits=None,
              size_image=None):
    """A bitmap file from packed pixel bytes (already in file row order)."""
    entries = 0
    if palette is not None:
        entries = len(palette) if table_entries is None else table_entries
    if header == 12:
        table = b"".join(bytes((int(c[2]), int(c[1]), int(c[0]))) for c in palette[:entries])
        info = struct.pack("<IHHHH", 12, w, h, 1, bits)
        extra = b""
    else:
        table = b"".join(bytes((int(c[2]), int(c[1]), int(c[0]), 0))
                         for c in palette[:entries]) if entries else b""
        used = entries if clr_used is None else clr_used
        info = struct.pack("<IiiHHIIiiII", header, w, -h if top_down else h, 1, bits,
                           compression, len(pixels) if size_image is None else size_image,
                           2835, 2835, used, 0)
        extra = b""
        if header == 40 and compression == 3:
            extra = struct.pack("<III", *masks)
        elif header > 40:
            m = masks or (0, 0, 0)
            info += struct.pack("<IIII", m[0], m[1], m[2], 0)
            info += b"\0" * (header - len(info))
    start = 14 + len(info) + len(extra) + len(table) + gap
    off = start if off_bits is None else off_bits
    body = info + extra + table + b"\xA5" * gap + pixels
    return struct.pack("<HIHHI", 0x4D42, 14 + len(body), 0, 0, off) + body


def rle_rows(idx, four_bit, with_delta=True):
    """Run-length codes for indices [h, w] (top row first), one bytes object per row from the
    bottom, without end-of-line codes: runs, literal groups and, over runs of index 0 inside
    a row, delta codes (skipped pixels decode as index 0)."""
    h, w = idx.shape
    rows = []
    for row in idx[::-1]:
        out = bytearray()
        x = 0
        while x < w:
            run = 1
            while x + run < w and run < 255 and row[x + run] == row[x]:
                run += 1
            if with_delta and row[x] == 0 and run >= 3 and x + run < w:
                out += bytes((0, 2, run, 0))  # delta: move right over the zeros
                x += run
                continue
            if run >= 3 or w - x < 3:
                v = int(row[x])
                if four_bit:
                    v = (v << 4) | v  # a run alternates two nibbles; use the same one twice
                out += bytes((run, v))
                x += run
                continue
            lit = 3
            while x + lit < w and lit < 200 and not (
                    x + lit + 2 < w and row[x + lit] == row[x + lit + 1] == row[x + lit + 2]):
                lit += 1
            vals = [int(v) for v in row[x:x + lit]]
            out += bytes((0, lit))
            if four_bit:
                vals += [0] * (len(vals) % 2)
                data = bytes((vals[i] << 4) | vals[i + 1] for i in range(0, len(vals), 2))
            else:
                data = bytes(vals)
            out += data + (b"\0" if len(data) % 2 else b"")
            x += lit
        rows.append(bytes(out))
    return rows


def rle_encode(idx, four_bit, with_delta=True):
    """Rows of rle_rows joined by end-of-line codes and closed by end-of-bitmap."""
    return b"\0\0".join(rle_rows(idx, four_bit, with_delta)) + b"\0\1"


def rle_with_skipped_rows(idx, four_bit):
    """Codes that jump over rows 1 and 2 (counted from the bottom) with one delta after the
    first end-of-line, so those rows decode as index 0."""
    rows = rle_rows(idx, four_bit)
    return rows[0] + b"\0\0" + bytes((0, 2, 0, 2)) + b"\0\0".join(rows[3:]) + b"\0\1"


# -- decoding with ImageMagick (the reference) --

def imagemagick_rgb(path):
    """The file's pixels as ImageMagick decodes them, alpha ignored: uint8 [h, w, 3]."""
    size = subprocess.run([CONVERT, path, "-format", "%w %h", "info:"], check=True,
                          capture_output=True, text=True).stdout.split()
    w, h = int(size[0]), int(size[1])
    raw = subprocess.run([CONVERT, path, "-alpha", "off", "-depth", "8", "rgb:-"], check=True,
                         capture_output=True).stdout
    return np.frombuffer(raw, np.uint8).reshape(h, w, 3)


def imagemagick_file(src_rgb, fmt, *options):
    """A file ImageMagick writes from a picture, as bytes."""
    buf = io.BytesIO()
    Image.fromarray(src_rgb).save(buf, "PNG")
    return subprocess.run([CONVERT, "png:-", *options, fmt + ":-"], input=buf.getvalue(),
                          check=True, capture_output=True).stdout


def pillow_file(image):
    buf = io.BytesIO()
    image.save(buf, "BMP")
    return buf.getvalue()


def expand_indexed(idx, pal):
    return np.asarray(pal, np.uint8)[idx]


def samples(seed=1):
    """[(file name, bytes, expected RGB [h, w, 3] or None to take ImageMagick's decoding)].

    Where ImageMagick is known to misread a valid file the expected pixels are given from
    what our writer meant."""
    out = []
    rgb = random_rgb(45, 31, seed)
    # ImageMagick's own files.
    out.append(("im_1bit.bmp", imagemagick_file(rgb, "BMP3", "-monochrome"), None))
    out.append(("im_4bit.bmp", imagemagick_file(rgb, "BMP3", "-colors", "16", "-type",
                                                "palette", "-compress", "none"), None))
    out.append(("im_8bit.bmp", imagemagick_file(rgb, "BMP3", "-colors", "200", "-type",
                                                "palette", "-compress", "none"), None))
    out.append(("im_rle8.bmp", imagemagick_file(rgb, "BMP3", "-colors", "120", "-type",
                                                "palette", "-compress", "RLE"), None))
    out.append(("im_24bit.bmp", imagemagick_file(rgb, "BMP3", "-type", "truecolor"), None))
    out.append(("im_v5_24bit.bmp", imagemagick_file(rgb, "BMP", "-type", "truecolor"), None))
    out.append(("im_565.bmp", imagemagick_file(rgb, "BMP", "-define", "bmp:subtype=RGB565"),
                None))
    out.append(("im_555.bmp", imagemagick_file(rgb, "BMP", "-define", "bmp:subtype=RGB555"),
                None))
    out.append(("im_v5_32bit.bmp", imagemagick_file(rgb, "BMP", "-alpha", "set", "-channel",
                                                    "A", "-evaluate", "set", "60%"), None))
    out.append(("im_core.bmp", imagemagick_file(rgb, "BMP2", "-type", "truecolor"), None))
    # Pillow's files.
    pim = Image.fromarray(rgb)
    out.append(("pil_1bit.bmp", pillow_file(pim.convert("1")), None))
    out.append(("pil_grey.bmp", pillow_file(pim.convert("L")), None))
    out.append(("pil_pal.bmp", pillow_file(pim.convert("P", palette=Image.ADAPTIVE,
                                                        colors=77)), None))
    out.append(("pil_24bit.bmp", pillow_file(pim), None))
    rgba = Image.fromarray(np.dstack([rgb, rng(seed).integers(0, 256, rgb.shape[:2])
                                      .astype(np.uint8)]), "RGBA")
    # 32 bits, 40-byte header, fourth byte random: not alpha; ImageMagick takes it as alpha,
    # which -alpha off undoes.
    out.append(("pil_32bit.bmp", pillow_file(rgba), rgb))
    # Our own files.
    idx, pal = random_indexed(45, 31, 256, seed + 1)
    out.append(("own_8bit_clr0.bmp",
                write_bmp(45, 31, 8, pack_rows(idx, 8), pal, clr_used=0), None))
    idx16, pal16 = random_indexed(45, 31, 16, seed + 2)
    out.append(("own_8bit_clr16.bmp", write_bmp(45, 31, 8, pack_rows(idx16, 8), pal16),
                None))
    out.append(("own_555.bmp", write_bmp(45, 31, 16, pack_rows(rgb, 16, (0x7C00, 0x3E0, 0x1F)),
                                         None), None))
    out.append(("own_32bit_plain.bmp",
                write_bmp(45, 31, 32, pack_rows(rgb, 32, (0xFF0000, 0xFF00, 0xFF), fourth=0x5A),
                          None), rgb))
    out.append(("own_32bit_masks.bmp",
                write_bmp(45, 31, 32, pack_rows(rgb, 32, (0xFF, 0xFF00, 0xFF0000)), None,
                          compression=3, masks=(0xFF, 0xFF00, 0xFF0000)), None))
    out.append(("own_v4_565.bmp",
                write_bmp(45, 31, 16, pack_rows(rgb, 16, (0xF800, 0x7E0, 0x1F)), None,
                          header=108, compression=3, masks=(0xF800, 0x7E0, 0x1F)), None))
    out.append(("own_v4_8bit.bmp", write_bmp(45, 31, 8, pack_rows(idx, 8), pal, header=108),
                None))
    out.append(("own_topdown_24.bmp",
                write_bmp(45, 31, 24, pack_rows(rgb[::-1], 24), None, top_down=True), rgb))
    out.append(("own_topdown_8.bmp",
                write_bmp(45, 31, 8, pack_rows(idx[::-1], 8), pal, top_down=True),
                expand_indexed(idx, pal)))
    out.append(("own_gap.bmp", write_bmp(45, 31, 24, pack_rows(rgb, 24), None, gap=20), None))
    out.append(("own_core_8bit.bmp", write_bmp(45, 31, 8, pack_rows(idx, 8), pal, header=12),
                None))
    # A core file holding only the first 20 of its colours, as bfOffBits shows: indices 20 to
    # 29 lie past the table and show black.
    sidx, spal = random_indexed(45, 31, 30, seed + 4)
    shown = spal.copy()
    shown[20:] = 0
    out.append(("own_core_short_table.bmp",
                write_bmp(45, 31, 8, pack_rows(sidx, 8), spal, header=12, table_entries=20),
                expand_indexed(sidx, shown)))
    ridx = idx16.copy()
    ridx[5:9, 3:30] = 0  # runs of index 0 become deltas
    ridx[20, :] = 7
    out.append(("own_rle8.rle", write_bmp(45, 31, 8, rle_encode(ridx, False), pal16,
                                          compression=1), None))
    out.append(("own_rle8_skip.rle", write_bmp(45, 31, 8, rle_with_skipped_rows(ridx, False),
                                               pal16, compression=1), None))
    # RLE4: Pillow misreads these; ImageMagick reads them right.
    out.append(("own_rle4.bmp", write_bmp(45, 31, 4, rle_encode(ridx, True), pal16,
                                          compression=2), None))
    return out


def width_samples(seed=3):
    """Widths 1 to 33, each at one of the depths in turn."""
    out = []
    depths = [1, 4, 8, 16, 24, 32]
    for w in range(1, 34):
        bits = depths[w % len(depths)]
        h = 3 + w % 5
        rgb = random_rgb(w, h, seed + w)
        if bits <= 8:
            idx, pal = random_indexed(w, h, 1 << bits, seed + w)
            data = write_bmp(w, h, bits, pack_rows(idx, bits), pal)
        elif bits == 16:
            data = write_bmp(w, h, 16, pack_rows(rgb, 16, (0x7C00, 0x3E0, 0x1F)), None)
        else:
            data = write_bmp(w, h, bits, pack_rows(rgb, bits, (0xFF0000, 0xFF00, 0xFF)), None)
        out.append(("w%02d_%dbit.bmp" % (w, bits), data, None))
    return out


def reference(path, expected):
    return expected if expected is not None else imagemagick_rgb(path)
