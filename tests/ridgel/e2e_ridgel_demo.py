"""The demo program with the real ridgel.dll beside it, driven with real mouse clicks through
the harness: under platform version 3 its check boxes and radio buttons show the cells of the
glyph bitmap the build drew (read here with Pillow) and change with clicks; under version 10
and without the library they show none of them."""
import os
import shutil
import unittest

from PIL import Image

from e2e import BUILD, WineTestCase, wait_until
from winharness import PROBE_FOCUS

AUTO_CHECK, THREE_STATE, AUTO_THREE_STATE, SECOND_RADIO, THIRD_RADIO = 207, 209, 210, 212, 213
IDOK = 1


class RidgelDemo(WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        with Image.open(os.path.join(BUILD, "ridgel", "ridgel_glyphs.bmp")) as im:
            cls.sheet = im.convert("RGB")
        cls.folder = os.path.join(cls.data, "demo")
        os.makedirs(cls.folder)
        shutil.copy(os.path.join(BUILD, "bin", "ridgel.dll"), cls.folder)
        for name, version in (("ridgel_demo_v3.exe", "nt351"), ("ridgel_demo_v10.exe", "win10")):
            shutil.copy(os.path.join(BUILD, "bin", "ridgel_demo.exe"),
                        os.path.join(cls.folder, name))
            cls.session.set_app_version(name, version)

    def start(self, name, arg):
        # The pointer waits away from where the dialog appears.
        self.wctl.mouse(1000, 740, "move")
        prog = self.session.launch(self.session.windows_path(os.path.join(self.folder, name)), arg)
        self.addCleanup(lambda: prog.running() and prog.kill())
        dlg = prog.find_window(cls="#32770", title="~Raised look", timeout=30)
        return prog, dlg

    def finish(self, prog, dlg):
        self.wctl.click(dlg, IDOK)
        self.assertEqual(0, prog.wait(20), "OK ends the demo with 0")

    def cell(self, column, row):
        return self.sheet.crop((13 * column, 13 * row, 13 * column + 13, 13 * row + 13))

    def glyph_shown(self, dlg, item_id):
        """The 13 x 13 area where the glyph of a left-glyph button goes, and the cells it equals."""
        info = self.wctl.info(self.wctl.item(dlg, item_id))
        w, h = info.client_size
        shot = self.wctl.capture(info.client[0], info.client[1] + (h - 13) // 2, 13, 13)
        return [(c, r) for r in range(2) for c in range(6)
                if shot.tobytes() == self.cell(c, r).tobytes()]

    def wait_glyph(self, dlg, item_id, cell):
        return wait_until(lambda: cell in self.glyph_shown(dlg, item_id), 10,
                          "control %d to show cell %r" % (item_id, cell))

    def click(self, dlg, item_id):
        """A real click in the middle of the control. The demo has seen the pointer arrive
        (its message loop came round) before the button goes down, and the press before it
        comes up."""
        info = self.wctl.info(self.wctl.item(dlg, item_id))
        x = (info.client[0] + info.client[2]) // 2
        y = (info.client[1] + info.client[3]) // 2
        for what in ("move", "down", "up"):
            self.wctl.mouse(x, y, what)
            self.wctl.probe(dlg, PROBE_FOCUS)

    def test_version_3_buttons_are_drawn_from_the_glyph_bitmap_and_follow_clicks(self):
        prog, dlg = self.start("ridgel_demo_v3.exe", "ridgel")
        self.assertEqual("Raised look - ridgel, version 3", self.wctl.info(dlg).title)
        self.wait_glyph(dlg, AUTO_CHECK, (2, 0))     # checked
        self.wait_glyph(dlg, THREE_STATE, (4, 0))    # indeterminate
        self.wait_glyph(dlg, SECOND_RADIO, (2, 1))   # checked radio
        self.wait_glyph(dlg, THIRD_RADIO, (0, 1))
        self.click(dlg, AUTO_CHECK)
        self.wait_glyph(dlg, AUTO_CHECK, (0, 0))
        self.click(dlg, THIRD_RADIO)
        self.wait_glyph(dlg, THIRD_RADIO, (2, 1))
        self.wait_glyph(dlg, SECOND_RADIO, (0, 1))
        self.click(dlg, AUTO_THREE_STATE)
        self.wait_glyph(dlg, AUTO_THREE_STATE, (2, 0))
        self.finish(prog, dlg)

    def test_version_10_and_the_plain_dialog_show_the_platforms_own_buttons(self):
        for arg in ("ridgel", "plain"):
            with self.subTest(arg):
                prog, dlg = self.start("ridgel_demo_v10.exe", arg)
                self.assertEqual("Raised look - %s, version 10" % arg, self.wctl.info(dlg).title)
                self.wctl.probe(dlg, PROBE_FOCUS)
                for item_id in (AUTO_CHECK, THREE_STATE, SECOND_RADIO):
                    self.assertEqual([], self.glyph_shown(dlg, item_id), "control %d" % item_id)
                self.finish(prog, dlg)


if __name__ == "__main__":
    unittest.main()
