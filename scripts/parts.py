"""Runs the parts of a folder (scripts/demo.d, scripts/bench.d) in name order inside one Wine
session: each part is a Python file defining run(session, out_dir)."""
import importlib.util
import os
import sys

top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(top, "tests", "harness"))
import winharness  # noqa: E402


def program_lines(session, exe, *args, timeout=600):
    """Runs a Windows benchmark program; returns the fields of each non-blank line it printed,
    or None after saying that it failed."""
    code, stdout, stderr = session.run(exe, *args, timeout=timeout)
    if code != 0:
        print("  %s failed (%d): %s" % (os.path.basename(exe)[:-4], code, stderr.strip()))
        return None
    return [line.split() for line in stdout.splitlines() if line.strip()]


def run_parts(parts_dir, out, wanted=(), banner="=="):
    session = winharness.Session(winharness.windows_build_dir())
    session.start()
    try:
        for name in sorted(os.listdir(parts_dir)):
            if not name.endswith(".py") or (wanted and not any(w in name for w in wanted)):
                continue
            found = importlib.util.spec_from_file_location(name[:-3], os.path.join(parts_dir, name))
            part = importlib.util.module_from_spec(found)
            found.loader.exec_module(part)
            print(banner, name[:-3])
            part.run(session, out)
    finally:
        session.close()
