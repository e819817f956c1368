#!/usr/bin/env python3
"""Draws the bundled example picture: white text and shapes on black.

Writes a binary PPM to the standard output; encode it with
`python3 examples/draw_example.py | cjpeg -quality 90 > examples/lumitone.jpg`.
"""
import math
import sys

WIDTH, HEIGHT = 480, 240

# 5 x 7 glyphs, one string of five bits per row.
FONT = {
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
}

pixels = [[(0, 0, 0)] * WIDTH for _ in range(HEIGHT)]


def plot(x, y, colour=(255, 255, 255)):
    if 0 <= x < WIDTH and 0 <= y < HEIGHT:
        pixels[y][x] = colour


def text(word, left, top, scale):
    for n, letter in enumerate(word):
        for row, bits in enumerate(FONT[letter]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    for dy in range(scale):
                        for dx in range(scale):
                            plot(left + (n * 6 + col) * scale + dx, top + row * scale + dy)


# The word sits low in the picture, where the ladder reads densely.
text("LUMITONE", 24, 130, 9)
# A rising sweep, a ring and a steady tone above the word.
for x in range(20, 460):
    y = int(110 - (x - 20) * 90 / 440)
    for w in range(3):
        plot(x, y + w, (200, 220, 255))
for a in range(720):
    for r in (26, 27, 28):
        plot(int(400 + r * math.cos(math.radians(a / 2))),
             int(60 + r * math.sin(math.radians(a / 2))), (255, 200, 120))
for x in range(40, 300):
    for y in range(40, 43):
        plot(x, y, (255, 255, 255))

out = sys.stdout.buffer
out.write(b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT))
for row in pixels:
    out.write(bytes(c for p in row for c in p))
