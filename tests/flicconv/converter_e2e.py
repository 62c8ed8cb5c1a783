"""Driving the real converter on Wine as a user would: its start with the Open dialog, its
menus, the Open, Save, Frame Rate and compression dialogs and its message boxes; plus the
pixel and file checks the end-to-end tests share."""
import json
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import winharness  # noqa: E402
from e2e import BUILD, WineTestCase, wait_until  # noqa: E402,F401
import flicwriter as fw  # noqa: E402

CLASS = "XQV:AVIConvertClass"
TITLE = "FLI/FLC to AVI Movie Converter"
OPEN_TITLE = "File to Convert"
SAVE_TITLE = "Output File"
COMPRESSION_TITLE = "Video Compression"
UNCOMPRESSED = "Full Frames (Uncompressed)"
RLE = "Wine MS-RLE video codec"
MF_GRAYED = winharness.MF_GRAYED
WM_CLOSE = winharness.WM_CLOSE
IDYES, IDNO = 6, 7

CMD_QUIT, CMD_LOAD, CMD_OPEN, CMD_WRITE = 100, 103, 104, 105
CMD_COMPRESS, CMD_FRAME_RATE, CMD_ABOUT, CMD_EXIT = 106, 107, 108, 1001

SM_CXSCREEN, SM_CYSCREEN, SM_CYCAPTION, SM_CXFRAME, SM_CYFRAME, SM_CYMENU = 0, 1, 4, 32, 33, 15


class Converter:
    """One running flicconv.exe."""

    def __init__(self, session, exe=None, env=None):
        self.session = session
        self.w = session.wctl
        self.exe = exe or os.path.join(BUILD, "bin", "flicconv.exe")
        self.proc = session.launch(session.windows_path(self.exe), env=env)
        self.main = self.proc.find_window(cls=CLASS, timeout=30)

    # -- the start --
    def start_dialog(self):
        """The Open dialog that comes up by itself at start."""
        return self.w.file_dialog(self.main, OPEN_TITLE, timeout=20)

    def skip_start_dialog(self):
        self.w.cancel_dialog(self.start_dialog())
        self.sync()

    # -- state --
    def sync(self):
        """Returns once the program has come round to its message queue again."""
        self.w.probe(self.main, winharness.PROBE_FOCUS)

    def title(self):
        return self.w.info(self.main).title

    def menu(self, cmd):
        """(state flags, text) of a menu command."""
        return self.w.menu_state(self.main, cmd)

    def greyed(self, cmd):
        return bool(self.menu(cmd)[0] & MF_GRAYED)

    def capture(self, width, height):
        """The top-left width x height of the client area, or as much of it as there is."""
        self.sync()
        cw, ch = self.w.info(self.main).client_size
        return self.w.capture_client(self.main, min(width, cw), min(height, ch))

    # -- commands --
    def command(self, cmd):
        self.w.command(self.main, cmd)

    def choose(self, dialog_title, path, timeout=20):
        self.w.choose_file(self.main, dialog_title, path, timeout=timeout)

    def load(self, path, dialog_open=False):
        """File, Open through the real dialog (or the one already up); returns once the load
        has finished or a message box has come up."""
        if not dialog_open:
            self.command(CMD_OPEN)
        self.choose(OPEN_TITLE, self.session.windows_path(path) if os.path.isabs(path) else path)
        self.sync()

    def load_ok(self, path, dialog_open=False):
        self.load(path, dialog_open)
        name = os.path.basename(path)
        return self.w.wait_title(self.main, "~%s (" % name, timeout=20)

    def message_box(self, owner=None, title=None, timeout=15):
        """(hwnd, text) of a message box of this program."""
        return self.w.message_box(owner=owner, title=title, timeout=timeout)

    def dismiss(self, box):
        self.w.click(box, 1)
        self.w.wait_gone(box)
        self.sync()

    def frame_rate_dialog(self):
        self.command(CMD_FRAME_RATE)
        return self.w.find(cls="#32770", title="Frame Rate", owner=self.main, timeout=15)

    def set_frame_rate(self, text, ok=True):
        dlg = self.frame_rate_dialog()
        self.w.set_text(self.w.item(dlg, 301), text)
        self.w.click(dlg, 1 if ok else 2)
        self.w.wait_gone(dlg)
        self.sync()

    def frame_rate_shown(self):
        dlg = self.frame_rate_dialog()
        text = self.w.text(self.w.item(dlg, 301))
        self.w.click(dlg, 2)
        self.w.wait_gone(dlg)
        self.sync()
        return text

    # -- compression and writing --
    def compression_dialog(self, timeout=20):
        return self.w.find(cls="#32770", title=COMPRESSION_TITLE, timeout=timeout)

    def answer_compression(self, compressor):
        """Picks the compressor by name and confirms, or cancels with None."""
        dlg = self.compression_dialog()
        if compressor is None:
            self.w.click(dlg, 2)
        else:
            names = self.w.combo_items(self.w.item(dlg, 880))
            self.w.combo_select(dlg, 880, names.index(compressor))
            self.w.click(dlg, 1)
        self.w.wait_gone(dlg)

    def configure(self, compressor=None):
        """Compression, Configure Compress, answered with a compressor or cancelled."""
        self.command(CMD_COMPRESS)
        self.answer_compression(compressor)
        self.sync()

    def start_write(self, path):
        """File, Write AVI and the Save dialog; path is typed as it is when not absolute."""
        self.command(CMD_WRITE)
        self.choose(SAVE_TITLE, self.session.windows_path(path) if os.path.isabs(path) else path)

    def type_output(self, path):
        """File, Write AVI with a Windows path typed into the Save dialog and confirmed;
        returns the dialog, which stays up while it asks whether to replace a file."""
        self.command(CMD_WRITE)
        dlg = self.w.file_dialog(self.main, SAVE_TITLE, timeout=20)
        self.w.call("filedlg", dlg, path)
        return dlg

    def answer_replace(self, dlg, replace, timeout=15):
        """Waits for the question whether to replace an existing file, asked by the Save
        dialog `dlg` (or by the converter, `dlg` its window, when ".avi" was added to the name
        typed), and answers Yes or No. (Its text runs over two lines, which wctl's one-line answers
        cannot carry, so only the box is looked for.)"""
        box = self.w.find(cls="#32770", owner=dlg, timeout=timeout)
        self.w.click(box, IDYES if replace else IDNO)
        self.w.wait_gone(box)

    def start_write_over(self, path):
        """File, Write AVI onto an existing file (a Windows path), replacing it when asked."""
        dlg = self.type_output(path)
        self.answer_replace(dlg, True)
        self.w.wait_gone(dlg, 20)

    def short_path(self, path):
        """The short (8.3) form of an existing file's Windows path."""
        return self.w.call("shortpath", path)[0]

    def writing(self):
        return self.menu(CMD_WRITE)[1] == "&Stop"

    def wait_written(self, timeout=300):
        """Waits until the write loop has ended and the menu is restored."""
        wait_until(lambda: self.menu(CMD_WRITE)[1] == "&Write" and not self.greyed(CMD_OPEN),
                   timeout, "the write to end")

    def write(self, path, compressor="no dialog"):
        self.start_write(path)
        if compressor != "no dialog":
            self.answer_compression(compressor)
        self.wait_written()

    def exit(self, timeout=30):
        self.command(CMD_EXIT)
        return self.proc.wait(timeout)

    def stop(self):
        if self.proc.running():
            self.proc.kill()


def sample(name):
    """A sample flic the build put beside the program."""
    return os.path.join(BUILD, "bin", "flics", name)


def expected_window_size(wctl, width, height):
    m = wctl.metric
    w = 2 * m(SM_CXFRAME) + width
    h = m(SM_CYCAPTION) + 2 * m(SM_CYFRAME) + m(SM_CYMENU) + height
    return min(w, m(SM_CXSCREEN)), min(h, m(SM_CYSCREEN))


def rgb_of(frame, palette):
    """A frame of indices as RGB bytes through the palette."""
    table = bytes(b for c in palette for b in c)
    out = bytearray(len(frame) * 3)
    for i, v in enumerate(frame):
        out[3 * i:3 * i + 3] = table[3 * v:3 * v + 3]
    return bytes(out)


def crop_rgb(rgb, width, size):
    """The top-left part of an RGB picture width pixels wide, of the given size."""
    w, h = size
    return b"".join(rgb[3 * y * width:3 * (y * width + w)] for y in range(h))


def ffprobe(path):
    """ffprobe's view of the first stream, with its packets counted."""
    out = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-show_streams", "-of",
                          "json", path], capture_output=True, text=True, check=True).stdout
    return json.loads(out)["streams"][0]


def ffmpeg_frames(path, width, height):
    """Every frame ffmpeg decodes from a file, as palette indices (top line first)."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt",
                          "pal8", "-"], capture_output=True, check=True).stdout
    size = width * height + 1024
    return [raw[i * size:i * size + width * height] for i in range(len(raw) // size)]


def columns(frame, pitch, start, stop, height):
    return b"".join(frame[y * pitch + start:y * pitch + stop] for y in range(height))


def private_copy(folder, with_logon=True, with_samples=False):
    """A copy of the program in a folder of its own (to run without logon.avi, say)."""
    os.makedirs(folder, exist_ok=True)
    shutil.copy(os.path.join(BUILD, "bin", "flicconv.exe"), folder)
    logon = os.path.join(BUILD, "bin", "logon.avi")
    if with_logon and os.path.exists(logon):
        shutil.copy(logon, folder)
    os.makedirs(os.path.join(folder, "flics"), exist_ok=True)
    if with_samples:
        fw.write_samples(os.path.join(folder, "flics"))
    return os.path.join(folder, "flicconv.exe")
