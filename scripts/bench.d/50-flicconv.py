"""The converter: a generated 600-frame 640 x 480 FLC of word-delta frames converted to an
uncompressed AVI by the real program on Wine (from the Save dialog's OK to the closed file and
the movie loaded again), against `ffmpeg -i in.flc -c:v rawvideo out.avi` on the same file in
the same run. Then the same writes with the benchmark's build of the converter (flicconv_timed,
which times the write loop's parts), to split our time per frame into message pumping, title,
stepping, painting and AVI writing, beside ffmpeg's time per frame. Last, the timed build on
the same movie 150 frames long, for the loop's cost per frame at two lengths."""
import contextlib
import os
import subprocess
import sys
import time

top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(top, "tests", "flicconv"))
import converter_e2e  # noqa: E402
import flicwriter  # noqa: E402
from avi import Avi  # noqa: E402

RUNS = 3


def ffmpeg_seconds(flc, out):
    start = time.perf_counter()
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", flc, "-c:v", "rawvideo", out],
                   check=True)
    return time.perf_counter() - start


def converter_seconds(session, conv, out, loaded_title):
    if os.path.exists(out):
        os.remove(out)
    conv.command(converter_e2e.CMD_WRITE)
    dlg = session.wctl.file_dialog(conv.main, converter_e2e.SAVE_TITLE)
    start = time.perf_counter()
    session.wctl.call("filedlg", dlg, session.windows_path(out))
    # The end is seen in the title, which another process reads without sending the program a
    # message: asking the program itself (a menu probe every 20 ms) took a third of its time.
    session.wctl.wait_title(conv.main, "~%s (" % os.path.basename(out), timeout=60)
    session.wctl.wait_title(conv.main, loaded_title, timeout=300)
    return time.perf_counter() - start


@contextlib.contextmanager
def loaded_converter(session, flc, exe=None, env=None):
    """(converter, its title with the movie loaded): started, past its start dialog, with no
    compression asked for, the movie loaded; it exits at the end."""
    conv = converter_e2e.Converter(session, exe, env=env)
    try:
        conv.skip_start_dialog()
        conv.configure(None)  # no compression dialog before the writes
        yield conv, conv.load_ok(flc)
        conv.exit()
    finally:
        conv.stop()


def phases_per_frame(session, flc, out_dir):
    """{phase: ms per frame} of the timed build's quickest of RUNS writes."""
    times = os.path.join(out_dir, "frame-times.txt")
    exe = os.path.join(session.build_dir, "bench", "flicconv_timed.exe")
    runs = []
    with loaded_converter(session, flc, exe, {"XQV_FRAME_TIMES": times}) as (conv, loaded_title):
        for _ in range(RUNS):
            if os.path.exists(times):
                os.remove(times)
            converter_seconds(session, conv, os.path.splitext(flc)[0] + "-timed.avi",
                              loaded_title)
            phases = {}
            with open(times) as f:
                for line in f:
                    name, ms, frames = line.split()
                    # the loop writes frames 2 to N
                    phases[name] = float(ms) / max(int(frames) - 1, 1)
            runs.append(phases)
    return min(runs, key=lambda phases: sum(phases.values()))


def movie(out_dir, frames):
    flc = os.path.join(out_dir, "bench%d.flc" % frames)
    if not os.path.exists(flc):
        with open(flc, "wb") as f:
            f.write(flicwriter.benchmark_movie(640, 480, frames))
    return flc


def best_writes(session, flc):
    """(best seconds of ours, best of ffmpeg, samples ours wrote) over RUNS writes of each."""
    base = os.path.splitext(flc)[0]
    ours_avi, ref_avi = base + ".avi", base + "-ffmpeg.avi"
    ours, ref = [], []
    with loaded_converter(session, flc) as (conv, loaded_title):
        for _ in range(RUNS):
            ref.append(ffmpeg_seconds(flc, ref_avi))
            ours.append(converter_seconds(session, conv, ours_avi, loaded_title))
    samples = len(Avi(ours_avi).samples())
    return min(ours), min(ref), samples


def run(session, out_dir):
    flc = movie(out_dir, 600)
    best_ours, best_ref, samples = best_writes(session, flc)
    print("  600 frames 640x480, word deltas, uncompressed AVI (best of %d)" % RUNS)
    print("  flicconv on Wine: %.2f s (%.0f frames/s, %d samples)" % (best_ours, 600 / best_ours,
                                                                    samples))
    print("  ffmpeg rawvideo:  %.2f s (%.0f frames/s)" % (best_ref, 600 / best_ref))
    print("  ratio flicconv / ffmpeg: %.2f (aim: at most 2)" % (best_ours / best_ref))
    phases = phases_per_frame(session, flc, out_dir)
    print("  per frame: " + ", ".join("%s %.3f ms" % (name, phases[name])
                                      for name in ("pump", "title", "step", "paint", "write")))
    ours_frame = phases["step"] + phases["write"]
    print("  our own parts (stepping and AVI writing) %.3f ms per frame; ffmpeg %.3f ms per frame"
          % (ours_frame, best_ref * 1000 / 600))
    # The whole write also holds fixed costs (the dialog, closing the file, loading the movie
    # again), so the scale compares the loop's own cost per frame at the two lengths.
    short = phases_per_frame(session, movie(out_dir, 150), out_dir)
    per_frame, short_frame = sum(phases.values()), sum(short.values())
    print("  the write loop per frame: %.3f ms at 600 frames, %.3f ms at 150 (limit 1.25)"
          % (per_frame, short_frame))
    print("converter own parts per frame vs ffmpeg per frame: %.2fx"
          % (ours_frame / (best_ref * 1000 / 600)))
    print("converter scale, per-frame cost 600 frames / 150 frames: %.2fx"
          % (per_frame / short_frame))
