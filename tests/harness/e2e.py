"""Shared ground for the end-to-end tests: a unittest base class that attaches to (or starts)
the Wine session, and a driver for the viewer that works it through its real menus and
Open dialog."""
import os
import shutil
import tempfile
import unittest

import winharness
from winharness import HarnessError, wait_until  # noqa: F401  (re-exported for tests)

SOURCE = os.environ.get("XQV_SOURCE", winharness.SOURCE_ROOT)
BUILD = os.environ.get("XQV_BUILD", os.path.join(SOURCE, "build", "win"))


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
        self.frame = self.w.find(cls=self.FRAME_CLASS, timeout=30)
        self.client = next(c.hwnd for c in self.w.children(self.frame) if c.cls == "MDIClient")

    def sync(self):
        """Returns once the viewer's message loop has come round again, i.e. the command in
        progress (an Open, say) has finished."""
        self.w.probe(self.frame, winharness.PROBE_FOCUS)

    def children(self):
        return [c for c in self.w.children(self.client) if c.cls == self.CHILD_CLASS]

    def open(self, path, expect_child=True):
        """File, Open through the real dialog; returns the new child window."""
        before = {c.hwnd for c in self.children()}
        self.w.command(self.frame, 1004)
        self.w.choose_file(self.frame, "Viewer", self.session.windows_path(path))
        self.sync()
        new = [c for c in self.children() if c.hwnd not in before]
        if expect_child:
            if len(new) != 1:
                raise HarnessError("expected one new child after opening %s, got %r" % (path, new))
            return new[0].hwnd
        return new[0].hwnd if new else None

    def command(self, cmd_id):
        self.w.command(self.frame, cmd_id)
        self.sync()

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
