"""24-bit BMP reading and writing for the editor's bitmaps, and the step that
turns a cairo drawing with an alpha channel into a keyed picture.

The toolkit skips pixels of pure green (0, 255, 0) when it draws a transparent
bitmap, and nothing else: it has no alpha. So a soft edge has to be mixed here
with the colour the picture will lie on, never with the key.
"""
import struct

KEY = (0, 255, 0)
# Below this coverage (out of 255) a pixel is left to the panel entirely.
MIN_ALPHA = 10


def write_bmp(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b) bytes; rows are stored bottom up, padded to 4."""
    stride = (width * 3 + 3) & ~3
    pad = b"\0" * (stride - width * 3)
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows.append(bytes(row) + pad)
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def read_bmp(path):
    """Returns (width, height, rows) with rows[y][x] = (r, g, b), top row first."""
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 24:
        raise ValueError(f"{path}: {bits} bits per pixel, expected 24")
    bottom_up = height > 0
    height = abs(height)
    stride = (width * 3 + 3) & ~3
    rows = []
    for row in range(height):
        y = height - 1 - row if bottom_up else row
        base = offset + y * stride
        rows.append([(data[base + 3 * x + 2], data[base + 3 * x + 1], data[base + 3 * x]) for x in range(width)])
    return width, height, rows


def surface_pixels(surface):
    """Premultiplied (r, g, b, a) rows of a cairo ARGB32 surface."""
    surface.flush()
    data = surface.get_data()
    stride = surface.get_stride()
    w, h = surface.get_width(), surface.get_height()
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            i = y * stride + 4 * x
            b, g, r, a = data[i], data[i + 1], data[i + 2], data[i + 3]
            row.append((r, g, b, a))
        rows.append(row)
    return rows


def not_key(c):
    """A drawn pixel may never be mistaken for the key."""
    return (0, 254, 0) if tuple(c) == KEY else c


def keyed(rows, under):
    """Keyed pixel function: clear pixels become the key, covered ones are the
    premultiplied colour laid over under(x, y), the colour beneath them."""
    def pixel(x, y):
        r, g, b, a = rows[y][x]
        if a < MIN_ALPHA:
            return KEY
        if a == 255:
            return not_key((r, g, b))
        ur, ug, ub = under(x, y)
        k = 255 - a
        return not_key((min(255, r + (ur * k + 127) // 255),
                        min(255, g + (ug * k + 127) // 255),
                        min(255, b + (ub * k + 127) // 255)))
    return pixel


def opaque(rows):
    def pixel(x, y):
        r, g, b, _ = rows[y][x]
        return not_key((r, g, b))
    return pixel


def save_surface(path, surface, under=None):
    """Writes an ARGB32 surface as a BMP: opaque, or keyed over under(x, y)."""
    rows = surface_pixels(surface)
    w, h = surface.get_width(), surface.get_height()
    write_bmp(path, w, h, keyed(rows, under) if under else opaque(rows))
