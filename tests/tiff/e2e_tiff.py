"""TIFF files opened in the real viewer on Wine through its Open dialog, checked on the screen
(24 bits) against libtiff's own RGBA conversion (tiff2rgba): generated files of every layout
and compression, libtiff's own test images (also by their own ".tiff" names), files written
with every codec the viewer's libtiff has, files it cannot convert, files that are not TIFFs,
a decompression bomb and damaged files."""
import glob
import os
import shutil
import subprocess
import tempfile
import unittest

from PIL import Image

import e2e
import make_bomb_tiff
from e2e import ViewerFileTestCase, first_difference, sample_listing

SAMPLE_MAKER = "tests/tiff/make_tiff_samples"

SOURCE_TIFF_IMAGES = os.path.join(e2e.SOURCE, "build", "cache", "src", "tiff", "unpacked",
                                  "test", "images")

# libtiff's test images worth showing (all that its RGBA interface converts), stored under
# the viewer's ".tif" extension.
LIBRARY_IMAGES = [
    "minisblack-1c-8b.tiff", "minisblack-1c-16b.tiff", "minisblack-2c-8b-alpha.tiff",
    "miniswhite-1c-1b.tiff", "palette-1c-1b.tiff", "palette-1c-4b.tiff", "palette-1c-8b.tiff",
    "rgb-3c-8b.tiff", "rgb-3c-16b.tiff", "quad-lzw-compat.tiff", "quad-tile.jpg.tiff",
    "deflate-last-strip-extra-data.tiff", "ojpeg_chewey_subsamp21_multi_strip.tiff",
    "ojpeg_zackthecat_subsamp22_single_strip.tiff", "ojpeg_single_strip_no_rowsperstrip.tiff",
    "testfax4.tiff", "logluv-3c-16b.tiff", "test_ifd_loop_to_self.tif",
]


# libtiff's test images under their own names: every ".tiff" one.
REAL_NAMED_IMAGES = sorted(os.path.basename(p)
                           for p in glob.glob(os.path.join(SOURCE_TIFF_IMAGES, "*.tiff")))

BOMB = os.path.join(os.path.dirname(os.path.abspath(__file__)), "bomb_7920_samples.tif")


def tiff2rgba(path, check=True):
    """libtiff's conversion of the first image, alpha dropped, as an RGB PIL image; None
    when tiff2rgba cannot convert the file and `check` is false."""
    fd, out = tempfile.mkstemp(suffix=".tif")
    os.close(fd)
    try:
        run = subprocess.run(["tiff2rgba", "-c", "none", "-n", path, out], check=check,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if run.returncode != 0:
            return None
        with Image.open(out) as im:
            return im.convert("RGB")
    finally:
        os.unlink(out)


def peak_resident_kib(pid):
    """VmHWM (the peak resident set) of a Linux process, in KiB."""
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    raise AssertionError("no VmHWM for process %d" % pid)


def wine_process_of(program, exe_name):
    """The Linux pid of the process running the Windows program the harness started: the
    started process itself when the loader became the program (it execs, keeping its pid),
    else the descendant whose command line names the program."""
    def cmdline(pid):
        try:
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                return f.read().replace(b"\0", b" ").decode("utf-8", "replace").lower()
        except OSError:
            return ""

    def parent(pid):
        try:
            with open("/proc/%d/status" % pid) as f:
                for line in f:
                    if line.startswith("PPid:"):
                        return int(line.split()[1])
        except OSError:
            pass
        return 0

    started = program.proc.pid
    if exe_name in cmdline(started):
        return started
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        pid = int(entry)
        if exe_name not in cmdline(pid):
            continue
        ancestor = parent(pid)
        while ancestor > 1 and ancestor != started:
            ancestor = parent(ancestor)
        if ancestor == started:
            return pid
    raise AssertionError("no process running %s under pid %d" % (exe_name, started))


def library_name(name):
    return "lib-" + name.replace(".tiff", "").replace(".tif", "") + ".tif"


class TiffInViewerTest(ViewerFileTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.samples = [(f[0], f[3] == "1") for f in sample_listing(SAMPLE_MAKER, cls.data)]
        for name in LIBRARY_IMAGES:
            shutil.copy(os.path.join(SOURCE_TIFF_IMAGES, name),
                        os.path.join(cls.data, library_name(name)))
        for name in REAL_NAMED_IMAGES:
            shutil.copy(os.path.join(SOURCE_TIFF_IMAGES, name), cls.data)

    def assert_shown_as_libtiff_converts(self, name):
        return self.assert_shown_as(name, tiff2rgba(self.path(name)), whole=False)

    def test_generated_files_of_every_layout_show_as_libtiff_converts_them(self):
        # Both orientations, palette, bilevel (plain and G4), grey 8 and 16 bits, RGB 8 and
        # 16 bits, RGBA with unassociated and associated alpha, three pages, deflate, LZW,
        # PackBits, JPEG, tiles, separate planes.
        readable = [name for name, ok in self.samples if ok]
        self.assertGreaterEqual(len(readable), 18)
        for name in readable:
            with self.subTest(name):
                self.assert_shown_as_libtiff_converts(name)
                self.viewer.close_all()

    def test_library_test_images_show_as_libtiff_converts_them(self):
        for name in LIBRARY_IMAGES:
            with self.subTest(name):
                self.assert_shown_as_libtiff_converts(library_name(name))
                self.viewer.close_all()

    def test_library_test_images_by_their_own_tiff_names_show_as_libtiff_converts_them(self):
        # Whatever the host's tiff2rgba converts must show as it does; the rest (a codec
        # the viewer's libtiff lacks, such as JBIG or LERC) must leave an empty child.
        self.assertGreaterEqual(len(REAL_NAMED_IMAGES), 15)
        for name in REAL_NAMED_IMAGES:
            with self.subTest(name):
                reference = tiff2rgba(self.path(name), check=False)
                if reference is None:
                    self.assert_empty_child(name, keeps_palette=True)
                else:
                    self.assert_shown_as(name, reference, whole=False)
                self.viewer.close_all()

    def test_files_of_every_codec_written_by_tiffcp_show_as_libtiff_converts_them(self):
        source = self.path("rgb-3c-8b.tiff")
        for codec in ("zstd", "lzma", "webp", "zip"):
            with self.subTest(codec):
                name = "codec-%s.tif" % codec
                subprocess.run(["tiffcp", "-c", codec, source, self.path(name)], check=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                self.assert_shown_as_libtiff_converts(name)
                self.viewer.close_all()

    def test_bomb_leaves_an_empty_child_without_the_memory_it_asks_for(self):
        # One Deflate strip without StripByteCounts, 500 x 500 pixels of 7,920 samples (2 GB
        # by its header) and a variant of 4,000 samples (1 GB: a size a 32-bit process can
        # get). A small file opened first brings in the dialog's own memory.
        shutil.copy(BOMB, self.path("bomb-7920.tif"))
        make_bomb_tiff.main(self.path("bomb-4000.tif"), samples=4000)
        self.assert_shown_as_libtiff_converts("lzw.tif")
        self.viewer.close_all()
        pid = wine_process_of(self.viewer.proc, "viewer.exe")
        for name in ("bomb-7920.tif", "bomb-4000.tif"):
            with self.subTest(name):
                before = peak_resident_kib(pid)
                self.assert_empty_child(name, keeps_palette=True)
                rise = peak_resident_kib(pid) - before
                self.assertLess(rise, 64 * 1024, "VmHWM rose by %d KiB" % rise)
                self.viewer.close_all()

    def test_both_orientations_show_upright_and_identical(self):
        top = self.assert_shown_as_libtiff_converts("rgb_topleft.tif")
        bottom = self.assert_shown_as_libtiff_converts("rgb_botleft.tif")
        self.assertIsNone(first_difference(bottom, top))
        self.assertEqual((255, 0, 0), top.getpixel((2, 2)), "red block at the top left")

    def test_first_of_several_pages_is_shown(self):
        shown = self.assert_shown_as_libtiff_converts("pages.tif")
        self.assertEqual((255, 0, 0), shown.getpixel((2, 2)), "page 1's red, not page 2's blue")

    def test_float_samples_and_files_that_are_not_tiffs_leave_an_empty_child(self):
        self.data_file("picture.tif", b"GIF89a\x01\x00\x01\x00\x00\x00\x00;")
        self.data_file("empty.tif", b"")
        self.data_file("notes.tif", b"plain text, not a picture\n" * 10)
        shutil.copy(os.path.join(SOURCE_TIFF_IMAGES, "test_float64_predictor2_le_lzw.tif"),
                    self.path("lib-float64.tif"))
        self.assert_empty_children(
            ("float32.tif", "lib-float64.tif", "picture.tif", "empty.tif", "notes.tif"),
            keeping_palette=("float32.tif", "lib-float64.tif"))

    def test_damaged_files_neither_crash_nor_hang_the_viewer(self):
        sources = ("lzw.tif", "deflate.tif", "jpeg.tif", "tiled.tif", "palette.tif",
                   "bilevel_g4.tif")
        self.assert_survives(self.damaged_copies(sources, seed=6, changes=6, first=0, keep=8))
        self.assert_shown_as_libtiff_converts("lzw.tif")


class TiffOnPaletteDisplayTest(ViewerFileTestCase):
    depth = 8  # the viewer starts in halftone mode

    def test_files_open_at_their_size_through_the_halftone_reduction(self):
        self.assert_samples_open_through_halftone(SAMPLE_MAKER,
                                                  ("rgb_topleft.tif", "palette.tif", "bilevel.tif"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
