"""Opening 6000 x 4000 JPEGs (4:2:0 and 4:4:4) and a 6000 x 4000 deflate TIFF: our reading
routines in the Windows build, timed inside a program on Wine, against a bare default decode
of the same file into one freshly allocated whole-picture buffer in that program (for JPEG
the one-row decode beside it, as the library's floor, and djpeg on the host), all in this run.
The same at 3000 x 2000 gives the scale check: per-pixel costs of the two sizes compared."""
import os
import subprocess
import time

import numpy as np
from PIL import Image

from parts import program_lines

WIDTH, HEIGHT, RUNS = 6000, 4000, 5
top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def make_files(out, width=WIDTH, height=HEIGHT):
    jpeg = os.path.join(out, "large-%dx%d.jpg" % (width, height))
    jpeg444 = os.path.join(out, "large-%dx%d-444.jpg" % (width, height))
    tiff = os.path.join(out, "large-%dx%d-deflate.tif" % (width, height))
    if not os.path.exists(jpeg) or not os.path.exists(jpeg444):
        y, x = np.mgrid[0:height, 0:width].astype(np.float32)
        # The same picture at any size: the patterns scale with it.
        y, x = y * (HEIGHT / height), x * (WIDTH / width)
        rng = np.random.default_rng(4)
        r = 128 + 100 * np.sin(x / 97.0) * np.cos(y / 131.0)
        g = 255 * x / WIDTH
        b = 128 + 90 * np.sin((x + y) / 53.0)
        pic = np.stack([r, g, b], axis=-1) + rng.normal(0, 6, (height, width, 3))
        ppm = jpeg + ".ppm"
        Image.fromarray(np.clip(pic, 0, 255).astype(np.uint8)).save(ppm)
        with open(jpeg, "wb") as f:  # cjpeg's default sampling: 4:2:0
            subprocess.run(["cjpeg", "-quality", "90", ppm], stdout=f, check=True)
        with open(jpeg444, "wb") as f:
            subprocess.run(["cjpeg", "-quality", "90", "-sample", "1x1", ppm], stdout=f,
                           check=True)
        os.unlink(ppm)
    if not os.path.exists(tiff):
        tool = os.path.join(top, "build", "host", "tests", "tiff", "make_tiff_samples")
        subprocess.run([tool, "--large", tiff, str(width), str(height)], check=True)
    return jpeg, jpeg444, tiff


def djpeg_ms(jpeg):
    start = time.perf_counter()
    subprocess.run(["djpeg", "-pnm", "-outfile", os.devnull, jpeg], check=True)
    return (time.perf_counter() - start) * 1000


def figures(session, exe, jpeg, jpeg444, tiff, host_djpeg):
    """The best of RUNS rounds of each figure, in milliseconds; None when the program failed."""
    # Rounds alternate between the host reference and the Wine program, so that a busy
    # moment of the machine hits both; each figure is the best of its rounds.
    best = {}
    for _ in range(RUNS):
        found = {"djpeg": djpeg_ms(jpeg)} if host_djpeg else {}
        lines = program_lines(session, exe, session.windows_path(jpeg),
                              session.windows_path(tiff), 1, session.windows_path(jpeg444))
        if lines is None:
            return None
        found.update((name, float(value)) for name, value in lines)
        for name, value in found.items():
            best[name] = min(best.get(name, value), value)
    return best


def run(session, out):
    exe = os.path.join(session.build_dir, "tests", "bin", "bench_readers_win.exe")
    jpeg, jpeg444, tiff = make_files(out)
    best = figures(session, exe, jpeg, jpeg444, tiff, True)
    if best is None:
        return
    small = figures(session, exe, *make_files(out, WIDTH // 2, HEIGHT // 2), False)
    if small is None:
        return
    for key, name in (("jpeg", "4:2:0"), ("jpeg2", "4:4:4")):
        print("  JPEG %s %dx%d: ours %.0f ms, fresh-buffer decode %.0f ms, one-row decode %.0f ms"
              " (the library's floor)" % (name, WIDTH, HEIGHT, best[key + "_load"],
                                          best[key + "_bare_fresh"], best[key + "_bare"]))
    print("  JPEG 4:2:0: djpeg on the host %.0f ms" % best["djpeg"])
    print("  TIFF %dx%d deflate: ours %.0f ms, TIFFReadRGBAImage into a fresh raster %.0f ms"
          % (WIDTH, HEIGHT, best["tiff_load"], best["tiff_bare_rgba"]))
    # Time ratios: below 1 we are faster.
    print("JPEG 4:2:0 vs fresh-buffer decode: %.2fx" % (best["jpeg_load"] / best["jpeg_bare_fresh"]))
    print("JPEG 4:2:0 vs one-row decode: %.2fx" % (best["jpeg_load"] / best["jpeg_bare"]))
    print("JPEG 4:4:4 vs fresh-buffer decode: %.2fx"
          % (best["jpeg2_load"] / best["jpeg2_bare_fresh"]))
    print("JPEG 4:4:4 vs one-row decode: %.2fx" % (best["jpeg2_load"] / best["jpeg2_bare"]))
    print("TIFF vs fresh-buffer decode: %.2fx" % (best["tiff_load"] / best["tiff_bare_rgba"]))
    # Four times the pixels should cost four times the time: per-pixel ratios near 1.
    for key, name in (("jpeg_load", "JPEG 4:2:0"), ("jpeg2_load", "JPEG 4:4:4"),
                      ("tiff_load", "TIFF")):
        print("%s scale, per-pixel cost %dx%d / %dx%d: %.2fx"
              % (name, WIDTH, HEIGHT, WIDTH // 2, HEIGHT // 2, best[key] / (4 * small[key])))
