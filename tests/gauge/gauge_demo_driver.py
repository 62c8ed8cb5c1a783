"""Drives the gauge demo (tests/gauge/gauge_demo.cpp) on Wine through its dialog's buttons
and reads its gauge back from the screen. Used by the end-to-end test and scripts/demo."""
import os

import winharness
from winharness import wait_until

UM_SETRANGE, UM_GETRANGE, UM_SETPOS, UM_GETPOS = 0x400, 0x401, 0x402, 0x403
GAUGE_ID, STATUS_ID, STEP_ID, RUN_ID, CLOSE_ID = 100, 101, 102, 103, 2
BLUE = (0, 0, 255)


class GaugeDemo:
    TITLE = "Gauge demo"

    def __init__(self, session, build):
        self.session = session
        self.w = session.wctl
        exe = os.path.join(build, "tests", "bin", "gauge_demo.exe")
        self.proc = session.launch(session.windows_path(exe), cwd=os.path.dirname(exe))
        self.dialog = self.proc.find_window(cls="#32770", title=self.TITLE, timeout=30)
        self.gauge = self.w.item(self.dialog, GAUGE_ID)

    def position(self):
        return self.w.send(self.gauge, UM_GETPOS)

    def status(self):
        return self.w.text(self.w.item(self.dialog, STATUS_ID))

    def press(self, button_id):
        self.w.click(self.dialog, button_id)

    def click_with_mouse(self, button_id):
        """A real pointer click in the middle of the button."""
        button = self.w.info(self.w.item(self.dialog, button_id))
        x = (button.rect[0] + button.rect[2]) // 2
        y = (button.rect[1] + button.rect[3]) // 2
        self.w.mouse(x, y, "click")

    def wait_position(self, position, timeout=20):
        wait_until(lambda: self.position() == position, timeout,
                   "the gauge to reach %d" % position)

    def blue_run(self, image, row=0):
        """Length of the run of pure blue pixels that starts the row at the left edge."""
        x = 0
        while x < image.width and image.getpixel((x, row)) == BLUE:
            x += 1
        return x

    def wait_shown(self, position, timeout=10):
        """Waits until the screen shows the fill of `position` (of 100); returns the gauge's
        picture."""
        width = self.w.info(self.gauge).client_size[0]
        fill = min(width, width * position // 100)
        shots = []

        def shown():
            shots[:] = [self.w.capture_client(self.gauge)]
            return self.blue_run(shots[0]) == fill
        try:
            wait_until(shown, timeout, "the gauge to show %d%%" % position, interval=0.05)
        except winharness.HarnessError as e:
            raise winharness.HarnessError("%s: blue run %d of %d expected" %
                                          (e, self.blue_run(shots[0]), fill))
        return shots[0]

    def capture_dialog(self):
        info = self.w.info(self.dialog)
        return self.w.capture(info.rect[0], info.rect[1], *info.size)

    def close(self, timeout=20):
        self.press(CLOSE_ID)
        return self.proc.wait(timeout)

    def kill(self):
        self.proc.kill()
