"""Opening a 6000 x 4000 JPEG and a 6000 x 4000 deflate TIFF: our reading routines in the
Windows build, timed inside a program on Wine, against djpeg on the host decoding the same
JPEG and against a bare TIFFReadRGBAImage of the same TIFF in that Wine program, all in this
run. Aim: at most 1.3 times the reference."""
import os
import subprocess
import time

import numpy as np
from PIL import Image

WIDTH, HEIGHT, RUNS = 6000, 4000, 5
top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def make_files(out):
    jpeg = os.path.join(out, "large-6000x4000.jpg")
    tiff = os.path.join(out, "large-6000x4000-deflate.tif")
    if not os.path.exists(jpeg):
        y, x = np.mgrid[0:HEIGHT, 0:WIDTH].astype(np.float32)
        rng = np.random.default_rng(4)
        r = 128 + 100 * np.sin(x / 97.0) * np.cos(y / 131.0)
        g = 255 * x / WIDTH
        b = 128 + 90 * np.sin((x + y) / 53.0)
        pic = np.stack([r, g, b], axis=-1) + rng.normal(0, 6, (HEIGHT, WIDTH, 3))
        ppm = jpeg + ".ppm"
        Image.fromarray(np.clip(pic, 0, 255).astype(np.uint8)).save(ppm)
        with open(jpeg, "wb") as f:
            subprocess.run(["cjpeg", "-quality", "90", ppm], stdout=f, check=True)
        os.unlink(ppm)
    if not os.path.exists(tiff):
        tool = os.path.join(top, "build", "host", "tests", "tiff", "make_tiff_samples")
        subprocess.run([tool, "--large", tiff, str(WIDTH), str(HEIGHT)], check=True)
    return jpeg, tiff


def djpeg_ms(jpeg):
    start = time.perf_counter()
    subprocess.run(["djpeg", "-pnm", "-outfile", os.devnull, jpeg], check=True)
    return (time.perf_counter() - start) * 1000


def run(session, out):
    jpeg, tiff = make_files(out)
    exe = os.path.join(session.build_dir, "tests", "bin", "bench_readers_win.exe")
    # Rounds alternate between the host reference and the Wine program, so that a busy
    # moment of the machine hits both; each figure is the best of its rounds.
    best = {}
    for _ in range(RUNS):
        figures = {"djpeg": djpeg_ms(jpeg)}
        code, stdout, stderr = session.run(exe, session.windows_path(jpeg),
                                           session.windows_path(tiff), 1, timeout=600)
        if code != 0:
            print("  bench_readers_win failed (%d): %s" % (code, stderr.strip()))
            return
        for line in stdout.splitlines():
            if line.strip():
                name, value = line.split()
                figures[name] = float(value)
        for name, value in figures.items():
            best[name] = min(best.get(name, value), value)
    print("  JPEG %dx%d: ours on Wine %.0f ms, djpeg on the host %.0f ms: ratio %.2f"
          % (WIDTH, HEIGHT, best["jpeg_load"], best["djpeg"], best["jpeg_load"] / best["djpeg"]))
    print("  JPEG: a bare default decode on Wine (what djpeg does, in the Windows build) %.0f ms:"
          " ours/bare %.2f" % (best["jpeg_bare"], best["jpeg_load"] / best["jpeg_bare"]))
    print("  TIFF %dx%d deflate: ours on Wine %.0f ms, bare TIFFReadRGBAImage on Wine %.0f ms:"
          " ratio %.2f" % (WIDTH, HEIGHT, best["tiff_load"], best["tiff_bare_rgba"],
                           best["tiff_load"] / best["tiff_bare_rgba"]))
