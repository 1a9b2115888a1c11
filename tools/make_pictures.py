#!/usr/bin/python3
"""Draws the window icon (8-bit BMP) and the background (PPM, converted to JPEG by make-data.sh).

Usage: make_pictures.py ICON.bmp BACKGROUND.ppm
Everything is computed from fixed numbers, so the output is the same on every run.
"""

import math
import struct
import sys

# ---------------------------------------------------------------- icon

ICON_SIZE = 32
ICON_KEY = 15  # the runner makes this palette index transparent

ICON_PALETTE = [
    (24, 18, 28),     # 0 outline
    (238, 190, 150),  # 1 skin
    (204, 150, 114),  # 2 skin in shadow
    (204, 32, 44),    # 3 mask
    (132, 18, 32),    # 4 mask in shadow
    (250, 250, 246),  # 5 eye white
    (44, 44, 78),     # 6 hat
    (226, 184, 64),   # 7 hat band
    (120, 36, 40),    # 8 mouth
    (70, 70, 110),    # 9 hat highlight
    (0, 0, 0),
    (0, 0, 0),
    (0, 0, 0),
    (0, 0, 0),
    (0, 0, 0),
    (255, 0, 255),    # 15 background, keyed out
]


def icon_pixels():
    n = ICON_SIZE
    px = [[ICON_KEY] * n for _ in range(n)]
    part = [[None] * n for _ in range(n)]  # which shape a pixel belongs to, for the rims

    def ellipse(cx, cy, rx, ry, x, y):
        return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0

    def rounded_box(x0, y0, x1, y1, r, x, y):
        qx = max(x0 + r - x, 0.0, x - (x1 - r))
        qy = max(y0 + r - y, 0.0, y - (y1 - r))
        return x0 <= x <= x1 and y0 <= y <= y1 and qx * qx + qy * qy <= r * r

    for y in range(n):
        for x in range(n):
            fx, fy = x + 0.5, y + 0.5
            c, what = ICON_KEY, None
            # Head.
            if ellipse(14.0, 18.0, 10.5, 11.0, fx, fy):
                c, what = (1 if fx < 19.0 else 2), "head"
                # Mask band with two eye holes.
                if 14.0 <= fy <= 19.5:
                    c = 3 if fx < 20.0 else 4
                    for ex in (10.0, 18.0):
                        if ellipse(ex, 16.8, 2.6, 1.8, fx, fy):
                            c = 0 if abs(fx - ex) < 1.0 and fy > 16.0 else 5
                # Frowning mouth.
                if 23.0 <= fy <= 25.0 and 10.0 <= fx <= 18.0:
                    bend = (fx - 14.0) ** 2 / 16.0
                    if abs(fy - (23.6 + bend * 0.9)) < 0.8:
                        c = 8
            # Fist raised in front of the chin: knuckles on top, thumb folded across.
            if rounded_box(19.0, 18.0, 31.0, 31.0, 3.0, fx, fy):
                what = "fist"
                c = 1 if fx < 28.0 else 2
                if fy < 23.5 and int(fx) in (22, 25, 28):
                    c = 0
                if 25.0 <= fy <= 27.0 and fx <= 27.0:
                    c = 2
                if 24.0 <= fy < 25.0 and fx <= 27.0:
                    c = 0
            # Hat: brim, band and crown.
            if ellipse(14.0, 9.5, 13.0, 2.4, fx, fy):
                c, what = 6, "hat"
            if 5.5 <= fx <= 22.5 and 1.5 <= fy <= 9.0:
                c, what = (7 if 6.5 <= fy <= 8.5 else (9 if fx < 8.5 else 6)), "hat"
            px[y][x], part[y][x] = c, what

    # A dark rim wherever a shape meets the background keeps it legible on any desktop;
    # the fist gets one against the face too, or it melts into the chin.
    outlined = [row[:] for row in px]
    for y in range(n):
        for x in range(n):
            if part[y][x] is None:
                continue
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                outside = not (0 <= nx < n and 0 <= ny < n) or part[ny][nx] is None
                if outside or (part[y][x] == "fist" and part[ny][nx] == "head"):
                    outlined[y][x] = 0
                    break
    return outlined


def write_bmp8(path, pixels, palette):
    height = len(pixels)
    width = len(pixels[0])
    stride = (width + 3) & ~3
    colours = len(palette)
    offset = 14 + 40 + 4 * colours
    size = offset + stride * height
    out = bytearray()
    out += struct.pack("<2sIHHI", b"BM", size, 0, 0, offset)
    out += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, stride * height, 2835, 2835, colours, colours)
    for r, g, b in palette:
        out += bytes((b, g, r, 0))
    for row in reversed(pixels):  # BMP rows run bottom-up
        out += bytes(row) + b"\0" * (stride - width)
    with open(path, "wb") as f:
        f.write(out)


# ---------------------------------------------------------------- background

W, H = 320, 240
SS = 3  # supersampling factor per axis
VP_X, VP_Y = 168.0, 141.0  # where the road meets the horizon


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    t = min(1.0, max(0.0, t))
    return (lerp(c1[0], c2[0], t), lerp(c1[1], c2[1], t), lerp(c1[2], c2[2], t))


def ramp(stops, t):
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0))
    return stops[-1][1]


SKY = [
    (0.0, (30, 32, 72)),
    (0.35, (64, 56, 106)),
    (0.62, (128, 86, 118)),
    (0.85, (196, 118, 98)),
    (1.0, (224, 150, 100)),
]
SUN_X, SUN_Y, SUN_R = 248.0, 124.0, 11.0
SILHOUETTE = (26, 26, 40)


def far_hills(x):
    return 121.0 + 5.0 * math.sin(x * 0.021 + 0.6) + 3.0 * math.sin(x * 0.057 + 2.1) + 1.2 * math.sin(x * 0.13)


def near_hills(x):
    return 134.0 + 4.5 * math.sin(x * 0.017 + 3.4) + 2.0 * math.sin(x * 0.071 + 1.0) + 0.8 * math.sin(x * 0.19 + 0.3)


def road_geometry(y):
    """Centre and half width of the road at screen row y (below the horizon)."""
    t = (y - VP_Y) / (H - VP_Y)
    centre = VP_X + (150.0 - VP_X) * t + 26.0 * t * (1.0 - t) ** 1.5
    return centre, 175.0 * t


# Trees as (x, ground y, height); near ones are taller.
TREES = [
    (28.0, 196.0, 70.0),
    (58.0, 168.0, 38.0),
    (104.0, 150.0, 16.0),
    (122.0, 146.0, 10.0),
    (214.0, 147.0, 12.0),
    (238.0, 152.0, 19.0),
    (296.0, 178.0, 46.0),
]


def in_tree(x, y, tx, ty, h):
    trunk_w = max(0.6, h * 0.06)
    crown_r = h * 0.28
    if abs(x - tx) <= trunk_w and ty - h * 0.45 <= y <= ty:
        return True
    for ox, oy, r in ((0.0, 0.62, 1.0), (-0.55, 0.5, 0.75), (0.55, 0.52, 0.78), (0.05, 0.85, 0.7)):
        cx, cy, rr = tx + ox * crown_r, ty - oy * h, r * crown_r
        if (x - cx) ** 2 + (y - cy) ** 2 <= rr * rr:
            return True
    return False


STRANGER_X, STRANGER_Y, STRANGER_H = 163.0, 158.0, 15.0  # feet position and height


def in_stranger(x, y):
    h = STRANGER_H
    top = STRANGER_Y - h
    u = (y - top) / h  # 0 at the crown of the hat, 1 at the feet
    dx = x - STRANGER_X
    if u < 0.0 or u > 1.0:
        return False
    if u < 0.07:  # hat crown
        return abs(dx) <= h * 0.09
    if u < 0.10:  # hat brim
        return abs(dx) <= h * 0.17
    if u < 0.22:  # head
        return dx * dx + ((u - 0.16) * h) ** 2 <= (h * 0.085) ** 2 * 1.3
    if u < 0.62:  # coat, widening towards the hem, with arms akimbo
        half = h * (0.11 + 0.07 * (u - 0.22) / 0.4)
        if abs(dx) <= half:
            return True
        if 0.28 <= u <= 0.46:
            elbow = h * (0.25 - 0.5 * abs(u - 0.37))
            return abs(dx) <= half + elbow * 0.6 and abs(dx) >= half
        return False
    # legs apart
    spread = h * (0.04 + 0.10 * (u - 0.62) / 0.38)
    return abs(abs(dx) - spread) <= h * 0.045


STARS = [(22, 14), (61, 31), (97, 9), (140, 22), (183, 12), (211, 38), (262, 18), (301, 29), (12, 52), (289, 56), (120, 47)]


def background_sample(x, y):
    """Colour of the scene at a point given in pixel units."""
    # Sky, with a warm glow round the setting sun.
    col = ramp(SKY, y / 132.0)
    d = math.hypot(x - SUN_X, (y - SUN_Y) * 1.4)
    col = mix(col, (236, 170, 112), 0.55 * math.exp(-d / 34.0))
    if d <= SUN_R * 1.4:
        col = mix(col, (250, 212, 150), 0.9)
    for sx, sy in STARS:
        if (x - sx - 0.5) ** 2 + (y - sy - 0.5) ** 2 < 0.35:
            col = mix(col, (230, 226, 240), 0.6)

    fh = far_hills(x)
    if y >= fh:
        col = mix((104, 84, 124), (86, 72, 110), (y - fh) / 20.0)
    nh = near_hills(x)
    if y >= nh:
        col = mix((62, 62, 86), (56, 60, 70), (y - nh) / 10.0)

    if y >= VP_Y:
        t = (y - VP_Y) / (H - VP_Y)
        # Fields in dusk light, hazy near the horizon; furrows point at the vanishing point.
        col = mix((78, 78, 78), (52, 64, 44), min(1.0, t * 2.2))
        angle = math.atan2(x - VP_X, y - VP_Y + 0.001)
        if math.sin(angle * 22.0) > 0.55:
            col = mix(col, (40, 52, 36), 0.45 * min(1.0, t * 3.0))
        centre, half = road_geometry(y)
        off = abs(x - centre)
        if off <= half:
            r = off / max(half, 0.001)
            road = mix((132, 114, 104), (116, 100, 86), t)
            if abs(r - 0.42) < 0.09:  # wheel ruts
                road = mix(road, (88, 76, 68), 0.55)
            if r > 0.9:  # worn, grassy verge
                road = mix(road, col, (r - 0.9) / 0.1)
            col = road
        # The road's far end fades into the haze of the horizon.
        col = mix(col, (150, 112, 110), max(0.0, 1.0 - t * 6.0) * 0.6)

    for tx, ty, h in TREES:
        if in_tree(x, y, tx, ty, h):
            col = SILHOUETTE
    if in_stranger(x, y):
        col = (16, 14, 22)
    # Long shadow of the stranger, thrown away from the low sun.
    sy = y - STRANGER_Y
    if 0.0 <= sy <= 1.4 and STRANGER_X - 22.0 <= x <= STRANGER_X:
        col = mix(col, (60, 48, 52), 0.6 * (x - STRANGER_X + 22.0) / 22.0)
    return col


class Lcg:
    """A tiny fixed generator, so the grain is identical on every Python."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x7FFFFFFF


def render_background(path):
    rng = Lcg(20240601)
    out = bytearray()
    inv = 1.0 / (SS * SS)
    for py in range(H):
        for px in range(W):
            r = g = b = 0.0
            for sy in range(SS):
                for sx in range(SS):
                    c = background_sample(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS)
                    r += c[0]
                    g += c[1]
                    b += c[2]
            # Slight vignette and grain keep the dusk calm and the gradients free of bands.
            v = 1.0 - 0.22 * (((px - 160) / 160.0) ** 2 + ((py - 130) / 150.0) ** 2)
            grain = (rng.next() - 0.5) * 3.0
            for value in (r, g, b):
                out.append(max(0, min(255, int(value * inv * v + grain + 0.5))))
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (W, H))
        f.write(out)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_pictures.py ICON.bmp BACKGROUND.ppm")
    write_bmp8(sys.argv[1], icon_pixels(), ICON_PALETTE)
    render_background(sys.argv[2])


if __name__ == "__main__":
    main()
