#!/usr/bin/env python3
"""Draws the finder pointer and writes it as ui/finder_image.cpp.

The picture is a 32 x 32 cursor file (".cur", one image, 32 bits per pixel
with alpha, hot spot 3,2): an arrowhead without a stem pointing to the upper
left, glossy blue, with a one-pixel white outline and a faint shadow below and
to the right. Run it again after changing the drawing; pass --show to print the
picture as text instead of writing the source file.
"""
import math
import os
import struct
import sys

SIZE = 32
HOT_SPOT = (3, 2)

# The arrowhead's outline in pixel coordinates (x right, y down): the tip, the
# end of the diagonal right edge, the notch of the base, the foot of the
# straight left edge. A pixel belongs to the arrowhead when its centre lies
# inside; the vertices sit a little outside the pixel centres they stand for,
# so that the tip pixel (3, 2) itself is filled.
ARROWHEAD = [(3.3, 2.2), (19.4, 18.3), (11.0, 17.6), (3.3, 24.4)]

LIGHT_BLUE = (150, 205, 255)
DEEP_BLUE = (10, 45, 170)
SHADOW_OFFSET = (1, 2)
SHADOW_ALPHA = 70  # strongest shadow, out of 255


def inside(polygon, px, py):
    """Even-odd rule for the point (px, py)."""
    result = False
    n = len(polygon)
    for i in range(n):
        x1, y1 = polygon[i]
        x2, y2 = polygon[(i + 1) % n]
        if (y1 > py) != (y2 > py):
            cross_x = x1 + (py - y1) * (x2 - x1) / (y2 - y1)
            if px < cross_x:
                result = not result
    return result


def draw():
    """Returns 32 rows of 32 (r, g, b, a) pixels, top row first."""
    fill = [[inside(ARROWHEAD, x + 0.5, y + 0.5) for x in range(SIZE)] for y in range(SIZE)]

    def filled(x, y):
        return 0 <= x < SIZE and 0 <= y < SIZE and fill[y][x]

    # One pixel wide: the empty pixels that touch the fill by an edge.
    outline = [[not fill[y][x] and any(filled(x + dx, y + dy)
                                       for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)))
                for x in range(SIZE)] for y in range(SIZE)]
    body = [[fill[y][x] or outline[y][x] for x in range(SIZE)] for y in range(SIZE)]

    pixels = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]
    tip_x, tip_y = HOT_SPOT
    base_y = max(v[1] for v in ARROWHEAD)
    for y in range(SIZE):
        for x in range(SIZE):
            if fill[y][x]:
                # Gradient from the tip towards the base, with a gloss: a light
                # band near the left edge that fades towards the right.
                t = min(1.0, math.hypot(x - tip_x, y - tip_y) / (base_y - tip_y))
                colour = [LIGHT_BLUE[i] + (DEEP_BLUE[i] - LIGHT_BLUE[i]) * t for i in range(3)]
                gloss = max(0.0, 0.45 - 0.09 * (x - tip_x)) * (1.0 - t)
                colour = [c + (255 - c) * gloss for c in colour]
                pixels[y][x] = tuple(int(round(c)) for c in colour) + (255,)
            elif outline[y][x]:
                pixels[y][x] = (255, 255, 255, 255)
            else:
                # Shadow: the body moved down and to the right, softened over
                # its neighbours, darker towards the base.
                sx, sy = x - SHADOW_OFFSET[0], y - SHADOW_OFFSET[1]
                weight = 0.0
                for dy in (-1, 0, 1):
                    for dx in (-1, 0, 1):
                        if 0 <= sx + dx < SIZE and 0 <= sy + dy < SIZE and body[sy + dy][sx + dx]:
                            weight += 1.0 if dx == 0 and dy == 0 else 0.35
                if weight > 0:
                    depth = min(1.0, max(0.3, (y - tip_y) / (base_y - tip_y)))
                    alpha = int(SHADOW_ALPHA * min(1.0, weight / 3.8) * depth)
                    if alpha > 0:
                        pixels[y][x] = (0, 0, 20, alpha)
    return pixels


def cursor_file(pixels):
    colour_bytes = bytearray()
    mask_bytes = bytearray()
    for row in reversed(pixels):  # the file holds the bottom row first
        bits = 0
        for x, (r, g, b, a) in enumerate(row):
            colour_bytes += bytes((b, g, r, a))
            if a == 0:
                bits |= 1 << (31 - x)  # 1 = transparent
        mask_bytes += struct.pack(">I", bits)
    image = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0,
                        len(colour_bytes) + len(mask_bytes), 0, 0, 0, 0)
    image += colour_bytes + mask_bytes
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, HOT_SPOT[0], HOT_SPOT[1], len(image), 22)
    return header + entry + image


def source_text(data):
    lines = []
    for i in range(0, len(data), 16):
        lines.append("    " + ", ".join(f"0x{b:02x}" for b in data[i:i + 16]) + ",")
    body = "\n".join(lines)
    return f"""// Written by scripts/make_finder_image.py; change the drawing there.
#include "ui/finder_image.h"

namespace tessivo {{

namespace {{

// A Windows cursor file: header, one directory entry (32 x 32, hot spot 3,2),
// then BITMAPINFOHEADER, 32-bit BGRA pixels bottom row first, and the mask.
constexpr uint8_t FINDER_IMAGE_BYTES[FINDER_IMAGE_SIZE] = {{
{body}
}};

}}  // namespace

std::span<const uint8_t, FINDER_IMAGE_SIZE> finder_image() {{
    return std::span<const uint8_t, FINDER_IMAGE_SIZE>(FINDER_IMAGE_BYTES);
}}

}}  // namespace tessivo
"""


def main():
    pixels = draw()
    assert pixels[HOT_SPOT[1]][HOT_SPOT[0]][2] > 200, "the hot spot must be blue"
    data = cursor_file(pixels)
    assert len(data) == 4286, len(data)
    if "--show" in sys.argv:
        for row in pixels:
            print("".join("." if a == 0 else "s" if a < 255 else "W" if (r, g, b) == (255, 255, 255)
                          else "B" for r, g, b, a in row))
        return
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ui", "finder_image.cpp")
    with open(target, "w", encoding="utf-8") as out:
        out.write(source_text(data))


if __name__ == "__main__":
    main()
