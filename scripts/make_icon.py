#!/usr/bin/env python3
"""Draws the program icon "MAINICON" and writes it as a .ico file.

The icon is a sheet of paper with a large Z on it and an adhesive plaster across its
lower corner: a patch for a program. It is drawn at 16 x 16 and 32 x 32 pixels in the
16 standard colours, the two images the patcher's resources carry.

Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys

# The 16 standard colours (RGB) in their usual order; indices below refer to this list.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, OLIVE, NAVY, SILVER, YELLOW, WHITE = 0, 3, 4, 7, 11, 15
TRANSPARENT = None


def segment_distance(px, py, ax, ay, bx, by):
    """Distance of point p from the segment a-b."""
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / float(dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    cx, cy = ax + t * dx, ay + t * dy
    return ((px - cx) ** 2 + (py - cy) ** 2) ** 0.5


def draw(size):
    """Rows of palette indices (TRANSPARENT outside the drawing), top row first.

    Shapes are laid out on a 32-unit grid and sampled at pixel centres, so both sizes
    come from one drawing; outlines are one pixel wide at either size.
    """
    scale = 32.0 / size

    def on_paper(x, y):
        # Sheet from (5, 2) to (27, 30) with its top right corner cut off along (21, 2)-(27, 8).
        return 5 <= x < 27 and 2 <= y < 30 and (x - 21) <= (y - 2)

    def in_fold(x, y):
        # The corner folded down onto the sheet: the triangle (21, 2), (21, 8), (27, 8).
        return on_paper(x, y) and x >= 21 and y < 8

    def edge_of(shape, x, y):
        return any(not shape(x + dx * scale, y + dy * scale)
                   for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))

    def on_z(x, y):
        bar = 2.0 + scale  # 3 pixels at 32, 2 at 16
        if 9 <= x < 21 and 8 <= y < 8 + bar:
            return True
        if 9 <= x < 21 and 21 - bar <= y < 21:
            return True
        return segment_distance(x, y, 20, 9, 10, 20) < bar * 0.6

    def plaster(x, y):
        # A strip at 45 degrees across the lower right corner: u along it, v across it.
        u = (x + y) / 2.0
        v = (x - y) / 2.0
        if abs(v) >= 3.6 or not 19 <= u < 30:
            return None
        if abs(v) >= 3.6 - scale or u < 19 + scale or u >= 30 - scale:
            return OLIVE  # its edge
        if 22.5 <= u < 26.5:
            return WHITE  # the pad in the middle
        return YELLOW

    rows = []
    for j in range(size):
        row = []
        for i in range(size):
            x = (i + 0.5) * scale
            y = (j + 0.5) * scale
            colour = TRANSPARENT
            if on_paper(x, y):
                if edge_of(on_paper, x, y):
                    colour = BLACK
                elif in_fold(x, y):
                    colour = BLACK if edge_of(in_fold, x, y) else SILVER
                elif on_z(x, y):
                    colour = NAVY
                else:
                    colour = WHITE
            p = plaster(x, y)
            if p is not None:
                colour = p
            row.append(colour)
        rows.append(row)
    return rows


def dib(rows):
    """The icon image: header, palette, 4-bit colour bits and the 1-bit mask, bottom up."""
    size = len(rows)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor_bits = bytearray()
    and_bits = bytearray()
    for row in reversed(rows):
        line = bytearray(xor_stride)
        mask = bytearray(and_stride)
        for i, colour in enumerate(row):
            index = 0 if colour is TRANSPARENT else colour
            line[i // 2] |= index << (4 if i % 2 == 0 else 0)
            if colour is TRANSPARENT:
                mask[i // 8] |= 0x80 >> (i % 8)
        xor_bits += line
        and_bits += mask
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(xor_bits) + bytes(and_bits)


def ico(images):
    """An .ico file holding the given DIB images, each a square of the given size."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return out


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-1])
    images = [(size, dib(draw(size))) for size in (16, 32)]
    with open(sys.argv[1], 'wb') as f:
        f.write(ico(images))


if __name__ == '__main__':
    main()
