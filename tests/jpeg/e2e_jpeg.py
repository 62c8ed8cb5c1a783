"""JPEG files opened in the real viewer on Wine through its Open dialog, checked on the screen
(24 bits) against djpeg's decoding of the same files by the same library version: generated
files of every kind, the library's own test images (also named ".jpeg" and ".JFIF"), files
that cannot be decoded and damaged files."""
import io
import os
import shutil
import subprocess
import unittest

from PIL import Image

import e2e
from e2e import ViewerFileTestCase, sample_listing

SAMPLE_MAKER = "tests/jpeg/make_jpeg_samples"

SOURCE_JPEG_IMAGES = os.path.join(e2e.SOURCE, "build", "cache", "src", "libjpeg-turbo",
                                  "unpacked", "testimages")


def djpeg(path):
    """djpeg's default decode as an RGB PIL image (grey output widened to RGB)."""
    run = subprocess.run(["djpeg", "-pnm", path], stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, check=False)
    # Exit status 2 means warnings only (a file cut short); the output is what counts.
    if run.returncode not in (0, 2) or not run.stdout:
        raise AssertionError("djpeg could not decode %s" % path)
    return Image.open(io.BytesIO(run.stdout)).convert("RGB")


def without_quant_tables(data):
    """The file with its DQT segments removed: the header still reads, the decode fails."""
    out, i = bytearray(data[:2]), 2
    while i + 4 <= len(data) and data[i] == 0xFF and data[i + 1] != 0xDA:
        length = 2 + (data[i + 2] << 8 | data[i + 3])
        if data[i + 1] != 0xDB:
            out += data[i:i + length]
        i += length
    return bytes(out + data[i:])


def with_empty_scans(data, count):
    """The progressive file cut after its first scan and followed by `count` scans without
    data (an end-of-band run over every block of the first component), then its end."""
    i, component = 2, None
    while i + 4 <= len(data) and data[i] == 0xFF:
        marker, length = data[i + 1], 2 + (data[i + 2] << 8 | data[i + 3])
        if marker == 0xC2:
            component = data[i + 10]
        i += length
        if marker == 0xDA:
            while not (data[i] == 0xFF and data[i + 1] != 0 and not 0xD0 <= data[i + 1] <= 0xD7):
                i += 1
            break
    table = bytes([0xFF, 0xC4, 0x00, 0x14, 0x11, 1] + [0] * 15 + [0xE0])
    scan = bytes([0xFF, 0xDA, 0x00, 0x08, 0x01, component, 0x01, 0x01, 0x3F, 0x00,
                  0x7F, 0xFF, 0x00])
    return data[:i] + table + scan * count + b"\xff\xd9"


class JpegInViewerTest(ViewerFileTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.samples = [fields[0] for fields in sample_listing(SAMPLE_MAKER, cls.data)]
        for name in ("testorig.jpg", "testimgint.jpg", "testimgari.jpg", "testorig12.jpg"):
            shutil.copy(os.path.join(SOURCE_JPEG_IMAGES, name), cls.data)
        # The same pictures under the other names JPEG files go by.
        shutil.copy(os.path.join(SOURCE_JPEG_IMAGES, "testorig.jpg"),
                    os.path.join(cls.data, "testorig.jpeg"))
        shutil.copy(os.path.join(SOURCE_JPEG_IMAGES, "testimgint.jpg"),
                    os.path.join(cls.data, "testimgint.JFIF"))

    def assert_shown_as_djpeg_decodes(self, name):
        self.assert_shown_as(name, djpeg(self.path(name)))

    def test_generated_files_of_every_kind_show_as_djpeg_decodes_them(self):
        # baseline (4:2:0 and 4:4:4), progressive, restart markers, grey, CMYK, YCCK, width 7,
        # and two files cut short in their compressed data.
        self.assertGreaterEqual(len(self.samples), 10)
        for name in self.samples:
            with self.subTest(name):
                self.assert_shown_as_djpeg_decodes(name)
                self.viewer.close_all()

    def test_library_test_images_show_as_djpeg_decodes_them(self):
        for name in ("testorig.jpg", "testimgint.jpg", "testimgari.jpg", "testorig.jpeg",
                     "testimgint.JFIF"):
            with self.subTest(name):
                self.assert_shown_as_djpeg_decodes(name)
                self.viewer.close_all()

    def test_red_area_shows_red_at_the_top_left(self):
        shown = self.viewer.capture_visible_child(self.open_child("baseline444.jpg"))
        r, g, b = shown.getpixel((3, 3))
        self.assertTrue(r > 235 and g < 20 and b < 20, "expected red, got %r" % ((r, g, b),))
        r, g, b = shown.getpixel((64 - 2, 48 - 2))
        self.assertTrue(r > 200 and g > 200, "the gradient's bright corner at the bottom right")

    def test_files_that_cannot_be_decoded_leave_an_empty_child_and_no_message(self):
        with open(self.path("baseline.jpg"), "rb") as f:
            baseline = f.read()
        with open(self.path("progressive.jpg"), "rb") as f:
            progressive = f.read()
        files = {
            "picture.jpg": b"GIF89a\x01\x00\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01"
                           b"\x00\x00\x02\x02D\x01\x00;",
            "empty.jpg": b"",
            "notes.jpg": b"plain text, not a picture\n" * 10,
            "noquant.jpg": without_quant_tables(baseline),
            "endless_scans.jpg": with_empty_scans(progressive, 600),
        }
        for name, content in files.items():
            self.data_file(name, content)
        self.assert_empty_children(list(files) + ["testorig12.jpg"],
                                   keeping_palette=("noquant.jpg", "endless_scans.jpg"))

    def test_damaged_files_neither_crash_nor_hang_the_viewer(self):
        sources = ("baseline.jpg", "progressive.jpg", "restart.jpg", "cmyk.jpg", "grey.jpg")
        self.assert_survives(self.damaged_copies(sources, seed=5, changes=8, first=2, keep=20))
        self.assert_shown_as_djpeg_decodes("baseline.jpg")


class JpegOnPaletteDisplayTest(ViewerFileTestCase):
    depth = 8  # the viewer starts in halftone mode

    def test_files_open_at_their_size_through_the_halftone_reduction(self):
        self.assert_samples_open_through_halftone(SAMPLE_MAKER,
                                                  ("baseline.jpg", "grey.jpg", "cmyk.jpg"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
