"""WebP files opened in the real viewer through its Open dialog on Wine, checked on screen at
24 bits pixel for pixel against dwebp's decoding of the same file by the same library version,
composited over white: lossy, lossless, lossy and lossless with alpha, made with cwebp, and an
animation made with img2webp, whose first frame (taken out with webpmux) is what the viewer
shows."""
import os
import subprocess
import tempfile
import unittest

import numpy as np
from PIL import Image

from reader_e2e import ReaderTestCase


def over_white(rgba):
    """An RGBA array composited over white, rounded as the viewer rounds."""
    rgba = rgba.astype(np.uint32)
    a = rgba[:, :, 3:4]
    return ((rgba[:, :, :3] * a + 255 * (255 - a) + 127) // 255).astype(np.uint8)


def dwebp_over_white(path):
    """dwebp's decode of the file (a still picture) over white, as an RGB array."""
    fd, out = tempfile.mkstemp(suffix=".png")
    os.close(fd)
    try:
        subprocess.run(["dwebp", path, "-o", out], check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        with Image.open(out) as im:
            return over_white(np.asarray(im.convert("RGBA")))
    finally:
        os.unlink(out)


def picture(width, height, alpha, seed):
    """A PIL picture whose colours change in both directions; with alpha from transparent to
    opaque across it."""
    y, x = np.mgrid[0:height, 0:width]
    rgba = np.stack([(x * 255 // width + seed) % 256, (y * 255 // height) % 256,
                     (200 - x - y + 3 * seed) % 256,
                     (x * 37 + y * 11) % 256 if alpha else np.full_like(x, 255)], axis=2)
    im = Image.fromarray(rgba.astype(np.uint8), "RGBA")
    return im if alpha else im.convert("RGB")


class WebpInViewerTest(ReaderTestCase):
    def make(self, name, tool, *args):
        """Runs cwebp or img2webp with the arguments (source pictures by name, written here
        first) and returns the path of what it wrote."""
        out = os.path.join(self.data, name)
        subprocess.run([tool] + [os.path.join(self.data, a) if a.endswith(".png") else a
                                 for a in args] + ["-o", out],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return out

    def source(self, name, width, height, alpha, seed=0):
        picture(width, height, alpha, seed).save(os.path.join(self.data, name))

    def check(self, path, want):
        name = os.path.basename(path)
        with open(path, "rb") as f:
            child = self.open_file(name, f.read())
        self.assert_shows(child, want, name)
        self.viewer.close_child(child)

    def test_lossy_lossless_and_alpha_pictures_show_as_dwebp_decodes_them_over_white(self):
        self.source("opaque.png", 67, 45, alpha=False)
        self.source("alpha.png", 53, 38, alpha=True)
        files = [self.make("lossy.webp", "cwebp", "-q", "80", "opaque.png"),
                 self.make("lossless.webp", "cwebp", "-lossless", "opaque.png"),
                 self.make("lossy-alpha.webp", "cwebp", "-q", "80", "alpha.png"),
                 self.make("lossless-alpha.webp", "cwebp", "-lossless", "-exact", "alpha.png")]
        for path in files:
            with self.subTest(os.path.basename(path)):
                self.check(path, dwebp_over_white(path))

    def test_animation_shows_its_first_frame(self):
        self.source("frame1.png", 48, 40, alpha=True, seed=0)
        self.source("frame2.png", 48, 40, alpha=False, seed=90)
        animation = self.make("animation.webp", "img2webp", "-lossless", "frame1.png", "-d",
                              "100", "frame2.png")
        first = os.path.join(self.data, "first-frame.webp")
        subprocess.run(["webpmux", "-get", "frame", "1", animation, "-o", first], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        want = dwebp_over_white(first)
        self.assertEqual((40, 48), want.shape[:2], "the first frame covers the canvas")
        self.check(animation, want)


if __name__ == "__main__":
    unittest.main(verbosity=2)
