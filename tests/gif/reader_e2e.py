"""Shared ground of the GIF and Targa end-to-end tests: a fresh viewer per test, files opened
through its real Open dialog, and the picture a child shows compared pixel for pixel with a
reference, scrolled piece by piece when the image is larger than the child can show."""
import numpy as np

import winharness
from e2e import HarnessError, Viewer, WineTestCase, wait_until

OBJ_PAL, OBJ_BITMAP = 5, 7


def mismatch(got, want):
    """None when equal, else a short description of the first difference."""
    got = np.asarray(got)
    if got.shape != want.shape:
        return "size %r, expected %r" % (got.shape, want.shape)
    diff = np.argwhere((got != want).any(axis=2))
    if not len(diff):
        return None
    y, x = diff[0]
    return "%d pixels differ; first at x=%d y=%d: %r, expected %r" % (
        len(diff), x, y, tuple(int(v) for v in got[y, x]), tuple(int(v) for v in want[y, x]))


def _starts(total, view):
    """Scroll positions that show every part of an extent once at least."""
    if total <= view:
        return [0]
    return list(range(0, total - view, view)) + [total - view]


class ReaderTestCase(WineTestCase):
    def setUp(self):
        self.viewer = Viewer(self.session)
        self.addCleanup(self._stop)

    def _stop(self):
        if self.viewer.proc.running():
            self.viewer.kill()

    def open_file(self, name, data):
        child = self.viewer.open(self.data_file(name, data))
        self.assertEqual(name, self.wctl.info(child).title)
        return child

    def _wait_picture(self, child, want, what):
        """Waits (paints may still be under way) until the child's client shows `want` at its
        top left; fails with the last difference."""
        h, w = want.shape[:2]
        last = [None]

        def shows():
            last[0] = mismatch(self.viewer.capture_image(child, w, h), want)
            return last[0] is None
        try:
            wait_until(shows, 5, "the picture")
        except HarnessError:
            self.fail("%s: %s" % (what, last[0]))

    def _fits(self, child, w, h):
        c, m = self.wctl.info(child), self.wctl.info(self.viewer.client)
        cw, ch = c.client_size
        return (cw >= w and ch >= h and c.client[0] >= m.client[0] and
                c.client[1] >= m.client[1] and c.client[0] + w <= m.client[2] and
                c.client[1] + h <= m.client[3])

    def assert_shows(self, child, want, what=""):
        """The child shows exactly `want` (an RGB array, top row first), the whole of it."""
        h, w = want.shape[:2]
        info = self.wctl.info(child)
        self.assertGreater(info.client_size[1], 0, "%s: the child has an image" % what)
        if self._fits(child, w, h):
            self._wait_picture(child, want, what)
            return
        self.wctl.post(child, winharness.WM_SYSCOMMAND, winharness.SC_MAXIMIZE)
        wait_until(lambda: self.wctl.info(child).zoomed, 10, "the child to maximise")
        self.viewer.sync()
        cw, ch = self.wctl.info(child).client_size
        cw, ch = min(cw, w), min(ch, h)
        for y in _starts(h, ch):
            for x in _starts(w, cw):
                self.viewer.scroll_to(child, x, y)
                self._wait_picture(child, want[y:y + ch, x:x + cw],
                                   "%s (scrolled to %d, %d)" % (what, x, y))

    def assert_empty(self, child, palette, what=""):
        """The child has no image; `palette` says whether the reader left one in the slot."""
        self.assertEqual(0, self.wctl.info(child).client_size[1], what)
        bitmap, thumb, pal = self.viewer.words(child)
        self.assertEqual((0, 0), (bitmap, thumb), what)
        if palette:
            self.assertEqual(OBJ_PAL, self.wctl.object_type(child, pal), what)
        else:
            self.assertEqual(0, pal, "%s: no palette" % what)

    def assert_survives(self, name, data):
        """Opening the file leaves the viewer running and answering, with a child for it."""
        child = self.viewer.open(self.data_file(name, data))
        self.assertTrue(self.viewer.proc.running(), "%s: the viewer is still running" % name)
        self.assertTrue(self.wctl.exists(child), name)
        self.viewer.close_child(child)
