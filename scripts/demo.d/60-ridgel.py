"""ridgel: the demo dialog with every kind of control, once plain and once with ridgel.dll
loaded, under platform versions 3 (glyph check boxes and radio buttons) and 10; one
screenshot of each, and one more of the version-3 dialog after a few real clicks."""
import os
import shutil

import e2e

RUNS = (
    # (screenshot, program file name, platform version, argument)
    ("ridgel-plain.png", "ridgel_demo_win10.exe", "win10", "plain"),
    ("ridgel-v3.png", "ridgel_demo_nt351.exe", "nt351", "ridgel"),
    ("ridgel-v10.png", "ridgel_demo_win10.exe", "win10", "ridgel"),
)


def _copies(session, folder):
    """The demo under the file names the versions are set for, with the DLL beside them."""
    os.makedirs(folder, exist_ok=True)
    shutil.copy(os.path.join(e2e.BUILD, "bin", "ridgel.dll"), folder)
    for _, name, version, _ in RUNS:
        shutil.copy(os.path.join(e2e.BUILD, "bin", "ridgel_demo.exe"), os.path.join(folder, name))
        session.set_app_version(name, version)


def _shoot(w, dlg, path):
    """Saves the dialog as shown once two successive captures agree (painting has ended)."""
    info = w.info(dlg)
    last = w.capture(info.rect[0], info.rect[1], *info.size)
    for _ in range(50):
        w.probe(dlg, 6)  # the dialog's message loop has come round
        shot = w.capture(info.rect[0], info.rect[1], *info.size)
        if shot.tobytes() == last.tobytes():
            break
        last = shot
    last.save(path)


def _click(w, dlg, item_id):
    """A real click on a control; the dialog sees each step before the next."""
    c = w.info(w.item(dlg, item_id))
    x, y = (c.client[0] + c.client[2]) // 2 - 20, (c.client[1] + c.client[3]) // 2
    for what in ("move", "down", "up"):
        w.mouse(x, y, what)
        w.probe(dlg, 6)


def run(session, out):
    folder = os.path.join(session.scratch, "ridgel-demo")
    _copies(session, folder)
    w = session.wctl
    for shot, name, _, arg in RUNS:
        prog = session.launch(session.windows_path(os.path.join(folder, name)), arg)
        try:
            dlg = prog.find_window(cls="#32770", title="~Raised look", timeout=30)
            w.foreground(dlg)
            _shoot(w, dlg, os.path.join(out, shot))
            print("  %s: %s" % (shot, w.info(dlg).title))
            if shot == "ridgel-v3.png":
                for item_id in (206, 207, 210, 213):  # plain, auto, auto 3-state, third radio
                    _click(w, dlg, item_id)
                _shoot(w, dlg, os.path.join(out, "ridgel-v3-clicked.png"))
                print("  ridgel-v3-clicked.png: after clicking four buttons")
            w.click(dlg, 1)
            prog.wait(20)
        finally:
            if prog.running():
                prog.kill()
