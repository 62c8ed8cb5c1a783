"""PNG files opened in the real viewer on Wine through its Open dialog, checked on the screen
(24 bits) against ImageMagick's decoding composited over white: libpng's picture suite (every
colour type and bit depth, interlaced or not, with and without transparency), and libpng's
damaged test files, which must neither crash nor hang the viewer."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

import numpy as np
from PIL import Image

import e2e
from e2e import ViewerFileTestCase

CONTRIB = (sys.argv.pop(1) if len(sys.argv) > 1 and not sys.argv[1].startswith("-") else
           os.path.join(e2e.SOURCE, "build", "cache", "src", "libpng1.6", "unpacked", "contrib"))
SUITE = os.path.join(CONTRIB, "pngsuite")
CRASHERS = os.path.join(CONTRIB, "testpngs", "crashers")


def over_white(path):
    """ImageMagick's decoding over white at 8 bits a sample, as an RGB array. The colour space
    is set to sRGB: ImageMagick takes a file of gamma 1.0 for linear RGB and would convert its
    samples on the way out, where the viewer shows samples as they are stored."""
    fd, out = tempfile.mkstemp(suffix=".ppm")
    os.close(fd)
    try:
        subprocess.run(["/usr/bin/convert", path, "-set", "colorspace", "sRGB", "-background",
                        "white", "-alpha", "remove", "-alpha", "off", "-depth", "8", "ppm:" + out],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with Image.open(out) as im:
            return np.asarray(im.convert("RGB"), dtype=np.int16)
    finally:
        os.unlink(out)


def has_alpha_or_16_bits(path):
    """Whether the picture has 16-bit samples, an alpha channel or a tRNS chunk."""
    with open(path, "rb") as f:
        data = f.read()
    depth, colour = data[24], data[25]
    pos, chunks = 8, set()
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunks.add(kind)
        pos += 12 + length
    return depth == 16 or colour & 4 != 0 or b"tRNS" in chunks


class PngInViewerTest(ViewerFileTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.suite = []
        for folder, prefix in ((SUITE, ""), (os.path.join(SUITE, "interlaced"), "interlaced-")):
            for name in sorted(os.listdir(folder)):
                if name.endswith(".png"):
                    shutil.copy(os.path.join(folder, name), os.path.join(cls.data, prefix + name))
                    cls.suite.append(prefix + name)
        cls.crashers = []
        for name in sorted(os.listdir(CRASHERS)):
            if name.endswith(".png"):
                shutil.copy(os.path.join(CRASHERS, name), os.path.join(cls.data, "crash-" + name))
                cls.crashers.append("crash-" + name)

    def restart_viewer(self):
        """A new viewer in place of this one, so that children start at the top left again
        (each one opens 8 pixels further down and right, closed ones counted)."""
        self.assertEqual(0, self.viewer.exit(), "the viewer exits normally")
        self.viewer = e2e.Viewer(self.session)

    def test_picture_suite_shows_as_imagemagick_decodes_it_over_white(self):
        # Exact where neither transparency nor 16-bit samples are involved; within 2 levels
        # where they are, as compositing and reduction may round at another step.
        self.assertGreaterEqual(len(self.suite), 60)
        for n, name in enumerate(self.suite):
            if n and n % 16 == 0:
                self.restart_viewer()
            with self.subTest(name):
                want = over_white(self.path(name))
                tolerance = 2 if has_alpha_or_16_bits(self.path(name)) else 0
                shown = self.viewer.capture_visible_child(self.open_child(name))
                h, w = want.shape[:2]
                self.assertTrue(shown.size[0] >= w and shown.size[1] >= h,
                                "the whole picture is visible: %r" % (shown.size,))
                got = np.asarray(shown.crop((0, 0, w, h)), dtype=np.int16)
                diff = np.abs(got - want).max(axis=2)
                y, x = np.unravel_index(np.argmax(diff), diff.shape)
                self.assertLessEqual(int(diff[y, x]), tolerance,
                                     "pixel (%d,%d): expected %r, got %r"
                                     % (x, y, tuple(want[y, x]), tuple(got[y, x])))
                self.viewer.close_all()

    def test_damaged_files_neither_crash_nor_hang_the_viewer(self):
        self.assertGreaterEqual(len(self.crashers), 20)
        self.assert_survives(self.crashers)


if __name__ == "__main__":
    unittest.main(verbosity=2)
