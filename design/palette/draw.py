#!/usr/bin/env python3
"""Draws the package's palette images, TGENERATOR.bmp and TUNIKEY.bmp:
24 by 24 pixels, 4 bits per pixel in the 16 standard colours, silver ground.
Run it from this folder after changing a picture; the BMP files it writes are
committed and embedded in the package at build time."""

import struct

# The 16 standard colours, by index.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
SIZE = 24

# 3 by 5 digits.
DIGITS = {
    "0": ["###", "#.#", "#.#", "#.#", "###"],
    "2": ["###", "..#", "###", "#..", "###"],
    "4": ["#.#", "#.#", "###", "..#", "..#"],
    "7": ["###", "..#", ".#.", ".#.", ".#."],
}


class Picture:
    def __init__(self):
        self.px = [[SILVER] * SIZE for _ in range(SIZE)]

    def dot(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = c

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.dot(x, y0, c)
            self.dot(x, y1, c)
        for y in range(y0, y1 + 1):
            self.dot(x0, y, c)
            self.dot(x1, y, c)

    def digit(self, x0, y0, d, c):
        for y, row in enumerate(DIGITS[d]):
            for x, ch in enumerate(row):
                if ch == "#":
                    self.dot(x0 + x, y0 + y, c)

    def disc(self, cx, cy, r2_outer, r2_inner, c):
        for y in range(SIZE):
            for x in range(SIZE):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if r2_inner <= d <= r2_outer:
                    self.dot(x, y, c)

    def bmp(self):
        row_bytes = SIZE // 2  # 12 bytes: already a multiple of 4
        pixels = bytearray()
        for y in reversed(range(SIZE)):  # bottom row first
            row = self.px[y]
            for x in range(0, SIZE, 2):
                pixels.append((row[x] << 4) | row[x + 1])
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
        offset = 14 + 40 + len(palette)
        header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
        info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 4, 0, row_bytes * SIZE,
                           2835, 2835, 16, 16)
        return header + info + palette + bytes(pixels)


def generator():
    """A numbered page: a sheet with a number sign, and a counter showing 042
    with a green arrow counting up."""
    p = Picture()
    # The sheet, with its top right corner folded.
    p.fill(3, 1, 17, 22, WHITE)
    p.frame(3, 1, 17, 22, BLACK)
    for i in range(4):
        p.fill(14 + i, 1, 17, 1 + i, SILVER)
    for i in range(4):
        p.dot(14 + i, 1 + i, BLACK)
        p.dot(14, 1 + i, BLACK)
        p.dot(14 + i, 4, BLACK)
    p.fill(15, 2, 16, 3, GRAY)
    p.dot(16, 3, SILVER)
    # A number sign in navy.
    for x in (7, 10):
        p.fill(x, 3, x, 9, NAVY)
    for y in (5, 8):
        p.fill(5, y, 12, y, NAVY)
    # Text lines.
    p.fill(5, 11, 15, 11, GRAY)
    # The counter: three cells on navy.
    p.fill(1, 13, 16, 21, NAVY)
    p.frame(1, 13, 16, 21, BLACK)
    for i, d in enumerate("042"):
        x = 2 + i * 5
        p.fill(x, 14, x + 3, 20, TEAL if i < 2 else BLUE)
        p.digit(x, 15, d, WHITE)
    # The arrow counting up.
    for i in range(4):
        p.fill(20 - i, 7 + i, 20 + i, 7 + i, GREEN)
    p.fill(19, 11, 21, 17, GREEN)
    p.frame(19, 11, 21, 17, GREEN)
    p.dot(20, 7, LIME)
    p.fill(20, 12, 20, 16, LIME)
    return p


def unikey():
    """A key with a clock: a time-based key."""
    p = Picture()
    # The clock face, top right.
    p.disc(16, 7, 42, 0, WHITE)
    p.disc(16, 7, 42, 30, BLACK)
    p.fill(16, 3, 16, 7, BLACK)  # minute hand
    p.fill(16, 7, 19, 7, MAROON)  # hour hand
    p.dot(16, 2, NAVY)
    p.dot(21, 7, NAVY)
    p.dot(16, 12, NAVY)
    p.dot(11, 7, NAVY)
    # The key: a ring at the bottom left and a shaft with teeth to the right.
    p.disc(6, 16, 26, 6, YELLOW)
    p.disc(6, 16, 26, 20, OLIVE)
    p.disc(6, 16, 6, 0, SILVER)
    p.fill(11, 15, 22, 17, YELLOW)
    p.fill(11, 17, 22, 17, OLIVE)
    p.fill(17, 18, 18, 20, YELLOW)
    p.fill(20, 18, 21, 21, YELLOW)
    p.dot(18, 20, OLIVE)
    p.fill(21, 18, 21, 21, OLIVE)
    p.fill(11, 15, 22, 15, WHITE)
    return p


if __name__ == "__main__":
    for name, picture in (("TGENERATOR", generator()), ("TUNIKEY", unikey())):
        with open(name + ".bmp", "wb") as f:
            f.write(picture.bmp())
