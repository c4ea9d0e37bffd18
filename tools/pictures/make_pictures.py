#!/usr/bin/env python3
"""Draws the library's three pictures and writes them as bitmap files.

  keys.bmp   32 x 32, 4 bits per pixel, standard 16-colour palette: a silver
             key hanging down on the left and a gold key pointing to the lower
             right, on purple (the bottom-left pixel, the transparent colour).
  cross.bmp  32 x 32, 32 bits per pixel (fourth byte 0): a white diagonal
             cross with a black shadow along its lower-right edges on red.
  tick.bmp   the same format: a white tick with a black shadow on green.

The pictures are drawn from a few shapes (rings, rectangles, thick line
segments) sampled at the pixel centres, so the output is the same on every
machine. Only the standard library is used.

usage: make_pictures.py [OUTPUT_DIR]   (default: the resources folder)
"""
import math
import os
import struct
import sys

SIZE = 32

# The standard 16-colour palette, as RGB.
PALETTE16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0x80, 0x80, 0x80),
    (0xC0, 0xC0, 0xC0), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

BLACK = (0x00, 0x00, 0x00)
WHITE = (0xFF, 0xFF, 0xFF)
PURPLE = (0x80, 0x00, 0x80)
GREY = (0x80, 0x80, 0x80)
SILVER = (0xC0, 0xC0, 0xC0)
OLIVE = (0x80, 0x80, 0x00)
YELLOW = (0xFF, 0xFF, 0x00)
RED = (0xFF, 0x00, 0x00)
GREEN = (0x00, 0xA6, 0x00)


# --- shapes: predicates over pixel coordinates, tested at the pixel centre ---

def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def stroke(ax, ay, bx, by, half_width):
    """A thick line with round ends between two points."""
    return lambda x, y: segment_distance(x + 0.5, y + 0.5, ax, ay, bx, by) <= half_width


def ring(cx, cy, outer, inner):
    def inside(x, y):
        d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
        return inner < d <= outer
    return inside


def rect(left, top, right, bottom):
    """Pixels left..right, top..bottom, ends included."""
    return lambda x, y: left <= x <= right and top <= y <= bottom


def band(ax, ay, bx, by, v0, v1):
    """The pixels beside the segment from A to B, between the distances v0
    and v1 measured to its left-hand side (seen along A to B, y down)."""
    length = math.hypot(bx - ax, by - ay)
    ux, uy = (bx - ax) / length, (by - ay) / length
    def inside(x, y):
        px, py = x + 0.5 - ax, y + 0.5 - ay
        u = px * ux + py * uy
        v = py * ux - px * uy
        return 0.0 <= u <= length and v0 <= v <= v1
    return inside


def difference(shape, cut):
    return lambda x, y: shape(x, y) and not cut(x, y)


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def pixels_of(shape):
    return {(x, y) for y in range(SIZE) for x in range(SIZE) if shape(x, y)}


# --- drawing ---

def new_picture(background):
    return [[background] * SIZE for _ in range(SIZE)]


def paint_key(picture, body, face, highlight, shade):
    """A key in the toolkit-icon style: a black outline around the body, a
    light edge on its upper-left sides and a dark edge on its lower-right
    sides."""
    inside = pixels_of(body)
    for x, y in inside:
        picture[y][x] = face
    for x, y in inside:
        if (x + 1, y) not in inside or (x, y + 1) not in inside:
            picture[y][x] = shade
        elif (x - 1, y) not in inside or (x, y - 1) not in inside:
            picture[y][x] = highlight
    for y in range(SIZE):
        for x in range(SIZE):
            if (x, y) in inside:
                continue
            if any((x + dx, y + dy) in inside for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                picture[y][x] = BLACK


def paint_with_shadow(picture, shape, colour, shadow, depth):
    """The shape in colour, and depth pixels of shadow along its lower-right
    edges (the shape moved right and down, wherever the shape is not)."""
    inside = pixels_of(shape)
    for x, y in sorted(inside):
        for dx in range(depth + 1):
            for dy in range(depth + 1):
                if dx + dy == 0:
                    continue
                sx, sy = x + dx, y + dy
                if sx < SIZE and sy < SIZE and (sx, sy) not in inside:
                    picture[sy][sx] = shadow
    for x, y in inside:
        picture[y][x] = colour


def keys_picture():
    p = new_picture(PURPLE)
    # The gold key, behind: its bow at the top, the shaft running down to the
    # lower right, the bit on the shaft's upper-right side near the tip.
    gold = union(
        ring(17.5, 9.5, 5.6, 2.2),
        band(21.0, 13.0, 30.0, 22.0, -1.6, 1.6),
        band(25.5, 17.5, 30.0, 22.0, 1.6, 5.5),
    )
    gold_notch = band(27.0, 19.0, 28.5, 20.5, 3.5, 6.0)
    gold = difference(gold, gold_notch)
    paint_key(p, gold, YELLOW, WHITE, OLIVE)
    # The silver key, in front: hanging from its bow on the left, the bit
    # pointing right at the bottom.
    silver = union(
        ring(7.5, 7.5, 5.6, 2.2),
        rect(6, 12, 8, 28),
        rect(9, 21, 11, 22),
        rect(9, 25, 12, 27),
    )
    paint_key(p, silver, SILVER, WHITE, GREY)
    return p


def cross_picture():
    p = new_picture(RED)
    cross = union(stroke(8.0, 8.0, 23.0, 23.0, 2.6), stroke(23.0, 8.0, 8.0, 23.0, 2.6))
    paint_with_shadow(p, cross, WHITE, BLACK, 2)
    return p


def tick_picture():
    p = new_picture(GREEN)
    tick = union(stroke(6.0, 16.0, 12.5, 22.5, 2.5), stroke(12.5, 22.5, 25.5, 8.0, 2.5))
    paint_with_shadow(p, tick, WHITE, BLACK, 2)
    return p


# --- bitmap files (bottom-up rows, BI_RGB) ---

def bitmap_file(info_header, colour_table, pixel_data):
    offset = 14 + len(info_header) + len(colour_table)
    size = offset + len(pixel_data)
    return struct.pack("<2sIHHI", b"BM", size, 0, 0, offset) + info_header + colour_table + pixel_data


def info_header(bits, image_size, colours_used):
    return struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, bits, 0, image_size, 0, 0, colours_used, 0)


def bmp4(picture):
    index = {c: i for i, c in enumerate(PALETTE16)}
    rows = []
    for y in reversed(range(SIZE)):
        row = bytearray()
        for x in range(0, SIZE, 2):
            row.append(index[picture[y][x]] << 4 | index[picture[y][x + 1]])
        rows.append(bytes(row))  # 16 bytes: already a multiple of 4
    data = b"".join(rows)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE16)
    return bitmap_file(info_header(4, len(data), 16), table, data)


def bmp32(picture):
    data = b"".join(struct.pack("<BBBB", b, g, r, 0) for y in reversed(range(SIZE)) for r, g, b in picture[y])
    return bitmap_file(info_header(32, len(data), 0), b"", data)


PICTURES = {
    "keys.bmp": lambda: bmp4(keys_picture()),
    "cross.bmp": lambda: bmp32(cross_picture()),
    "tick.bmp": lambda: bmp32(tick_picture()),
}


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out = argv[1] if len(argv) > 1 else os.path.join(here, "..", "..", "resources")
    os.makedirs(out, exist_ok=True)
    for name, make in PICTURES.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(make())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
