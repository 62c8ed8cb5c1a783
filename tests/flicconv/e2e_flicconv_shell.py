"""The converter's shell on Wine, through its real window, menus and dialogs: the Open dialog
at start in the folder "flics", the single-instance rule, the ways to quit, the Frame Rate
dialog, the About box and the menu states."""
import os
import unittest

import winharness
from converter_e2e import (CLASS, CMD_ABOUT, CMD_LOAD, CMD_QUIT, CMD_WRITE, OPEN_TITLE,
                           SAVE_TITLE, TITLE, Converter, WineTestCase, sample, wait_until)
import flicwriter as fw


class ConverterShellTest(WineTestCase):
    def setUp(self):
        self.conv = Converter(self.session)
        self.addCleanup(self.conv.stop)

    def test_open_dialog_comes_up_by_itself_in_the_flics_folder(self):
        c, w = self.conv, self.wctl
        dlg = c.start_dialog()
        self.assertEqual(OPEN_TITLE, w.info(dlg).title)
        types = w.item(dlg, 0x470)
        self.assertEqual(1, w.send(types, 0x0146), "one file type")  # CB_GETCOUNT
        self.assertEqual("Flic files (*.FLI *.FLC)", w.text(types))
        # A bare name is found in the dialog's folder: the samples beside the program.
        c.load_ok("bounce.flc", dialog_open=True)  # not sample(): the name alone
        self.assertEqual("bounce.flc (24 Frames)", c.title())

    def test_window_class_title_size_and_menu(self):
        c, w = self.conv, self.wctl
        c.skip_start_dialog()
        info = w.info(c.main)
        self.assertEqual((CLASS, TITLE), (info.cls, info.title))
        self.assertEqual((320, 250), info.size)
        self.assertEqual(0x00CF0000, info.style & 0x00CF0000, "an overlapped window")
        bar = [(text, ident) for ident, state, text in w.menu_items(c.main)]
        self.assertEqual([("&File", -1), ("&Compression", -1), ("&Help", -1)], bar)
        items = lambda popup: [(i, s & winharness.MF_GRAYED, t)
                               for i, s, t in w.menu_items(c.main, popup)]
        self.assertEqual([(104, 0, "&Open"), (105, winharness.MF_GRAYED, "&Write AVI"),
                          (1001, 0, "E&xit")], items(0))
        self.assertEqual([(106, 0, "&Configure Compress"), (107, 0, "&Frame Rate")], items(1))
        self.assertEqual([(108, 0, "A&bout")], items(2))

    def test_cancelled_open_dialog_leaves_the_window_as_it_was(self):
        c, w = self.conv, self.wctl
        c.skip_start_dialog()
        self.assertEqual(TITLE, c.title())
        self.assertEqual((320, 250), w.info(c.main).size)
        self.assertTrue(c.greyed(CMD_WRITE))
        c.load_ok(sample("bounce.flc"))
        before = (c.title(), w.info(c.main).rect, c.capture(320, 200).tobytes())
        c.command(104)
        w.cancel_dialog(w.file_dialog(c.main, OPEN_TITLE))
        after = (c.title(), w.info(c.main).rect, c.capture(320, 200).tobytes())
        self.assertEqual(before, after, "the loaded movie stays")
        self.assertFalse(c.greyed(CMD_WRITE))

    def test_write_avi_stays_greyed_until_a_load_succeeds(self):
        c = self.conv
        c.skip_start_dialog()
        self.assertTrue(c.greyed(CMD_WRITE))
        bad = self.data_file("bad.flc", b"not a flic at all" * 10)
        c.load(bad)
        box, _ = c.message_box(owner=c.main)
        c.dismiss(box)
        self.assertTrue(c.greyed(CMD_WRITE), "a failed load enables nothing")
        c.command(CMD_WRITE)
        c.sync()
        self.assertIsNone(self.wctl.try_find(cls="#32770", title=SAVE_TITLE),
                          "Write AVI without a movie does nothing")
        c.load_ok(sample("classic.fli"))
        self.assertFalse(c.greyed(CMD_WRITE))

    def test_second_start_brings_the_first_window_forward_and_exits_with_32(self):
        c, w = self.conv, self.wctl
        c.skip_start_dialog()
        w.show(c.main, 0)  # SW_HIDE
        wait_until(lambda: not w.info(c.main).visible, 10, "the window to hide")
        self.assertNotEqual(c.main, w.get_foreground())
        code, _, _ = self.session.run(self.session.windows_path(c.exe), timeout=60)
        self.assertEqual(32, code)
        self.assertTrue(w.info(c.main).visible, "shown again")
        wait_until(lambda: w.get_foreground() == c.main, 10, "the first window in front")
        self.assertEqual(1, len([x for x in w.windows() if x.cls == CLASS]),
                         "the second start made no window")
        self.assertTrue(c.proc.running())

    def test_command_100_from_another_program_quits_like_exit(self):
        self.conv.skip_start_dialog()
        self.wctl.post(self.conv.main, winharness.WM_COMMAND, CMD_QUIT)
        self.assertEqual(0, self.conv.proc.wait(30))

    def test_close_box_goes_through_exit(self):
        self.conv.skip_start_dialog()
        self.wctl.post(self.conv.main, winharness.WM_SYSCOMMAND, winharness.SC_CLOSE)
        self.assertEqual(0, self.conv.proc.wait(30))

    def test_exit_ends_the_process_with_code_0(self):
        c = self.conv
        c.skip_start_dialog()
        c.load_ok(sample("bounce.flc"))
        self.assertEqual(0, c.exit())

    def test_frame_rate_shows_15_first_and_never_keeps_less_than_1(self):
        c, w = self.conv, self.wctl
        c.skip_start_dialog()
        dlg = c.frame_rate_dialog()
        texts = sorted((x.id, x.cls.lower(), x.title) for x in w.children(dlg)
                       if x.cls.lower() != "edit")
        self.assertEqual([(1, "button", "&Ok"), (2, "button", "&Cancel"),
                          (0xFFFF, "static", "Frames/Sec")], texts)
        self.assertEqual("15", w.text(w.item(dlg, 301)))
        w.click(dlg, 2)
        w.wait_gone(dlg)
        for typed in ("0", "", "letters", "-5"):
            with self.subTest(typed=typed):
                c.set_frame_rate("25")
                c.set_frame_rate(typed)
                self.assertEqual("1", c.frame_rate_shown())
        c.set_frame_rate("24")
        c.set_frame_rate("40", ok=False)
        self.assertEqual("24", c.frame_rate_shown(), "Cancel keeps the old value")
        c.set_frame_rate("1000")
        self.assertEqual("1000", c.frame_rate_shown(), "no upper bound")

    def test_about_box_names_the_program(self):
        c, w = self.conv, self.wctl
        c.skip_start_dialog()
        c.command(CMD_ABOUT)
        dlg = w.find(cls="#32770", title="About", owner=c.main, timeout=15)
        self.assertIn(TITLE, [x.title for x in w.children(dlg)])
        w.click(dlg, 1)
        w.wait_gone(dlg)
        self.assertTrue(c.proc.running())


if __name__ == "__main__":
    unittest.main()
