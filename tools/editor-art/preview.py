#!/usr/bin/python3
"""Lays every control's bitmap on the panel the way the toolkit does (key
pixels skipped, everything else copied) and writes a PNG to look at. Then it
looks for what a person would see as a green fringe.

    python3 tools/editor-art/preview.py [--value V] [--lit] [--corner N] [--screen about|help]
                                        [--bitmaps DIR] [out.png]

--value sets every knob (frame int(V * 90)), --lit lights the lamps, LEDs and
link buttons, --corner picks the decoration image (0 empty, 1 knot, 2 stud).
"""
import argparse
import os
import sys

import cairo

import bmpio
from layout import *

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.join(HERE, "..", "..", "resources", "editor")


def load(name):
    return bmpio.read_bmp(os.path.join(RES, name))


def use_folder(folder):
    global RES
    RES = folder


def blit(canvas, bitmap, left, top, src_y, w, h, transparent):
    _, _, rows = bitmap
    for y in range(h):
        for x in range(w):
            c = rows[src_y + y][x]
            if transparent and c == bmpio.KEY:
                continue
            canvas[top + y][left + x] = c


def greenish(c):
    r, g, b = c
    return g > 90 and g - max(r, b) > 50


def compose(value, lit, corner):
    _, _, panel = load("panel.bmp")
    canvas = [list(row) for row in panel]
    knob31, knob28 = load("knob31.bmp"), load("knob28.bmp")
    frame = min(KNOB_FRAMES - 1, max(0, int(value * (KNOB_FRAMES - 1))))
    for _, x, y, _ in GLOBAL_KNOBS:
        blit(canvas, knob31, x, y, frame * GLOBAL_KNOB, GLOBAL_KNOB, GLOBAL_KNOB, True)
    for k in STRINGS:
        for _, top in STRING_ROWS:
            blit(canvas, knob28, string_knob_x(k), top, frame * STRING_KNOB, STRING_KNOB, STRING_KNOB, True)
    link, led, lamp, corners = load("link.bmp"), load("led.bmp"), load("lamp.bmp"), load("corners.bmp")
    for k in STRINGS:
        on = lit and k % 3 != 0
        blit(canvas, link, *link_pos(k), LINK if on else 0, LINK, LINK, False)
        blit(canvas, lamp, *lamp_pos(k), LAMP if (lit and k % 2) else 0, LAMP, LAMP, True)
    lit_led = int(value * 10 + 0.999) if value > 0 else 0
    for n in range(1, 11):
        on = lit and (n == lit_led or value > 0.98)
        blit(canvas, led, *led_pos(n), LED if on else 0, LED, LED, False)
    for x, y in CORNERS:
        blit(canvas, corners, x, y, corner * CORNER_H, CORNER_W, CORNER_H, True)
    return canvas


def halo_report(canvas, lit):
    """Greenish pixels outside the glass of lit lamps, which are green on purpose."""
    glass = set()
    if lit:
        for k in STRINGS:
            if k % 2:
                x, y = lamp_pos(k)
                for yy in range(y, y + LAMP):
                    for xx in range(x, x + LAMP):
                        glass.add((xx, yy))
    bad = [(x, y, c) for y, row in enumerate(canvas) for x, c in enumerate(row)
           if greenish(c) and (x, y) not in glass]
    keys = sum(1 for row in canvas for c in row if c == bmpio.KEY)
    return bad, keys


def footprint(bitmap, w, h):
    """Pixels that any image of the strip draws (not the key)."""
    _, height, rows = bitmap
    cells = set()
    for top in range(0, height, h):
        for y in range(h):
            for x in range(w):
                if rows[top + y][x] != bmpio.KEY:
                    cells.add((x, y))
    return cells


def flatness_report():
    """The soft edges of a transparent picture are mixed with one colour, so
    the panel under everything it draws must be that one flat colour. Returns
    the largest spread of a channel under each kind of picture."""
    _, _, panel = load("panel.bmp")
    places = {
        "knob31.bmp": ([(x, y) for _, x, y, _ in GLOBAL_KNOBS], GLOBAL_KNOB, GLOBAL_KNOB),
        "knob28.bmp": ([(string_knob_x(k), top) for k in STRINGS for _, top in STRING_ROWS],
                       STRING_KNOB, STRING_KNOB),
        "lamp.bmp": ([lamp_pos(k) for k in STRINGS], LAMP, LAMP),
        "corners.bmp": (CORNERS, CORNER_W, CORNER_H),
    }
    spreads = {}
    for name, (positions, w, h) in places.items():
        cells = footprint(load(name), w, h)
        colours = [panel[top + y][left + x] for left, top in positions for x, y in cells]
        spreads[name] = max(max(c[i] for c in colours) - min(c[i] for c in colours) for i in range(3))
    return spreads


def displays_alike():
    """Every tuning display shows the patch under the first one; the panel
    should look the same under all twelve, or the readouts would jump."""
    _, _, panel = load("panel.bmp")

    def patch(k):
        x, y, w, h = display_rect(k)
        return [panel[y + j][x:x + w] for j in range(h)]
    return all(patch(k) == patch(1) for k in STRINGS)


def to_surface(canvas):
    h, w = len(canvas), len(canvas[0])
    s = cairo.ImageSurface(cairo.FORMAT_RGB24, w, h)
    data = s.get_data()
    stride = s.get_stride()
    for y, row in enumerate(canvas):
        for x, (r, g, b) in enumerate(row):
            i = y * stride + 4 * x
            data[i], data[i + 1], data[i + 2] = b, g, r
    s.mark_dirty()
    return s


def tuning_texts(surface, value):
    """The yellow readouts, as the editor draws them (Arial 9, centred)."""
    cr = cairo.Context(surface)
    fo = cairo.FontOptions()
    fo.set_antialias(cairo.ANTIALIAS_GRAY)
    fo.set_hint_style(cairo.HINT_STYLE_FULL)
    fo.set_hint_metrics(cairo.HINT_METRICS_ON)
    cr.set_font_options(fo)
    cr.select_font_face("Liberation Sans", cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_NORMAL)
    cr.set_font_size(9)
    fe = cr.font_extents()
    label = "%d" % int((2 * value - 1) * 100)
    for k in STRINGS:
        x, y, w, h = display_rect(k)
        tw = round(cr.text_extents(label).x_advance)
        line_h = round(fe[0] + fe[1])
        tx = x + (w - tw) // 2
        top = y + (h - line_h) // 2
        cr.move_to(tx, top + round(fe[0]))
        cr.set_source_rgb(1, 1, 0)
        cr.show_text(label)


def show_screen(surface, name):
    """A splash screen covers the panel at its place; the window clips it."""
    w, h, rows = load(name + ".bmp")
    left, top = ABOUT_SHOWN if name == "about" else HELP_SHOWN
    shown = to_surface([[rows[y][x] for x in range(w)] for y in range(h)])
    cr = cairo.Context(surface)
    cr.rectangle(0, 0, PANEL_W, PANEL_H)
    cr.clip()
    cr.set_source_surface(shown, left, top)
    cr.paint()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--value", type=float, default=0.5)
    ap.add_argument("--lit", action="store_true")
    ap.add_argument("--corner", type=int, default=1)
    ap.add_argument("--screen", choices=("about", "help"), help="show a splash screen over the panel")
    ap.add_argument("--bitmaps", default=RES, help="folder of the BMP files")
    ap.add_argument("out", nargs="?", default="preview.png")
    args = ap.parse_args()
    use_folder(args.bitmaps)
    canvas = compose(args.value, args.lit, args.corner)
    bad, keys = halo_report(canvas, args.lit)
    surface = to_surface(canvas)
    tuning_texts(surface, args.value)
    if args.screen:
        show_screen(surface, args.screen)
    surface.write_to_png(args.out)
    print(f"{args.out}: {keys} key pixels, {len(bad)} greenish pixels")
    for x, y, c in bad[:20]:
        print(f"  ({x}, {y}) {c}")
    spreads = flatness_report()
    print("panel under the transparent pictures, largest channel spread: " +
          ", ".join(f"{name} {spread}" for name, spread in spreads.items()))
    uneven = any(spread > 6 for spread in spreads.values())
    alike = displays_alike()
    print("panel under the twelve tuning displays: " + ("the same" if alike else "DIFFERENT"))
    return 1 if bad or keys or uneven or not alike else 0


if __name__ == "__main__":
    sys.exit(main())
