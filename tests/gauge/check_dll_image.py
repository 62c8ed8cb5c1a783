"""Checks gauge.dll's PE image with the MinGW binutils: a 32-bit DLL without a single export
table entry, whose entry point is GaugeLibMain, importing only from the platform's kernel,
USER and GDI (no run-time DLLs). A fixture DLL that exports symbols, as MinGW does by
default, shows that the export check can fail.

    check_dll_image.py gauge.dll exporting-fixture.dll
"""
import re
import subprocess
import sys
import unittest

OBJDUMP = "i686-w64-mingw32-objdump"
NM = "i686-w64-mingw32-nm"
PLATFORM_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL"}


def headers(path):
    return subprocess.run([OBJDUMP, "-p", path], check=True, capture_output=True,
                          text=True).stdout


def export_entries(dump):
    """(functions, names) counted by the export directory, and the entries listed."""
    counts = re.search(r"Number in:\s*\n\s*Export Address Table\s+([0-9a-fA-F]+)\s*\n"
                       r"\s*\[Name Pointer/Ordinal\] Table\s+([0-9a-fA-F]+)", dump)
    functions = int(counts.group(1), 16) if counts else 0
    names = int(counts.group(2), 16) if counts else 0
    listed = re.findall(r"^\s*\[\s*\d+\] .*$", dump.split("[Ordinal/Name Pointer] Table")[-1]
                        .split("PE File Base Relocations")[0], re.M) if counts else []
    return functions, names, listed


class GaugeDllImage(unittest.TestCase):
    dll = None
    fixture = None

    @classmethod
    def setUpClass(cls):
        cls.dump = headers(cls.dll)

    def test_is_a_32_bit_dll(self):
        self.assertIn("file format pei-i386", self.dump)
        flags = int(re.search(r"^Characteristics\s+0x([0-9a-fA-F]+)", self.dump, re.M).group(1), 16)
        self.assertTrue(flags & 0x2000, "IMAGE_FILE_DLL missing: 0x%x" % flags)

    def test_has_no_export_table_entries(self):
        functions, names, listed = export_entries(self.dump)
        self.assertEqual((0, 0, []), (functions, names, listed))

    def test_entry_point_is_gauge_lib_main(self):
        base = int(re.search(r"^ImageBase\s+([0-9a-fA-F]+)", self.dump, re.M).group(1), 16)
        entry = int(re.search(r"^AddressOfEntryPoint\s+([0-9a-fA-F]+)", self.dump, re.M).group(1), 16)
        symbols = subprocess.run([NM, self.dll], check=True, capture_output=True, text=True).stdout
        found = re.search(r"^([0-9a-fA-F]+) T _GaugeLibMain@12$", symbols, re.M)
        self.assertIsNotNone(found, "no GaugeLibMain symbol in the image")
        self.assertEqual("0x%x" % int(found.group(1), 16), "0x%x" % (base + entry))

    def test_imports_only_from_the_platform(self):
        imported = {n.upper() for n in re.findall(r"^\s*DLL Name: (\S+)", self.dump, re.M)}
        self.assertTrue(imported, "no imports at all")
        self.assertLessEqual(imported, PLATFORM_DLLS)
        self.assertIn("USER32.DLL", imported)
        self.assertIn("GDI32.DLL", imported)

    def test_the_export_check_sees_exports_where_there_are_some(self):
        functions, names, listed = export_entries(headers(self.fixture))
        self.assertGreater(functions, 0)
        self.assertGreater(names, 0)
        self.assertTrue(any("FixtureFunction" in line for line in listed), listed)


if __name__ == "__main__":
    GaugeDllImage.dll, GaugeDllImage.fixture = sys.argv[1:3]
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
