#!/usr/bin/env python3
"""ridgel.dll exports exactly its four functions, by name, at ordinals 2 to 5, and enters
through RidgelDllMain: read from the PE file with the MinGW objdump, not by loading it.

    check_exports.py path/to/ridgel.dll
"""
import re
import subprocess
import sys
import unittest

DLL = None
EXPECTED = {2: "Ctl3dRegister", 3: "Ctl3dUnregister", 4: "Ctl3dAutoSubclass",
            5: "Ctl3dUnAutoSubclass"}


def objdump(*args):
    return subprocess.run(["i686-w64-mingw32-objdump"] + list(args) + [DLL], check=True,
                          capture_output=True, text=True).stdout


def export_table(text):
    """{ordinal: name} from the export section of `objdump -p`."""
    base = int(re.search(r"Ordinal Base (\d+)", text).group(1))
    names = {}
    section = text.split("[Ordinal/Name Pointer] Table", 1)[1]
    for line in section.splitlines()[1:]:
        m = re.match(r"\s*\[\s*(\d+)\]\s+(\S+)\s*$", line)
        if not m:
            break
        names[int(m.group(1)) + base] = m.group(2)
    entries = re.findall(r"\[\s*\d+\] \+base\[\s*(\d+)\]", text)
    return names, sorted(int(e) for e in entries)


class ExportTable(unittest.TestCase):
    def test_exactly_the_four_names_at_ordinals_2_to_5(self):
        names, ordinals = export_table(objdump("-p"))
        self.assertEqual(EXPECTED, names)
        self.assertEqual([2, 3, 4, 5], ordinals, "no export without a name, none elsewhere")

    def test_dll_name_and_platform_imports_only(self):
        text = objdump("-p")
        self.assertRegex(text, r"Name\s+[0-9a-f]+\s+ridgel\.dll")
        imports = sorted(set(re.findall(r"DLL Name: (\S+)", text)))
        self.assertEqual(["GDI32.dll", "KERNEL32.dll", "USER32.dll"], imports)

    def test_glyph_bitmap_and_version_are_the_only_resources(self):
        text = objdump("-p").split("Resource Directory section", 1)[1]
        self.assertRegex(text, r"Type Table:.*Num Names: 0, IDs: 2")
        self.assertRegex(text, r"Entry: ID: 0x000002,", "of type RT_BITMAP (2)")
        self.assertRegex(text, r"Entry: ID: 0x000010,", "of type RT_VERSION (16)")
        self.assertRegex(text, r"Entry: name: \[[^]]*\]: RIDGELBITMAP,")
        size = int(re.search(r"Leaf: Addr: 0x[0-9a-f]+, Size: 0x([0-9a-f]+)", text).group(1), 16)
        # The bitmap without its 14-byte file header: 40 + 16 x 4 + 27 rows of 40 bytes.
        self.assertEqual(40 + 64 + 27 * 40, size)

if __name__ == "__main__":
    DLL = sys.argv.pop(1)
    unittest.main()
