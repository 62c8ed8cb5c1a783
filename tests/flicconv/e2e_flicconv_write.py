"""Write AVI on Wine through the real menus, the real Save dialog and the real compression
dialog: the samples, their index flags, rate and geometry; every frame ffmpeg decodes from
the AVI against the frames our flic writer meant; compressors; Stop, Exit and WM_CLOSE while
writing; outputs that cannot be written, the flic itself and files that exist; hostile flics
written to the end."""
import os
import struct
import subprocess
import unittest

from PIL import Image

from avi import AVIIF_KEYFRAME, Avi
from converter_e2e import (BUILD, CLASS, CMD_COMPRESS, CMD_EXIT, CMD_FRAME_RATE, CMD_OPEN,
                           CMD_QUIT, CMD_WRITE, RLE, SAVE_TITLE, UNCOMPRESSED, WM_CLOSE, Converter,
                           WineTestCase, columns, crop_rgb, ffmpeg_frames, ffprobe, private_copy,
                           rgb_of, wait_until)  # noqa: F401
import flicwriter as fw
import hostile

C4, C11 = fw.COLOR_256, fw.COLOR_64


def pitch_of(width):
    return (width + 3) // 4 * 4


class WriteTestCase(WineTestCase):
    exe = None

    def setUp(self):
        self.conv = Converter(self.session, self.exe)
        self.addCleanup(self.conv.stop)
        self.conv.skip_start_dialog()

    def flic(self, name, fli=False, width=64, height=40, count=20, colour=C4, first="brun",
             deltas="ss2", **kw):
        """Writes a movie; returns (path, frames, meant palette)."""
        frames = fw.moving_frames(width, height, count, seed=len(name))
        pal = fw.sample_palette(colour)
        data = fw.movie(fli, width, height, frames, pal, colour, first, deltas, **kw)
        return self.data_file(name, data), frames, fw.meant_palette(pal, colour)

    def out(self, name):
        path = os.path.join(self.data, name)
        if os.path.exists(path):
            os.remove(path)
        return path

    def assert_frames(self, avi_path, frames, width, height, palette=None):
        """The AVI's frames, as ffmpeg decodes them, are the flic's: columns of the flic
        as meant, padding columns index 0."""
        pitch = pitch_of(width)
        got = ffmpeg_frames(avi_path, pitch, height)
        self.assertEqual(len(frames), len(got), "frames in the AVI")
        for i, (have, want) in enumerate(zip(got, frames)):
            self.assertEqual(want, columns(have, pitch, 0, width, height), "frame %d" % (i + 1))
            self.assertEqual(bytes((pitch - width) * height), columns(have, pitch, width, pitch,
                                                                      height),
                             "padding of frame %d" % (i + 1))
        if palette is not None:
            self.assertEqual(palette, Avi(avi_path).streams[0]["palette"])


class ConverterWriteTest(WriteTestCase):
    def setUp(self):
        super().setUp()
        self.conv.configure(None)  # configured once: no compression dialog before writes

    def test_twenty_frames_at_the_default_rate(self):
        c, w = self.conv, self.wctl
        # The header asks for 4 frames a second; the AVI takes the Frame Rate setting.
        path, frames, pal = self.flic("twenty.flc", width=321, height=30, speed=250)
        c.load_ok(path)
        w.start_title_log(c.main)
        out = self.out("twenty.avi")
        c.write(out)
        self.assertEqual(["twenty.avi (%d)" % i for i in range(1, 20)] + ["twenty.flc (20 Frames)"],
                         w.title_log(c.main), "the title counts while writing, then the reload")
        self.assertEqual("&Write", c.menu(CMD_WRITE)[1])
        self.assertFalse(c.greyed(CMD_OPEN))
        probe = ffprobe(out)
        self.assertEqual(("rawvideo", "pal8", 324, 30, "15/1", "20"),
                         (probe["codec_name"], probe["pix_fmt"], probe["width"], probe["height"],
                          probe["r_frame_rate"], probe["nb_read_packets"]))
        avi = Avi(out)
        s = avi.streams[0]
        self.assertEqual((b"vids", 1, 15, 324 * 30, (0, 0, 324, 30)),
                         (s["type"], s["scale"], s["rate"], s["buffer"], s["frame"]))
        self.assertEqual((1064, 40, 324, 30, 8, 0, 256), (
            s["format_size"], s["bi_size"], s["bi_width"], s["bi_height"], s["bits"],
            s["compression"], s["clr_used"]))
        samples = avi.samples()
        self.assertEqual(20, len(samples))
        self.assertEqual([AVIIF_KEYFRAME] * 20, [flags & AVIIF_KEYFRAME for flags, _ in samples],
                         "every sample a key frame in the file's own index")
        self.assertEqual({324 * 30}, {len(d) for _, d in samples})
        self.assert_frames(out, frames, 321, 30, pal)

    def test_one_frame_flic_gives_one_sample(self):
        c, w = self.conv, self.wctl
        path, frames, pal = self.flic("one.flc", count=1)
        c.load_ok(path)
        w.start_title_log(c.main)
        out = self.out("one.avi")
        c.write(out)
        self.assertEqual(["one.flc (1 Frames)"], w.title_log(c.main))
        self.assertEqual(1, len(Avi(out).samples()))
        self.assert_frames(out, frames, 64, 40, pal)

    def test_frame_rate_reaches_the_stream_header(self):
        c = self.conv
        path, _, _ = self.flic("rate.flc", count=3)
        c.load_ok(path)
        for typed, rate in (("1", 1), ("0", 1), ("30", 30)):
            with self.subTest(typed=typed):
                c.set_frame_rate(typed)
                out = self.out("rate%s.avi" % typed)
                c.write(out)
                s = Avi(out).streams[0]
                self.assertEqual((rate, 1), (s["rate"], s["scale"]))
                self.assertEqual("%d/1" % rate, ffprobe(out)["r_frame_rate"])

    def test_names_get_the_extension_only_without_any_dot(self):
        c = self.conv
        path, _, _ = self.flic("names.flc", count=2)
        c.load_ok(path)
        # On drive C: the folders' names are ours alone, whatever the build tree is called.
        root = os.path.join(self.session.prefix, "drive_c", "flicconv-names")
        for sub in ("plain", "my.films"):
            os.makedirs(os.path.join(root, sub), exist_ok=True)
        for typed, written in (("plain\\movie", "plain/movie.avi"), ("plain\\movie.old", "plain/movie.old"),
                               ("my.films\\movie", "my.films/movie")):
            with self.subTest(typed=typed):
                target = os.path.join(root, written)
                for stale in (target, os.path.join(root, written + ".avi")):
                    if os.path.exists(stale):
                        os.remove(stale)
                c.start_write("C:\\flicconv-names\\" + typed)
                c.wait_written()
                self.assertTrue(os.path.exists(target), "%s written as %s" % (typed, written))
                self.assertEqual(2, len(Avi(target).samples()))

    def test_cancelled_save_dialog_asks_again_next_time(self):
        c, w = self.conv, self.wctl
        path, frames, _ = self.flic("cancel.flc", count=4)
        c.load_ok(path)
        c.command(CMD_WRITE)
        w.cancel_dialog(w.file_dialog(c.main, "Output File"))
        c.sync()
        self.assertEqual("&Write AVI", c.menu(CMD_WRITE)[1], "nothing was written")
        out = self.out("cancel.avi")
        c.write(out)  # the Save dialog comes up again
        self.assertEqual(4, len(Avi(out).samples()))

    def test_every_frame_is_the_frame_the_writer_meant(self):
        c = self.conv
        movies = [
            ("kinds.flc", dict(width=321, height=24, count=9, colour=C4, first="brun",
                               deltas=["ss2", "lc", "literal", "ss2", "lc", "ss2", "literal",
                                       "ss2", "ss2"])),
            ("odd.flc", dict(width=1, height=50, count=6, colour=C11, first="literal",
                             deltas="ss2")),
            ("wide.flc", dict(width=322, height=20, count=6, colour=C11, first="literal",
                              deltas="lc")),
            ("classic.fli", dict(fli=True, width=320, height=200, count=6, colour=C11,
                                 first="brun", deltas="lc")),
            ("odd.fli", dict(fli=True, width=321, height=60, count=6, colour=C11,
                             first="literal", deltas=["lc", "literal", "lc", "lc", "lc", "lc"])),
        ]
        for name, kw in movies:
            with self.subTest(movie=name):
                path, frames, pal = self.flic(name, **kw)
                c.load_ok(path)
                out = self.out(name + ".avi")
                c.write(out)
                w, h = kw["width"], kw["height"]
                self.assert_frames(out, frames, w, h, pal)
                with Image.open(path) as im:  # Pillow reads the flic the same way
                    for i in range(len(frames)):
                        im.seek(i)
                        self.assertEqual(frames[i], im.tobytes(), "Pillow, frame %d" % (i + 1))
                if w % 4 == 0 and "ss2" not in str(kw["deltas"]):
                    direct = ffmpeg_frames(path, w, h)[:len(frames)]
                    self.assertEqual(frames, direct, "ffmpeg reads the flic the same way")

    def test_palette_changes_after_frame_one_do_not_reach_the_file(self):
        c = self.conv
        pal = fw.sample_palette()
        other = [(255 - r, g, b) for r, g, b in pal]
        path, frames, meant = self.flic("palette.flc", count=8,
                                        later_chunks={5: [fw.color_chunk(other)]})
        c.load_ok(path)
        out = self.out("palette.avi")
        c.write(out)
        self.assert_frames(out, frames, 64, 40, meant)

    def test_a_frame_that_cannot_be_read_ends_the_write_with_the_frames_before_it(self):
        c, w = self.conv, self.wctl
        frames = fw.moving_frames(32, 16, 4)
        data = fw.movie(False, 32, 16, frames, fw.sample_palette(), deltas="ss2", ring=False)
        data = data[:6] + struct.pack("<H", 10) + data[8:]  # 10 frames promised, 4 there
        path = self.data_file("short.flc", data)
        c.load_ok(path)
        out = self.out("short.avi")
        c.start_write(out)
        box, text = c.message_box(owner=c.main, timeout=30)
        self.assertEqual("Not an FLC frame 1", text)
        c.dismiss(box)
        c.wait_written()
        self.assertIsNone(w.try_find(cls="#32770", title="Output File"),
                          "no new Save dialog after the write")
        self.assertEqual("short.flc (10 Frames)", c.title(), "the movie is loaded again")
        self.assertEqual(4, int(ffprobe(out)["nb_read_packets"]))
        self.assert_frames(out, frames, 32, 16)

    def test_later_frames_that_cannot_be_read_end_the_write_with_their_type_named(self):
        c = self.conv
        frames = fw.moving_frames(32, 16, 5)
        for fli in (False, True):
            data = bytearray(fw.movie(fli, 32, 16, frames, fw.sample_palette(fw.COLOR_64),
                                      fw.COLOR_64, deltas="lc", ring=False))
            kind = "FLI" if fli else "FLC"
            third = 128
            for _ in range(2):  # past frames 1 and 2
                third += struct.unpack_from("<I", data, third)[0]
            bad_magic = bytearray(data)
            bad_magic[third + 4:third + 6] = b"\x34\x12"
            promised = data[:6] + struct.pack("<H", 9) + data[8:]
            cut = data[:third + 20]  # frame 3's body cut short: no message, the write ends
            for name, movie, text, written in (
                    ("magic", bad_magic, "Not an %s frame 2" % kind, 2),
                    ("promised", promised, "Not an %s frame 1" % kind, 5),
                    ("cut", cut, None, 2)):
                with self.subTest(kind=kind, file=name):
                    file_name = "%s.%s" % (name, kind.lower())
                    c.load_ok(self.data_file(file_name, bytes(movie)))
                    out = self.out(file_name + ".avi")
                    c.start_write(out)
                    if text:
                        box, shown = c.message_box(owner=c.main, timeout=30)
                        self.assertEqual(text, shown)
                        c.dismiss(box)
                    c.wait_written()
                    self.assertIsNone(self.wctl.try_find(cls="#32770", owner=c.main))
                    self.assertEqual(written, len(Avi(out).samples()))
                    self.assert_frames(out, frames[:written], 32, 16)

    def test_an_output_that_cannot_be_created_is_reported_and_the_program_goes_on(self):
        c, w = self.conv, self.wctl
        path, frames, _ = self.flic("busy.flc", count=3)
        c.load_ok(path)
        busy = self.out("busy.avi")
        w.hold_file(self.session.windows_path(busy))  # another program has it open
        self.addCleanup(w.hold_file, None)
        c.start_write_over(self.session.windows_path(busy))
        box, text = c.message_box(title="AVI Write", timeout=30)
        self.assertEqual("Could not write '%s'" % self.session.windows_path(busy), text)
        c.dismiss(box)
        c.wait_written()
        w.hold_file(None)
        self.assertEqual(0, os.path.getsize(busy), "nothing was written into it")
        out = self.out("after.avi")
        c.write(out)
        self.assertEqual(3, len(Avi(out).samples()), "the next write works")

    def test_stop_ends_the_write_at_once_and_leaves_a_valid_file(self):
        c, w = self.conv, self.wctl
        # Stop chosen once, and twice in a row before the loop has come round to the first.
        for stops in (1, 2):
            with self.subTest(stops=stops):
                name = "stop%d" % stops
                path, frames, pal = self.flic(name + ".flc", count=40)
                c.load_ok(path)
                w.start_title_log(c.main)
                # Frame Rate opens from inside the loop after "(3)": the write waits in it.
                w.command_after_titles(c.main, 3, CMD_FRAME_RATE)
                out = self.out(name + ".avi")
                c.start_write(out)
                dlg = w.find(cls="#32770", title="Frame Rate", owner=c.main, timeout=30)
                self.assertEqual((0, "&Stop"), c.menu(CMD_WRITE))
                self.assertTrue(c.greyed(CMD_OPEN), "Open is greyed while writing")
                self.assertEqual(name + ".avi (3)", c.title())
                for _ in range(stops):
                    c.command(CMD_WRITE)  # Stop, chosen while the dialog waits
                c.sync()
                w.click(dlg, 2)
                w.wait_gone(dlg)
                c.wait_written()
                c.sync()
                self.assertIsNone(w.try_find(cls="#32770", title="Output File"),
                                  "no new Save dialog")
                self.assertEqual("&Write", c.menu(CMD_WRITE)[1])
                self.assertEqual(name + ".flc (40 Frames)", c.title(), "the movie is loaded again")
                self.assertEqual([name + ".avi (%d)" % i for i in (1, 2, 3)] +
                                 [name + ".flc (40 Frames)"], w.title_log(c.main))
                self.assertEqual(4, int(ffprobe(out)["nb_read_packets"]),
                                 "frames 1 to 4 were written")
                self.assertEqual(4, len(Avi(out).samples()))
                self.assert_frames(out, frames[:4], 64, 40, pal)

    def test_exit_while_writing_closes_the_file_and_ends_the_process(self):
        for cmd in (CMD_EXIT, CMD_QUIT):
            with self.subTest(command=cmd):
                c = self.conv if cmd == CMD_EXIT else self.restart()
                w = self.wctl
                path, frames, pal = self.flic("exit%d.flc" % cmd, count=40)
                c.load_ok(path)
                w.start_title_log(c.main)
                w.command_after_titles(c.main, 5, cmd)
                out = self.out("exit%d.avi" % cmd)
                c.start_write(out)
                self.assertEqual(0, c.proc.wait(60))
                self.assertEqual(6, int(ffprobe(out)["nb_read_packets"]))
                self.assert_frames(out, frames[:6], 64, 40, pal)

    def test_wm_close_from_another_program_ends_the_write_and_the_process(self):
        # As a task manager ends a program: WM_CLOSE posted to the window, once while frames
        # are being written, once while the Frame Rate dialog waits inside the write loop.
        for case in ("writing", "dialog"):
            with self.subTest(case=case):
                c = self.conv if case == "writing" else self.restart()
                w = self.wctl
                count = 5000 if case == "writing" else 40
                path, frames, pal = self.flic("close-%s.flc" % case, width=32, height=16,
                                              count=count)
                c.load_ok(path)
                out = self.out("close-%s.avi" % case)
                if case == "dialog":
                    w.start_title_log(c.main)
                    w.command_after_titles(c.main, 3, CMD_FRAME_RATE)
                c.start_write(out)
                if case == "dialog":
                    w.find(cls="#32770", title="Frame Rate", owner=c.main, timeout=30)
                else:
                    w.wait_title(c.main, "~close-writing.avi (", timeout=30)
                w.post(c.main, WM_CLOSE)
                self.assertEqual(0, c.proc.wait(60), "the process ends with code 0")
                self.assertIsNone(w.try_find(cls=CLASS), "no converter window is left")
                written = int(ffprobe(out)["nb_read_packets"])
                if case == "dialog":
                    self.assertEqual(4, written, "frames 1 to 4 were written")
                else:
                    self.assertLess(written, count, "the write ended early")
                self.assertEqual(written, len(Avi(out).samples()),
                                 "the file's index holds every frame written")
                self.assert_frames(out, frames[:written], 32, 16, pal)

    def test_the_flic_itself_is_refused_as_output_however_it_is_named(self):
        c, w = self.conv, self.wctl
        # On drive C: the folder's name is ours alone; both names are long, so each has a
        # short form of its own.
        folder = os.path.join(self.session.prefix, "drive_c", "flicconv-itself")
        os.makedirs(folder, exist_ok=True)
        data = fw.movie(False, 64, 40, fw.moving_frames(64, 40, 5), fw.sample_palette())
        with open(os.path.join(folder, "A long flic name.flc"), "wb") as f:
            f.write(data)
        flic = "C:\\flicconv-itself\\A long flic name.flc"
        c.load(flic)
        w.wait_title(c.main, "A long flic name.flc (5 Frames)", timeout=20)
        short = c.short_path(flic)
        self.assertNotEqual(flic.upper(), short.upper())
        for typed in (flic.upper(), short):
            with self.subTest(typed=typed):
                c.start_write_over(typed)  # the file exists: the question comes first
                box, text = c.message_box(title="AVI Write", timeout=30)
                shown = text[len("Could not write '"):-1]
                self.assertEqual("Could not write '%s'" % shown, text)
                self.assertIn(shown.upper(), (typed.upper(), flic.upper()))
                c.dismiss(box)
                with open(os.path.join(folder, "A long flic name.flc"), "rb") as f:
                    self.assertEqual(data, f.read(), "the flic is unchanged")
                self.assertEqual("&Write AVI", c.menu(CMD_WRITE)[1], "no write was started")
                self.assertFalse(c.greyed(CMD_OPEN))
                self.assertEqual("A long flic name.flc (5 Frames)", c.title())

    def test_an_existing_output_brings_the_replace_question_and_no_keeps_it(self):
        c, w = self.conv, self.wctl
        path, _, _ = self.flic("asked.flc", count=3)
        c.load_ok(path)
        # On drive C: a folder without a "." in its path, so a name typed without one gets
        # ".avi" added, and the name so made is asked about too.
        folder = os.path.join(self.session.prefix, "drive_c", "flicconv-kept")
        os.makedirs(folder, exist_ok=True)
        kept = os.path.join(folder, "kept.avi")
        with open(kept, "wb") as f:
            f.write(b"not a movie, and not to be replaced")
        for typed in ("C:\\flicconv-kept\\kept.avi", "C:\\flicconv-kept\\kept"):
            with self.subTest(typed=typed):
                dlg = c.type_output(typed)
                if typed.endswith(".avi"):
                    c.answer_replace(dlg, False)  # the dialog's own question, and No
                else:
                    w.wait_gone(dlg)  # "kept" does not exist: the converter asks about kept.avi
                    c.answer_replace(c.main, False)
                    dlg = w.file_dialog(c.main, SAVE_TITLE, timeout=20)
                c.sync()
                self.assertTrue(w.info(dlg).visible, "No returns to the Save dialog")
                w.cancel_dialog(dlg)
                c.sync()
                with open(kept, "rb") as f:
                    self.assertEqual(b"not a movie, and not to be replaced", f.read())
                self.assertEqual("&Write AVI", c.menu(CMD_WRITE)[1], "nothing was written")

    def test_each_frame_is_on_screen_while_it_is_written(self):
        c, w = self.conv, self.wctl
        width, height = 320, 200
        path, frames, pal = self.flic("shown.flc", width=width, height=height, count=10)
        c.load_ok(path)
        w.start_title_log(c.main)
        # Frame Rate opens from inside the loop after "(3)" and again after "(6)": each time
        # the loop waits in the dialog with the frame it has just written on screen.
        w.command_after_titles(c.main, 3, CMD_FRAME_RATE)
        c.start_write(self.out("shown.avi"))
        for titles, frame in ((3, 4), (6, 7)):
            dlg = w.find(cls="#32770", title="Frame Rate", owner=c.main, timeout=30)
            left, top = w.info(c.main).client[:2]
            box = [v - o for v, o in zip(w.info(dlg).rect, (left, top, left, top))]
            outside = [(x, y) for y in range(height) for x in range(width)
                       if not (box[0] - 2 <= x < box[2] + 2 and box[1] - 2 <= y < box[3] + 2)]
            self.assertGreater(len(outside), width * height // 2)
            want = rgb_of(frames[frame - 1], pal)
            want = [tuple(want[3 * (y * width + x):3 * (y * width + x) + 3]) for x, y in outside]

            def shown():
                shot = w.capture_client(c.main, width, height)
                return [shot.getpixel(p) for p in outside] == want
            wait_until(shown, 10, "frame %d on screen beside the dialog" % frame)
            if titles == 3:
                w.command_after_titles(c.main, 6, CMD_FRAME_RATE)
            w.click(dlg, 2)
            w.wait_gone(dlg)
        c.wait_written()
        self.assertEqual(crop_rgb(rgb_of(frames[0], pal), width, (width, height)),
                         c.capture(width, height).tobytes(), "frame 1 again after the reload")

    def test_every_start_of_the_avi_library_is_ended_exactly_once(self):
        c, w = self.conv, self.wctl
        path, _, _ = self.flic("pairs.flc", count=8)
        c.load_ok(path)
        w.count_avi_calls(c.main)
        calls = [0]

        def expect(starts, what):
            calls[0] += starts
            self.assertEqual((calls[0], calls[0]), w.avi_calls(c.main),
                             "AVIFileInit and AVIFileExit calls after " + what)
        c.write(self.out("pairs1.avi"))
        expect(1, "a whole write")
        c.configure(None)
        expect(1, "Configure Compress")
        w.start_title_log(c.main)
        w.command_after_titles(c.main, 2, CMD_WRITE)
        stopped = self.out("pairs2.avi")
        c.write(stopped)
        self.assertEqual(3, len(Avi(stopped).samples()), "stopped after (2)")
        expect(1, "a write that was stopped")
        w.start_title_log(c.main)
        w.command_after_titles(c.main, 2, CMD_COMPRESS)
        c.start_write(self.out("pairs3.avi"))
        c.answer_compression(None)
        c.wait_written()
        expect(2, "Configure Compress chosen while writing")
        busy = self.out("pairs4.avi")
        w.hold_file(self.session.windows_path(busy))
        self.addCleanup(w.hold_file, None)
        c.start_write_over(self.session.windows_path(busy))
        c.dismiss(c.message_box(title="AVI Write", timeout=30)[0])
        c.wait_written()
        w.hold_file(None)
        expect(1, "an output that could not be created")
        frames = fw.moving_frames(32, 16, 4)
        data = fw.movie(False, 32, 16, frames, fw.sample_palette(), deltas="ss2", ring=False)
        c.load_ok(self.data_file("pairs-short.flc", data[:6] + struct.pack("<H", 10) + data[8:]))
        c.start_write(self.out("pairs5.avi"))
        c.dismiss(c.message_box(owner=c.main, timeout=30)[0])
        c.wait_written()
        expect(1, "a write ended by a frame that could not be read")

    def restart(self):
        self.conv = Converter(self.session, self.exe)
        self.addCleanup(self.conv.stop)
        self.conv.skip_start_dialog()
        self.conv.configure(None)
        return self.conv

    def test_hostile_flics_are_written_to_the_end_without_harm(self):
        c, w = self.conv, self.wctl
        for name, data in hostile.files():
            with self.subTest(file=name):
                path = self.data_file("hostile-" + name, data)
                c.load(path)
                box = w.try_find(cls="#32770", owner=c.main) or \
                    w.try_find(cls="#32770", title="AVI Write")
                if box:
                    c.dismiss(box)  # refused at loading
                    continue
                c.start_write(self.out(name + ".avi"))
                # A frame that cannot be read is reported once and ends the write.
                def settled():
                    b = w.try_find(cls="#32770", owner=c.main)
                    if b:
                        c.dismiss(b)
                        return False
                    return c.menu(CMD_WRITE)[1] == "&Write" and not c.greyed(CMD_OPEN)
                wait_until(settled, 120, "the write of %s to end" % name)
                self.assertTrue(c.proc.running())
        self.assertEqual(0, c.exit())


class ConverterOnAPaletteDisplayTest(WriteTestCase):
    depth = 8

    def test_frames_are_drawn_through_the_palette_and_written_as_anywhere(self):
        c, w = self.conv, self.wctl
        width, height = 200, 80
        # Four upright bands of palette entries far apart, the bands moving one step a frame.
        bands = (3, 70, 140, 210)
        frames = [bytes(bands[(x * 4 // width + n) % 4] for y in range(height)
                        for x in range(width)) for n in range(4)]
        path = self.data_file("bands.flc", fw.movie(False, width, height, frames,
                                                    fw.sample_palette(), deltas="ss2"))
        c.load_ok(path)
        shot = c.capture(width, height)
        self.assertEqual((width, height), shot.size)
        seen = [set(shot.getpixel((x, y)) for y in range(height)
                    for x in range(b * width // 4, (b + 1) * width // 4)) for b in range(4)]
        self.assertEqual([1, 1, 1, 1], [len(s) for s in seen], "each band in one colour")
        self.assertEqual(4, len(set.union(*seen)), "four colours, none of them the same")
        self.assertNotIn((255, 255, 255), set.union(*seen), "the frame is drawn")
        out = self.out("bands.avi")
        c.configure(None)
        c.write(out)
        self.assert_frames(out, frames, width, height,
                           fw.meant_palette(fw.sample_palette()))


class ConverterCompressionTest(WriteTestCase):
    def reference(self, frames, width, height, palette, out, compressor):
        """The same frames written by the reference tool through the same dialog choice."""
        pitch = pitch_of(width)
        raw = struct.pack("<4I", width, height, pitch, len(frames))
        raw += b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
        for f in frames:
            rows = [f[y * width:(y + 1) * width] + bytes(pitch - width) for y in range(height)]
            raw += b"".join(reversed(rows))
        src = self.data_file(os.path.basename(out) + ".raw", raw)
        tool = self.session.launch(
            self.session.windows_path(os.path.join(BUILD, "tests", "bin", "avi_reference.exe")),
            self.session.windows_path(src), self.session.windows_path(out), 15,
            self.session.windows_path(os.path.join(BUILD, "bin", "logon.avi")))
        dlg = self.wctl.find(cls="#32770", title="Video Compression", timeout=30)
        names = self.wctl.combo_items(self.wctl.item(dlg, 880))
        self.wctl.combo_select(dlg, 880, names.index(compressor))
        self.wctl.click(dlg, 1)
        self.assertEqual(0, tool.wait(60))

    def test_compression_dialog_comes_before_every_write_until_configured(self):
        c = self.conv
        path, frames, pal = self.flic("ask.flc", count=5)
        c.load_ok(path)
        for i in range(2):
            out = self.out("ask%d.avi" % i)
            c.write(out, compressor=None)  # the dialog comes up; cancelled: uncompressed
            self.assertEqual("rawvideo", ffprobe(out)["codec_name"])
        c.configure(None)
        out = self.out("asked.avi")
        c.write(out)  # no dialog any more
        self.assert_frames(out, frames, 64, 40, pal)

    def test_uncompressed_choice_writes_the_source_frames(self):
        c = self.conv
        path, frames, pal = self.flic("full.flc", width=321, height=30, count=6)
        c.load_ok(path)
        c.configure(UNCOMPRESSED)
        out = self.out("full.avi")
        c.write(out)
        self.assert_frames(out, frames, 321, 30, pal)
        self.assertEqual([AVIIF_KEYFRAME] * 6,
                         [f & AVIIF_KEYFRAME for f, _ in Avi(out).samples()])

    def test_rle_writes_what_the_same_compressor_makes_of_the_source_frames(self):
        c = self.conv
        path, frames, pal = self.flic("rle.flc", width=320, height=40, count=8)
        c.load_ok(path)
        c.configure(RLE)
        out = self.out("rle.avi")
        c.write(out)
        probe = ffprobe(out)
        self.assertEqual(("msrle", "8"), (probe["codec_name"], probe["nb_read_packets"]))
        ref = self.out("rle-reference.avi")
        self.reference(frames, 320, 40, pal, ref, RLE)
        self.assertEqual("msrle", ffprobe(ref)["codec_name"])
        self.assertEqual(ffmpeg_frames(ref, 320, 40), ffmpeg_frames(out, 320, 40))
        ours, theirs = Avi(out), Avi(ref)
        self.assertEqual([f for f, _ in theirs.samples()], [f for f, _ in ours.samples()],
                         "the same key frames")

    def test_a_confirmed_choice_keeps_compressing_after_a_cancelled_dialog(self):
        c = self.conv
        path, frames, pal = self.flic("keep.flc", count=4)
        c.load_ok(path)
        c.configure(RLE)
        c.configure(None)
        out = self.out("keep.avi")
        c.write(out)
        self.assertEqual("msrle", ffprobe(out)["codec_name"])


class ConverterWithoutSampleMovieTest(WriteTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.exe = private_copy(os.path.join(cls.data, "nologon"), with_logon=False)

    def test_configure_compress_does_nothing_and_writes_stay_uncompressed(self):
        c, w = self.conv, self.wctl
        c.command(106)
        c.sync()
        self.assertIsNone(w.try_find(cls="#32770", title="Video Compression"))
        path, frames, pal = self.flic("plain.flc", count=5)
        c.load_ok(path)
        out = self.out("plain.avi")
        c.write(out)
        self.assertEqual("rawvideo", ffprobe(out)["codec_name"])
        self.assert_frames(out, frames, 64, 40, pal)

    def test_without_configuring_the_write_shows_no_dialog_either(self):
        c = self.conv
        path, frames, pal = self.flic("plain2.flc", count=3)
        c.load_ok(path)
        out = self.out("plain2.avi")
        c.write(out)
        self.assert_frames(out, frames, 64, 40, pal)


if __name__ == "__main__":
    unittest.main()
