"""Bitmap files in the viewer: a 24-bit and an 8-bit BMP opened through the real Open dialog,
the 8-bit one then minimised (on Wine a minimised child is a caption bar, so its thumbnail
is saved beside the screenshot from the bitmap the child holds), and a screenshot."""
import os
import sys

import numpy as np

import e2e

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))), "tests", "images"))
import bmp_samples as bs  # noqa: E402


def run(session, out):
    data = os.path.join(out, "image-files")
    os.makedirs(data, exist_ok=True)
    rgb = bs.random_rgb(320, 200, 7)
    # 256 tiles, one per palette entry: red across, green down.
    y, x = np.mgrid[0:240, 0:256]
    idx = (x // 16 + 16 * (y // 15)).astype(np.uint8)
    entries = np.arange(256)
    pal = np.stack([entries % 16 * 17, entries // 16 * 17, np.full(256, 128)], 1).astype(np.uint8)
    files = {
        "photo24.bmp": bs.write_bmp(320, 200, 24, bs.pack_rows(rgb, 24), None),
        "tiles8.bmp": bs.write_bmp(256, 240, 8, bs.pack_rows(idx, 8), pal),
    }
    paths = {}
    for name, content in files.items():
        paths[name] = os.path.join(data, name)
        with open(paths[name], "wb") as f:
            f.write(content)
    viewer = e2e.Viewer(session)
    try:
        w = session.wctl
        viewer.open(paths["photo24.bmp"])
        tiles = viewer.open(paths["tiles8.bmp"])
        viewer.minimise(tiles)
        _, thumb, _ = viewer.words(tiles)
        image = w.bitmap_image(tiles, thumb)
        if image is not None:
            image.resize((image.width * 4, image.height * 4)).save(
                os.path.join(out, "images-thumbnail.png"))
        frame = w.info(viewer.frame)
        shot = w.capture(frame.rect[0], frame.rect[1], *frame.size)
        shot.save(os.path.join(out, "images.png"))
        print("  images.png: a 24-bit and a minimised 8-bit bitmap;",
              "images-thumbnail.png: the minimised child's thumbnail, 4x")
        viewer.exit()
    finally:
        if viewer.proc.running():
            viewer.kill()
