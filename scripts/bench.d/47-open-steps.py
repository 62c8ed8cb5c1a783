"""Open's work after the dialog's OK, split into steps, for the 6000 x 4000 JPEG and a
2048 x 2048 GIF (the GIF reader's largest side): decode (the bare default decode into one
fresh whole-picture buffer, JPEG only), record (the reader's time less that decode and the
palette), palette, plain form, device bitmap (the platform's CreateDIBitmap) and thumbnail,
each timed alone by a program on Wine. Our own steps after decoding (record, thumbnail, palette) are compared with the decode;
the platform's bitmap call is reported as its share."""
import importlib.util
import os

import numpy as np
from PIL import Image

from parts import program_lines

RUNS = 5
here = os.path.dirname(os.path.abspath(__file__))


def jpeg_file(out):
    found = importlib.util.spec_from_file_location("jpeg_tiff", os.path.join(here, "40-jpeg-tiff.py"))
    part = importlib.util.module_from_spec(found)
    found.loader.exec_module(part)
    return part.make_files(out)[0]


def gif_file(out, side=2048):
    gif = os.path.join(out, "large-%dx%d.gif" % (side, side))
    if not os.path.exists(gif):
        y, x = np.mgrid[0:side, 0:side].astype(np.float32)
        rng = np.random.default_rng(7)
        v = 128 + 60 * np.sin(x / 97.0) * np.cos(y / 131.0) + 40 * np.sin((x + y) / 23.0)
        v = v + rng.integers(-2, 2, (side, side))
        Image.fromarray(np.clip(v, 0, 255).astype(np.uint8), "L").convert("P").save(gif)
    return gif


def run(session, out):
    exe = os.path.join(session.build_dir, "tests", "bin", "bench_open_win.exe")
    jpeg, gif = jpeg_file(out), gif_file(out)
    lines = program_lines(session, exe, RUNS, session.windows_path(jpeg),
                          session.windows_path(gif), timeout=900)
    if lines is None:
        return
    t = {name: float(value) for name, value in lines}
    j_record = t["jpeg_load"] - t["jpeg_bare_fresh"] - t["jpeg_palette"]
    j_ours = j_record + t["jpeg_plain"] + t["jpeg_thumbnail"] + t["jpeg_palette"]
    j_total = t["jpeg_load"] + t["jpeg_plain"] + t["jpeg_bitmap"] + t["jpeg_thumbnail"]
    print("  JPEG 6000x4000 (best of %d): decode %.1f ms, record %.1f, palette %.1f, plain form"
          " %.1f, device bitmap %.1f, thumbnail %.1f (reader alone %.1f)"
          % (RUNS, t["jpeg_bare_fresh"], j_record, t["jpeg_palette"], t["jpeg_plain"],
             t["jpeg_bitmap"], t["jpeg_thumbnail"], t["jpeg_load"]))
    print("  GIF 2048x2048: reader (decode, record and palette) %.1f ms, palette alone %.1f,"
          " plain form %.1f, device bitmap %.1f, thumbnail %.1f"
          % (t["gif_load"], t["gif_palette"], t["gif_plain"], t["gif_bitmap"],
             t["gif_thumbnail"]))
    g_total = t["gif_load"] + t["gif_plain"] + t["gif_bitmap"] + t["gif_thumbnail"]
    print("JPEG open, our steps after decoding vs decode: %.2fx" % (j_ours / t["jpeg_bare_fresh"]))
    print("JPEG open, platform bitmap share of OK to painted: %.2fx" % (t["jpeg_bitmap"] / j_total))
    print("GIF open, platform bitmap share of OK to painted: %.2fx" % (t["gif_bitmap"] / g_total))
