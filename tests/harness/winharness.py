"""The Wine harness that every Windows-side test uses.

A Session owns a virtual X display (Xvfb at a chosen depth), a private Wine prefix under the
build tree and that prefix's wineserver; it starts programs with a time-out, talks to windows
through wctl.exe (tests/harness/wctl.c) and reads pixels back from the screen. Everything it
started is stopped when it closes, on success, failure or interruption alike.

Every program it starts writes its standard output and error, with Wine's error and warning
channels on, to a log file of its own: build/win/logs/<test>/<start number>-<what>.log (the test
named by XQV_TEST_NAME, which ctest sets). The session's Xvfb and wineserver log there too. A
test that fails prints the tail of the logs of the programs it started (WineTestCase in e2e.py;
ProgramLogs.report).

Run as a script, it wraps a command in a session:
    winharness.py --build build/win [--depth 24] -- ctest ...
The command sees DISPLAY, WINEPREFIX and XQV_SESSION_* in its environment, and tests it runs
attach to that session (Session.attach) instead of starting their own.
"""
import atexit
import os
import queue
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_ROOT = os.path.dirname(os.path.dirname(HERE))

WM_COMMAND = 0x0111
WM_CLOSE = 0x0010
WM_SYSCOMMAND = 0x0112
SC_CLOSE = 0xF060
SC_MINIMIZE = 0xF020
SC_RESTORE = 0xF120
SC_MAXIMIZE = 0xF030
WM_KEYDOWN = 0x0100
WM_KEYUP = 0x0101
WM_HSCROLL = 0x0114
WM_VSCROLL = 0x0115
WM_MDIACTIVATE = 0x0222
MF_CHECKED = 0x0008
MF_GRAYED = 0x0001
MF_DISABLED = 0x0002

PROBE_MENU_STATE = 1
PROBE_OBJECT_TYPE = 2
PROBE_MEMORY = 3
PROBE_MENU_ITEM = 4
PROBE_MENU_COUNT = 5
PROBE_FOCUS = 6
PROBE_ACTIVE = 7
PROBE_WINDOW_LONG = 8
PROBE_BITMAP_INFO = 9
PROBE_BITMAP_SAVE = 10
PROBE_PALETTE_SIZE = 11
PROBE_TITLE_LOG = 12
PROBE_TITLE_ENTRY = 13
PROBE_TITLE_ARM = 14
PROBE_SCROLL = 15
PROBE_AVI_CALLS = 16


class HarnessError(Exception):
    pass


def wait_until(condition, timeout, what, interval=0.02):
    """Polls condition() until it returns a true value, or raises after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise HarnessError("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def _log_folder_name():
    """The folder of this process's program logs: the ctest test's name, else the script's."""
    name = os.environ.get("XQV_TEST_NAME")
    if not name:
        name = os.path.splitext(os.path.basename(sys.argv[0] or "harness"))[0] or "harness"
    return name


class ProgramLogs:
    """The log files of the programs this process starts, numbered in the order of their
    start. The folder is emptied the first time this process writes to it, so it holds one
    run's logs only."""

    def __init__(self, build_dir, folder=None):
        self.folder = os.path.join(build_dir, "logs", folder or _log_folder_name())
        self.entries = []  # (number, label, path)
        self._fresh = False

    def open(self, label, argv=None, cwd=None):
        """A new log file (opened for writing) for one start of `label`, headed by what was
        started, where and when."""
        if not self._fresh:
            shutil.rmtree(self.folder, ignore_errors=True)
            os.makedirs(self.folder, exist_ok=True)
            self._fresh = True
        number = len(self.entries) + 1
        safe = "".join(c if c.isalnum() or c in "._-" else "_" for c in label)[:120]
        path = os.path.join(self.folder, "%03d-%s.log" % (number, safe))
        self.entries.append((number, label, path))
        f = open(path, "w", errors="replace")
        f.write("# %s  started %s\n" % (label, time.strftime("%H:%M:%S")))
        if argv:
            f.write("# %s%s\n" % (" ".join(str(a) for a in argv),
                                   "  (in %s)" % cwd if cwd else ""))
        f.flush()
        return f

    def mark(self):
        """A position to pass to report(): the logs started from now on."""
        return len(self.entries)

    def report(self, since=0, lines=25):
        """The path and last lines of every log opened since the mark."""
        parts = []
        for number, label, path in self.entries[since:]:
            try:
                with open(path, errors="replace") as f:
                    tail = f.readlines()[-lines:]
            except OSError as e:
                tail = ["(cannot read: %s)\n" % e]
            parts.append("---- log %d: %s\n     %s\n%s" % (number, label, path, "".join(tail)))
        return "".join(parts)


def _hint(text):
    """A sentence naming a known cause that a log shows, or ''."""
    if "Exec format error" in text:
        return ("\nThis machine cannot execute 32-bit x86 programs (the kernel's IA-32 "
                "emulation is off: see dmesg), so the 32-bit Wine cannot start anything here.\n")
    return ""


class Window:
    """What wctl's info line says about a window."""

    def __init__(self, fields):
        (self.hwnd, self.cls, self.id, style, exstyle, wrect, crect, parent, owner, flags,
         pid) = fields[:11]
        self.title = fields[11] if len(fields) > 11 else ""
        self.hwnd = int(self.hwnd)
        self.id = int(self.id)
        self.style = int(style, 16)
        self.exstyle = int(exstyle, 16)
        self.rect = tuple(int(v) for v in wrect.split(","))
        self.client = tuple(int(v) for v in crect.split(","))
        self.parent = int(parent)
        self.owner = int(owner)
        self.visible, self.iconic, self.zoomed = (c == "1" for c in flags)
        self.pid = int(pid)

    @property
    def size(self):
        return (self.rect[2] - self.rect[0], self.rect[3] - self.rect[1])

    @property
    def client_size(self):
        return (self.client[2] - self.client[0], self.client[3] - self.client[1])

    def __repr__(self):
        return "<Window %d %s %r>" % (self.hwnd, self.cls, self.title)


class Wctl:
    """A running wctl.exe: one command line in, one answer out."""

    def __init__(self, session):
        self.session = session
        # wctl speaks the prefix's ANSI code page (window titles come from GetWindowTextA); a
        # byte outside it must not end the reader and leave every later call waiting.
        self.proc, self.log = session.spawn([session.tool("wctl.exe")], stdin=subprocess.PIPE,
                                            stdout=subprocess.PIPE, encoding="cp1252",
                                            errors="replace", track=False)
        self.lines = queue.Queue()
        threading.Thread(target=self._reader, daemon=True).start()
        try:
            line = self._read_line(60)
        except HarnessError as e:
            raise HarnessError("wctl did not start (%s); its log: %s" % (e, self.log))
        if line != "ready":
            raise HarnessError("wctl did not start: %r; its log: %s" % (line, self.log))

    def _read_line(self, timeout):
        try:
            line = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise HarnessError("wctl gave no answer within %s s" % timeout)
        if line is None:
            raise HarnessError("wctl ended")
        return line.rstrip("\n").rstrip("\r")

    def _reader(self):
        for line in self.proc.stdout:
            self.lines.put(line)
        self.lines.put(None)

    def call(self, *fields, timeout=30, block=False):
        self.proc.stdin.write("\t".join(str(f) for f in fields) + "\n")
        self.proc.stdin.flush()
        if block:
            lines = []
            while True:
                line = self._read_line(timeout)
                if line == "end":
                    return lines
                lines.append(line.split("\t"))
        line = self._read_line(timeout)
        parts = line.split("\t")
        if parts[0] != "ok":
            raise HarnessError("wctl %s: %s" % (" ".join(map(str, fields)), line))
        return parts[1:]

    def close(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write("quit\n")
                self.proc.stdin.flush()
                self.proc.wait(10)
            except (OSError, subprocess.TimeoutExpired, ValueError):
                self.proc.kill()
                self.proc.wait()

    # -- windows --
    def find(self, cls=None, title=None, owner=None, timeout=10, visible=True):
        args = ["find", "timeout=%d" % int(timeout * 1000), "visible=%d" % int(visible)]
        if cls is not None:
            args.append("class=" + cls)
        if title is not None:
            args.append("title=" + title)
        if owner is not None:
            args.append("owner=%d" % owner)
        try:
            return int(self.call(*args, timeout=timeout + 30)[0])
        except HarnessError as e:
            raise HarnessError("no window class=%r title=%r owner=%r within %s s (%s)"
                               % (cls, title, owner, timeout, e))

    def try_find(self, cls=None, title=None, owner=None, timeout=0, visible=True):
        try:
            return self.find(cls, title, owner, timeout, visible)
        except HarnessError:
            return None

    def info(self, hwnd):
        return Window(self.call("info", hwnd))

    def exists(self, hwnd):
        try:
            self.call("info", hwnd)
            return True
        except HarnessError:
            return False

    def children(self, hwnd):
        return [Window(f[1:]) for f in self.call("children", hwnd, block=True)]

    def windows(self):
        return [Window(f[1:]) for f in self.call("windows", block=True)]

    def wait_gone(self, hwnd, timeout=10):
        self.call("waitgone", hwnd, int(timeout * 1000), timeout=timeout + 30)

    def wait_title(self, hwnd, title, timeout=10):
        return self.call("waittitle", hwnd, title, int(timeout * 1000), timeout=timeout + 30)[0]

    def send(self, hwnd, msg, wparam=0, lparam=0):
        return int(self.call("send", hwnd, msg, wparam, lparam)[0])

    def post(self, hwnd, msg, wparam=0, lparam=0):
        self.call("post", hwnd, msg, wparam, lparam)

    def command(self, hwnd, cmd_id):
        """Chooses a menu command, as the menu itself would send it."""
        self.post(hwnd, WM_COMMAND, cmd_id, 0)

    def set_text(self, hwnd, text):
        self.call("settext", hwnd, text)

    def text(self, hwnd):
        return self.call("gettext", hwnd)[0]

    def item(self, dialog, item_id):
        return int(self.call("item", dialog, item_id)[0])

    def click(self, dialog, item_id):
        self.call("click", dialog, item_id)

    def combo_items(self, combo):
        """The texts of a combo box's list, in order."""
        return [f[2] if len(f) > 2 else "" for f in self.call("cbitems", combo, block=True)]

    def combo_select(self, dialog, item_id, index):
        """Selects item index of the dialog's combo box as a user would."""
        self.call("cbselect", dialog, item_id, index)

    def keys(self, *vks):
        self.call("keys", *vks)

    def foreground(self, hwnd):
        self.call("foreground", hwnd)

    def mouse(self, x, y, what="click"):
        self.call("mouse", x, y, what)

    def get_foreground(self):
        """The foreground window's handle, or 0."""
        return int(self.call("getforeground")[0])

    def show(self, hwnd, cmd):
        """ShowWindow(hwnd, cmd) from outside the window's process."""
        self.call("show", hwnd, cmd)

    def hold_file(self, path):
        """Keeps a file open without sharing (None: lets it go), so no program can open it."""
        self.call("hold", path or "")

    def move(self, hwnd, x, y, w, h):
        """SetWindowPos(hwnd) to that place and size (in its parent's client coordinates),
        from outside the window's process."""
        self.call("move", hwnd, x, y, w, h)

    def redraw(self, hwnd):
        """Invalidates the whole window (with erasing) so that it paints itself again."""
        self.call("redraw", hwnd)

    def metric(self, index):
        """GetSystemMetrics(index) in this session."""
        return int(self.call("metric", index)[0])

    # -- common dialogs --
    def file_dialog(self, owner, title, timeout=15):
        """Waits for a common Open/Save dialog of that owner and title."""
        return self.find(cls="#32770", title=title, owner=owner, timeout=timeout)

    def choose_file(self, owner, title, path, timeout=15):
        """Fills the dialog's file name with path and confirms, as a user would; waits until
        the dialog has closed."""
        dlg = self.file_dialog(owner, title, timeout)
        self.call("filedlg", dlg, path)
        self.wait_gone(dlg, timeout)
        return dlg

    def cancel_dialog(self, dlg, timeout=10):
        self.click(dlg, 2)
        self.wait_gone(dlg, timeout)

    def message_box(self, owner=None, timeout=10, title=None):
        """Waits for a message box; returns (hwnd, text of its message)."""
        dlg = self.find(cls="#32770", owner=owner, title=title, timeout=timeout)
        text = ""
        for child in self.children(dlg):
            if child.cls.lower() == "static" and child.title:
                text = child.title
        return dlg, text

    # -- pixels --
    def capture(self, x, y, w, h):
        """The screen area as a PIL image (RGB)."""
        from PIL import Image
        fd, path = tempfile.mkstemp(suffix=".bmp", dir=self.session.scratch)
        os.close(fd)
        try:
            self.call("capture", self.session.windows_path(path), x, y, w, h)
            with Image.open(path) as im:
                return im.convert("RGB")
        finally:
            os.unlink(path)

    def capture_client(self, hwnd, w=None, h=None):
        """The window's client area (or its top-left w x h) as read back from the screen."""
        win = self.info(hwnd)
        cw, ch = win.client_size
        return self.capture(win.client[0], win.client[1], w or cw, h or ch)

    # -- questions answered inside the program (probe.dll) --
    def probe(self, hwnd, question, arg=0, timeout=10):
        """Asks the window's thread a question (probe.dll) and waits up to `timeout` seconds
        for its message loop to answer."""
        res = self.call("probe", hwnd, question, arg, int(timeout * 1000), timeout=timeout + 30)
        return int(res[0]), "\t".join(res[1:])

    def menu_state(self, hwnd, cmd_id):
        """(GetMenuState flags, item text) of a command of the window's menu."""
        return self.probe(hwnd, PROBE_MENU_STATE, cmd_id)

    def menu_items(self, hwnd, popup=0xFFFF):
        """[(id, state, text)] of the menu bar or of one of its popups."""
        count, _ = self.probe(hwnd, PROBE_MENU_COUNT, popup)
        items = []
        for pos in range(max(count, 0)):
            ident, rest = self.probe(hwnd, PROBE_MENU_ITEM, (popup << 16) | pos)
            state, _, text = rest.partition("\t")
            items.append((ident, int(state), text))
        return items

    def start_title_log(self, hwnd):
        """From now on the window's process records every text the window is given."""
        if self.probe(hwnd, PROBE_TITLE_LOG)[0] != 1:
            raise HarnessError("the title log could not be started")

    def title_log(self, hwnd):
        """The texts the window was given since start_title_log, in order."""
        count, _ = self.probe(hwnd, PROBE_TITLE_ENTRY, 0)
        return [self.probe(hwnd, PROBE_TITLE_ENTRY, i)[1] for i in range(count)]

    def command_after_titles(self, hwnd, count, cmd_id):
        """Once the title log holds count texts, the program posts itself WM_COMMAND cmd_id
        (from inside the WM_SETTEXT that brought the count there)."""
        if self.probe(hwnd, PROBE_TITLE_ARM, (count << 16) | cmd_id)[0] != 1:
            raise HarnessError("start the title log first")

    def scroll_info(self, hwnd, bar):
        """(position, minimum, maximum) of the window's horizontal (bar 0) or vertical (1)
        scroll bar, asked inside its process."""
        pos, text = self.probe(hwnd, PROBE_SCROLL, bar)
        lo, hi = (int(v) for v in text.split())
        return pos, lo, hi

    def object_type(self, hwnd, handle):
        """GetObjectType of a GDI handle, asked inside the window's process."""
        return self.probe(hwnd, PROBE_OBJECT_TYPE, handle)[0]

    def memory_kib(self, hwnd):
        """Private bytes of the window's process, in KiB."""
        return self.probe(hwnd, PROBE_MEMORY)[0]

    def window_long(self, hwnd, index):
        """GetWindowLongA of the window at a byte offset, asked inside its process; as an
        unsigned 32-bit value (handles)."""
        return self.probe(hwnd, PROBE_WINDOW_LONG, index)[0] & 0xFFFFFFFF

    def bitmap_info(self, hwnd, handle):
        """(width, height, bits per pixel) of a bitmap of the window's process, or None."""
        ok, text = self.probe(hwnd, PROBE_BITMAP_INFO, handle)
        return tuple(int(v) for v in text.split()) if ok == 1 else None

    def count_avi_calls(self, hwnd):
        """From now on the window's process counts its calls of AVIFileInit and AVIFileExit."""
        if self.probe(hwnd, PROBE_AVI_CALLS, 1)[0] != 1:
            raise HarnessError("the AVI library calls cannot be counted")

    def avi_calls(self, hwnd):
        """(AVIFileInit calls, AVIFileExit calls) since count_avi_calls."""
        inits, exits = self.probe(hwnd, PROBE_AVI_CALLS, 0)
        return inits, int(exits)

    def palette_size(self, hwnd, handle):
        """Entries of a logical palette of the window's process (0 when it is none)."""
        return self.probe(hwnd, PROBE_PALETTE_SIZE, handle)[0]

    def bitmap_image(self, hwnd, handle):
        """The pixels of a bitmap of the window's process as a PIL image (RGB), or None."""
        from PIL import Image
        ok, text = self.probe(hwnd, PROBE_BITMAP_SAVE, handle)
        if ok != 1:
            return None
        path = self.session.unix_path(text)
        try:
            with Image.open(path) as im:
                return im.convert("RGB")
        finally:
            os.unlink(path)


class Program:
    """A program started under Wine, with its log file."""

    def __init__(self, session, proc, log=None):
        self.session = session
        self.proc = proc
        self.log = log
        self.windows = []  # the windows find_window found

    def find_window(self, cls=None, title=None, timeout=30):
        """Waits for a visible top-level window of the program's class or title, or for the
        program to end (then at once, with its exit code and log), whichever comes first."""
        deadline = time.monotonic() + timeout
        while True:
            hwnd = self.session.wctl.try_find(cls, title, timeout=min(1.0, timeout))
            if hwnd:
                self.windows.append(hwnd)
                return hwnd
            if not self.running():
                raise HarnessError("the program ended with exit code %s before its window "
                                   "class=%r title=%r appeared; its log: %s"
                                   % (self.proc.returncode, cls, title, self.log))
            if time.monotonic() >= deadline:
                raise HarnessError("no window class=%r title=%r within %s s, though the program "
                                   "is still running; its log: %s" % (cls, title, timeout, self.log))

    def wait(self, timeout=20):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise HarnessError("program did not end within %s s" % timeout)

    def running(self):
        return self.proc.poll() is None

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        # The server drops a killed program's windows a moment after its end: the next
        # program's test must not find them.
        if self.session._wctl:
            for hwnd in self.windows:
                self.session._wctl.wait_gone(hwnd, 10)
        self.windows = []


WINE64 = "/usr/lib/wine/wine64"
# The 64-bit loader is linked at 0x7d000000 and comes without the preloader that would reserve
# Wine's fixed addresses before anything else is mapped. The kernel places a 64-bit process's
# heap anywhere in the gigabyte above its program, so now and then the heap already covers
# 0x7ffe0000 when Wine maps the shared user data there, and the program dies at its start
# ("failed to map the shared user data"). Without address randomisation the heap starts right
# after the loader, 48 MB below; the setting passes to every process Wine starts in turn.
WINE64_START = ["setarch", "-R", WINE64]


def windows_build_dir():
    """The Windows tree whose programs this machine's Wine runs: build/win, or build/win64
    where scripts/wine-arch says the machine cannot run 32-bit programs."""
    arch = subprocess.run([os.path.join(SOURCE_ROOT, "scripts", "wine-arch")],
                          capture_output=True, text=True).stdout.strip()
    return os.path.join(SOURCE_ROOT, "build", "win64" if arch == "win64" else "win")


def build_arch(build_dir):
    """The kind of prefix a Windows build tree's programs need, "win32" or "win64", as its
    configuration wrote it (a 64-bit tree exists where the machine cannot run 32-bit code)."""
    try:
        with open(os.path.join(build_dir, "wine-arch.txt")) as f:
            return f.read().strip() or "win32"
    except OSError:
        return "win32"


class Session:
    def __init__(self, build_dir, depth=24, size=(1024, 768), name=None, log_folder=None):
        self.build_dir = os.path.abspath(build_dir)
        self.depth = depth
        self.size = size
        self.name = name or ("d%d" % depth)
        self.xvfb = None
        self.display = None
        self.prefix = os.path.join(self.build_dir, "wine", "prefix-" + self.name)
        self.owns_server = False
        self.procs = []
        self._wctl = None
        self.scratch = None
        self.attached = False
        self.logs = ProgramLogs(self.build_dir, log_folder)
        self.arch = build_arch(self.build_dir)
        # Debian's "wine" starts the 32-bit loader whenever it is installed, even where the
        # kernel cannot run it: a 64-bit tree names the 64-bit loader itself, started as
        # WINE64_START says.
        self.wine = ["wine"] if self.arch == "win32" else WINE64_START
        self.log_scope = ""  # the test now running, which names the logs of what it starts

    # -- life cycle --
    @classmethod
    def attach_or_start(cls, build_dir=None, depth=24):
        """The session of the enclosing winharness run when there is one at this depth, else
        a new one of our own."""
        env_depth = os.environ.get("XQV_SESSION_DEPTH")
        if env_depth and int(env_depth) == depth and os.environ.get("XQV_SESSION_BUILD"):
            s = cls(os.environ["XQV_SESSION_BUILD"], depth, name=os.environ["XQV_SESSION_NAME"])
            s.display = os.environ["DISPLAY"]
            s.attached = True
            s.scratch = tempfile.mkdtemp(prefix="xqv-", dir=s._scratch_root())
            atexit.register(s.close)
            return s
        s = cls(build_dir or os.environ.get("XQV_SESSION_BUILD") or
                windows_build_dir(), depth)
        s.start()
        return s

    def _scratch_root(self):
        root = os.path.join(self.build_dir, "wine", "scratch")
        os.makedirs(root, exist_ok=True)
        return root

    def start(self):
        atexit.register(self.close)
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(sig, self._on_signal)
        self.scratch = tempfile.mkdtemp(prefix="xqv-", dir=self._scratch_root())
        mark = self.logs.mark()
        try:
            self._start_xvfb()
            self._ensure_prefix()
            # The server stays for the whole session and writes to its log as long as it runs.
            with self.logs.open("wineserver-" + self.name, ["wineserver", "-p"]) as log:
                subprocess.run(["wineserver", "-p"], env=self.env(), check=True, timeout=30,
                               stdout=log, stderr=subprocess.STDOUT)
        except (subprocess.SubprocessError, OSError, HarnessError) as e:
            report = self.logs.report(mark)
            raise HarnessError("the Wine session could not be started: %s\n%s%s"
                               % (e, report, _hint(report)))
        self.owns_server = True
        return self

    def _on_signal(self, signum, frame):
        self.close()
        sys.exit(128 + signum)

    def _start_xvfb(self):
        # Xvfb picks a free display number itself and writes it to the pipe once it accepts
        # connections: no guessing among numbers that parallel sessions may take, no polling.
        w, h = self.size
        read_end, write_end = os.pipe()
        argv = ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx%d" % (w, h, self.depth),
                "-nolisten", "tcp", "-noreset"]
        try:
            with self.logs.open("xvfb-" + self.name, argv) as log:
                self.xvfb = subprocess.Popen(argv, stdout=log, stderr=subprocess.STDOUT,
                                             pass_fds=(write_end,))
            os.close(write_end)
            write_end = None
            number = self._read_display_number(read_end, 30)
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)
        if number is None:
            raise HarnessError("Xvfb did not report a display within 30 s (exit code %s)"
                               % self.xvfb.poll())
        self.display = ":%d" % number

    @staticmethod
    def _read_display_number(fd, timeout):
        """The display number Xvfb writes to the pipe, or None if it ends or times out first."""
        text = b""
        deadline = time.monotonic() + timeout
        while not text.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                return None
            chunk = os.read(fd, 64)
            if not chunk:
                return None
            text += chunk
        return int(text)

    def _ensure_prefix(self):
        marker = os.path.join(self.prefix, ".xqv-ready")
        if os.path.exists(marker):
            self._install_fonts()
            return
        shutil.rmtree(self.prefix, ignore_errors=True)
        os.makedirs(os.path.dirname(self.prefix), exist_ok=True)
        env = self.env()
        argv = self.wine + ["wineboot", "-i"]
        with self.logs.open("wineboot-" + self.name, argv) as log:
            subprocess.run(argv, env=env, check=True, timeout=300,
                           stdout=log, stderr=subprocess.STDOUT)
        # Without a window manager Wine would wait in DestroyWindow for a map acknowledgement.
        self.reg_set(r"HKCU\Software\Wine\X11 Driver", "Managed", "N")
        subprocess.run(["wineserver", "-w"], env=env, timeout=120)
        self._install_fonts()
        with open(marker, "w") as f:
            f.write("ready\n")

    def _install_fonts(self):
        # Debian's 32-bit Wine looks for its own fonts (Marlett, MS Sans Serif, Tahoma...) in
        # a folder that does not exist; in the prefix's Fonts folder it finds them, as a
        # Windows installation would have them.
        src = "/usr/share/wine/fonts"
        dst = os.path.join(self.prefix, "drive_c", "windows", "Fonts")
        if not os.path.isdir(src) or not os.path.isdir(dst):
            return
        for name in os.listdir(src):
            target = os.path.join(dst, name)
            if not os.path.exists(target):
                shutil.copyfile(os.path.join(src, name), target)

    def reg_set(self, key, value, data, kind="REG_SZ"):
        argv = self.wine + ["reg", "add", key, "/v", value, "/t", kind, "/d", str(data), "/f"]
        with self.logs.open("reg", argv) as log:
            subprocess.run(argv, env=self.env(), check=True, timeout=120, stdout=log,
                           stderr=subprocess.STDOUT)

    def reg_delete(self, key, value):
        argv = self.wine + ["reg", "delete", key, "/v", value, "/f"]
        with self.logs.open("reg", argv) as log:
            subprocess.run(argv, env=self.env(), timeout=120, stdout=log,
                           stderr=subprocess.STDOUT)

    def set_app_version(self, exe_name, version):
        """Makes GetVersion answer as the given Windows version ("nt351", "win31", "win10")
        for programs of that file name only."""
        self.reg_set(r"HKCU\Software\Wine\AppDefaults\%s" % exe_name, "Version", version)

    def close(self):
        if self._wctl:
            self._wctl.close()
            self._wctl = None
        for p in self.procs:
            if p.poll() is None:
                p.kill()
                p.wait()
        self.procs = []
        if self.owns_server:
            subprocess.run(["wineserver", "-k"], env=self.env(), timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                subprocess.run(["wineserver", "-w"], env=self.env(), timeout=30)
            except subprocess.TimeoutExpired:
                pass
            self.owns_server = False
        if self.xvfb and self.xvfb.poll() is None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        self.xvfb = None
        if self.scratch:
            shutil.rmtree(self.scratch, ignore_errors=True)
            self.scratch = None

    # -- programs --
    def env(self, extra=None):
        env = dict(os.environ)
        env.update({
            "DISPLAY": self.display or env.get("DISPLAY", ""),
            "WINEPREFIX": self.prefix,
            # Errors and warnings stay on: they go to each program's log.
            "WINEDEBUG": env.get("XQV_WINEDEBUG", "fixme-all"),
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
            "XQV_SESSION_BUILD": self.build_dir,
            "XQV_SESSION_DEPTH": str(self.depth),
            "XQV_SESSION_NAME": self.name,
            "WINEARCH": self.arch,
        })
        if self.arch == "win64":
            env["WINELOADER"] = WINE64
        if extra:
            env.update(extra)
        return env

    def tool(self, name):
        return os.path.join(self.build_dir, "tests", "harness", name)

    def unix_path(self, path):
        """The host path of a Windows path of the prefix (drive letter through dosdevices)."""
        drive, rest = path[0].lower(), path[2:].replace("\\", "/").lstrip("/")
        return os.path.join(self.prefix, "dosdevices", drive + ":", rest)

    def windows_path(self, path):
        """The Windows name of a Linux path (through drive Z:)."""
        return "Z:" + os.path.abspath(path).replace("/", "\\")

    def log_label(self, argv):
        """What a program's log is named by: the test now running and the program's file."""
        exe = os.path.basename(str(argv[0]).replace("\\", "/"))
        return "%s-%s" % (self.log_scope, exe) if self.log_scope else exe

    def spawn(self, argv, cwd=None, track=True, **kw):
        """Starts a program under Wine; what it writes and its standard streams that the
        caller does not take go to its log. Returns (process, log path)."""
        full = self.wine + [str(a) for a in argv]
        with self.logs.open(self.log_label(argv), full, cwd) as log:
            if "stdout" in kw:
                kw.setdefault("stderr", log)
            else:
                kw.update(stdout=log, stderr=subprocess.STDOUT)
            proc = subprocess.Popen(full, cwd=cwd, env=self.env(kw.pop("env", None)), **kw)
        if track:
            self.procs.append(proc)
        return proc, log.name

    def run(self, exe, *args, cwd=None, timeout=60, env=None):
        """Runs a program to its end; returns (exit code, stdout, stderr). Standard error (with
        Wine's messages) goes to the program's log, standard output to a file beside it that is
        added to the log at the end. Files, not pipes: helper processes that Wine starts may
        inherit the handles and would keep a pipe open after the program has ended."""
        with tempfile.TemporaryFile("w+", errors="replace") as out:
            proc, log = self.spawn([exe] + list(args), cwd=cwd, env=env, stdout=out, track=False)
            try:
                proc.wait(timeout)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                stdout, stderr = self._finish_log(log, out)
                raise HarnessError("%s did not end within %s s; its log: %s\n%s%s"
                                   % (exe, timeout, log, stderr, stdout))
            stdout, stderr = self._finish_log(log, out)
            return proc.returncode, stdout, stderr

    @staticmethod
    def _finish_log(log, out):
        """Appends the program's standard output to its log; returns (standard output,
        standard error as logged)."""
        out.seek(0)
        text = out.read()
        with open(log, "r+", errors="replace") as f:
            err = f.read()
            f.write("# standard output:\n" + text)
        return text, err

    def launch(self, exe, *args, cwd=None, env=None):
        """Starts a program and returns at once."""
        proc, log = self.spawn([exe] + [str(a) for a in args], cwd=cwd, env=env)
        return Program(self, proc, log)

    @property
    def wctl(self):
        if not self._wctl:
            self._wctl = Wctl(self)
        return self._wctl


def _main(argv):
    import argparse
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--build", required=True)
    ap.add_argument("--depth", type=int, default=24)
    ap.add_argument("command", nargs=argparse.REMAINDER)
    opts = ap.parse_args(argv)
    cmd = opts.command[1:] if opts.command[:1] == ["--"] else opts.command
    session = Session(opts.build, opts.depth, log_folder="session-d%d" % opts.depth)
    try:
        session.start()
    except HarnessError as e:
        print("winharness: %s" % e, file=sys.stderr)
        session.close()
        return 1
    try:
        return subprocess.call(cmd, env=session.env())
    finally:
        session.close()


if __name__ == "__main__":
    sys.exit(_main(sys.argv[1:]))
