"""The viewer's own GIF and Targa readers: File, Open of an interlaced GIF and of a run-length
Targa file through the real dialog, tiled, and a screenshot of the frame with both children."""
import os
import sys

import numpy as np

top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(top, "tests", "gif"))
sys.path.insert(0, os.path.join(top, "tests", "targa"))
import e2e  # noqa: E402
import gif_samples  # noqa: E402
import tga_samples  # noqa: E402


def _plasma(width, height):
    y, x = np.mgrid[0:height, 0:width].astype(float)
    v = np.sin(x / 17) + np.sin(y / 11) + np.sin((x + y) / 23) + np.sin(np.hypot(x - 120, y - 80) / 9)
    return v


def _gif(path):
    v = _plasma(240, 160)
    idx = ((v - v.min()) / (v.max() - v.min()) * 255).astype(np.uint8)
    ramp = [(int(127 + 127 * np.sin(i / 40)), int(127 + 127 * np.sin(i / 40 + 2)),
             int(127 + 127 * np.sin(i / 40 + 4))) for i in range(256)]
    with open(path, "wb") as f:
        f.write(gif_samples.write_gif(idx, ramp, interlaced=True,
                                      extensions=[gif_samples.comment("demo")]))


def _targa(path):
    v = _plasma(260, 180)
    n = (v - v.min()) / (v.max() - v.min())
    rgb = np.stack([n * 255, (1 - n) * 200 + 30, np.full_like(n, 90)], axis=2).astype(np.uint8)
    rgb[60:120, 80:180] = (250, 250, 250)  # a flat patch: long runs across rows
    with open(path, "wb") as f:
        f.write(tga_samples.write_tga(tga_samples.values_from_rgb(rgb, 24), 24, rle=True))


def run(session, out):
    data = os.path.join(out, "gif-targa-files")
    os.makedirs(data, exist_ok=True)
    gif, tga = os.path.join(data, "plasma.gif"), os.path.join(data, "plasma.tga")
    _gif(gif)
    _targa(tga)
    viewer = e2e.Viewer(session)
    try:
        for path in (gif, tga):
            viewer.open(path)
        e2e.wait_until(lambda: len(viewer.children()) == 2, 10, "both children")
        viewer.command(550)  # Window, Tile: both pictures side by side
        w = session.wctl
        frame = w.info(viewer.frame)
        shot = w.capture(frame.rect[0], frame.rect[1], *frame.size)
        shot.save(os.path.join(out, "gif-targa.png"))
        print("  gif-targa.png: the frame with", len(viewer.children()),
              "children (an interlaced GIF and a run-length Targa file)")
        viewer.exit()
    finally:
        if viewer.proc.running():
            viewer.kill()
