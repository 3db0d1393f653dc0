#!/usr/bin/env python3
"""Draws the program icon: a clipboard whose sheet shows 'A' turning into 'あ'.

Writes res/pelisan.ico with a 32x32 and a 16x16 image in 16 colours, and the
Linux desktop's icons, packaging/icons/pelisan-<size>.png: the same pictures,
each pixel enlarged to a square of whole pixels so that none is blurred.
Run it again only to change the picture; its output is kept in the repository.
"""
import os
import struct
import sys
import zlib

PALETTE = [  # the standard 16-colour VGA palette, as (r, g, b)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, GREY, SILVER, WHITE, BLUE, RED = 0, 1, 2, 3, 4, 8, 7, 15, 12, 9

BIG = """
................................
...........XXXXXXXXXX...........
..........XssssssssssX..........
.....bbbbbXsXXXXXXXXsXbbbbb.....
....bOOOOOXXXXXXXXXXXXOOOOOb....
....bOOOOOOOOOOOOOOOOOOOOOOb....
....bOOwwwwwwwwwwwwwwwwwwOOb....
....bOOwwwwwwwwwwwwwwwwwwOOb....
....bOOwwwwNNwwwwwwwwwwwwOOb....
....bOOwwwNwwNwwwwwwwwwwwOOb....
....bOOwwwNwwNwwwwwwwwwwwOOb....
....bOOwwwNNNNwwwwwwwwwwwOOb....
....bOOwwwNwwNwwwwwwwwwwwOOb....
....bOOwwwNwwNwwwgwwwwwwwOOb....
....bOOwwwwwwwwwwggwwwwwwOOb....
....bOOwwwwgggggggggwwwwwOOb....
....bOOwwwwwwwwwwggwwwwwwOOb....
....bOOwwwwwwwwwwgwwwwwwwOOb....
....bOOwwwwwwwwwwwwwwRwwwOOb....
....bOOwwwwwwwwwwRRRRRRwwOOb....
....bOOwwwwwwwwwwwwRwwwwwOOb....
....bOOwwwwwwwwwRRRRRRwwwOOb....
....bOOwwwwwwwwRwwRwwwRwwOOb....
....bOOwwwwwwwwRwRwwwwRwwOOb....
....bOOwwwwwwwwwRRwwwRwwwOOb....
....bOOwwwwwwwwwwwwwwwwwwOOb....
....bOOwwwwwwwwwwwwwwwwwwOOb....
....bOOOOOOOOOOOOOOOOOOOOOOb....
....bOOOOOOOOOOOOOOOOOOOOOOb....
.....bbbbbbbbbbbbbbbbbbbbbb.....
................................
................................
"""

SMALL = """
................
.....XXXXXX.....
...bbXssssXbb...
..bOOXXXXXXOOb..
..bOwwwwwwwwOb..
..bOwNNwwwwwOb..
..bONwwNwwwwOb..
..bONNNNwgwwOb..
..bONwwNgggwOb..
..bOwwwwwgwwOb..
..bOwwwwRRRwOb..
..bOwwwRwRwROb..
..bOwwwwRRwwOb..
..bOOOOOOOOOOb..
...bbbbbbbbbb...
................
"""

COLOURS = {".": None, "X": GREY, "s": SILVER, "b": BLACK, "O": OLIVE, "w": WHITE,
           "N": NAVY, "g": GREEN, "R": RED}


def image(rows_text):
    rows = pixel_rows(rows_text)
    size = len(rows)
    assert all(len(r) == size for r in rows), "rows must be square"
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor = b""
    and_mask = b""
    for row in reversed(rows):  # bitmaps are stored bottom-up
        line = bytearray()
        for x in range(0, size, 2):
            hi = COLOURS[row[x]] or 0
            lo = COLOURS[row[x + 1]] or 0
            line.append((hi << 4) | lo)
        xor += bytes(line).ljust((len(line) + 3) // 4 * 4, b"\0")
        bits = 0
        mask = bytearray()
        for x, ch in enumerate(row):
            bits = (bits << 1) | (1 if COLOURS[ch] is None else 0)
            if x % 8 == 7:
                mask.append(bits)
                bits = 0
        and_mask += bytes(mask).ljust((len(mask) + 3) // 4 * 4, b"\0")
    return size, header + palette + xor + and_mask


def pixel_rows(rows_text):
    return [r for r in rows_text.strip("\n").split("\n")]


def png(rows_text, scale):
    """An RGBA PNG of the picture, each pixel drawn scale times scale."""
    rows = pixel_rows(rows_text)
    size = len(rows) * scale
    raw = b""
    for row in rows:
        line = b"\0"  # no filter
        for ch in row:
            colour = COLOURS[ch]
            rgba = bytes(PALETTE[colour]) + b"\xff" if colour is not None else b"\0\0\0\0"
            line += rgba * scale
        raw += line * scale

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


# The sizes of the freedesktop icon theme's usual folders, each an exact
# multiple of one of the two pictures.
PNG_SIZES = {16: (SMALL, 1), 32: (BIG, 1), 48: (SMALL, 3), 64: (BIG, 2), 128: (BIG, 4), 256: (BIG, 8)}


def write_pngs(folder):
    os.makedirs(folder, exist_ok=True)
    for size, (picture, scale) in PNG_SIZES.items():
        with open(os.path.join(folder, f"pelisan-{size}.png"), "wb") as f:
            f.write(png(picture, scale))


def main(path, png_folder):
    write_pngs(png_folder)
    images = [image(BIG), image(SMALL)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/pelisan.ico",
         sys.argv[2] if len(sys.argv) > 2 else "packaging/icons")
