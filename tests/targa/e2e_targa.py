"""Targa files opened in the real viewer through its Open dialog on Wine, checked on screen at
24 bits pixel for pixel: 15, 16, 24 and 32 bits, raw and run-length, both origins, with an
image ID and a colour map, width 1, a large image scrolled to its end; refused and broken
files leave an empty child and never crash the viewer.

The reference is Pillow's decoding, with five-bit channels cut to their top five bits (we
scale by a plain shift). Pillow 9.4 reads no 15-bit files and stops at run-length packets
that cross a row end in 24-bit files (both valid), and ImageMagick 6.9.11 turns bottom-left
images upside down: so Pillow decodes a companion file of the same pixels that it reads
right (raw coding; 16 bits for 15, the same bytes), and that decoding must also equal the
pixels we wrote.
"""
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import tga_samples as ts  # noqa: E402
from reader_e2e import ReaderTestCase, corpus_sample, damaged_files, mismatch  # noqa: E402


class TargaTestCase(ReaderTestCase):
    def reference(self, name, values, depth, top_left):
        companion = self.data_file("ref_" + name,
                                   ts.write_tga(values, 16 if depth == 15 else depth, False,
                                                top_left))
        rgb = ts.pillow_rgb(companion)
        return rgb & 0xF8 if depth in (15, 16) else rgb

    def check(self, name, rgb, depth, **kw):
        values = ts.values_from_rgb(rgb, depth)
        want = ts.expected_rgb(rgb, depth)
        ref = self.reference(name, values, depth, kw.get("top_left", False))
        self.assertIsNone(mismatch(ref, want), "%s: Pillow reads something else" % name)
        child = self.open_file(name, ts.write_tga(values, depth, **kw))
        self.assert_shows(child, want, name)
        self.viewer.close_child(child)


class TargaOnScreen(TargaTestCase):
    def test_every_depth_coding_and_origin(self):
        for depth in (15, 16, 24, 32):
            for rle in (False, True):
                for top_left in (False, True):
                    name = "d%d%s%s.tga" % (depth, "rle" if rle else "raw",
                                            "top" if top_left else "bottom")
                    with self.subTest(file=name):
                        self.check(name, ts.picture(61, 37, depth), depth, rle=rle,
                                   top_left=top_left)

    def test_image_id_colour_map_width_1_and_short_packets(self):
        rgb = ts.picture(43, 29, 5)
        self.check("idmap.tga", rgb, 24, rle=True, id_length=255, map_type=1, map_length=256)
        self.check("idmap_15bit_entries.tga", rgb, 32, id_length=17, map_type=1, map_length=40, map_bits=15)
        self.check("width1.tga", ts.picture(1, 40, 6), 24)
        self.check("width1rle.tga", ts.picture(1, 40, 6), 16, rle=True, top_left=True)
        self.check("short_packets.tga", rgb, 24, rle=True, max_packet=3)

    def test_large_run_length_image_shows_to_its_end(self):
        self.check("large.tga", ts.picture(1300, 1000, 8), 24, rle=True)


def refused_files():
    """[(name, bytes, palette left in the slot)]."""
    v = ts.values_from_rgb(ts.picture(12, 10, 9), 24)
    good = ts.write_tga(v, 24)
    rle = ts.write_tga(v, 24, rle=True)
    files = [("type%d.tga" % t, ts.write_tga(v, 24, image_type=t), False) for t in (0, 1, 3, 9, 11)]
    files += [
        ("interleaved.tga", ts.write_tga(v, 24, descriptor=0x40), True),
        ("interleaved4.tga", ts.write_tga(v, 24, descriptor=0x80), True),
        ("header_cut.tga", good[:11], False),
        ("id_cut.tga", ts.write_tga(v, 24, id_length=200)[:100], False),
        ("pixels_cut.tga", good[:-3], True),
        ("packets_cut.tga", rle[:len(rle) // 2], True),
        ("huge.tga", good[:12] + b"\xff\xff\xff\xff" + good[16:], False),
        ("zero_width.tga", good[:12] + b"\x00\x00" + good[14:], False),
    ]
    return files


def broken_files():
    v = ts.values_from_rgb(ts.picture(20, 15, 10), 32)
    goods = [ts.write_tga(v, 32, rle=True), ts.write_tga(v & 0xFFFF, 16, top_left=True)]
    files = [("empty.tga", b""), ("one.tga", b"\x00"),
             ("run_past_end.tga", goods[0][:18] + b"\xff\x01\x02\x03\x04" * 8),
             ("raw_past_end.tga", goods[0][:18] + b"\x7f" + bytes(range(256)) * 4),
             ("text.tga", b"not a picture\n" * 30)]
    files += damaged_files(goods, 16, seed=5, changes=5, keep=18, ext=".tga")
    return files + corpus_sample(HERE, "fuzz_targa", ".tga")


class RefusedAndBrokenFiles(TargaTestCase):
    def test_refused_files_leave_an_empty_child_and_the_palette_as_the_reader_made_it(self):
        for name, data, palette in refused_files():
            with self.subTest(file=name):
                child = self.open_file(name, data)
                self.assert_empty(child, palette, name)
                self.viewer.close_child(child)

    def test_broken_files_never_crash_or_hang_the_viewer(self):
        for name, data in broken_files():
            with self.subTest(file=name):
                self.assert_survives(name, data)


if __name__ == "__main__":
    unittest.main(verbosity=2)
