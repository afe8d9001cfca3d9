#!/usr/bin/env python3
"""Writes the synthetic bitmaps that the toolkit's tests and demo use.

Plain 24-bit BMP files; pure green (0, 255, 0) is the transparent key.
Run again after changing a drawing: python3 tools/toolkit-make-bitmaps.py
"""
import math
import os
import struct

OUT = os.path.join(os.path.dirname(__file__), "..", "resources", "toolkit-test")
KEY = (0, 255, 0)


class Image:
    def __init__(self, w, h, fill=(0, 0, 0)):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.px[y][x] = c

    def line(self, x0, y0, x1, y1, c, width=1):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        r = width / 2.0
        for i in range(steps + 1):
            t = i / steps
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            for yy in range(int(y - r), int(y + r) + 1):
                for xx in range(int(x - r), int(x + r) + 1):
                    if (xx + 0.5 - x) ** 2 + (yy + 0.5 - y) ** 2 <= r * r + 0.25:
                        self.set(xx, yy, c)

    def disc(self, cx, cy, r, c):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.set(x, y, c)

    def save(self, name):
        stride = (self.w * 3 + 3) & ~3
        pad = b"\0" * (stride - self.w * 3)
        rows = []
        for y in range(self.h - 1, -1, -1):
            rows.append(b"".join(bytes((b, g, r)) for (r, g, b) in self.px[y]) + pad)
        data = b"".join(rows)
        header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(header + info + data)


# Seven-segment digits: segments a b c d e f g.
SEGMENTS = ["abcdef", "bc", "abged", "abgcd", "fgbc", "afgcd", "afgedc", "abc", "abcdefg", "abcdfg"]


def digit(img, ox, oy, w, h, n, c, t=2):
    s = SEGMENTS[n]
    m = h // 2
    if "a" in s: img.rect(ox + t, oy, ox + w - t, oy + t, c)
    if "g" in s: img.rect(ox + t, oy + m - t // 2, ox + w - t, oy + m - t // 2 + t, c)
    if "d" in s: img.rect(ox + t, oy + h - t, ox + w - t, oy + h, c)
    if "f" in s: img.rect(ox, oy + t, ox + t, oy + m, c)
    if "b" in s: img.rect(ox + w - t, oy + t, ox + w, oy + m, c)
    if "e" in s: img.rect(ox, oy + m, ox + t, oy + h - t, c)
    if "c" in s: img.rect(ox + w - t, oy + m, ox + w, oy + h - t, c)


def knob_face(img, ox, oy, size, angle):
    c = size / 2.0
    img.rect(ox, oy, ox + size, oy + size, (52, 56, 64))
    img.disc(ox + c, oy + c, c - 2, (20, 22, 26))
    img.disc(ox + c, oy + c, c - 4, (150, 156, 168))
    img.disc(ox + c, oy + c, c - 7, (110, 116, 128))
    r = c - 7
    img.line(ox + c, oy + c, ox + c + math.cos(angle) * r, oy + c - math.sin(angle) * r, (255, 240, 200), 3)


def main():
    os.makedirs(OUT, exist_ok=True)

    # Frame background: a panel with a grid.
    bg = Image(480, 300, (44, 48, 56))
    for y in range(300):
        shade = 44 + y // 20
        for x in range(480):
            bg.px[y][x] = (shade, shade + 4, shade + 12) if (x % 40 and y % 40) else (70, 76, 90)
    bg.save("background.bmp")

    # Two-frame on/off button: off on top, on below.
    onoff = Image(40, 40, (30, 30, 30))
    for f, lamp in enumerate([(90, 20, 20), (255, 60, 40)]):
        onoff.rect(2, f * 20 + 2, 38, f * 20 + 18, (120, 120, 128))
        onoff.disc(20, f * 20 + 10, 6, lamp)
    onoff.save("onoff.bmp")

    # 31-frame knob strip, 40 by 40, from 5/4 pi turning clockwise by 3/2 pi.
    frames = 31
    strip = Image(40, 40 * frames)
    for i in range(frames):
        knob_face(strip, 0, i * 40, 40, 5 * math.pi / 4 - 1.5 * math.pi * i / (frames - 1))
    strip.save("knobstrip.bmp")

    # Knob background for a drawn handle, and a keyed handle bitmap.
    kb = Image(48, 48, KEY)
    kb.disc(24, 24, 23, (24, 26, 30))
    kb.disc(24, 24, 20, (80, 88, 100))
    kb.save("knobback.bmp")
    handle = Image(9, 9, KEY)
    handle.disc(4.5, 4.5, 4, (255, 210, 60))
    handle.save("handle.bmp")

    # Vertical and horizontal slider tracks with keyed handles.
    vt = Image(30, 120, (36, 38, 44))
    vt.rect(13, 6, 17, 114, (10, 10, 12))
    for y in range(10, 111, 10):
        vt.rect(4, y, 9, y + 1, (150, 150, 150))
    vt.save("vtrack.bmp")
    vh = Image(24, 12, KEY)
    vh.rect(1, 1, 23, 11, (200, 200, 210))
    vh.rect(2, 5, 22, 7, (230, 40, 40))
    vh.save("vhandle.bmp")
    ht = Image(120, 24, (36, 38, 44))
    ht.rect(6, 10, 114, 14, (10, 10, 12))
    ht.save("htrack.bmp")
    hh = Image(12, 20, KEY)
    hh.rect(1, 1, 11, 19, (200, 200, 210))
    hh.rect(5, 2, 7, 18, (40, 120, 230))
    hh.save("hhandle.bmp")

    # Five-frame movie: frame n shows the digit n on its own colour.
    colours = [(200, 40, 40), (220, 140, 30), (210, 200, 40), (60, 170, 60), (50, 90, 220)]
    movie = Image(40, 200)
    for n in range(5):
        movie.rect(0, n * 40, 40, n * 40 + 40, colours[n])
        digit(movie, 12, n * 40 + 8, 16, 24, n, (255, 255, 255), 3)
    movie.save("movie.bmp")

    # Animation frames: a dot going round, four frames of 48.
    anim = Image(48, 192, (24, 24, 30))
    for n in range(4):
        a = math.pi / 2 - n * math.pi / 2
        anim.disc(24 + 14 * math.cos(a), n * 48 + 24 - 14 * math.sin(a), 6, (120, 220, 255))
    anim.save("anim.bmp")

    # Splash picture.
    splash = Image(220, 140, (16, 20, 40))
    splash.rect(4, 4, 216, 136, (40, 60, 110))
    for n in range(10):
        digit(splash, 14 + n * 20, 50, 14, 40, n, (255, 230, 120), 3)
    splash.save("splash.bmp")

    # Three-position switches, vertical and horizontal, and a three-frame rocker.
    sw = Image(24, 180, (30, 30, 36))
    for n in range(3):
        sw.rect(2, n * 60 + 2, 22, n * 60 + 58, (70, 70, 80))
        sw.rect(4, n * 60 + 4 + n * 18, 20, n * 60 + 22 + n * 18, (230, 230, 230))
    sw.save("switch.bmp")
    hsw = Image(60, 72, (30, 30, 36))
    for n in range(3):
        hsw.rect(2, n * 24 + 2, 58, n * 24 + 22, (70, 70, 80))
        hsw.rect(4 + n * 18, n * 24 + 4, 22 + n * 18, n * 24 + 20, (230, 230, 230))
    hsw.save("hswitch.bmp")
    rocker = Image(48, 72, (30, 30, 36))
    for n, x in enumerate([4, 18, 32]):
        rocker.rect(2, n * 24 + 2, 46, n * 24 + 22, (80, 80, 90))
        rocker.rect(x, n * 24 + 5, x + 12, n * 24 + 19, (240, 200, 60) if n != 1 else (160, 160, 160))
    rocker.save("rocker.bmp")

    # Two-frame toggle: off, on.
    tog = Image(40, 40, (30, 30, 36))
    tog.rect(3, 3, 37, 17, (60, 60, 70))
    tog.rect(3, 23, 37, 37, (60, 200, 90))
    tog.save("toggle.bmp")

    # Digits 0 to 9 stacked, 12 by 18 each.
    digits = Image(12, 180, (10, 16, 10))
    for n in range(10):
        digit(digits, 2, n * 18 + 2, 8, 14, n, (90, 255, 120), 2)
    digits.save("digits.bmp")

    # Level meter: lit and unlit bars in segments.
    on = Image(14, 100, (0, 0, 0))
    off = Image(14, 100, (0, 0, 0))
    for s in range(10):
        y0 = 100 - (s + 1) * 10
        lit = (60, 220, 60) if s < 6 else (230, 200, 40) if s < 8 else (240, 50, 40)
        on.rect(1, y0 + 1, 13, y0 + 9, lit)
        off.rect(1, y0 + 1, 13, y0 + 9, tuple(v // 5 for v in lit))
    on.save("meteron.bmp")
    off.save("meteroff.bmp")

    # Transparency checks: all key, and a keyed border round a red square.
    Image(16, 16, KEY).save("allgreen.bmp")
    keyed = Image(8, 8, KEY)
    keyed.rect(2, 2, 6, 6, (255, 0, 0))
    keyed.save("keyed.bmp")


if __name__ == "__main__":
    main()
