"""Shared ground for the end-to-end tests: a unittest base class that attaches to (or starts)
the Wine session and prints the logs of the programs a failing test started, and a driver for
the viewer that works it through its real menus and Open dialog."""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import unittest

import numpy as np

import winharness
from winharness import HarnessError, wait_until  # noqa: F401  (re-exported for tests)

SOURCE = os.environ.get("XQV_SOURCE", winharness.SOURCE_ROOT)
BUILD = os.environ.get("XQV_BUILD") or winharness.windows_build_dir()

OBJ_PAL, OBJ_BITMAP = 5, 7  # GetObjectType's answers


class WineTestCase(unittest.TestCase):
    depth = 24

    @classmethod
    def setUpClass(cls):
        cls.session = winharness.Session.attach_or_start(BUILD, depth=cls.depth)
        cls.wctl = cls.session.wctl
        root = os.path.join(BUILD, "testdata")
        os.makedirs(root, exist_ok=True)
        cls.data = tempfile.mkdtemp(prefix=cls.__name__ + "-", dir=root)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()
        shutil.rmtree(cls.data, ignore_errors=True)

    def run(self, result=None):
        """Runs the test with its programs' logs named after it; when it fails, prints the
        path and tail of every log of a program it started."""
        if result is None or not hasattr(self, "session"):
            return super().run(result)
        problems = len(result.failures) + len(result.errors)
        mark = self.session.logs.mark()
        self.session.log_scope = "%s.%s" % (type(self).__name__, self._testMethodName)
        try:
            return super().run(result)
        finally:
            self.session.log_scope = ""
            if len(result.failures) + len(result.errors) > problems:
                report = self.session.logs.report(mark)
                if report:
                    sys.stderr.write("\n==== logs of the programs %s started ====\n%s\n"
                                     % (self.id(), report))
                    sys.stderr.flush()

    @classmethod
    def program(cls, name):
        return os.path.join(BUILD, "bin", name)

    def data_file(self, name, content=b""):
        path = os.path.join(self.data, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)
        return path


class Viewer:
    """The real viewer on Wine, driven as a user would."""

    FRAME_CLASS = "XQV:Viewer"
    CHILD_CLASS = "XQV:Viewer:Window"

    def __init__(self, session):
        self.session = session
        self.w = session.wctl
        self.proc = session.launch(session.windows_path(os.path.join(BUILD, "bin", "viewer.exe")))
        self.frame = self.proc.find_window(cls=self.FRAME_CLASS, timeout=30)
        self.client = next(c.hwnd for c in self.w.children(self.frame) if c.cls == "MDIClient")

    def sync(self, timeout=10):
        """Returns once the viewer's message loop has come round again, i.e. the command in
        progress (an Open, say) has finished."""
        self.w.probe(self.frame, winharness.PROBE_FOCUS, timeout=timeout)

    def children(self):
        return [c for c in self.w.children(self.client) if c.cls == self.CHILD_CLASS]

    def open(self, path, expect_child=True):
        """File, Open through the real dialog; returns the new child window."""
        before = {c.hwnd for c in self.children()}
        self.w.command(self.frame, 1004)
        self.w.choose_file(self.frame, "Viewer", self.session.windows_path(path))
        # A picture of hundreds of megapixels takes a 64-bit viewer several seconds.
        self.sync(timeout=60)
        new = [c for c in self.children() if c.hwnd not in before]
        if expect_child:
            if len(new) != 1:
                raise HarnessError("expected one new child after opening %s, got %r" % (path, new))
            return new[0].hwnd
        return new[0].hwnd if new else None

    def command(self, cmd_id):
        self.w.command(self.frame, cmd_id)
        self.sync()

    def close_all(self, timeout=10):
        """File, Close until no child is left."""
        for child in self.children():
            self.command(1003)
            wait_until(lambda: not self.w.exists(child.hwnd), timeout, "a child to close")

    def message_boxes(self):
        """Dialogs (message boxes and the like) that the viewer has up right now."""
        return [win for win in self.w.windows() if win.cls == "#32770" and win.pid == self.frame_pid]

    @property
    def frame_pid(self):
        return self.w.info(self.frame).pid

    def active_child(self):
        return self.w.send(self.client, 0x0229)  # WM_MDIGETACTIVE

    def position_in_client(self, child):
        """The child's top-left corner in MDI-client coordinates."""
        c = self.w.info(child)
        m = self.w.info(self.client)
        return (c.rect[0] - m.client[0], c.rect[1] - m.client[1])

    def capture_child(self, child):
        self.sync()
        return self.w.capture_client(child)

    def capture_visible_child(self, child):
        """The part of the child's client area that the MDI client does not clip (children
        step down and right, so later ones reach past its edges), from the client's top-left
        corner."""
        self.sync()
        c, m = self.w.info(child).client, self.w.info(self.client).client
        w = min(c[2], m[2]) - c[0]
        h = min(c[3], m[3]) - c[1]
        if w <= 0 or h <= 0:
            raise HarnessError("child %r is outside the MDI client" % child)
        return self.w.capture(c[0], c[1], w, h)

    def words(self, child):
        """The child's image window words: (bitmap, thumbnail, palette) handles."""
        return tuple(self.w.window_long(child, i) for i in (0, 4, 8))

    def minimise(self, child):
        self.w.post(child, winharness.WM_SYSCOMMAND, winharness.SC_MINIMIZE)
        wait_until(lambda: self.w.info(child).iconic, 10, "the child to minimise")
        self.sync()

    def restore(self, child):
        self.w.post(child, winharness.WM_SYSCOMMAND, winharness.SC_RESTORE)
        wait_until(lambda: not self.w.info(child).iconic, 10, "the child to be restored")
        self.sync()

    def scroll_to(self, child, x, y):
        """Drags both thumbs to the given positions (clamped to the ranges by the child)."""
        self.w.send(child, winharness.WM_HSCROLL, (min(x, 0xFFFF) << 16) | 4)  # SB_THUMBPOSITION
        self.w.send(child, winharness.WM_VSCROLL, (min(y, 0xFFFF) << 16) | 4)
        self.sync()

    def capture_image(self, child, w, h):
        """The top-left w x h of the child's client area (its image area) from the screen."""
        self.sync()
        return self.w.capture_client(child, w, h)

    def close_child(self, child):
        self.w.post(child, winharness.WM_SYSCOMMAND, winharness.SC_CLOSE)
        wait_until(lambda: not self.w.exists(child), 10, "the child to close")
        self.sync()

    def exit(self, timeout=20):
        self.w.command(self.frame, 1001)
        return self.proc.wait(timeout)

    def kill(self):
        self.proc.kill()


class ViewerTestCase(WineTestCase):
    """A fresh viewer per test, stopped at the end if it is still running."""

    def setUp(self):
        self.viewer = Viewer(self.session)
        self.addCleanup(self._stop)

    def _stop(self):
        if self.viewer.proc.running():
            self.viewer.kill()


class ViewerFileTestCase(ViewerTestCase):
    """Files from the class's data folder opened in a fresh viewer per test (children step
    down and right with every open), which must exit normally at the end."""

    def _stop(self):
        try:
            if self.viewer.proc.running():
                self.assertEqual(0, self.viewer.exit(), "the viewer exits normally")
        finally:
            super()._stop()

    def path(self, name):
        return os.path.join(self.data, name)

    def open_child(self, name):
        child = self.viewer.open(self.path(name))
        self.assertEqual(name, self.wctl.info(child).title)
        self.assertEqual([], self.viewer.message_boxes(), "no message on any path")
        return child

    def assert_empty_child(self, name, keeps_palette=False):
        """An empty child: no bitmap, no thumbnail, and a palette only where the header
        pass succeeded before the decode failed (the child owns it then)."""
        child = self.open_child(name)
        self.assertEqual(0, self.wctl.info(child).client_size[1], "%s leaves an empty child" % name)
        bitmap, thumbnail, palette = self.viewer.words(child)
        self.assertEqual((0, 0), (bitmap, thumbnail))
        if keeps_palette:
            self.assertEqual(OBJ_PAL, self.wctl.object_type(child, palette), "the palette")
        else:
            self.assertEqual(0, palette)

    def assert_empty_children(self, names, keeping_palette=()):
        """assert_empty_child for each file in turn (those in `keeping_palette` keep theirs),
        each child closed again."""
        for name in names:
            with self.subTest(name):
                self.assert_empty_child(name, keeps_palette=name in keeping_palette)
                self.viewer.close_all()

    def assert_survives(self, names):
        """Opening each file leaves the viewer running and shows no message."""
        for name in names:
            with self.subTest(name):
                self.viewer.open(self.path(name))
                self.assertTrue(self.viewer.proc.running(), "the viewer survived %s" % name)
                self.assertEqual([], self.viewer.message_boxes())
            self.viewer.close_all()

    def assert_shown_as(self, name, reference, whole=True):
        """Opens the file and compares what its child shows with the reference (a PIL image)
        where the child is visible: the child is sized to the image, but a larger image is
        compared where it is visible (`whole` false: at least 200 x 200 pixels of it, since
        narrow ones sit in a child as wide as a captioned window must be). Returns the part
        compared."""
        shown = self.viewer.capture_visible_child(self.open_child(name))
        w = min(shown.size[0], reference.size[0])
        h = min(shown.size[1], reference.size[1])
        self.assertGreater(w * h, 0, "nothing of %s is shown" % name)
        if whole:
            self.assertEqual((w, h), reference.size, "the whole of %s is visible" % name)
        else:
            self.assertGreaterEqual(w * h, min(reference.size[0] * reference.size[1], 200 * 200),
                                    "enough of %s is visible to compare" % name)
        diff = first_difference(shown.crop((0, 0, w, h)), reference.crop((0, 0, w, h)))
        self.assertIsNone(diff, name)
        return shown.crop((0, 0, w, h))

    def damaged_copies(self, sources, seed, changes, first, keep):
        """Names of three damaged copies of each source file written beside it: `changes`
        seeded random bytes from offset `first` on changed, the third copy also cut after
        `keep` bytes or more."""
        rng = random.Random(seed)
        names = []
        for source in sources:
            with open(self.path(source), "rb") as f:
                data = bytearray(f.read())
            for k in range(3):
                damaged = bytearray(data)
                for _ in range(changes):
                    damaged[rng.randrange(first, len(damaged))] = rng.randrange(256)
                if k == 2:
                    damaged = damaged[:rng.randrange(keep, len(damaged))]
                name = "damaged-%s-%d%s" % (source[:-4], k, source[-4:])
                self.data_file(name, bytes(damaged))
                names.append(name)
        return names

    def assert_opens_at_its_size_and_not_blank(self, name, size):
        """On a palette display: the file opens at its size (width, height), shows more than
        one colour and leaves no message."""
        child = self.open_child(name)
        self.assertEqual(size[1], self.wctl.info(child).client_size[1])
        shown = self.viewer.capture_visible_child(child).crop((0, 0) + tuple(size))
        self.assertGreater(len(set(shown.getdata())), 1, "%s is not blank" % name)

    def assert_samples_open_through_halftone(self, tool, names):
        """On a palette display (where the viewer starts in halftone mode and reduces 24-bit
        records to the halftone palette): the named samples of the host tool open at their
        size, show more than one colour and leave no message."""
        sizes = {f[0]: (int(f[1]), int(f[2])) for f in sample_listing(tool, self.data)}
        for name in names:
            with self.subTest(name):
                self.assert_opens_at_its_size_and_not_blank(name, sizes[name])


def first_difference(shown, reference):
    """None when the two PIL images have the same size and pixels; else a description of
    the first pixel that differs (expected vs got)."""
    if shown.size != reference.size:
        return "size: expected %r, got %r" % (reference.size, shown.size)
    a, b = shown.convert("RGB").tobytes(), reference.convert("RGB").tobytes()
    if a == b:
        return None
    width = reference.size[0]
    for i in range(0, len(a), 3):
        if a[i:i + 3] != b[i:i + 3]:
            n = i // 3
            return "pixel (%d,%d): expected %r, got %r" % (n % width, n // width,
                                                           tuple(b[i:i + 3]), tuple(a[i:i + 3]))
    return None


def mismatch(got, want):
    """None when the two RGB arrays (rows from the top) are equal, else a short description
    of the first difference."""
    got = np.asarray(got)
    if got.shape != want.shape:
        return "size %r, expected %r" % (got.shape, want.shape)
    diff = np.argwhere((got != want).any(axis=2))
    if not len(diff):
        return None
    y, x = diff[0]
    return "%d pixels differ; first at x=%d y=%d: %r, expected %r" % (
        len(diff), x, y, tuple(int(v) for v in got[y, x]), tuple(int(v) for v in want[y, x]))


def sample_listing(tool, folder):
    """Runs a host sample maker (tests/<area>/make_<kind>_samples) into the folder; returns
    its lines split into fields (name first)."""
    listing = subprocess.run([host_tool(tool), folder], stdout=subprocess.PIPE, check=True,
                             text=True).stdout
    return [line.split() for line in listing.splitlines()]


def host_tool(name):
    """A helper program of the host build (build/host beside the Windows build)."""
    path = os.path.join(SOURCE, "build", "host", name)
    if not os.access(path, os.X_OK):
        raise HarnessError("host tool %s is missing: run scripts/build" % path)
    return path
