"""The gauge demo end to end on Wine: gauge.dll loaded by a real program, a gauge made from
the program's dialog template, moved by the dialog's buttons (one of them clicked with the
real pointer), read back from the screen, and the program ending cleanly after unloading."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e  # noqa: E402
from gauge_demo_driver import BLUE, GaugeDemo, RUN_ID, STEP_ID, UM_GETRANGE  # noqa: E402


class GaugeDemoEndToEnd(e2e.WineTestCase):
    def setUp(self):
        self.demo = GaugeDemo(self.session, e2e.BUILD)

    def tearDown(self):
        if self.demo.proc.running():
            self.demo.kill()

    def test_steps_from_nothing_to_full_and_ends_cleanly(self):
        demo = self.demo
        gauge = self.wctl.info(demo.gauge)
        self.assertEqual("Update", gauge.cls)
        self.assertEqual(100, self.wctl.send(demo.gauge, UM_GETRANGE))
        self.assertEqual(0, demo.position())
        empty = demo.wait_shown(0)
        width, height = empty.size
        self.assertNotIn(BLUE, [empty.getpixel((x, 0)) for x in range(width)])

        for expected in (10, 20, 30):
            demo.press(STEP_ID)
            demo.wait_position(expected)
            demo.wait_shown(expected)
        self.assertEqual("Copied 30 of 100 files", demo.status())

        demo.click_with_mouse(STEP_ID)
        demo.wait_position(40)
        shot = demo.wait_shown(40)
        fill = width * 40 // 100
        self.assertEqual(fill, demo.blue_run(shot, height - 1), "the whole height is filled")
        # "40%" sits right of the boundary: its letters are the only blue there.
        letters = [shot.getpixel((x, y)) for x in range(fill, width) for y in range(height)]
        self.assertIn(BLUE, letters, "the percentage text should be drawn")

        demo.press(RUN_ID)
        demo.wait_position(100)
        full = demo.wait_shown(100)
        self.assertEqual(width, demo.blue_run(full, 0))
        self.assertEqual("Copied 100 of 100 files", demo.status())
        self.assertEqual(0, demo.close(), "the demo unloads gauge.dll and ends with 0")


if __name__ == "__main__":
    unittest.main(verbosity=2)
