"""The viewer shell driven through its real menus and Open dialog on Wine: start-up, children
and their placement, the Window commands, Close, Space, About and Exit; pictures named on the
command line and dropped on the frame."""
import io
import os
import unittest

import numpy as np
from PIL import Image

import winharness
from e2e import BUILD, Viewer, ViewerTestCase, WineTestCase, wait_until
from reader_e2e import ReaderTestCase

MF_CHECKED = winharness.MF_CHECKED


class ViewerShellTest(ViewerTestCase):
    def setUp(self):
        super().setUp()
        self.cel = self.data_file("empty.cel", b"CEL data")

    def test_starts_with_title_and_menu(self):
        w, frame = self.wctl, self.viewer.frame
        self.assertEqual("MDI Image File Viewer", w.info(frame).title)
        bar = [(text, ident) for ident, state, text in w.menu_items(frame)]
        self.assertEqual([("&File", -1), ("&Window", -1), ("&Help", -1)], bar)
        items = lambda popup: [(i, t) for i, s, t in w.menu_items(frame, popup)]
        self.assertEqual([(1004, "&Open..."), (1003, "&Close"), (0, ""), (1005, "&Halftone"),
                          (0, ""), (1001, "E&xit")], items(0))
        self.assertEqual([(550, "&Tile"), (551, "&Cascade"), (552, "Arrange &Icons")], items(1))
        self.assertEqual([(1006, "A&bout")], items(2))

    def test_halftone_starts_off_at_24_bits_and_toggles(self):
        w, frame = self.wctl, self.viewer.frame
        self.assertFalse(w.menu_state(frame, 1005)[0] & MF_CHECKED)
        self.viewer.command(1005)
        self.assertTrue(w.menu_state(frame, 1005)[0] & MF_CHECKED)
        self.viewer.command(1005)
        self.assertFalse(w.menu_state(frame, 1005)[0] & MF_CHECKED)

    def test_cel_file_opens_an_empty_child_titled_with_its_name(self):
        child = self.viewer.open(self.cel)
        info = self.wctl.info(child)
        self.assertEqual("empty.cel", info.title)
        self.assertEqual(0, info.client_size[1], "an empty child shrinks to its frame")
        self.assertLessEqual(info.size[0], 130, "as narrow as a captioned window may be")
        self.assertFalse(info.style & 0x00300000, "no scroll bars without an image")

    def test_unreadable_file_opens_an_empty_child(self):
        junk = self.data_file("notes.xyz", b"just some text, not an image\n" * 20)
        child = self.viewer.open(junk)
        self.assertEqual("notes.xyz", self.wctl.info(child).title)
        self.assertEqual(0, self.wctl.info(child).client_size[1])

    def test_children_step_eight_pixels_however_many_were_closed(self):
        v = self.viewer
        first = v.open(self.cel)
        second = v.open(self.cel)
        self.assertEqual((0, 0), v.position_in_client(first))
        self.assertEqual((8, 8), v.position_in_client(second))
        v.command(1003)  # Close the active (second) child
        wait_until(lambda: not self.wctl.exists(second), 10, "the child to close")
        third = v.open(self.cel)
        self.assertEqual((16, 16), v.position_in_client(third))
        v.command(1003)
        wait_until(lambda: not self.wctl.exists(third), 10, "the child to close")
        v.command(1003)
        wait_until(lambda: not self.wctl.exists(first), 10, "the child to close")
        self.assertEqual([], v.children())
        fourth = v.open(self.cel)
        self.assertEqual((24, 24), v.position_in_client(fourth))

    def test_close_without_children_does_nothing(self):
        self.viewer.command(1003)
        self.assertTrue(self.viewer.proc.running())
        self.assertEqual([], self.viewer.children())

    def test_cancelled_open_dialog_adds_no_child(self):
        v = self.viewer
        self.wctl.command(v.frame, 1004)
        dlg = self.wctl.file_dialog(v.frame, "Viewer")
        self.wctl.cancel_dialog(dlg)
        v.sync()
        self.assertEqual([], v.children())

    def test_open_dialog_lists_the_viewers_file_types(self):
        v, w = self.viewer, self.wctl
        w.command(v.frame, 1004)
        dlg = w.file_dialog(v.frame, "Viewer")
        types = w.item(dlg, 0x470)
        count = w.send(types, 0x0146)  # CB_GETCOUNT
        self.assertEqual(9, count)
        self.assertEqual(0, w.send(types, 0x0147), "the first pair is selected")  # CB_GETCURSEL
        self.assertEqual("All file formats", w.text(types))
        self.assertEqual(["PNG (*.png)", "WebP (*.webp)"], w.combo_items(types)[-2:])
        w.cancel_dialog(dlg)

    def test_tile_cascade_and_arrange_icons_act_on_the_children(self):
        v, w = self.viewer, self.wctl
        kids = [v.open(self.cel) for _ in range(3)]
        v.command(550)  # Tile
        rects = [w.info(k).rect for k in kids]
        area = w.info(v.client).client
        for r in rects:
            self.assertTrue(area[0] <= r[0] and r[2] <= area[2] and area[1] <= r[1] and r[3] <= area[3])
        sizes = {(r[2] - r[0], r[3] - r[1]) for r in rects}
        self.assertGreater(min(s[0] * s[1] for s in sizes), 100 * 100, "tiled children fill the client")
        v.command(551)  # Cascade
        corners = sorted(v.position_in_client(k) for k in kids)
        self.assertEqual(3, len({c[0] for c in corners}), "cascaded children are staggered")
        self.assertEqual(corners[0][1] < corners[1][1] < corners[2][1], True)
        for k in kids:
            w.post(k, winharness.WM_SYSCOMMAND, winharness.SC_MINIMIZE)
        wait_until(lambda: all(w.info(k).iconic for k in kids), 10, "the children to minimise")
        v.command(552)
        bottoms = {w.info(k).rect[3] for k in kids}
        self.assertEqual(1, len(bottoms), "arranged icons sit in one row")
        self.assertLessEqual(abs(bottoms.pop() - area[3]), 2, "the row is at the client's bottom")

    def test_space_changes_nothing(self):
        v, w = self.viewer, self.wctl
        child = v.open(self.cel)
        before = w.capture(*w.info(v.frame).rect[:2], *w.info(v.frame).size)
        w.foreground(v.frame)
        w.keys(0x20)
        v.sync()
        after = w.capture(*w.info(v.frame).rect[:2], *w.info(v.frame).size)
        self.assertEqual(before.tobytes(), after.tobytes())
        self.assertEqual([child], [c.hwnd for c in v.children()])

    def test_about_box_names_the_program(self):
        v, w = self.viewer, self.wctl
        w.command(v.frame, 1006)
        dlg = w.find(cls="#32770", title="About", owner=v.frame)
        texts = [c.title for c in w.children(dlg)]
        self.assertIn("MDI Image File Viewer", texts)
        self.assertIn("Views BMP, GIF, Targa, JPEG, TIFF, PNG and WebP images.", texts)
        w.click(dlg, 1)
        w.wait_gone(dlg)

    def test_exit_ends_the_process_with_code_zero(self):
        self.viewer.open(self.cel)
        self.assertEqual(0, self.viewer.exit())

    def test_close_box_ends_the_process_with_code_zero(self):
        self.wctl.post(self.viewer.frame, winharness.WM_SYSCOMMAND, winharness.SC_CLOSE)
        self.assertEqual(0, self.viewer.proc.wait(20))


WS_EX_ACCEPTFILES = 0x10


class StartedViewer(Viewer):
    """The viewer started with arguments, under a UTF-8 locale: only then does Wine give a
    program names with letters beyond ASCII in its ANSI code page, and find their files."""

    def __init__(self, session, *args):
        self.session = session
        self.w = session.wctl
        self.proc = session.launch(session.windows_path(os.path.join(BUILD, "bin", "viewer.exe")),
                                   *args, env={"LC_ALL": "C.UTF-8", "LANG": "C.UTF-8"})
        self.frame = self.proc.find_window(cls=self.FRAME_CLASS, timeout=30)
        self.client = next(c.hwnd for c in self.w.children(self.frame) if c.cls == "MDIClient")


class PicturesHandedOverTest(ReaderTestCase):
    """Pictures handed to the viewer as Explorer hands them over: named on the command line
    (double-click, "Open with") and dropped on the frame. Each opens as File, Open would open
    it: in order, titled with its name, 8 pixels further down and right than the one before."""

    FOLDER = "Ferien \u00dcbersicht"  # a space and a Latin-1 letter

    def setUp(self):
        # Each test starts its own viewer, with its own arguments.
        self.pictures = [self.picture("a.png", 40, 30, 0),
                         self.picture(os.path.join(self.FOLDER, "b.png"), 50, 20, 1)]

    def picture(self, name, width, height, seed):
        """A PNG picture (TIFF where the name says so) written under the data folder: (its
        path, its pixels)."""
        y, x = np.mgrid[0:height, 0:width]
        rgb = np.stack([x * 6 + seed * 40, y * 8, (x + y) * 3 + seed * 90], axis=2) % 256
        rgb = rgb.astype(np.uint8)
        out = io.BytesIO()
        Image.fromarray(rgb, "RGB").save(out, "TIFF" if name.endswith(".tiff") else "PNG")
        return self.data_file(name, out.getvalue()), rgb

    def start(self, *args):
        self.viewer = StartedViewer(self.session, *args)
        self.addCleanup(self._stop)

    def child_titled(self, title):
        found = [c.hwnd for c in self.viewer.children() if c.title == title]
        self.assertEqual(1, len(found), "one child titled %s" % title)
        return found[0]

    def assert_pictures_shown_in_order(self):
        self.viewer.sync()
        self.assertEqual(len(self.pictures), len(self.viewer.children()))
        children = [self.child_titled(os.path.basename(path)) for path, _ in self.pictures]
        for n, child in enumerate(children):
            self.assertEqual((8 * n, 8 * n), self.viewer.position_in_client(child))
        # The cascade covers each child with the next: each comes to the top to be looked at.
        for child, (path, rgb) in zip(children, self.pictures):
            self.wctl.post(self.viewer.client, winharness.WM_MDIACTIVATE, child)
            self.viewer.sync()
            self.assert_shows(child, rgb, path)

    def with_folder(self):
        """The pictures' paths with the folder of the second between them, as a user may
        select them in Explorer."""
        return [self.pictures[0][0], os.path.join(self.data, self.FOLDER), self.pictures[1][0]]

    def test_pictures_named_on_the_command_line_open_in_order_and_folders_are_skipped(self):
        self.start(*(self.session.windows_path(path) for path in self.with_folder()))
        self.assert_pictures_shown_in_order()

    def test_name_outside_the_ansi_code_page_opens_by_its_short_name(self):
        folder = "\u0424\u043e\u0442\u043e"  # Cyrillic: no ANSI form in code page 1252
        # A long name with a four-letter extension: its short form ends in ".TIF", but the
        # child is titled, and its reader chosen, by the long name.
        self.pictures = [self.picture(os.path.join(folder, "Strandbild.tiff"), 30, 30, 2)]
        self.start(self.session.windows_path(self.pictures[0][0]))
        self.assert_pictures_shown_in_order()

    def test_name_that_cannot_be_opened_gives_an_empty_child_titled_with_it(self):
        self.start(self.session.windows_path(os.path.join(self.data, "missing.png")))
        self.viewer.sync()
        self.assert_empty(self.child_titled("missing.png"), palette=False)

    def test_dropped_files_open_in_order_and_folders_are_skipped(self):
        self.start()
        # What a drag from Explorer looks for before it offers the drop.
        self.assertTrue(self.wctl.info(self.viewer.frame).exstyle & WS_EX_ACCEPTFILES,
                        "the frame accepts dropped files")
        listing = self.data_file("dropped.txt", "\n".join(
            self.session.windows_path(p) for p in self.with_folder()).encode("utf-8"))
        count, _ = self.wctl.call("drop", self.viewer.frame, self.session.windows_path(listing))
        self.assertEqual(3, int(count), "paths in the drop")
        self.assert_pictures_shown_in_order()


class ViewerOnPaletteDisplayTest(WineTestCase):
    depth = 8

    def test_halftone_starts_on_and_checked_at_8_bits(self):
        viewer = Viewer(self.session)
        try:
            self.assertTrue(self.wctl.menu_state(viewer.frame, 1005)[0] & MF_CHECKED)
            self.assertEqual(0, viewer.exit())
        finally:
            if viewer.proc.running():
                viewer.kill()


if __name__ == "__main__":
    unittest.main(verbosity=2)
