#!/usr/bin/env python3
"""Draws the module's icons and bitmaps and writes them as .ico and .bmp files.

Every picture is a function from a point to a colour, sampled 4x4 per pixel; the output is a
pure function of this script, so running it again gives the same bytes.
Usage: make_pictures.py OUTPUT_DIR
"""
import math
import os
import struct
import sys

SS = 4  # samples per pixel along each axis


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(4))


def render(shape, size):
    """RGBA rows, top row first, each channel 0..255."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    u = (x + (sx + 0.5) / SS) / size
                    v = (y + (sy + 0.5) / SS) / size
                    r, g, b, a = shape(u, v)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SS * SS
            alpha = acc[3] / n
            if alpha > 0:
                px = tuple(int(round(acc[i] / acc[3])) for i in range(3)) + (int(round(alpha * 255)),)
            else:
                px = (0, 0, 0, 0)
            row.append(px)
        rows.append(row)
    return rows


CLEAR = (0, 0, 0, 0.0)


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def in_triangle(u, v, inset=0.0):
    # apex at top centre, base along the bottom
    top, bottom = 0.08 + inset, 0.90 - inset * 0.5
    if v < top or v > bottom:
        return False
    half = (v - top) / (bottom - top) * (0.46 - inset)
    return abs(u - 0.5) <= half


def exclamation(u, v):
    bar = abs(u - 0.5) < 0.055 and 0.36 <= v <= 0.68
    dot = math.hypot(u - 0.5, v - 0.78) < 0.06
    return bar or dot


def warning_shape(fill, edge):
    def shape(u, v):
        if not in_triangle(u, v):
            return CLEAR
        if exclamation(u, v):
            return (0, 0, 0, 1.0)
        if not in_triangle(u, v, 0.05):
            return edge + (1.0,)
        return fill + (1.0,)
    return shape


def error_shape(u, v):
    d = math.hypot(u - 0.5, v - 0.5)
    if d > 0.46:
        return CLEAR
    cross = min(seg_dist(u, v, 0.32, 0.32, 0.68, 0.68), seg_dist(u, v, 0.68, 0.32, 0.32, 0.68)) < 0.065
    if cross:
        return (255, 255, 255, 1.0)
    if d > 0.42:
        return (150, 0, 0, 1.0)
    shade = 1.0 - 0.35 * v
    return (int(230 * shade), int(30 * shade), int(30 * shade), 1.0)


def info_shape(u, v):
    body = ((u - 0.5) / 0.44) ** 2 + ((v - 0.42) / 0.34) ** 2 <= 1.0
    tail = 0.58 <= v <= 0.94 and seg_dist(u, v, 0.30, 0.66, 0.18, 0.92) < 0.08
    if not (body or tail):
        return CLEAR
    edge = ((u - 0.5) / 0.40) ** 2 + ((v - 0.42) / 0.30) ** 2 > 1.0 and not tail
    letter = (abs(u - 0.5) < 0.05 and 0.36 <= v <= 0.62) or math.hypot(u - 0.5, v - 0.25) < 0.055
    if letter:
        return (20, 80, 200, 1.0)
    if edge:
        return (120, 140, 170, 1.0)
    return (255, 255, 255, 1.0)


def app_shape(u, v):
    # rounded blue square holding a white envelope with a yellow dot
    r = 0.14
    qx, qy = max(abs(u - 0.5) - (0.46 - r), 0.0), max(abs(v - 0.5) - (0.46 - r), 0.0)
    if math.hypot(qx, qy) > r:
        return CLEAR
    if math.hypot(u - 0.76, v - 0.26) < 0.11:
        return (255, 200, 40, 1.0)
    if 0.20 <= u <= 0.80 and 0.36 <= v <= 0.74:
        flap = min(seg_dist(u, v, 0.20, 0.36, 0.50, 0.58), seg_dist(u, v, 0.80, 0.36, 0.50, 0.58)) < 0.035
        return (40, 90, 170, 1.0) if flap else (255, 255, 255, 1.0)
    return mix((70, 140, 230, 1.0), (30, 80, 170, 1.0), v)


def close_shape(base):
    def shape(u, v):
        cross = min(seg_dist(u, v, 0.25, 0.25, 0.75, 0.75), seg_dist(u, v, 0.75, 0.25, 0.25, 0.75)) < 0.09
        return (255, 255, 255, 1.0) if cross else base + (1.0,)
    return shape


def palette():
    """A fixed 256-entry palette: a 6x6x6 colour cube, then 40 greys."""
    colours = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    colours += [(int(round(i * 255 / 39)),) * 3 for i in range(40)]
    return colours


PALETTE = palette()


def nearest(rgb):
    best, index = None, 0
    for i, c in enumerate(PALETTE):
        d = (c[0] - rgb[0]) ** 2 + (c[1] - rgb[1]) ** 2 + (c[2] - rgb[2]) ** 2
        if best is None or d < best:
            best, index = d, i
    return index


def row_pad(data):
    return data + b"\0" * ((-len(data)) % 4)


def dib_header(size, height, bpp, image_bytes, colours):
    return struct.pack("<IiiHHIIiiII", 40, size, height, 1, bpp, 0, image_bytes, 0, 0, colours, 0)


def and_mask(rows, size):
    out = b""
    for row in reversed(rows):
        bits = bytearray((size + 7) // 8)
        for x, px in enumerate(row):
            if px[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += row_pad(bytes(bits))
    return out


def icon_image(rows, size, bpp):
    if bpp == 32:
        xor = b"".join(bytes((px[2], px[1], px[0], px[3])) for row in reversed(rows) for px in row)
        mask = and_mask(rows, size)
        return dib_header(size, size * 2, 32, len(xor) + len(mask), 0) + xor + mask
    pal = b"".join(bytes((c[2], c[1], c[0], 0)) for c in PALETTE)
    xor = b"".join(row_pad(bytes(nearest(px) if px[3] >= 128 else 0 for px in row)) for row in reversed(rows))
    mask = and_mask(rows, size)
    return dib_header(size, size * 2, 8, len(xor) + len(mask), 256) + pal + xor + mask


def write_icon(path, shape, images):
    blobs = []
    for size, bpp in images:
        blobs.append((size, bpp, icon_image(render(shape, size), size, bpp)))
    header = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    entries, data = b"", b""
    for size, bpp, blob in blobs:
        colours = 0 if bpp >= 8 else 1 << bpp
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
        data += blob
    with open(path, "wb") as f:
        f.write(header + entries + data)


def write_bitmap(path, shape, size):
    rows = render(shape, size)
    pal = b"".join(bytes((c[2], c[1], c[0], 0)) for c in PALETTE)
    pixels = b"".join(row_pad(bytes(nearest(px) for px in row)) for row in reversed(rows))
    info = dib_header(size, size, 8, len(pixels), 256)
    offset = 14 + len(info) + len(pal)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + info + pal + pixels)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out, exist_ok=True)
    write_icon(os.path.join(out, "app.ico"), app_shape, [(32, 8), (32, 32)])
    write_icon(os.path.join(out, "error.ico"), error_shape, [(16, 32), (32, 32), (48, 32)])
    write_icon(os.path.join(out, "alert.ico"), warning_shape((255, 140, 0), (200, 90, 0)), [(32, 32)])
    write_icon(os.path.join(out, "info.ico"), info_shape, [(32, 32)])
    write_icon(os.path.join(out, "warning.ico"), warning_shape((255, 215, 0), (190, 150, 0)), [(32, 32)])
    write_bitmap(os.path.join(out, "close_down.bmp"), close_shape((204, 102, 0)), 15)
    write_bitmap(os.path.join(out, "close_up.bmp"), close_shape((255, 153, 51)), 15)


if __name__ == "__main__":
    main()
