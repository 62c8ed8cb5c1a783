"""Opening 6000 x 4000 JPEGs (4:2:0 and 4:4:4) and a 6000 x 4000 deflate TIFF: our reading
routines in the Windows build, timed inside a program on Wine, against a bare default decode
of the same file into one freshly allocated whole-picture buffer in that program (for JPEG
the one-row decode beside it, as the library's floor, and djpeg on the host), all in this run.
The same at 3000 x 2000 gives the scale check: per-pixel costs of the two sizes compared."""
import os
import statistics
import subprocess
import time

import numpy as np
from PIL import Image

from parts import program_lines

WIDTH, HEIGHT, RUNS, ROUNDS = 6000, 4000, 5, 3
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
    """Every round's figures, in milliseconds, by name; None when the program failed."""
    # Invocations alternate between the host reference and the Wine program, so that a busy
    # moment of the machine hits both; inside the program the routines change order each round.
    found = {}
    for _ in range(RUNS):
        if host_djpeg:
            found.setdefault("djpeg", []).append(djpeg_ms(jpeg))
        lines = program_lines(session, exe, session.windows_path(jpeg),
                              session.windows_path(tiff), ROUNDS, session.windows_path(jpeg444))
        if lines is None:
            return None
        for name, value in lines:
            found.setdefault(name, []).append(float(value))
    return found


def paired(found, ours, reference):
    """The median of the rounds' own ratios: each round's two figures were taken moments
    apart, so a slow spell of the machine shows in both."""
    return statistics.median(a / b for a, b in zip(found[ours], found[reference]))


def run(session, out):
    exe = os.path.join(session.build_dir, "tests", "bin", "bench_readers_win.exe")
    jpeg, jpeg444, tiff = make_files(out)
    found = figures(session, exe, jpeg, jpeg444, tiff, True)
    if found is None:
        return
    small = figures(session, exe, *make_files(out, WIDTH // 2, HEIGHT // 2), False)
    if small is None:
        return
    best = {name: min(values) for name, values in found.items()}
    rounds = RUNS * ROUNDS
    for key, name in (("jpeg", "4:2:0"), ("jpeg2", "4:4:4")):
        print("  JPEG %s %dx%d, best of %d rounds: ours %.0f ms, fresh-buffer decode %.0f ms,"
              " one-row decode %.0f ms (the library's floor); median of the rounds' own ratios"
              " %.2f" % (name, WIDTH, HEIGHT, rounds, best[key + "_load"],
                         best[key + "_bare_fresh"], best[key + "_bare"],
                         paired(found, key + "_load", key + "_bare_fresh")))
    print("  JPEG 4:2:0: djpeg on the host %.0f ms" % best["djpeg"])
    print("  TIFF %dx%d deflate, best of %d rounds: ours %.0f ms, TIFFReadRGBAImage into a fresh"
          " raster %.0f ms; median of the rounds' own ratios %.2f"
          % (WIDTH, HEIGHT, rounds, best["tiff_load"], best["tiff_bare_rgba"],
             paired(found, "tiff_load", "tiff_bare_rgba")))
    # Time ratios of the best figures: below 1 we are faster.
    for ours, reference, line in (
            ("jpeg_load", "jpeg_bare_fresh", "JPEG 4:2:0 vs fresh-buffer decode"),
            ("jpeg_load", "jpeg_bare", "JPEG 4:2:0 vs one-row decode"),
            ("jpeg2_load", "jpeg2_bare_fresh", "JPEG 4:4:4 vs fresh-buffer decode"),
            ("jpeg2_load", "jpeg2_bare", "JPEG 4:4:4 vs one-row decode"),
            ("tiff_load", "tiff_bare_rgba", "TIFF vs fresh-buffer decode")):
        print("%s: %.2fx" % (line, best[ours] / best[reference]))
    # Four times the pixels should cost four times the time: per-pixel ratios near 1.
    for key, name in (("jpeg_load", "JPEG 4:2:0"), ("jpeg2_load", "JPEG 4:4:4"),
                      ("tiff_load", "TIFF")):
        print("%s scale, per-pixel cost %dx%d / %dx%d: %.2fx"
              % (name, WIDTH, HEIGHT, WIDTH // 2, HEIGHT // 2, best[key] / (4 * min(small[key]))))
