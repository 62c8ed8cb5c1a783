"""Viewer start to frame shown against a minimal Win32 program that creates and shows one
window, on the same warm prefix: both started by a timing program on Wine that waits until
the new process is idle with its window shown (WaitForInputIdle, an event, not polling), the
two taking turns in alternating order, 21 starts each; the medians are compared."""
import os

from parts import program_lines

STARTS = 21


def run(session, out):
    bin_dir = os.path.join(session.build_dir, "tests", "bin")
    exe = os.path.join(bin_dir, "bench_start_win.exe")
    viewer = session.windows_path(os.path.join(session.build_dir, "bin", "viewer.exe"))
    minimal = session.windows_path(os.path.join(bin_dir, "bench_minimal_win.exe"))
    lines = program_lines(session, exe, STARTS, viewer, minimal)
    if lines is None:
        return
    median = {}
    for index, mid, low, high, _ in lines:
        name = ("viewer", "minimal program")[int(index)]
        median[name] = float(mid)
        print("  %s: median %s ms of %d starts (from %s to %s ms)" % (name, mid, STARTS, low, high))
    # Each round's two starts come moments apart: their own ratio is robust to a slow spell.
    # The minimal program's line carries the viewer's time to its own.
    print("  median of the rounds' own ratios, viewer to minimal program: %.2f"
          % float(lines[1][4]))
    print("viewer start vs minimal program: %.2fx" % (median["viewer"] / median["minimal program"]))
