"""Loading flics into the real converter on Wine through its Open dialog: frame 1 on screen
as our writer meant it (and as Pillow and ffmpeg decode it where they decode it right), the
title and window size, the messages for files that are not valid, and hostile files that
must not crash or hang the program."""
import os
import subprocess
import unittest

from PIL import Image

from converter_e2e import (CMD_WRITE, SAVE_TITLE, Converter, WineTestCase, crop_rgb,
                           expected_window_size, rgb_of)
import flicwriter as fw
import hostile

C4, C11 = fw.COLOR_256, fw.COLOR_64

# name, fli, width, height, colour chunk, frame 1 chunk
MOVIES = [
    ("wide.flc", False, 320, 200, C4, "brun"),
    ("odd.flc", False, 321, 60, C11, "literal"),
    ("vga.flc", False, 640, 100, C4, "literal"),
    ("thin.flc", False, 1, 120, C11, "brun"),
    ("classic.fli", True, 320, 200, C11, "brun"),
    ("odd.fli", True, 321, 100, C11, "literal"),
    ("vga.fli", True, 640, 200, C11, "brun"),
    ("thin.fli", True, 1, 150, C11, "literal"),
]


def ffmpeg_first_frame(path, width, height):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-frames:v", "1", "-f", "rawvideo",
                          "-pix_fmt", "pal8", "-"], capture_output=True, check=True).stdout
    return raw[:width * height]


class ConverterLoadTest(WineTestCase):
    def setUp(self):
        self.conv = Converter(self.session)
        self.addCleanup(self.conv.stop)
        self.conv.skip_start_dialog()

    def write(self, name, data):
        return self.data_file(name, data)

    def test_frame_one_shows_as_the_writer_meant_it(self):
        c, w = self.conv, self.wctl
        for name, fli, width, height, colour, first in MOVIES:
            with self.subTest(movie=name):
                frames = fw.moving_frames(width, height, 3, seed=len(name))
                pal = fw.sample_palette(colour)
                path = self.write(name, fw.movie(fli, width, height, frames, pal, colour, first))
                self.assertEqual("%s (3 Frames)" % name, c.load_ok(path))
                image = c.capture(width, height)  # a narrow window's menu may take rows
                shot, seen = image.tobytes(), image.size
                self.assertGreaterEqual(seen[1], 50)
                meant = fw.meant_palette(pal, colour)
                expect = lambda rgb: crop_rgb(rgb, width, seen)
                self.assertEqual(expect(rgb_of(frames[0], meant)), shot, "frame 1 on screen")
                with Image.open(path) as im:
                    self.assertEqual(expect(im.convert("RGB").tobytes()), shot, "as Pillow shows it")
                if not (first == "literal" and width % 4):
                    self.assertEqual(expect(rgb_of(ffmpeg_first_frame(path, width, height), meant)),
                                     shot, "ffmpeg's indices through our palette")
                if width >= 320:
                    self.assertEqual(expected_window_size(w, width, height), w.info(c.main).size)

    def test_title_keeps_the_name_as_chosen_and_counts_the_frames(self):
        c = self.conv
        path = self.write("Robot.flc", fw.movie(False, 8, 4, fw.moving_frames(8, 4, 120),
                                                fw.sample_palette(), deltas="ss2"))
        self.assertEqual("Robot.flc (120 Frames)", c.load_ok(path))
        one = self.write("One.flc", fw.movie(False, 8, 4, fw.moving_frames(8, 4, 1),
                                             fw.sample_palette()))
        self.assertEqual("One.flc (1 Frames)", c.load_ok(one))

    def test_window_is_capped_at_the_screen(self):
        c, w = self.conv, self.wctl
        width, height = 1100, 800
        img = bytes((x // 50 + y // 50) % 256 for y in range(height) for x in range(width))
        path = self.write("huge.flc", fw.movie(False, width, height, [img], fw.sample_palette(),
                                               first="literal"))
        c.load_ok(path)
        self.assertEqual((w.metric(0), w.metric(1)), w.info(c.main).size)
        # The window is smaller than the frame: it shows the frame's top-left part, unscaled.
        shot = c.capture(width, height)
        self.assertTrue(shot.size[0] < width and shot.size[1] < height, shot.size)
        self.assertEqual(crop_rgb(rgb_of(img, fw.meant_palette(fw.sample_palette())), width,
                                  shot.size), shot.tobytes())

    def expect_refused(self, path, text):
        c, w = self.conv, self.wctl
        before = (c.title(), w.info(c.main).size)
        c.load(path)
        box, shown = c.message_box(owner=c.main)
        self.assertEqual(text[:127], shown)
        c.dismiss(box)
        self.assertEqual(before, (c.title(), w.info(c.main).size), "title and size as they were")
        w.redraw(c.main)
        shot = c.capture(64, 32)
        self.assertEqual({(255, 255, 255)}, set(shot.getdata()), "no movie is drawn")
        c.command(CMD_WRITE)
        c.sync()
        self.assertIsNone(w.try_find(cls="#32770", title=SAVE_TITLE), "no movie to write")

    def test_files_that_are_not_valid_are_named_in_upper_case(self):
        c = self.conv
        good = fw.movie(False, 200, 80, fw.moving_frames(200, 80, 2), fw.sample_palette())
        fli = fw.movie(True, 200, 80, fw.moving_frames(200, 80, 2), fw.sample_palette(C11), C11)
        c.load_ok(self.write("fine.flc", good))
        cases = [
            ("fli_named.flc", fli, "FLC"),
            ("magic.flc", good[:4] + b"\x34\x12" + good[6:], "FLC"),
            ("magic.fli", fli[:4] + b"\x12\xaf" + fli[6:], "FLI"),
            ("offset.flc", good[:80] + (200).to_bytes(4, "little") + good[84:], "FLC"),
            ("cut.flc", good[:128 + 300], "FLC"),
            ("cut.fli", fli[:128 + 100], "FLI"),
            (os.path.join("old.flix", "inside.flc"), good, "FLI"),
        ]
        for name, data, kind in cases:
            with self.subTest(file=name):
                path = self.write(name, data)
                text = "'%s' is NOT a valid %s file" % (self.session.windows_path(path).upper(),
                                                        kind)
                self.expect_refused(path, text)

    def test_hostile_files_neither_crash_nor_hang_the_program(self):
        c, w = self.conv, self.wctl
        for name, data in hostile.files():
            with self.subTest(file=name):
                path = self.write(name, data)
                c.load(path)
                box = w.try_find(cls="#32770", owner=c.main) or \
                    w.try_find(cls="#32770", title="AVI Write")
                if box:
                    c.dismiss(box)
                c.sync()
                self.assertTrue(c.proc.running())
        self.assertEqual(0, c.exit())


if __name__ == "__main__":
    unittest.main()
