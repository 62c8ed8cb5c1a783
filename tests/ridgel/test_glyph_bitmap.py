#!/usr/bin/env python3
"""The glyph bitmap as our generator draws it, read back with Pillow (an independent BMP
reader): its size and format, the four colours, and the pictures of the cells.

    test_glyph_bitmap.py path/to/make_glyphs.py
"""
import os
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

GENERATOR = None
BLACK, DARK, LIGHT, WHITE = (0, 0, 0), (128, 128, 128), (192, 192, 192), (255, 255, 255)


class GlyphBitmap(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        fd, cls.path = tempfile.mkstemp(suffix=".bmp")
        os.close(fd)
        subprocess.run([sys.executable, GENERATOR, cls.path], check=True)
        with open(cls.path, "rb") as f:
            cls.raw = f.read()
        with Image.open(cls.path) as im:
            cls.mode = im.mode
            cls.palette_size = len(im.getpalette()) // 3 if im.getpalette() else 0
            cls.rgb = im.convert("RGB")

    @classmethod
    def tearDownClass(cls):
        os.unlink(cls.path)

    def px(self, column, row, x, y):
        return self.rgb.getpixel((13 * column + x, 13 * row + y))

    def cell(self, column, row):
        return [[self.px(column, row, x, y) for x in range(13)] for y in range(13)]

    def test_format_is_78_by_27_at_4_bits_with_16_colours(self):
        self.assertEqual((78, 27), self.rgb.size)
        self.assertEqual("P", self.mode)
        self.assertEqual(b"BM", self.raw[:2])
        self.assertEqual(4, int.from_bytes(self.raw[28:30], "little"), "bits per pixel")
        self.assertEqual(16, int.from_bytes(self.raw[46:50], "little"), "colours used")
        self.assertEqual(0, int.from_bytes(self.raw[30:34], "little"), "uncompressed")

    def test_only_the_four_colours_occur_and_the_last_line_is_light_grey(self):
        used = {c for _, c in self.rgb.getcolors(256)}
        self.assertLessEqual(used, {BLACK, DARK, LIGHT, WHITE})
        self.assertEqual({LIGHT}, {self.rgb.getpixel((x, 26)) for x in range(78)})

    def check_sunken_box(self, column, interior):
        c = self.cell(column, 0)
        for y, x in ((0, 0), (0, 12), (12, 0), (12, 12)):
            self.assertEqual(LIGHT, c[y][x], "corner %d,%d" % (x, y))
        for i in range(1, 12):
            self.assertEqual(DARK, c[0][i], "outer top")
            self.assertEqual(DARK, c[i][0], "outer left")
            self.assertEqual(WHITE, c[12][i], "outer bottom")
            self.assertEqual(WHITE, c[i][12], "outer right")
        for i in range(1, 11):
            self.assertEqual(BLACK, c[1][i], "inner top")
            self.assertEqual(BLACK, c[i][1], "inner left")
        for i in range(2, 12):
            self.assertEqual(LIGHT, c[11][i], "inner bottom")
            self.assertEqual(LIGHT, c[i][11], "inner right")
        return {c[y][x] for y in range(2, 11) for x in range(2, 11)}

    def test_unchecked_boxes_have_a_plain_9_by_9_interior(self):
        self.assertEqual({WHITE}, self.check_sunken_box(0, WHITE))
        self.assertEqual({DARK}, self.check_sunken_box(1, DARK))

    def test_checked_boxes_carry_a_7_by_7_cross(self):
        for column, ground, ink in ((2, WHITE, BLACK), (3, DARK, WHITE)):
            inside = self.check_sunken_box(column, ground)
            self.assertIn(ink, inside)
            c = self.cell(column, 0)
            # The cross's ends touch the corners of the 7 x 7 square at x, y = 3..9 ...
            for x, y in ((3, 3), (9, 3), (3, 9), (9, 9), (6, 6)):
                self.assertEqual(ink, c[y][x], "cross at %d,%d" % (x, y))
            # ... and leaves a ring of the ground colour around it.
            for i in range(2, 11):
                for x, y in ((i, 2), (i, 10), (2, i), (10, i)):
                    self.assertEqual(ground, c[y][x], "border at %d,%d" % (x, y))
            # Between its arms at the middle of each side: ground, not ink.
            self.assertEqual(ground, c[3][6])
            self.assertEqual(ground, c[6][3])
        self.assertIn(DARK, {p for row in self.cell(2, 0) for p in row[2:11]}, "dark notch pixels")

    def test_indeterminate_squares_fill_the_cell_raised_then_sunken(self):
        raised, sunken = self.cell(4, 0), self.cell(5, 0)
        for c, light_edge, dark_edge in ((raised, WHITE, BLACK), (sunken, BLACK, WHITE)):
            self.assertEqual(light_edge, c[0][5])
            self.assertEqual(light_edge, c[5][0])
            self.assertEqual(dark_edge, c[12][5])
            self.assertEqual(dark_edge, c[5][12])
            self.assertEqual({DARK}, {c[y][x] for y in range(1, 12) for x in range(1, 12)})

    def test_round_buttons(self):
        for column, disc, dot in ((0, WHITE, None), (1, DARK, None), (2, WHITE, BLACK),
                                  (3, DARK, WHITE)):
            c = self.cell(column, 1)
            self.assertEqual(LIGHT, c[0][0], "outside the ring")
            self.assertEqual(LIGHT, c[12][12])
            self.assertEqual(disc, c[6][3], "disc left of the middle")
            self.assertIn(c[2][2], (BLACK, DARK), "dark toward the upper left")
            self.assertIn(c[10][10], (DARK, WHITE), "light toward the lower right")
            self.assertIn(c[0][6], (BLACK, DARK))
            self.assertIn(c[12][6], (DARK, WHITE))
            middle = {c[y][x] for y in range(5, 8) for x in range(5, 8)}
            if dot is None:
                self.assertEqual({disc}, middle)
            else:
                self.assertEqual({dot}, middle, "5 x 5 dot")
                self.assertEqual(dot, c[4][6])
                self.assertEqual(dot, c[6][8])
                self.assertEqual(disc, c[6][9], "the dot is 5 wide")
        self.assertEqual(DARK, self.px(2, 1, 4, 4), "the dot's corners are rounded")

    def test_empty_cell_and_face(self):
        self.assertEqual({LIGHT}, {p for row in self.cell(4, 1) for p in row})
        self.assertEqual({LIGHT, BLACK}, {p for row in self.cell(5, 1) for p in row})


if __name__ == "__main__":
    GENERATOR = sys.argv.pop(1)
    unittest.main()
