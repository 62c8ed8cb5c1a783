"""Shared ground of the end-to-end tests of the viewer's own readers (GIF, Targa, bitmaps):
a fresh viewer per test, files opened through its real Open dialog, and the picture a child
shows compared pixel for pixel with a reference, scrolled piece by piece when the image is
larger than the child can show; broken files made from good ones."""
import os
import random

import winharness
from e2e import OBJ_PAL, HarnessError, ViewerTestCase, mismatch, wait_until  # noqa: F401


def damaged_files(goods, count, seed, changes, keep, ext):
    """[(name, bytes)]: `count` seeded copies of the good files, taken in turn, each with 1 to
    `changes` random bytes changed, every third one also cut after `keep` bytes or more."""
    rnd = random.Random(seed)
    files = []
    for n in range(count):
        d = bytearray(goods[n % len(goods)])
        for _ in range(1 + n % changes):
            d[rnd.randrange(len(d))] = rnd.randrange(256)
        if n % 3 == 0:
            del d[rnd.randrange(keep, len(d)):]
        files.append(("damaged%02d%s" % (n, ext), bytes(d)))
    return files


def corpus_sample(area, target, ext):
    """[(name, bytes)]: about 30 inputs of the fuzz target's seed corpus (tests/<area>/corpus/
    <target>), inputs the fuzzer found to reach new code, most of them broken."""
    corpus = os.path.join(area, "corpus", target)
    names = sorted(os.listdir(corpus))
    files = []
    for name in names[::max(1, len(names) // 30)]:
        with open(os.path.join(corpus, name), "rb") as f:
            files.append(("corpus_" + name[:12] + ext, f.read()))
    return files


def _starts(total, view):
    """Scroll positions that show every part of an extent once at least."""
    if total <= view:
        return [0]
    return list(range(0, total - view, view)) + [total - view]


class ReaderTestCase(ViewerTestCase):
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
