#!/usr/bin/python3
"""Draws the editor's nine bitmaps into resources/editor/.

A walnut harp: an ebony title strip with the name in brass, a neck with
tuning pins, gut strings (C red, F blue, as on a concert harp) running down
to a spruce soundboard with the string lamps, an ebony pillar on the right,
ebony and brass knobs in dark wells. Captions in ivory.

    python3 tools/editor-art/draw.py [output folder]

Needs python3-cairo and the Liberation fonts (tools/setup.sh installs both).
"""
import math
import os
import random
import sys

import cairo

import bmpio
from layout import *

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "..", "resources", "editor")


def hexc(s):
    s = s.lstrip("#")
    return tuple(int(s[i:i + 2], 16) / 255.0 for i in (0, 2, 4))


WALNUT = hexc("4a2c1b")
EBONY = hexc("1d1410")
WELL = hexc("120c09")          # knob wells: knob edges are mixed with this
SOCKET = hexc("0e0b08")        # lamp sockets: lamp edges are mixed with this
PLATE = hexc("2a1a11")         # corner plates: ornament edges are mixed with this
SPRUCE = hexc("c8a36c")
BRASS_HI = hexc("fbe7ae")
BRASS = hexc("c9a04e")
BRASS_LO = hexc("6e4f1d")
IVORY = hexc("f1e4c6")
MUTED = hexc("b59d78")
GUT = hexc("dcc9a0")
RED_STRING = hexc("c0392b")
BLUE_STRING = hexc("3f6fc4")

SANS = "Liberation Sans"
NARROW = "Liberation Sans Narrow"
SERIF = "Liberation Serif"


def byte_colour(c):
    return tuple(int(round(v * 255)) for v in c)


def new_surface(w, h):
    s = cairo.ImageSurface(cairo.FORMAT_ARGB32, w, h)
    cr = cairo.Context(s)
    cr.set_antialias(cairo.ANTIALIAS_GOOD)
    fo = cairo.FontOptions()
    fo.set_antialias(cairo.ANTIALIAS_GRAY)
    fo.set_hint_style(cairo.HINT_STYLE_FULL)
    fo.set_hint_metrics(cairo.HINT_METRICS_ON)
    cr.set_font_options(fo)
    return s, cr


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def linear(x0, y0, x1, y1, *stops):
    """A linear gradient from (offset, colour) stops; colours with four
    parts carry their alpha."""
    return with_stops(cairo.LinearGradient(x0, y0, x1, y1), stops)


def radial(cx0, cy0, r0, cx1, cy1, r1, *stops):
    return with_stops(cairo.RadialGradient(cx0, cy0, r0, cx1, cy1, r1), stops)


def with_stops(g, stops):
    for offset, c in stops:
        if len(c) == 4:
            g.add_color_stop_rgba(offset, *c)
        else:
            g.add_color_stop_rgb(offset, *c)
    return g


def disc(cr, cx, cy, r, source):
    cr.arc(cx, cy, r, 0, 2 * math.pi)
    if isinstance(source, cairo.Pattern):
        cr.set_source(source)
    elif len(source) == 4:
        cr.set_source_rgba(*source)
    else:
        cr.set_source_rgb(*source)
    cr.fill()


def outline(cr, path, width, rgba):
    cr.append_path(path)
    cr.set_line_width(width)
    cr.set_source_rgba(*rgba)
    cr.stroke()


def brass_gradient(x0, y0, x1, y1):
    g = cairo.LinearGradient(x0, y0, x1, y1)
    g.add_color_stop_rgb(0.0, *BRASS_HI)
    g.add_color_stop_rgb(0.45, *BRASS)
    g.add_color_stop_rgb(1.0, *BRASS_LO)
    return g


def brass_bead(cr, x, y, r):
    """A round brass head with its shadow, lit from the top left."""
    cr.arc(x + 0.4, y + 0.5, r * 1.13, 0, 2 * math.pi)
    cr.set_source_rgba(0, 0, 0, 0.6)
    cr.fill()
    cr.arc(x, y, r, 0, 2 * math.pi)
    g = cairo.RadialGradient(x - r * 0.37, y - r * 0.37, 0.1, x, y, r * 1.05)
    g.add_color_stop_rgb(0, *BRASS_HI)
    g.add_color_stop_rgb(1, *BRASS_LO)
    cr.set_source(g)
    cr.fill()


# ---------------------------------------------------------------- wood

def wood_surface(w, h, base, seed, contrast=0.16, scale=1.0):
    """Long, gently waving grain. Pure Python: a value table per streak."""
    rnd = random.Random(seed)
    streak = [rnd.random() for _ in range(2048)]
    fibre = [rnd.random() for _ in range(4096)]

    def table(t, values):
        i = int(math.floor(t))
        f = t - i
        f = f * f * (3 - 2 * f)
        n = len(values)
        return values[i % n] * (1 - f) + values[(i + 1) % n] * f

    phase = rnd.random() * 6.28
    s = cairo.ImageSurface(cairo.FORMAT_ARGB32, w, h)
    stride = s.get_stride()
    data = bytearray(stride * h)
    warp = [5.0 * math.sin(x * 0.0105 + phase) + 2.2 * math.sin(x * 0.031 + 2 * phase) for x in range(w)]
    br, bg, bb = (v * 255 for v in base)
    for y in range(h):
        for x in range(w):
            t = (y + warp[x] + 1.5 * math.sin(x * 0.004 + y * 0.02)) / scale
            v = (table(t * 0.55, streak) - 0.5) + 0.45 * (table(t * 2.3 + x * 0.015, fibre) - 0.5)
            f = 1.0 + contrast * v
            i = y * stride + 4 * x
            data[i] = max(0, min(255, int(bb * f)))
            data[i + 1] = max(0, min(255, int(bg * f)))
            data[i + 2] = max(0, min(255, int(br * f)))
            data[i + 3] = 255
    return cairo.ImageSurface.create_for_data(data, cairo.FORMAT_ARGB32, w, h, stride)


# ---------------------------------------------------------------- text

def text(cr, s, x, y, size, face=SANS, bold=True, italic=False, align="left",
         colour=IVORY, shadow=True, tracking=0.0):
    """Draws s with its baseline at y; x is the left, centre or right end."""
    cr.select_font_face(face, cairo.FONT_SLANT_ITALIC if italic else cairo.FONT_SLANT_NORMAL,
                        cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    cr.set_font_size(size)
    width = text_width(cr, s, tracking)
    if align == "center":
        x -= width / 2
    elif align == "right":
        x -= width
    x = round(x)

    def run(dx, dy):
        pen = x + dx
        if tracking == 0:
            cr.move_to(pen, y + dy)
            cr.show_text(s)
            return
        for ch in s:
            cr.move_to(pen, y + dy)
            cr.show_text(ch)
            pen += cr.text_extents(ch).x_advance + tracking

    if shadow:
        cr.set_source_rgba(0, 0, 0, 0.75)
        run(0, 1)
    if isinstance(colour, cairo.Pattern):
        cr.set_source(colour)
    else:
        cr.set_source_rgb(*colour)
    run(0, 0)
    return width


def text_width(cr, s, tracking=0.0):
    if tracking == 0:
        return cr.text_extents(s).x_advance
    return sum(cr.text_extents(ch).x_advance for ch in s) + tracking * (len(s) - 1)


# 3 x 5 digits for the tiny LED numbers, where a font would only blur.
PIXEL_DIGITS = {
    "0": ["111", "101", "101", "101", "111"],
    "1": ["010", "110", "010", "010", "111"],
    "2": ["111", "001", "111", "100", "111"],
    "3": ["111", "001", "011", "001", "111"],
    "4": ["101", "101", "111", "001", "001"],
    "5": ["111", "100", "111", "001", "111"],
    "6": ["111", "100", "111", "101", "111"],
    "7": ["111", "001", "001", "010", "010"],
    "8": ["111", "101", "111", "101", "111"],
    "9": ["111", "101", "111", "001", "111"],
}


def pixel_number(cr, s, cx, top, colour):
    width = 4 * len(s) - 1
    x0 = int(round(cx - width / 2))
    cr.set_source_rgb(*colour)
    for i, ch in enumerate(s):
        for row, bits in enumerate(PIXEL_DIGITS[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    cr.rectangle(x0 + 4 * i + col, top + row, 1, 1)
    cr.fill()


# ---------------------------------------------------------------- knobs

def pointer_angle(value):
    """Clockwise from straight up, in radians."""
    return math.radians(-SWEEP / 2 + SWEEP * value)


def draw_knob(cr, cx, cy, r, value):
    """An ebony knob with a brass collar and an ivory pointer; light from the
    top left, the same in every position, so only the pointer moves."""
    # Shadow falling to the lower right inside the well.
    for i, a in enumerate((0.10, 0.14, 0.20)):
        cr.arc(cx + 0.6, cy + 0.9, r + 0.5 - 0.4 * i, 0, 2 * math.pi)
        cr.set_source_rgba(0, 0, 0, a)
        cr.fill()
    # Brass collar.
    cr.arc(cx, cy, r, 0, 2 * math.pi)
    cr.set_source(brass_gradient(cx - r, cy - r, cx + r, cy + r))
    cr.fill()
    # Ebony top, lit from the upper left.
    top = r * 0.80
    g = cairo.RadialGradient(cx - top * 0.45, cy - top * 0.5, top * 0.1, cx, cy, top * 1.05)
    g.add_color_stop_rgb(0.0, *hexc("6a5446"))
    g.add_color_stop_rgb(0.55, *hexc("2a1e17"))
    g.add_color_stop_rgb(1.0, *hexc("120c09"))
    cr.arc(cx, cy, top, 0, 2 * math.pi)
    cr.set_source(g)
    cr.fill()
    # A fine dark line where the top meets the collar.
    cr.arc(cx, cy, top, 0, 2 * math.pi)
    cr.set_source_rgba(0, 0, 0, 0.55)
    cr.set_line_width(0.8)
    cr.stroke()
    # Pointer: ivory line from near the centre across the collar, kept
    # inside the knob's edge.
    cr.save()
    cr.arc(cx, cy, r - 0.3, 0, 2 * math.pi)
    cr.clip()
    a = pointer_angle(value)
    dx, dy = math.sin(a), -math.cos(a)
    inner, outer = r * 0.22, r * 1.1
    cr.set_line_cap(cairo.LINE_CAP_ROUND)
    cr.move_to(cx + dx * inner, cy + dy * inner)
    cr.line_to(cx + dx * outer, cy + dy * outer)
    cr.set_source_rgba(0, 0, 0, 0.7)
    cr.set_line_width(r * 0.32)
    cr.stroke()
    cr.move_to(cx + dx * inner, cy + dy * inner)
    cr.line_to(cx + dx * outer, cy + dy * outer)
    cr.set_source_rgb(*IVORY)
    cr.set_line_width(r * 0.17)
    cr.stroke()
    cr.restore()


def knob_strip(size, radius, path):
    s, cr = new_surface(size, size * KNOB_FRAMES)
    for i in range(KNOB_FRAMES):
        # Frame i is shown for values from i/90 up to just below (i+1)/90.
        draw_knob(cr, size / 2, size * i + size / 2, radius, i / (KNOB_FRAMES - 1))
    well = byte_colour(WELL)
    bmpio.save_surface(path, s, lambda x, y: well)


KNOB_RADIUS = {STRING_KNOB: 10.0, GLOBAL_KNOB: 11.6}


def well_radius(size):
    return size / 2 - 0.5


# ---------------------------------------------------------------- panel

def panel(path):
    s, cr = new_surface(PANEL_W, PANEL_H)
    cr.set_source_surface(wood_surface(PANEL_W, PANEL_H, WALNUT, 7), 0, 0)
    cr.paint()
    vignette(cr)
    title_strip(cr)
    neck(cr)
    strings(cr)
    soundboard(cr)
    tuning_rail(cr)
    pillar(cr)
    for k in STRINGS:
        for _, top in STRING_ROWS:
            knob_well(cr, string_knob_x(k), top, STRING_KNOB, ticks=True)
    for caption, x, y, off in GLOBAL_KNOBS:
        knob_well(cr, x, y, GLOBAL_KNOB, ticks=True)
    for k in STRINGS:
        link_bezel(cr, *link_pos(k))
    for n in range(1, 11):
        led_bezel(cr, *led_pos(n))
    display_plate(cr, *display_rect(1))
    captions(cr)
    for x, y in CORNERS:
        corner_plate(cr, x, y)
    border(cr)
    same_display_patch(s)
    bmpio.save_surface(path, s)
    return s


def vignette(cr):
    g = cairo.RadialGradient(PANEL_W / 2, PANEL_H * 0.45, 120, PANEL_W / 2, PANEL_H * 0.45, 420)
    g.add_color_stop_rgba(0, 0, 0, 0, 0)
    g.add_color_stop_rgba(1, 0, 0, 0, 0.45)
    cr.set_source(g)
    cr.paint()


def border(cr):
    cr.set_line_width(1)
    cr.rectangle(0.5, 0.5, PANEL_W - 1, PANEL_H - 1)
    cr.set_source_rgb(0, 0, 0)
    cr.stroke()
    cr.rectangle(2.5, 2.5, PANEL_W - 5, PANEL_H - 5)
    cr.set_source(brass_gradient(0, 0, PANEL_W, PANEL_H))
    cr.stroke()


def title_strip(cr):
    cr.save()
    cr.rectangle(0, 0, PANEL_W, 36)
    cr.clip()
    cr.set_source_surface(wood_surface(PANEL_W, 36, EBONY, 11, contrast=0.25), 0, 0)
    cr.paint()
    cr.set_source(linear(0, 0, 0, 36, (0, (1, 1, 1, 0.06)), (0.5, (0, 0, 0, 0)), (1, (0, 0, 0, 0.35))))
    cr.paint()
    cr.restore()
    # Brass rule under the strip.
    cr.rectangle(0, 36, PANEL_W, 2)
    cr.set_source(brass_gradient(0, 35, 0, 39))
    cr.fill()
    cr.rectangle(0, 38, PANEL_W, 1)
    cr.set_source_rgba(0, 0, 0, 0.6)
    cr.fill()
    gold = cairo.LinearGradient(0, 9, 0, 28)
    gold.add_color_stop_rgb(0, *BRASS_HI)
    gold.add_color_stop_rgb(0.55, *BRASS)
    gold.add_color_stop_rgb(1, *hexc("8a6426"))
    text(cr, "Strellon", PANEL_W / 2, 28, 27, face=SERIF, bold=False, italic=True, align="center",
         colour=gold, tracking=2)
    text(cr, "Quorvanix", 62, 24, 13, face=SERIF, bold=True, colour=MUTED, tracking=0.6)
    text(cr, "twelve-string harp", 531, 24, 13, face=SERIF, bold=False, italic=True, align="right",
         colour=MUTED)


def neck_y(x):
    """The neck's centre line: a gentle swan curve over the string heads."""
    return 49 + 2.5 * math.sin((x - 50) / 480 * math.pi * 1.6)


def neck(cr):
    """A rounded beam with a brass edge below and a pin for every string."""
    x0, x1 = 54, 532
    xs = [x0 + (x1 - x0) * i / 60 for i in range(61)]

    def band(up, down):
        cr.move_to(xs[0], neck_y(xs[0]) - up)
        for x in xs[1:]:
            cr.line_to(x, neck_y(x) - up)
        for x in reversed(xs):
            cr.line_to(x, neck_y(x) + down)
        cr.close_path()

    band(6, 7.5)
    cr.set_source_rgba(0, 0, 0, 0.45)
    cr.fill()
    band(6, 6)
    path = cr.copy_path()
    cr.set_source(linear(0, 44, 0, 57, (0, hexc("8a5a38")), (0.3, hexc("5a3520")),
                         (0.75, hexc("341e11")), (1, hexc("1e1109"))))
    cr.fill()
    band(-4.2, 6)
    cr.set_source(brass_gradient(x0, 50, x1, 58))
    cr.fill()
    outline(cr, path, 1, (0, 0, 0, 0.6))
    # Tuning pins, one per string.
    for k in STRINGS:
        x = column_x(k)
        brass_bead(cr, x, neck_y(x) - 0.5, 2.3)


def pillar_x(y):
    """Centre of the pillar at height y: through the right-hand knob centres."""
    return 559.5 - (8.0 / 158.0) * (y - 114.5)


def pillar(cr):
    """Wider on the left, where the Chorus knob's OFF stands."""
    top, bottom, left, right = 67, 330, 27, 21
    cr.move_to(pillar_x(top) - left, top)
    cr.line_to(pillar_x(top) + right, top)
    cr.line_to(pillar_x(bottom) + right, bottom)
    cr.line_to(pillar_x(bottom) - left, bottom)
    cr.close_path()
    path = cr.copy_path()
    cr.save()
    cr.clip()
    cr.set_source_surface(wood_surface(80, bottom - top, EBONY, 23, contrast=0.3, scale=2.5), 510, top)
    cr.paint()
    cr.set_source(linear(pillar_x(200) - left, 0, pillar_x(200) + right, 0,
                         (0, (1, 1, 1, 0.10)), (0.35, (1, 1, 1, 0.0)), (1, (0, 0, 0, 0.35))))
    cr.paint()
    cr.restore()
    cr.append_path(path)
    cr.set_line_width(1.2)
    cr.set_source(brass_gradient(520, top, 590, bottom))
    cr.stroke()
    # Brass capital and foot.
    for y, h in ((top - 3, 5), (bottom - 2, 5)):
        x = pillar_x(y)
        rounded_rect(cr, x - left - 3, y, left + right + 6, h, 2)
        cr.set_source(brass_gradient(x - left, y, x + right, y + h))
        cr.fill()


def rounded_rect(cr, x, y, w, h, r):
    cr.new_sub_path()
    cr.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    cr.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    cr.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    cr.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    cr.close_path()


def lamp_centre(k):
    x, y = lamp_pos(k)
    return x + LAMP / 2, y + LAMP / 2


def soundboard_y(x):
    """The soundboard runs through the lamp centres."""
    cx1, cy1 = lamp_centre(1)
    cx12, cy12 = lamp_centre(12)
    return cy1 + (cy12 - cy1) * (x - cx1) / (cx12 - cx1)


def strings(cr):
    for k in STRINGS:
        x = column_x(k)
        colour = RED_STRING if k == 1 else BLUE_STRING if k == 6 else GUT
        y0, y1 = neck_y(x), lamp_centre(k)[1]
        cr.move_to(x + 0.8, y0)
        cr.line_to(x + 0.8, y1)
        cr.set_source_rgba(0, 0, 0, 0.5)
        cr.set_line_width(1.4)
        cr.stroke()
        cr.move_to(x, y0)
        cr.line_to(x, y1)
        cr.set_source_rgb(*colour)
        cr.set_line_width(1.3)
        cr.stroke()
        cr.move_to(x - 0.35, y0)
        cr.line_to(x - 0.35, y1)
        cr.set_source_rgba(1, 1, 1, 0.25)
        cr.set_line_width(0.4)
        cr.stroke()


RAIL_X0, RAIL_X1 = 50, 530


def tuning_rail(cr):
    """An ebony rail that carries the tuning displays. It changes only from top
    to bottom, so the patch under every display is the same; the strings pass
    behind it."""
    _, y, _, h = display_rect(1)
    top, bottom = y - 3, y + h + 3
    rounded_rect(cr, RAIL_X0, top, RAIL_X1 - RAIL_X0, bottom - top, 3)
    path = cr.copy_path()
    cr.set_source(linear(0, top, 0, bottom, (0, hexc("3a2a20")), (0.25, hexc("1d1410")),
                         (0.8, hexc("120c09")), (1, hexc("080504"))))
    cr.fill()
    cr.rectangle(RAIL_X0 + 3, top, RAIL_X1 - RAIL_X0 - 6, 1)
    cr.set_source_rgba(*BRASS, 0.8)
    cr.fill()
    cr.rectangle(RAIL_X0 + 3, bottom - 1, RAIL_X1 - RAIL_X0 - 6, 1)
    cr.set_source_rgba(*BRASS_LO, 0.9)
    cr.fill()
    outline(cr, path, 1, (0, 0, 0, 0.5))


def soundboard(cr):
    x0, x1, half = 50, 530, 7.5
    cr.move_to(x0, soundboard_y(x0) - half)
    cr.line_to(x1, soundboard_y(x1) - half)
    cr.line_to(x1, soundboard_y(x1) + half)
    cr.line_to(x0, soundboard_y(x0) + half)
    cr.close_path()
    path = cr.copy_path()
    cr.save()
    cr.clip()
    cr.set_source_surface(wood_surface(x1 - x0, 40, SPRUCE, 31, contrast=0.12, scale=0.6),
                          x0, soundboard_y(x1) - half)
    cr.paint()
    cr.set_source(linear(0, soundboard_y(300) - half, 0, soundboard_y(300) + half,
                         (0, (1, 1, 1, 0.15)), (0.5, (0, 0, 0, 0)), (1, (0, 0, 0, 0.3))))
    cr.paint()
    cr.restore()
    outline(cr, path, 1, (0, 0, 0, 0.7))
    for k in STRINGS:
        cx, cy = lamp_centre(k)
        cr.arc(cx, cy, 5.6, 0, 2 * math.pi)
        cr.set_source(brass_gradient(cx - 5, cy - 5, cx + 5, cy + 5))
        cr.fill()
        cr.arc(cx, cy, 4.6, 0, 2 * math.pi)
        cr.set_source_rgb(*SOCKET)
        cr.fill()


def knob_well(cr, left, top, size, ticks):
    cx, cy = left + size / 2, top + size / 2
    rw = well_radius(size)
    if ticks:
        # Eleven dots from minimum to maximum; larger at the ends and middle.
        for i in range(11):
            a = pointer_angle(i / 10)
            rr = rw + 2.6
            x, y = cx + rr * math.sin(a), cy - rr * math.cos(a)
            big = i in (0, 5, 10)
            cr.arc(x, y, 0.95 if big else 0.6, 0, 2 * math.pi)
            cr.set_source_rgba(*IVORY, 0.95 if big else 0.6)
            cr.fill()
    # Recessed well: darker upper left rim, lighter lower right.
    cr.arc(cx, cy, rw, 0, 2 * math.pi)
    g = cairo.LinearGradient(cx - rw, cy - rw, cx + rw, cy + rw)
    g.add_color_stop_rgb(0, *hexc("050302"))
    g.add_color_stop_rgb(1, *hexc("5c3d28"))
    cr.set_source(g)
    cr.fill()
    cr.arc(cx, cy, rw - 1.0, 0, 2 * math.pi)
    cr.set_source_rgb(*WELL)
    cr.fill()


def link_bezel(cr, x, y):
    cr.rectangle(x - 1.5, y - 1.5, LINK + 3, LINK + 3)
    cr.set_source(brass_gradient(x, y, x + LINK, y + LINK))
    cr.fill()
    cr.rectangle(x - 0.5, y - 0.5, LINK + 1, LINK + 1)
    cr.set_source_rgb(0, 0, 0)
    cr.fill()


def led_bezel(cr, x, y):
    cr.rectangle(x - 1, y - 1, LED + 2, LED + 2)
    cr.set_source_rgb(0.02, 0.015, 0.01)
    cr.fill()


def display_plate(cr, x, y, w, h):
    rounded_rect(cr, x + 0.5, y + 0.5, w - 1, h - 1, (h - 1) / 2)
    cr.set_source(brass_gradient(x, y, x + w, y + h))
    cr.fill()
    rounded_rect(cr, x + 1.5, y + 1.5, w - 3, h - 3, (h - 3) / 2)
    g = cairo.LinearGradient(0, y, 0, y + h)
    g.add_color_stop_rgb(0, *hexc("050403"))
    g.add_color_stop_rgb(1, *hexc("2a1f16"))
    cr.set_source(g)
    cr.fill()


def same_display_patch(surface):
    """Every tuning display shows the patch under the first one, so the panel
    carries exactly that patch under all twelve."""
    surface.flush()
    data = surface.get_data()
    stride = surface.get_stride()
    x1, y1, w, h = display_rect(1)
    for k in list(STRINGS)[1:]:
        xk, yk, _, _ = display_rect(k)
        for row in range(h):
            src = (y1 + row) * stride + 4 * x1
            dst = (yk + row) * stride + 4 * xk
            data[dst:dst + 4 * w] = data[src:src + 4 * w]
    surface.mark_dirty()


def corner_plate(cr, x, y):
    rounded_rect(cr, x + 0.5, y + 0.5, CORNER_W - 1, CORNER_H - 1, 5)
    cr.set_source(brass_gradient(x, y, x + CORNER_W, y + CORNER_H))
    cr.fill()
    rounded_rect(cr, x + 1.5, y + 1.5, CORNER_W - 3, CORNER_H - 3, 4)
    cr.set_source_rgb(0, 0, 0)
    cr.fill()
    rounded_rect(cr, x + 2, y + 2, CORNER_W - 4, CORNER_H - 4, 3.5)
    cr.set_source_rgb(*PLATE)
    cr.fill()


CAPTION = dict(face=NARROW, bold=True)
CAPTION_SIZE = 10.5
# The Damp, Shaping, DynaTone and ToneBals knobs stand in a square: their
# captions go to the left. The other bottom knobs carry theirs on top.
LEFT_CAPTIONS = ("Damp", "DynaTone", "ToneBals")


def caption(cr, s, x, y, align):
    text(cr, s, x, y, CAPTION_SIZE, align=align, **CAPTION)


def captions(cr):
    for name, top in STRING_ROWS:
        caption(cr, name, 54, top + STRING_KNOB / 2 + 4, "right")
    caption(cr, "Link", 50, link_pos(1)[1] + LINK / 2 + 4, "right")
    for k in STRINGS:
        cx, cy = lamp_centre(k)
        text(cr, NOTE_NAMES[k - 1], cx, cy + 19, 10, face=SANS, align="center")
    for name, x, y, off in GLOBAL_KNOBS:
        cx, cy = x + GLOBAL_KNOB / 2, y + GLOBAL_KNOB / 2
        if name == "Shaping":
            hx0, hy0, hx1, hy1 = HELP_HOT
            caption(cr, name, (hx0 + hx1) / 2, hy1 - 3, "center")
        elif name in LEFT_CAPTIONS:
            caption(cr, name, x - 5, cy + 4, "right")
        else:
            caption(cr, name, cx, y - 6, "center")
        if off:
            # Beside the minimum dot, clear of the knob's rectangle.
            text(cr, "OFF", x - 1, y + GLOBAL_KNOB + 1, 7, face=SANS, align="right", colour=IVORY)
    for n in range(1, 11):
        x, y = led_pos(n)
        top = y - 7 if n <= 5 else y + LED + 2
        pixel_number(cr, str(n), x + LED / 2, top, IVORY)
    text(cr, "Strellon by Quorvanix  \u00b7  click the name for credits, Shaping for the harp models",
         262, 394, 7.5, face=SANS, bold=False, align="center", colour=MUTED, shadow=False)


# ---------------------------------------------------------------- small parts

def link_button(path):
    s, cr = new_surface(LINK, 2 * LINK)
    for i, on in enumerate((False, True)):
        y = i * LINK
        g = cairo.LinearGradient(0, y, LINK, y + LINK)
        if on:
            g.add_color_stop_rgb(0, *hexc("ffe39a"))
            g.add_color_stop_rgb(1, *hexc("d08a1c"))
        else:
            g.add_color_stop_rgb(0, *hexc("4a3a2e"))
            g.add_color_stop_rgb(1, *hexc("140e0a"))
        cr.rectangle(0, y, LINK, LINK)
        cr.set_source(g)
        cr.fill()
        # Bevel: light top left, dark bottom right.
        cr.set_line_width(1)
        cr.move_to(0.5, y + LINK - 0.5)
        cr.line_to(0.5, y + 0.5)
        cr.line_to(LINK - 0.5, y + 0.5)
        cr.set_source_rgba(1, 1, 1, 0.35 if on else 0.18)
        cr.stroke()
        cr.move_to(LINK - 0.5, y + 0.5)
        cr.line_to(LINK - 0.5, y + LINK - 0.5)
        cr.line_to(0.5, y + LINK - 0.5)
        cr.set_source_rgba(0, 0, 0, 0.5)
        cr.stroke()
        # Two chain links.
        cr.set_line_width(1.1)
        cr.set_source_rgb(*(hexc("3a2208") if on else hexc("9a8266")))
        rounded_rect(cr, 1.8, y + 3.3, 4.2, 3.4, 1.5)
        cr.stroke()
        rounded_rect(cr, 4.0, y + 3.3, 4.2, 3.4, 1.5)
        cr.stroke()
    bmpio.save_surface(path, s)


def led(path):
    s, cr = new_surface(LED, 2 * LED)
    for i, (face, hi) in enumerate(((hexc("4a1a10"), hexc("7a3a28")), (hexc("ff6a2a"), hexc("fff0c0")))):
        y = i * LED
        cr.rectangle(0, y, LED, LED)
        cr.set_source_rgb(*face)
        cr.fill()
        cr.rectangle(3, y + 1, 1, 3)
        cr.rectangle(1, y + 3, 2, 1)
        cr.set_source_rgba(0, 0, 0, 0.35)
        cr.fill()
        cr.rectangle(1, y + 1, 1, 1)
        cr.set_source_rgb(*hi)
        cr.fill()
    bmpio.save_surface(path, s)


def lamp(path):
    s, cr = new_surface(LAMP, 2 * LAMP)
    for i, lit in enumerate((False, True)):
        cx, cy = LAMP / 2, i * LAMP + LAMP / 2
        glass = (((0, hexc("e8ffd8")), (0.45, hexc("6cf05a")), (1, hexc("1f9a1a"))) if lit else
                 ((0, hexc("4a6a44")), (0.5, hexc("1c3219")), (1, hexc("0b160a"))))
        disc(cr, cx, cy, 3.5, radial(cx - 1, cy - 1, 0.3, cx, cy, 3.6, *glass))
        disc(cr, cx - 1.1, cy - 1.2, 0.8, (1, 1, 1, 0.75 if lit else 0.35))
    socket = byte_colour(SOCKET)
    bmpio.save_surface(path, s, lambda x, y: socket)


def knot_points(x0, y0, x1, y1, n=720):
    """A trefoil knot seen from above, standing on one lobe, fitted into the
    box (x0, y0)-(x1, y1)."""
    raw = []
    for i in range(n):
        t = 2 * math.pi * i / n
        raw.append((math.sin(t) + 2 * math.sin(2 * t), -(math.cos(t) - 2 * math.cos(2 * t))))
    lx, hx = min(p[0] for p in raw), max(p[0] for p in raw)
    ly, hy = min(p[1] for p in raw), max(p[1] for p in raw)
    return [(x0 + (x - lx) / (hx - lx) * (x1 - x0), y0 + (y - ly) / (hy - ly) * (y1 - y0)) for x, y in raw]


def stroke_band(cr, pts, closed, width, light):
    cr.move_to(*pts[0])
    for p in pts[1:]:
        cr.line_to(*p)
    if closed:
        cr.close_path()
    path = cr.copy_path()
    cr.set_line_join(cairo.LINE_JOIN_ROUND)
    cr.set_line_cap(cairo.LINE_CAP_BUTT)
    cr.set_source_rgb(0.04, 0.025, 0.015)
    cr.set_line_width(width + 1.6)
    cr.stroke()
    cr.append_path(path)
    cr.set_source(light)
    cr.set_line_width(width)
    cr.stroke()
    cr.append_path(path)
    cr.set_source_rgba(1, 1, 1, 0.28)
    cr.set_line_width(width * 0.3)
    cr.stroke()


def knot(cr, top):
    """Inside the plate's flat middle: the band (3.2 wide, 1.6 of outline) keeps
    clear of the plate's rim."""
    n = 720
    cx, cy = CORNER_W / 2, top + CORNER_H / 2
    pts = knot_points(6.5, top + 7.5, CORNER_W - 6.5, top + CORNER_H - 7.5, n)
    # Find the crossings: pairs of far apart parameters at nearly one point.
    crossings = []
    for i in range(0, n, 2):
        for j in range(i + n // 8, n, 2):
            if (n - (j - i)) < n // 8:
                continue
            dx = pts[i][0] - pts[j][0]
            dy = pts[i][1] - pts[j][1]
            if dx * dx + dy * dy < 0.3:
                if all(abs(i - a) > 20 or abs(j - b) > 20 for a, b in crossings):
                    crossings.append((i, j))
    light = brass_gradient(cx - 17, cy - 20, cx + 17, cy + 20)
    stroke_band(cr, pts, True, 3.2, light)
    # Alternate over and under along the curve: redraw the over strand.
    events = sorted([(i, c) for c, (i, j) in enumerate(crossings)] + [(j, c) for c, (i, j) in enumerate(crossings)])
    for order, (index, c) in enumerate(events):
        if order % 2 == 0:
            seg = [pts[(index + d) % n] for d in range(-14, 15)]
            stroke_band(cr, seg, False, 3.2, light)


def stud(cr, cx, cy):
    # A ring of beads around a domed brass boss.
    for i in range(16):
        a = 2 * math.pi * i / 16
        brass_bead(cr, cx + 14.2 * math.cos(a), cy + 14.2 * math.sin(a), 1.5)
    cr.arc(cx + 0.8, cy + 1.2, 11, 0, 2 * math.pi)
    cr.set_source_rgba(0, 0, 0, 0.55)
    cr.fill()
    disc(cr, cx, cy, 10.5, brass_gradient(cx - 10, cy - 10, cx + 10, cy + 10))
    disc(cr, cx, cy, 8.6, radial(cx - 3.5, cy - 4, 0.5, cx, cy, 9,
                                 (0, hexc("fff6d8")), (0.4, hexc("d9b262")), (1, hexc("7a5622"))))


def corners(path):
    s, cr = new_surface(CORNER_W, 3 * CORNER_H)
    knot(cr, CORNER_H)
    stud(cr, CORNER_W / 2, 2 * CORNER_H + CORNER_H / 2)
    plate = byte_colour(PLATE)
    bmpio.save_surface(path, s, lambda x, y: plate)


# ---------------------------------------------------------------- splash panels

def framed_board(w, h, seed):
    s, cr = new_surface(w, h)
    cr.set_source_surface(wood_surface(w, h, hexc("2b1b12"), seed, contrast=0.2), 0, 0)
    cr.paint()
    cr.set_line_width(1)
    cr.rectangle(0.5, 0.5, w - 1, h - 1)
    cr.set_source_rgb(0, 0, 0)
    cr.stroke()
    cr.set_line_width(2)
    cr.rectangle(3, 3, w - 6, h - 6)
    cr.set_source(brass_gradient(0, 0, w, h))
    cr.stroke()
    cr.set_line_width(1)
    cr.rectangle(6.5, 6.5, w - 13, h - 13)
    cr.set_source_rgba(*BRASS, 0.5)
    cr.stroke()
    return s, cr


def bezier(p0, p1, p2, p3, t):
    u = 1 - t
    return tuple(u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c + t * t * t * d
                 for a, b, c, d in zip(p0, p1, p2, p3))


def small_harp(cr, x, y, h):
    """A harp in outline: pillar, swan neck, soundboard, strings between."""
    w = h * 0.64
    pillar_top, pillar_foot = (x + 0.08 * w, y + 0.12 * h), (x + 0.1 * w, y + h)
    board_foot, board_top = (x + 0.16 * w, y + h), (x + 0.94 * w, y + 0.1 * h)
    neck = (pillar_top, (x + 0.4 * w, y - 0.1 * h), (x + 0.6 * w, y + 0.34 * h), board_top)
    curve = [bezier(*neck, i / 200) for i in range(201)]

    def neck_at(px):
        return min(curve, key=lambda p: abs(p[0] - px))[1]

    def board_at(px):
        t = (px - board_foot[0]) / (board_top[0] - board_foot[0])
        return board_foot[1] + (board_top[1] - board_foot[1]) * t

    n = 13
    for i in range(n):
        px = board_foot[0] + 4 + (board_top[0] - board_foot[0] - 10) * i / (n - 1)
        cr.move_to(px, board_at(px) - 1)
        cr.line_to(px, neck_at(px) + 1)
        cr.set_source_rgba(*(RED_STRING if i % 7 == 0 else BLUE_STRING if i % 7 == 3 else GUT), 0.9)
        cr.set_line_width(0.9)
        cr.stroke()
    cr.set_line_cap(cairo.LINE_CAP_ROUND)
    cr.set_line_join(cairo.LINE_JOIN_ROUND)
    brass = brass_gradient(x, y, x + w, y + h)
    cr.move_to(*board_foot)
    cr.line_to(*board_top)
    cr.set_source(brass)
    cr.set_line_width(5)
    cr.stroke()
    cr.move_to(*curve[0])
    for p in curve[1:]:
        cr.line_to(*p)
    cr.set_line_width(4)
    cr.stroke()
    cr.move_to(*pillar_top)
    cr.curve_to(pillar_top[0] - 3, y + 0.5 * h, pillar_foot[0] + 2, y + 0.8 * h, *pillar_foot)
    cr.set_line_width(4.5)
    cr.stroke()
    cr.move_to(pillar_foot[0] - 5, pillar_foot[1])
    cr.line_to(board_foot[0] + 6, board_foot[1])
    cr.set_line_width(3)
    cr.stroke()


def about(path):
    w, h = 300, 200
    s, cr = framed_board(w, h, 41)
    small_harp(cr, 22, 40, 124)
    gold = cairo.LinearGradient(0, 40, 0, 72)
    gold.add_color_stop_rgb(0, *BRASS_HI)
    gold.add_color_stop_rgb(0.6, *BRASS)
    gold.add_color_stop_rgb(1, *hexc("8a6426"))
    cx = 190
    text(cr, "Strellon", cx, 66, 32, face=SERIF, bold=False, italic=True, align="center", colour=gold, tracking=1)
    text(cr, "twelve-string harp", cx, 86, 12, face=SERIF, bold=False, italic=True, align="center", colour=IVORY)
    cr.move_to(cx - 60, 97.5)
    cr.line_to(cx + 60, 97.5)
    cr.set_source_rgba(*BRASS, 0.7)
    cr.set_line_width(1)
    cr.stroke()
    text(cr, "made by", cx, 116, 9, face=SANS, bold=False, align="center", colour=MUTED)
    text(cr, "Quorvanix", cx, 134, 16, face=SERIF, bold=True, align="center", colour=IVORY)
    text(cr, "twelve modelled strings \u00b7 128 programs", cx, 156, 9, face=SANS, bold=False,
         align="center", colour=MUTED, shadow=False)
    text(cr, "VST 2 instrument", cx, 168, 9, face=SANS, bold=False, align="center", colour=MUTED, shadow=False)
    text(cr, "click to close", w - 14, h - 13, 8, face=SANS, bold=False, align="right", colour=MUTED, shadow=False)
    bmpio.save_surface(path, s)


HARP_MODELS = [
    ("none", "standard nylon", 0),
    ("1", "buzzing", 1),
    ("2", "soft tone buzzing", 2),
    ("3", "metallic attack", 3),
    ("4", "metallic soft tone", 4),
    ("5", "big power harp", 5),
    ("6", "small damping soft tone", 6),
    ("7", "large damping attack", 7),
    ("8", "large damping soft tone", 8),
    ("9", "soft tone only", 9),
    ("10", "small soft tone", 10),
    ("all ten", "wire harp model", -1),
]


def mini_leds(cr, x, y, lit):
    """The panel's two rows of five LEDs, with the lit ones (-1: all)."""
    for n in range(1, 11):
        col = (n - 1) % 5
        row = (n - 1) // 5
        on = lit == -1 or lit == n
        cr.rectangle(x + 4 * col, y + 4 * row, 3, 3)
        cr.set_source_rgb(*(hexc("ff6a2a") if on else hexc("4a1a10")))
        cr.fill()


def help_panel(path):
    w, h = 200, 300
    s, cr = framed_board(w, h, 43)
    text(cr, "Shaping", w / 2, 30, 15, face=SERIF, bold=True, align="center", colour=BRASS_HI)
    text(cr, "the LEDs name the harp model", w / 2, 44, 9, face=SANS, bold=False, align="center",
         colour=MUTED, shadow=False)
    y = 62
    for label, name, lit in HARP_MODELS:
        mini_leds(cr, 14, y - 7, lit)
        text(cr, label, 66, y, 9, face=SANS, bold=True, align="right", colour=MUTED, shadow=False)
        text(cr, name, 72, y, 10, face=SANS, bold=False, colour=IVORY)
        y += 17.5
    # Close button at the foot.
    bx, by, bw, bh = w / 2 - 32, h - 36, 64, 20
    rounded_rect(cr, bx + 0.5, by + 0.5, bw, bh, 5)
    cr.set_source_rgba(0, 0, 0, 0.6)
    cr.fill()
    rounded_rect(cr, bx, by, bw, bh, 5)
    cr.set_source(brass_gradient(bx, by, bx, by + bh))
    cr.fill()
    rounded_rect(cr, bx + 0.5, by + 0.5, bw - 1, bh - 1, 4.5)
    cr.set_source_rgba(0, 0, 0, 0.5)
    cr.set_line_width(1)
    cr.stroke()
    text(cr, "close", w / 2, by + 14, 11, face=SANS, bold=True, align="center", colour=hexc("2a1a0c"),
         shadow=False)
    bmpio.save_surface(path, s)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else OUT
    os.makedirs(out, exist_ok=True)
    panel(os.path.join(out, "panel.bmp"))
    knob_strip(GLOBAL_KNOB, KNOB_RADIUS[GLOBAL_KNOB], os.path.join(out, "knob31.bmp"))
    knob_strip(STRING_KNOB, KNOB_RADIUS[STRING_KNOB], os.path.join(out, "knob28.bmp"))
    link_button(os.path.join(out, "link.bmp"))
    led(os.path.join(out, "led.bmp"))
    lamp(os.path.join(out, "lamp.bmp"))
    corners(os.path.join(out, "corners.bmp"))
    about(os.path.join(out, "about.bmp"))
    help_panel(os.path.join(out, "help.bmp"))


if __name__ == "__main__":
    main()
