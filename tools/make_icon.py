#!/usr/bin/env python3
"""Draws the program icon, res/swarden.ico: one 32x32 image in the 16
standard colours. A gold-rimmed shield guarding a floppy disk."""
import struct
import sys

PALETTE = [  # the 16 standard VGA colours, as (r, g, b)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, OLIVE, NAVY, SILVER, GREY, YELLOW, WHITE = 0, 3, 4, 7, 8, 11, 15
SIZE = 32


def shield_half_width(y):
    """Half the shield's width at row y (top row 0), or None outside it."""
    if y < 2 or y > 29:
        return None
    if y <= 16:
        return 13.0
    return 13.0 * (29.5 - y) / 13.5


def draw():
    pixels = [[None] * SIZE for _ in range(SIZE)]  # None: transparent
    cx = 15.5
    for y in range(SIZE):
        hw = shield_half_width(y)
        if hw is None:
            continue
        for x in range(SIZE):
            d = abs(x - cx)
            if d > hw:
                continue
            inner = shield_half_width(y - 2) if y >= 4 else None
            rim = d > hw - 2 or y < 4 or inner is None or d > inner - 0.5
            if rim:
                pixels[y][x] = OLIVE if d > hw - 1 or y < 3 else YELLOW
            else:
                pixels[y][x] = NAVY
    # The floppy disk: black body, silver shutter, white label.
    for y in range(7, 22):
        for x in range(9, 23):
            pixels[y][x] = BLACK
    for y in range(7, 12):
        for x in range(12, 20):
            pixels[y][x] = SILVER
    for y in range(8, 11):
        pixels[y][17] = GREY
    for y in range(14, 21):
        for x in range(11, 21):
            pixels[y][x] = WHITE
    for y in (16, 18):
        for x in range(12, 20):
            pixels[y][x] = GREY
    return pixels


def ico_bytes(pixels):
    xor_rows, and_rows = [], []
    for y in reversed(range(SIZE)):  # bitmaps are stored bottom-up
        row = pixels[y]
        xor = bytearray()
        for x in range(0, SIZE, 2):
            hi = row[x] if row[x] is not None else BLACK
            lo = row[x + 1] if row[x + 1] is not None else BLACK
            xor.append(hi << 4 | lo)
        xor_rows.append(bytes(xor))
        mask = 0
        for x in range(SIZE):
            mask = mask << 1 | (1 if row[x] is None else 0)
        and_rows.append(struct.pack('>I', mask))
    image = b''.join(xor_rows) + b''.join(and_rows)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(image), 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    body = header + palette + image
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(body), 22)
    return directory + entry + body


if __name__ == '__main__':
    out = sys.argv[1] if len(sys.argv) > 1 else 'res/swarden.ico'
    with open(out, 'wb') as f:
        f.write(ico_bytes(draw()))
