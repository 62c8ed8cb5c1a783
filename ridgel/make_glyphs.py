#!/usr/bin/env python3
"""Draws the glyph bitmap of check boxes and radio buttons: 78 x 27 pixels, 4 bits per pixel
with the 16 standard colours, two rows of six 13 x 13 cells in four colours (black, dark grey,
light grey, white). Row 0 holds the square boxes (unchecked, checked, indeterminate, each
normal and pressed), row 1 the round buttons (unchecked, checked, normal and pressed), an empty
cell and a small face. The last line is light grey.

    make_glyphs.py output.bmp
"""
import math
import struct
import sys

# The 16 standard colours in their usual order; the glyphs use four of them.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, LIGHT, DARK, WHITE = 0, 7, 8, 15

CELL = 13
COLUMNS, ROWS = 6, 2
WIDTH, HEIGHT = CELL * COLUMNS, CELL * ROWS + 1

# The cross of a checked box, 7 x 7 with arms about 2 pixels thick; "o" marks the pixels of
# the notches at its crossing, which soften it.
CROSS = [
    "XX...XX",
    "XXXoXXX",
    ".XXXXX.",
    ".oXXXo.",
    ".XXXXX.",
    "XXXoXXX",
    "XX...XX",
]

FACE = [
    ".............",
    ".............",
    "....XXXXX....",
    "...X.....X...",
    "..X.X...X.X..",
    "..X.......X..",
    "..X.......X..",
    "..X.X...X.X..",
    "..X..XXX..X..",
    "...X.....X...",
    "....XXXXX....",
    ".............",
    ".............",
]


def blank():
    return [[LIGHT] * CELL for _ in range(CELL)]


def square_box(interior):
    """A 9 x 9 interior inside a 2-pixel sunken border, the cell's corners light grey."""
    c = blank()
    last = CELL - 1
    for i in range(CELL):
        c[0][i] = c[i][0] = DARK           # outer line, top and left
        c[last][i] = c[i][last] = WHITE    # outer line, bottom and right
    for i in range(1, last):
        c[1][i] = c[i][1] = BLACK          # inner line, top and left
    for i in range(1, last):
        c[last - 1][i] = c[i][last - 1] = LIGHT  # inner line, bottom and right
    for y in range(2, last - 1):
        for x in range(2, last - 1):
            c[y][x] = interior
    for y, x in ((0, 0), (0, last), (last, 0), (last, last)):
        c[y][x] = LIGHT
    return c


def checked_box(interior, ink, notch):
    c = square_box(interior)
    for y, row in enumerate(CROSS):
        for x, ch in enumerate(row):
            if ch == "X":
                c[3 + y][3 + x] = ink
            elif ch == "o":
                c[3 + y][3 + x] = notch
    return c


def flat_square(top_left, bottom_right):
    """A dark grey square filling the cell with a one-pixel edge: raised or sunken."""
    c = [[DARK] * CELL for _ in range(CELL)]
    last = CELL - 1
    for i in range(CELL):
        c[0][i] = c[i][0] = top_left
    for i in range(CELL):
        c[last][i] = c[i][last] = bottom_right
    return c


def round_button(disc, dot=None, dot_corner=None):
    """A disc inside a round sunken ring: dark toward the upper left, light toward the lower
    right; optionally a 5 x 5 dot in the middle with rounded corners."""
    c = blank()
    centre = (CELL - 1) / 2
    for y in range(CELL):
        for x in range(CELL):
            dx, dy = x - centre, y - centre
            r = math.hypot(dx, dy)
            upper_left = dx + dy < 0 or (dx + dy == 0 and dx < 0)
            if r <= 4.3:
                c[y][x] = disc
            elif r <= 5.3:
                c[y][x] = BLACK if upper_left else DARK
            elif r <= 6.4:
                c[y][x] = DARK if upper_left else WHITE
    if dot is not None:
        for y in range(4, 9):
            for x in range(4, 9):
                c[y][x] = dot
        for y, x in ((4, 4), (4, 8), (8, 4), (8, 8)):
            c[y][x] = dot_corner
    return c


def face():
    return [[BLACK if ch == "X" else LIGHT for ch in row] for row in FACE]


def cells():
    return [
        [square_box(WHITE), square_box(DARK),
         checked_box(WHITE, BLACK, DARK), checked_box(DARK, WHITE, LIGHT),
         flat_square(WHITE, BLACK), flat_square(BLACK, WHITE)],
        [round_button(WHITE), round_button(DARK),
         round_button(WHITE, BLACK, DARK), round_button(DARK, WHITE, LIGHT),
         blank(), face()],
    ]


def pixels():
    """The bitmap as rows of colour indices, top row first."""
    image = [[LIGHT] * WIDTH for _ in range(HEIGHT)]
    for r, row in enumerate(cells()):
        for col, cell in enumerate(row):
            for y in range(CELL):
                for x in range(CELL):
                    image[CELL * r + y][CELL * col + x] = cell[y][x]
    return image


def bmp_bytes(image):
    stride = ((WIDTH * 4 + 31) // 32) * 4
    rows = bytearray()
    for line in reversed(image):  # bottom row first
        packed = bytearray(stride)
        for x, index in enumerate(line):
            packed[x // 2] |= index << (4 if x % 2 == 0 else 0)
        rows += packed
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(rows), 2835, 2835, 16, 16)
    offset = 14 + len(info) + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    return header + info + colours + bytes(rows)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    data = bmp_bytes(pixels())
    with open(sys.argv[1], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
