#!/usr/bin/env python3
"""Draws the program's artwork and writes it next to this script.

  morvalis.ico     icon 111: a blue strong-box with a golden padlock (16, 32, 48 px)
  open_folder.bmp  bitmap 110: an open folder, 16 x 16, 8 bits per pixel
  paper_clip.bmp   bitmap 118: a paper clip, 23 x 22, 8 bits per pixel
  hand.cur         cursor 108: a pointing hand, 32 x 32, hot spot on the fingertip

The bitmaps are drawn on the grey 192,192,192 and keep a colour table, so that
the loader can swap that grey for the button face colour of the user's
scheme. Run it after changing a drawing; the generated files are kept in the
repository so that a build needs no Python. Standard library only.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
FACE = (192, 192, 192)


# --- A tiny anti-aliased painter ---------------------------------------------
# A shape is a function inside(x, y) -> bool in drawing units; a fill is a
# colour or a function (x, y) -> colour. Every pixel is sampled 4 x 4 times.

def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def ring(cx, cy, r_out, r_in, upper_only=True):
    def inside(x, y):
        d = (x - cx) ** 2 + (y - cy) ** 2
        return r_in * r_in <= d <= r_out * r_out and (not upper_only or y <= cy)
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def vertical_gradient(top, bottom, y0, y1):
    def colour(x, y):
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0)
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))
    return colour


def paint(width, height, layers, scale=1.0, transform=None):
    """RGBA rows (floats 0..255, alpha 0..1) of the layers painted in order."""
    samples = 4
    image = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / scale
                    y = (py + (sy + 0.5) / samples) / scale
                    if transform:
                        x, y = transform(x, y)
                    colour = None
                    for inside, fill in layers:
                        if inside(x, y):
                            colour = fill(x, y) if callable(fill) else fill
                    if colour is not None:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = acc[3]
            if n:
                row.append((acc[0] / n, acc[1] / n, acc[2] / n, n / samples ** 2))
            else:
                row.append((0.0, 0.0, 0.0, 0.0))
        image.append(row)
    return image


def on_background(image, background):
    return [[tuple(round(c * a + b * (1 - a)) for c, b in zip(p[:3], background)) for p in row for a in [p[3]]]
            for row in image]


# --- File writers ------------------------------------------------------------

def dib_32(image, hotspot_rows=None):
    """A BITMAPINFOHEADER image of double height: BGRA rows bottom-up, then the AND mask."""
    height = len(image)
    width = len(image[0])
    header = struct.pack('<IiiHHIIiiII', 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(image):
        for r, g, b, a in row:
            pixels += bytes((round(b), round(g), round(r), round(a * 255)))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(image):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] < 0.5:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + mask


def write_icon_file(path, images, kind=1, hotspot=(0, 0)):
    """kind 1: .ico; kind 2: .cur (hotspot in the directory entry)."""
    blobs = [dib_32(image) for image in images]
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for image, blob in zip(images, blobs):
        size = len(image)
        planes, bits = (1, 32) if kind == 1 else hotspot
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, planes, bits, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    with open(path, 'wb') as f:
        f.write(out)


def write_palette_bmp(path, pixels):
    """An 8-bit BMP; the first pixel's colour (the background) gets palette entry 0."""
    height = len(pixels)
    width = len(pixels[0])
    palette = [pixels[0][0]]
    for row in pixels:
        for p in row:
            if p not in palette:
                palette.append(p)
    if len(palette) > 256:
        raise SystemExit(f'{path}: {len(palette)} colours')
    stride = (width + 3) // 4 * 4
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray(palette.index(p) for p in row)
        data += line + bytes(stride - width)
    table = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(data), 2835, 2835, len(palette), 0)
    offset = 14 + len(info) + len(table)
    head = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(head + info + table + data)


# --- Icon 111: a strong-box with a padlock -----------------------------------
# Drawn in a 32 x 32 unit square.

BOX_TOP = (74, 128, 214)
BOX_BOTTOM = (28, 63, 128)
GOLD_TOP = (255, 221, 102)
GOLD_BOTTOM = (214, 145, 22)


def icon_layers():
    return [
        (ring(16, 7.5, 6.5, 4.2), (40, 70, 120)),                       # carrying handle
        (rounded_rect(1.5, 6.5, 30.5, 30.5, 4.5), (20, 40, 82)),          # box outline
        (rounded_rect(2.6, 7.6, 29.4, 29.4, 3.6), vertical_gradient(BOX_TOP, BOX_BOTTOM, 7, 30)),
        (rect(2.6, 12.2, 29.4, 13.2), (116, 164, 232)),                  # lid seam highlight
        (ring(16, 17.5, 5.8, 3.6), (70, 70, 78)),                        # shackle shadow
        (ring(16, 17.0, 5.3, 3.9), (226, 230, 238)),                     # shackle
        (rounded_rect(8.8, 17.0, 23.2, 28.2, 2.2), (122, 80, 0)),        # lock body outline
        (rounded_rect(9.8, 18.0, 22.2, 27.2, 1.6), vertical_gradient(GOLD_TOP, GOLD_BOTTOM, 18, 27)),
        (circle(16, 21.4, 1.8), (60, 38, 0)),                            # keyhole
        (rect(15.2, 21.4, 16.8, 25.0), (60, 38, 0)),
    ]


# --- Bitmap 110: an open folder ----------------------------------------------
# Drawn in 16 x 16 units.

FOLDER_BACK = (214, 160, 40)
FOLDER_FRONT_TOP = (255, 226, 120)
FOLDER_FRONT_BOTTOM = (240, 186, 56)
FOLDER_LINE = (120, 80, 0)


def skewed_flap(x0, x1, y0, y1, skew):
    """The front flap of an open folder: a parallelogram leaning right."""
    def inside(x, y):
        if y < y0 or y > y1:
            return False
        shift = (y1 - y) / (y1 - y0) * skew
        return x0 + shift <= x <= x1 + shift
    return inside


def folder_layers():
    return [
        (rect(1.0, 3.0, 6.5, 5.0), FOLDER_LINE),                         # tab
        (rect(1.0, 4.0, 13.0, 14.0), FOLDER_LINE),                       # back
        (rect(2.0, 5.0, 12.0, 13.0), FOLDER_BACK),
        (rect(2.0, 4.0, 5.5, 5.0), FOLDER_BACK),
        (rect(3.0, 6.0, 11.0, 7.0), (255, 250, 235)),                    # a sheet inside
        (skewed_flap(1.0, 12.0, 7.0, 14.0, 3.0), FOLDER_LINE),           # front flap
        (skewed_flap(2.0, 11.4, 8.0, 13.0, 2.6),
         vertical_gradient(FOLDER_FRONT_TOP, FOLDER_FRONT_BOTTOM, 8, 13)),
    ]


# --- Bitmap 118: a paper clip -------------------------------------------------
# The clip lies along the x axis in its own units and is turned by 45 degrees.

def polyline_stroke(points, width):
    half = width / 2

    def inside(x, y):
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            dx, dy = bx - ax, by - ay
            length2 = dx * dx + dy * dy
            t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
            if (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= half * half:
                return True
        return False
    return inside


def arc(cx, cy, r, start, end, steps=16):
    return [(cx + r * math.cos(math.radians(start + (end - start) * i / steps)),
             cy + r * math.sin(math.radians(start + (end - start) * i / steps))) for i in range(steps + 1)]


def clip_path():
    # The wire from its outer end: the long outer run, the wide turn, the
    # bottom run, the narrow turn, and the inner run that ends free.
    path = [(0.0, -4.0), (17.0, -4.0)]
    path += arc(17.0, 0.0, 4.0, -90, 90)                 # wide turn
    path += [(4.0, 4.0)]
    path += arc(4.0, 2.0, 2.0, 90, 270)                  # narrow turn
    path += [(13.0, 0.0)]
    return path


def paper_clip_layers():
    path = clip_path()
    return [
        (polyline_stroke(path, 1.7), (78, 84, 94)),
        (polyline_stroke(path, 0.6), (240, 243, 248)),
    ]


def clip_transform(width, height):
    # The clip stands steeply (60 degrees), centred and scaled into the box.
    cx, cy, scale = 10.5, 0.0, 0.9
    angle = math.radians(-60)
    cos_a, sin_a = math.cos(angle), math.sin(angle)

    def transform(x, y):
        # pixel -> clip units: undo the centring, the turn and the scale
        u, v = (x - width / 2) / scale, (y - height / 2) / scale
        return cx + u * cos_a + v * sin_a, cy - u * sin_a + v * cos_a
    return transform


# --- Cursor 108: a pointing hand ----------------------------------------------
# B outline, W fill, . transparent; the fingertip (hot spot) is at (6, 1).

HAND = """
......BB........
.....BWWB.......
.....BWWB.......
.....BWWB.......
.....BWWB.......
.....BWWBBB.....
.....BWWBWWBBB..
.....BWWBWWBWWBB
..BB.BWWBWWBWWBWB
.BWWBBWWWWWWWWBWB
.BWWWBWWWWWWWWWWB
..BWWBWWWWWWWWWWB
...BWWWWWWWWWWWWB
...BWWWWWWWWWWWB.
....BWWWWWWWWWWB.
....BWWWWWWWWWB..
.....BWWWWWWWWB..
.....BWWWWWWWWB..
.....BBBBBBBBBB..
"""
HAND_HOTSPOT = (6, 1)


def hand_image(size=32):
    rows = [line for line in HAND.strip('\n').split('\n')]
    image = []
    for y in range(size):
        row = []
        for x in range(size):
            ch = rows[y][x] if y < len(rows) and x < len(rows[y]) else '.'
            if ch == 'B':
                row.append((0.0, 0.0, 0.0, 1.0))
            elif ch == 'W':
                row.append((255.0, 255.0, 255.0, 1.0))
            else:
                row.append((0.0, 0.0, 0.0, 0.0))
        image.append(row)
    return image


def main():
    icons = [paint(size, size, icon_layers(), scale=size / 32) for size in (48, 32, 16)]
    write_icon_file(os.path.join(HERE, 'morvalis.ico'), icons)

    folder = paint(16, 16, folder_layers())
    write_palette_bmp(os.path.join(HERE, 'open_folder.bmp'), on_background(folder, FACE))

    clip = paint(23, 22, paper_clip_layers(), transform=clip_transform(23, 22))
    write_palette_bmp(os.path.join(HERE, 'paper_clip.bmp'), on_background(clip, FACE))

    write_icon_file(os.path.join(HERE, 'hand.cur'), [hand_image()], kind=2, hotspot=HAND_HOTSPOT)


if __name__ == '__main__':
    main()
