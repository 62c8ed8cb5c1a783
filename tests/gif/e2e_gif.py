"""GIF files opened in the real viewer through its Open dialog on Wine, checked on screen at 24
bits pixel for pixel against Pillow's decoding with the two low bits of each channel cleared:
giflib's pictures, and our own files for 87a and 89a, extensions of every kind, interlaced
heights 1 to 17, minimum code sizes 2 to 8, local tables, animations, the size limit and
truncated data; broken files never crash the viewer.

    e2e_gif.py GIFLIB_PICTURE_DIR [unittest arguments]
"""
import os
import sys
import unittest

import numpy as np
from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import gif_samples as gs  # noqa: E402
from reader_e2e import ReaderTestCase, corpus_sample, damaged_files, mismatch  # noqa: E402

PICTURES = sys.argv.pop(1) if len(sys.argv) > 1 and not sys.argv[1].startswith("-") else ""


class GifTestCase(ReaderTestCase):
    def check(self, name, data, want=None):
        """Opens the file and checks the picture against `want`, and `want` against Pillow."""
        path = self.data_file(name, data)
        ref = gs.pillow_rgb(path)
        if want is None:
            want = ref
        self.assertIsNone(mismatch(ref, want), "%s: Pillow reads something else" % name)
        child = self.viewer.open(path)
        self.assertEqual(name, self.wctl.info(child).title)
        self.assert_shows(child, want, name)
        self.viewer.close_child(child)

    def check_indexed(self, name, pixels, palette, **kw):
        self.check(name, gs.write_gif(pixels, palette, **kw),
                   gs.expected_rgb(pixels, kw.get("local") or palette))


class GiflibPictures(GifTestCase):
    def test_giflib_pictures_show_as_pillow_decodes_them(self):
        names = sorted(n for n in os.listdir(PICTURES) if n.endswith(".gif"))
        self.assertGreaterEqual(len(names), 8, PICTURES)
        for name in names:
            with self.subTest(file=name):
                with open(os.path.join(PICTURES, name), "rb") as f:
                    self.check(name, f.read())


class GeneratedFiles(GifTestCase):
    def test_87a_and_89a_with_extensions_of_every_kind(self):
        px = gs.pattern(45, 33, 64, 1)
        pal = gs.colour_table(64, 1)
        self.check_indexed("plain87.gif", px, pal, version="87a")
        self.check_indexed("plain89.gif", px, pal)
        extensions = [gs.graphic_control(20, 5), gs.comment("made for a test " * 30),
                      gs.application(), gs.plain_text("some text"),
                      gs.extension(0x42, b"\x2c\x3b\x21 not a block")]
        self.check_indexed("extensions.gif", px, pal, extensions=extensions)

    def test_interlaced_images_of_heights_1_to_17(self):
        for h in range(1, 18):
            with self.subTest(height=h):
                px = gs.pattern(23, h, 32, h)
                self.check_indexed("interlaced%02d.gif" % h, px, gs.colour_table(32, h),
                                   interlaced=True)

    def test_every_minimum_code_size_from_2_to_8(self):
        for s in range(2, 9):
            with self.subTest(code_size=s):
                px = gs.pattern(71, 40, 1 << s, s)
                self.check_indexed("codesize%d.gif" % s, px, gs.colour_table(1 << s, s), s=s)
        # A wide table kept full without clear codes, and a stream without a leading clear.
        px = gs.pattern(320, 200, 256, 9)
        self.check_indexed("fulltable.gif", px, gs.colour_table(256, 9),
                           lzw=dict(clear_when_full=False))
        px = gs.pattern(50, 30, 16, 10)
        self.check_indexed("noclear.gif", px, gs.colour_table(16, 10),
                           lzw=dict(leading_clear=False))

    def test_local_colour_tables_are_the_images_palette(self):
        px = gs.pattern(40, 25, 8, 3)
        local = gs.colour_table(8, 33)
        self.check_indexed("local.gif", px, gs.colour_table(256, 3), local=local)
        self.check_indexed("localonly.gif", px, None, local=local)
        self.check_indexed("localinterlaced.gif", px, None, local=local, interlaced=True)

    def test_animation_shows_its_first_frame_only(self):
        px = gs.pattern(30, 20, 16, 4)
        pal = gs.colour_table(16, 4)
        later = [gs.graphic_control(10), gs.image_block(gs.pattern(64, 48, 16, 5)),
                 gs.graphic_control(10), gs.image_block(gs.pattern(10, 10, 16, 6), (3, 3))]
        self.check_indexed("animation.gif", px, pal, screen=(64, 48), pos=(9, 11),
                           extensions=[gs.application(), gs.graphic_control(10)], more=later)

    def test_largest_image_opens_whole_and_one_pixel_more_is_refused(self):
        rng = np.random.default_rng(7)
        img = Image.fromarray(rng.integers(0, 256, (2048, 2048, 3), dtype=np.uint8))
        big = os.path.join(self.data, "big2048.gif")
        img.quantize(256, dither=Image.Dither.NONE).save(big)
        with open(big, "rb") as f:
            self.check("big2048.gif", f.read())
        for w, h in ((2049, 8), (8, 2049)):
            with self.subTest(size=(w, h)):
                name = "big%dx%d.gif" % (w, h)
                data = gs.write_gif(np.zeros((h, w), np.uint8), gs.colour_table(4))
                self.assert_empty(self.open_file(name, data), palette=False, what=name)

    def test_truncated_data_shows_the_rows_before_the_cut(self):
        px = gs.pattern(60, 90, 256, 12)
        pal = gs.colour_table(256, 12)
        for interlaced in (False, True):
            trace = []
            data = gs.write_gif(px, pal, interlaced=interlaced, trace=trace)
            start = 13 + 768 + 10 + 1  # the first sub-block's length byte
            for blocks in (2, 5):
                with self.subTest(interlaced=interlaced, blocks=blocks):
                    cut = data[:start + blocks * 256 + 40]
                    # the codes wholly inside the complete sub-blocks, whole rows of them
                    done = max([p for b, p in trace if b <= blocks * 255 * 8] + [0])
                    rows = (gs.interlace_order(90) if interlaced else list(range(90)))
                    shown = np.zeros_like(px)
                    for r in rows[:done // 60]:
                        shown[r] = px[r]
                    name = "cut%d%s.gif" % (blocks, "i" if interlaced else "")
                    child = self.open_file(name, cut)
                    self.assert_shows(child, gs.expected_rgb(shown, pal), name)
                    self.viewer.close_child(child)


def broken_files():
    """[(name, bytes)]: hand-made faults and seeded random damage to good files."""
    px = gs.pattern(40, 30, 256, 20)
    pal = gs.colour_table(256, 20)
    good = gs.write_gif(px, pal)
    small = gs.write_gif(gs.pattern(9, 9, 4, 21), gs.colour_table(4))
    start = 13 + 768 + 10
    files = [
        ("empty.gif", b""),
        ("signature_only.gif", b"GIF89a"),
        ("header_only.gif", good[:13]),
        ("table_cut.gif", good[:200]),
        ("descriptor_cut.gif", good[:13 + 768 + 4]),
        ("no_tables.gif", gs.write_gif(px[:4, :4], None)),
        ("zero_size.gif", gs.write_gif(np.zeros((0, 0), np.uint8), pal)),
        ("code_size_0.gif", good[:start] + b"\x00" + good[start + 1:]),
        ("code_size_12.gif", good[:start] + b"\x0c" + good[start + 1:]),
        ("code_size_255.gif", good[:start] + b"\xff" + good[start + 1:]),
        ("no_data.gif", good[:start + 1]),
        ("no_terminator.gif", good[:-2]),
        ("garbage_codes.gif", good[:start + 1] + gs.sub_blocks(bytes(range(256)) * 40)),
        ("endless_extension.gif", good[:13 + 768] + b"\x21\xfe" + b"\xff" * 5000),
        ("only_extensions.gif", good[:13 + 768] + gs.comment("x") * 200 + b"\x3b"),
        ("text.gif", b"GIF89a is what this text starts with, and nothing more\n" * 10),
    ]
    files += damaged_files([small, good], 20, seed=4, changes=7, keep=13, ext=".gif")
    return files + corpus_sample(HERE, "fuzz_gif", ".gif")


class BrokenFiles(GifTestCase):
    def test_broken_files_never_crash_or_hang_the_viewer(self):
        for name, data in broken_files():
            with self.subTest(file=name):
                self.assert_survives(name, data)

    def test_refused_files_leave_an_empty_child_without_palette(self):
        pal = gs.colour_table(4)
        cases = [("badsig.gif", b"GIF8Xa" + gs.write_gif(np.zeros((4, 4), np.uint8), pal)[6:]),
                 ("notable.gif", gs.write_gif(np.zeros((4, 4), np.uint8), None)),
                 ("noimage.gif", gs.write_gif(np.zeros((4, 4), np.uint8), pal)[:13 + 12] +
                  b"\x3b")]
        for name, data in cases:
            with self.subTest(file=name):
                self.assert_empty(self.open_file(name, data), palette=False, what=name)


if __name__ == "__main__":
    unittest.main(verbosity=2)
