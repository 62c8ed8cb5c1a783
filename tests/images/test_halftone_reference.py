"""HalftoneDib compared bit for bit with an independent reduction written from the tables
(halftone_reference.py) on random 24-bit and 8-bit images of assorted sizes.

    test_halftone_reference.py path/to/halftone_dump
"""
import os
import subprocess
import sys
import tempfile
import unittest

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bmp_samples as bs  # noqa: E402
import halftone_reference as hr  # noqa: E402

TOOL = None


def viewer_halftone(data, w, h):
    with tempfile.TemporaryDirectory() as tmp:
        src, out = os.path.join(tmp, "in.bmp"), os.path.join(tmp, "out.raw")
        with open(src, "wb") as f:
            f.write(data)
        subprocess.run([TOOL, src, out], check=True, timeout=60)
        with open(out, "rb") as f:
            return np.frombuffer(f.read(), np.uint8).reshape(h, w)  # bottom row first


class HalftoneMatchesTheReference(unittest.TestCase):
    def check(self, rgb_top_first, data):
        h, w = rgb_top_first.shape[:2]
        got = viewer_halftone(data, w, h)
        want = hr.halftone(rgb_top_first[::-1])
        diff = np.argwhere(got != want)
        self.assertEqual(0, len(diff), "first difference at (x, y from bottom) %r" %
                         (tuple(diff[0][::-1]) if len(diff) else None,))

    def test_random_24_bit_images(self):
        r = np.random.default_rng(5)
        for w, h in ((1, 1), (7, 3), (64, 64), (333, 121), (1000, 17)):
            with self.subTest(size=(w, h)):
                rgb = r.integers(0, 256, (h, w, 3)).astype(np.uint8)
                self.check(rgb, bs.write_bmp(w, h, 24, bs.pack_rows(rgb, 24), None))

    def test_random_8_bit_images(self):
        for seed, (w, h, colours) in enumerate(((5, 9, 256), (97, 61, 256), (250, 40, 16))):
            with self.subTest(size=(w, h, colours)):
                idx, pal = bs.random_indexed(w, h, colours, 60 + seed)
                self.check(bs.expand_indexed(idx, pal),
                           bs.write_bmp(w, h, 8, bs.pack_rows(idx, 8), pal))

    def test_every_channel_value_under_every_threshold(self):
        # Rows of 256 values in each channel cover all levels and remainders, 8 rows deep
        # so that every threshold meets every value.
        v = np.arange(256, dtype=np.uint8)
        rgb = np.zeros((24, 256 * 8, 3), np.uint8)
        for ch in range(3):
            rgb[ch * 8:(ch + 1) * 8, :, ch] = np.repeat(v, 8)[None, :]
        h, w = rgb.shape[:2]
        self.check(rgb, bs.write_bmp(w, h, 24, bs.pack_rows(rgb, 24), None))


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    unittest.main()
