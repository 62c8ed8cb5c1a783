"""The release zip as a user gets it. Its binaries, read on the host: the four deliverables
carry a version resource with the release's numbers and names, the two programs an
application manifest (asInvoker, Windows 7 to 10/11, system DPI awareness), and no packaged
binary holds debug sections. Then, on Wine, unzipped into a folder whose name has a space and
a Latin-1 letter in a fresh prefix claiming Windows 10 (64-bit) and used from there with
nothing from outside the folder: the viewer opens a BMP, a JPEG and a TIFF through File, Open,
the converter writes its sample flic as an AVI that ffprobe reads frame for frame, the ridgel
sample shows its dialog treated and the gauge sample paints 50 %; and in a fresh 32-bit
prefix claiming Windows 7 each program starts from the folder and opens one file.

A 64-bit tree's zip (xqv-<version>-win64.zip, made where 32-bit programs cannot run) goes
through the same install and use, at Windows 7 in a 64-bit prefix; the reading of the
binaries, which knows 32-bit images only, is left to the release zip.

    e2e_package.py --zip dist/xqv-1.0.0-win32.zip [--binaries-only]
    e2e_package.py --zip build/win64/dist/xqv-1.0.0-win64.zip
"""
import argparse
import hashlib
import io
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
TESTS = os.path.dirname(HERE)
for area in ("harness", "flicconv", "gauge"):
    sys.path.insert(0, os.path.join(TESTS, area))

import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402

import e2e  # noqa: E402
import winharness  # noqa: E402
from avi import Avi  # noqa: E402
from converter_e2e import Converter, ffmpeg_frames  # noqa: E402
import flicwriter as fw  # noqa: E402
from gauge_demo_driver import GaugeDemo, GAUGE_ID, STATUS_ID, STEP_ID  # noqa: E402

ZIP = None  # set from the command line
OBJDUMP = "i686-w64-mingw32-objdump"
DELIVERABLES = {  # file: (file type in the version resource, is a program)
    "viewer.exe": (1, True), "flicconv.exe": (1, True),  # VFT_APP
    "ridgel.dll": (2, False), "gauge.dll": (2, False),  # VFT_DLL
}
SAMPLES = ("ridgel_demo.exe", "gauge_demo.exe")
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}
RT_VERSION, RT_MANIFEST = 16, 24
INSTALL_FOLDER = ("users", "Public", "Bilder \u00dcbersicht")  # C:\users\Public\Bilder Übersicht


def zip_name():
    """(version, architecture) from the zip's name."""
    m = re.match(r"xqv-(\d+\.\d+\.\d+)-(win32|win64)\.zip$", os.path.basename(ZIP))
    if not m:
        raise AssertionError("%s is not named xqv-<version>-win32.zip (or -win64)" % ZIP)
    return m.group(1), m.group(2)


def zip_version():
    return zip_name()[0]


# -- a small PE reader: the resources of a 32-bit image --

def pe_resources(data):
    """{(type, id or name): bytes} of every resource (first language of each)."""
    u16 = lambda o: struct.unpack_from("<H", data, o)[0]  # noqa: E731
    u32 = lambda o: struct.unpack_from("<I", data, o)[0]  # noqa: E731
    pe = u32(0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise AssertionError("not a PE image")
    sections, optional_size = u16(pe + 6), u16(pe + 20)
    optional = pe + 24
    if u16(optional) != 0x10B:
        raise AssertionError("not a 32-bit image (optional header magic 0x%x)" % u16(optional))
    rsrc_rva = u32(optional + 96 + 2 * 8)  # data directory 2: resources
    table = optional + optional_size
    spans = [(u32(table + 40 * i + 12), u32(table + 40 * i + 8), u32(table + 40 * i + 20))
             for i in range(sections)]  # (rva, virtual size, file offset)

    def offset(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return raw + rva - start
        raise AssertionError("RVA 0x%x lies in no section" % rva)

    if not rsrc_rva:
        return {}
    root = offset(rsrc_rva)

    def entries(directory):
        named, ids = u16(directory + 12), u16(directory + 14)
        for i in range(named + ids):
            e = directory + 16 + 8 * i
            name, target = u32(e), u32(e + 4)
            if name & 0x80000000:
                at = root + (name & 0x7FFFFFFF)
                key = data[at + 2:at + 2 + 2 * u16(at)].decode("utf-16-le")
            else:
                key = name
            yield key, target

    found = {}
    for rtype, names in entries(root):
        for name, languages in entries(root + (names & 0x7FFFFFFF)):
            language = next(entries(root + (languages & 0x7FFFFFFF)))[1]
            rva, size = u32(root + language), u32(root + language + 4)
            found.setdefault((rtype, name), data[offset(rva):offset(rva) + size])
    return found


def version_info(block):
    """(fixed file version as 4 numbers, file type, {string name: value}) of a VERSIONINFO."""
    strings = {}

    def walk(at, end, depth):
        fixed = None
        while at + 6 <= end:
            length, value_length, kind = struct.unpack_from("<HHH", block, at)
            if length == 0:
                break
            stop = min(at + length, end)
            key_end = at + 6
            while block[key_end:key_end + 2] != b"\0\0":
                key_end += 2
            key = block[at + 6:key_end].decode("utf-16-le")
            value = (key_end + 2 + 3) & ~3
            if key == "VS_VERSION_INFO":
                fixed = block[value:value + value_length]
                walk((value + value_length + 3) & ~3, stop, depth + 1)
            elif kind == 1 and depth >= 3:  # a string of a string table
                text = block[value:stop].decode("utf-16-le").split("\0")[0]
                strings[key] = text
            else:
                walk(value if kind == 1 or value_length == 0 else
                     (value + value_length + 3) & ~3, stop, depth + 1)
            at = (at + length + 3) & ~3
        return fixed

    fixed = walk(0, len(block), 0)
    if fixed is None or struct.unpack_from("<I", fixed)[0] != 0xFEEF04BD:
        raise AssertionError("no VS_FIXEDFILEINFO")
    ms, ls = struct.unpack_from("<II", fixed, 8)
    file_type = struct.unpack_from("<I", fixed, 36)[0]
    return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF), file_type, strings


class PackagedBinaries(unittest.TestCase):
    """What the zip holds, read without running anything."""

    @classmethod
    def setUpClass(cls):
        if not os.path.exists(ZIP):
            raise AssertionError("%s is missing: scripts/package (or scripts/build) makes it" % ZIP)
        cls.version = zip_version()
        cls.top = "xqv-%s/" % cls.version
        cls.zip = zipfile.ZipFile(ZIP)
        cls.addClassCleanup(cls.zip.close)
        cls.folder = tempfile.mkdtemp(prefix="xqv-package-")
        cls.addClassCleanup(shutil.rmtree, cls.folder, True)
        cls.zip.extractall(cls.folder)

    def path(self, name):
        return os.path.join(self.folder, self.top, name)

    def read(self, name):
        return self.zip.read(self.top + name)

    def test_one_top_folder_holding_programs_samples_and_texts(self):
        names = self.zip.namelist()
        self.assertEqual(sorted(names), names, "entries in sorted order")
        self.assertEqual({self.top}, {n.split("/", 1)[0] + "/" for n in names})
        files = {n[len(self.top):] for n in names if not n.endswith("/")}
        wanted = set(DELIVERABLES) | set(SAMPLES) | {
            "logon.avi", "README.txt", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt"}
        self.assertEqual(set(), wanted - files, "missing from the package")
        flics = {f for f in files if f.startswith("flics/")}
        self.assertEqual({"flics/bounce.flc", "flics/classic.fli", "flics/stripes.flc"}, flics)
        self.assertEqual(set(), files - wanted - flics, "unexpected in the package")

    def test_texts_have_crlf_line_ends_and_say_what_they_must(self):
        for name in ("README.txt", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt"):
            with self.subTest(name):
                text = self.read(name)
                self.assertGreater(text.count(b"\r\n"), 10)
                self.assertEqual(text.count(b"\n"), text.count(b"\r\n"), "a bare LF in " + name)
        self.assertIn(b"MIT", self.read("LICENSE.txt"))
        self.assertIn(b"Copyright the XQV authors", self.read("LICENSE.txt"))
        readme = self.read("README.txt").decode("ascii")
        for needed in ("SHA-256", "Ctl3dRegister", "Ctl3dUnregister", "Ctl3dAutoSubclass",
                       "Ctl3dUnAutoSubclass", '"Update"', "WM_USER + 3", "LoadLibraryA",
                       "xqv-%s-win32.zip" % self.version):
            self.assertIn(needed, readme)
        notices = self.read("THIRD-PARTY-NOTICES.txt").decode("utf-8-sig")
        for needed in ("libjpeg-turbo", "Independent JPEG Group", "LibTIFF", "zlib",
                       "MinGW-w64", "winpthreads", "GCC RUNTIME LIBRARY EXCEPTION"):
            self.assertIn(needed, notices)

    def test_sha256sums_beside_the_zip_holds_its_checksum(self):
        with open(os.path.join(os.path.dirname(ZIP), "SHA256SUMS")) as f:
            lines = f.read().splitlines()
        with open(ZIP, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        self.assertIn("%s  %s" % (digest, os.path.basename(ZIP)), lines)

    def test_no_packaged_binary_holds_debug_sections(self):
        for name in list(DELIVERABLES) + list(SAMPLES):
            with self.subTest(name):
                dump = subprocess.run([OBJDUMP, "-h", self.path(name)], capture_output=True,
                                      text=True, check=True).stdout
                sections = re.findall(r"^\s*\d+\s+(\S+)", dump, re.M)
                self.assertIn(".text", sections)
                self.assertEqual([], [s for s in sections if s.startswith(".debug_")])

    def test_deliverables_tie_to_their_debug_files_by_a_debug_link(self):
        for name in DELIVERABLES:
            with self.subTest(name):
                dump = subprocess.run([OBJDUMP, "-s", "-j", ".gnu_debuglink", self.path(name)],
                                      capture_output=True, text=True, check=True).stdout
                hex_words = re.findall(r"^ [0-9a-f]+ ((?:[0-9a-f]{2,8} ){1,4})", dump, re.M)
                link = bytes.fromhex("".join(hex_words).replace(" ", ""))
                self.assertEqual(name + ".debug", link.split(b"\0")[0].decode("ascii"))

    def test_each_deliverable_carries_its_version_resource(self):
        numbers = tuple(int(v) for v in self.version.split(".")) + (0,)
        for name, (file_type, _) in DELIVERABLES.items():
            with self.subTest(name):
                resources = pe_resources(self.read(name))
                self.assertIn((RT_VERSION, 1), resources, "no version resource")
                fixed, kind, strings = version_info(resources[(RT_VERSION, 1)])
                self.assertEqual(numbers, fixed, "FILEVERSION")
                self.assertEqual(file_type, kind, "FILETYPE")
                self.assertEqual(self.version, strings.get("FileVersion"))
                self.assertEqual(self.version, strings.get("ProductVersion"))
                self.assertEqual("XQV", strings.get("ProductName"))
                self.assertEqual("Copyright the XQV authors", strings.get("LegalCopyright"))
                self.assertEqual(name, strings.get("OriginalFilename"))
                self.assertEqual(name.rsplit(".", 1)[0], strings.get("InternalName"))
                self.assertTrue(strings.get("FileDescription"), "a FileDescription")

    def test_programs_embed_their_manifest_and_the_dlls_none(self):
        ns = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
              "c": "urn:schemas-microsoft-com:compatibility.v1",
              "ws": "http://schemas.microsoft.com/SMI/2005/WindowsSettings"}
        for name, (_, program) in DELIVERABLES.items():
            with self.subTest(name):
                manifests = {k: v for k, v in pe_resources(self.read(name)).items()
                             if k[0] == RT_MANIFEST}
                if not program:
                    self.assertEqual({}, manifests)
                    continue
                self.assertEqual([(RT_MANIFEST, 1)], list(manifests))
                root = ET.fromstring(manifests[(RT_MANIFEST, 1)])
                level = root.find(".//v3:requestedExecutionLevel", ns)
                self.assertIsNotNone(level, "a requested execution level")
                self.assertEqual("asInvoker", level.get("level"))
                ids = {e.get("Id").lower() for e in root.findall(".//c:supportedOS", ns)}
                self.assertEqual(set(SUPPORTED_OS), ids)
                dpi = root.find(".//v3:windowsSettings/ws:dpiAware", ns)
                self.assertIsNotNone(dpi, "DPI awareness")
                self.assertEqual("true", dpi.text.strip().lower())


# -- on Wine --

class PackageSession(winharness.Session):
    """A session of its own in a fresh prefix (of the given architecture, claiming the given
    Windows version), with Wine under a UTF-8 locale so that non-ASCII file names reach the
    programs in their code page; files inside the prefix's drive C go by their C: names."""

    def __init__(self, name, arch, version):
        super().__init__(e2e.BUILD, name=name)
        self.arch = arch
        self.version = version

    def env(self, extra=None):
        env = super().env({"WINEARCH": self.arch, "LC_ALL": "C.UTF-8"})
        env.update(extra or {})
        return env

    def start(self):
        if os.path.isdir(self.prefix):  # fresh: nothing left from an earlier run
            subprocess.run(["wineserver", "-k"], env=self.env(), timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            shutil.rmtree(self.prefix)
        super().start()
        self.reg_set(r"HKCU\Software\Wine", "Version", self.version)
        return self

    def windows_path(self, path):
        drive_c = os.path.join(self.prefix, "drive_c") + os.sep
        path = os.path.abspath(path)
        if path.startswith(drive_c):
            return "C:\\" + path[len(drive_c):].replace("/", "\\")
        return super().windows_path(path)

    def install(self):
        """Unzips the package as a user would; returns the Linux path of its top folder."""
        parent = os.path.join(self.prefix, "drive_c", *INSTALL_FOLDER)
        os.makedirs(parent, exist_ok=True)
        with zipfile.ZipFile(ZIP) as z:
            z.extractall(parent)
        return os.path.join(parent, "xqv-%s" % zip_version())


class PackagedViewer(e2e.Viewer):
    """The viewer started from the installed folder. Files are typed into its Open dialog by
    name alone, so they are found in the folder the dialog starts in: the program's own."""

    def __init__(self, session, folder):
        self.session = session
        self.w = session.wctl
        self.proc = session.launch(session.windows_path(os.path.join(folder, "viewer.exe")),
                                   cwd=folder)
        self.frame = self.proc.find_window(cls=self.FRAME_CLASS, timeout=30)
        self.client = next(c.hwnd for c in self.w.children(self.frame) if c.cls == "MDIClient")

    def open_name(self, name):
        before = {c.hwnd for c in self.children()}
        self.w.command(self.frame, 1004)
        self.w.choose_file(self.frame, "Viewer", name)
        self.sync()
        new = [c for c in self.children() if c.hwnd not in before]
        if len(new) != 1:
            raise e2e.HarnessError("expected one new child after opening %s, got %r" % (name, new))
        return new[0].hwnd


class PackagedGaugeDemo(GaugeDemo):
    def __init__(self, session, folder):
        self.session = session
        self.w = session.wctl
        exe = os.path.join(folder, "gauge_demo.exe")
        self.proc = session.launch(session.windows_path(exe), cwd=folder)
        self.dialog = self.w.find(cls="#32770", title=self.TITLE, timeout=30)
        self.gauge = self.w.item(self.dialog, GAUGE_ID)


def pictures(folder):
    """A BMP, a JPEG and a deflate TIFF written beside the programs; {name: what the viewer
    must show}: the pixels themselves, and for the JPEG djpeg's decoding of the file."""
    y, x = np.mgrid[0:150, 0:200]
    rgb = np.stack([x * 255 // 199, y * 255 // 149, (x + y) * 255 // 348], 2).astype(np.uint8)
    rgb[40:110, 60:140] = (250, 240, 20)
    image = Image.fromarray(rgb, "RGB")
    image.save(os.path.join(folder, "photo.bmp"))
    image.save(os.path.join(folder, "photo.jpg"), quality=90)
    image.save(os.path.join(folder, "photo.tif"), compression="tiff_adobe_deflate")
    decoded = subprocess.run(["djpeg", "-pnm", os.path.join(folder, "photo.jpg")],
                             capture_output=True, check=True).stdout
    return {"photo.bmp": image, "photo.tif": image,
            "photo.jpg": Image.open(io.BytesIO(decoded)).convert("RGB")}


class InstalledTestCase(unittest.TestCase):
    name = arch = version = None  # arch None: the zip's own

    @classmethod
    def setUpClass(cls):
        cls.session = PackageSession(cls.name, cls.arch or zip_name()[1], cls.version)
        try:
            cls.session.start()
            cls.wctl = cls.session.wctl
            cls.folder = cls.session.install()
            cls.shown = pictures(cls.folder)
        except BaseException:
            cls.session.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def test_the_prefix_has_the_architecture_asked_for(self):
        with open(os.path.join(self.session.prefix, "system.reg"), errors="replace") as f:
            self.assertIn("#arch=" + self.session.arch, f.read(4096))

    def launched(self, thing):
        """The program (or its driver), killed at the end of the test if still running."""
        prog = thing if isinstance(thing, winharness.Program) else thing.proc
        self.addCleanup(lambda: prog.running() and prog.kill())
        return thing

    def assert_shows(self, viewer, name):
        child = viewer.open_name(name)
        self.assertEqual(name, self.wctl.info(child).title)
        want = self.shown[name]
        last = [None]

        def shown():
            got = viewer.capture_visible_child(child)
            w, h = min(got.width, want.width), min(got.height, want.height)
            last[0] = ("only %dx%d of %dx%d visible" % (w, h, want.width, want.height)
                       if (w, h) != want.size else e2e.first_difference(got.crop((0, 0, w, h)),
                                                                        want))
            return last[0] is None
        try:
            e2e.wait_until(shown, 10, "%s to be shown" % name, interval=0.1)
        except e2e.HarnessError:
            self.fail("%s: %s" % (name, last[0]))

    def ridgel_dialog(self, arg):
        prog = self.launched(self.session.launch(
            self.session.windows_path(os.path.join(self.folder, "ridgel_demo.exe")), arg,
            cwd=self.folder))
        dlg = self.wctl.find(cls="#32770", title="~Raised look", timeout=30)
        return prog, dlg

    def close_ridgel_dialog(self, prog, dlg):
        self.wctl.click(dlg, 1)  # OK
        self.assertEqual(0, prog.wait(20), "OK ends the sample with 0")


class InstalledAtWindows10(InstalledTestCase):
    name, arch, version = "package-win10", "win64", "win10"

    def test_viewer_opens_a_bmp_a_jpeg_and_a_tiff_through_file_open(self):
        viewer = self.launched(PackagedViewer(self.session, self.folder))
        for name in ("photo.bmp", "photo.jpg", "photo.tif"):
            with self.subTest(name):
                self.assert_shows(viewer, name)
        self.assertEqual(0, viewer.exit(), "the viewer exits normally")

    def test_converter_writes_its_sample_flic_as_an_avi_read_frame_for_frame(self):
        name, fli, width, height, count, colour = fw.SAMPLES[0][:6]
        self.assertEqual("bounce.flc", name)
        conv = Converter(self.session, os.path.join(self.folder, "flicconv.exe"))
        self.addCleanup(conv.stop)
        conv.load_ok(name, dialog_open=True)  # the dialog at start shows flics\ beside it
        conv.configure(None)  # the compression dialog cancelled: full frames
        conv.write("bounce.avi")  # saved where the dialog starts: flics\ again
        self.assertEqual(0, conv.exit())
        avi = os.path.join(self.folder, "flics", "bounce.avi")
        self.assertTrue(os.path.exists(avi), "the AVI is beside the sample flics")
        probe = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams",
                                "v:0", "-show_entries",
                                "stream=codec_type,width,height,nb_read_frames", "-of",
                                "default=noprint_wrappers=1", avi],
                               capture_output=True, text=True, check=True).stdout
        fields = dict(line.split("=", 1) for line in probe.split())
        self.assertEqual({"codec_type": "video", "width": str(width), "height": str(height),
                          "nb_read_frames": str(count)}, fields)
        frames = fw.moving_frames(width, height, count)
        got = ffmpeg_frames(avi, width, height)
        self.assertEqual(count, len(got))
        for i, (have, want) in enumerate(zip(got, frames)):
            self.assertEqual(bytes(want), have, "frame %d" % (i + 1))
        self.assertEqual(fw.meant_palette(fw.sample_palette(colour), colour),
                         Avi(avi).streams[0]["palette"])

    def test_ridgel_sample_shows_its_dialog_treated(self):
        def left_edge_and_bottom(dlg):
            box = self.wctl.item(dlg, 217)  # the "Radio buttons" group box
            self.wctl.probe(dlg, winharness.PROBE_FOCUS)
            shot = self.wctl.capture_client(box)
            w, h = shot.size
            left = {shot.getpixel((0, y)) for y in range(8, h - 2)}
            bottom = {shot.getpixel((x, h - 1)) for x in range(1, w - 1)}
            return left, bottom

        prog, dlg = self.ridgel_dialog("ridgel")
        self.assertEqual("Raised look - ridgel, version 10", self.wctl.info(dlg).title)
        # The raised frame: a white left edge, a bottom edge in one shadow colour.
        e2e.wait_until(lambda: left_edge_and_bottom(dlg)[0] == {(255, 255, 255)}, 10,
                       "the group box's raised frame")
        left, bottom = left_edge_and_bottom(dlg)
        self.assertEqual(1, len(bottom), bottom)
        self.assertNotIn((255, 255, 255), bottom)
        self.close_ridgel_dialog(prog, dlg)

        # Without the library the platform draws the group box (the same place on the screen
        # may show the treated one until the plain dialog has painted).
        prog, dlg = self.ridgel_dialog("plain")
        self.assertEqual("Raised look - plain, version 10", self.wctl.info(dlg).title)
        e2e.wait_until(lambda: left_edge_and_bottom(dlg)[0] != {(255, 255, 255)}, 10,
                       "the platform's own group box")
        self.close_ridgel_dialog(prog, dlg)

    def test_gauge_sample_paints_50_percent(self):
        demo = self.launched(PackagedGaugeDemo(self.session, self.folder))
        for position in range(10, 60, 10):
            demo.press(STEP_ID)
            demo.wait_position(position)
        picture = demo.wait_shown(50)
        self.assertEqual(picture.width // 2, demo.blue_run(picture, picture.height - 1))
        self.assertEqual("Copied 50 of 100 files", self.wctl.text(self.wctl.item(demo.dialog,
                                                                                   STATUS_ID)))
        self.assertEqual(0, demo.close())


class StartsAtWindows7(InstalledTestCase):
    """In a prefix of the zip's architecture: 32-bit for the release."""
    name, version = "package-win7", "win7"

    def test_viewer_starts_and_opens_a_picture(self):
        viewer = self.launched(PackagedViewer(self.session, self.folder))
        self.assert_shows(viewer, "photo.jpg")
        self.assertEqual(0, viewer.exit())

    def test_converter_starts_and_opens_a_flic(self):
        conv = Converter(self.session, os.path.join(self.folder, "flicconv.exe"))
        self.addCleanup(conv.stop)
        conv.load_ok("bounce.flc", dialog_open=True)
        self.assertEqual(0, conv.exit())

    def test_ridgel_sample_starts(self):
        prog, dlg = self.ridgel_dialog("ridgel")
        self.assertEqual("Raised look - ridgel, version 6", self.wctl.info(dlg).title)
        self.close_ridgel_dialog(prog, dlg)

    def test_gauge_sample_starts(self):
        demo = self.launched(PackagedGaugeDemo(self.session, self.folder))
        demo.press(STEP_ID)
        demo.wait_position(10)
        demo.wait_shown(10)
        self.assertEqual(0, demo.close())


def main():
    global ZIP
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--zip", required=True)
    ap.add_argument("--binaries-only", action="store_true",
                    help="only the checks of the packaged files (no Wine)")
    opts, rest = ap.parse_known_args()
    ZIP = os.path.abspath(opts.zip)
    if zip_name()[1] != "win32" and opts.binaries_only:
        ap.error("--binaries-only reads 32-bit images: give it the release zip")
    classes = [PackagedBinaries] if zip_name()[1] == "win32" else []
    if not opts.binaries_only:
        classes += [InstalledAtWindows10, StartsAtWindows7]
    loader = unittest.TestLoader()
    suite = unittest.TestSuite(loader.loadTestsFromTestCase(c) for c in classes)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
