#!/usr/bin/env python3
"""The committed pictures: what the generator draws, in the formats the
dialogs load, with the colours their transparency relies on.

usage: pictures_test.py   (QX_SOURCE_DIR: the source tree; default: this file's tree)
"""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.environ.get("QX_SOURCE_DIR") or os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
RESOURCES = os.path.join(SOURCE, "resources")
GENERATOR = os.path.join(SOURCE, "tools", "pictures", "make_pictures.py")
NAMES = ("keys.bmp", "cross.bmp", "tick.bmp")

STANDARD_16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0x80, 0x80, 0x80),
    (0xC0, 0xC0, 0xC0), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
WHITE, BLACK = (0xFF, 0xFF, 0xFF), (0x00, 0x00, 0x00)


class Bitmap:
    """A bottom-up BI_RGB bitmap file of 4 or 32 bits per pixel, read
    independently of the generator."""

    def __init__(self, data):
        self.data = data
        magic, self.file_size, _, _, self.offset = struct.unpack_from("<2sIHHI", data, 0)
        assert magic == b"BM"
        (self.header_size, self.width, self.height, self.planes, self.bits, self.compression, _, _, _,
         self.colours_used, _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
        self.palette = []
        if self.bits == 4:
            for i in range(self.colours_used or 16):
                b, g, r, _ = struct.unpack_from("<BBBB", data, 54 + 4 * i)
                self.palette.append((r, g, b))

    def stride(self):
        return (self.width * self.bits + 31) // 32 * 4

    def raw(self, x, y):
        """The pixel's bytes: the palette index for 4 bits, BGRX for 32."""
        row = self.offset + (self.height - 1 - y) * self.stride()
        if self.bits == 4:
            byte = self.data[row + x // 2]
            return byte >> 4 if x % 2 == 0 else byte & 0x0F
        return self.data[row + 4 * x:row + 4 * x + 4]

    def rgb(self, x, y):
        raw = self.raw(x, y)
        if self.bits == 4:
            return self.palette[raw]
        return (raw[2], raw[1], raw[0])

    def colours(self):
        return {self.rgb(x, y) for y in range(self.height) for x in range(self.width)}


def load(name):
    with open(os.path.join(RESOURCES, name), "rb") as f:
        return Bitmap(f.read())


class CommittedPictures(unittest.TestCase):
    def test_files_are_what_the_generator_draws(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, GENERATOR, out], check=True)
            for name in NAMES:
                with open(os.path.join(out, name), "rb") as a, open(os.path.join(RESOURCES, name), "rb") as b:
                    self.assertEqual(a.read(), b.read(), name + " differs from the generator's output")

    def test_keys_format(self):
        bmp = load("keys.bmp")
        self.assertEqual(len(bmp.data), 630)
        self.assertEqual(bmp.file_size, 630)
        self.assertEqual((bmp.header_size, bmp.width, bmp.height, bmp.planes, bmp.bits, bmp.compression),
                         (40, 32, 32, 1, 4, 0))
        self.assertEqual(bmp.offset, 14 + 40 + 64)
        self.assertEqual(bmp.palette, STANDARD_16)

    def test_glyph_formats(self):
        for name in ("cross.bmp", "tick.bmp"):
            bmp = load(name)
            self.assertEqual(len(bmp.data), 4150, name)
            self.assertEqual(bmp.file_size, 4150, name)
            self.assertEqual((bmp.header_size, bmp.width, bmp.height, bmp.planes, bmp.bits, bmp.compression),
                             (40, 32, 32, 1, 32, 0), name)
            self.assertEqual(bmp.offset, 54, name)
            fourth = {bmp.raw(x, y)[3] for y in range(32) for x in range(32)}
            self.assertEqual(fourth, {0}, name)

    def test_keys_stand_on_purple_silver_left_gold_right(self):
        bmp = load("keys.bmp")
        purple = (0x80, 0x00, 0x80)
        # The transparent colour is the bottom-left pixel.
        self.assertEqual(bmp.rgb(0, 31), purple)
        for corner in ((0, 0), (31, 0), (31, 31)):
            self.assertEqual(bmp.rgb(*corner), purple, corner)
        left = {bmp.rgb(x, y) for y in range(32) for x in range(0, 12)}
        lower_right = {bmp.rgb(x, y) for y in range(16, 32) for x in range(20, 32)}
        self.assertIn((0xC0, 0xC0, 0xC0), left)
        self.assertNotIn((0xFF, 0xFF, 0x00), left)
        self.assertIn((0xFF, 0xFF, 0x00), lower_right)
        self.assertNotIn((0xC0, 0xC0, 0xC0), lower_right)
        # The silver key hangs down: its shaft runs through the lower left.
        self.assertIn((0xC0, 0xC0, 0xC0), {bmp.rgb(x, y) for y in range(20, 28) for x in range(4, 10)})

    def check_glyph(self, name, background):
        bmp = load(name)
        self.assertEqual(bmp.colours(), {background, WHITE, BLACK}, name)
        self.assertEqual(bmp.rgb(0, 31), background, name)
        white = {(x, y) for y in range(32) for x in range(32) if bmp.rgb(x, y) == WHITE}
        # The lower-right edges of the strokes are shadowed throughout...
        for x, y in white:
            for dx, dy in ((1, 0), (0, 1), (1, 1)):
                if (x + dx, y + dy) not in white:
                    self.assertEqual(bmp.rgb(x + dx, y + dy), BLACK, (name, x, y))
        # ... and the shadow lies just below or right of a stroke, so the
        # upper-left edges meet the background.
        for y in range(32):
            for x in range(32):
                if bmp.rgb(x, y) == BLACK:
                    near = any((x - dx, y - dy) in white for dx in range(3) for dy in range(3))
                    self.assertTrue(near, (name, x, y))
        return white

    def test_cross_is_white_with_black_shadow_on_red(self):
        white = self.check_glyph("cross.bmp", (0xFF, 0x00, 0x00))
        # Both diagonals: the centre and near each corner.
        for point in ((15, 15), (9, 9), (22, 9), (9, 22), (22, 22)):
            self.assertIn(point, white)
        for point in ((15, 5), (5, 15), (26, 15), (15, 26)):
            self.assertNotIn(point, white)

    def test_tick_is_white_with_black_shadow_on_green(self):
        white = self.check_glyph("tick.bmp", (0x00, 0xA6, 0x00))
        # The short arm on the left, the bend low, the long arm up to the right.
        for point in ((7, 17), (12, 22), (24, 9)):
            self.assertIn(point, white)
        for point in ((7, 9), (24, 22)):
            self.assertNotIn(point, white)


if __name__ == "__main__":
    unittest.main()
