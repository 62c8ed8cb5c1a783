#!/usr/bin/env python3
"""Draws the programs' icons (our own artwork) and writes them as .ico files.

    make_icon.py viewer out.ico     a framed landscape picture
    make_icon.py converter out.ico  a strip of film
"""
import struct
import sys

SIZE = 32


def blank():
    return [[None] * SIZE for _ in range(SIZE)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(SIZE, y1)):
        for x in range(max(0, x0), min(SIZE, x1)):
            img[y][x] = colour


def viewer_icon():
    img = blank()
    rect(img, 1, 3, 31, 29, (90, 60, 30))          # frame
    rect(img, 3, 5, 29, 27, (120, 190, 255))       # sky
    for y in range(8, 13):                          # sun
        for x in range(20, 26):
            if (x - 22.5) ** 2 + (y - 10) ** 2 <= 7:
                img[y][x] = (255, 220, 40)
    for x in range(3, 29):                          # hills
        top = 20 - int(5 * (1 - abs(x - 11) / 9.0)) if abs(x - 11) < 9 else 20
        top = min(top, 22 - int(3 * (1 - abs(x - 22) / 7.0)) if abs(x - 22) < 7 else top)
        rect(img, x, top, x + 1, 27, (40, 150, 60))
    return img


def converter_icon():
    img = blank()
    rect(img, 2, 4, 30, 28, (30, 30, 30))           # film
    for x in range(4, 29, 5):                       # sprocket holes
        rect(img, x, 6, x + 3, 8, (230, 230, 230))
        rect(img, x, 24, x + 3, 26, (230, 230, 230))
    colours = [(220, 60, 60), (60, 180, 80), (70, 110, 230)]
    for i, c in enumerate(colours):                 # three frames
        rect(img, 4 + 9 * i, 10, 11 + 9 * i, 22, c)
    return img


def ico_bytes(img):
    xor = bytearray()
    mask = bytearray()
    for y in range(SIZE - 1, -1, -1):               # bottom-up rows
        bits = 0
        row_mask = bytearray()
        for x in range(SIZE):
            p = img[y][x]
            if p is None:
                xor += b"\0\0\0\0"
                bits |= 1 << (7 - x % 8)
            else:
                xor += bytes((p[2], p[1], p[0], 255))
            if x % 8 == 7:
                row_mask.append(bits)
                bits = 0
        mask += row_mask
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    image = header + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    kind, out = sys.argv[1], sys.argv[2]
    img = {"viewer": viewer_icon, "converter": converter_icon}[kind]()
    with open(out, "wb") as f:
        f.write(ico_bytes(img))


if __name__ == "__main__":
    main()
