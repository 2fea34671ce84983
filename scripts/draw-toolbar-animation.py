#!/usr/bin/env python3
"""Draws the manager's tool-bar animation, manager/resources/Varnholt.gif: a row of level bars
rising and falling like traffic arriving, as a looping GIF. Run it again after changing it:

    python3 scripts/draw-toolbar-animation.py manager/resources/Varnholt.gif
"""

import math
import struct
import sys

WIDTH, HEIGHT, FRAMES, BARS = 96, 48, 12, 8
DELAY_CENTISECONDS = 10
# Index 0 is the transparent background; then navy to yellow for the bars.
PALETTE = [(0xFF, 0xFF, 0xFF), (0x00, 0x00, 0x80), (0x20, 0x30, 0xA0), (0x40, 0x60, 0xC0),
           (0x60, 0x90, 0xD0), (0x90, 0xB0, 0x90), (0xC0, 0xC0, 0x50), (0xF0, 0xC0, 0x20)]
PALETTE += [(0, 0, 0)] * (16 - len(PALETTE))
MIN_CODE_SIZE = 4


def frame_pixels(frame):
    pixels = bytearray(WIDTH * HEIGHT)
    bar_width, gap = 8, 4
    left = (WIDTH - BARS * bar_width - (BARS - 1) * gap) // 2
    for bar in range(BARS):
        phase = 2 * math.pi * (frame / FRAMES + bar / BARS)
        height = int(8 + 16 * (1 + math.sin(phase)))
        for y in range(HEIGHT - 4 - height, HEIGHT - 4):
            colour = 1 + min(6, (HEIGHT - 4 - y) * 7 // 40)
            for x in range(left + bar * (bar_width + gap), left + bar * (bar_width + gap) + bar_width):
                pixels[y * WIDTH + x] = colour
    return pixels


def lzw_uncompressed(pixels):
    """Codes that a GIF decoder reads back as the pixels: literals only, with a clear code
    before the table would need wider codes, so every code stays MIN_CODE_SIZE + 1 bits."""
    clear, end = 1 << MIN_CODE_SIZE, (1 << MIN_CODE_SIZE) + 1
    width = MIN_CODE_SIZE + 1
    codes, since_clear = [clear], 0
    for pixel in pixels:
        if since_clear == (1 << width) - (1 << MIN_CODE_SIZE) - 3:
            codes.append(clear)
            since_clear = 0
        codes.append(pixel)
        since_clear += 1
    codes.append(end)
    out, buffer, bits = bytearray(), 0, 0
    for code in codes:
        buffer |= code << bits
        bits += width
        while bits >= 8:
            out.append(buffer & 0xFF)
            buffer >>= 8
            bits -= 8
    if bits:
        out.append(buffer & 0xFF)
    blocks = bytearray([MIN_CODE_SIZE])
    for start in range(0, len(out), 255):
        chunk = out[start:start + 255]
        blocks += bytes([len(chunk)]) + chunk
    return blocks + b"\x00"


def gif():
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", WIDTH, HEIGHT, 0xF0 | (MIN_CODE_SIZE - 1), 0, 0)
    for colour in PALETTE:
        data += bytes(colour)
    data += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    for frame in range(FRAMES):
        # Restore to background, transparent index 0.
        data += b"\x21\xF9\x04" + struct.pack("<BHB", 0x09, DELAY_CENTISECONDS, 0) + b"\x00"
        data += b"\x2C" + struct.pack("<HHHHB", 0, 0, WIDTH, HEIGHT, 0)
        data += lzw_uncompressed(frame_pixels(frame))
    return bytes(data + b"\x3B")


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as target:
        target.write(gif())
