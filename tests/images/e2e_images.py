"""Bitmap files opened in the real viewer through its Open dialog on Wine, checked on screen at
24 bits against ImageMagick's decoding: every depth and header kind, RLE, top-down rows,
widths 1 to 33, scrolling to the end of a large image, halftone mode, thumbnails, the GDI
objects a child owns, memory over many opens, and broken files."""
import os
import struct
import sys
import unittest

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bmp_samples as bs  # noqa: E402
import halftone_reference as hr  # noqa: E402
import winharness  # noqa: E402
from e2e import OBJ_BITMAP, OBJ_PAL, ViewerTestCase, mismatch, wait_until  # noqa: E402


class ImagesTestCase(ViewerTestCase):
    def write(self, name, data):
        return self.data_file(name, data)

    def open_and_capture(self, path, w, h):
        child = self.viewer.open(path)
        return child, np.asarray(self.viewer.capture_image(child, w, h))


class BitmapFilesOnScreen(ImagesTestCase):
    def check_files(self, files):
        for name, data, expected in files:
            with self.subTest(file=name):
                path = self.write(name, data)
                want = bs.reference(path, expected)
                h, w = want.shape[:2]
                child, got = self.open_and_capture(path, w, h)
                self.assertEqual(name, self.wctl.info(child).title)
                cw, ch = self.wctl.info(child).client_size
                self.assertGreaterEqual(cw, w, "the child shows the whole image width")
                self.assertEqual(h, ch, "the child is sized to the image height")
                self.assertIsNone(mismatch(got, want))
                self.viewer.close_child(child)

    def test_every_depth_header_and_coding_shows_the_reference_pixels(self):
        self.check_files(bs.samples())

    def test_widths_1_to_33_show_the_reference_pixels(self):
        self.check_files(bs.width_samples())

    def test_same_bytes_as_dib_give_the_same_window(self):
        for name, data, _ in bs.samples()[:3] + bs.samples()[-3:]:
            with self.subTest(file=name):
                bmp = self.write("same_" + name, data)
                dib = self.write("same_" + os.path.splitext(name)[0] + ".dib", data)
                a = self.viewer.open(bmp)
                ia = self.wctl.info(a)
                shot_a = np.asarray(self.viewer.capture_image(a, *ia.client_size))
                self.viewer.close_child(a)
                b = self.viewer.open(dib)
                ib = self.wctl.info(b)
                self.assertEqual(ia.client_size, ib.client_size)
                shot_b = np.asarray(self.viewer.capture_image(b, *ib.client_size))
                self.assertIsNone(mismatch(shot_b, shot_a))
                self.viewer.close_child(b)

    def test_image_larger_than_the_window_scrolls_to_its_end(self):
        rgb = bs.random_rgb(1100, 900, 11)
        path = self.write("large.bmp", bs.write_bmp(1100, 900, 24, bs.pack_rows(rgb, 24), None))
        child = self.viewer.open(path)
        self.wctl.post(child, winharness.WM_SYSCOMMAND, winharness.SC_MAXIMIZE)
        wait_until(lambda: self.wctl.info(child).zoomed, 10, "the child to maximise")
        self.viewer.sync()
        cw, ch = self.wctl.info(child).client_size
        self.assertLess(cw, 1100)
        self.assertLess(ch, 900)
        top_left = np.asarray(self.viewer.capture_image(child, cw, ch))
        self.assertIsNone(mismatch(top_left, rgb[:ch, :cw]))
        self.viewer.scroll_to(child, 5000, 5000)
        end = np.asarray(self.viewer.capture_image(child, cw, ch))
        self.assertIsNone(mismatch(end, rgb[900 - ch:, 1100 - cw:]))


class ScrollBarsFollowTheChildsSize(ImagesTestCase):
    WS_HSCROLL, WS_VSCROLL = 0x00100000, 0x00200000
    SB_LINEUP, SB_LINEDOWN, SB_PAGEDOWN, SB_THUMBTRACK = 0, 1, 3, 5

    def bars(self, child):
        """((position, minimum, maximum) horizontal, the same vertical, style bits)."""
        style = self.wctl.info(child).style & (self.WS_HSCROLL | self.WS_VSCROLL)
        return self.wctl.scroll_info(child, 0), self.wctl.scroll_info(child, 1), style

    def scroll(self, child, message, code, thumb=0):
        self.wctl.send(child, message, (thumb << 16) | code)
        self.viewer.sync()

    def test_shrinking_shows_bars_over_what_is_hidden_and_growing_back_hides_them(self):
        w, v = self.wctl, self.viewer
        rgb = bs.random_rgb(300, 200, 61)
        child = v.open(self.write("scroll.bmp", bs.write_bmp(300, 200, 24,
                                                             bs.pack_rows(rgb, 24), None)))
        fitted = w.info(child)
        self.assertEqual((300, 200), fitted.client_size)
        self.assertEqual(((0, 0, 0), (0, 0, 0), 0), self.bars(child), "no bars at the image size")

        x, y = v.position_in_client(child)
        w.move(child, x, y, fitted.size[0] - 100, fitted.size[1] - 80)
        v.sync()
        cw, ch = w.info(child).client_size
        self.assertEqual((200 - w.metric(2), 120 - w.metric(3)), (cw, ch),
                         "the client lost 100 x 80 pixels and the room of both bars")
        vmax, hmax = 200 - ch, 300 - cw
        self.assertEqual(((0, 0, hmax), (0, 0, vmax), self.WS_HSCROLL | self.WS_VSCROLL),
                         self.bars(child), "the maxima are the image minus the client with bars")

        line, page = ch // 16 + 1, cw // 2 + 1
        self.scroll(child, winharness.WM_VSCROLL, self.SB_LINEDOWN)
        self.scroll(child, winharness.WM_HSCROLL, self.SB_PAGEDOWN)
        self.assertEqual((page, line), (w.scroll_info(child, 0)[0], w.scroll_info(child, 1)[0]))
        got = np.asarray(v.capture_image(child, cw, ch))
        self.assertIsNone(mismatch(got, rgb[line:line + ch, page:page + cw]))

        self.scroll(child, winharness.WM_VSCROLL, self.SB_LINEUP)
        self.scroll(child, winharness.WM_VSCROLL, self.SB_LINEUP)  # already at the top
        self.assertEqual(0, w.scroll_info(child, 1)[0])
        got = np.asarray(v.capture_image(child, cw, ch))
        self.assertIsNone(mismatch(got, rgb[:ch, page:page + cw]))

        self.scroll(child, winharness.WM_VSCROLL, self.SB_THUMBTRACK, thumb=5000)
        self.assertEqual(vmax, w.scroll_info(child, 1)[0], "a thumb past the end stops there")
        got = np.asarray(v.capture_image(child, cw, ch))
        self.assertIsNone(mismatch(got, rgb[vmax:vmax + ch, page:page + cw]))

        w.move(child, x, y, *fitted.size)
        v.sync()
        self.assertEqual((300, 200), w.info(child).client_size)
        self.assertEqual(((0, 0, 0), (0, 0, 0), 0), self.bars(child), "the bars are gone again")
        self.assertIsNone(mismatch(np.asarray(v.capture_image(child, 300, 200)), rgb))


class HalftoneOnScreen(ImagesTestCase):
    def setUp(self):
        super().setUp()
        self.viewer.command(1005)  # Halftone on
        self.assertTrue(self.wctl.menu_state(self.viewer.frame, 1005)[0] & winharness.MF_CHECKED)

    def test_24_bit_image_shows_the_reference_dither(self):
        rgb = bs.random_rgb(67, 45, 21)
        path = self.write("ht24.bmp", bs.write_bmp(67, 45, 24, bs.pack_rows(rgb, 24), None))
        _, got = self.open_and_capture(path, 67, 45)
        want = hr.PALETTE[hr.halftone_top_down(rgb)]
        self.assertIsNone(mismatch(got, want))

    def test_8_bit_image_of_the_same_colours_gives_the_same_pixels(self):
        idx, pal = bs.random_indexed(53, 29, 256, 22)
        rgb = bs.expand_indexed(idx, pal)
        p24 = self.write("same24.bmp", bs.write_bmp(53, 29, 24, bs.pack_rows(rgb, 24), None))
        p8 = self.write("same8.bmp", bs.write_bmp(53, 29, 8, bs.pack_rows(idx, 8), pal))
        _, a = self.open_and_capture(p24, 53, 29)
        _, b = self.open_and_capture(p8, 53, 29)
        self.assertIsNone(mismatch(b, a))
        self.assertIsNone(mismatch(a, hr.PALETTE[hr.halftone_top_down(rgb)]))

    def test_16_and_32_bit_and_rle_images_are_reduced_too(self):
        rgb = bs.random_rgb(40, 24, 23)
        want = hr.PALETTE[hr.halftone_top_down(rgb)]
        p32 = self.write("ht32.bmp", bs.write_bmp(40, 24, 32, bs.pack_rows(
            rgb, 32, (0xFF0000, 0xFF00, 0xFF), fourth=0x33), None))
        _, got = self.open_and_capture(p32, 40, 24)
        self.assertIsNone(mismatch(got, want))
        idx, pal = bs.random_indexed(40, 24, 16, 24)
        prle = self.write("htrle.rle", bs.write_bmp(40, 24, 8, bs.rle_encode(idx, False), pal,
                                                    compression=1))
        _, got = self.open_and_capture(prle, 40, 24)
        self.assertIsNone(mismatch(got, hr.PALETTE[hr.halftone_top_down(
            bs.expand_indexed(idx, pal))]))

    def test_4_bit_image_keeps_its_own_palette(self):
        idx, pal = bs.random_indexed(30, 20, 16, 25)
        path = self.write("ht4.bmp", bs.write_bmp(30, 20, 4, bs.pack_rows(idx, 4), pal))
        _, got = self.open_and_capture(path, 30, 20)
        self.assertIsNone(mismatch(got, bs.expand_indexed(idx, pal)))


class ThumbnailsAndObjects(ImagesTestCase):
    def test_minimised_child_has_the_decimated_thumbnail(self):
        # On Wine a minimised MDI child is a 160 x 24 caption with an empty client area, so
        # the thumbnail never reaches the screen; its pixels are read from the bitmap the
        # child paints while minimised (window word 4).
        idx, pal = bs.random_indexed(640, 480, 256, 31)
        path = self.write("big8.bmp", bs.write_bmp(640, 480, 8, bs.pack_rows(idx, 8), pal))
        child = self.viewer.open(path)
        self.viewer.minimise(child)
        info = self.wctl.info(child)
        self.assertEqual((0, 0), info.client_size)
        _, thumb, _ = self.viewer.words(child)
        self.assertEqual((32, 32), self.wctl.bitmap_info(child, thumb)[:2])
        got = np.asarray(self.wctl.bitmap_image(child, thumb))
        bottom_up = bs.expand_indexed(idx, pal)[::-1]
        want = bottom_up[0:480:15][:32, 0:640:20][:32][::-1]
        self.assertIsNone(mismatch(got, want))
        self.viewer.restore(child)
        shown = np.asarray(self.viewer.capture_image(child, 64, 64))
        self.assertIsNone(mismatch(shown, bs.expand_indexed(idx, pal)[:64, :64]))

    def test_small_image_has_a_thumbnail_of_its_own_size(self):
        rgb = bs.random_rgb(20, 10, 32)
        path = self.write("small.bmp", bs.write_bmp(20, 10, 24, bs.pack_rows(rgb, 24), None))
        child = self.viewer.open(path)
        _, thumb, _ = self.viewer.words(child)
        self.assertEqual((20, 10), self.wctl.bitmap_info(child, thumb)[:2])
        self.assertIsNone(mismatch(np.asarray(self.wctl.bitmap_image(child, thumb)), rgb))

    def test_rle_and_4_bit_thumbnails_show_the_image(self):
        idx, pal = bs.random_indexed(64, 64, 16, 33)
        for name, data in (("t4.bmp", bs.write_bmp(64, 64, 4, bs.pack_rows(idx, 4), pal)),
                           ("t8.rle", bs.write_bmp(64, 64, 8, bs.rle_encode(idx, False), pal,
                                                   compression=1))):
            with self.subTest(file=name):
                child = self.viewer.open(self.write(name, data))
                _, thumb, _ = self.viewer.words(child)
                got = np.asarray(self.wctl.bitmap_image(child, thumb))
                want = bs.expand_indexed(idx, pal)[::-1][0:64:2, 0:64:2][::-1]
                self.assertIsNone(mismatch(got, want))
                self.viewer.close_child(child)

    def test_closing_a_child_deletes_its_three_objects_and_no_others(self):
        rgb = bs.random_rgb(40, 30, 34)
        path = self.write("objs.bmp", bs.write_bmp(40, 30, 24, bs.pack_rows(rgb, 24), None))
        first = self.viewer.open(path)
        second = self.viewer.open(path)
        frame = self.viewer.frame
        a, b = self.viewer.words(first), self.viewer.words(second)
        for handles in (a, b):
            self.assertEqual([OBJ_BITMAP, OBJ_BITMAP, OBJ_PAL],
                             [self.wctl.object_type(frame, h) for h in handles])
        self.viewer.close_child(first)
        self.assertEqual([0, 0, 0], [self.wctl.object_type(frame, h) for h in a])
        self.assertEqual([OBJ_BITMAP, OBJ_BITMAP, OBJ_PAL],
                         [self.wctl.object_type(frame, h) for h in b])

    def test_two_hundred_opens_and_closes_do_not_grow_the_process(self):
        idx, pal = bs.random_indexed(200, 150, 256, 35)
        path = self.write("many.bmp", bs.write_bmp(200, 150, 8, bs.pack_rows(idx, 8), pal))
        frame = self.viewer.frame
        # Private KiB after 10 opens (the warm-up), then after every 50 more. The platform
        # grows the process once at a time of its own choosing (seen: 1.1 MB once between the
        # 10th and the 200th open, in one run of several), so one step may be large; a leak
        # of a few KiB per open makes every step large.
        marks = []
        for i in range(210):
            child = self.viewer.open(path)
            self.viewer.close_child(child)
            if i % 50 == 9:
                marks.append(self.wctl.memory_kib(frame))
        steps = [b - a for a, b in zip(marks, marks[1:])]
        self.assertLessEqual(sum(1 for s in steps if s >= 128), 1,
                             "private KiB after 10, 60, 110, 160 and 210 opens: %s" % marks)


def bad_files():
    """[(name, bytes)] of files no viewer should trip over."""
    rgb = bs.random_rgb(30, 20, 41)
    good = bs.write_bmp(30, 20, 24, bs.pack_rows(rgb, 24), None)
    idx, pal = bs.random_indexed(30, 20, 256, 42)
    good8 = bs.write_bmp(30, 20, 8, bs.pack_rows(idx, 8), pal)

    def patch(data, offset, fmt, value):
        d = bytearray(data)
        struct.pack_into(fmt, d, offset, value)
        return bytes(d)

    return [
        ("zero.bmp", b""),
        ("one_byte.bmp", b"B"),
        ("header_only.bmp", good[:14]),
        ("half_info.bmp", good[:34]),
        ("truncated24.bmp", good[:len(good) // 2]),
        ("truncated_table.bmp", good8[:300]),
        ("huge_dims.bmp", patch(patch(good, 18, "<i", 0x7FFFFFFF), 22, "<i", 0x7FFFFFFF)),
        ("big_dims.bmp", patch(patch(good, 18, "<i", 20000), 22, "<i", 20000)),
        ("min_height.bmp", patch(good, 22, "<i", -0x80000000)),
        ("negative_width.bmp", patch(good, 18, "<i", -30)),
        ("zero_width.bmp", patch(good, 18, "<i", 0)),
        ("clrused_huge.bmp", patch(good8, 46, "<I", 0xFFFFFFFF)),
        ("offbits_huge.bmp", patch(good, 10, "<I", 0xFFFFFFF0)),
        ("offbits_small.bmp", patch(good, 10, "<I", 3)),
        ("bfsize_huge.bmp", patch(good, 2, "<I", 0xFFFFFFFF)),
        ("header_size_64.bmp", patch(good, 14, "<I", 64)),
        ("header_size_huge.bmp", patch(good, 14, "<I", 0xFFFFFFFF)),
        ("bits_7.bmp", patch(good, 28, "<H", 7)),
        ("rle_on_24.bmp", patch(good, 30, "<I", 1)),
        ("rle_topdown.rle", patch(bs.write_bmp(30, 20, 8, bs.rle_encode(idx, False), pal,
                                               compression=1), 22, "<i", -20)),
        ("rle_runaway.rle", bs.write_bmp(30, 20, 8, bytes((0, 2, 255, 255)) * 3000 +
                                         bytes((255, 9)) * 4000, pal, compression=1)),
        ("rle_literal_past_end.rle", bs.write_bmp(30, 20, 8, bytes((0, 250, 1, 2)), pal,
                                                  compression=1)),
        ("bitfields_zero_masks.bmp", bs.write_bmp(30, 20, 32, bytes(30 * 20 * 4), None,
                                                  compression=3, masks=(0, 0, 0))),
        ("text.bmp", b"This is not a picture at all.\r\n" * 40),
        ("png_named.bmp", b"\x89PNG\r\n\x1a\n" + bytes(200)),
    ]


class BrokenFiles(ImagesTestCase):
    def test_broken_files_give_an_empty_or_partial_child_and_never_a_crash(self):
        for name, data in bad_files():
            with self.subTest(file=name):
                child = self.viewer.open(self.write(name, data))
                self.assertTrue(self.viewer.proc.running(), "the viewer is still running")
                self.assertTrue(self.wctl.exists(child))
                self.viewer.close_child(child)

    def test_truncated_file_shows_its_first_rows_and_zeros_for_the_rest(self):
        idx, pal = bs.random_indexed(30, 20, 256, 43)
        pal[0] = (0, 0, 0)
        data = bs.write_bmp(30, 20, 8, bs.pack_rows(idx, 8), pal)
        cut = 14 + 40 + 1024 + 32 * 10  # the ten bottom rows
        _, got = self.open_and_capture(self.write("cut.bmp", data[:cut]), 30, 20)
        want = bs.expand_indexed(idx, pal)
        want[:10] = pal[0]
        self.assertIsNone(mismatch(got, want))


class PaletteDisplay(ImagesTestCase):
    depth = 8

    def test_halftone_starts_on_and_images_get_the_halftone_palette(self):
        w = self.wctl
        self.assertTrue(w.menu_state(self.viewer.frame, 1005)[0] & winharness.MF_CHECKED)
        rgb = bs.random_rgb(120, 30, 51)
        idx, pal = bs.random_indexed(120, 30, 16, 52)
        for name, data, entries in (
                ("d8_24.bmp", bs.write_bmp(120, 30, 24, bs.pack_rows(rgb, 24), None), 256),
                ("d8_4.bmp", bs.write_bmp(120, 30, 4, bs.pack_rows(idx, 4), pal), 16)):
            with self.subTest(file=name):
                child = self.viewer.open(self.write(name, data))
                bitmap, thumb, palette = self.viewer.words(child)
                self.assertEqual([OBJ_BITMAP, OBJ_BITMAP, OBJ_PAL],
                                 [w.object_type(child, h) for h in (bitmap, thumb, palette)])
                self.assertEqual((120, 30), w.bitmap_info(child, bitmap)[:2])
                self.assertEqual((32, 30), w.bitmap_info(child, thumb)[:2])
                self.assertEqual(entries, w.palette_size(child, palette),
                                 "the halftone palette for 24 bits, its own for 4 bits")
                self.assertEqual((120, 30), w.info(child).client_size)

if __name__ == "__main__":
    unittest.main()
