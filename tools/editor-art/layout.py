"""Where the editor puts its controls, in panel pixels. The artwork is drawn
around these places, so they must match the editor's own layout."""

PANEL_W, PANEL_H = 593, 400
NOTE_NAMES = ["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"]
STRINGS = range(1, 13)

STRING_KNOB = 28
GLOBAL_KNOB = 31
KNOB_FRAMES = 91

# Per-string knob rows: caption and top edge.
STRING_ROWS = [("Exciter", 65), ("Tuning", 110), ("pikPosi", 178), ("pikBrig", 224)]


def string_knob_x(k):
    return 59 + 39 * (k - 1)


def column_x(k):
    """Centre line of string k's column (the middle of its knobs)."""
    return string_knob_x(k) + STRING_KNOB / 2


def link_pos(k):
    return 55 + 39 * (k - 1), 260


def lamp_pos(k):
    return 68 + 39 * (k - 1), 300 - 2 * (k - 1)


def display_rect(k):
    return 57 + 39 * (k - 1), 146, 31, 14


# Global knobs: caption, left, top, whether the minimum end reads OFF.
GLOBAL_KNOBS = [
    ("Modulation", 100, 352, False),
    ("Pick Atak", 179, 352, False),
    ("SelfBend", 258, 352, True),
    ("Sympathetic", 337, 352, False),
    ("Damp", 416, 352, True),
    ("Shaping", 495, 352, False),
    ("DynaTone", 416, 316, True),
    ("ToneBals", 495, 316, False),
    ("Velocity", 544, 99, False),
    ("Pitch", 541, 151, False),
    ("Chorus", 539, 205, True),
    ("Volume", 536, 257, False),
]
RIGHT_KNOBS = ("Velocity", "Pitch", "Chorus", "Volume")


def led_pos(n):
    if n <= 5:
        return 455 + 8 * (n - 1), 372
    return 455 + 8 * (n - 6), 382


LED = 4
LINK = 10
LAMP = 8
CORNER_W, CORNER_H = 38, 48
# Top left, top right, bottom right, bottom left.
CORNERS = [(9, 12), (543, 12), (543, 341), (9, 341)]

ABOUT_HOT = (0, 0, 593, 36)
ABOUT_SHOWN = (143, 93)
HELP_HOT = (445, 347, 486, 361)
HELP_SHOWN = (344, 102)

# The value range of a knob turns the pointer through this many degrees,
# centred on straight up: minimum at lower left, maximum at lower right.
SWEEP = 300.0
