"""Hostile flics: files whose chunk sizes, counts, line numbers and runs do not fit their
frames. Loading and stepping them must neither crash nor hang anything.

    hostile.py <folder>         writes them all there
    hostile.py seeds <folder>   writes the fuzz target's seed corpus: small valid movies of
                                every chunk kind and the hostile files
"""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import flicwriter as fw  # noqa: E402

W, H = 40, 30


def _frame1(extra=()):
    pal = fw.sample_palette()
    img = fw.moving_frames(W, H, 1)[0]
    return fw.frame([fw.color_chunk(pal), fw.brun_chunk(img, W, H)] + list(extra))


def _file(later, fli=False, frame_count=None, width=W, height=H, first=None):
    frames = [first or _frame1()] + later
    return fw.flic_file(fli, width, height, frames,
                        frame_count=len(frames) if frame_count is None else frame_count)


def _raw_chunk(kind, data, size):
    return struct.pack("<Ih", size & 0xFFFFFFFF, kind) + data


def files():
    """(name, bytes) of every hostile file."""
    out = []
    add = lambda name, data: out.append((name, data))
    # Chunk sizes: far beyond the frame, zero, below the header, with many chunks announced.
    add("huge_chunk.flc", _file([fw.frame([_raw_chunk(7, b"\x01\x00\x01\x00\x00\x7f", 0x7FFFFFF0)])]))
    add("zero_chunk.flc", _file([fw.frame([_raw_chunk(12, b"\0" * 8, 0)], count=32000)]))
    add("tiny_chunk.flc", _file([fw.frame([_raw_chunk(16, b"\0" * 8, 3)], count=-1)]))
    add("chunk_count_lies.flc", _file([fw.frame([fw.chunk(16, bytes(W * H))], count=30000)]))
    # Counts: negative and huge packet and line counts.
    add("negative_lines.flc", _file([fw.frame([fw.chunk(7, struct.pack("<h", -5) + b"\1\0\0\1ab")])]))
    add("huge_lines.flc", _file([fw.frame([fw.chunk(7, struct.pack("<h", 32767) + b"\xff\x7f")])]))
    add("huge_packets.flc", _file([fw.frame([fw.chunk(7, b"\1\0" + b"\xff\x3f" + b"\x00\x7f" * 4)])]))
    add("lc_negative.fli", _file([fw.frame([fw.chunk(12, struct.pack("<hh", -100, -3) + b"\1\0\1a")])],
                                 fli=True, first=_frame1()))
    add("lc_huge.fli", _file([fw.frame([fw.chunk(12, struct.pack("<hh", 32000, 32767) + b"\xff" * 64)])],
                             fli=True))
    # Runs past the row and line skips past the frame.
    add("runs_past_row.flc", _file([fw.frame([fw.chunk(7, b"\2\0" + b"\2\0" + b"\xfe\x80ab" + b"\xff\x7f" + b"x" * 254
                                                      + b"\1\0\x00\x80cd")])]))
    add("skip_past_frame.flc", _file([fw.frame([fw.chunk(7, b"\3\0" + b"\x00\xc0" * 8 + b"\1\0\0\1ab"
                                                         + b"\x01\x80\1\0\0\1cd" + b"\xff\xff\0\0")])]))
    add("lc_past_row.fli", _file([fw.frame([fw.chunk(12, struct.pack("<hh", 0, 3) +
                                                    b"\3" + b"\xff\x80z" + b"\xff\x7f" + b"q" * 127 + b"\xff\x81y"
                                                    + b"\1\0\x80w" + b"\x02")])], fli=True))
    brun = b"".join(b"\x03\x7f\x01\x80" + b"r" * 128 + b"\x7f\x02" for _ in range(H + 300))
    add("brun_past_row.fli", _file([], fli=True, first=fw.frame([fw.chunk(15, brun)])))
    add("brun_past_row.flc", _file([], first=fw.frame([fw.chunk(15, brun)])))
    add("brun_tall.fli", _file([], fli=True, height=400, first=fw.frame([fw.chunk(15, brun)])))
    # Colour packets running past the data.
    add("colour_runs_out.flc", _file([], first=fw.frame([fw.chunk(4, b"\xff\x7f" + b"\0\0" + b"\1" * 30)])))
    add("colour_runs_out.fli", _file([], fli=True, first=fw.frame([fw.chunk(11, b"\xff\xff" + b"\0\0" + b"\1" * 30)])))
    # Literal chunks shorter than the frame; frame sizes the file cannot hold.
    add("short_literal.flc", _file([fw.frame([fw.chunk(16, b"\7" * 100)])]))
    add("huge_frame.flc", _file([struct.pack("<IHh8x", 0x7FFFFFFF, 0xF1FA, 1) + fw.chunk(16, bytes(W * H))]))
    add("tiny_frame.flc", _file([struct.pack("<IHh8x", 5, 0xF1FA, 1) + b"\0" * 40]))
    add("bad_frame_magic.flc", _file([struct.pack("<IHh8x", 16, 0x1234, 0)]))
    # A header promising many more frames than there are, and one with huge geometry.
    add("frames_missing.flc", _file([fw.frame([])], frame_count=65535))
    add("huge_geometry.flc", fw.flic_file(False, 65535, 65535, [fw.frame([])], frame_count=2))
    add("first_offset_wild.flc", fw.flic_file(False, W, H, [_frame1()], frame_count=1,
                                              first_offset=0xFFFFFF00))
    return out


def write_all(folder):
    os.makedirs(folder, exist_ok=True)
    paths = []
    for name, data in files():
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        paths.append(path)
    return paths


def seeds(folder):
    os.makedirs(folder, exist_ok=True)
    kinds = [(False, 16, 10, fw.COLOR_256, "brun", "ss2"), (False, 17, 9, fw.COLOR_64, "literal", "lc"),
             (False, 13, 6, fw.COLOR_256, "brun", ["ss2", "lc", "literal", "ss2"]),
             (True, 16, 10, fw.COLOR_64, "brun", "lc"), (True, 9, 7, fw.COLOR_64, "literal", "literal")]
    for i, (fli, w, h, colour, first, deltas) in enumerate(kinds):
        data = fw.movie(fli, w, h, fw.moving_frames(w, h, 4, seed=i), fw.sample_palette(colour),
                        colour, first, deltas, packets=[(3, 40), (10, 20)] if i == 2 else None)
        with open(os.path.join(folder, "movie%d.%s" % (i, "fli" if fli else "flc")), "wb") as f:
            f.write(data)
    for name, data in files():
        if len(data) <= 8192:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    if sys.argv[1:2] == ["seeds"]:
        seeds(sys.argv[2])
    else:
        write_all(sys.argv[1])
